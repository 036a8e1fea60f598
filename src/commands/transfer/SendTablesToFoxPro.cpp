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
#include "commands/transfer/TypedTables.h"
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

// The command's steps in the order they are written and run; a failure report gives the step
// at position k the number 100 + 2k. The typed copy reads its source, the old table makes room,
// then the typed copy writes: its two blocks stand around the steps that make room.
enum class Step {
  CreateObjects,
  TestSelection,
  AskForSelection,
  Hourglass,
  OracleCursor,
  OracleCommandTimeout,
  OracleConnectionTimeout,
  OpenOracle,
  FoxProMode,
  FoxProCommandTimeout,
  FoxProConnectionTimeout,
  FoxProCursor,
  MakeContainer,
  OpenFoxPro,
  CountTables,
  // each table
  TestNotSelected,
  TakeSource,
  TakeTarget,
  TestNames,
  TestCaseTwin,
  Reconnect,
  TestListed,
  CountListed,
  TestSpelling,
  TakeSpelling,
  AskOverwrite,
  NotAsked,
  TestUnlisted,
  AskOverwriteUnlisted,
  TestAnsweredNo,
  RememberFile,
  PlaceTable,
  TypedRead,
  TypedReadEnd = TypedRead + static_cast<int>(TypedFromOracleReadStep::Count) - 1,
  OpenSource,
  CountRows,
  TestAnsweredYes,
  IdentifyOldFile,
  DropTable,
  RemoveFromList,
  RemoveOldFile,
  TypedWrite,
  TypedWriteEnd = TypedWrite + static_cast<int>(TypedToFoxProWriteStep::Count) - 1,
  BeginCreate,
  CountColumns,
  YieldBeforeColumn,
  AddColumn,
  EndCreate,
  Create,
  YieldBeforeRow,
  Progress,
  BeginInsert,
  CountValues,
  YieldBeforeValue,
  AddValue,
  EndInsert,
  RemoveLineBreaks,
  Insert,
  NextRow,
  PointerAfterTable,
  ResetProgress,
  ProgressCaption,
  CloseSource,
  ListTarget,
  // after the tables
  CarryRelations,
  PointerAtEnd,
  CloseFoxPro,
  CloseOracle
};

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

  trap.Step(Step::CreateObjects, [&] {
    foxPro.Create();
    oracle.Create();
    records.Create();
  });
  if (trap.Test(Step::TestSelection, [&] { return oracleList.ListIndex() == -1; })) {
    trap.Step(Step::AskForSelection, [&] { window.Prompts.Tell("Please select a table to send."); });
    return;
  }
  trap.Step(Step::Hourglass, [&] { window.Pointer.Set(connections::vbHourglass); });

  trap.Step(Step::OracleCursor, [&] { oracle->CursorLocation = ado::adUseClient; });
  trap.Step(Step::OracleCommandTimeout, [&] { oracle->CommandTimeout = 5000; });
  trap.Step(Step::OracleConnectionTimeout, [&] { oracle->ConnectionTimeout = 5000; });
  trap.Step(Step::OpenOracle, [&] { oracle->Open(connections::OracleConnectionString(window.Fields)); });

  trap.Step(Step::FoxProMode, [&] { foxPro->Mode = ado::adModeReadWrite; });
  trap.Step(Step::FoxProCommandTimeout, [&] { foxPro->CommandTimeout = 5000; });
  trap.Step(Step::FoxProConnectionTimeout, [&] { foxPro->ConnectionTimeout = 5000; });
  trap.Step(Step::FoxProCursor, [&] { foxPro->CursorLocation = ado::adUseServer; });
  trap.Step(Step::MakeContainer, [&] { connections::CreateNewContainer(window.Fields); });
  trap.Step(Step::OpenFoxPro, [&] { connections::OpenFoxPro(*foxPro, window.Fields); });

  // A failing loop set-up still runs the loop body once, hence the fallback counts of 1.
  const int tableCount = trap.Value(Step::CountTables, 1, [&] { return oracleList.ListCount(); });
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
    if (trap.Test(Step::TestNotSelected, [&] { return !oracleList.Selected(i); })) continue;
    trap.Step(Step::TakeSource, [&] { source = oracleList.List(i); });
    trap.Step(Step::TakeTarget, [&] { target = keepTypes ? FoxProTableName(source) : source; });
    // The source name stands in double quotes, the target name becomes a file in the chosen
    // folder: a name that could break out of either is refused and its table skipped.
    if (trap.Test(Step::TestNames, [&] {
          connections::RequireOracleIdentifier(source);
          connections::RequireNewTableName(connections::TableSide::FoxPro, target);
          return false;
        })) {
      passOver(source);
      continue;
    }
    // Names that differ only in letter case land on one file: the first of them is sent, a
    // later one would replace it unasked.
    if (trap.Test(Step::TestCaseTwin, [&] {
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
      trap.Step(Step::Reconnect, [&] {
        if (oracle.IsOpen()) oracle->Close();
        oracle->Open(connections::OracleConnectionString(window.Fields));
      });
      if (!oracle.IsOpen()) break;
    }

    if (trap.Test(Step::TestListed, [&] { return ListContains(foxProList, target); })) {
      // The FoxPro list's spelling wins (the last matching item).
      const int listed = trap.Value(Step::CountListed, 1, [&] { return foxProList.ListCount(); });
      for (int j = 0; j < listed; ++j) {
        if (trap.Test(Step::TestSpelling, [&] { return LowerCase(foxProList.List(j)) == LowerCase(target); })) {
          trap.Step(Step::TakeSpelling, [&] { target = foxProList.List(j); });
        }
      }
      trap.Step(Step::AskOverwrite, [&] {
        answer = window.Prompts.AskOverwrite(target, connections::TableSide::FoxPro) ? connections::vbYes
                                                                                     : connections::vbNo;
      });
    } else {
      trap.Step(Step::NotAsked, [&] { answer = 0; });
    }
    // The list may be stale: a table the catalog holds, or whose file is there all the same,
    // is asked about too, and Yes drops it like a listed one (which also unregisters it).
    if (trap.Test(Step::TestUnlisted, [&] {
          return answer == 0 &&
                 (FindFileIgnoringCase(TablePathOf(target, window.Fields)) || InCatalog(*foxPro, target));
        })) {
      trap.Step(Step::AskOverwriteUnlisted, [&] {
        answer = window.Prompts.AskOverwrite(target, connections::TableSide::FoxPro) ? connections::vbYes
                                                                                     : connections::vbNo;
      });
    }
    if (trap.Test(Step::TestAnsweredNo, [&] { return answer == connections::vbNo; })) {
      passOver(source);
      continue;
    }
    trap.Step(Step::RememberFile, [&] { filesOfThisRun.insert(LowerCase(target)); });
    // A container's table is made again where it lived (an application may keep its tables in
    // a folder of their own, and another file may sit at the container's folder under the name).
    trap.Step(Step::PlaceTable, [&] { tablePath = NewTablePath(*foxPro, target, window.Fields); });
    // The old table goes only once the source has been read: a source that cannot be read
    // leaves it as it is. Only the very file the overwrite question was about may go besides.
    // A table of the catalog whose DROP failed stays, and so does everything else: the new
    // table could not take its place.
    const auto makeRoom = [&] {
      bool catalogTable = false;
      bool dropped = false;
      if (trap.Test(Step::TestAnsweredYes, [&] { return answer == connections::vbYes; })) {
        // A table of the catalog goes with the DROP; a file the catalog does not hold is what
        // the question was about.
        trap.Step(Step::IdentifyOldFile, [&] {
          catalogTable = InCatalog(*foxPro, target);
          if (!catalogTable) askedFile = IdentityOfFile(tablePath);
        });
        trap.Step(Step::DropTable, [&] {
          foxPro->Execute("DROP TABLE `" + target + "`");
          dropped = true;
        });
        trap.Step(Step::RemoveFromList, [&] { RemoveListItem(foxProList, target); });
      }
      if (catalogTable && !dropped) return false;
      // Any other file at the path stays, and the CREATE TABLE reports it.
      trap.Step(Step::RemoveOldFile, [&] {
        if (askedFile && askedFile == IdentityOfFile(tablePath)) RemoveFile(tablePath);
      });
      return true;
    };

    if (keepTypes) {
      TypedCopyParts parts{trap, sql, window.ProgressBar1, observer, Step::TypedRead, Step::TypedWrite};
      created = SendTypedTableToFoxPro(
          parts, records, *oracle, source, *foxPro, target, tablePath, [&](const std::string&) { return makeRoom(); },
          !window.Fields.DbcMode(), window.Fields.CodePage());
      if (created) sent.push_back({source, target, tablePath});
    } else {
      trap.Step(Step::OpenSource, [&] { records->Open("SELECT * FROM " + Quoted(source), *oracle); });
      long rowCount = 0;
      const bool sourceRead = records.IsOpen();
      if (sourceRead) trap.Step(Step::CountRows, [&] { rowCount = records->RecordCount(); });
      if (!sourceRead || !makeRoom()) {
        passOver(source);
      } else {
        trap.Step(Step::BeginCreate, [&] { sql = "CREATE TABLE '" + tablePath + "'("; });
        const int columnCount = trap.Value(Step::CountColumns, 1, [&] { return records->FieldCount(); });
        for (int f = 0; f < columnCount; ++f) {
          trap.Step(Step::YieldBeforeColumn, [&] { DoEvents(); });
          trap.Step(Step::AddColumn, [&] {
            const ado::Field& field = records->Fields(f);
            sql += FoxProTextColumn(field.Name, field.Type);
          });
        }
        trap.Step(Step::EndCreate, [&] {
          RemoveLastCharacters(sql, 1);
          sql += ");";
        });
        std::optional<FileIdentity> createdFile;
        trap.Step(Step::Create, [&] {
          createTried = true;
          ExecuteCreate(*foxPro, sql, target, rowCount);
          created = true;
          createdFile = IdentityOfFile(tablePath);
        });

        if (observer != nullptr) observer->TableStarted(source, target, rowCount);
        if (observer != nullptr && createTried && !created) observer->TableNotCreated(rowCount);
        bool replaced = false;  // another program put its own file where this run's table was
        for (long r = 0; created && !replaced && r < rowCount && !trap.Interrupted(); ++r) {
          trap.Step(Step::YieldBeforeRow, [&] { DoEvents(); });
          trap.Step(Step::Progress, [&] { window.ProgressBar1.SetValue(ProgressPercent(r, rowCount)); });
          trap.Step(Step::BeginInsert, [&] { sql.assign("INSERT INTO '").append(tablePath).append("' VALUES('"); });
          const int valueCount = trap.Value(Step::CountValues, 1, [&] { return records->FieldCount(); });
          for (int f = 0; f < valueCount; ++f) {
            trap.Step(Step::YieldBeforeValue, [&] { DoEvents(); });
            trap.Step(Step::AddValue, [&] {
              const ado::Field& field = records->Fields(f);
              AppendFoxProValueText(sql, field.Value, field.Type);
              sql += "', '";
            });
          }
          trap.Step(Step::EndInsert, [&] {
            RemoveLastCharacters(sql, 3);
            sql += ")";
          });
          // Values carry their line breaks as CHR() joints, so this finds only breaks in names.
          trap.Step(Step::RemoveLineBreaks, [&] {
            sql.erase(std::remove(sql.begin(), sql.end(), '\r'), sql.end());
            sql.erase(std::remove(sql.begin(), sql.end(), '\n'), sql.end());
          });
          bool inserted = false;
          trap.Step(Step::Insert, [&] {
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
          trap.Step(Step::NextRow, [&] { records->MoveNext(); });
        }
      }
    }

    trap.Closing(Step::PointerAfterTable, [&] { window.Pointer.Set(connections::vbDefault); });
    trap.Closing(Step::ResetProgress, [&] { window.ProgressBar1.SetValue(0); });
    trap.Closing(Step::ProgressCaption, [&] { window.ProgressBar1.SetText("Progress Bar"); });
    trap.Closing(
        Step::CloseSource, [&] { return records.IsOpen(); }, [&] { records->Close(); });
    trap.Closing(
        Step::ListTarget, [&] { return created; }, [&] { foxProList.AddItem(LowerCase(target)); });
    if (observer != nullptr) observer->TableEnded();
  }

  CarryRelationsToFoxPro(trap, Step::CarryRelations, sql, observer, *oracle, *foxPro, sent, window.Fields.DbcMode());
  trap.Closing(Step::PointerAtEnd, [&] { window.Pointer.Set(connections::vbDefault); });
  trap.Closing(
      Step::CloseFoxPro, [&] { return foxPro.IsOpen(); }, [&] { foxPro->Close(); });
  trap.Closing(
      Step::CloseOracle, [&] { return oracle.IsOpen(); }, [&] { oracle->Close(); });
}

}  // namespace transfer
