#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/ado/Connection.h"
#include "platform/ado/Failure.h"
#include "platform/ado/Recordset.h"
#include "platform/ado/Types.h"
#include "platform/foxpro/containers/DbcCatalog.h"
#include "platform/foxpro/sql/Provider.h"
#include "platform/foxpro/tables/DbfReader.h"
#include "support/MakeTempFolder.h"

namespace foxpro {
namespace {

namespace fs = std::filesystem;
const std::string kData = std::string(TESSELBY_TESTDATA_DIR) + "/foxpro/";
const std::string kLongName = "customer_shipping_address_line_number_01";  // 40 characters

struct Rows {
  std::vector<std::string> names;
  std::vector<std::vector<ado::Value>> values;
  bool operator==(const Rows&) const = default;
};

class DbcProviderTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { RegisterFoxProProvider(); }

  void TearDown() override {
    if (!copy_.empty()) {
      std::error_code error;
      fs::remove_all(copy_, error);
    }
  }

  std::string CopyNorthwind() {
    copy_ = support::MakeTempFolder("dbc-provider");
    for (const auto& entry : fs::directory_iterator(kData + "northwind")) {
      fs::copy_file(entry.path(), copy_ / entry.path().filename());
      fs::permissions(copy_ / entry.path().filename(), fs::perms::owner_write, fs::perm_options::add);
    }
    return (copy_ / "northwind.dbc").string();
  }

  static std::unique_ptr<ado::Connection> Open(const std::string& dbc) {
    auto connection = std::make_unique<ado::Connection>();
    connection->CursorLocation = ado::adUseClient;
    connection->Mode = ado::adModeReadWrite;
    connection->Open("Provider=vfpoledb.1;Data Source=" + dbc + ";Collating Sequence=machine;");
    return connection;
  }

  static std::vector<std::pair<std::string, std::string>> Schema(ado::Connection& connection) {
    std::vector<std::pair<std::string, std::string>> entries;
    for (auto rs = connection.OpenSchema(ado::adSchemaTables); !rs->Eof(); rs->MoveNext()) {
      entries.emplace_back(ado::ValueToText(rs->Fields("TABLE_TYPE").Value),
                           ado::ValueToText(rs->Fields("TABLE_NAME").Value));
    }
    std::sort(entries.begin(), entries.end());
    return entries;
  }

  static Rows Select(ado::Connection& connection, const std::string& table) {
    ado::Recordset rs;
    rs.Open("SELECT * FROM `" + table + "`", connection, ado::adOpenStatic, ado::adLockOptimistic);
    Rows rows;
    for (int i = 0; i < rs.FieldCount(); ++i) rows.names.push_back(rs.Fields(i).Name);
    for (; !rs.Eof(); rs.MoveNext()) {
      std::vector<ado::Value> row;
      for (int i = 0; i < rs.FieldCount(); ++i) row.push_back(rs.Fields(i).Value);
      rows.values.push_back(std::move(row));
    }
    return rows;
  }

  fs::path copy_;
};

// What the container's own records say: every live table and view, read independently of the
// provider through the catalog, with the live row count of each table's file.
TEST_F(DbcProviderTest, TablesSchemaAndSelectShowEveryRealContainerTable) {
  const std::map<std::string, std::size_t> expectedCounts = {{"northwind/northwind.dbc", 30},
                                                             {"vfp9-xsource-books/Books.DBC", 7},
                                                             {"infused-dbf/foxprodb/FOXPRO-DB-TEST.DBC", 4}};
  for (const auto& [name, count] : expectedCounts) {
    const std::string dbc = kData + name;
    auto connection = Open(dbc);
    const auto schema = Schema(*connection);
    EXPECT_EQ(schema.size(), count) << name;
    DbcCatalog catalog(dbc);
    std::vector<std::pair<std::string, std::string>> expected;
    for (const CatalogEntry& entry : catalog.Entries()) expected.emplace_back(entry.type, entry.name);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(schema, expected) << name;

    for (const auto& [type, table] : schema) {
      if (type != "TABLE") continue;
      const Rows rows = Select(*connection, table);
      const TableLocation location = catalog.Resolve(table);
      EXPECT_EQ(rows.names, location.fieldNames) << table;
      auto reader = DbfReader::Open(location.dbfPath);
      std::size_t live = 0;
      std::vector<ado::Value> row;
      while (reader->Next(row)) ++live;
      EXPECT_EQ(rows.values.size(), live) << table;
    }
  }
  auto northwind = Open(kData + "northwind/northwind.dbc");
  const Rows employees = Select(*northwind, "Employees");
  EXPECT_NE(std::find(employees.names.begin(), employees.names.end(), "titleofcourtesy"), employees.names.end());
  EXPECT_EQ(employees.values.size(), 9u);
}

TEST_F(DbcProviderTest, CreateInsertSelectReopenAndDropOnACopyOfNorthwind) {
  const std::string dbc = CopyNorthwind();
  std::map<std::string, Rows> before;
  {
    auto connection = Open(dbc);
    for (const auto& [type, table] : Schema(*connection)) {
      if (type == "TABLE") before[table] = Select(*connection, table);
    }
    ASSERT_EQ(before.size(), 13u);
    const std::string file = (copy_ / "longnames.DBF").string();
    connection->Execute("CREATE TABLE '" + file + "'([" + kLongName + "] C(40),[remark] M);");
    connection->Execute("INSERT INTO '" + file + "' VALUES('Main St 1', 'it''s here')");
    const Rows rows = Select(*connection, "longnames");
    EXPECT_EQ(rows.names, (std::vector<std::string>{kLongName, "remark"}));
    ASSERT_EQ(rows.values.size(), 1u);
    EXPECT_EQ(ado::ValueToText(rows.values[0][1]), "it's here");
  }
  {
    auto connection = Open(dbc);
    const auto schema = Schema(*connection);
    EXPECT_NE(std::find(schema.begin(), schema.end(), std::make_pair(std::string("TABLE"), std::string("longnames"))),
              schema.end());
    EXPECT_EQ(Select(*connection, "LONGNAMES").names.front(), kLongName);
    connection->Execute("DROP TABLE `longnames`");
  }
  for (const auto& entry : fs::directory_iterator(copy_)) {
    EXPECT_NE(entry.path().stem().string(), "longnames") << entry.path();  // .DBF and .FPT both gone
  }
  auto connection = Open(dbc);
  const auto schema = Schema(*connection);
  EXPECT_EQ(schema.size(), 30u);
  for (const auto& [table, rows] : before) EXPECT_EQ(Select(*connection, table), rows) << table;
}

}  // namespace
}  // namespace foxpro
