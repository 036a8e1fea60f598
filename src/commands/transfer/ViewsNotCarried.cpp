#include "commands/transfer/ViewsNotCarried.h"

#include "connections/Foxpro.h"
#include "connections/Oracle.h"
#include "platform/ado/Connection.h"
#include "platform/ado/Recordset.h"
#include "platform/ado/Types.h"
#include "platform/ado/Value.h"
#include "platform/foxpro/containers/DbcCatalog.h"
#include "platform/foxpro/sql/FoxProSession.h"

namespace transfer {

std::vector<SourceView> FoxProViews(const connections::ConnectionFields& fields) {
  std::vector<SourceView> views;
  if (!fields.DbcMode()) return views;
  ado::Connection foxPro;
  connections::OpenFoxPro(foxPro, fields);
  if (foxpro::DbcCatalog* container = foxpro::FoxProSession::ContainerOf(foxPro)) {
    for (foxpro::ViewDefinition& view : container->Views()) views.push_back({view.name, view.sql});
  }
  foxPro.Close();
  return views;
}

std::vector<SourceView> OracleViews(const connections::ConnectionFields& fields) {
  ado::Connection oracle;
  oracle.CursorLocation = ado::adUseClient;
  oracle.Open(connections::OracleConnectionString(fields));
  ado::Recordset rows;
  rows.Open("SELECT VIEW_NAME, TEXT FROM USER_VIEWS ORDER BY VIEW_NAME", oracle);
  std::vector<SourceView> views;
  for (; !rows.Eof(); rows.MoveNext()) {
    views.push_back({ado::ValueToText(rows.Fields(0).Value), ado::ValueToText(rows.Fields(1).Value)});
  }
  rows.Close();
  oracle.Close();
  return views;
}

namespace {

// A view's SQL on the one line of its view: line breaks and runs of blanks become one blank.
std::string OneLine(const std::string& sql) {
  std::string line;
  for (const char c : sql) {
    const bool blank = c == ' ' || c == '\t' || c == '\r' || c == '\n';
    if (blank && (line.empty() || line.back() == ' ')) continue;
    line += blank ? ' ' : c;
  }
  if (!line.empty() && line.back() == ' ') line.pop_back();
  return line;
}

}  // namespace

std::string ViewsNotCarriedText(const std::vector<SourceView>& views) {
  std::string text;
  for (const SourceView& view : views) {
    text += "view " + view.name + ": not carried (a view, not a table); its SQL: " + OneLine(view.sql) + "\n";
  }
  return text;
}

}  // namespace transfer
