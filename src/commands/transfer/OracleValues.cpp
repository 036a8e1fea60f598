#include "commands/transfer/OracleValues.h"

#include "commands/transfer/SqlHelpers.h"
#include "platform/foxpro/tables/Calendar.h"

namespace transfer {

std::string OracleValueText(const ado::Value& value) {
  std::string text;
  AppendOracleValueText(text, value);
  return text;
}

void AppendOracleValueText(std::string& out, const ado::Value& value) {
  const ado::Value& present = NullToDefault(value, EmptyText());
  if (present.Is<ado::DateTime>()) {
    ado::AppendValueText(out, ado::Value(foxpro::WholeSecondOfNoise(present.As<ado::DateTime>())));
    return;
  }
  if (!present.Is<ado::Bytes>()) {
    ado::AppendValueText(out, present);
    return;
  }
  ado::AppendHexText(out, present.As<ado::Bytes>());
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
