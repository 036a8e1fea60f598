#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "platform/ado/Failure.h"
#include "platform/foxpro/DbfTestSupport.h"
#include "platform/foxpro/tables/DbfReader.h"
#include "platform/foxpro/tables/DbfWriter.h"

namespace foxpro::test {
namespace {

std::vector<std::uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::uint32_t Le32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

std::vector<std::vector<std::string>> ReadRows(const std::string& path) {
  auto reader = DbfReader::Open(path);
  std::vector<std::vector<std::string>> rows;
  std::vector<ado::Value> row;
  while (reader->Next(row)) {
    rows.emplace_back();
    for (const auto& v : row) rows.back().push_back(Render(v));
  }
  return rows;
}

std::string FailureText(const std::function<void()>& action) {
  try {
    action();
  } catch (const ado::Failure& failure) {
    return failure.what();
  }
  return "(no failure)";
}

TEST(DbfWriter, NewMemoAndBlobTableHasTheVfpLayout) {
  TempFolder dir;
  const std::string path = dir / "x.dbf";
  CreateVfpTable(path, {{"A", 'M'}, {"B", 'W'}});
  auto dbf = ReadAll(path);
  ASSERT_EQ(dbf.size(), 32u + 64 + 1 + 263 + 1);
  EXPECT_EQ(dbf[0], 0x32);  // a W field makes it a VFP 9 table
  EXPECT_LT(dbf[1], 100);   // year % 100
  EXPECT_EQ(Le32(dbf, 4), 0u);
  EXPECT_EQ(dbf[8] | (dbf[9] << 8), 360);
  EXPECT_EQ(dbf[10] | (dbf[11] << 8), 9);
  EXPECT_EQ(dbf[28], 0x02);
  EXPECT_EQ(dbf[29], 0x03);
  // Descriptors: name, type, displacement, length, flags.
  EXPECT_EQ(std::string(dbf.begin() + 32, dbf.begin() + 43), std::string("A\0\0\0\0\0\0\0\0\0\0", 11));
  EXPECT_EQ(dbf[43], 'M');
  EXPECT_EQ(Le32(dbf, 44), 1u);
  EXPECT_EQ(dbf[48], 4);
  EXPECT_EQ(dbf[50], 0x00);
  EXPECT_EQ(dbf[64 + 11], 'W');
  EXPECT_EQ(Le32(dbf, 64 + 12), 5u);
  EXPECT_EQ(dbf[64 + 18], 0x04);
  EXPECT_EQ(dbf[96], 0x0D);
  EXPECT_TRUE(std::all_of(dbf.begin() + 97, dbf.begin() + 360, [](std::uint8_t b) { return b == 0; }));
  EXPECT_EQ(dbf.back(), 0x1A);

  auto fpt = ReadAll(dir / "x.fpt");
  ASSERT_EQ(fpt.size(), 512u);
  EXPECT_EQ((fpt[0] << 24) | (fpt[1] << 16) | (fpt[2] << 8) | fpt[3], 8);
  EXPECT_EQ((fpt[6] << 8) | fpt[7], 64);
}

TEST(DbfWriter, VersionAndNullFlagsFollowTheFields) {
  TempFolder dir;
  CreateVfpTable(dir / "plain.dbf", {{"A", 'M'}});
  EXPECT_EQ(ReadAll(dir / "plain.dbf")[0], 0x30);
  NewField id{"ID", 'I'};
  id.autoIncrement = true;
  CreateVfpTable(dir / "auto.dbf", {id, {"N", 'C', 5}});
  EXPECT_EQ(ReadAll(dir / "auto.dbf")[0], 0x31);
  EXPECT_FALSE(std::filesystem::exists(dir / "auto.fpt"));

  NewField a{"A", 'V', 10};
  a.nullable = true;
  NewField b{"B", 'I'};
  b.nullable = true;
  CreateVfpTable(dir / "nulls.dbf", {a, b, {"C", 'Q', 4}});
  auto reader = DbfReader::Open(dir / "nulls.dbf");
  ASSERT_EQ(reader->Fields().size(), 3u);
  EXPECT_EQ(reader->Header().fields.back().name, "_NullFlags");
  EXPECT_EQ(reader->Header().fields.back().flags, 0x05);
  EXPECT_EQ(reader->Fields()[0].lengthBit, 0);
  EXPECT_EQ(reader->Fields()[0].nullBit, 1);
  EXPECT_EQ(reader->Fields()[1].nullBit, 2);
  EXPECT_EQ(reader->Fields()[2].lengthBit, 3);

  // The worked example: A = "ab", B = NULL, C = 4 bytes gives _NullFlags 0x05.
  auto appender = DbfAppender::Open(dir / "nulls.dbf");
  appender->AppendValues({std::string("ab"), ado::Null{}, ado::Bytes{1, 2, 3, 4}});
  appender->Close();
  auto dbf = ReadAll(dir / "nulls.dbf");
  const std::size_t record = dbf[8] | (dbf[9] << 8);
  EXPECT_EQ(std::string(dbf.begin() + record + 1, dbf.begin() + record + 11), std::string("ab       \x02"));
  EXPECT_EQ(dbf[record + 1 + 10 + 4 + 4], 0x05);
  EXPECT_EQ(ReadRows(dir / "nulls.dbf"), (std::vector<std::vector<std::string>>{{"s:ab", "NULL", "x:01020304"}}));
}

TEST(DbfWriter, CreatingOverAnExistingTableFails) {
  TempFolder dir;
  CreateVfpTable(dir / "t.dbf", {{"A", 'M'}});
  EXPECT_EQ(FailureText([&] {
              CreateVfpTable(dir / "t.dbf", {{"A", 'M'}});
            }),
            "File " + (dir / "t.dbf") + " already exists");
  EXPECT_EQ(FailureText([&] {
              CreateVfpTable(dir / "T.DBF", {{"A", 'M'}});
            }),
            "File " + (dir / "T.DBF") + " already exists");
  EXPECT_NE(FailureText([&] {
              CreateVfpTable(dir / "u.dbf", {{"A", 'M'}, {"a", 'C', 3}});
            }).find("duplicate"),
            std::string::npos);
}

TEST(DbfWriter, CreatingAfterTheDbfWasDeletedStartsAFreshMemoFile) {
  TempFolder dir;
  CreateVfpTable(dir / "t.dbf", {{"A", 'M'}});
  DbfAppender::Open(dir / "t.dbf")->Append({std::string(500, 'x')});
  std::filesystem::remove(dir / "t.dbf");
  CreateVfpTable(dir / "t.dbf", {{"A", 'M'}});
  EXPECT_EQ(ReadAll(dir / "t.fpt").size(), 512u);
}

TEST(DbfWriter, TextsOfEveryTypeReadBackAsValues) {
  TempFolder dir;
  NewField id{"ID", 'I'};
  id.autoIncrement = true;
  NewField nullableDate{"ND", 'D'};
  nullableDate.nullable = true;
  CreateVfpTable(dir / "all.dbf", {id,
                                   {"C", 'C', 6},
                                   {"V", 'V', 6},
                                   {"N", 'N', 8, 2},
                                   {"F", 'F', 6, 1},
                                   {"I", 'I'},
                                   {"B", 'B', 0, 2},
                                   {"Y", 'Y'},
                                   {"D", 'D'},
                                   {"T", 'T'},
                                   {"L", 'L'},
                                   {"M", 'M'},
                                   {"W", 'W'},
                                   {"G", 'G'},
                                   {"Q", 'Q', 4},
                                   nullableDate});
  auto a = DbfAppender::Open(dir / "all.dbf");
  a->Append({"", "abc", "abc", "12.345", "-0.05", "-42", "2.5", "12.34565", "2024-02-29", "2024-02-29 13:14:15", "T",
             "Grüße\r\nline", "\xC3\xBF\x01", "", "ab", ""});
  a->Append({"", "abcdef", "abcdef", "-1", "3", "2147483647", "1e3", "-0.00004", "20000101", "1999-12-31T23:59:59", "F",
             "", "", "\xC3\xBF", "abcd", "2001-01-01"});
  a->Close();
  auto rows = ReadRows(dir / "all.dbf");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0], (std::vector<std::string>{"i:1", "s:abc   ", "s:abc", "n:12.35", "n:-0.1", "i:-42", "d:2.5",
                                               "y:12.3457", "D:2024-02-29", "T:2024-02-29 13:14:15", "L:true",
                                               "s:Grüße\r\nline", "x:ff01", "x:", "x:6162", "NULL"}));
  EXPECT_EQ(rows[1], (std::vector<std::string>{"i:2", "s:abcdef", "s:abcdef", "n:-1.00", "n:3.0", "i:2147483647",
                                               "d:1000", "y:0.0000", "D:2000-01-01", "T:1999-12-31 23:59:59", "L:false",
                                               "s:", "x:", "x:ff", "x:61626364", "D:2001-01-01"}));
  // The counter in the header moved on with the two rows.
  EXPECT_EQ(DbfReader::Open(dir / "all.dbf")->Fields()[0].autoIncrementNext, 3u);
}

TEST(DbfWriter, ValuesTheTableCannotHoldLeaveNoPartialRow) {
  TempFolder dir;
  CreateVfpTable(dir / "t.dbf", {{"M", 'M'}, {"W", 'W'}, {"C", 'C', 3}, {"N", 'N', 5, 2}, {"I", 'I'}, {"D", 'D'}});
  auto a = DbfAppender::Open(dir / "t.dbf");
  a->Append({"first", "", "ok", "1", "1", ""});
  const auto dbfBefore = ReadAll(dir / "t.dbf");
  const auto fptBefore = ReadAll(dir / "t.fpt");
  struct Bad {
    std::vector<std::string> texts;
    const char* mentions;
  };
  const Bad bad[] = {
      {{"a long memo before the bad field", "", "ok", "1", "1", "2024-13-01"}, "D"},
      {{"日本", "", "ok", "1", "1", ""}, "1252"},
      {{"memo", "\xE2\x82\xAC", "ok", "1", "1", ""}, "W"},
      {{"memo", "", "four", "1", "1", ""}, "too long"},
      {{"memo", "", "ok", "1000", "1", ""}, "overflow"},
      {{"memo", "", "ok", "x", "1", ""}, "mismatch"},
      {{"memo", "", "ok", "1", "2147483648", ""}, "overflow"},
      {{"memo", "", "ok", "1", "1.5e", ""}, "mismatch"},
      {{"memo", "", "ok"}, "fields"},
  };
  for (const auto& b : bad) {
    std::string text = FailureText([&] { a->Append(b.texts); });
    EXPECT_NE(text.find(b.mentions), std::string::npos) << text;
  }
  EXPECT_EQ(ReadAll(dir / "t.dbf"), dbfBefore);
  EXPECT_EQ(ReadAll(dir / "t.fpt"), fptBefore);
  a->Append({"second", "", "ok", "99.994", "-7", ""});
  a->Close();
  auto rows = ReadRows(dir / "t.dbf");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[1][0], "s:second");
  EXPECT_EQ(rows[1][3], "n:99.99");
}

TEST(DbfWriter, NullGoesOnlyIntoFieldsThatAllowIt) {
  TempFolder dir;
  NewField m{"M", 'M'};
  m.nullable = true;
  CreateVfpTable(dir / "t.dbf", {m, {"C", 'C', 2}});
  auto a = DbfAppender::Open(dir / "t.dbf");
  EXPECT_EQ(a->AppendValues({ado::Null{}, std::string("x")}), 1u);
  EXPECT_NE(FailureText([&] {
              a->AppendValues({std::string("y"), ado::Null{}});
            }).find("does not accept null"),
            std::string::npos);
  a->Close();
  EXPECT_EQ(ReadRows(dir / "t.dbf"), (std::vector<std::vector<std::string>>{{"NULL", "s:x "}}));
}

TEST(DbfWriter, NullTextGoesIntoNullableFieldsAndBlanksTheOthers) {
  // Each type once nullable and once not; NULL used to be stored as a blank everywhere.
  struct Case {
    char type;
    int length;
    const char* blank;
  };
  const Case cases[] = {{'L', 0, "L:false"}, {'I', 0, "i:0"},  {'C', 3, "s:   "}, {'M', 0, "s:"},
                        {'T', 0, "NULL"},    {'N', 5, "NULL"}, {'D', 0, "NULL"},  {'W', 0, "x:"}};
  std::vector<NewField> fields;
  for (const Case& c : cases) {
    for (const bool nullable : {true, false}) {
      NewField f{std::string(1, c.type) + (nullable ? "N" : "B"), c.type, c.length};
      f.nullable = nullable;
      fields.push_back(f);
    }
  }
  TempFolder dir;
  CreateVfpTable(dir / "t.dbf", fields);
  auto a = DbfAppender::Open(dir / "t.dbf");
  a->Append(std::vector<std::string>(fields.size()), std::vector<bool>(fields.size(), true));
  a->Close();
  const auto rows = ReadRows(dir / "t.dbf");
  ASSERT_EQ(rows.size(), 1u);
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(std::string(1, cases[i].type));
    EXPECT_EQ(rows[0][2 * i], "NULL");
    EXPECT_EQ(rows[0][2 * i + 1], cases[i].blank);
  }
}

TEST(DbfWriter, DateTimesAreStoredAsTheyReadBack) {
  // The milliseconds as written, never rounded into the next second: the reader once took
  // .999 for noise, so the last moment of 9999 read back as a year 10000.
  struct Case {
    const char* text;
    const char* reads;
  };
  const Case cases[] = {{"2020-01-01 10:00:00.499", "T:2020-01-01 10:00:00.499"},
                        {"2020-01-01 10:00:00.5", "T:2020-01-01 10:00:00.500"},
                        {"2020-12-31 23:59:59.9996", "T:2020-12-31 23:59:59.999"},
                        {"9999-12-31 23:59:59.999", "T:9999-12-31 23:59:59.999"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    TempFolder dir;
    CreateVfpTable(dir / "t.dbf", {{"T", 'T'}});
    auto a = DbfAppender::Open(dir / "t.dbf");
    const std::string failure = FailureText([&] { a->Append({c.text}); });
    a->Close();
    const auto rows = ReadRows(dir / "t.dbf");
    ASSERT_EQ(rows.size(), 1u) << failure;
    EXPECT_EQ(rows[0][0], c.reads);
  }
}

TEST(DbfWriter, UnencodableCharacterIsNamedByCodePointAndField) {
  // The character used to be shown as itself, which for a control character is nothing. The
  // row is the caller's to name: the record number it would have become is not the source's.
  struct Case {
    const char* text;
    const char* named;
  };
  const Case cases[] = {{"a\xE2\x80\x8B", "character U+200B cannot"},
                        {"\xCE\xA9", "character U+03A9 '\xCE\xA9' cannot"}};
  for (const Case& c : cases) {
    TempFolder dir;
    CreateVfpTable(dir / "t.dbf", {{"GUID", 'C', 10}, {"M", 'M'}});
    auto a = DbfAppender::Open(dir / "t.dbf");
    a->Append({"ok", ""});
    for (const std::vector<std::string>& row : {std::vector<std::string>{c.text, ""}, {"", c.text}}) {
      const std::string failure = FailureText([&] { a->Append(row); });
      EXPECT_NE(failure.find(c.named), std::string::npos) << failure;
      EXPECT_EQ(failure.find(" row "), std::string::npos) << failure;
    }
  }
}

TEST(DbfWriter, FailedCreateLeavesNoFiles) {
  // On a full disk the table used to stay behind as a 0-byte .dbf that blocked the next CREATE.
  std::vector<NewField> fields{{"M", 'M'}};
  for (char name = 'A'; name <= 'J'; ++name) fields.push_back({std::string(1, name), 'C', 10});
  for (const std::uint64_t limit : {100u, 600u}) {  // the memo file fails, or the table after it
    SCOPED_TRACE(limit);
    MemoryFileSystem fs;
    fs.SetSizeLimit(limit);
    EXPECT_THROW(CreateVfpTable("t.dbf", fields, {}, fs), ado::Failure);
    EXPECT_FALSE(fs.Exists("t.dbf"));
    EXPECT_FALSE(fs.Exists("t.fpt"));
    fs.SetSizeLimit(UINT64_MAX);
    EXPECT_NO_THROW(CreateVfpTable("t.dbf", fields, {}, fs));
  }
}

TEST(DbfWriter, MarkDeletedHidesTheRecord) {
  TempFolder dir;
  CreateVfpTable(dir / "t.dbf", {{"C", 'C', 2}});
  auto a = DbfAppender::Open(dir / "t.dbf");
  for (const char* t : {"a", "b", "c"}) a->Append({t});
  a->MarkDeleted(2);
  EXPECT_THROW(a->MarkDeleted(4), ado::Failure);
  a->Close();
  EXPECT_EQ(ReadRows(dir / "t.dbf"), (std::vector<std::vector<std::string>>{{"s:a "}, {"s:c "}}));
}

TEST(DbfWriter, BacklinkIsWrittenAndCleared) {
  TempFolder dir;
  CreateOptions options;
  options.backlink = "sales.dbc";
  CreateVfpTable(dir / "t.dbf", {{"C", 'C', 2}}, options);
  EXPECT_EQ(DbfReader::Open(dir / "t.dbf")->Backlink(), "sales.dbc");
  SetBacklink(dir / "t.dbf", "");
  EXPECT_EQ(DbfReader::Open(dir / "t.dbf")->Backlink(), "");
}

TEST(DbfWriter, AppendsToTablesVfpWrote) {
  TempFolder dir;
  for (const char* ext : {".dbf", ".fpt"})
    std::filesystem::copy_file(FixturePath(std::string("dbffile/vfp9_30_memo") + ext), dir / (std::string("v") + ext));
  std::filesystem::permissions(dir / "v.dbf", std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
  std::filesystem::permissions(dir / "v.fpt", std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
  auto a = DbfAppender::Open(dir / "v.dbf");
  a->Append({"4", std::string(200, 'z'), "Text4", "1.5", "2022-02-02", "2022-02-02 10:00:00"});
  a->Close();
  auto rows = ReadRows(dir / "v.dbf");
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0][1],
            "s:Memo of record 1. Which needs to be very long to be bigger than 64 bytes and take 2 memo blocks");
  EXPECT_EQ(rows[2][1], "s:" + std::string(200, 'z'));
  EXPECT_EQ(rows[2][2], "s:Text4     ");
}

TEST(DbfWriter, AppendsToFoxPro2TablesWithDigitMemoPointers) {
  TempFolder dir;
  for (const char* ext : {".dbf", ".fpt"}) {
    std::filesystem::copy_file(FixturePath(std::string("php-xbase/Foxpro2") + ext), dir / (std::string("f") + ext));
    std::filesystem::permissions(dir / (std::string("f") + ext), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
  }
  auto a = DbfAppender::Open(dir / "f.dbf");
  a->Append({"Ann", "1990-05-06", "F", "a biography", "1.5", "", "2.25", ""});
  a->Close();
  auto rows = ReadRows(dir / "f.dbf");
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[3][3], "s:a biography");
  EXPECT_EQ(rows[3][5], "s:");
  EXPECT_EQ(rows[3][6], "n:2.25");
  // The pointer is stored as ten right-aligned digits, as FoxPro 2 does.
  auto dbf = ReadAll(dir / "f.dbf");
  const std::size_t bio = (dbf[8] | (dbf[9] << 8)) + 3u * (dbf[10] | (dbf[11] << 8)) + 30;
  const std::string pointer(dbf.begin() + static_cast<std::ptrdiff_t>(bio),
                            dbf.begin() + static_cast<std::ptrdiff_t>(bio) + 10);
  EXPECT_EQ(pointer, std::string(10 - std::to_string(4928).size(), ' ') + "4928");
}

}  // namespace
}  // namespace foxpro::test
