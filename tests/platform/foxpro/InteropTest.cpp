// Tables written here must read back the same in readers nobody on the team wrote: pgdbf
// (Debian package) and the npm package dbffile. Both understand plain VFP tables (version
// 0x30) with memos; neither reads VFP 9 tables (0x32: V, Q, W) or _NullFlags, so the table
// sticks to C, N, F, I, B, Y, D, T, L and M without NULLs.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "platform/foxpro/DbfTestSupport.h"
#include "platform/foxpro/tables/DbfReader.h"
#include "platform/foxpro/tables/DbfWriter.h"

namespace foxpro::test {
namespace {

constexpr int kRows = 300;

// Runs a shell command and returns its standard output; status receives the exit status.
std::string RunCommand(const std::string& command, int& status) {
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) {
    status = -1;
    return output;
  }
  char buffer[65536];
  std::size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
  status = pclose(pipe);
  return output;
}

bool HasProgram(const std::string& name) {
  int status = 0;
  RunCommand("command -v " + name + " >/dev/null 2>&1", status);
  return status == 0;
}

ado::Date AddDays(int days) {
  // From a JDN so that month lengths need no table here.
  std::int64_t jdn = 2451545 + days;  // 2000-01-01
  std::int64_t l = jdn + 68569, n = 4 * l / 146097;
  l -= (146097 * n + 3) / 4;
  std::int64_t i = 4000 * (l + 1) / 1461001;
  l = l - 1461 * i / 4 + 31;
  std::int64_t j = 80 * l / 2447;
  ado::Date d;
  d.day = static_cast<int>(l - 2447 * j / 80);
  l = j / 11;
  d.month = static_cast<int>(j + 2 - 12 * l);
  d.year = static_cast<int>(100 * (n - 49) + i + l);
  return d;
}

std::vector<ado::Value> RowFor(int k) {
  std::vector<ado::Value> row;
  row.emplace_back("row " + std::to_string(k) + (k % 3 == 0 ? " Grüße ñ €" : ""));
  char text[64];
  std::snprintf(text, sizeof text, "%s%d.%03d", k % 2 ? "-" : "", k * 1237 % 100000, k * 7 % 1000);
  row.emplace_back(ado::Decimal{text});
  std::snprintf(text, sizeof text, "%.2f", k * 0.25 - 30);
  row.emplace_back(ado::Decimal{text});
  row.emplace_back(std::int64_t{(k % 2 ? -1 : 1) * k * k * 1000});
  row.emplace_back(k / 7.0);
  row.emplace_back(ado::Currency{(k % 5 == 0 ? -1 : 1) * std::int64_t{k} * 123456789});
  if (k % 7 == 0)
    row.emplace_back(ado::Null{});
  else
    row.emplace_back(AddDays(k * 37 - 5000));
  if (k % 11 == 0) {
    row.emplace_back(ado::Null{});
  } else {
    ado::DateTime t;
    t.date = AddDays(k * 13);
    t.hour = k % 24;
    t.minute = k * 7 % 60;
    t.second = k * 11 % 60;
    row.emplace_back(t);
  }
  row.emplace_back(k % 2 == 0);
  std::string memo;
  if (k % 4 != 0) {
    for (int i = 0; i <= k % 50; ++i) memo += "memo € line " + std::to_string(i) + "\r\n";
  }
  row.emplace_back(memo);
  return row;
}

// The table every interop test reads: written once per test through the appender.
class Interop : public ::testing::Test {
 protected:
  void SetUp() override {
    CreateVfpTable(Path(), {{"C", 'C', 30},
                            {"N", 'N', 12, 3},
                            {"F", 'F', 10, 2},
                            {"I", 'I'},
                            {"B", 'B', 0, 3},
                            {"Y", 'Y'},
                            {"D", 'D'},
                            {"T", 'T'},
                            {"L", 'L'},
                            {"M", 'M'}});
    auto appender = DbfAppender::Open(Path());
    for (int k = 0; k < kRows; ++k) {
      auto row = RowFor(k);
      // Blank dates go in as empty text; the fields do not allow NULL.
      if (k % 7 == 0 || k % 11 == 0) {
        for (auto& v : row) {
          if (v.IsNull()) v = std::string();
        }
      }
      appender->AppendValues(row);
    }
    appender->Close();
    auto reader = DbfReader::Open(Path());
    std::vector<ado::Value> row;
    while (reader->Next(row)) rows_.push_back(row);
    ASSERT_EQ(rows_.size(), static_cast<std::size_t>(kRows));
  }

  std::string Path() const { return dir_ / "interop.dbf"; }

  TempFolder dir_;
  std::vector<std::vector<ado::Value>> rows_;
};

std::vector<std::string> SplitTabs(const std::string& line) {
  std::vector<std::string> parts;
  std::string current;
  for (std::size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (c == '\t') {
      parts.push_back(current);
      current.clear();
    } else if (c == '\\' && i + 1 < line.size()) {
      char e = line[++i];
      current += e == 'n' ? '\n' : e == 'r' ? '\r' : e == 't' ? '\t' : e == 'N' ? '\x01' : e;
    } else {
      current += c;
    }
  }
  parts.push_back(current);
  return parts;
}

std::string RTrim(std::string s) {
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

double Number(const ado::Value& v) {
  if (v.Is<ado::Decimal>()) return std::stod(v.As<ado::Decimal>().digits);
  if (v.Is<double>()) return v.As<double>();
  if (v.Is<std::int64_t>()) return static_cast<double>(v.As<std::int64_t>());
  return static_cast<double>(v.As<ado::Currency>().tenThousandths) / 10000.0;
}

std::int64_t JulianDay(const ado::Date& d) {
  std::int64_t a = (14 - d.month) / 12, y = d.year + 4800 - a, m = d.month + 12 * a - 3;
  return d.day + (153 * m + 2) / 5 + 365 * y + y / 4 - y / 100 + y / 400 - 32045;
}

TEST_F(Interop, PgdbfReadsWhatWeWrote) {
  if (!HasProgram("pgdbf")) GTEST_SKIP() << "pgdbf is not installed";
  int status = 0;
  std::string sql = RunCommand("pgdbf -s cp1252 -m '" + (dir_ / "interop.fpt") + "' '" + Path() + "' 2>&1", status);
  ASSERT_EQ(status, 0) << sql;
  std::istringstream lines(sql);
  std::string line;
  while (std::getline(lines, line) && line.rfind("\\COPY", 0) != 0) {
  }
  int k = 0;
  while (std::getline(lines, line) && line != "\\.") {
    SCOPED_TRACE("row " + std::to_string(k));
    ASSERT_LT(k, kRows);
    auto cells = SplitTabs(line);
    ASSERT_EQ(cells.size(), 10u) << line;
    const auto& row = rows_[static_cast<std::size_t>(k)];
    EXPECT_EQ(cells[0], RTrim(row[0].As<std::string>()));
    for (int i : {1, 2, 3, 5})
      EXPECT_DOUBLE_EQ(std::stod(cells[static_cast<std::size_t>(i)]), Number(row[static_cast<std::size_t>(i)])) << i;
    EXPECT_NEAR(std::stod(cells[4]), Number(row[4]), 0.0005);  // printed with the field's 3 decimals
    if (row[6].IsNull()) {
      EXPECT_EQ(cells[6], "\x01");
    } else {
      char date[16];
      const auto& d = row[6].As<ado::Date>();
      std::snprintf(date, sizeof date, "%04d-%02d-%02d", d.year, d.month, d.day);
      EXPECT_EQ(cells[6], date);
    }
    if (row[7].IsNull()) {
      EXPECT_EQ(cells[7], "\x01");
    } else {
      const auto& t = row[7].As<ado::DateTime>();
      char stamp[40];
      std::snprintf(stamp, sizeof stamp, "J%lld %02d:%02d:%02d", static_cast<long long>(JulianDay(t.date)), t.hour,
                    t.minute, t.second);
      EXPECT_EQ(cells[7], stamp);
    }
    EXPECT_EQ(cells[8], row[8].As<bool>() ? "t" : "f");
    EXPECT_EQ(cells[9], row[9].As<std::string>());
    ++k;
  }
  EXPECT_EQ(k, kRows);
}

TEST_F(Interop, NodeDbffileReadsWhatWeWrote) {
  if (!HasProgram("node") || !HasProgram("npm")) GTEST_SKIP() << "node is not installed";
  const std::string modules = std::string(TESSELBY_BINARY_DIR) + "/interop-npm";
  int status = 0;
  if (!std::filesystem::exists(modules + "/node_modules/dbffile/package.json")) {
    std::filesystem::create_directories(modules);
    std::string log =
        RunCommand("cd '" + modules + "' && npm install --no-audit --no-fund --silent dbffile@1 2>&1", status);
    ASSERT_EQ(status, 0) << log;
  }
  std::ofstream(modules + "/dump.js") << R"(
const {DBFFile} = require('dbffile');
(async () => {
  const dbf = await DBFFile.open(process.argv[2], {encoding: 'win1252'});
  for (const r of await dbf.readRecords(1000000)) {
    const cell = v => v === null ? '<null>' : v instanceof Date ? v.toISOString() : String(v);
    console.log([r.C, r.N, r.F, r.I, r.B, r.Y, r.D, r.T, r.L, r.M].map(cell).map(encodeURIComponent).join('\t'));
  }
})().catch(e => { console.error(e.message); process.exit(2); });
)";
  std::string out = RunCommand("cd '" + modules + "' && TZ=UTC node dump.js '" + Path() + "' 2>&1", status);
  ASSERT_EQ(status, 0) << out;
  auto decode = [](const std::string& s) {
    std::string r;
    for (std::size_t i = 0; i < s.size(); ++i) {
      if (s[i] == '%' && i + 2 < s.size()) {
        r += static_cast<char>(std::stoi(s.substr(i + 1, 2), nullptr, 16));
        i += 2;
      } else {
        r += s[i];
      }
    }
    return r;
  };
  std::istringstream lines(out);
  std::string line;
  int k = 0;
  while (std::getline(lines, line)) {
    SCOPED_TRACE("row " + std::to_string(k));
    ASSERT_LT(k, kRows);
    auto cells = SplitTabs(line);
    ASSERT_EQ(cells.size(), 10u) << line;
    for (auto& c : cells) c = decode(c);
    const auto& row = rows_[static_cast<std::size_t>(k)];
    EXPECT_EQ(cells[0], RTrim(row[0].As<std::string>()));
    for (int i : {1, 2, 3, 4, 5})
      EXPECT_DOUBLE_EQ(std::stod(cells[static_cast<std::size_t>(i)]), Number(row[static_cast<std::size_t>(i)])) << i;
    if (row[6].IsNull()) {
      EXPECT_EQ(cells[6], "<null>");
    } else {
      const auto& d = row[6].As<ado::Date>();
      char date[40];
      std::snprintf(date, sizeof date, "%04d-%02d-%02dT00:00:00.000Z", d.year, d.month, d.day);
      EXPECT_EQ(cells[6], date);
    }
    if (!row[7].IsNull()) {
      const auto& t = row[7].As<ado::DateTime>();
      char stamp[40];
      std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02dT%02d:%02d:%02d.000Z", t.date.year, t.date.month, t.date.day,
                    t.hour, t.minute, t.second);
      // dbffile takes a datetime whose first byte is a blank (day number ending in 0x20) for empty.
      if ((JulianDay(t.date) & 0xFF) == 0x20)
        EXPECT_EQ(cells[7], "<null>");
      else
        EXPECT_EQ(cells[7], stamp);
    }
    EXPECT_EQ(cells[8], row[8].As<bool>() ? "true" : "false");
    // dbffile gives an empty memo as null.
    EXPECT_EQ(cells[9], row[9].As<std::string>().empty() ? "<null>" : row[9].As<std::string>());
    ++k;
  }
  EXPECT_EQ(k, kRows);
}

TEST_F(Interop, OurReaderGivesBackWhatWeWrote) {
  for (int k = 0; k < kRows; ++k) {
    SCOPED_TRACE("row " + std::to_string(k));
    auto want = RowFor(k);
    const auto& got = rows_[static_cast<std::size_t>(k)];
    EXPECT_EQ(RTrim(got[0].As<std::string>()), want[0].As<std::string>());
    for (int i : {3, 5, 8, 9})
      EXPECT_EQ(Render(got[static_cast<std::size_t>(i)]), Render(want[static_cast<std::size_t>(i)]));
    for (int i : {1, 2})
      EXPECT_DOUBLE_EQ(Number(got[static_cast<std::size_t>(i)]), Number(want[static_cast<std::size_t>(i)]));
    EXPECT_DOUBLE_EQ(Number(got[4]), Number(want[4]));
    EXPECT_EQ(Render(got[6]), Render(want[6]));
    EXPECT_EQ(Render(got[7]), Render(want[7]));
  }
}

}  // namespace
}  // namespace foxpro::test
