// Index expressions as a FoxPro .cdx and Oracle's dictionary give them, read for the keys a
// typed copy carries.
#include <cstddef>
#include <cstdint>
#include <string>

#include "commands/transfer/KeyPlans.h"

namespace {

transfer::FoxProColumn Field(const char* name, char type) {
  transfer::FoxProColumn column;
  column.name = name;
  column.field.typeLetter = type;
  return column;
}

transfer::MappedColumn Column(const char* name, char type) {
  transfer::MappedColumn column;
  column.oracle.name = name;
  column.foxProName = name;
  column.mapping.field.typeLetter = type;
  return column;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::vector<transfer::FoxProColumn> fields = {Field("last", 'C'), Field("id", 'I'), Field("note", 'M')};
  const std::vector<transfer::MappedColumn> columns = {Column("LAST", 'C'), Column("ID", 'I'), Column("NOTE", 'M')};
  for (const bool primary : {false, true}) {
    const transfer::KeyPlan toOracle =
        transfer::KeysForOracle("T", {{text, text, "", false, primary, primary, false}}, fields, {text});
    // Every tag is either carried under a new name or said to be left behind.
    if (toOracle.carried.size() + toOracle.notCarried.size() != 1) __builtin_trap();
    const transfer::KeyPlan toFoxPro = transfer::KeysForFoxPro(
        "t.dbf", primary, {{text, primary ? transfer::KeyKind::Primary : transfer::KeyKind::Plain, {text}, false}},
        columns);
    if (toFoxPro.carried.size() + toFoxPro.notCarried.size() != 1) __builtin_trap();
    for (const transfer::CarriedKey& key : toFoxPro.carried) {
      if (key.name.size() > 10) __builtin_trap();
    }
  }
  return 0;
}
