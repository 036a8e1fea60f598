#pragma once

#include <string>

#include "platform/foxpro/files/FileIo.h"
#include "platform/foxpro/tables/DbfHeader.h"

namespace foxpro {

/// The database container a table's header links to, as spelled on disk; empty for a free
/// table. Fails when the link names a container that is not there.
std::string ContainerOfTable(const std::string& dbfPath, const DbfHeader& header, FileSystem& fs);

/// The primary key tag the container records for the table (lower case), empty when none.
std::string ContainerPrimaryKey(const std::string& dbcPath, const std::string& dbfPath, FileSystem& fs);

/// Records a new tag of the table in its container the way Visual FoxPro does: an Index
/// record under the table (IsUnique set for primary and candidate tags) and, for the primary
/// key, the table's PrimaryKey property; then the container's own index is rebuilt.
void RegisterContainerTag(const std::string& dbcPath, const std::string& dbfPath, const std::string& tagName,
                          bool primary, bool candidate, FileSystem& fs, long lockTimeoutSeconds);

}  // namespace foxpro
