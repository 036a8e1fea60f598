#include "commands/transfer/SendTablesToFoxPro.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "commands/transfer/CommandObjects.h"
#include "commands/transfer/Datatype.h"
#include "commands/transfer/FileRemoval.h"
#include "commands/transfer/FoxProNames.h"
#include "commands/transfer/ListHelpers.h"
#include "commands/transfer/RelationTransfer.h"
#include "commands/transfer/SqlHelpers.h"
#include "commands/transfer/TransferSteps.h"
#include "commands/transfer/TypedCopy.h"
#include "connections/ConnectionObject.h"
#include "connections/DoEvents.h"
#include "connections/FailureTrap.h"
#include "connections/Foxpro.h"
#include "connections/NameRules.h"
#include "connections/Oracle.h"
#include "platform/ado/Failure.h"
#include "platform/ado/Recordset.h"
#include "platform/ado/Types.h"
#include "platform/ado/Value.h"
#include "platform/foxpro/containers/DbcCatalog.h"
#include "platform/foxpro/tables/TableNames.h"

namespace transfer {
namespace {

std::string TablePathOf(const std::string& target, const connections::ConnectionFields& fields) {
  return FoxProTablePath(target, fields.DbcMode() ? kDbcFileMode : kFreeTableFolderMode, fields.DbcFile(),
                         fields.FreeTableFolder());
}

// Whether the FoxPro side's catalog (the container, or the folder) holds a table of that name.
bool InCatalog(ado::Connection& foxPro, const std::string& name) {
  if (!foxPro.IsOpen()) return false;  // the failed open has been reported; nothing to ask about
  const std::unique_ptr<ado::Recordset> tables = foxPro.OpenSchema(ado::adSchemaTables);
  bool found = false;
  for (; !tables->Eof(); tables->MoveNext()) {
    found = found || LowerCase(ado::ValueToText(tables->Fields("TABLE_NAME").Value)) == LowerCase(name);
  }
  tables->Close();
  return found;
}

// Before the first row the new file is not locked yet, and before the second the lock the
// first INSERT took proves to be on this run's file; after that the lock keeps other runs out,
// and a look now and then and before the last row catches programs that take no locks.
bool MayHaveBeenReplaced(long row, long rowCount) {
  constexpr long kRowsBetweenLooks = 4096;
  return row <= 1 || row % kRowsBetweenLooks == 0 || row == rowCount - 1;
}

// Where the new table's file goes: where the container's table of that name lives, else the
// container's or the folder's own place for it.
std::string NewTablePath(ado::Connection& foxPro, const std::string& target,
                         const connections::ConnectionFields& fields) {
  if (fields.DbcMode() && InCatalog(foxPro, target)) {
    // A damaged or hostile entry may name any file: only a table file is a table's place.
    const std::string lived = foxpro::DbcCatalog(fields.DbcFile()).Resolve(target).dbfPath;
    if (foxpro::IsTableFile(lived)) return lived;
  }
  return TablePathOf(target, fields);
}

}  // namespace

void SendTablesToFoxPro(connections::TablesWindowParts& window) { SendTablesToFoxPro(window, nullptr); }

// Every statement below runs through the trap with its own number: a failure shows the
// report (ending in the statement variable) and the command goes on with the next statement.
void SendTablesToFoxPro(connections::TablesWindowParts& window, TransferObserver* observer) {
  using connections::DoEvents;
  std::string sql;  // the statement variable: the CREATE TABLE or INSERT being built
  connections::FailureTrap trap(window.Prompts, kSendTablesToFoxProHandler, &sql, connections::StopButton::kOffered);
  trap.EndTableOnLostConnection();
  connections::ListBox& foxProList = window.List1;
  connections::ListBox& oracleList = window.List2;

  connections::ConnectionObject foxPro;
  connections::ConnectionObject oracle;
  RecordsetObject records;
  std::string source;
  std::string target;
  std::string tablePath;
  int answer = 0;
  const bool keepTypes = window.Fields.KeepTypes();
  std::vector<SentTable> sent;           // the typed tables made, for the relations between them
  std::set<std::string> filesOfThisRun;  // lower-cased targets: one file each, whatever the letter case

  trap.Step(100, [&] {
    foxPro.Create();
    oracle.Create();
    records.Create();
  });
  if (trap.Test(102, [&] { return oracleList.ListIndex() == -1; })) {
    trap.Step(104, [&] { window.Prompts.Tell("Please select a table to send."); });
    return;
  }
  trap.Step(106, [&] { window.Pointer.Set(connections::vbHourglass); });

  trap.Step(108, [&] { oracle->CursorLocation = ado::adUseClient; });
  trap.Step(110, [&] { oracle->CommandTimeout = 5000; });
  trap.Step(112, [&] { oracle->ConnectionTimeout = 5000; });
  trap.Step(114, [&] { oracle->Open(connections::OracleConnectionString(window.Fields)); });

  trap.Step(116, [&] { foxPro->Mode = ado::adModeReadWrite; });
  trap.Step(118, [&] { foxPro->CommandTimeout = 5000; });
  trap.Step(120, [&] { foxPro->ConnectionTimeout = 5000; });
  trap.Step(122, [&] { foxPro->CursorLocation = ado::adUseServer; });
  trap.Step(123, [&] { connections::CreateNewContainer(window.Fields); });
  trap.Step(124, [&] { foxPro->Open(connections::FoxProConnectionString(window.Fields)); });

  // A failing loop set-up still runs the loop body once, hence the fallback counts of 1.
  const int tableCount = trap.Value(126, 1, [&] { return oracleList.ListCount(); });
  bool reconnect = false;
  // The reports of a table left out before its rows are its own, not the next table's.
  const auto passOver = [&](const std::string& name) {
    if (observer != nullptr) observer->TableSkipped(name);
  };
  for (int i = tableCount - 1; i >= 0 && !trap.Stopped(); --i) {
    bool created = false;
    bool createTried = false;
    std::optional<FileIdentity> askedFile;  // a file the overwrite question was about
    if (trap.ConnectionLost()) {
      trap.ResumeAfterLostConnection();
      reconnect = true;
    }
    if (trap.Test(128, [&] { return !oracleList.Selected(i); })) continue;
    trap.Step(130, [&] { source = oracleList.List(i); });
    trap.Step(132, [&] { target = source; });
    // The source name stands in double quotes, the target name becomes a file in the chosen
    // folder: a name that could break out of either is refused and its table skipped.
    if (trap.Test(214, [&] {
          connections::RequireOracleIdentifier(source);
          connections::RequireNewTableName(connections::TableSide::FoxPro, target);
          return false;
        })) {
      passOver(source);
      continue;
    }
    // Names that differ only in letter case land on one file: the first of them is sent, a
    // later one would replace it unasked.
    if (trap.Test(216, [&] {
          if (filesOfThisRun.count(LowerCase(target)) != 0) {
            throw ado::Failure("The table " + source + " was not sent: its file would replace the table sent as " +
                               LowerCase(target) + " in this run, since FoxPro file names ignore letter case.");
          }
          return false;
        })) {
      passOver(source);
      continue;
    }
    // After a lost connection the next table sent opens it again; a server still out of
    // reach ends the run, since every table would fail alike.
    if (reconnect) {
      reconnect = false;
      trap.Step(218, [&] {
        if (oracle.IsOpen()) oracle->Close();
        oracle->Open(connections::OracleConnectionString(window.Fields));
      });
      if (!oracle.IsOpen()) break;
    }

    if (trap.Test(134, [&] { return ListContains(foxProList, target); })) {
      // The FoxPro list's spelling wins (the last matching item).
      const int listed = trap.Value(136, 1, [&] { return foxProList.ListCount(); });
      for (int j = 0; j < listed; ++j) {
        if (trap.Test(138, [&] { return LowerCase(foxProList.List(j)) == LowerCase(target); })) {
          trap.Step(140, [&] { target = foxProList.List(j); });
        }
      }
      trap.Step(142, [&] {
        answer = window.Prompts.AskOverwrite(target, connections::TableSide::FoxPro) ? connections::vbYes
                                                                                     : connections::vbNo;
      });
    } else {
      trap.Step(144, [&] { answer = 0; });
    }
    // The list may be stale: a table the catalog holds, or whose file is there all the same,
    // is asked about too, and Yes drops it like a listed one (which also unregisters it).
    if (trap.Test(146, [&] {
          return answer == 0 &&
                 (FindFileIgnoringCase(TablePathOf(target, window.Fields)) || InCatalog(*foxPro, target));
        })) {
      trap.Step(148, [&] {
        answer = window.Prompts.AskOverwrite(target, connections::TableSide::FoxPro) ? connections::vbYes
                                                                                     : connections::vbNo;
      });
    }
    if (trap.Test(150, [&] { return answer == connections::vbNo; })) {
      passOver(source);
      continue;
    }
    trap.Step(222, [&] { filesOfThisRun.insert(LowerCase(target)); });
    // A container's table is made again where it lived (an application may keep its tables in
    // a folder of their own, and another file may sit at the container's folder under the name).
    trap.Step(160, [&] { tablePath = NewTablePath(*foxPro, target, window.Fields); });
    // The old table goes only once the source has been read: a source that cannot be read
    // leaves it as it is. Only the very file the overwrite question was about may go besides.
    // A table of the catalog whose DROP failed stays, and so does everything else: the new
    // table could not take its place.
    const auto makeRoom = [&](int removalStep) {
      bool catalogTable = false;
      bool dropped = false;
      if (trap.Test(152, [&] { return answer == connections::vbYes; })) {
        // A table of the catalog goes with the DROP; a file the catalog does not hold is what
        // the question was about.
        trap.Step(220, [&] {
          catalogTable = InCatalog(*foxPro, target);
          if (!catalogTable) askedFile = IdentityOfFile(tablePath);
        });
        trap.Step(154, [&] {
          foxPro->Execute("DROP TABLE `" + target + "`");
          dropped = true;
        });
        trap.Step(156, [&] { RemoveListItem(foxProList, target); });
      }
      if (catalogTable && !dropped) return false;
      // Any other file at the path stays, and the CREATE TABLE reports it.
      trap.Step(removalStep, [&] {
        if (askedFile && askedFile == IdentityOfFile(tablePath)) RemoveFile(tablePath);
      });
      return true;
    };

    if (keepTypes) {
      TypedCopyParts parts{trap, sql, window.ProgressBar1, observer};
      created = SendTypedTableToFoxPro(
          parts, records, *oracle, source, *foxPro, target, tablePath,
          [&](const std::string&) { return makeRoom(306); }, !window.Fields.DbcMode(), window.Fields.CodePage());
      if (created) sent.push_back({source, target, tablePath});
    } else {
      trap.Step(158, [&] { records->Open("SELECT * FROM " + Quoted(source), *oracle); });
      long rowCount = 0;
      const bool sourceRead = records.IsOpen();
      if (sourceRead) trap.Step(176, [&] { rowCount = records->RecordCount(); });
      if (!sourceRead || !makeRoom(162)) {
        passOver(source);
      } else {
        trap.Step(164, [&] { sql = "CREATE TABLE '" + tablePath + "'("; });
        const int columnCount = trap.Value(166, 1, [&] { return records->FieldCount(); });
        for (int f = 0; f < columnCount; ++f) {
          trap.Step(168, [&] { DoEvents(); });
          trap.Step(170, [&] {
            const ado::Field& field = records->Fields(f);
            sql +=
                FoxProColumnName(field.Name) + FoxProColumnClause(DataTypeName(static_cast<std::int16_t>(field.Type)));
          });
        }
        trap.Step(172, [&] {
          RemoveLastCharacters(sql, 1);
          sql += ");";
        });
        std::optional<FileIdentity> createdFile;
        trap.Step(174, [&] {
          createTried = true;
          ExecuteCreate(*foxPro, sql, target, rowCount);
          created = true;
          createdFile = IdentityOfFile(tablePath);
        });

        if (observer != nullptr) observer->TableStarted(source, target, rowCount);
        if (observer != nullptr && createTried && !created) observer->TableNotCreated(rowCount);
        bool replaced = false;  // another program put its own file where this run's table was
        for (long r = 0; created && !replaced && r < rowCount && !trap.Interrupted(); ++r) {
          trap.Step(178, [&] { DoEvents(); });
          trap.Step(180, [&] { window.ProgressBar1.SetValue(ProgressPercent(r, rowCount)); });
          trap.Step(182, [&] { sql.assign("INSERT INTO '").append(tablePath).append("' VALUES('"); });
          const int valueCount = trap.Value(184, 1, [&] { return records->FieldCount(); });
          for (int f = 0; f < valueCount; ++f) {
            trap.Step(186, [&] { DoEvents(); });
            trap.Step(188, [&] {
              const ado::Field& field = records->Fields(f);
              AppendFoxProValueText(sql, field.Value, field.Type);
              sql += "', '";
            });
          }
          trap.Step(190, [&] {
            RemoveLastCharacters(sql, 3);
            sql += ")";
          });
          // Values carry their line breaks as CHR() joints, so this finds only breaks in names.
          trap.Step(192, [&] {
            sql.erase(std::remove(sql.begin(), sql.end(), '\r'), sql.end());
            sql.erase(std::remove(sql.begin(), sql.end(), '\n'), sql.end());
          });
          bool inserted = false;
          trap.Step(194, [&] {
            // Each statement finds the table by its path: rows go only into the file this run
            // made. From the second row on the session holds the file locked, so another run can
            // no longer remove it; the path is looked at again only now and then, against
            // programs that ignore locks.
            if (MayHaveBeenReplaced(r, rowCount) && IdentityOfFile(tablePath) != createdFile) {
              replaced = true;
              throw ado::Failure("The table file " + tablePath + " was replaced or removed by another program; its " +
                                 std::to_string(rowCount - r) + " remaining rows were not sent.");
            }
            ExecuteSql(*foxPro, sql);
            inserted = true;
          });
          if (observer != nullptr) observer->RowSent(inserted);
          trap.Step(196, [&] { records->MoveNext(); });
        }
      }
    }

    trap.Closing(198, [&] { window.Pointer.Set(connections::vbDefault); });
    trap.Closing(200, [&] { window.ProgressBar1.SetValue(0); });
    trap.Closing(202, [&] { window.ProgressBar1.SetText("Progress Bar"); });
    trap.Closing(
        204, [&] { return records.IsOpen(); }, [&] { records->Close(); });
    trap.Closing(
        206, [&] { return created; }, [&] { foxProList.AddItem(LowerCase(target)); });
    if (observer != nullptr) observer->TableEnded();
  }

  CarryRelationsToFoxPro(trap, sql, observer, *oracle, *foxPro, sent, window.Fields.DbcMode());
  trap.Closing(208, [&] { window.Pointer.Set(connections::vbDefault); });
  trap.Closing(
      210, [&] { return foxPro.IsOpen(); }, [&] { foxPro->Close(); });
  trap.Closing(
      212, [&] { return oracle.IsOpen(); }, [&] { oracle->Close(); });
}

}  // namespace transfer
