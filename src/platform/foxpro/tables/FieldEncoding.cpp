#include "platform/foxpro/tables/FieldEncoding.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string_view>

#include "platform/ado/DecimalDigits.h"
#include "platform/ado/Failure.h"
#include "platform/ado/Utf.h"
#include "platform/foxpro/tables/Calendar.h"
#include "platform/foxpro/tables/CodePage.h"
#include "platform/foxpro/tables/FieldTypes.h"
#include "platform/foxpro/tables/TextValues.h"

namespace foxpro {

namespace {

constexpr std::size_t kDescribedLength = 40;

[[noreturn]] void Refuse(const DbfField& f, const ado::Value& value, const std::string& why) {
  throw ado::Failure("Data type mismatch. Field " + f.name + " (" + std::string(1, f.type) + "), value " +
                     DescribeValue(value) + ": " + why + ".");
}

[[noreturn]] void Overflow(const DbfField& f, const ado::Value& value, const std::string& field) {
  throw ado::Failure("Numeric overflow: " + DescribeValue(value) + " does not fit " + field + " " + f.name + ".");
}

std::string_view Trimmed(std::string_view s) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

// A decimal number's parts; the engine reads "3,25" as well as "3.25".
using DecimalParts = ado::DecimalDigits;

bool ParseDecimal(std::string_view text, DecimalParts& out) {
  const std::optional<DecimalParts> digits = ado::ParseDecimalDigits(Trimmed(text), ado::DecimalComma::Accepted);
  out = digits.value_or(DecimalParts{});
  return digits.has_value();
}

// Rounds parts to `decimals` fraction digits, half away from zero.
void RoundDecimal(DecimalParts& p, int decimals) {
  const auto keep = static_cast<std::size_t>(decimals);
  if (p.fraction.size() <= keep) {
    p.fraction.append(keep - p.fraction.size(), '0');
    return;
  }
  const bool up = p.fraction[keep] >= '5';
  p.fraction.resize(keep);
  if (!up) return;
  std::string all = p.integer + p.fraction;
  int i = static_cast<int>(all.size()) - 1;
  for (; i >= 0; --i) {
    char& digit = all[static_cast<std::size_t>(i)];
    if (digit != '9') {
      ++digit;
      break;
    }
    digit = '0';
  }
  if (i < 0) all.insert(all.begin(), '1');
  p.integer = all.substr(0, all.size() - keep);
  p.fraction = all.substr(all.size() - keep);
}

// The shortest decimal spelling that reads back as the same double: what the double means.
std::string DoubleDigits(double d) { return ado::ShortestDouble(d, '.'); }

// A number value as decimal parts; false for a value that is no number.
bool NumberParts(const ado::Value& v, DecimalParts& parts) {
  if (v.Is<ado::Decimal>()) return ParseDecimal(v.As<ado::Decimal>().digits, parts);
  if (v.Is<std::string>()) return ParseDecimal(v.As<std::string>(), parts);
  if (v.Is<std::int64_t>()) return ParseDecimal(std::to_string(v.As<std::int64_t>()), parts);
  if (v.Is<double>()) return std::isfinite(v.As<double>()) && ParseDecimal(DoubleDigits(v.As<double>()), parts);
  if (v.Is<ado::Currency>()) {
    parts = ado::CurrencyDigits(v.As<ado::Currency>());
    return true;
  }
  return false;
}

// Whole number of parts within [low, high]; false when it has a fraction or lies outside.
bool WholeNumber(const DecimalParts& parts, std::int64_t low, std::int64_t high, std::int64_t& out) {
  if (!parts.FractionIsZero() || parts.integer.size() > 18) return false;
  const std::int64_t magnitude = parts.integer.empty() ? 0 : std::stoll(parts.integer);
  out = parts.negative ? -magnitude : magnitude;
  return out >= low && out <= high;
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

bool IsNumberOrDateType(char type) { return std::string_view("NFIBYDTL").find(type) != std::string_view::npos; }

void EncodeNumeric(const DbfField& f, const ado::Value& value, std::uint8_t* p) {
  DecimalParts parts;
  if (!NumberParts(value, parts)) Refuse(f, value, "not a number");
  RoundDecimal(parts, f.decimals);
  std::string out = parts.integer.empty() ? "0" : parts.integer;
  if (f.decimals > 0) out += "." + parts.fraction;
  if (parts.negative && !parts.IsZero()) out.insert(out.begin(), '-');
  if (out.size() > static_cast<std::size_t>(f.length))
    Overflow(f, value, "field N(" + std::to_string(f.length) + "," + std::to_string(f.decimals) + ")");
  std::fill(p, p + f.length, static_cast<std::uint8_t>(' '));
  std::memcpy(p + f.length - out.size(), out.data(), out.size());
}

void EncodeInteger(const DbfField& f, const ado::Value& value, std::uint8_t* p) {
  DecimalParts parts;
  if (!NumberParts(value, parts)) Refuse(f, value, "not a number");
  // Text typed into the field is rounded, as FoxPro does; a typed value must be whole.
  if (value.Is<std::string>()) RoundDecimal(parts, 0);
  if (!parts.FractionIsZero()) Refuse(f, value, "not a whole number");
  std::int64_t n = 0;
  if (!WholeNumber(parts, -2147483647, 2147483647, n)) Overflow(f, value, "integer field");
  PutLe32(p, static_cast<std::uint32_t>(static_cast<std::int32_t>(n)));
}

void EncodeDouble(const DbfField& f, const ado::Value& value, std::uint8_t* p) {
  double d = 0;
  if (value.Is<double>()) {
    d = value.As<double>();
  } else if (value.Is<std::int64_t>()) {
    d = static_cast<double>(value.As<std::int64_t>());
    if (static_cast<std::int64_t>(d) != value.As<std::int64_t>() || std::fabs(d) >= 9.2e18)
      Refuse(f, value, "a double cannot hold it exactly");
  } else {
    std::string text;
    DecimalParts parts;
    if (value.Is<std::string>()) text = std::string(Trimmed(value.As<std::string>()));
    if (value.Is<ado::Decimal>() || value.Is<ado::Currency>()) {
      if (!NumberParts(value, parts)) Refuse(f, value, "not a number");
      text = (parts.negative ? "-" : "") + (parts.integer.empty() ? "0" : parts.integer) + "." + parts.fraction + "0";
    }
    const char* begin = text.data() + (!text.empty() && text[0] == '+');
    const auto [end, error] = std::from_chars(begin, text.data() + text.size(), d);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) Refuse(f, value, "not a number");
    if (!value.Is<std::string>()) {
      // Exactly or not at all: the double must read back as the very digits it was given.
      DecimalParts back;
      ParseDecimal(DoubleDigits(d), back);
      const auto significant = [](const DecimalParts& x) {
        std::string all = x.integer + x.fraction;
        all.erase(std::min(all.find_last_not_of('0') + 1, all.size()));
        return std::make_pair(x.integer.size(), all);
      };
      if (!std::isfinite(d) || (significant(back) != significant(parts) && !(back.IsZero() && parts.IsZero())))
        Refuse(f, value, "a double cannot hold it exactly");
    }
  }
  std::uint64_t bits = 0;
  std::memcpy(&bits, &d, sizeof bits);
  PutLe64(p, bits);
}

void EncodeCurrency(const DbfField& f, const ado::Value& value, std::uint8_t* p) {
  std::int64_t c = 0;
  if (value.Is<ado::Currency>()) {
    c = value.As<ado::Currency>().tenThousandths;
  } else {
    DecimalParts parts;
    if (!NumberParts(value, parts)) Refuse(f, value, "not a number");
    if (value.Is<std::string>() || value.Is<double>()) RoundDecimal(parts, 4);
    const std::size_t lastDigit = parts.fraction.find_last_not_of('0');
    if (lastDigit != std::string::npos && lastDigit >= 4) Refuse(f, value, "currency holds four decimals");
    parts.fraction.resize(4, '0');
    const std::string digits = parts.integer + parts.fraction;
    if (digits.size() > 19 || (digits.size() == 19 && digits > "9223372036854775807"))
      Overflow(f, value, "currency field");
    const std::uint64_t magnitude = std::stoull(digits);
    c = parts.negative ? static_cast<std::int64_t>(0 - magnitude) : static_cast<std::int64_t>(magnitude);
  }
  PutLe64(p, static_cast<std::uint64_t>(c));
}

void EncodeDate(const DbfField& f, const ado::Value& value, std::uint8_t* p) {
  ado::Date d;
  if (value.Is<ado::Date>())
    d = value.As<ado::Date>();
  else if (value.Is<ado::DateTime>())
    d = value.As<ado::DateTime>().date;
  else
    Refuse(f, value, "not a date");
  if (!IsStorableDate(d)) Refuse(f, value, "the date is out of range");
  char digits[16];
  std::snprintf(digits, sizeof digits, "%04d%02d%02d", d.year, d.month, d.day);
  std::memcpy(p, digits, 8);
}

void EncodeDateTime(const DbfField& f, const ado::Value& value, std::uint8_t* p) {
  ado::DateTime t;
  if (value.Is<ado::DateTime>())
    t = value.As<ado::DateTime>();
  else if (value.Is<ado::Date>())
    t.date = value.As<ado::Date>();
  else
    Refuse(f, value, "not a date and time");
  if (!IsStorableDate(t.date) || t.hour < 0 || t.hour > 23 || t.minute < 0 || t.minute > 59 || t.second < 0 ||
      t.second > 59 || t.millisecond < 0 || t.millisecond > 999)
    Refuse(f, value, "the date and time is out of range");
  PutLe32(p, static_cast<std::uint32_t>(JulianDayOf(t.date)));
  PutLe32(p + 4, static_cast<std::uint32_t>(((t.hour * 60 + t.minute) * 60 + t.second) * 1000 + t.millisecond));
}

void EncodeLogical(const DbfField& f, const ado::Value& value, std::uint8_t* p) {
  DecimalParts parts;
  std::int64_t n = -1;
  if (value.Is<bool>())
    n = value.As<bool>() ? 1 : 0;
  else if ((value.Is<std::int64_t>() || value.Is<ado::Decimal>()) && NumberParts(value, parts))
    WholeNumber(parts, 0, 1, n);
  if (n != 0 && n != 1) Refuse(f, value, "a logical field takes true, false, 1 or 0");
  p[0] = n == 1 ? 'T' : 'F';
}

}  // namespace

void PutLe32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

void PutLe64(std::uint8_t* p, std::uint64_t v) {
  for (int i = 0; i < 8; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::string DescribeValue(const ado::Value& value) {
  std::string text;
  if (value.Is<ado::Bytes>()) {
    const ado::Bytes& bytes = value.As<ado::Bytes>();
    ado::AppendHexText(text, ado::Bytes(bytes.begin(), bytes.begin() + std::min(bytes.size(), kDescribedLength / 2)));
    return "0x" + text + (bytes.size() > kDescribedLength / 2 ? "..." : "");
  }
  if (value.Is<ado::Decimal>()) return value.As<ado::Decimal>().digits;
  if (value.Is<double>()) return DoubleDigits(value.As<double>());
  text = ado::ValueToText(value);
  if (value.IsNull()) return "NULL";
  if (text.size() > kDescribedLength) {
    text = text.substr(0, ado::WholeCharacterLength(text, kDescribedLength)) + "...";
  }
  return "'" + text + "'";
}

FieldEncoder::FieldEncoder(std::shared_ptr<const TextCodec> codec) : codec_(std::move(codec)) {}

int FieldEncoder::CodePage() const { return codec_->CodePage(); }

void FieldEncoder::Blank(const DbfField& f, std::uint8_t* record) {
  std::uint8_t* p = record + f.offset;
  const bool zeros =
      f.type == 'I' || f.type == 'B' || f.type == 'Y' || f.type == 'T' || (IsMemoType(f.type) && f.length == 4);
  std::fill(p, p + f.length, static_cast<std::uint8_t>(zeros ? 0 : ' '));
}

std::string FieldEncoder::Text(const DbfField& f, const ado::Value& value) const {
  std::string_view text;
  std::string digits;
  if (value.Is<std::string>()) {
    text = value.As<std::string>();
  } else if (value.Is<ado::Decimal>()) {
    text = value.As<ado::Decimal>().digits;  // a number too wide for any numeric field
  } else if (value.Is<std::int64_t>()) {
    digits = std::to_string(value.As<std::int64_t>());
    text = digits;
  } else {
    Refuse(f, value, "not text");
  }
  std::string bytes;
  std::string bad;
  if (!codec_->Encode(text, bytes, &bad))
    throw ado::Failure("Field " + f.name + ": the character " + DescribeCharacter(bad) +
                       " cannot be stored in code page " + std::to_string(CodePage()) + " (value " +
                       DescribeValue(value) + ").");
  return bytes;
}

void FieldEncoder::Encode(const DbfField& f, const ado::Value& value, std::uint8_t* record,
                          RecordExtras& extras) const {
  Blank(f, record);
  std::uint8_t* p = record + f.offset;
  const auto setBit = [&](int bit) {
    extras.nullFlags[static_cast<std::size_t>(bit / 8)] |= static_cast<std::uint8_t>(1u << (bit % 8));
  };
  if (value.IsNull()) {
    if (!f.IsNullable()) throw ado::Failure("Field " + f.name + " does not accept null values.");
    setBit(f.nullBit);
    return;
  }
  if (value.Is<std::string>() && IsNumberOrDateType(f.type)) {
    // Text stands for what FoxPro would read from it; empty text leaves the field blank, as an
    // empty text box would.
    if (Trimmed(value.As<std::string>()).empty()) return;
    if (f.type == 'D' || f.type == 'T' || f.type == 'L') {
      const ado::Value read = ValueFromText(f, value.As<std::string>());
      if (!read.IsNull()) Encode(f, read, record, extras);
      return;
    }
  }

  std::string bytes;
  switch (f.type) {
    case 'C':
    case 'V':
    case 'Q': {
      if (f.type == 'Q' || f.IsBinary()) {
        if (!BytesOf(value, bytes)) Refuse(f, value, "not bytes");
      } else {
        bytes = Text(f, value);
      }
      if (bytes.size() > static_cast<std::size_t>(f.length))
        throw ado::Failure("String is too long to fit: field " + f.name + " holds " + std::to_string(f.length) +
                           " bytes, the value " + DescribeValue(value) + " needs " + std::to_string(bytes.size()) +
                           ".");
      std::memcpy(p, bytes.data(), bytes.size());
      std::fill(p + bytes.size(), p + f.length, static_cast<std::uint8_t>(' '));
      if (f.type != 'C' && bytes.size() < static_cast<std::size_t>(f.length) && f.lengthBit >= 0) {
        p[f.length - 1] = static_cast<std::uint8_t>(bytes.size());
        setBit(f.lengthBit);
      }
      return;
    }
    case 'N':
    case 'F':
      return EncodeNumeric(f, value, p);
    case 'I':
      return EncodeInteger(f, value, p);
    case 'B':
      return EncodeDouble(f, value, p);
    case 'Y':
      return EncodeCurrency(f, value, p);
    case 'D':
      return EncodeDate(f, value, p);
    case 'T':
      return EncodeDateTime(f, value, p);
    case 'L':
      return EncodeLogical(f, value, p);
    case 'M':
    case 'G':
    case 'W':
    case 'P':
      if (f.type != 'M' || f.IsBinary()) {
        if (!BytesOf(value, bytes)) Refuse(f, value, "not bytes");
      } else {
        bytes = Text(f, value);
      }
      if (!bytes.empty()) extras.memos.emplace_back(&f, std::move(bytes));
      return;
    default:
      Refuse(f, value, "this field type cannot be written");
  }
}

}  // namespace foxpro
