#include "platform/foxpro/tables/DbfReader.h"

#include <algorithm>
#include <cstring>

#include "platform/ado/Failure.h"
#include "platform/foxpro/tables/Calendar.h"
#include "platform/foxpro/tables/CodePage.h"
#include "platform/foxpro/tables/FieldTypes.h"
#include "platform/foxpro/tables/MemoFile.h"

namespace foxpro {
namespace {

constexpr std::size_t kReadBlockBytes = 1 << 20;
// Past the calendar's years (32767) a day number is damage, not a date.
constexpr std::int64_t kLastJulianDay = 13689325;  // 32767-12-31

std::uint32_t Le32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::uint64_t Le64(const std::uint8_t* p) {
  return static_cast<std::uint64_t>(Le32(p)) | (static_cast<std::uint64_t>(Le32(p + 4)) << 32);
}

bool AllBlank(const std::uint8_t* p, int n) {
  for (int i = 0; i < n; ++i) {
    if (p[i] != ' ' && p[i] != 0) return false;
  }
  return true;
}

bool IsAscii(const std::uint8_t* p, int n) {
  for (int i = 0; i < n; ++i) {
    if (p[i] >= 0x80) return false;
  }
  return true;
}

// The number in an N/F field as exact decimal text ("-12.50", "0.5"); empty when the field is
// blank or holds no number (overflow asterisks). Leading zeros and '+' are dropped, ',' is read
// as the decimal point, an exponent is kept.
bool NumericText(const std::uint8_t* p, int n, std::string& text) {
  text.clear();
  int i = 0, end = n;
  while (i < end && (p[i] == ' ' || p[i] == 0)) ++i;
  while (end > i && (p[end - 1] == ' ' || p[end - 1] == 0)) --end;
  if (i < end && (p[i] == '-' || p[i] == '+')) {
    if (p[i] == '-') text += '-';
    ++i;
  }
  while (i + 1 < end && p[i] == '0' && p[i + 1] >= '0' && p[i + 1] <= '9') ++i;
  const int integer = i;
  while (i < end && p[i] >= '0' && p[i] <= '9') ++i;
  bool digits = i > integer;
  text.append(reinterpret_cast<const char*>(p + integer), static_cast<std::size_t>(i - integer));
  if (i < end && (p[i] == '.' || p[i] == ',')) {
    ++i;
    int fraction = i;
    while (i < end && p[i] >= '0' && p[i] <= '9') ++i;
    if (i > fraction) {
      if (!digits) text += '0';
      text += '.';
      text.append(reinterpret_cast<const char*>(p + fraction), static_cast<std::size_t>(i - fraction));
      digits = true;
    }
  }
  if (!digits) return false;
  if (i < end && (p[i] == 'e' || p[i] == 'E')) {
    ++i;
    std::string exponent = "E";
    if (i < end && (p[i] == '-' || p[i] == '+')) {
      if (p[i] == '-') exponent += '-';
      ++i;
    }
    bool expDigits = false;
    while (i < end && p[i] >= '0' && p[i] <= '9') {
      exponent += static_cast<char>(p[i++]);
      expDigits = true;
    }
    if (!expDigits) return false;
    text += exponent;
  }
  return i == end;
}

// The text a value already holds, for refilling in place: rows are decoded record after
// record into the same values, so their buffers are reused instead of allocated anew.
std::string& TextSlot(ado::Value& v) {
  if (!v.Is<std::string>()) v = std::string();
  return const_cast<std::string&>(v.As<std::string>());
}

std::string& DecimalSlot(ado::Value& v) {
  if (!v.Is<ado::Decimal>()) v = ado::Decimal{};
  return const_cast<ado::Decimal&>(v.As<ado::Decimal>()).digits;
}

}  // namespace

DbfReader::~DbfReader() = default;

std::unique_ptr<DbfReader> DbfReader::Open(const std::string& dbfPath, FileSystem& fs, int unmarkedCodePage) {
  std::string path = fs.FindIgnoringCase(dbfPath);
  if (path.empty()) throw ado::Failure("File " + dbfPath + " does not exist.");
  std::unique_ptr<DbfReader> r(new DbfReader);
  r->path_ = path;
  r->file_ = fs.Open(path, OpenMode::Read);
  r->header_ = ReadDbfHeader(*r->file_);
  r->visible_ = r->header_.VisibleFields();
  const auto& h = r->header_;

  // Only VFP tables carry memo pointers in binary; a 10-byte B field in a dBase table is a memo too.
  bool needsMemo = h.HasMemoFields();
  if (!IsVfpVersion(h.version)) {
    for (auto& f : r->visible_) {
      if (f.type == 'B' && f.length == 10) {
        f.type = 'G';
        needsMemo = true;
      }
    }
  }
  if (needsMemo) {
    std::string extension = ".fpt";
    MemoKind kind = MemoKind::Fpt;
    std::string lower = path;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    if (lower.size() >= 4 && lower.compare(lower.size() - 4, 4, ".dbc") == 0) {
      extension = ".dct";
    } else if (UsesDbtMemo(h.version)) {
      extension = ".dbt";
      kind = h.version == 0x83 ? MemoKind::Dbase3 : MemoKind::Dbase4;
    }
    std::string wanted = ReplaceExtension(path, extension);
    r->memoPath_ = fs.FindIgnoringCase(wanted);
    if (r->memoPath_.empty()) throw ado::Failure("Memo file " + wanted + " is missing or is invalid.");
    r->memo_ = std::make_unique<MemoReader>(fs.Open(r->memoPath_, OpenMode::Read), kind);
  }
  r->header_.textCodePage = CodePageForMark(h.codePageMark, unmarkedCodePage);
  r->codec_ = TextCodec::ForCodePage(r->header_.textCodePage);
  // Field names are stored in the table's code page too (GBK names occur in Chinese tables).
  for (auto& f : r->visible_) {
    if (!IsAscii(reinterpret_cast<const std::uint8_t*>(f.name.data()), static_cast<int>(f.name.size())))
      f.name = r->codec_->Decode(f.name);
  }
  std::size_t perBlock =
      std::clamp<std::size_t>(kReadBlockBytes / h.recordLength, 1, std::max<std::uint32_t>(h.recordCount, 1));
  r->block_.resize(perBlock * h.recordLength);
  return r;
}

int DbfReader::CodePage() const { return codec_->CodePage(); }

std::string DbfReader::Backlink() const {
  std::string link = header_.backlink;
  while (!link.empty() && (link.back() == ' ' || link.back() == '\0')) link.pop_back();
  std::size_t start = link.find_first_not_of(' ');
  return start == std::string::npos ? std::string() : link.substr(start);
}

const std::string& DbfReader::MemoPath() const { return memoPath_; }

void DbfReader::Rewind() { current_ = 0; }

const std::uint8_t* DbfReader::Record(std::uint32_t recno) {
  if (recno < 1 || recno > header_.recordCount)
    throw ado::Failure("Record " + std::to_string(recno) + " is out of range in table " + path_ + ".");
  if (blockCount_ == 0 || recno < blockFirst_ || recno >= blockFirst_ + blockCount_) {
    const std::size_t len = header_.recordLength;
    std::uint32_t count = static_cast<std::uint32_t>(
        std::min<std::uint64_t>(block_.size() / len, std::uint64_t{header_.recordCount} - recno + 1));
    std::uint64_t offset = header_.headerLength + std::uint64_t{recno - 1} * len;
    std::size_t want = count * len;
    std::size_t got = file_->ReadAt(offset, block_.data(), want);
    if (got < len)
      throw ado::Failure("Table " + path_ + " is damaged: record " + std::to_string(recno) + " is cut short.");
    blockFirst_ = recno;
    blockCount_ = static_cast<std::uint32_t>(got / len);
  }
  return block_.data() + std::size_t{recno - blockFirst_} * header_.recordLength;
}

bool DbfReader::NextRecord(std::vector<ado::Value>& row, bool& deleted) {
  if (current_ >= header_.recordCount) return false;
  ++current_;
  const std::uint8_t* rec = Record(current_);
  deleted = rec[0] == '*';
  Decode(rec, row);
  return true;
}

bool DbfReader::Next(std::vector<ado::Value>& row) {
  while (current_ < header_.recordCount) {
    ++current_;
    const std::uint8_t* rec = Record(current_);
    if (rec[0] == '*') continue;
    Decode(rec, row);
    return true;
  }
  return false;
}

void DbfReader::ReadRecord(std::uint32_t recno, std::vector<ado::Value>& row, bool* deleted) {
  const std::uint8_t* rec = Record(recno);
  if (deleted) *deleted = rec[0] == '*';
  Decode(rec, row);
}

std::vector<std::uint8_t> DbfReader::RawRecord(std::uint32_t recno) {
  const std::uint8_t* rec = Record(recno);
  return std::vector<std::uint8_t>(rec, rec + header_.recordLength);
}

void DbfReader::Decode(const std::uint8_t* record, std::vector<ado::Value>& row) {
  row.resize(visible_.size());
  for (std::size_t i = 0; i < visible_.size(); ++i) DecodeField(visible_[i], record, row[i]);
}

void DbfReader::DecodeField(const DbfField& f, const std::uint8_t* record, ado::Value& out) {
  const std::uint8_t* p = record + f.offset;
  const std::uint8_t* flags = header_.nullFlagsOffset >= 0 ? record + header_.nullFlagsOffset : nullptr;
  auto bitSet = [&](int bit) { return flags != nullptr && bit >= 0 && (flags[bit / 8] >> (bit % 8)) & 1; };
  if (bitSet(f.nullBit)) {
    out = ado::Null{};
    return;
  }

  switch (f.type) {
    case 'C': {
      if (f.IsBinary()) {
        out = ado::Bytes(p, p + f.length);
        return;
      }
      std::string& text = TextSlot(out);
      if (IsAscii(p, f.length)) {
        text.assign(reinterpret_cast<const char*>(p), static_cast<std::size_t>(f.length));
      } else {
        text.clear();
        codec_->Decode(p, static_cast<std::size_t>(f.length), text);
      }
      return;
    }
    case 'V':
    case 'Q': {
      int n = f.length;
      if (bitSet(f.lengthBit)) n = std::min<int>(p[f.length - 1], f.length - 1);
      if (f.type == 'Q' || f.IsBinary()) {
        out = ado::Bytes(p, p + n);
        return;
      }
      std::string& text = TextSlot(out);
      text.clear();
      codec_->Decode(p, static_cast<std::size_t>(n), text);
      return;
    }
    case 'N':
    case 'F': {
      if (!NumericText(p, f.length, DecimalSlot(out))) out = ado::Null{};
      return;
    }
    case 'I':
    case '+':
      if (f.length < 4)
        out = ado::Null{};
      else
        out = std::int64_t{static_cast<std::int32_t>(Le32(p))};
      return;
    case 'B':
    case 'O': {
      if (f.length < 8) {
        out = ado::Null{};
        return;
      }
      std::uint64_t bits = Le64(p);
      double d;
      std::memcpy(&d, &bits, sizeof d);
      out = d;
      return;
    }
    case 'Y':
      if (f.length < 8)
        out = ado::Null{};
      else
        out = ado::Currency{static_cast<std::int64_t>(Le64(p))};
      return;
    case 'D': {
      out = ado::Null{};
      if (f.length < 8 || AllBlank(p, 8)) return;
      int v[8];
      for (int i = 0; i < 8; ++i) {
        if (p[i] < '0' || p[i] > '9') return;
        v[i] = p[i] - '0';
      }
      ado::Date d{v[0] * 1000 + v[1] * 100 + v[2] * 10 + v[3], v[4] * 10 + v[5], v[6] * 10 + v[7]};
      if (d.year != 0 || d.month != 0 || d.day != 0) out = d;
      return;
    }
    case 'T':
    case '@': {
      out = ado::Null{};
      if (f.length < 8) return;
      std::uint32_t jdn = Le32(p);
      std::uint32_t ms = Le32(p + 4);
      if (jdn == 0 || AllBlank(p, 8)) return;
      // The milliseconds as stored: a value is never moved to another second or day.
      // A count past the day's end (a damaged file) runs on into the next day.
      const std::int64_t day = std::int64_t{jdn} + ms / 86400000u;
      ms %= 86400000u;
      if (day > kLastJulianDay) return;
      ado::DateTime t;
      t.date = DateOfJulianDay(day);
      t.hour = static_cast<int>(ms / 3600000);
      t.minute = static_cast<int>(ms / 60000 % 60);
      t.second = static_cast<int>(ms / 1000 % 60);
      t.millisecond = static_cast<int>(ms % 1000);
      out = t;
      return;
    }
    case 'L':
      if (p[0] == 'T' || p[0] == 't' || p[0] == 'Y' || p[0] == 'y')
        out = true;
      else if (p[0] == 'F' || p[0] == 'f' || p[0] == 'N' || p[0] == 'n')
        out = false;
      else
        out = ado::Null{};  // ' ' or '?': never set
      return;
    case 'M':
    case 'G':
    case 'W':
    case 'P':
      ReadMemo(f, p, out);
      return;
    default:
      TextSlot(out).assign(reinterpret_cast<const char*>(p), static_cast<std::size_t>(f.length));
      return;
  }
}

void DbfReader::ReadMemo(const DbfField& f, const std::uint8_t* p, ado::Value& out) {
  const bool binary = f.type != 'M' || f.IsBinary();
  std::uint32_t block = 0;
  if (f.length == 4) {
    block = Le32(p);
  } else {
    for (int i = 0; i < f.length; ++i) {
      if (p[i] >= '0' && p[i] <= '9') {
        std::uint64_t next = std::uint64_t{block} * 10 + (p[i] - '0');
        if (next > 0xFFFFFFFFull)
          throw ado::Failure("Table " + path_ + " is damaged: field " + f.name + " holds an impossible memo block.");
        block = static_cast<std::uint32_t>(next);
      } else if (p[i] != ' ' && p[i] != 0) {
        throw ado::Failure("Table " + path_ + " is damaged: field " + f.name + " of record " +
                           std::to_string(current_) + " holds no memo block number.");
      }
    }
  }
  std::string_view bytes;
  // Some writers keep their own object numbers (1, 2, ...) in General fields, which point
  // into the memo header; those objects are not there to read. Any other field that points
  // there is damaged.
  if (f.type == 'G' && memo_ && memo_->InsideHeader(block)) block = 0;
  if (block != 0) {
    if (!memo_) throw ado::Failure("Memo file for table " + path_ + " is missing or is invalid.");
    try {
      bytes = memo_->View(block);
    } catch (const ado::Failure& failure) {
      throw ado::Failure("Table " + path_ + " is damaged: field " + f.name + " of record " + std::to_string(current_) +
                         " points at a bad memo. " + failure.Description());
    }
  }
  if (binary) {
    out = ado::Bytes(bytes.begin(), bytes.end());
    return;
  }
  std::string& text = TextSlot(out);
  text.clear();
  codec_->Decode(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), text);
}

}  // namespace foxpro
