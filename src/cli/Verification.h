#pragma once

#include <string>
#include <vector>

#include "platform/ado/Value.h"

namespace cli {

enum class Direction { ToOracle, ToFoxPro };

/// Whether a target value is the source value as the transfer of that direction defines it:
/// the same value text, or the same number; to Oracle an empty text is NULL, to FoxPro a
/// NULL arrives as blanks and character fields come back padded with blanks.
/// Numbers compare digit for digit, whatever their spelling ("5.50" and "5.5" are one number,
/// 12345678901234567891 and 12345678901234567000 are two).
/// Typed (the copy kept the columns' types): Null, empty text and an empty date are one value;
/// text without trailing blanks, numbers digit for digit, dates and times to the millisecond
/// (a date alone is its midnight), bytes byte for byte.
bool SameValue(Direction direction, const ado::Value& source, const ado::Value& target, bool typed = false);

/// A value's text as the difference list shows it.
std::string ShownText(Direction direction, const ado::Value& value);

struct Difference {
  std::string table, column, sourceText, targetText;
  long row = 0;          // 1-based source row
  bool rounded = false;  // rounded by the rule: cut to what the target holds, not differing
};

struct TableComparison {
  long compared = 0;
  long differing = 0;
  long rounded = 0;                     // values rounded by the rule: cut to the target's precision
  std::vector<Difference> differences;  // the first few, up to the limit given
};

using Rows = std::vector<std::vector<ado::Value>>;

/// Compares the rows of a copied table in whatever order the target returns them: equal
/// rows pair up first, the rest in order. Source rows whose INSERT failed (skipped, 0-based,
/// ascending) have no counterpart. A row missing on either side differs in every value.
/// Typed, a column of numbers on one side and texts on the other compares the texts as
/// numbers (digits kept in a C field); a column of times read as text to the microsecond
/// (SourceSelect) compares them as FoxPro stores them, cut to the millisecond, and a time the
/// cut changed is rounded by the rule: neither equal nor differing.
TableComparison CompareRows(Direction direction, const std::string& table, const std::vector<std::string>& columns,
                            const Rows& source, const Rows& target, const std::vector<long>& skipped, std::size_t keep,
                            bool typed = false);

/// The select that reads a copied table's source for the comparison. A typed copy to FoxPro
/// reads Oracle's times as text to the microsecond, the way the copy read them.
std::string SourceSelect(Direction direction, const std::string& table, const std::string& oracleConnectionString,
                         bool typed);

/// Reads every row of select on a new connection (client-side cursor); failures propagate.
Rows ReadRows(const std::string& connectionString, const std::string& select, std::vector<std::string>* columns,
              int unmarkedCodePage = 0);

}  // namespace cli
