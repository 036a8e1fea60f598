#pragma once

#include <string>
#include <vector>

#include "connections/WindowParts.h"

namespace transfer {

/// A view of the source side: the copy makes no table of it, so it is named with its SQL.
struct SourceView {
  std::string name;
  std::string sql;
};

/// The local views of the FoxPro side's container (none for a folder of free tables).
std::vector<SourceView> FoxProViews(const connections::ConnectionFields& fields);
/// The views of the Oracle user's schema (USER_VIEWS), by name.
std::vector<SourceView> OracleViews(const connections::ConnectionFields& fields);

/// One line per view, "view NAME: not carried (a view, not a table); its SQL: ...".
std::string ViewsNotCarriedText(const std::vector<SourceView>& views);

}  // namespace transfer
