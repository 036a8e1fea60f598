#include "query/QueryTool.h"

#include <exception>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ado/Connection.h"
#include "platform/ado/Recordset.h"
#include "platform/ado/Types.h"
#include "platform/ado/Value.h"
#include "platform/foxpro/sql/Provider.h"
#include "platform/odbc/Provider.h"

namespace query {

namespace {

const char* const kUsage =
    "usage: tesselby-query [--types] \"<connection string>\" \"<SQL>\"\n"
    "       tesselby-query --tables \"<connection string>\"\n"
    "       tesselby-query --help | --version\n"
    "\n"
    "Runs one SQL statement through Tesselby's data access layer. Rows print as\n"
    "tab-separated lines after a header of field names (with --types, a second\n"
    "header line of ADO type codes). Tab, CR, LF and backslash print as \\t \\r \\n \\\\,\n"
    "Null as \\N, byte arrays as upper-case hex digits. --tables lists the tables\n"
    "schema as TABLE_TYPE<TAB>TABLE_NAME. A failure prints its description and\n"
    "exits 1; bad usage exits 2.\n";

void PutEscaped(std::ostream& out, std::string_view text) {
  std::string buffer;
  buffer.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '\t':
        buffer += "\\t";
        break;
      case '\r':
        buffer += "\\r";
        break;
      case '\n':
        buffer += "\\n";
        break;
      case '\\':
        buffer += "\\\\";
        break;
      default:
        buffer.push_back(c);
    }
  }
  out << buffer;
}

void PutValue(std::ostream& out, const ado::Value& value) {
  if (value.IsNull()) {
    out << "\\N";
  } else if (value.Is<ado::Bytes>()) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string hex;
    hex.reserve(value.As<ado::Bytes>().size() * 2);
    for (std::uint8_t b : value.As<ado::Bytes>()) {
      hex.push_back(kHex[b >> 4]);
      hex.push_back(kHex[b & 0xF]);
    }
    out << hex;
  } else {
    PutEscaped(out, ado::ValueToText(value));
  }
}

void PrintRows(std::ostream& out, ado::Recordset& rs, bool types) {
  const int count = rs.FieldCount();
  for (int i = 0; i < count; ++i) {
    if (i) out << '\t';
    PutEscaped(out, rs.Fields(i).Name);
  }
  out << '\n';
  if (types) {
    for (int i = 0; i < count; ++i) {
      if (i) out << '\t';
      out << rs.Fields(i).Type;
    }
    out << '\n';
  }
  while (!rs.Eof()) {
    for (int i = 0; i < count; ++i) {
      if (i) out << '\t';
      PutValue(out, rs.Fields(i).Value);
    }
    out << '\n';
    rs.MoveNext();
  }
}

}  // namespace

int RunQueryTool(int argc, char** argv, std::ostream& out, std::ostream& err) {
  std::vector<std::string> args(argv + 1, argv + argc);
  bool types = false;
  bool tables = false;
  std::vector<std::string> rest;
  for (const std::string& arg : args) {
    if (arg == "--help" || arg == "-h") {
      out << kUsage;
      return 0;
    }
    if (arg == "--version" || arg == "-V") {
      out << "tesselby-query " << TESSELBY_VERSION << "\n";
      return 0;
    }
    if (arg == "--types") {
      types = true;
    } else if (arg == "--tables") {
      tables = true;
    } else if (arg.size() > 1 && arg[0] == '-' && arg[1] == '-') {
      err << "tesselby-query: unknown option " << arg << "\n" << kUsage;
      return 2;
    } else {
      rest.push_back(arg);
    }
  }
  if ((tables && (rest.size() != 1 || types)) || (!tables && rest.size() != 2)) {
    err << kUsage;
    return 2;
  }

  try {
    odbc::RegisterOdbcProvider();
    foxpro::RegisterFoxProProvider();
    ado::Connection connection;
    connection.CursorLocation = ado::adUseClient;
    connection.Open(rest[0]);
    if (tables) {
      std::unique_ptr<ado::Recordset> rs = connection.OpenSchema(ado::adSchemaTables);
      while (!rs->Eof()) {
        PutValue(out, rs->Fields("TABLE_TYPE").Value);
        out << '\t';
        PutValue(out, rs->Fields("TABLE_NAME").Value);
        out << '\n';
        rs->MoveNext();
      }
    } else {
      ado::Recordset rs;
      // A statement that returns no rows has run by now and leaves the recordset closed.
      rs.Open(rest[1], connection);
      if (rs.IsOpen()) PrintRows(out, rs, types);
    }
    connection.Close();
    out.flush();
  } catch (const std::exception& failure) {
    out.flush();
    err << failure.what() << '\n';
    return 1;
  }
  return 0;
}

int RunQueryTool(int argc, char** argv) { return RunQueryTool(argc, argv, std::cout, std::cerr); }

}  // namespace query
