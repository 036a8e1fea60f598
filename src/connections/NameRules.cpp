#include "connections/NameRules.h"

#include <cstdio>

#include "platform/ado/Failure.h"
#include "platform/foxpro/files/FileIo.h"
#include "platform/foxpro/tables/TableNames.h"

namespace connections {
namespace {

bool IsControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

[[noreturn]] void Refuse(const std::string& kind, const std::string& name, const std::string& reason) {
  throw ado::Failure(kind + " '" + VisibleName(name) + "' is refused: " + reason + ".");
}

}  // namespace

std::string VisibleName(const std::string& name) {
  std::string shown;
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (!IsControl(byte)) {
      shown.push_back(c);
    } else if (c == '\r') {
      shown += "<CR>";
    } else if (c == '\n') {
      shown += "<LF>";
    } else if (c == '\0') {
      shown += "<NUL>";
    } else {
      char code[8];
      std::snprintf(code, sizeof code, "<0x%02X>", byte);
      shown += code;
    }
  }
  return shown;
}

void RequirePlainFileName(const std::string& tableName) {
  const std::string kind = "The table name";
  if (tableName.empty()) Refuse(kind, tableName, "a table file needs a name");
  if (tableName == "." || tableName == "..") Refuse(kind, tableName, "it names a folder, not a file");
  for (const char c : tableName) {
    if (c == '/' || c == '\\') Refuse(kind, tableName, "a file name cannot hold a path separator");
    if (IsControl(static_cast<unsigned char>(c))) {
      Refuse(kind, tableName, "a file name cannot hold a control character or line break");
    }
  }
}

void RequireOracleIdentifier(const std::string& name) {
  const std::string kind = "The Oracle name";
  if (name.find('"') != std::string::npos) Refuse(kind, name, "a quoted identifier cannot hold a double quote");
  if (name.find('\0') != std::string::npos) Refuse(kind, name, "a quoted identifier cannot hold NUL");
}

void RequireNewTableName(TableSide side, const std::string& name) {
  RequireTableName(side, name);
  const std::string kind = side == TableSide::FoxPro ? "The table name" : "The Oracle name";
  if (name.find_first_not_of(' ') == std::string::npos) {
    Refuse(kind, name, "a table needs a name that is not all blanks");
  }
  if (name.front() == ' ' || name.back() == ' ') {
    Refuse(kind, name, "leading or trailing blanks would make a second table that looks like the first");
  }
  if (side == TableSide::Oracle) return;
  if (name.find('`') != std::string::npos) Refuse(kind, name, "a back-quote would end the name in FoxPro statements");
  if (name.find('\'') != std::string::npos) {
    Refuse(kind, name, "an apostrophe would end the file path in FoxPro statements");
  }
}

void RequireTableName(TableSide side, const std::string& name) {
  if (side == TableSide::FoxPro) {
    RequirePlainFileName(name);
  } else {
    RequireOracleIdentifier(name);
  }
}

void RequireNewContainerPath(const std::string& dbcPath) {
  const std::string fileName = foxpro::FileNameOf(dbcPath);
  const bool dbc = fileName.size() > 4 && foxpro::EndsWithIgnoringCase(fileName, ".dbc");
  if (!dbc) Refuse("The database container", dbcPath, "its file name must end in .dbc");
  RequireNewTableName(TableSide::FoxPro, foxpro::StemOf(fileName));
  if (!foxpro::IsFolder(foxpro::ParentFolder(dbcPath))) {
    Refuse("The database container", dbcPath, "its folder does not exist");
  }
}

}  // namespace connections
