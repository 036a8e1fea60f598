#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/foxpro/containers/DbcTable.h"
#include "platform/foxpro/indexes/CdxWriter.h"

namespace foxpro {

/// The structural index of a container (.dcx): two tags over the live records,
/// OBJECTNAME on STR(parentid)+objecttype+LOWER(objectname) and OBJECTTYPE on
/// STR(parentid)+objecttype.
class DbcIndex {
 public:
  /// The tags with the keys that these records imply.
  static std::vector<CdxTagContent> Tags(const std::vector<DbcObject>& objects, int codePage);
  /// Writes the container's index anew: to a temporary file first, then renamed over the old.
  static void Rebuild(DbcTable& table, FileSystem& fs);
  /// The container's index file: the existing one (letter case ignored) or the name to create.
  static std::string PathFor(const std::string& dbcPath, FileSystem& fs);

  /// STR(n): the number right-aligned in 10 characters (asterisks when it does not fit).
  static std::string Str(std::int64_t value);
  /// LOWER() of code-page bytes: ASCII letters, and the accented capitals of code page 1252.
  static std::string Lower(std::string_view bytes, int codePage);
};

}  // namespace foxpro
