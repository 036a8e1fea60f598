#include "commands/transfer/SendTablesToOracle.h"

#include <cstddef>
#include <cstdint>
#include <string>

#include "commands/transfer/CommandObjects.h"
#include "commands/transfer/Datatype.h"
#include "commands/transfer/ListHelpers.h"
#include "commands/transfer/OracleTableLock.h"
#include "commands/transfer/OracleValues.h"
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
#include "platform/ado/Types.h"

namespace transfer {
namespace {

// The command's steps in the order they are written and run; a failure report gives the step
// at position k the number 100 + 2k. A refused array's rows go again one INSERT each.
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
  OpenFoxPro,
  CountTables,
  // each table
  ReleaseTableLock,
  YieldBeforeTable,
  TestNotSelected,
  TakeTarget,
  TestTargetName,
  Reconnect,
  TakeTableLock,
  ListSpellings,
  TestListed,
  CountListed,
  TestSpelling,
  TakeSpelling,
  AskOverwrite,
  NotAsked,
  TestAnsweredNo,
  OpenSource,
  TestSourceUnusable,
  CloseUnusableSource,
  CountRows,
  TestAnsweredYes,
  DropTable,
  RemoveFromList,
  TypedCopy,
  TypedCopyEnd = TypedCopy + static_cast<int>(TypedToOracleStep::Count) - 1,
  BeginCreate,
  CountColumns,
  YieldBeforeColumn,
  AddColumn,
  EndCreate,
  Create,
  PrepareArrays,
  TestRows,
  YieldBeforeRow,
  Progress,
  BeginInsert,
  CountValues,
  YieldBeforeValue,
  AddValue,
  EndInsert,
  SendArray,
  YieldBeforeResend,
  Insert,
  NextRow,
  PointerAfterTable,
  ResetProgress,
  ProgressCaption,
  CloseSource,
  ListTarget,
  // after the tables
  CarryRelations,
  CloseFoxPro,
  CloseOracle,
  PointerAtEnd
};

constexpr const char* kUnlockedNote =
    "Oracle's DBMS_LOCK cannot be called by this user, so tables are sent without the lock that keeps "
    "two runs out of one table (GRANT EXECUTE ON SYS.DBMS_LOCK TO the user to have it).";

}  // namespace

void SendTablesToOracle(connections::TablesWindowParts& window) { SendTablesToOracle(window, nullptr); }

// Every statement below runs through the trap with its own number: a failure shows the
// report (ending in the statement variable) and the command goes on with the next statement.
void SendTablesToOracle(connections::TablesWindowParts& window, TransferObserver* observer, InsertPath path) {
  using connections::DoEvents;
  std::string sql;  // the statement variable: the CREATE TABLE or INSERT being built
  connections::FailureTrap trap(window.Prompts, kSendTablesToOracleHandler, &sql, connections::StopButton::kOffered);
  trap.EndTableOnLostConnection();
  connections::ListBox& foxProList = window.List1;
  connections::ListBox& oracleList = window.List2;

  connections::ConnectionObject foxPro;
  RecordsetObject records;
  connections::ConnectionObject oracle;
  std::string target;
  std::string text;  // one value's text, its buffer reused from value to value
  int answer = 0;
  InsertArrays arrays;  // the array path's rows of the current table
  bool useArrays = false;
  const bool keepTypes = window.Fields.KeepTypes();
  std::vector<SentTable> sent;  // the typed tables made, for the relations between them
  // A refused array goes again as its rows' own INSERTs, each failure reported as the
  // statement path reports it.
  // One row's own INSERT, the statement variable holding it.
  const auto sendStatement = [&] {
    bool inserted = false;
    trap.Step(Step::Insert, [&] {
      ExecuteSql(*oracle, sql);
      inserted = true;
    });
    if (observer != nullptr) observer->RowSent(inserted);
  };
  const auto sendArray = [&] {
    if (arrays.Rows() == 0) return;
    bool arrived = false;
    trap.Step(Step::SendArray, [&] { arrived = arrays.Send(); });
    if (arrived) {
      for (std::size_t row = 0; observer != nullptr && row < arrays.Rows(); ++row) observer->RowSent(true);
    } else {
      for (const std::string& statement : arrays.Statements()) {
        if (trap.Interrupted()) break;
        trap.Step(Step::YieldBeforeResend, [&] { DoEvents(); });
        sql = statement;
        sendStatement();
      }
    }
    arrays.Clear();
  };

  trap.Step(Step::CreateObjects, [&] {
    foxPro.Create();
    records.Create();
    oracle.Create();
  });
  if (trap.Test(Step::TestSelection, [&] { return foxProList.ListIndex() == -1; })) {
    trap.Step(Step::AskForSelection, [&] { window.Prompts.Tell("Please select a table"); });
    return;
  }
  trap.Step(Step::Hourglass, [&] { window.Pointer.Set(connections::vbHourglass); });

  trap.Step(Step::OracleCursor, [&] { oracle->CursorLocation = ado::adUseServer; });
  trap.Step(Step::OracleCommandTimeout, [&] { oracle->CommandTimeout = 5000; });
  trap.Step(Step::OracleConnectionTimeout, [&] { oracle->ConnectionTimeout = 5000; });
  trap.Step(Step::OpenOracle, [&] { oracle->Open(connections::OracleConnectionString(window.Fields)); });

  trap.Step(Step::FoxProMode, [&] { foxPro->Mode = ado::adModeReadWrite; });
  trap.Step(Step::FoxProCommandTimeout, [&] { foxPro->CommandTimeout = 5000; });
  trap.Step(Step::FoxProConnectionTimeout, [&] { foxPro->ConnectionTimeout = 5000; });
  trap.Step(Step::FoxProCursor, [&] { foxPro->CursorLocation = ado::adUseClient; });
  trap.Step(Step::OpenFoxPro, [&] { connections::OpenFoxPro(*foxPro, window.Fields); });

  // A failing loop set-up still runs the loop body once, hence the fallback counts of 1.
  const int tableCount = trap.Value(Step::CountTables, 1, [&] { return foxProList.ListCount(); });
  bool reconnect = false;
  // The reports of a table left out before its rows are its own, not the next table's.
  const auto passOver = [&](const std::string& name) {
    if (observer != nullptr) observer->TableSkipped(name);
  };
  OracleTableLock tableLock;
  bool unlockedSaid = false;
  for (int i = tableCount - 1; i >= 0 && !trap.Stopped(); --i) {
    bool created = false;
    bool createTried = false;
    if (trap.ConnectionLost()) {
      tableLock.Forget();
      trap.ResumeAfterLostConnection();
      reconnect = true;
    }
    // The previous table is done, whichever way it ended.
    trap.Closing(
        Step::ReleaseTableLock, [&] { return tableLock.Held(); }, [&] { tableLock.Release(*oracle); });
    trap.Step(Step::YieldBeforeTable, [&] { DoEvents(); });
    if (trap.Test(Step::TestNotSelected, [&] { return !foxProList.Selected(i); })) continue;
    // A typed copy names the Oracle table as Oracle folds names (or as recorded with it); the
    // lock, the overwrite question, the keys and the relations all take this name.
    trap.Step(Step::TakeTarget, [&] {
      target = foxProList.List(i);
      if (keepTypes) target = OracleTableName(*foxPro, target);
    });
    // The name stands between double quotes in every statement: one that could end them early
    // is refused and its table skipped, before anything is asked or sent.
    if (trap.Test(Step::TestTargetName, [&] {
          connections::RequireOracleIdentifier(target);
          return false;
        })) {
      passOver(foxProList.List(i));
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
    // From here to its last row the table is this run's alone: another run's DROP and CREATE
    // in between would take this run's later rows into that run's table.
    bool heldElsewhere = false;
    trap.Step(Step::TakeTableLock, [&] {
      heldElsewhere = !tableLock.Take(*oracle, window.Fields.OracleUser(), target);
      if (heldElsewhere) throw ado::Failure(OracleTableLock::HeldElsewhereText(target));
    });
    if (heldElsewhere) {
      passOver(foxProList.List(i));
      continue;
    }
    if (!tableLock.Available() && !unlockedSaid && observer != nullptr) {
      unlockedSaid = true;
      observer->Note(kUnlockedNote);
    }
    trap.Step(Step::ListSpellings, [&] { AddListedSpellings(*oracle, oracleList, target); });

    const std::string named = target;  // the name before the list's spelling wins
    if (trap.Test(Step::TestListed, [&] { return ListContains(oracleList, target); })) {
      // The Oracle list's spelling wins (the last matching item), since names are quoted.
      const int listed = trap.Value(Step::CountListed, 1, [&] { return oracleList.ListCount(); });
      for (int j = 0; j < listed; ++j) {
        if (trap.Test(Step::TestSpelling, [&] { return LowerCase(oracleList.List(j)) == LowerCase(target); })) {
          trap.Step(Step::TakeSpelling, [&] { target = oracleList.List(j); });
        }
      }
      trap.Step(Step::AskOverwrite, [&] {
        answer = window.Prompts.AskOverwrite(target, connections::TableSide::Oracle) ? connections::vbYes
                                                                                     : connections::vbNo;
      });
    } else {
      trap.Step(Step::NotAsked, [&] { answer = 0; });
    }
    if (trap.Test(Step::TestAnsweredNo, [&] { return answer == connections::vbNo; })) {
      passOver(foxProList.List(i));
      continue;
    }
    if (keepTypes && observer != nullptr && named != target) observer->Note(KeptSpellingNote(named, target));
    // The table is read before the old one is dropped, so that a field name that cannot be
    // quoted skips the table with nothing sent.
    trap.Step(Step::OpenSource, [&] {
      records->Open("SELECT * FROM `" + foxProList.List(i) + "`", *foxPro, ado::adOpenStatic, ado::adLockOptimistic);
    });
    // A source that could not be read has been reported already: the table stays as it is,
    // since nothing could take its place.
    if (trap.Test(Step::TestSourceUnusable, [&] {
          if (!records.IsOpen()) return true;
          for (int f = 0; f < records->FieldCount(); ++f) {
            connections::RequireOracleIdentifier(records->Fields(f).Name);
          }
          return false;
        })) {
      trap.Step(Step::CloseUnusableSource, [&] {
        if (records.IsOpen()) records->Close();
      });
      passOver(foxProList.List(i));
      continue;
    }
    long rowCount = 0;
    trap.Step(Step::CountRows, [&] { rowCount = records->RecordCount(); });
    if (trap.Test(Step::TestAnsweredYes, [&] { return answer == connections::vbYes; })) {
      trap.Step(Step::DropTable, [&] { oracle->Execute(OracleDropStatement(target, keepTypes)); });
      trap.Step(Step::RemoveFromList, [&] { RemoveListItem(oracleList, target); });
    }
    if (keepTypes) {
      TypedCopyParts parts{trap, sql, window.ProgressBar1, observer, Step::TypedCopy};
      created = SendTypedTableToOracle(parts, records, *foxPro, foxProList.List(i), *oracle, target);
      if (created) sent.push_back({foxProList.List(i), target, ""});
    } else {
      trap.Step(Step::BeginCreate, [&] { sql = "CREATE TABLE " + Quoted(target) + "("; });
      const int columnCount = trap.Value(Step::CountColumns, 1, [&] { return records->FieldCount(); });
      for (int f = 0; f < columnCount; ++f) {
        trap.Step(Step::YieldBeforeColumn, [&] { DoEvents(); });
        trap.Step(Step::AddColumn, [&] {
          const ado::Field& field = records->Fields(f);
          sql += OracleTextColumn(field.Name, field.Type);
        });
      }
      trap.Step(Step::EndCreate, [&] {
        RemoveLastCharacters(sql, 1);
        sql += ")";
      });
      trap.Step(Step::Create, [&] {
        createTried = true;
        ExecuteCreate(*oracle, sql, target, rowCount);
        created = true;
      });
      useArrays = created && path == InsertPath::Arrays && trap.Value(Step::PrepareArrays, false, [&] {
        return arrays.Prepare(*oracle, target, static_cast<std::size_t>(columnCount));
      });

      if (observer != nullptr) observer->TableStarted(foxProList.List(i), target, rowCount);
      if (observer != nullptr && createTried && !created) observer->TableNotCreated(rowCount);
      if (created && trap.Test(Step::TestRows, [&] { return !records->Eof(); })) {
        for (long r = 0; r < rowCount && !trap.Interrupted(); ++r) {
          trap.Step(Step::YieldBeforeRow, [&] { DoEvents(); });
          trap.Step(Step::Progress, [&] { window.ProgressBar1.SetValue(ProgressPercent(r, rowCount)); });
          trap.Step(Step::BeginInsert, [&] { sql.assign("INSERT INTO \"").append(target).append("\" VALUES('"); });
          const int valueCount = trap.Value(Step::CountValues, 1, [&] { return records->FieldCount(); });
          for (int f = 0; f < valueCount; ++f) {
            trap.Step(Step::YieldBeforeValue, [&] { DoEvents(); });
            trap.Step(Step::AddValue, [&] {
              // Null and empty text both travel as NULL; the open apostrophe is taken back.
              text.clear();
              AppendOracleValueText(text, records->Fields(f).Value);
              if (text.empty()) {
                RemoveLastCharacters(sql, 1);
                sql += "NULL, '";
              } else {
                AppendDoubledApostrophes(sql, text);
                sql += "', '";
              }
              if (useArrays) arrays.AddValue(text);
            });
          }
          trap.Step(Step::EndInsert, [&] {
            RemoveLastCharacters(sql, 3);
            sql += ")";
          });
          if (!useArrays) {
            sendStatement();
          } else if (arrays.EndRow(sql)) {
            // The last row sends what is gathered; a run stopped before it sends it below.
            if (arrays.Full() || r + 1 == rowCount) sendArray();
          } else {
            sendArray();
            sendStatement();
          }
          trap.Step(Step::NextRow, [&] { records->MoveNext(); });
        }
      }
      if (useArrays) sendArray();
    }

    trap.Closing(Step::PointerAfterTable, [&] { window.Pointer.Set(connections::vbDefault); });
    trap.Closing(Step::ResetProgress, [&] { window.ProgressBar1.SetValue(0); });
    trap.Closing(Step::ProgressCaption, [&] { window.ProgressBar1.SetText("Progress Bar"); });
    trap.Closing(
        Step::CloseSource, [&] { return records.IsOpen(); }, [&] { records->Close(); });
    trap.Closing(
        Step::ListTarget, [&] { return created; }, [&] { oracleList.AddItem(target); });
    if (observer != nullptr) observer->TableEnded();
  }

  CarryRelationsToOracle(trap, Step::CarryRelations, sql, observer, *foxPro, *oracle, sent);
  trap.Closing(
      Step::CloseFoxPro, [&] { return foxPro.IsOpen(); }, [&] { foxPro->Close(); });
  trap.Closing(
      Step::CloseOracle, [&] { return oracle.IsOpen(); }, [&] { oracle->Close(); });
  trap.Closing(Step::PointerAtEnd, [&] { window.Pointer.Set(connections::vbDefault); });
}

}  // namespace transfer
