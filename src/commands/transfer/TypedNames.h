#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace transfer {

// The names a typed copy gives: Oracle folds an unquoted name to upper case and FoxPro keeps
// its names in lower case, so each side gets its own case and a name comes back as it left.
// What a side cannot hold (an Oracle name not all upper case, a key name Oracle's schema-wide
// uniqueness changed, a long key name a tag cannot hold, a relation's rules a foreign key
// cannot hold) is recorded with the table, in the first line of its comment, and the way back
// restores it.

/// The Oracle name of a FoxPro name: its ASCII letters in upper case.
std::string OracleNameOf(const std::string& foxProName);

/// The FoxPro name of an Oracle name: its ASCII letters in lower case.
std::string FoxProNameOf(const std::string& oracleName);

/// Whose names a record keeps: a container's table keeps Oracle's, an Oracle table FoxPro's.
enum class NameSide { FoxPro, Oracle };

/// A name on the side that holds the record and the other side's name for it.
struct NamePair {
  std::string here;
  std::string there;
  bool operator==(const NamePair&) const = default;
};

struct NameRecord {
  std::optional<std::string> table;  ///< the table's name on the other side
  std::vector<NamePair> fields;
  std::vector<NamePair> keys;
  /// A foreign key's name here and its relation's whole RIINFO, which Oracle holds only in part.
  std::vector<NamePair> relations = {};
  /// An Oracle key's name here and its tag's FoxPro expression, where its columns alone would not give it back.
  std::vector<NamePair> expressions = {};
  bool Empty() const { return !table && fields.empty() && keys.empty() && relations.empty() && expressions.empty(); }
  /// The other side's name of a field or key named here (letter case ignored), if recorded.
  std::optional<std::string> Field(const std::string& here) const;
  std::optional<std::string> Key(const std::string& here) const;
  std::optional<std::string> Relation(const std::string& here) const;
  std::optional<std::string> Expression(const std::string& here) const;
  bool operator==(const NameRecord&) const = default;
};

/// A table comment split into the record of its first line and the comment after it; a comment
/// whose first line is no record (one written before records were) is all comment.
struct RecordedComment {
  std::string comment;
  NameRecord names;
};
RecordedComment SplitNameRecord(std::string_view comment, NameSide kept);

/// The comment with the record as its first line (none for an empty record); limit, when not
/// zero, cuts the comment's end so that the whole fits (never the record).
std::string WithNameRecord(const std::string& comment, NameSide kept, const NameRecord& names, std::size_t limit = 0);

/// A text in double quotes, inner ones doubled, as records and column markers write it.
std::string DoubleQuotedText(const std::string& text);
/// Such a text at text[at...] (blanks before it passed over); at moves past it. Nothing when
/// none starts there or it does not end.
std::optional<std::string> ReadDoubleQuotedText(std::string_view text, std::size_t& at);

}  // namespace transfer
