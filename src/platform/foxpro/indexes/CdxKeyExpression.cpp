#include "platform/foxpro/indexes/CdxKeyExpression.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/ado/Failure.h"
#include "platform/foxpro/containers/DbcIndex.h"
#include "platform/foxpro/tables/Calendar.h"
#include "platform/foxpro/tables/CodePage.h"
#include "platform/foxpro/tables/FieldTypes.h"
#include "platform/foxpro/tables/TableNames.h"

namespace foxpro {
namespace {

constexpr std::size_t kMaxExpressionLength = 255;
constexpr int kMaxDepth = 8;
constexpr int kStrWidth = 10;
constexpr double kMillisecondsPerDay = 86400000.0;

std::uint32_t Le32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::uint64_t Le64(const std::uint8_t* p) {
  return static_cast<std::uint64_t>(Le32(p)) | (static_cast<std::uint64_t>(Le32(p + 4)) << 32);
}

// The number a numeric field holds (blank: 0).
double NumberOf(const DbfField& field, const std::uint8_t* p) {
  switch (field.type) {
    case 'I':
      return static_cast<std::int32_t>(Le32(p));
    case 'B': {
      const std::uint64_t bits = Le64(p);
      double d = 0;
      std::memcpy(&d, &bits, sizeof d);
      return d;
    }
    case 'Y':
      return static_cast<double>(static_cast<std::int64_t>(Le64(p))) / 10000.0;
    default: {
      const std::string text(reinterpret_cast<const char*>(p), static_cast<std::size_t>(field.length));
      return std::strtod(text.c_str(), nullptr);
    }
  }
}

// D fields hold yyyymmdd; a blank or unreadable date keys as day 0, before every real date.
double DateOf(const std::uint8_t* p) {
  ado::Date date{0, 0, 0};
  int* parts[3] = {&date.year, &date.month, &date.day};
  const int widths[3] = {4, 2, 2};
  int at = 0;
  for (int i = 0; i < 3; ++i) {
    *parts[i] = 0;
    for (int j = 0; j < widths[i]; ++j, ++at) {
      if (p[at] < '0' || p[at] > '9') return 0;
      *parts[i] = *parts[i] * 10 + (p[at] - '0');
    }
  }
  return IsStorableDate(date) ? static_cast<double>(JulianDayOf(date)) : 0;
}

// UPPER() of code-page bytes: ASCII letters, and the accented small letters of code page
// 1252 (the inverse of the container index's LOWER).
std::string Upper(std::string text, int codePage) {
  for (char& c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 'a' && u <= 'z') {
      c = static_cast<char>(u - 32);
    } else if (codePage == 1252) {
      if ((u >= 0xE0 && u <= 0xFE && u != 0xF7) || u == 0x9A || u == 0x9C || u == 0x9E) {
        c = static_cast<char>(u - (u >= 0xE0 ? 0x20 : 0x10));
      } else if (u == 0xFF) {
        c = static_cast<char>(0x9F);
      }
    }
  }
  return text;
}

std::string NumberText(double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.15g", value);
  return buffer;
}

}  // namespace

std::string CdxDoubleKey(double value) {
  if (value == 0) value = 0;  // -0 keys as +0
  std::uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  bits = (bits >> 63) != 0 ? ~bits : bits | (std::uint64_t{1} << 63);
  std::string key(8, '\0');
  for (int i = 0; i < 8; ++i) key[static_cast<std::size_t>(i)] = static_cast<char>(bits >> (8 * (7 - i)));
  return key;
}

double CdxDoubleOfKey(std::string_view key) {
  std::uint64_t bits = 0;
  for (std::size_t i = 0; i < 8 && i < key.size(); ++i) bits = (bits << 8) | static_cast<unsigned char>(key[i]);
  bits = (bits >> 63) != 0 ? bits & ~(std::uint64_t{1} << 63) : ~bits;
  double value = 0;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

std::string CdxIntegerKey(std::int32_t value) {
  const std::uint32_t bits = static_cast<std::uint32_t>(value) ^ 0x80000000u;
  std::string key(4, '\0');
  for (int i = 0; i < 4; ++i) key[static_cast<std::size_t>(i)] = static_cast<char>(bits >> (8 * (3 - i)));
  return key;
}

// Recursive descent over: term ('+' term)*; term = name | name '(' expression ')'.
class CdxKeyExpression::Parser {
 public:
  Parser(std::string_view text, CdxKeyExpression& out) : text_(text), out_(out) {}

  int Expression(int depth) {
    if (depth > kMaxDepth) Fail("it is nested too deeply");
    std::vector<int> terms{Term(depth)};
    while (Accept('+')) terms.push_back(Term(depth));
    if (terms.size() == 1) return terms.front();
    Node concat{Op::Concat, -1, terms, 0};
    for (int term : terms) {
      if (out_.nodes_[static_cast<std::size_t>(term)].width == 0) Fail("only character values can be joined with +");
      concat.width += out_.nodes_[static_cast<std::size_t>(term)].width;
    }
    return Add(concat);
  }

  void End() {
    SkipBlanks();
    if (pos_ != text_.size()) Fail("it has unexpected text at character " + std::to_string(pos_ + 1));
  }

 private:
  int Term(int depth) {
    const std::string name = UpperAscii(Name());
    if (!Accept('(')) return FieldNode(name);
    static constexpr std::pair<std::string_view, Op> kFunctions[] = {{"UPPER", Op::Upper},      {"LOWER", Op::Lower},
                                                                     {"ALLTRIM", Op::LeftTrim}, {"LTRIM", Op::LeftTrim},
                                                                     {"RTRIM", Op::Same},       {"TRIM", Op::Same}};
    int result = -1;
    if (name == "STR") {
      const int argument = FieldNode(UpperAscii(Name()));
      const DbfField& field =
          out_.fields_[static_cast<std::size_t>(out_.nodes_[static_cast<std::size_t>(argument)].field)];
      if (!IsNumericType(field.type)) Fail("STR() needs a numeric field");
      result = Add(Node{Op::Str, out_.nodes_[static_cast<std::size_t>(argument)].field, {}, kStrWidth});
    } else {
      for (const auto& [word, op] : kFunctions) {
        if (word != name) continue;
        const int argument = Expression(depth + 1);
        const int width = out_.nodes_[static_cast<std::size_t>(argument)].width;
        if (width == 0) Fail(std::string(word) + "() needs a character value");
        result = Add(Node{op, -1, {argument}, width});
      }
      if (result < 0) Fail("the function " + name + "() is not supported");
    }
    if (!Accept(')')) Fail("a ')' is missing");
    return result;
  }

  int FieldNode(const std::string& name) {
    const std::vector<DbfField>& fields = out_.fields_;
    for (std::size_t pass = 0; pass < 2; ++pass) {
      for (std::size_t i = 0; i < fields.size(); ++i) {
        const bool matches = pass == 0 ? UpperAscii(fields[i].name) == name
                                       : name.size() > 10 && UpperAscii(fields[i].name) == name.substr(0, 10);
        if (!matches) continue;
        const DbfField& field = fields[i];
        if (!IsCharacterType(field.type) && !IsNumericType(field.type) &&
            std::string_view("DTL").find(field.type) == std::string_view::npos) {
          Fail("field " + field.name + " of type " + std::string(1, field.type) + " cannot be a key");
        }
        return Add(Node{Op::Field, static_cast<int>(i), {}, IsCharacterType(field.type) ? field.length : 0});
      }
    }
    Fail("the table has no field " + name);
  }

  std::string Name() {
    SkipBlanks();
    const std::size_t start = pos_;
    auto wordChar = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_'; };
    while (pos_ < text_.size() && (wordChar(text_[pos_]) || (text_[pos_] == '.' && pos_ > start))) ++pos_;
    std::string name(text_.substr(start, pos_ - start));
    const std::size_t dot = name.rfind('.');  // an alias before the field name
    if (dot != std::string::npos) name.erase(0, dot + 1);
    if (name.empty() || std::isdigit(static_cast<unsigned char>(name.front())) != 0) {
      Fail("a field name is expected at character " + std::to_string(start + 1));
    }
    return name;
  }

  bool Accept(char symbol) {
    SkipBlanks();
    if (pos_ < text_.size() && text_[pos_] == symbol) {
      ++pos_;
      return true;
    }
    return false;
  }

  void SkipBlanks() {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t')) ++pos_;
  }

  int Add(Node node) {
    out_.nodes_.push_back(std::move(node));
    return static_cast<int>(out_.nodes_.size() - 1);
  }

  [[noreturn]] void Fail(const std::string& why) const {
    throw ado::Failure("The index expression '" + std::string(text_) + "' cannot be used: " + why + ".");
  }

  std::string_view text_;
  CdxKeyExpression& out_;
  std::size_t pos_ = 0;
};

CdxKeyExpression CdxKeyExpression::Parse(std::string_view text, const DbfHeader& header) {
  if (text.size() > kMaxExpressionLength) {
    throw ado::Failure("The index expression '" + std::string(text.substr(0, 40)) + "...' is too long.");
  }
  CdxKeyExpression expression;
  expression.text_ = std::string(text);
  expression.fields_ = header.fields;
  expression.nullFlagsOffset_ = header.nullFlagsOffset;
  expression.codePage_ = header.textCodePage != 0 ? header.textCodePage : CodePageForMark(header.codePageMark);
  Parser parser(text, expression);
  expression.root_ = parser.Expression(0);
  parser.End();

  const Node& root = expression.nodes_[static_cast<std::size_t>(expression.root_)];
  int width = root.width;
  if (width == 0) {
    const DbfField& field = expression.fields_[static_cast<std::size_t>(root.field)];
    expression.resultType_ = field.type;
    width = field.type == 'I' ? 4 : field.type == 'L' ? 1 : 8;
  }
  for (const Node& node : expression.nodes_) {
    if (node.field >= 0 && expression.fields_[static_cast<std::size_t>(node.field)].IsNullable()) {
      expression.nullable_ = true;
    }
  }
  width += expression.nullable_ ? 1 : 0;
  if (width > 240) {
    throw ado::Failure("The index expression '" + expression.text_ + "' gives keys longer than 240 bytes.");
  }
  expression.keyLength_ = static_cast<std::uint16_t>(width);
  return expression;
}

bool CdxKeyExpression::IsNull(const DbfField& field, const std::uint8_t* record) const {
  if (!field.IsNullable() || nullFlagsOffset_ < 0) return false;
  return (record[nullFlagsOffset_ + field.nullBit / 8] >> (field.nullBit % 8) & 1) != 0;
}

bool CdxKeyExpression::Character(int index, const std::uint8_t* record, std::string& out) const {
  const Node& node = nodes_[static_cast<std::size_t>(index)];
  const std::size_t start = out.size();
  switch (node.op) {
    case Op::Field: {
      const DbfField& field = fields_[static_cast<std::size_t>(node.field)];
      if (IsNull(field, record)) return false;
      const std::uint8_t* p = record + field.offset;
      std::size_t length = static_cast<std::size_t>(field.length);
      // A varchar shorter than its field keeps its length in the last byte.
      if (field.lengthBit >= 0 && nullFlagsOffset_ >= 0 &&
          (record[nullFlagsOffset_ + field.lengthBit / 8] >> (field.lengthBit % 8) & 1) != 0) {
        length = std::min<std::size_t>(p[field.length - 1], length);
      }
      out.append(reinterpret_cast<const char*>(p), length);
      out.append(static_cast<std::size_t>(field.length) - length, ' ');
      return true;
    }
    case Op::Str: {
      const DbfField& field = fields_[static_cast<std::size_t>(node.field)];
      if (IsNull(field, record)) return false;
      const double value = std::round(NumberOf(field, record + field.offset));
      std::string digits = NumberText(value);
      if (digits.size() > static_cast<std::size_t>(kStrWidth) || digits.find('e') != std::string::npos) {
        digits = std::string(kStrWidth, '*');
      }
      out.append(static_cast<std::size_t>(kStrWidth) - digits.size(), ' ');
      out += digits;
      return true;
    }
    case Op::Concat:
      for (int child : node.children) {
        if (!Character(child, record, out)) return false;
      }
      return true;
    default:
      break;
  }
  std::string inner;
  if (!Character(node.children.front(), record, inner)) return false;
  if (node.op == Op::Upper) inner = Upper(std::move(inner), codePage_);
  if (node.op == Op::Lower) inner = DbcIndex::Lower(inner, codePage_);
  if (node.op == Op::LeftTrim) {
    const std::size_t first = inner.find_first_not_of(' ');
    inner = first == std::string::npos ? std::string() : inner.substr(first);
    inner.resize(static_cast<std::size_t>(node.width), ' ');
  }
  out.resize(start);
  out += inner;
  return true;
}

void CdxKeyExpression::Key(const std::uint8_t* record, std::string& out) const {
  out.clear();
  if (nullable_) out.push_back('\x80');
  bool present = true;
  if (resultType_ == 'C') {
    present = Character(root_, record, out);
  } else {
    const DbfField& field = fields_[static_cast<std::size_t>(nodes_[static_cast<std::size_t>(root_)].field)];
    const std::uint8_t* p = record + field.offset;
    present = !IsNull(field, record);
    if (present) {
      switch (field.type) {
        case 'I':
          out += CdxIntegerKey(static_cast<std::int32_t>(Le32(p)));
          break;
        case 'L':
          out.push_back(p[0] == 'T' || p[0] == 't' || p[0] == 'Y' || p[0] == 'y' ? 'T' : 'F');
          break;
        case 'D':
          out += CdxDoubleKey(DateOf(p));
          break;
        case 'T':
          out += CdxDoubleKey(static_cast<double>(static_cast<std::int32_t>(Le32(p))) +
                              static_cast<double>(Le32(p + 4)) / kMillisecondsPerDay);
          break;
        default:
          out += CdxDoubleKey(NumberOf(field, p));
      }
    }
  }
  // A NULL key is the marker and nothing but zero bytes: NULLs sort first.
  if (!present) out.assign(keyLength_, '\0');
}

std::string CdxKeyExpression::Describe(std::string_view key) const {
  if (nullable_) {
    if (key.empty() || key.front() == '\0') return "NULL";
    key.remove_prefix(1);
  }
  switch (resultType_) {
    case 'C': {
      std::string text(key);
      while (!text.empty() && text.back() == ' ') text.pop_back();
      return "'" + TextCodec::ForCodePage(codePage_)->Decode(text) + "'";
    }
    case 'I': {
      std::uint32_t bits = 0;
      for (std::size_t i = 0; i < 4 && i < key.size(); ++i) bits = (bits << 8) | static_cast<unsigned char>(key[i]);
      return std::to_string(static_cast<std::int32_t>(bits ^ 0x80000000u));
    }
    case 'L':
      return key.empty() || key.front() != 'T' ? ".F." : ".T.";
    case 'D':
    case 'T': {
      const double value = CdxDoubleOfKey(key);
      if (value == 0) return "an empty date";
      const auto day = static_cast<std::int64_t>(std::floor(value));
      const ado::Date date = DateOfJulianDay(day);
      char buffer[40];
      std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", date.year, date.month, date.day);
      std::string text = buffer;
      if (resultType_ == 'T') {
        const auto seconds = static_cast<long>(std::llround((value - static_cast<double>(day)) * 86400.0));
        std::snprintf(buffer, sizeof buffer, " %02ld:%02ld:%02ld", seconds / 3600, seconds / 60 % 60, seconds % 60);
        text += buffer;
      }
      return text;
    }
    default:
      return NumberText(CdxDoubleOfKey(key));
  }
}

}  // namespace foxpro
