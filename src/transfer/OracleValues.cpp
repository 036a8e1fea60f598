#include "transfer/OracleValues.h"

#include "transfer/SqlHelpers.h"

namespace transfer {

std::string OracleValueText(const ado::Value& value) {
  const ado::Value present = NullToDefault(value, ado::Value(std::string()));
  if (!present.Is<ado::Bytes>()) return ado::ValueToText(present);
  static constexpr char kDigits[] = "0123456789ABCDEF";
  const ado::Bytes& bytes = present.As<ado::Bytes>();
  std::string hex;
  hex.reserve(bytes.size() * 2);
  for (const std::uint8_t byte : bytes) {
    hex += kDigits[byte >> 4];
    hex += kDigits[byte & 0x0F];
  }
  return hex;
}

void AppendDoubledApostrophes(std::string& out, const std::string& text) {
  out.reserve(out.size() + text.size() + 2);
  std::size_t from = 0;
  for (std::size_t at = text.find('\''); at != std::string::npos; at = text.find('\'', from)) {
    out.append(text, from, at + 1 - from);
    out += '\'';
    from = at + 1;
  }
  out.append(text, from, std::string::npos);
}

}  // namespace transfer
