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
    trap.Step(186, [&] {
      ExecuteSql(*oracle, sql);
      inserted = true;
    });
    if (observer != nullptr) observer->RowSent(inserted);
  };
  const auto sendArray = [&] {
    if (arrays.Rows() == 0) return;
    bool arrived = false;
    trap.Step(185, [&] { arrived = arrays.Send(); });
    if (arrived) {
      for (std::size_t row = 0; observer != nullptr && row < arrays.Rows(); ++row) observer->RowSent(true);
    } else {
      for (const std::string& statement : arrays.Statements()) {
        if (trap.Interrupted()) break;
        trap.Step(187, [&] { DoEvents(); });
        sql = statement;
        sendStatement();
      }
    }
    arrays.Clear();
  };

  trap.Step(100, [&] {
    foxPro.Create();
    records.Create();
    oracle.Create();
  });
  if (trap.Test(102, [&] { return foxProList.ListIndex() == -1; })) {
    trap.Step(104, [&] { window.Prompts.Tell("Please select a table"); });
    return;
  }
  trap.Step(106, [&] { window.Pointer.Set(connections::vbHourglass); });

  trap.Step(108, [&] { oracle->CursorLocation = ado::adUseServer; });
  trap.Step(110, [&] { oracle->CommandTimeout = 5000; });
  trap.Step(112, [&] { oracle->ConnectionTimeout = 5000; });
  trap.Step(114, [&] { oracle->Open(connections::OracleConnectionString(window.Fields)); });

  trap.Step(116, [&] { foxPro->Mode = ado::adModeReadWrite; });
  trap.Step(118, [&] { foxPro->CommandTimeout = 5000; });
  trap.Step(120, [&] { foxPro->ConnectionTimeout = 5000; });
  trap.Step(122, [&] { foxPro->CursorLocation = ado::adUseClient; });
  trap.Step(124, [&] { foxPro->Open(connections::FoxProConnectionString(window.Fields)); });

  // A failing loop set-up still runs the loop body once, hence the fallback counts of 1.
  const int tableCount = trap.Value(126, 1, [&] { return foxProList.ListCount(); });
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
        218, [&] { return tableLock.Held(); }, [&] { tableLock.Release(*oracle); });
    trap.Step(128, [&] { DoEvents(); });
    if (trap.Test(130, [&] { return !foxProList.Selected(i); })) continue;
    trap.Step(132, [&] { target = foxProList.List(i); });
    // The name stands between double quotes in every statement: one that could end them early
    // is refused and its table skipped, before anything is asked or sent.
    if (trap.Test(206, [&] {
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
      trap.Step(212, [&] {
        if (oracle.IsOpen()) oracle->Close();
        oracle->Open(connections::OracleConnectionString(window.Fields));
      });
      if (!oracle.IsOpen()) break;
    }
    // From here to its last row the table is this run's alone: another run's DROP and CREATE
    // in between would take this run's later rows into that run's table.
    bool heldElsewhere = false;
    trap.Step(214, [&] {
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
    trap.Step(216, [&] { AddListedSpellings(*oracle, oracleList, target); });

    if (trap.Test(134, [&] { return ListContains(oracleList, target); })) {
      // The Oracle list's spelling wins (the last matching item), since names are quoted.
      const int listed = trap.Value(136, 1, [&] { return oracleList.ListCount(); });
      for (int j = 0; j < listed; ++j) {
        if (trap.Test(138, [&] { return LowerCase(oracleList.List(j)) == LowerCase(target); })) {
          trap.Step(140, [&] { target = oracleList.List(j); });
        }
      }
      trap.Step(142, [&] {
        answer = window.Prompts.AskOverwrite(target, connections::TableSide::Oracle) ? connections::vbYes
                                                                                     : connections::vbNo;
      });
    } else {
      trap.Step(144, [&] { answer = 0; });
    }
    if (trap.Test(146, [&] { return answer == connections::vbNo; })) {
      passOver(foxProList.List(i));
      continue;
    }
    // The table is read before the old one is dropped, so that a field name that cannot be
    // quoted skips the table with nothing sent.
    trap.Step(154, [&] {
      records->Open("SELECT * FROM `" + foxProList.List(i) + "`", *foxPro, ado::adOpenStatic, ado::adLockOptimistic);
    });
    // A source that could not be read has been reported already: the table stays as it is,
    // since nothing could take its place.
    if (trap.Test(208, [&] {
          if (!records.IsOpen()) return true;
          for (int f = 0; f < records->FieldCount(); ++f) {
            connections::RequireOracleIdentifier(records->Fields(f).Name);
          }
          return false;
        })) {
      trap.Step(210, [&] {
        if (records.IsOpen()) records->Close();
      });
      passOver(foxProList.List(i));
      continue;
    }
    long rowCount = 0;
    trap.Step(168, [&] { rowCount = records->RecordCount(); });
    if (trap.Test(148, [&] { return answer == connections::vbYes; })) {
      trap.Step(150, [&] { oracle->Execute(OracleDropStatement(target, keepTypes)); });
      trap.Step(152, [&] { RemoveListItem(oracleList, target); });
    }
    if (keepTypes) {
      TypedCopyParts parts{trap, sql, window.ProgressBar1, observer};
      created = SendTypedTableToOracle(parts, records, *foxPro, foxProList.List(i), *oracle, target);
      if (created) sent.push_back({foxProList.List(i), target, ""});
    } else {
      trap.Step(156, [&] { sql = "CREATE TABLE " + Quoted(target) + "("; });
      const int columnCount = trap.Value(158, 1, [&] { return records->FieldCount(); });
      for (int f = 0; f < columnCount; ++f) {
        trap.Step(160, [&] { DoEvents(); });
        trap.Step(162, [&] {
          const ado::Field& field = records->Fields(f);
          sql +=
              Quoted(field.Name) + OracleColumnClause(LowerCase(DataTypeName(static_cast<std::int16_t>(field.Type))));
        });
      }
      trap.Step(164, [&] {
        RemoveLastCharacters(sql, 1);
        sql += ")";
      });
      trap.Step(166, [&] {
        createTried = true;
        ExecuteCreate(*oracle, sql, target, rowCount);
        created = true;
      });
      useArrays = created && path == InsertPath::Arrays && trap.Value(167, false, [&] {
        return arrays.Prepare(*oracle, target, static_cast<std::size_t>(columnCount));
      });

      if (observer != nullptr) observer->TableStarted(foxProList.List(i), target, rowCount);
      if (observer != nullptr && createTried && !created) observer->TableNotCreated(rowCount);
      if (created && trap.Test(170, [&] { return !records->Eof(); })) {
        for (long r = 0; r < rowCount && !trap.Interrupted(); ++r) {
          trap.Step(172, [&] { DoEvents(); });
          trap.Step(174, [&] { window.ProgressBar1.SetValue(ProgressPercent(r, rowCount)); });
          trap.Step(176, [&] { sql.assign("INSERT INTO \"").append(target).append("\" VALUES('"); });
          const int valueCount = trap.Value(178, 1, [&] { return records->FieldCount(); });
          for (int f = 0; f < valueCount; ++f) {
            trap.Step(180, [&] { DoEvents(); });
            trap.Step(182, [&] {
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
          trap.Step(184, [&] {
            RemoveLastCharacters(sql, 3);
            sql += ")";
          });
          if (!useArrays) {
            sendStatement();
          } else if (arrays.EndRow(sql)) {
            if (arrays.Full()) sendArray();
          } else {
            sendArray();
            sendStatement();
          }
          trap.Step(188, [&] { records->MoveNext(); });
        }
      }
      if (useArrays) sendArray();
    }

    trap.Closing(190, [&] { window.Pointer.Set(connections::vbDefault); });
    trap.Closing(192, [&] { window.ProgressBar1.SetValue(0); });
    trap.Closing(194, [&] { window.ProgressBar1.SetText("Progress Bar"); });
    trap.Closing(
        196, [&] { return records.IsOpen(); }, [&] { records->Close(); });
    trap.Closing(
        198, [&] { return created; }, [&] { oracleList.AddItem(target); });
    if (observer != nullptr) observer->TableEnded();
  }

  CarryRelationsToOracle(trap, sql, observer, *foxPro, *oracle, sent);
  trap.Closing(
      200, [&] { return foxPro.IsOpen(); }, [&] { foxPro->Close(); });
  trap.Closing(
      202, [&] { return oracle.IsOpen(); }, [&] { oracle->Close(); });
  trap.Closing(204, [&] { window.Pointer.Set(connections::vbDefault); });
}

}  // namespace transfer
