#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "platform/ado/Failure.h"
#include "platform/foxpro/containers/DbcCatalog.h"
#include "platform/foxpro/containers/DbcIndex.h"
#include "platform/foxpro/containers/DbcTable.h"
#include "platform/foxpro/indexes/CdxReader.h"
#include "platform/foxpro/sql/FoxProSession.h"
#include "platform/foxpro/tables/DbfReader.h"
#include "platform/foxpro/tables/DbfWriter.h"
#include "platform/foxpro/tables/TableNames.h"

namespace foxpro {
namespace {

namespace fs = std::filesystem;
const std::string kData = std::string(TESSELBY_TESTDATA_DIR) + "/foxpro/";

const std::vector<std::string> kNorthwindTables = {"Categories",
                                                   "Customers",
                                                   "Employees",
                                                   "OrderDetails",
                                                   "Orders",
                                                   "Products",
                                                   "Shippers",
                                                   "Suppliers",
                                                   "Territories",
                                                   "EmployeeTerritories",
                                                   "CustomerDemographics",
                                                   "CustomerCustomerDemo",
                                                   "Region"};

// A private copy of a fixture folder, removed at the end of the test.
class TempCopy {
 public:
  explicit TempCopy(const std::string& fixture) {
    std::string pattern = (fs::temp_directory_path() / "dbc-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    dir_ = pattern;
    for (const auto& entry : fs::directory_iterator(kData + fixture)) {
      fs::copy_file(entry.path(), dir_ / entry.path().filename());
      fs::permissions(dir_ / entry.path().filename(), fs::perms::owner_write, fs::perm_options::add);
    }
  }
  ~TempCopy() {
    std::error_code error;
    fs::remove_all(dir_, error);
  }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  std::string Dir() const { return dir_.string(); }

 private:
  fs::path dir_;
};

std::vector<std::vector<ado::Value>> Rows(const std::string& dbf) {
  auto reader = DbfReader::Open(dbf);
  std::vector<std::vector<ado::Value>> rows;
  std::vector<ado::Value> row;
  while (reader->Next(row)) rows.push_back(row);
  return rows;
}

std::vector<std::string> Names(const std::vector<CatalogEntry>& entries, const std::string& type) {
  std::vector<std::string> names;
  for (const CatalogEntry& e : entries) {
    if (e.type == type) names.push_back(e.name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> SortedCopy(std::vector<std::string> names) {
  std::sort(names.begin(), names.end());
  return names;
}

std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The container's index on disk holds exactly the keys its live records imply.
void ExpectIndexMatchesRecords(const std::string& dbc) {
  DbcTable table(dbc, DiskFileSystem());
  auto file = DiskFileSystem().Open(DbcIndex::PathFor(dbc, DiskFileSystem()), OpenMode::Read);
  CdxReader reader(*file);
  for (CdxTagContent& expected : DbcIndex::Tags(table.Objects(), table.CodePage())) {
    std::sort(expected.keys.begin(), expected.keys.end(), [](const CdxKey& a, const CdxKey& b) {
      return a.bytes != b.bytes ? a.bytes < b.bytes : a.record < b.record;
    });
    const CdxTag* tag = reader.FindTag(expected.name);
    ASSERT_NE(tag, nullptr);
    EXPECT_EQ(reader.Keys(*tag), expected.keys) << expected.name;
  }
}

// Rows of the .dbc as an independent reader (pgdbf) sees them: the number of COPY data lines.
int PgdbfRowCount(const std::string& dbc, const std::string& dct) {
  const std::string command = "pgdbf -P -m '" + dct + "' '" + dbc + "' 2>&1";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return -1;
  std::string output;
  std::array<char, 4096> buffer{};
  while (std::size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe)) output.append(buffer.data(), n);
  if (::pclose(pipe) != 0) return -1;
  const auto copy = output.find("FROM STDIN");
  if (copy == std::string::npos) return -1;
  const auto start = output.find('\n', copy) + 1;
  const auto end = output.find("\n\\.", start);
  return static_cast<int>(std::count(output.begin() + start, output.begin() + end + 1, '\n'));
}

std::vector<ColumnDefinition> NewColumns() {
  return {{"shipping_address_of_the_customer_long_40", 'C', 40, 0, true, false},
          {"shipping_address_second_line", 'C', 20, 0, false, false},
          {"amount", 'N', 12, 2, false, false},
          {"notes", 'M', 0, 0, true, false}};
}

TEST(DbcCatalogTest, ListsExactlyTheTablesAndViewsOfRealContainers) {
  DbcCatalog northwind(kData + "northwind/northwind.dbc");
  const auto entries = northwind.Entries();
  EXPECT_EQ(Names(entries, "TABLE"), SortedCopy(kNorthwindTables));
  EXPECT_EQ(Names(entries, "VIEW").size(), 17u);
  EXPECT_EQ(entries.size(), 30u);

  DbcCatalog books(kData + "vfp9-xsource-books/Books.DBC");
  EXPECT_EQ(Names(books.Entries(), "TABLE"),
            (std::vector<std::string>{"authors", "auto_ids", "bookauth", "books", "topics"}));
  EXPECT_EQ(Names(books.Entries(), "VIEW"), (std::vector<std::string>{"titles by author", "titles by topic"}));

  // Two of this container's records are deleted; they must not show up.
  DbcCatalog test(kData + "infused-dbf/foxprodb/FOXPRO-DB-TEST.DBC");
  EXPECT_EQ(Names(test.Entries(), "TABLE"), (std::vector<std::string>{"calls", "contacts", "setup", "types"}));
  EXPECT_TRUE(Names(test.Entries(), "VIEW").empty());
}

TEST(DbcCatalogTest, ResolvesEveryRealTableWithTheContainersFieldNames) {
  for (const std::string& dbc : {kData + "northwind/northwind.dbc", kData + "vfp9-xsource-books/Books.DBC",
                                 kData + "infused-dbf/foxprodb/FOXPRO-DB-TEST.DBC"}) {
    DbcCatalog catalog(dbc);
    for (const CatalogEntry& entry : catalog.Entries()) {
      if (entry.type != "TABLE") {
        EXPECT_THROW(catalog.Resolve(entry.name), ado::Failure) << entry.name;
        continue;
      }
      const TableLocation location = catalog.Resolve(entry.name);
      auto reader = DbfReader::Open(location.dbfPath);
      ASSERT_EQ(location.fieldNames.size(), reader->Fields().size()) << entry.name;
      for (std::size_t i = 0; i < location.fieldNames.size(); ++i) {
        // The .dbf keeps the first 10 characters of the long name, upper case.
        EXPECT_TRUE(EqualsIgnoringCase(location.fieldNames[i].substr(0, 8), reader->Fields()[i].name.substr(0, 8)))
            << location.fieldNames[i] << " vs " << reader->Fields()[i].name;
      }
    }
  }
  DbcCatalog northwind(kData + "northwind/northwind.dbc");
  const TableLocation employees = northwind.Resolve("EMPLOYEES");
  EXPECT_NE(std::find(employees.fieldNames.begin(), employees.fieldNames.end(), "titleofcourtesy"),
            employees.fieldNames.end());
  EXPECT_EQ(Rows(employees.dbfPath).size(), 9u);
  EXPECT_THROW(northwind.Resolve("nosuchtable"), ado::Failure);
}

TEST(DbcCatalogTest, FindsTableFilesThroughWindowsPathsIgnoringCase) {
  TempCopy copy("northwind");
  fs::create_directory(copy.Path("Sub"));
  fs::rename(copy.Path("region.dbf"), copy.Path("Sub/REGION.DBF"));
  fs::rename(copy.Path("northwind.dct"), copy.Path("NorthWind.DCT"));
  {
    DbcTable table(copy.Path("northwind.dbc"), DiskFileSystem());
    const auto region = std::find_if(table.Objects().begin(), table.Objects().end(),
                                     [](const DbcObject& o) { return o.name == "Region"; });
    ASSERT_NE(region, table.Objects().end());
    table.Rewrite(region->record, "Region",
                  {{kDbcPropertyClass, "\x01"}, {kDbcPropertyPath, std::string("sub\\region.dbf\0", 15)}});
  }
  DbcCatalog catalog(copy.Path("NORTHWIND.DBC"));
  EXPECT_EQ(catalog.Resolve("region").dbfPath, copy.Path("Sub/REGION.DBF"));
  EXPECT_EQ(Rows(catalog.Resolve("region").dbfPath).size(), 4u);
  // An absolute path from the machine that wrote the container falls back to the file name.
  {
    DbcTable table(copy.Path("northwind.dbc"), DiskFileSystem());
    const auto shippers = std::find_if(table.Objects().begin(), table.Objects().end(),
                                       [](const DbcObject& o) { return o.name == "Shippers"; });
    table.Rewrite(shippers->record, "Shippers",
                  {{kDbcPropertyClass, "\x01"}, {kDbcPropertyPath, std::string("C:\\NW\\Shippers.dbf\0", 19)}});
  }
  EXPECT_EQ(catalog.Resolve("shippers").dbfPath, copy.Path("shippers.dbf"));
}

TEST(DbcCatalogTest, DeclaringFieldsKeepsTheRecordsOtherProperties) {
  TempCopy copy("northwind");
  {
    DbcTable table(copy.Path("northwind.dbc"), DiskFileSystem());
    const auto region = std::find_if(table.Objects().begin(), table.Objects().end(),
                                     [](const DbcObject& o) { return o.name == "Region"; });
    table.Rewrite(region->record, "Region",
                  {{kDbcPropertyClass, "\x01"},
                   {kDbcPropertyPath, std::string("region.dbf\0", 11)},
                   {kDbcPropertyRuleExpression, std::string("NOT EMPTY(regionid)\0", 20)}});
  }
  DbcCatalog catalog(copy.Path("northwind.dbc"));
  TableDeclaration declared = catalog.Declaration("region");
  ASSERT_EQ(declared.fields.size(), 2u);
  declared.comment = "Regions, \u00e9t\u00e9";  // in the container's code page
  declared.fields[1] = {"RegionDescription", "\"none\"", "what it is", "Description", "", ""};
  catalog.Declare("region", declared);
  declared.fields[1].name = "regiondescription";
  EXPECT_EQ(DbcCatalog(copy.Path("northwind.dbc")).Declaration("region"), declared);
  // The table keeps its path and its own rule; it still resolves.
  DbcTable table(copy.Path("northwind.dbc"), DiskFileSystem());
  const auto region = std::find_if(table.Objects().begin(), table.Objects().end(),
                                   [](const DbcObject& o) { return o.name == "Region"; });
  const auto properties = table.Properties(*region);
  EXPECT_EQ(DbcPropertyText(properties.at(kDbcPropertyRuleExpression)), "NOT EMPTY(regionid)");
  EXPECT_EQ(catalog.Resolve("region").fieldNames.size(), 2u);
  EXPECT_THROW(catalog.Declare("region", {"", {{"nosuch", "1", "", "", "", ""}}}), ado::Failure);
  EXPECT_THROW(catalog.Declare("region", {"\u4e2d", {}}), ado::Failure);
}

TEST(DbcCatalogTest, OpenFailsClearlyForMissingFilesAndOtherTables) {
  auto expectFailure = [](const std::string& path, const std::string& text) {
    try {
      DbcCatalog catalog(path);
      FAIL() << path << " opened";
    } catch (const ado::Failure& failure) {
      EXPECT_NE(std::string(failure.what()).find(text), std::string::npos) << failure.what();
      EXPECT_NE(std::string(failure.what()).find(FileNameOf(path)), std::string::npos) << failure.what();
    }
  };
  expectFailure(kData + "northwind/nothere.dbc", "does not exist");
  expectFailure(kData + "northwind/region.dbf", "is not a database container");
  expectFailure(kData + "MANIFEST.md", "is not a database container");
  TempCopy copy("northwind");
  fs::remove(copy.Path("northwind.dct"));
  expectFailure(copy.Path("northwind.dbc"), "northwind.dct");
}

TEST(DbcCatalogTest, CreateTableRegistersTheTableTheWayVisualFoxProDoes) {
  TempCopy copy("northwind");
  const std::string dbc = copy.Path("northwind.dbc");
  const std::string before = FileText(dbc);
  const int pgdbfBefore = PgdbfRowCount(dbc, copy.Path("northwind.dct"));
  ASSERT_EQ(pgdbfBefore, 274);
  {
    DbcCatalog catalog(dbc);
    DbcCatalog other(dbc);  // a second connection on the same container sees the change
    catalog.CreateTable(copy.Path("newtable.DBF"), NewColumns());
    EXPECT_THROW(catalog.CreateTable(copy.Path("NEWTABLE.dbf"), NewColumns()), ado::Failure);
    EXPECT_THROW(other.CreateTable(copy.Path("sub/newtable.dbf"), NewColumns()), ado::Failure);
    EXPECT_EQ(Names(other.Entries(), "TABLE").size(), 14u);
  }
  DbcCatalog reopened(dbc);
  EXPECT_EQ(Names(reopened.Entries(), "TABLE").size(), 14u);
  const TableLocation location = reopened.Resolve("NewTable");
  EXPECT_EQ(location.dbfPath, copy.Path("newtable.DBF"));
  EXPECT_EQ(location.fieldNames, (std::vector<std::string>{"shipping_address_of_the_customer_long_40",
                                                           "shipping_address_second_line", "amount", "notes"}));
  {
    auto appender = DbfAppender::Open(location.dbfPath);
    appender->Append({"1 Main Street", "Suite 5", "12.50", "a note"});
  }
  auto reader = DbfReader::Open(location.dbfPath);
  EXPECT_EQ(reader->Fields()[0].name, "SHIPPING_A");
  EXPECT_EQ(reader->Fields()[1].name, "SHIPPING_2");
  EXPECT_EQ(reader->Backlink(), "northwind.dbc");
  std::vector<ado::Value> row;
  ASSERT_TRUE(reader->Next(row));
  EXPECT_EQ(ado::ValueToText(row[3]), "a note");

  // The container's new records: table, then its fields, with the minimal properties.
  DbcTable table(dbc, DiskFileSystem());
  ASSERT_EQ(table.Objects().size(), 279u);
  const DbcObject& added = table.Objects()[274];
  EXPECT_EQ(added.type, "Table");
  EXPECT_EQ(added.objectId, 275);
  EXPECT_EQ(added.parentId, 1);
  auto properties = table.Properties(added);
  EXPECT_EQ(properties[kDbcPropertyClass], "\x01");
  EXPECT_EQ(properties[kDbcPropertyPath], std::string("newtable.DBF\0", 13));
  for (std::size_t i = 275; i < 279; ++i) {
    EXPECT_EQ(table.Objects()[i].type, "Field");
    EXPECT_EQ(table.Objects()[i].parentId, 275);
    EXPECT_EQ(table.Objects()[i].propertyBlock, 0u);
  }
  // Every earlier record is byte for byte what it was.
  const std::string after = FileText(dbc);
  const std::size_t recordsEnd = 552 + 274 * 165;
  EXPECT_EQ(after.substr(8, recordsEnd - 8), before.substr(8, recordsEnd - 8));
  EXPECT_EQ(PgdbfRowCount(dbc, copy.Path("northwind.dct")), 279);
  ExpectIndexMatchesRecords(dbc);
}

TEST(DbcCatalogTest, DropTableRemovesItsRecordsAndFilesOnly) {
  TempCopy copy("northwind");
  const std::string dbc = copy.Path("northwind.dbc");
  std::map<std::string, std::vector<std::vector<ado::Value>>> rowsBefore;
  {
    DbcCatalog catalog(dbc);
    for (const std::string& name : kNorthwindTables) rowsBefore[name] = Rows(catalog.Resolve(name).dbfPath);
    catalog.CreateTable(copy.Path("scratch.dbf"), NewColumns());
  }
  ASSERT_TRUE(fs::exists(copy.Path("scratch.fpt")));
  {
    DbcCatalog catalog(dbc);
    catalog.DropTable("SCRATCH");
    EXPECT_THROW(catalog.Resolve("scratch"), ado::Failure);
    EXPECT_THROW(catalog.DropTable("scratch"), ado::Failure);
  }
  EXPECT_FALSE(fs::exists(copy.Path("scratch.dbf")));
  EXPECT_FALSE(fs::exists(copy.Path("scratch.fpt")));
  DbcCatalog reopened(dbc);
  EXPECT_EQ(Names(reopened.Entries(), "TABLE"), SortedCopy(kNorthwindTables));
  for (const std::string& name : kNorthwindTables) {
    const TableLocation location = reopened.Resolve(name);
    EXPECT_FALSE(location.fieldNames.empty()) << name;
    EXPECT_EQ(Rows(location.dbfPath), rowsBefore[name]) << name;
  }
  DbcTable table(dbc, DiskFileSystem());
  for (std::size_t i = 274; i < table.Objects().size(); ++i) EXPECT_TRUE(table.Objects()[i].deleted);
  for (std::size_t i = 0; i < 274; ++i) EXPECT_FALSE(table.Objects()[i].deleted);
  EXPECT_EQ(PgdbfRowCount(dbc, copy.Path("northwind.dct")), 274);  // pgdbf skips deleted rows
  ExpectIndexMatchesRecords(dbc);

  // Dropping a real table takes its field and index records with it.
  reopened.DropTable("Region");
  EXPECT_FALSE(fs::exists(copy.Path("region.dbf")));
  EXPECT_FALSE(fs::exists(copy.Path("region.cdx")));
  DbcTable after(dbc, DiskFileSystem());
  const auto live =
      std::count_if(after.Objects().begin(), after.Objects().end(), [](const DbcObject& o) { return !o.deleted; });
  EXPECT_EQ(live, 274 - 1 - 2 - 1);  // the table, its two fields, its index
  ExpectIndexMatchesRecords(dbc);
}

TEST(DbcCatalogTest, RenameTableChangesTheRecordAndTheFiles) {
  TempCopy copy("northwind");
  const std::string dbc = copy.Path("northwind.dbc");
  const auto rows = Rows(copy.Path("shippers.dbf"));
  {
    DbcCatalog catalog(dbc);
    EXPECT_THROW(catalog.RenameTable("Shippers", "region"), ado::Failure);
    catalog.RenameTable("Shippers", "carriers");
  }
  EXPECT_FALSE(fs::exists(copy.Path("shippers.dbf")));
  EXPECT_TRUE(fs::exists(copy.Path("carriers.dbf")));
  EXPECT_TRUE(fs::exists(copy.Path("carriers.cdx")));
  DbcCatalog reopened(dbc);
  const auto tables = Names(reopened.Entries(), "TABLE");
  EXPECT_NE(std::find(tables.begin(), tables.end(), "carriers"), tables.end());
  EXPECT_EQ(std::find(tables.begin(), tables.end(), "Shippers"), tables.end());
  const TableLocation location = reopened.Resolve("CARRIERS");
  EXPECT_EQ(Rows(location.dbfPath), rows);
  EXPECT_EQ(location.fieldNames.size(), 3u);
  ExpectIndexMatchesRecords(dbc);
}

TEST(DbcCatalogTest, ContainerWithUncountedRecordsIsReportedAndNotCut) {
  // Another program lowered the count by 100: the listing would miss tables, and a CREATE
  // would append over the uncounted records and cut the file.
  TempCopy copy("northwind");
  const std::string dbc = copy.Path("northwind.dbc");
  std::fstream file(dbc, std::ios::in | std::ios::out | std::ios::binary);
  std::uint8_t count[4];
  file.seekg(4).read(reinterpret_cast<char*>(count), 4);
  const std::uint32_t lowered = (count[0] | (count[1] << 8)) - 100u;
  count[0] = static_cast<std::uint8_t>(lowered);
  count[1] = static_cast<std::uint8_t>(lowered >> 8);
  file.seekp(4).write(reinterpret_cast<const char*>(count), 4);
  file.close();
  const std::string before = FileText(dbc);
  const std::string says = "holds " + std::to_string(lowered + 100);
  for (const auto& attempt : std::vector<std::function<void()>>{
           [&] { DbcCatalog(dbc).Entries(); },
           [&] { DbcCatalog(dbc).CreateTable(copy.Path("scratch.dbf"), NewColumns()); }}) {
    try {
      attempt();
      ADD_FAILURE() << "no failure";
    } catch (const ado::Failure& failure) {
      EXPECT_NE(std::string(failure.what()).find(says), std::string::npos) << failure.what();
    }
  }
  EXPECT_EQ(FileText(dbc), before);
  EXPECT_FALSE(fs::exists(copy.Path("scratch.dbf")));
}

TEST(DbcCatalogTest, FailedCreateLeavesNoFilesAndNoRegistration) {
  // On a full disk the new table's files cannot be written.
  MemoryFileSystem memory;
  for (const char* name : {"northwind.dbc", "northwind.dct", "northwind.dcx"}) {
    std::ifstream in(kData + "northwind/" + name, std::ios::binary);
    memory.Put(name, std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {}));
  }
  const std::vector<std::uint8_t> before = memory.Bytes("northwind.dbc");
  memory.SetSizeLimit(100);
  DbcCatalog catalog("northwind.dbc", memory);
  EXPECT_THROW(catalog.CreateTable("scratch.dbf", NewColumns()), ado::Failure);
  EXPECT_FALSE(memory.Exists("scratch.dbf"));
  EXPECT_FALSE(memory.Exists("scratch.fpt"));
  EXPECT_EQ(memory.Bytes("northwind.dbc"), before);
}

TEST(DbcCatalogTest, DropAndRenameTouchOnlyTheTablesOwnFiles) {
  // The container's path property of Shippers is pointed at a file that is not its table.
  for (const bool outside : {true, false}) {
    SCOPED_TRACE(outside ? "a file outside the folder" : "a table of no container");
    TempCopy copy("northwind");
    const fs::path victimDir = copy.Dir() + "-victim";
    fs::create_directory(victimDir);
    const std::string victim = (victimDir / "notes.txt").string();
    std::ofstream(victim) << "keep me";
    CreateVfpTable(copy.Path("free.dbf"), {{"C", 'C', 2}});
    const std::string target = outside ? "..\\" + victimDir.filename().string() + "\\notes.txt" : "free.dbf";
    const std::string dbc = copy.Path("northwind.dbc");
    {
      DbcTable table(dbc, DiskFileSystem());
      const auto shippers = std::find_if(table.Objects().begin(), table.Objects().end(),
                                         [](const DbcObject& o) { return o.type == "Table" && o.name == "Shippers"; });
      ASSERT_NE(shippers, table.Objects().end());
      table.Rewrite(shippers->record, "Shippers", {{kDbcPropertyPath, target + '\0'}});
    }
    DbcCatalog catalog(dbc);
    EXPECT_THROW(catalog.DropTable("shippers"), ado::Failure);
    EXPECT_THROW(catalog.RenameTable("shippers", "carriers"), ado::Failure);
    EXPECT_TRUE(fs::exists(victim));
    EXPECT_TRUE(fs::exists(copy.Path("free.dbf")));
    EXPECT_FALSE(fs::exists(copy.Path("carriers.dbf")));
    const auto tables = Names(catalog.Entries(), "TABLE");
    EXPECT_NE(std::find(tables.begin(), tables.end(), "Shippers"), tables.end());
    fs::remove_all(victimDir);
  }
}

// A child process creates and drops one table over and over; it is killed at a random moment.
// Whatever moment it was, the container opens and shows the table whole or not at all.
TEST(DbcCatalogTest, KillDuringCreateOrDropLeavesTheOldOrTheNewState) {
  TempCopy copy("northwind");
  const std::string dbc = copy.Path("northwind.dbc");
  // Kill moments spread over a few create-and-drop cycles, as long as one takes on this machine.
  const auto start = std::chrono::steady_clock::now();
  {
    DbcCatalog catalog(dbc);
    catalog.CreateTable(copy.Path("crashy.dbf"), NewColumns());
    catalog.DropTable("crashy");
  }
  const auto cycle = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
  const int longest = static_cast<int>(std::max<std::int64_t>(2000, 3 * cycle.count()));
  std::mt19937 random(20261207);
  std::map<std::size_t, int> seen;
  for (int round = 0; round < 40; ++round) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      try {
        for (;;) {
          DbcCatalog catalog(dbc);
          if (catalog.Entries().size() == 30) {
            catalog.CreateTable(copy.Path("crashy.dbf"), NewColumns());
          } else {
            catalog.DropTable("crashy");
          }
        }
      } catch (const std::exception& failure) {
        std::fprintf(stderr, "child: %s\n", failure.what());
      }
      ::_exit(3);
    }
    ::usleep(std::uniform_int_distribution<int>(0, longest)(random));
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the child stopped by itself in round " << round;

    DbcCatalog catalog(dbc);
    const auto entries = catalog.Entries();
    ASSERT_TRUE(entries.size() == 30 || entries.size() == 31) << entries.size();
    for (const std::string& name : kNorthwindTables) ASSERT_NO_THROW(catalog.Resolve(name)) << name;
    ++seen[entries.size()];
    if (entries.size() == 31) {
      const TableLocation location = catalog.Resolve("crashy");
      EXPECT_EQ(location.fieldNames.size(), 4u) << "round " << round;
      EXPECT_NO_THROW(Rows(location.dbfPath));
    } else {
      // A kill between the commit and the file removal may leave the old files: the next
      // CREATE of that name must still work, so clear them the way a user would.
      for (const char* leftover : {"crashy.dbf", "crashy.fpt"}) fs::remove(copy.Path(leftover));
    }
    ASSERT_GE(PgdbfRowCount(dbc, copy.Path("northwind.dct")), 274);
  }
  // Both outcomes must have come up, or the kills all fell at the same point.
  EXPECT_GT(seen[30], 0);
  EXPECT_GT(seen[31], 0);
}

// A container's records as the format sheet lays them out, read from the bytes alone: type,
// name, parent id, RIINFO, and the PROPERTY memo's values by id (texts without their NUL).
struct RawRecord {
  std::int32_t id = 0;
  std::int32_t parent = 0;
  std::string type, name, riInfo;
  std::map<int, std::string> properties;
};
std::vector<RawRecord> RawRecords(const std::string& dbc, const std::string& dct) {
  const std::string bytes = FileText(dbc), memo = FileText(dct);
  const auto u16 = [](const std::string& b, std::size_t at) {
    return static_cast<unsigned>(static_cast<unsigned char>(b[at])) |
           static_cast<unsigned>(static_cast<unsigned char>(b[at + 1])) << 8;
  };
  const auto le32 = [&](const std::string& b, std::size_t at) { return u16(b, at) | u16(b, at + 2) << 16; };
  const auto be32 = [](const std::string& b, std::size_t at) {
    unsigned v = 0;
    for (int i = 0; i < 4; ++i) v = v << 8 | static_cast<unsigned char>(b[at + i]);
    return v;
  };
  const auto trimmed = [](std::string text) {
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
  };
  const unsigned count = le32(bytes, 4), header = u16(bytes, 8), length = u16(bytes, 10);
  const unsigned blockSize =
      static_cast<unsigned>(static_cast<unsigned char>(memo[6])) << 8 | static_cast<unsigned char>(memo[7]);
  std::vector<RawRecord> records;
  for (unsigned r = 0; r < count; ++r) {
    const std::size_t at = header + std::size_t{r} * length;
    if (bytes[at] == '*') continue;
    RawRecord record;
    record.id = static_cast<std::int32_t>(le32(bytes, at + 1));
    record.parent = static_cast<std::int32_t>(le32(bytes, at + 5));
    record.type = trimmed(bytes.substr(at + 9, 10));
    record.name = trimmed(bytes.substr(at + 19, 128));
    record.riInfo = trimmed(bytes.substr(at + 155, 6));
    if (const unsigned block = le32(bytes, at + 147); block != 0) {
      const std::size_t start = std::size_t{block} * blockSize;
      const std::string value = memo.substr(start + 8, be32(memo, start + 4));
      for (std::size_t p = 0; p + 7 <= value.size();) {
        const unsigned size = le32(value, p);
        std::string text = value.substr(p + 7, size - 7);
        if (!text.empty() && text.back() == '\0') text.pop_back();
        record.properties[static_cast<unsigned char>(value[p + 6])] = text;
        p += size;
      }
    }
    records.push_back(std::move(record));
  }
  return records;
}

TEST(DbcCatalogTest, ANewContainerHasTheFormatsFieldsAndDatabaseRecordsAndReadersTakeIt) {
  TempCopy dir("vfp9-xsource-books");
  const std::string dbc = dir.Path("fresh.dbc");
  DbcCatalog::CreateEmpty(dbc);
  const std::string bytes = FileText(dbc);
  EXPECT_EQ(bytes[0], '\x30');
  EXPECT_EQ(bytes[28], '\x07');  // structural index, memo, database
  EXPECT_EQ(static_cast<unsigned char>(bytes[8]) | static_cast<unsigned char>(bytes[9]) << 8, 552);
  EXPECT_EQ(static_cast<unsigned char>(bytes[10]) | static_cast<unsigned char>(bytes[11]) << 8, 165);
  std::vector<std::string> names;
  for (const RawRecord& record : RawRecords(dbc, dir.Path("fresh.dct"))) {
    EXPECT_EQ(record.type, "Database");
    EXPECT_EQ(record.parent, 1);
    names.push_back(record.name);
  }
  EXPECT_EQ(names, (std::vector<std::string>{"Database", "TransactionLog", "StoredProceduresSource",
                                             "StoredProceduresObject", "StoredProceduresDependencies"}));
  EXPECT_EQ(RawRecords(dbc, dir.Path("fresh.dct"))[0].properties.at(24), std::string("\0\0\0\x0a", 4));
  EXPECT_TRUE(fs::exists(dir.Path("fresh.dcx")));
  ExpectIndexMatchesRecords(dbc);
  EXPECT_EQ(PgdbfRowCount(dbc, dir.Path("fresh.dct")), 5);
  DbcCatalog fresh(dbc);
  EXPECT_TRUE(fresh.Entries().empty());
  // A second one at the same place, or beside another's memo, is refused.
  EXPECT_THROW(DbcCatalog::CreateEmpty(dbc), ado::Failure);
  EXPECT_THROW(DbcCatalog::CreateEmpty(dir.Path("books.dbc")), ado::Failure);
}

TEST(DbcCatalogTest, RelationsAreReadWithTheirTagsAndRules) {
  DbcCatalog northwind(kData + "northwind/northwind.dbc");
  const std::vector<Relation> relations = northwind.Relations();
  EXPECT_EQ(relations.size(), 13u);
  const std::vector<Relation> expected = {
      {"Relation 2", "EmployeeTerritories", "employeeid", "Employees", "employeeid", "RCI"},
      {"Relation 1", "EmployeeTerritories", "territoryi", "Territories", "territoryi", "RRI"},
  };
  for (const Relation& relation : expected) {
    EXPECT_NE(std::find(relations.begin(), relations.end(), relation), relations.end()) << relation.name;
  }
  EXPECT_TRUE(DbcCatalog(kData + "vfp9-xsource-books/Books.DBC").Relations().size() == 3u);
}

// A relation added through the engine's statement: the child's tag made when missing, the
// record as Visual FoxPro writes one (checked byte by byte), and each refusal.
TEST(DbcCatalogTest, AddedRelationsAreRecordedAsVisualFoxProRecordsThem) {
  TempCopy dir("vfp9-xsource-books");
  const std::string dbc = dir.Path("fresh.dbc");
  DbcCatalog::CreateEmpty(dbc);
  auto session = FoxProSession::Open("Provider=vfpoledb.1;Data Source=" + dbc + ";");
  session->Execute("CREATE TABLE 'orders'([id] I, [code] C(4))");
  session->Execute("CREATE TABLE 'lines'([orderid] I, [qty] I)");
  session->Execute("ALTER TABLE 'orders' ADD PRIMARY KEY id TAG id");
  session->Execute("ALTER TABLE 'lines' ADD FOREIGN KEY orderid TAG orderid REFERENCES orders RIINFO 'RCR'");
  session->Execute("ALTER TABLE lines ADD FOREIGN KEY qty TAG qty REFERENCES orders TAG id");
  EXPECT_EQ(DbcCatalog(dbc).Relations(),
            (std::vector<Relation>{{"Relation 1", "lines", "orderid", "orders", "id", "RCR"},
                                   {"Relation 2", "lines", "qty", "orders", "id", ""}}));
  std::int32_t linesId = 0;
  std::vector<RawRecord> relations;
  for (const RawRecord& record : RawRecords(dbc, dir.Path("fresh.dct"))) {
    if (record.type == "Table" && record.name == "lines") linesId = record.id;
    if (record.type == "Relation") relations.push_back(record);
  }
  ASSERT_EQ(relations.size(), 2u);
  EXPECT_EQ(relations[0].parent, linesId);
  EXPECT_EQ(relations[0].name, "Relation 1");
  EXPECT_EQ(relations[0].riInfo, "RCR");
  EXPECT_EQ(relations[0].properties, (std::map<int, std::string>{{13, "orderid"}, {18, "orders"}, {19, "id"}}));
  ExpectIndexMatchesRecords(dbc);
  EXPECT_GT(PgdbfRowCount(dbc, dir.Path("fresh.dct")), 0);

  struct Refused {
    const char* statement;
    const char* says;
  };
  for (const Refused& c : std::vector<Refused>{
           {"ALTER TABLE lines ADD FOREIGN KEY qty TAG qty REFERENCES lines", "has no primary key"},
           {"ALTER TABLE lines ADD FOREIGN KEY qty TAG qty REFERENCES orders TAG code", "is not found"},
           {"ALTER TABLE lines ADD FOREIGN KEY qty TAG qty REFERENCES orders RIINFO 'XYZ'", "three letters"},
           {"ALTER TABLE lines ADD FOREIGN KEY qty TAG qty REFERENCES nothere", "nothere"},
       }) {
    try {
      session->Execute(c.statement);
      ADD_FAILURE() << c.statement;
    } catch (const ado::Failure& failure) {
      EXPECT_NE(failure.Description().find(c.says), std::string::npos) << failure.Description();
    }
  }
  EXPECT_EQ(DbcCatalog(dbc).Relations().size(), 2u);
}

}  // namespace
}  // namespace foxpro