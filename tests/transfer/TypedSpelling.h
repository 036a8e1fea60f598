#pragma once

#include <cstdio>
#include <string>

#include "commands/transfer/DecimalText.h"
#include "platform/ado/Value.h"

namespace transfer::testing {

// One spelling per value: numbers by their digits whatever their kind, a date as its midnight.
inline std::string TypedSpelling(const ado::Value& value) {
  if (value.IsNull()) return "NULL";
  if (value.Is<ado::Date>()) return TypedSpelling(ado::DateTime{value.As<ado::Date>()});
  if (value.Is<ado::DateTime>()) {
    const ado::DateTime& t = value.As<ado::DateTime>();
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", t.date.year, t.date.month, t.date.day,
                  t.hour, t.minute, t.second, t.millisecond);
    return text;
  }
  if (value.Is<ado::Bytes>()) {
    std::string hex = "0x";
    ado::AppendHexText(hex, value.As<ado::Bytes>());
    return hex;
  }
  // A C field holding a number's exact digits stands for the number.
  const auto digits = value.Is<std::string>() ? ParseDecimal(value.As<std::string>()) : DecimalOf(value);
  if (digits && (!value.Is<std::string>() || value.As<std::string>() == DecimalSpelling(*digits))) {
    return "#" + DecimalSpelling(*digits);
  }
  if (value.Is<std::string>()) {  // a C field's padding blanks are not data
    const std::string& text = value.As<std::string>();
    return "'" + text.substr(0, text.find_last_not_of(' ') + 1) + "'";
  }
  return ado::ValueToText(value);
}

}  // namespace transfer::testing
