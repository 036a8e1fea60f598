#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/ado/Types.h"
#include "platform/ado/Value.h"

namespace transfer {

/// FoxPro source mode: where target tables live.
enum FoxProSourceMode : int { kDbcFileMode = 1, kFreeTableFolderMode = 2 };

/// The path up to and including its last "/" or "\"; empty text when it has none.
std::string FolderOf(const std::string& path);

/// Table folder + separator (unless the folder ends in one) + table name + ".DBF". The
/// separator is the one the folder already uses, "/" when it has none; an empty folder
/// gives the bare file name.
std::string FoxProTablePath(const std::string& tableName, int mode, const std::string& dbcFile,
                            const std::string& freeTableFolder);

/// "[" + field name + "]" with every blank and then every "/" replaced by "_".
std::string FoxProColumnName(const std::string& fieldName);

/// The text with the piece joint "'+'" after every 200th character.
std::string SplitLongText(const std::string& text);

/// The text between the two apostrophes of one value's FoxPro literal: Null as empty text,
/// pieces of 200 characters joined by "'+'", apostrophes doubled, and every carriage return
/// or line feed sent as a joint with CHR(13) / CHR(10) so that it survives. sourceType, the
/// source field's ADO type, decides the target column (FoxProColumnClause): a byte array
/// goes byte for byte into a BLOB column, and as upper-case hex text, two digits a byte,
/// into a memo, which holds only text (bytes 0x80-0x9F have no code page 1252 character).
std::string FoxProValueText(const ado::Value& value, int sourceType = ado::adEmpty);

/// FoxProValueText appended to out (the per-value hot path of the transfer).
void AppendFoxProValueText(std::string& out, const ado::Value& value, int sourceType = ado::adEmpty);

/// Field names for a FoxPro table: each cut to maxLength characters (10 in a free table, 128
/// in a container); a cut that repeats an earlier name, letter case aside, ends in "_2",
/// "_3", ... instead.
std::vector<std::string> ShortenedFieldNames(const std::vector<std::string>& names, std::size_t maxLength);

}  // namespace transfer
