// The column comments and number texts that come back from Oracle's dictionary and rows.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "commands/transfer/DecimalText.h"
#include "commands/transfer/TypeMapping.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (const auto field = transfer::ParseFoxProTypeComment(text)) {
    // What a comment describes must read back the same once written again.
    if (transfer::ParseFoxProTypeComment(transfer::FoxProTypeComment(*field)) != field) __builtin_trap();
  }
  if (const auto digits = transfer::ParseDecimal(text)) {
    if (transfer::ParseDecimal(transfer::DecimalSpelling(*digits)) != digits) __builtin_trap();
  }
  return 0;
}
