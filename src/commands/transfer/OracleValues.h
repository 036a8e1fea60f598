#pragma once

#include <string>

#include "platform/ado/Value.h"

namespace transfer {

/// A field value as text for an Oracle literal: Null as empty text, a byte array as
/// upper-case hex digits (Oracle reads a text bound for BLOB or RAW as hex), anything else
/// through the program's one value-to-text conversion.
std::string OracleValueText(const ado::Value& value);
/// The same text, appended to out (no string of its own per value on the row loop).
void AppendOracleValueText(std::string& out, const ado::Value& value);

/// Appends the text with every apostrophe doubled.
void AppendDoubledApostrophes(std::string& out, const std::string& text);

}  // namespace transfer
