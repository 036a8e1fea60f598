// Feeds arbitrary text to the FoxPro SQL parser: it must either give a statement or throw
// ado::Failure, never crash, hang or read out of bounds.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <variant>

#include "platform/ado/Failure.h"
#include "platform/foxpro/sql/SqlParser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view sql(reinterpret_cast<const char*>(data), size);
  try {
    const foxpro::SqlStatement statement = foxpro::SqlParser::Parse(sql);
    // A parsed statement never holds more text than it was given.
    if (const auto* insert = std::get_if<foxpro::InsertStatement>(&statement)) {
      std::size_t total = 0;
      for (const auto& value : insert->values) {
        total += value ? value->size() : 0;
      }
      if (total > size * 2 + 16) {
        __builtin_trap();
      }
    }
  } catch (const ado::Failure& failure) {
    if (failure.Description().empty()) {
      __builtin_trap();
    }
  }
  return 0;
}
