#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace foxpro {

/// Longest field name a .dbf can hold.
inline constexpr std::size_t kDbfFieldNameLength = 10;

/// ASCII letters lower-cased, other bytes unchanged.
std::string LowerAscii(std::string_view text);
std::string UpperAscii(std::string_view text);
bool EqualsIgnoringCase(std::string_view a, std::string_view b);
bool EndsWithIgnoringCase(std::string_view text, std::string_view suffix);

/// The names a .dbf stores for the given column names: upper case, cut to 10 characters.
/// A name that clashes with an earlier one (letter case ignored) has its end replaced by the
/// smallest number from 2 up that makes it unique, the way Visual FoxPro shortens long names
/// (EXPENSECAT, EXPENSECA2, EXPENSECA3). Fails for an empty name or one with characters other
/// than printable ASCII.
std::vector<std::string> ShortFieldNames(const std::vector<std::string>& names);

/// Fails (ado::Failure) for a name a new or renamed table cannot get: empty or all blanks,
/// with leading or trailing blanks (it would pass for another table's name), or holding a
/// path separator, NUL, a back-quote or an apostrophe (which end a name or path in SQL).
void CheckNewTableName(std::string_view name);

/// A path as written by a Windows program made usable here: "\" separators become "/".
std::string PortablePath(std::string_view path);

/// File name part of a path (after the last folder separator: on Windows '\\' too).
std::string FileNameOf(std::string_view path);
/// File name without its extension (text from the last '.' on).
std::string StemOf(std::string_view fileName);
/// Extension of a file name without the dot; empty when there is none.
std::string ExtensionOf(std::string_view fileName);

/// Names of the entries of folder whose name equals fileName without regard to letter case;
/// the exact spelling first when present. Empty when the folder cannot be read.
std::vector<std::string> MatchingFileNames(const std::string& folder, std::string_view fileName);

/// Whether the file at dbfPath reads as a table: it opens and its header is a sound table
/// header (records past the count do not matter here). False for a missing or other file.
bool IsTableFile(const std::string& dbfPath);

/// The existing file or folder that path names when letter case is ignored in every part of
/// it (an exact match wins at each step). Empty when there is none.
std::string FindPathIgnoringCase(const std::string& path);

}  // namespace foxpro
