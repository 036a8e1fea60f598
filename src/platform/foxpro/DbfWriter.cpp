#include "platform/foxpro/DbfWriter.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <set>

#include "platform/ado/Failure.h"
#include "platform/foxpro/CdxStructuralIndex.h"
#include "platform/foxpro/CodePage.h"
#include "platform/foxpro/FieldTypes.h"
#include "platform/foxpro/MemoFile.h"

namespace foxpro {
namespace {

constexpr int kMaxRecordLength = 65500;

void PutLe32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
void PutLe64(std::uint8_t* p, std::uint64_t v) {
  for (int i = 0; i < 8; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

[[noreturn]] void Mismatch(const DbfField& f, const std::string& why) {
  throw ado::Failure("Data type mismatch. Field " + f.name + " (" + std::string(1, f.type) + "): " + why + ".");
}

void Today(int& year, int& month, int& day) {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  year = local.tm_year + 1900;
  month = local.tm_mon + 1;
  day = local.tm_mday;
}

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }
bool ValidDate(int y, int m, int d) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1) return false;
  return d <= kDays[m - 1] + (m == 2 && IsLeap(y) ? 1 : 0);
}

std::int64_t JulianDay(int y, int m, int d) {
  std::int64_t a = (14 - m) / 12;
  std::int64_t yy = y + 4800 - a;
  std::int64_t mm = m + 12 * a - 3;
  return d + (153 * mm + 2) / 5 + 365 * yy + yy / 4 - yy / 100 + yy / 400 - 32045;
}

std::string Trim(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
  return std::string(s.substr(b, e - b));
}

// Parses digits at s[pos..pos+n); false unless all are digits.
bool Digits(std::string_view s, std::size_t pos, std::size_t n, int& out) {
  if (pos + n > s.size()) return false;
  out = 0;
  for (std::size_t i = pos; i < pos + n; ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
    out = out * 10 + (s[i] - '0');
  }
  return true;
}

// "yyyy-mm-dd", "yyyy/mm/dd" or "yyyymmdd"; returns the characters used, 0 when not a date.
std::size_t ParseDate(std::string_view s, ado::Date& d) {
  if (Digits(s, 0, 4, d.year) && s.size() >= 10 && (s[4] == '-' || s[4] == '/') && s[7] == s[4] &&
      Digits(s, 5, 2, d.month) && Digits(s, 8, 2, d.day))
    return ValidDate(d.year, d.month, d.day) ? 10 : 0;
  if (Digits(s, 0, 4, d.year) && Digits(s, 4, 2, d.month) && Digits(s, 6, 2, d.day))
    return ValidDate(d.year, d.month, d.day) ? 8 : 0;
  return 0;
}

bool ParseDateTime(std::string_view s, ado::DateTime& t) {
  std::size_t used = ParseDate(s, t.date);
  if (used == 0) return false;
  if (used == s.size()) return true;
  if (s[used] != ' ' && s[used] != 'T') return false;
  std::size_t p = used + 1;
  if (!Digits(s, p, 2, t.hour) || p + 2 >= s.size() || s[p + 2] != ':' || !Digits(s, p + 3, 2, t.minute)) return false;
  p += 5;
  if (p < s.size()) {
    if (s[p] != ':' || !Digits(s, p + 1, 2, t.second)) return false;
    p += 3;
    if (p < s.size()) {
      if (s[p] != '.') return false;
      int ms = 0, n = 0;
      for (++p; p < s.size() && n < 3; ++p, ++n) {
        if (s[p] < '0' || s[p] > '9') return false;
        ms = ms * 10 + (s[p] - '0');
      }
      while (n++ < 3) ms *= 10;
      while (p < s.size() && s[p] >= '0' && s[p] <= '9') ++p;
      if (p != s.size()) return false;
      t.millisecond = ms;
    }
  }
  return t.hour < 24 && t.minute < 60 && t.second < 60;
}

// A decimal number's parts: sign, integer digits (no leading zeros), fraction digits.
struct DecimalParts {
  bool negative = false;
  std::string integer;
  std::string fraction;
};

bool ParseDecimal(std::string_view text, DecimalParts& out) {
  std::string s = Trim(text);
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) out.negative = s[i++] == '-';
  while (i < s.size() && s[i] >= '0' && s[i] <= '9') out.integer += s[i++];
  if (i < s.size() && (s[i] == '.' || s[i] == ',')) {
    ++i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') out.fraction += s[i++];
  }
  if (out.integer.empty() && out.fraction.empty()) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    // Exponent notation: go through a double and print it plainly.
    double d = 0;
    auto [ptr, ec] = std::from_chars(s.data() + (s[0] == '+' ? 1 : 0), s.data() + s.size(), d);
    if (ec != std::errc() || ptr != s.data() + s.size() || !std::isfinite(d)) return false;
    char buffer[400];
    std::snprintf(buffer, sizeof buffer, "%.17f", std::fabs(d));
    DecimalParts plain;
    if (!ParseDecimal(buffer, plain)) return false;
    plain.negative = d < 0;
    out = plain;
    return true;
  }
  if (i != s.size()) return false;
  std::size_t z = 0;
  while (z < out.integer.size() && out.integer[z] == '0') ++z;
  out.integer.erase(0, z);
  return true;
}

// Rounds parts to `decimals` fraction digits, half away from zero.
void RoundDecimal(DecimalParts& p, int decimals) {
  if (static_cast<int>(p.fraction.size()) <= decimals) {
    p.fraction.append(static_cast<std::size_t>(decimals) - p.fraction.size(), '0');
    return;
  }
  bool up = p.fraction[static_cast<std::size_t>(decimals)] >= '5';
  p.fraction.resize(static_cast<std::size_t>(decimals));
  if (!up) return;
  std::string all = p.integer + p.fraction;
  int i = static_cast<int>(all.size()) - 1;
  for (; i >= 0; --i) {
    if (all[static_cast<std::size_t>(i)] == '9') {
      all[static_cast<std::size_t>(i)] = '0';
    } else {
      ++all[static_cast<std::size_t>(i)];
      break;
    }
  }
  if (i < 0) all.insert(all.begin(), '1');
  p.integer = all.substr(0, all.size() - static_cast<std::size_t>(decimals));
  p.fraction = all.substr(all.size() - static_cast<std::size_t>(decimals));
}

// Text of a value for the numeric and date encoders.
std::string PlainText(const ado::Value& v) {
  if (v.Is<std::string>()) return v.As<std::string>();
  if (v.Is<ado::Decimal>()) return v.As<ado::Decimal>().digits;
  if (v.Is<std::int64_t>()) return std::to_string(v.As<std::int64_t>());
  if (v.Is<ado::Currency>()) {
    std::int64_t c = v.As<ado::Currency>().tenThousandths;
    std::uint64_t mag = c < 0 ? 0 - static_cast<std::uint64_t>(c) : static_cast<std::uint64_t>(c);
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%s%llu.%04llu", c < 0 ? "-" : "",
                  static_cast<unsigned long long>(mag / 10000), static_cast<unsigned long long>(mag % 10000));
    return buffer;
  }
  if (v.Is<double>()) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.17g", v.As<double>());
    return buffer;
  }
  if (v.Is<bool>()) return v.As<bool>() ? "1" : "0";
  return {};
}

// Bytes of a value for binary fields: Bytes as they are; text as one byte per code point.
bool BytesOf(const ado::Value& v, std::string& out) {
  out.clear();
  if (v.Is<ado::Bytes>()) {
    const auto& b = v.As<ado::Bytes>();
    out.assign(b.begin(), b.end());
    return true;
  }
  if (!v.Is<std::string>()) return false;
  const std::string& s = v.As<std::string>();
  std::size_t pos = 0;
  while (pos < s.size()) {
    char32_t c = 0;
    if (!NextCodePoint(s, pos, c) || c > 0xFF) return false;
    out.push_back(static_cast<char>(c));
  }
  return true;
}

void RemoveQuietly(FileSystem& fs, const std::string& path) {
  try {
    fs.Remove(path);
  } catch (const ado::Failure&) {
    // The failure that led here is the one to report.
  }
}

}  // namespace

void CreateVfpTable(const std::string& dbfPath, const std::vector<NewField>& newFields, const CreateOptions& options,
                    FileSystem& fs) {
  if (!fs.FindIgnoringCase(dbfPath).empty()) throw ado::Failure("File " + dbfPath + " already exists");
  if (newFields.empty()) throw ado::Failure("Table " + dbfPath + " needs at least one field.");

  DbfHeader h;
  bool hasVarying = false, hasAutoIncrement = false, hasMemo = false, needsNullFlags = false;
  std::set<std::string> names;
  int offset = 1;
  for (const auto& nf : newFields) {
    DbfField f;
    f.name = nf.name;
    std::transform(f.name.begin(), f.name.end(), f.name.begin(), [](unsigned char c) { return std::toupper(c); });
    if (f.name.empty() || f.name.size() > 10 || !names.insert(f.name).second)
      throw ado::Failure("Field name is a duplicate or invalid: " + nf.name);
    f.type = static_cast<char>(std::toupper(static_cast<unsigned char>(nf.type)));
    auto invalidWidth = [&] { throw ado::Failure("Field " + f.name + " has an invalid width or number of decimals."); };
    switch (f.type) {
      case 'C':
      case 'V':
      case 'Q':
        if (nf.length < 1 || nf.length > 254) invalidWidth();
        f.length = nf.length;
        if (f.type == 'Q' || nf.binary) f.flags |= kFieldBinary;
        hasVarying = hasVarying || f.type != 'C';
        needsNullFlags = needsNullFlags || f.type != 'C';
        break;
      case 'N':
      case 'F':
        if (nf.length < 1 || nf.length > 20 || nf.decimals < 0 || (nf.decimals > 0 && nf.decimals > nf.length - 2))
          invalidWidth();
        f.length = nf.length;
        f.decimals = nf.decimals;
        break;
      case 'I':
        f.length = 4;
        f.flags |= kFieldBinary;
        if (nf.autoIncrement) {
          f.flags |= kFieldAutoIncrement;
          f.autoIncrementNext = 1;
          f.autoIncrementStep = 1;
          hasAutoIncrement = true;
        }
        break;
      case 'B':
        f.length = 8;
        f.decimals = std::clamp(nf.decimals, 0, 18);
        f.flags |= kFieldBinary;
        break;
      case 'Y':
        f.length = 8;
        f.decimals = 4;
        f.flags |= kFieldBinary;
        break;
      case 'D':
        f.length = 8;
        break;
      case 'T':
        f.length = 8;
        f.flags |= kFieldBinary;
        break;
      case 'L':
        f.length = 1;
        break;
      case 'M':
        f.length = 4;
        if (nf.binary) f.flags |= kFieldBinary;
        hasMemo = true;
        break;
      case 'G':
        f.length = 4;
        hasMemo = true;
        break;
      case 'W':
        f.length = 4;
        f.flags |= kFieldBinary;
        hasMemo = true;
        hasVarying = true;
        break;
      default:
        throw ado::Failure("Field " + f.name + " has an unknown type " + std::string(1, f.type) + ".");
    }
    if (nf.nullable) {
      f.flags |= kFieldNullable;
      needsNullFlags = true;
    }
    f.offset = offset;
    offset += f.length;
    h.fields.push_back(f);
  }
  if (needsNullFlags) {
    AssignNullBits(h.fields);
    int bits = 0;
    for (const auto& f : h.fields) bits = std::max({bits, f.nullBit + 1, f.lengthBit + 1});
    DbfField flags;
    flags.name = "_NullFlags";
    flags.type = '0';
    flags.length = (bits + 7) / 8;
    flags.flags = kFieldSystem | kFieldBinary;
    flags.offset = offset;
    offset += flags.length;
    h.fields.push_back(flags);
  }
  if (offset > kMaxRecordLength) throw ado::Failure("Record is too large for table " + dbfPath + ".");
  if (h.fields.size() > 255) throw ado::Failure("Too many fields for table " + dbfPath + ".");

  h.version = hasVarying ? 0x32 : hasAutoIncrement ? 0x31 : 0x30;
  int year = 0;
  Today(year, h.updateMonth, h.updateDay);
  h.updateYear = year % 100;
  h.recordLength = static_cast<std::uint16_t>(offset);
  h.tableFlags = static_cast<std::uint8_t>((hasMemo ? kTableHasMemo : 0) | (options.database ? kTableIsDatabase : 0));
  h.codePageMark = options.codePageMark;
  h.backlink = options.backlink;
  std::vector<std::uint8_t> bytes = WriteDbfHeader(h);
  bytes.push_back(0x1A);

  // The memo file comes first: a table whose header exists always finds its memo file.
  std::string memoPath;
  if (hasMemo) {
    std::string extension = options.database ? ".dct" : ".fpt";
    std::size_t dot = dbfPath.find_last_of('.');
    bool upper = dot != std::string::npos && dot + 1 < dbfPath.size() &&
                 std::all_of(dbfPath.begin() + static_cast<std::ptrdiff_t>(dot) + 1, dbfPath.end(),
                             [](unsigned char c) { return std::isupper(c) != 0; });
    if (upper)
      std::transform(extension.begin(), extension.end(), extension.begin(),
                     [](unsigned char c) { return std::toupper(c); });
    memoPath = ReplaceExtension(dbfPath, extension);
  }
  // A failed creation (a full disk) takes away what it made: an empty or half-written .dbf
  // would list as a table, read as damaged and block the next CREATE of that name.
  std::unique_ptr<File> file;
  try {
    if (!memoPath.empty()) MemoWriter::Create(fs, memoPath, options.memoBlockSize);
    file = fs.Open(dbfPath, OpenMode::CreateNew);
  } catch (const ado::Failure&) {
    if (!memoPath.empty()) RemoveQuietly(fs, memoPath);
    throw;
  }
  try {
    file->WriteAt(0, bytes.data(), bytes.size());
    file->Sync();
  } catch (const ado::Failure&) {
    file.reset();
    RemoveQuietly(fs, dbfPath);
    if (!memoPath.empty()) RemoveQuietly(fs, memoPath);
    throw;
  }
}

DbfAppender::~DbfAppender() = default;

std::unique_ptr<DbfAppender> DbfAppender::Open(const std::string& dbfPath, FileSystem& fs, long lockTimeoutSeconds) {
  std::string path = fs.FindIgnoringCase(dbfPath);
  if (path.empty()) throw ado::Failure("File " + dbfPath + " does not exist.");
  std::unique_ptr<DbfAppender> a(new DbfAppender);
  a->path_ = path;
  a->file_ = fs.Open(path, OpenMode::ReadWrite);
  // The count, the memo file's next free block and the tail are read under the lock: another
  // writer may have moved them on until the moment it let go.
  LockExclusive(*a->file_, lockTimeoutSeconds);
  a->header_ = ReadDbfHeader(*a->file_);
  // Fixed-size fields must have their size: the encoders write exactly that many bytes.
  for (auto& f : a->header_.fields) {
    if (f.type != 'I') f.flags &= static_cast<std::uint8_t>(~kFieldAutoIncrement);
    const bool sizeOk = f.type == 'I'                                                        ? f.length == 4
                        : (f.type == 'B' || f.type == 'Y' || f.type == 'T' || f.type == 'D') ? f.length == 8
                        : IsMemoType(f.type) ? (f.length == 4 || f.length == 10)
                                             : true;
    if (!sizeOk)
      throw ado::Failure("Cannot append to table " + path + ": field " + f.name + " has the impossible length " +
                         std::to_string(f.length) + ".");
  }
  a->visible_ = a->header_.VisibleFields();
  // Every tag of a structural index gets the keys of the new rows: none goes stale.
  const bool foxPro = IsVfpVersion(a->header_.version) || a->header_.version == 0xF5;
  if (foxPro && (a->header_.tableFlags & 0x01) != 0) {
    a->index_ = CdxStructuralIndex::OpenForAppend(path, a->header_, *a->file_, fs);
  }
  if (a->header_.HasMemoFields()) {
    if (UsesDbtMemo(a->header_.version))
      throw ado::Failure("Cannot append to table " + path + ": dBase memo files are not supported.");
    std::string lower = path;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    bool database = lower.size() >= 4 && lower.compare(lower.size() - 4, 4, ".dbc") == 0;
    std::string wanted = ReplaceExtension(path, database ? ".dct" : ".fpt");
    std::string memoPath = fs.FindIgnoringCase(wanted);
    if (memoPath.empty()) throw ado::Failure("Memo file " + wanted + " is missing or is invalid.");
    a->memo_ = std::make_unique<MemoWriter>(fs.Open(memoPath, OpenMode::ReadWrite));
  }
  a->codec_ = TextCodec::ForCodePage(CodePageForMark(a->header_.codePageMark));
  int year = 0;
  Today(year, a->header_.updateMonth, a->header_.updateDay);
  a->header_.updateYear = IsVfpVersion(a->header_.version) ? year % 100 : year - 1900;
  a->record_.resize(a->header_.recordLength + 1u);
  // A writer killed between a record and the count leaves bytes past the counted records;
  // VFP checks the file length against the count on open, so cut them off now.
  const std::uint64_t end = a->header_.headerLength + std::uint64_t{a->header_.recordCount} * a->header_.recordLength;
  if (a->file_->Size() > end + 1) {
    a->file_->Truncate(end);
    const std::uint8_t eof = 0x1A;
    a->file_->WriteAt(end, &eof, 1);
  }
  return a;
}

void DbfAppender::Append(const std::vector<std::string>& texts) {
  noNulls_.assign(texts.size(), false);  // kept between rows: no allocation per row
  Append(texts, noNulls_);
}

void DbfAppender::Append(const std::vector<std::string>& texts, const std::vector<bool>& isNull) {
  if (texts.size() != visible_.size() || isNull.size() != texts.size())
    throw ado::Failure("Table " + path_ + " has " + std::to_string(visible_.size()) + " fields but " +
                       std::to_string(texts.size()) + " values were given.");
  std::vector<ado::Value> values;
  values.reserve(texts.size());
  for (std::size_t i = 0; i < texts.size(); ++i) {
    const DbfField& f = visible_[i];
    const std::string& t = texts[i];
    if (isNull[i] && f.IsNullable() && !f.IsAutoIncrement()) {
      values.emplace_back(ado::Null{});
      continue;
    }
    if (t.empty() && f.IsAutoIncrement()) {
      values.emplace_back(ado::Null{});
      continue;
    }
    switch (f.type) {
      case 'D': {
        ado::Date d;
        std::string s = Trim(t);
        if (s.empty()) {
          values.emplace_back(ado::Null{});
          break;
        }
        if (ParseDate(s, d) != s.size()) Mismatch(f, "'" + t + "' is not a date");
        values.emplace_back(d);
        break;
      }
      case 'T': {
        ado::DateTime dt;
        std::string s = Trim(t);
        if (s.empty()) {
          values.emplace_back(ado::Null{});
          break;
        }
        if (!ParseDateTime(s, dt)) Mismatch(f, "'" + t + "' is not a date and time");
        values.emplace_back(dt);
        break;
      }
      case 'L': {
        std::string s = Trim(t);
        std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::toupper(c); });
        if (s.empty()) {
          values.emplace_back(false);
          break;
        }
        if (s == "T" || s == ".T." || s == "Y" || s == "TRUE" || s == "1")
          values.emplace_back(true);
        else if (s == "F" || s == ".F." || s == "N" || s == "FALSE" || s == "0")
          values.emplace_back(false);
        else
          Mismatch(f, "'" + t + "' is not a logical value");
        break;
      }
      case 'N':
      case 'F':
      case 'I':
      case 'B':
      case 'Y':
        if (Trim(t).empty())
          values.emplace_back(ado::Null{});
        else
          values.emplace_back(t);
        break;
      default:
        values.emplace_back(t);
    }
  }
  // Blank numbers and dates go in as blanks even when the field allows NULL.
  std::vector<bool> blank(values.size());
  for (std::size_t i = 0; i < values.size(); ++i)
    blank[i] = values[i].IsNull() && !visible_[i].IsAutoIncrement() && !(isNull[i] && visible_[i].IsNullable());
  std::fill(record_.begin(), record_.end(), ' ');
  std::vector<std::uint8_t> nullFlags(static_cast<std::size_t>(std::max(header_.nullFlagsLength, 0)), 0);
  std::vector<std::pair<const DbfField*, std::string>> memos;
  for (std::size_t i = 0; i < values.size(); ++i) {
    const DbfField& f = visible_[i];
    if (blank[i]) {
      std::uint8_t* p = record_.data() + f.offset;
      if (f.type == 'I' || f.type == 'B' || f.type == 'Y' || f.type == 'T') std::fill(p, p + f.length, 0);
      continue;
    }
    EncodeValue(f, values[i], record_.data(), nullFlags, memos);
  }
  WriteRow(nullFlags, memos);
}

std::uint32_t DbfAppender::AppendValues(const std::vector<ado::Value>& values) {
  if (values.size() != visible_.size())
    throw ado::Failure("Table " + path_ + " has " + std::to_string(visible_.size()) + " fields but " +
                       std::to_string(values.size()) + " values were given.");
  std::fill(record_.begin(), record_.end(), ' ');
  std::vector<std::uint8_t> nullFlags(static_cast<std::size_t>(std::max(header_.nullFlagsLength, 0)), 0);
  std::vector<std::pair<const DbfField*, std::string>> memos;
  for (std::size_t i = 0; i < values.size(); ++i) EncodeValue(visible_[i], values[i], record_.data(), nullFlags, memos);
  return WriteRow(nullFlags, memos);
}

void DbfAppender::EncodeValue(const DbfField& f, const ado::Value& value, std::uint8_t* record,
                              std::vector<std::uint8_t>& nullFlags,
                              std::vector<std::pair<const DbfField*, std::string>>& memos) {
  std::uint8_t* p = record + f.offset;
  const bool zeroBlank =
      f.type == 'I' || f.type == 'B' || f.type == 'Y' || f.type == 'T' || (IsMemoType(f.type) && f.length == 4);
  if (zeroBlank) std::fill(p, p + f.length, 0);
  auto setBit = [&](int bit) {
    nullFlags[static_cast<std::size_t>(bit / 8)] |= static_cast<std::uint8_t>(1u << (bit % 8));
  };

  if (value.IsNull()) {
    if (f.IsAutoIncrement()) {
      for (const auto& stored : header_.fields) {
        if (stored.offset == f.offset) PutLe32(p, stored.autoIncrementNext);
      }
      return;
    }
    if (!f.IsNullable()) throw ado::Failure("Field " + f.name + " does not accept null values.");
    setBit(f.nullBit);
    return;
  }

  // Empty text leaves a number, date or logical field blank, as an empty text box would.
  if (value.Is<std::string>() && std::string_view("NFIBYDTL").find(f.type) != std::string_view::npos &&
      Trim(value.As<std::string>()).empty())
    return;

  std::string bytes;
  switch (f.type) {
    case 'C':
    case 'V':
    case 'Q': {
      if (f.type == 'Q' || f.IsBinary()) {
        if (!BytesOf(value, bytes)) Mismatch(f, "the value is not bytes");
      } else {
        if (!value.Is<std::string>()) Mismatch(f, "the value is not text");
        std::string bad;
        if (!codec_->Encode(value.As<std::string>(), bytes, &bad)) Unencodable(f, bad);
      }
      if (bytes.size() > static_cast<std::size_t>(f.length))
        throw ado::Failure("String is too long to fit: field " + f.name + " holds " + std::to_string(f.length) +
                           " bytes, the value needs " + std::to_string(bytes.size()) + ".");
      std::memcpy(p, bytes.data(), bytes.size());
      std::fill(p + bytes.size(), p + f.length, static_cast<std::uint8_t>(' '));
      if (f.type != 'C' && bytes.size() < static_cast<std::size_t>(f.length) && f.lengthBit >= 0) {
        p[f.length - 1] = static_cast<std::uint8_t>(bytes.size());
        setBit(f.lengthBit);
      }
      return;
    }
    case 'N':
    case 'F': {
      DecimalParts parts;
      std::string text = PlainText(value);
      if (value.Is<bool>() || !ParseDecimal(text, parts)) Mismatch(f, "'" + text + "' is not a number");
      RoundDecimal(parts, f.decimals);
      std::string out = parts.integer.empty() ? "0" : parts.integer;
      if (f.decimals > 0) out += "." + parts.fraction;
      bool zero = std::all_of(out.begin(), out.end(), [](char c) { return c == '0' || c == '.'; });
      if (parts.negative && !zero) out.insert(out.begin(), '-');
      if (out.size() > static_cast<std::size_t>(f.length))
        throw ado::Failure("Numeric overflow: " + text + " does not fit field " + f.name + " N(" +
                           std::to_string(f.length) + "," + std::to_string(f.decimals) + ").");
      std::fill(p, p + f.length, static_cast<std::uint8_t>(' '));
      std::memcpy(p + f.length - out.size(), out.data(), out.size());
      return;
    }
    case 'I': {
      std::int64_t n = 0;
      if (value.Is<std::int64_t>()) {
        n = value.As<std::int64_t>();
      } else {
        DecimalParts parts;
        std::string text = PlainText(value);
        if (value.Is<bool>() || !ParseDecimal(text, parts)) Mismatch(f, "'" + text + "' is not a number");
        RoundDecimal(parts, 0);
        if (parts.integer.size() > 10)
          n = INT64_MAX;
        else
          n = parts.integer.empty() ? 0 : std::stoll(parts.integer);
        if (parts.negative) n = -n;
      }
      if (n < -2147483647 || n > 2147483647)
        throw ado::Failure("Numeric overflow: " + std::to_string(n) + " does not fit integer field " + f.name + ".");
      PutLe32(p, static_cast<std::uint32_t>(static_cast<std::int32_t>(n)));
      return;
    }
    case 'B': {
      double d = 0;
      if (value.Is<double>()) {
        d = value.As<double>();
      } else {
        std::string text = Trim(PlainText(value));
        auto [ptr, ec] = std::from_chars(text.data() + (!text.empty() && text[0] == '+'), text.data() + text.size(), d);
        if (value.Is<bool>() || text.empty() || ec != std::errc() || ptr != text.data() + text.size())
          Mismatch(f, "'" + text + "' is not a number");
      }
      std::uint64_t bits;
      std::memcpy(&bits, &d, sizeof bits);
      PutLe64(p, bits);
      return;
    }
    case 'Y': {
      std::int64_t c = 0;
      if (value.Is<ado::Currency>()) {
        c = value.As<ado::Currency>().tenThousandths;
      } else {
        DecimalParts parts;
        std::string text = PlainText(value);
        if (value.Is<bool>() || !ParseDecimal(text, parts)) Mismatch(f, "'" + text + "' is not a number");
        RoundDecimal(parts, 4);
        std::string digits = parts.integer + parts.fraction;
        if (digits.size() > 19 || (digits.size() == 19 && digits > "9223372036854775807"))
          throw ado::Failure("Numeric overflow: " + text + " does not fit currency field " + f.name + ".");
        c = std::stoll(digits);
        if (parts.negative) c = -c;
      }
      PutLe64(p, static_cast<std::uint64_t>(c));
      return;
    }
    case 'D': {
      ado::Date d;
      if (value.Is<ado::Date>())
        d = value.As<ado::Date>();
      else if (value.Is<ado::DateTime>())
        d = value.As<ado::DateTime>().date;
      else if (!value.Is<std::string>() ||
               ParseDate(Trim(value.As<std::string>()), d) != Trim(value.As<std::string>()).size())
        Mismatch(f, "the value is not a date");
      if (!ValidDate(d.year, d.month, d.day)) Mismatch(f, "the date is out of range");
      char buffer[16];
      std::snprintf(buffer, sizeof buffer, "%04d%02d%02d", d.year, d.month, d.day);
      std::memcpy(p, buffer, 8);
      return;
    }
    case 'T': {
      ado::DateTime t;
      if (value.Is<ado::DateTime>())
        t = value.As<ado::DateTime>();
      else if (value.Is<ado::Date>())
        t.date = value.As<ado::Date>();
      else if (!value.Is<std::string>() || !ParseDateTime(Trim(value.As<std::string>()), t))
        Mismatch(f, "the value is not a date and time");
      if (!ValidDate(t.date.year, t.date.month, t.date.day) || t.hour < 0 || t.hour > 23 || t.minute < 0 ||
          t.minute > 59 || t.second < 0 || t.second > 59 || t.millisecond < 0 || t.millisecond > 999)
        Mismatch(f, "the date and time is out of range");
      // Stored as the reader will read it: whole seconds, half a second and more rounded up.
      std::int64_t day = JulianDay(t.date.year, t.date.month, t.date.day);
      std::int64_t seconds = (t.hour * 60 + t.minute) * 60 + t.second + (t.millisecond >= 500 ? 1 : 0);
      if (seconds == 86400) {
        seconds = 0;
        ++day;
      }
      if (day > JulianDay(9999, 12, 31)) Mismatch(f, "the date and time is out of range");
      PutLe32(p, static_cast<std::uint32_t>(day));
      PutLe32(p + 4, static_cast<std::uint32_t>(seconds * 1000));
      return;
    }
    case 'L': {
      bool b = false;
      if (value.Is<bool>())
        b = value.As<bool>();
      else if (value.Is<std::int64_t>())
        b = value.As<std::int64_t>() != 0;
      else
        Mismatch(f, "the value is not a logical value");
      p[0] = b ? 'T' : 'F';
      return;
    }
    case 'M':
    case 'G':
    case 'W':
    case 'P': {
      if (f.type != 'M' || f.IsBinary()) {
        if (!BytesOf(value, bytes)) Mismatch(f, "the value is not bytes");
      } else {
        if (!value.Is<std::string>()) Mismatch(f, "the value is not text");
        std::string bad;
        if (!codec_->Encode(value.As<std::string>(), bytes, &bad)) Unencodable(f, bad);
      }
      if (!bytes.empty()) memos.emplace_back(&f, std::move(bytes));
      return;
    }
    default:
      Mismatch(f, "this field type cannot be written");
  }
}

void DbfAppender::Unencodable(const DbfField& f, const std::string& character) const {
  throw ado::Failure("Field " + f.name + " of row " + std::to_string(std::uint64_t{header_.recordCount} + 1) +
                     ": the character " + DescribeCharacter(character) + " cannot be stored in code page " +
                     std::to_string(codec_->CodePage()) + ".");
}

std::uint32_t DbfAppender::WriteRow(const std::vector<std::uint8_t>& nullFlags,
                                    std::vector<std::pair<const DbfField*, std::string>>& memos) {
  if (header_.recordCount >= 1000000000u) throw ado::Failure("Table " + path_ + " is full.");
  std::uint8_t* record = record_.data();
  record[0] = ' ';
  if (header_.nullFlagsOffset >= 0) std::memcpy(record + header_.nullFlagsOffset, nullFlags.data(), nullFlags.size());
  if (index_) index_->Check(record);  // a duplicate primary or candidate key stores nothing

  // Autoincrement fields that took their next value move it on by their step.
  std::vector<std::size_t> bumped;
  for (std::size_t i = 0; i < header_.fields.size(); ++i) {
    DbfField& f = header_.fields[i];
    if (!f.IsAutoIncrement()) continue;
    std::uint32_t stored = static_cast<std::uint32_t>(record[f.offset]) |
                           (static_cast<std::uint32_t>(record[f.offset + 1]) << 8) |
                           (static_cast<std::uint32_t>(record[f.offset + 2]) << 16) |
                           (static_cast<std::uint32_t>(record[f.offset + 3]) << 24);
    if (stored == f.autoIncrementNext) bumped.push_back(i);
  }

  // Memo blocks first, so that a record never points at blocks that are not there.
  if (!memos.empty()) {
    std::vector<MemoWriter::Value> values;
    values.reserve(memos.size());
    for (const auto& [field, bytes] : memos) values.push_back({field->type == 'G' ? kMemoObject : kMemoText, bytes});
    std::vector<std::uint32_t> blocks = memo_->AppendAll(values);
    for (std::size_t i = 0; i < memos.size(); ++i) {
      const DbfField& field = *memos[i].first;
      if (field.length == 4) {
        PutLe32(record + field.offset, blocks[i]);
      } else {
        // FoxPro 2 keeps the block number as right-aligned digits.
        std::string digits = std::to_string(blocks[i]);
        std::memcpy(record + field.offset + field.length - digits.size(), digits.data(), digits.size());
      }
    }
  }
  const std::uint64_t offset = header_.headerLength + std::uint64_t{header_.recordCount} * header_.recordLength;
  // The end-of-file marker travels with the record: one write, and the count still decides.
  record[header_.recordLength] = 0x1A;
  file_->WriteAt(offset, record, header_.recordLength + 1u);

  for (std::size_t i : bumped) {
    DbfField& f = header_.fields[i];
    f.autoIncrementNext += f.autoIncrementStep == 0 ? 1 : f.autoIncrementStep;
    std::uint8_t next[4];
    PutLe32(next, f.autoIncrementNext);
    file_->WriteAt(32 + 32 * i + 19, next, 4);
  }
  ++header_.recordCount;
  WriteCountAndDate();
  if (index_) index_->Add(record, header_.recordCount);
  return header_.recordCount;
}

void DbfAppender::WriteCountAndDate() {
  std::uint8_t bytes[7];
  bytes[0] = static_cast<std::uint8_t>(header_.updateYear);
  bytes[1] = static_cast<std::uint8_t>(header_.updateMonth);
  bytes[2] = static_cast<std::uint8_t>(header_.updateDay);
  PutLe32(bytes + 3, header_.recordCount);
  file_->WriteAt(1, bytes, sizeof bytes);
}

void DbfAppender::MarkDeleted(std::uint32_t recno) {
  if (recno < 1 || recno > header_.recordCount)
    throw ado::Failure("Record " + std::to_string(recno) + " is out of range in table " + path_ + ".");
  const std::uint8_t star = '*';
  file_->WriteAt(header_.headerLength + std::uint64_t{recno - 1} * header_.recordLength, &star, 1);
  if (index_) index_->Deleted(recno);
}

void DbfAppender::FlushIndex() {
  if (index_) index_->Flush();
}

void DbfAppender::Close() {
  if (closed_) return;
  closed_ = true;
  FlushIndex();
  if (memo_) memo_->Sync();
  file_->Sync();
}

void SetBacklink(const std::string& dbfPath, const std::string& backlink, FileSystem& fs) {
  std::string path = fs.FindIgnoringCase(dbfPath);
  if (path.empty()) throw ado::Failure("File " + dbfPath + " does not exist.");
  auto file = fs.Open(path, OpenMode::ReadWrite);
  DbfHeader h = ReadDbfHeader(*file);
  const std::size_t area = 32 + 32 * h.fields.size() + 1;
  if (!IsVfpVersion(h.version) || area + 263 > h.headerLength)
    throw ado::Failure("Table " + path + " has no container link.");
  if (backlink.size() > 262) throw ado::Failure("Container path " + backlink + " is too long.");
  std::vector<std::uint8_t> bytes(263, 0);
  std::memcpy(bytes.data(), backlink.data(), backlink.size());
  file->WriteAt(area, bytes.data(), bytes.size());
}

}  // namespace foxpro
