#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "platform/ado/Failure.h"
#include "platform/ado/Provider.h"
#include "platform/foxpro/DbfTestSupport.h"
#include "platform/foxpro/sql/FoxProSession.h"
#include "platform/foxpro/tables/Calendar.h"
#include "platform/foxpro/tables/CodePage.h"
#include "platform/foxpro/tables/DbfReader.h"
#include "platform/foxpro/tables/DbfWriter.h"

// GCC 12 at -O2 takes the variant inside the aggregate case tables below for uninitialized.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

namespace foxpro {
namespace {

using test::Render;
using test::TempFolder;

std::unique_ptr<FoxProSession> OpenFolder(const TempFolder& dir) {
  return FoxProSession::Open("Provider=vfpoledb.1;Data Source=" + dir.Path().string() + ";", 1);
}

// The INSERT with one marker per field that typed copies prepare.
std::string InsertWithMarkers(const std::string& table, std::size_t fields) {
  std::string sql = "INSERT INTO '" + table + "' VALUES(";
  for (std::size_t i = 0; i < fields; ++i) sql += i == 0 ? "?" : ", ?";
  return sql + ")";
}

std::vector<std::vector<std::string>> SelectRendered(FoxProSession& session, const std::string& table) {
  auto rows = session.Query("SELECT * FROM '" + table + "'");
  std::vector<std::vector<std::string>> rendered;
  std::vector<ado::Value> row;
  while (rows->Next(row)) {
    rendered.emplace_back();
    for (const ado::Value& value : row) rendered.back().push_back(Render(value));
  }
  return rendered;
}

std::vector<ado::RowRefusal> SendRows(FoxProSession& session, const std::string& table,
                                      const std::vector<std::vector<ado::Value>>& rows) {
  ado::ValueRows values(rows.front().size());
  for (const auto& row : rows)
    for (const auto& value : row) values.Add(value);
  auto arrays = session.PrepareArrays(InsertWithMarkers(table, values.Columns()), values.Columns());
  if (!arrays) throw ado::Failure("no arrays");
  return arrays->SendValues(values);
}

struct TypedCase {
  const char* column;  // as CREATE TABLE declares it
  ado::Value written;
  std::string reads;  // Render of the value read back
};

TEST(TypedValues, EveryTypeReadsBackExactlyAndNullStaysNull) {
  const std::string megabyte(1 << 20, 'm');
  const TypedCase cases[] = {
      {"C C(10) NULL", std::string("Привет"), "s:Привет    "},
      {"V V(10) NULL", std::string("Жук"), "s:Жук"},
      {"M M NULL", megabyte, "s:" + megabyte},
      {"MB M NOCPTRANS NULL", ado::Bytes{0, 1, 255}, "x:0001ff"},
      {"CB C(3) NOCPTRANS NULL", ado::Bytes{1, 2, 3}, "x:010203"},
      {"Q Q(16) NULL", ado::Bytes{0xDE, 0xAD}, "x:dead"},
      {"W W NULL", ado::Bytes{0, 0x1A, 0xFF}, "x:001aff"},
      {"G G NULL", ado::Bytes{7}, "x:07"},
      {"N20 N(20,0) NULL", ado::Decimal{"12345678901234567891"}, "n:12345678901234567891"},
      {"N204 N(20,4) NULL", ado::Decimal{"-12345678901234.5678"}, "n:-12345678901234.5678"},
      {"NI N(10,2) NULL", std::int64_t{42}, "n:42.00"},
      {"ND N(10,3) NULL", 0.1, "n:0.100"},
      {"F F(10,2) NULL", ado::Decimal{"3.14"}, "n:3.14"},
      {"I I NULL", std::int64_t{-2147483647}, "i:-2147483647"},
      {"B B(2) NULL", 1.0 / 3, "d:0.333333333333333"},
      {"BD B NULL", ado::Decimal{"0.1"}, "d:0.1"},
      {"YMAX Y NULL", ado::Currency{std::numeric_limits<std::int64_t>::max()}, "y:922337203685477.5807"},
      {"YMIN Y NULL", ado::Currency{std::numeric_limits<std::int64_t>::min()}, "y:-922337203685477.5808"},
      {"YD Y NULL", ado::Decimal{"-12.5"}, "y:-12.5000"},
      {"D D NULL", ado::Date{2024, 2, 29}, "D:2024-02-29"},
      {"T T NULL", ado::DateTime{{2024, 2, 29}, 23, 59, 58, 123}, "T:2024-02-29 23:59:58.123"},
      {"TD T NULL", ado::Date{9999, 12, 31}, "T:9999-12-31 00:00:00"},
      {"L L NULL", true, "L:true"},
      {"L0 L NULL", std::int64_t{0}, "L:false"},
  };
  std::string create = "CREATE TABLE 'typed' CODEPAGE=1251 (";
  std::vector<ado::Value> values, nulls;
  std::vector<std::string> reads, nullReads;
  for (const TypedCase& c : cases) {
    create += std::string(c.column) + ", ";
    values.push_back(c.written);
    nulls.push_back(ado::Null{});
    reads.push_back(c.reads);
    nullReads.push_back("NULL");
  }
  create += "ID I AUTOINC NEXTVALUE 5 STEP 2)";
  values.push_back(ado::Null{});
  nulls.push_back(ado::Null{});
  reads.push_back("i:5");
  nullReads.push_back("i:7");

  TempFolder dir;
  auto session = OpenFolder(dir);
  session->Execute(create);
  const auto refused = SendRows(*session, "typed", {values, nulls});
  for (const auto& refusal : refused) ADD_FAILURE() << refusal.row << ": " << refusal.message;
  const auto rows = SelectRendered(*session, "typed");
  ASSERT_EQ(rows.size(), 2u);
  for (std::size_t i = 0; i < reads.size(); ++i) {
    SCOPED_TRACE(i < std::size(cases) ? cases[i].column : "ID");
    EXPECT_TRUE(rows[0][i] == reads[i]) << rows[0][i].substr(0, 80);  // a megabyte memo prints badly
    EXPECT_EQ(rows[1][i], nullReads[i]);
  }
}

TEST(TypedValues, SelectDeclaresEachFieldAsCreated) {
  TempFolder dir;
  auto session = OpenFolder(dir);
  session->Execute(
      "CREATE TABLE 'd' (A C(40) NULL, B N(20,4), C I NULL AUTOINC NEXTVALUE 5 STEP 1, D M NOCPTRANS, "
      "E B(8,3), F Q(9))");
  const auto fields = session->Query("SELECT * FROM 'd'")->Fields();
  const ado::DeclaredField expected[] = {{'C', 40, 0, true, false, false, 0}, {'N', 20, 4, false, false, false, 0},
                                         {'I', 4, 0, true, false, true, 5},   {'M', 4, 0, false, true, false, 0},
                                         {'B', 8, 3, false, false, false, 0}, {'Q', 9, 0, false, false, false, 0}};
  ASSERT_EQ(fields.size(), std::size(expected));
  for (std::size_t i = 0; i < fields.size(); ++i) EXPECT_EQ(fields[i].declared, expected[i]) << fields[i].name;
}

TEST(TypedValues, RefusedRowsComeBackNamedAndTheOthersStay) {
  struct Bad {
    std::size_t column;
    ado::Value value;
    const char* mentions;
  };
  const Bad bad[] = {
      {0, std::string("\xCE\xA9"), "character U+03A9"},  // not in cp1252
      {0, std::string("abcd"), "too long"},
      {0, ado::Null{}, "does not accept null"},
      {1, ado::Decimal{"1000"}, "overflow"},
      {1, true, "not a number"},
      {2, std::int64_t{2147483648}, "overflow"},
      {2, ado::Decimal{"1.5"}, "not a whole number"},
      {3, ado::Decimal{"0.10000000000000000001"}, "cannot hold it exactly"},
      {4, ado::Decimal{"1.23456"}, "four decimals"},
      {4, ado::Decimal{"922337203685477.5808"}, "overflow"},
      {5, ado::Date{2023, 2, 29}, "out of range"},
      {6, ado::DateTime{{10000, 1, 1}, 0, 0, 0, 0}, "out of range"},
      {7, std::int64_t{2}, "logical"},
      {8, ado::Bytes{1, 2, 3}, "too long"},
      {9, ado::Bytes{1}, "not text"},
  };
  const std::vector<ado::Value> good{std::string("ok"),    ado::Decimal{"1.5"},   std::int64_t{1}, 1.5,
                                     ado::Currency{10000}, ado::Date{2020, 1, 1}, ado::DateTime{}, false,
                                     ado::Bytes{1, 2},     std::string("memo")};
  TempFolder dir;
  auto session = OpenFolder(dir);
  session->Execute("CREATE TABLE 'r' (CF C(3), NF N(5,2), IF I, BF B, YF Y, DF D, TF T, LF L, QF Q(2), MF M)");
  std::vector<std::vector<ado::Value>> rows{good};
  for (const Bad& b : bad) {
    rows.push_back(good);
    rows.back()[b.column] = b.value;
  }
  rows.push_back(good);
  const auto refused = SendRows(*session, "r", rows);
  ASSERT_EQ(refused.size(), std::size(bad));
  const char* names[] = {"CF", "NF", "IF", "BF", "YF", "DF", "TF", "LF", "QF", "MF"};
  for (std::size_t i = 0; i < std::size(bad); ++i) {
    SCOPED_TRACE(bad[i].mentions);
    EXPECT_EQ(refused[i].row, i + 1);
    EXPECT_NE(refused[i].message.find(bad[i].mentions), std::string::npos) << refused[i].message;
    EXPECT_NE(refused[i].message.find(names[bad[i].column]), std::string::npos) << refused[i].message;
  }
  EXPECT_EQ(SelectRendered(*session, "r").size(), 2u);
}

TEST(TypedValues, ArraysHoldTheTableLockedUntilDestroyed) {
  TempFolder dir;
  auto session = OpenFolder(dir);
  session->Execute("CREATE TABLE 'k' (A I)");
  auto arrays = session->PrepareArrays(InsertWithMarkers("k", 1), 1);
  ASSERT_NE(arrays, nullptr);
  EXPECT_THROW(DbfAppender::Open(dir / "k.dbf", DiskFileSystem(), 1), ado::Failure);
  arrays.reset();
  EXPECT_NO_THROW(DbfAppender::Open(dir / "k.dbf", DiskFileSystem(), 1));
  EXPECT_EQ(session->PrepareArrays("SELECT * FROM 'k'", 0), nullptr);
}

struct CodePageCase {
  int codePage;
  std::uint8_t mark;
  const char* text;
};

TEST(TypedValues, CodePageMarksTheHeaderAndEncodesTheText) {
  const CodePageCase cases[] = {
      {437, 0x01, "Ç"},        {850, 0x02, "é"},      {1252, 0x03, "€"},     {10000, 0x04, "é"},
      {852, 0x64, "ł"},        {866, 0x65, "Жук"},    {865, 0x66, "ø"},      {857, 0x6B, "ş"},
      {1250, 0xC8, "ł"},       {1251, 0xC9, "Жук"},   {1253, 0xCB, "Ω"},     {1254, 0xCA, "ş"},
      {1255, 0x7D, "שלום"},    {1256, 0x7E, "عربي"},  {874, 0x7C, "ไทย"},    {932, 0x7B, "日本語テキスト"},
      {936, 0x7A, "中文文本"}, {949, 0x79, "한국어"}, {950, 0x78, "中文字"},
  };
  for (const CodePageCase& c : cases) {
    SCOPED_TRACE(c.codePage);
    TempFolder dir;
    auto session = OpenFolder(dir);
    session->Execute("CREATE TABLE 'cp' CODEPAGE=" + std::to_string(c.codePage) + " (V V(30), M M)");
    const auto refused = SendRows(*session, "cp", {{std::string(c.text), std::string(c.text)}});
    ASSERT_TRUE(refused.empty()) << refused.front().message;
    const auto reader = DbfReader::Open(dir / "cp.dbf");
    EXPECT_EQ(reader->CodePageMark(), c.mark);
    std::vector<ado::Value> row;
    ASSERT_TRUE(reader->Next(row));
    EXPECT_EQ(Render(row[0]), std::string("s:") + c.text);
    EXPECT_EQ(Render(row[1]), std::string("s:") + c.text);
  }
}

TEST(TypedValues, PgdbfReadsACyrillicTableInItsCodePage) {
  if (std::system("command -v pgdbf >/dev/null 2>&1") != 0) GTEST_SKIP() << "pgdbf is not installed";
  TempFolder dir;
  auto session = OpenFolder(dir);
  session->Execute("CREATE TABLE 'ru' CODEPAGE=1251 (NAME C(20), PRICE N(20,4))");
  ASSERT_TRUE(SendRows(*session, "ru", {{std::string("Щука"), ado::Decimal{"123456789012345.6789"}}}).empty());
  session->Close();
  const std::string out = dir / "ru.sql";
  const int status = std::system(("pgdbf -s cp1251 '" + (dir / "ru.dbf") + "' > '" + out + "' 2>&1").c_str());
  std::ifstream file(out);
  const std::string dump((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  ASSERT_EQ(status, 0) << dump;
  EXPECT_NE(dump.find("Щука"), std::string::npos) << dump;
  EXPECT_NE(dump.find("123456789012345.6789"), std::string::npos) << dump;
}

// Each connection is handed its code page for unmarked tables: two in one process may differ.
TEST(TypedValues, UnmarkedTablesAreReadAndWrittenInTheCodePageTheirConnectionIsHanded) {
  TempFolder dir;
  CreateOptions unmarked;
  unmarked.codePageMark = 0;
  CreateVfpTable(dir / "u.dbf", {{"A", 'C', 3}}, unmarked);
  const std::string source = "Provider=vfpoledb.1;Data Source=" + dir.Path().string() + ";";
  const auto open = [&](int codePage) { return FoxProSession::Open(source, 1, codePage); };
  const auto first = [&](FoxProSession& session) {
    auto rows = session.Query("SELECT * FROM u");
    std::vector<ado::Value> row;
    EXPECT_TRUE(rows->Next(row));
    return Render(row.at(0));
  };
  auto cyrillic = open(866);
  ASSERT_TRUE(SendRows(*cyrillic, "u", {{std::string("Жук")}}).empty());
  auto oem = open(kOemDefaultCodePage);
  EXPECT_EQ(first(*cyrillic), "s:Жук");
  EXPECT_EQ(first(*oem), "s:" + TextCodec::ForCodePage(437)->Decode("\x86\xE3\xAA"));  // Жук's cp866 bytes
  EXPECT_THROW(open(12345), ado::Failure);
}

TEST(Calendar, JulianDaysAndLeapYears) {
  struct Day {
    ado::Date date;
    std::int64_t julianDay;
  };
  for (const Day& d : {Day{{2000, 1, 1}, 2451545}, Day{{1970, 1, 1}, 2440588}, Day{{1995, 2, 1}, 2449750},
                       Day{{1, 1, 1}, 1721426}, Day{{9999, 12, 31}, 5373484}}) {
    EXPECT_EQ(JulianDayOf(d.date), d.julianDay);
    EXPECT_EQ(DateOfJulianDay(d.julianDay), d.date);
  }
  for (const auto& [date, storable] : {std::pair{ado::Date{2000, 2, 29}, true},
                                       {ado::Date{1900, 2, 29}, false},
                                       {ado::Date{2024, 2, 29}, true},
                                       {ado::Date{2023, 2, 29}, false},
                                       {ado::Date{10000, 1, 1}, false},
                                       {ado::Date{0, 1, 1}, false},
                                       {ado::Date{2020, 4, 31}, false}})
    EXPECT_EQ(IsStorableDate(date), storable) << date.year << "-" << date.month << "-" << date.day;
}

// FoxPro's float noise around a whole second is that second, but never across midnight.
TEST(Calendar, NoiseAroundAWholeSecondIsThatSecondWithinItsDay) {
  const ado::Date day{2013, 12, 12};
  const ado::Date last{9999, 12, 31};
  for (const auto& [stored, meant] : {std::pair{ado::DateTime{day, 8, 29, 59, 999}, ado::DateTime{day, 8, 30, 0, 0}},
                                      {ado::DateTime{day, 8, 30, 0, 1}, ado::DateTime{day, 8, 30, 0, 0}},
                                      {ado::DateTime{day, 12, 59, 59, 999}, ado::DateTime{day, 13, 0, 0, 0}},
                                      {ado::DateTime{day, 8, 30, 0, 250}, ado::DateTime{day, 8, 30, 0, 250}},
                                      {ado::DateTime{day, 8, 30, 0, 998}, ado::DateTime{day, 8, 30, 0, 998}},
                                      {ado::DateTime{day, 23, 59, 59, 999}, ado::DateTime{day, 23, 59, 59, 999}},
                                      {ado::DateTime{last, 23, 59, 59, 999}, ado::DateTime{last, 23, 59, 59, 999}}}) {
    EXPECT_EQ(WholeSecondOfNoise(stored), meant)
        << stored.hour << ":" << stored.minute << ":" << stored.second << "." << stored.millisecond;
  }
}

}  // namespace
}  // namespace foxpro
