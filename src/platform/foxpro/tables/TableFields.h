#pragma once

#include <vector>

#include "platform/foxpro/containers/Catalog.h"
#include "platform/foxpro/tables/DbfWriter.h"

namespace foxpro {

/// The .dbf fields of a new table: its columns under the 10-character names the header can
/// hold, made unique, so that no column is lost.
std::vector<NewField> DbfFieldsFor(const std::vector<ColumnDefinition>& columns);

}  // namespace foxpro
