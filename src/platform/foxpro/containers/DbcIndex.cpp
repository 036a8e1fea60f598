#include "platform/foxpro/containers/DbcIndex.h"

#include "platform/foxpro/containers/DbcFiles.h"
#include "platform/foxpro/tables/TableNames.h"

namespace foxpro {

std::string DbcIndex::Str(std::int64_t value) {
  std::string digits = std::to_string(value);
  if (digits.size() > 10) return std::string(10, '*');
  return std::string(10 - digits.size(), ' ') + digits;
}

std::string DbcIndex::Lower(std::string_view bytes, int codePage) {
  std::string out(bytes);
  for (char& c : out) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 'A' && u <= 'Z') {
      c = static_cast<char>(u + 32);
    } else if (codePage == 1252) {
      if ((u >= 0xC0 && u <= 0xDE && u != 0xD7) || u == 0x8A || u == 0x8C || u == 0x8E) {
        c = static_cast<char>(u + (u >= 0xC0 ? 0x20 : 0x10));
      } else if (u == 0x9F) {
        c = static_cast<char>(0xFF);
      }
    }
  }
  return out;
}

std::vector<CdxTagContent> DbcIndex::Tags(const std::vector<DbcObject>& objects, int codePage) {
  CdxTagContent name{"OBJECTNAME", "STR(parentid)+objecttype+LOWER(objectname)", ".NOT.DELETED()", 148, {}};
  CdxTagContent type{"OBJECTTYPE", "STR(parentid)+objecttype", ".NOT.DELETED()", 20, {}};
  for (const DbcObject& object : objects) {
    if (object.deleted) continue;
    std::string prefix = Str(object.parentId) + object.rawType;
    prefix.resize(20, ' ');
    std::string full = prefix + Lower(object.rawName, codePage);
    full.resize(148, ' ');
    type.keys.push_back({prefix, object.record});
    name.keys.push_back({full, object.record});
  }
  return {name, type};
}

std::string DbcIndex::PathFor(const std::string& dbcPath, FileSystem& fs) {
  const std::string wanted = ReplaceExtension(dbcPath, ExtensionOf(FileNameOf(dbcPath)) == "DBC" ? ".DCX" : ".dcx");
  const std::string existing = fs.FindIgnoringCase(wanted);
  return existing.empty() ? wanted : existing;
}

void DbcIndex::Rebuild(DbcTable& table, FileSystem& fs) {
  const std::vector<std::uint8_t> bytes = CdxWriter::Build(Tags(table.Objects(), table.CodePage()));
  const std::string target = PathFor(table.Path(), fs);
  const std::string temporary = target + ".tmp";
  if (fs.Exists(temporary)) fs.Remove(temporary);
  {
    auto file = fs.Open(temporary, OpenMode::CreateNew);
    file->WriteAt(0, bytes.data(), bytes.size());
    file->Sync();
  }
  ReplaceFile(fs, temporary, target);
}

}  // namespace foxpro
