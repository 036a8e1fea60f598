#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/ado/Provider.h"

namespace transfer {

// How a column's declared type crosses over when types are kept. FoxPro's declaration
// (type letter, width, decimals, flags) decides the Oracle column; Oracle's dictionary
// decides the FoxPro field, unless the column's comment records the FoxPro field it came
// from, which then wins, so that a table sent back gets its old fields again.

/// A FoxPro field of that type and size as a typed copy creates it: NULL allowed.
ado::DeclaredField NullableField(char type, int width = 0, int decimals = 0);

/// The FoxPro type as a CREATE TABLE writes it, without NULL: "N(20,4)", "C(10) NOCPTRANS",
/// "B(8,2)", "I AUTOINC NEXTVALUE 5 STEP 1", "D".
std::string FoxProTypeText(const ado::DeclaredField& field);

/// One field of a FoxPro CREATE TABLE: "[name] N(20,4) NULL", or NOT NULL for a field that
/// takes none (AUTOINC follows either).
std::string FoxProFieldClause(const std::string& name, const ado::DeclaredField& field);

/// The Oracle column of a FoxPro field: "\"NAME\" NUMBER(19,4)", with its CHECK for L and its
/// identity for an autoincrementing I. hasFraction: a T value holds part of a second.
/// defaultText: an Oracle DEFAULT's expression, or empty for none.
std::string OracleColumnClause(const std::string& name, const ado::DeclaredField& field, bool hasFraction,
                               const std::string& defaultText = {});

/// The comment that records the FoxPro type on the Oracle column: "FoxPro N(20,4)".
std::string FoxProTypeComment(const ado::DeclaredField& field);

/// The FoxPro field a comment records, or nothing when the comment is not one.
std::optional<ado::DeclaredField> ParseFoxProTypeComment(std::string_view comment);

/// What an Oracle column's comment records of the FoxPro field it came from. Its first line is
/// the type marker, then " NOT NULL" when the field takes no NULL that Oracle could not hold
/// as NOT NULL (Oracle stores a blank text as NULL), then the field's texts Oracle has no place
/// for, each a word and a text in double quotes (inner ones doubled): CAPTION, FORMAT, INPUTMASK,
/// MESSAGE (the rule's), and RULE and DEFAULT where Oracle's CHECK and DEFAULT would not give
/// them back as written; the lines after it are the field's own comment.
struct FoxProColumnNote {
  std::optional<ado::DeclaredField> field;  ///< none: the comment is no marker, and all of it is the comment
  bool notNull = false;
  std::optional<std::string> caption;
  std::string comment;
  std::optional<std::string> format{};
  std::optional<std::string> inputMask{};
  std::optional<std::string> message{};
  std::optional<std::string> rule{};
  std::optional<std::string> defaultValue{};
  bool operator==(const FoxProColumnNote&) const = default;
};

/// Oracle keeps up to 4000 bytes of a comment.
inline constexpr std::size_t kOracleCommentBytes = 4000;

/// The column comment for the note. A longer one than Oracle keeps loses the end of its
/// comment text (never the marker line), cut between characters; *cut tells.
std::string FoxProColumnNoteText(const FoxProColumnNote& note, bool* cut = nullptr);

/// The note a column comment holds.
FoxProColumnNote ParseFoxProColumnNote(std::string_view comment);

/// A column as Oracle's dictionary declares it (USER_TAB_COLUMNS, USER_COL_COMMENTS).
struct OracleColumn {
  std::string name;
  std::string dataType;  // "NUMBER", "VARCHAR2", "TIMESTAMP(6) WITH TIME ZONE", ...
  int dataLength = 0;    // bytes
  std::optional<int> precision;
  std::optional<int> scale;
  int charLength = 0;  // characters of a character column
  std::string comment;
  bool nullable = true;  // false for NOT NULL and primary key columns
};

/// How a column's values are read for the FoxPro field.
enum class ReadAs {
  Value,      // as the driver delivers them
  Utc,        // a time with a zone, brought to UTC
  Text,       // Oracle's text of the value (types FoxPro has no field for)
  ScanFirst,  // a number without a declared size: the field is chosen from the values
};

struct FoxProMapping {
  ado::DeclaredField field;
  ReadAs readAs = ReadAs::Value;
  std::string note;  // what the plan says about the column, empty when nothing
};

/// The FoxPro field for an Oracle column; it allows NULL where the column does, so that a key
/// over NOT NULL columns keeps its width (a nullable field's key takes one byte more).
FoxProMapping FoxProFieldFor(const OracleColumn& column);

}  // namespace transfer
