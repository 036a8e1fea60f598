#pragma once

#include <string>

namespace connections {

// Names that reach a file path or a quoted identifier come from the other side's catalog or
// from the user; these rules keep them from naming anything but one table.

/// Fails (ado::Failure naming the table and the reason) unless the name can be a FoxPro
/// table's file name inside the chosen folder: not empty, not "." or "..", and free of "/",
/// "\" and control characters (NUL, CR and LF included).
void RequirePlainFileName(const std::string& tableName);

/// Fails (ado::Failure naming it and the reason) when the name cannot stand between the
/// double quotes of an Oracle identifier: a double quote would end it early, NUL would cut it.
void RequireOracleIdentifier(const std::string& name);

enum class TableSide { FoxPro, Oracle };

/// The rule of the side a table name is used on: a FoxPro name is a file name, an Oracle
/// name a quoted identifier.
void RequireTableName(TableSide side, const std::string& name);

/// The rule for a name a table is about to get (a transfer's target, a rename's new name),
/// stricter than the side's rule: not all blanks and without leading or trailing blanks (a
/// name that trims to another table's name could not be told from it); on the FoxPro side
/// also without a back-quote or an apostrophe, which would end the name or the file path in
/// the engine's statements and leave a table that can be neither read nor deleted.
void RequireNewTableName(TableSide side, const std::string& name);

/// The rule for a database container about to be made: a path ending in ".dbc" (any letter
/// case) in a folder that exists, whose file name keeps the rule of a new FoxPro table name.
void RequireNewContainerPath(const std::string& dbcPath);

/// The name for a message: control characters shown as <CR>, <LF>, <NUL> or <0xNN>.
std::string VisibleName(const std::string& name);

}  // namespace connections
