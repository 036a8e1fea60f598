#pragma once

#include <string_view>

#include "platform/foxpro/sql/SqlStatement.h"

namespace foxpro {

/// The SQL dialect the engine understands: exactly the statements the program sends to the
/// FoxPro provider (SELECT * FROM, CREATE TABLE with CODEPAGE= and AUTOINC, INSERT INTO ...
/// VALUES with literals or parameter markers, DROP TABLE, RENAME TABLE), and the statements
/// that add index tags (ALTER TABLE ... ADD PRIMARY KEY / ADD UNIQUE, INDEX ON ... TAG ... OF).
/// Keywords are matched without regard to letter case; surrounding blanks
/// and one trailing ';' are allowed. Parsing is one pass over the text, so an INSERT of many
/// megabytes costs no more than reading it.
class SqlParser {
 public:
  /// Throws ado::Failure with a FoxPro-style description for anything that is not one
  /// complete statement of the dialect.
  static SqlStatement Parse(std::string_view sql);
};

}  // namespace foxpro
