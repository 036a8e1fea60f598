#include "commands/transfer/RelationTransfer.h"

#include <algorithm>
#include <map>
#include <memory>

#include "commands/transfer/KeyTransfer.h"
#include "commands/transfer/SqlHelpers.h"
#include "commands/transfer/TypedTables.h"
#include "platform/ado/Failure.h"
#include "platform/ado/Recordset.h"
#include "platform/ado/Types.h"
#include "platform/foxpro/tables/TableNames.h"

namespace transfer {
namespace {

constexpr int kOrphansNamed = 3;

// Opens the query on a server-side cursor, which reads the rows only as they are wanted.
void OpenServerSide(ado::Recordset& records, const std::string& sql, ado::Connection& connection) {
  const int location = connection.CursorLocation;
  connection.CursorLocation = ado::adUseServer;
  try {
    records.Open(sql, connection);
  } catch (...) {
    connection.CursorLocation = location;
    throw;
  }
  connection.CursorLocation = location;
}

// The table's fields as the typed copy declared them, read without its rows.
std::vector<FoxProColumn> FoxProColumnsOf(ado::Connection& foxPro, const std::string& table) {
  ado::Recordset records;
  OpenServerSide(records, "SELECT * FROM `" + table + "`", foxPro);
  std::vector<FoxProColumn> columns = DeclaredColumnsOf(records);
  records.Close();
  ReadFoxProDeclarations(foxPro, table, columns);  // the columns' Oracle names
  return columns;
}

// The first rows of the child whose key has no parent row, as "(values)"; empty when none.
std::string FirstOrphans(ado::Connection& oracle, const CarriedRelation& key) {
  std::vector<std::string> childKey, filled, joined;
  for (std::size_t c = 0; c < key.childColumns.size(); ++c) {
    childKey.push_back("c." + Quoted(key.childColumns[c]));
    filled.push_back(childKey.back() + " IS NOT NULL");
    joined.push_back("p." + Quoted(key.parentColumns[c]) + " = " + childKey.back());
  }
  // The first few only: Oracle before 12c has no FETCH FIRST.
  ado::Recordset rows;
  OpenServerSide(rows,
                 "SELECT DISTINCT " + Joined(childKey, ", ") + " FROM " + Quoted(key.childTable) + " c WHERE " +
                     Joined(filled, " AND ") + " AND NOT EXISTS (SELECT 1 FROM " + Quoted(key.parentTable) +
                     " p WHERE " + Joined(joined, " AND ") + ") ORDER BY " + Joined(childKey, ", "),
                 oracle);
  std::vector<std::string> orphans;
  for (int n = 0; n < kOrphansNamed && !rows.Eof(); ++n, rows.MoveNext()) {
    std::vector<std::string> values;
    for (int f = 0; f < rows.FieldCount(); ++f) values.push_back(OracleText(TextOf(rows.Fields(f).Value)));
    orphans.push_back("(" + Joined(values, ", ") + ")");
  }
  rows.Close();
  return Joined(orphans, ", ");
}

// Runs each relation's statement; the failures, one line each, in one report at the end.
template <typename Run, typename Explain>
void MakeRelations(std::string& sql, TransferObserver* observer, const RelationPlan& plan, Run run, Explain explain) {
  if (observer != nullptr) {
    for (const RelationNote& note : plan.notes) observer->Note(note.text);
  }
  std::vector<std::string> failures;
  std::vector<std::string> tables;
  std::string failedStatement;
  for (const CarriedRelation& relation : plan.carried) {
    try {
      run(relation);
      if (observer != nullptr) observer->Note("carried: " + relation.statement);
    } catch (const ado::Failure& failure) {
      failures.push_back(explain(relation, failure.Description()));
      for (const std::string* table : {&relation.childTable, &relation.parentTable}) {
        if (std::find(tables.begin(), tables.end(), *table) == tables.end()) tables.push_back(*table);
      }
      if (failedStatement.empty()) failedStatement = relation.statement;
    }
  }
  if (failures.empty()) return;
  sql = failedStatement;
  throw ado::Failure("The rows of tables " + Joined(tables, ", ") +
                     " stay, without these relations: " + Joined(failures, "; "));
}

}  // namespace

std::vector<FoxProRelation> ReadFoxProRelations(ado::Connection& foxPro) {
  std::vector<FoxProRelation> relations;
  const std::unique_ptr<ado::Recordset> rows = foxPro.OpenForeignKeysSchema();
  const auto text = [&](const char* name) { return TextOf(rows->Fields(name).Value); };
  for (; !rows->Eof(); rows->MoveNext()) {
    relations.push_back(
        {text("CHILD_TABLE"), text("CHILD_TAG"), text("PARENT_TABLE"), text("PARENT_TAG"), text("RIINFO")});
  }
  rows->Close();
  return relations;
}

std::vector<OracleForeignKey> ReadOracleForeignKeys(ado::Connection& oracle) {
  std::vector<OracleForeignKey> keys;
  std::map<std::string, std::size_t> childOf, parentOf;  // constraint name -> its keys' places
  for (const auto& row : DictionaryRows(oracle,
                                        "SELECT c.CONSTRAINT_NAME, c.TABLE_NAME, c.DELETE_RULE, p.TABLE_NAME, "
                                        "p.CONSTRAINT_NAME FROM USER_CONSTRAINTS c, USER_CONSTRAINTS p "
                                        "WHERE c.CONSTRAINT_TYPE = 'R' AND p.CONSTRAINT_NAME = c.R_CONSTRAINT_NAME "
                                        "ORDER BY c.TABLE_NAME, c.CONSTRAINT_NAME")) {
    childOf[row[0]] = keys.size();
    parentOf[row[4]] = keys.size();
    keys.push_back({row[0], row[1], {}, row[3], {}, row[2]});
  }
  if (keys.empty()) return keys;
  // A parent key serves several foreign keys: each takes its columns.
  std::map<std::string, std::vector<std::string>> columnsOf;
  for (const auto& row :
       DictionaryRows(oracle,
                      "SELECT CONSTRAINT_NAME, COLUMN_NAME FROM USER_CONS_COLUMNS ORDER BY CONSTRAINT_NAME, "
                      "POSITION")) {
    columnsOf[row[0]].push_back(row[1]);
  }
  std::map<std::string, std::string> parentKeyOf;
  for (const auto& row : DictionaryRows(oracle,
                                        "SELECT CONSTRAINT_NAME, R_CONSTRAINT_NAME FROM USER_CONSTRAINTS "
                                        "WHERE CONSTRAINT_TYPE = 'R'")) {
    parentKeyOf[row[0]] = row[1];
  }
  // What the keys cannot hold of their relations, as the child tables' comments record it.
  std::map<std::string, NameRecord> recordOf;
  for (const auto& row :
       DictionaryRows(oracle, "SELECT TABLE_NAME, COMMENTS FROM USER_TAB_COMMENTS WHERE COMMENTS IS NOT NULL")) {
    recordOf[row[0]] = SplitNameRecord(row[1], NameSide::FoxPro).names;
  }
  for (OracleForeignKey& key : keys) {
    key.childColumns = columnsOf[key.name];
    key.parentColumns = columnsOf[parentKeyOf[key.name]];
  }
  OrderAsRecorded(keys, recordOf);
  return keys;
}

void CarryRelationsToOracle(connections::FailureTrap& trap, connections::StepNumber step, std::string& sql,
                            TransferObserver* observer, ado::Connection& foxPro, ado::Connection& oracle,
                            const std::vector<SentTable>& sent) {
  if (sent.empty() || trap.Stopped()) return;
  trap.Step(step, [&] {
    sql.clear();  // no statement of the tables' is to blame for what reading the relations meets
    const std::vector<FoxProRelation> relations = ReadFoxProRelations(foxPro);
    if (relations.empty()) return;
    std::vector<SentFoxProTable> tables;
    for (const SentTable& table : sent) {
      tables.push_back(
          {table.source, table.target, ReadFoxProTags(foxPro, table.source), FoxProColumnsOf(foxPro, table.source)});
    }
    const RelationPlan plan = ForeignKeysForOracle(relations, tables, OracleNamesInUse(oracle));
    MakeRelations(
        sql, observer, plan,
        [&](const CarriedRelation& key) {
          ExecuteSql(oracle, key.statement);
          if (key.recordedRiInfo.empty()) return;
          // The table's comment again, whole, with the rules the key cannot hold.
          const auto rows = DictionaryRows(
              oracle, "SELECT COMMENTS FROM USER_TAB_COMMENTS WHERE TABLE_NAME = " + OracleText(key.childTable));
          ExecuteSql(oracle, OracleTableCommentStatement(key.childTable,
                                                         CommentWithRelation(rows.empty() ? std::string() : rows[0][0],
                                                                             key.name, key.recordedRiInfo)));
        },
        [&](const CarriedRelation& key, const std::string& message) {
          const std::string orphans = FirstOrphans(oracle, key);
          return "foreign key " + key.name +
                 (orphans.empty() ? " failed: " + message
                                  : ": rows of " + key.childTable + " without a parent in " + key.parentTable + ", " +
                                        orphans + " (" + message + ")");
        });
  });
}

void CarryRelationsToFoxPro(connections::FailureTrap& trap, connections::StepNumber step, std::string& sql,
                            TransferObserver* observer, ado::Connection& oracle, ado::Connection& foxPro,
                            const std::vector<SentTable>& sent, bool container) {
  if (sent.empty() || trap.Stopped()) return;
  trap.Step(step, [&] {
    sql.clear();
    const std::vector<OracleForeignKey> keys = ReadOracleForeignKeys(oracle);
    if (keys.empty()) return;
    std::vector<SentOracleTable> tables;
    for (const SentTable& table : sent) {
      tables.push_back({table.source, table.tablePath,
                        container ? ReadFoxProTags(foxPro, foxpro::StemOf(foxpro::FileNameOf(table.tablePath)))
                                  : std::vector<FoxProTag>{},
                        MapOracleTable(oracle, table.source, !container)});
    }
    MakeRelations(
        sql, observer, RelationsForFoxPro(keys, tables, container),
        [&](const CarriedRelation& relation) { ExecuteSql(foxPro, relation.statement); },
        [](const CarriedRelation& relation, const std::string& message) {
          return "relation " + relation.name + " failed: " + message;
        });
  });
}

}  // namespace transfer
