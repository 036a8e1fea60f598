#include "commands/transfer/FieldDeclarations.h"

#include <cctype>
#include <regex>

#include "commands/transfer/KeyPlans.h"
#include "commands/transfer/OracleValues.h"
#include "commands/transfer/SqlHelpers.h"
#include "platform/foxpro/tables/TableNames.h"

namespace transfer {
namespace {

enum class Dialect { FoxPro, Oracle };

enum class TokenKind { Name, QuotedName, Number, Text, Date, DateTime, Logical, Operator, Punctuation };

struct Token {
  TokenKind kind;
  std::string text;  // Date: YYYY-MM-DD; DateTime: YYYY-MM-DD HH:MM:SS; Logical: T or F
};

// A literal of one of the kinds that both sides spell.
using Literal = Token;

bool IsNameCharacter(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_'; }

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// A date or time written as FoxPro's strict {^...} or Oracle's literal holds, in one spelling.
std::optional<Token> DateOrTime(const std::string& text) {
  static const std::regex date(R"(\s*(\d{4})[-/.](\d{2})[-/.](\d{2})\s*)");
  static const std::regex time(R"(\s*(\d{4})[-/.](\d{2})[-/.](\d{2})[ T,]+(\d{2}):(\d{2})(?::(\d{2}))?\s*)");
  std::smatch match;
  if (std::regex_match(text, match, date)) {
    return Token{TokenKind::Date, match[1].str() + "-" + match[2].str() + "-" + match[3].str()};
  }
  if (std::regex_match(text, match, time)) {
    return Token{TokenKind::DateTime, match[1].str() + "-" + match[2].str() + "-" + match[3].str() + " " +
                                          match[4].str() + ":" + match[5].str() + ":" +
                                          (match[6].matched ? match[6].str() : "00")};
  }
  return std::nullopt;
}

// The closing delimiter's place, inner doubled ones (Oracle's) passed over; npos when open.
std::size_t Closing(std::string_view text, std::size_t from, char close, bool doubled, std::string& value) {
  for (std::size_t at = from; at < text.size(); ++at) {
    if (text[at] != close) {
      value += text[at];
    } else if (doubled && at + 1 < text.size() && text[at + 1] == close) {
      value += close;
      ++at;
    } else {
      return at;
    }
  }
  return std::string_view::npos;
}

// The tokens of a rule or a default; nothing when some part is none the forms use.
std::optional<std::vector<Token>> Tokens(std::string_view text, Dialect dialect) {
  std::vector<Token> tokens;
  const bool foxPro = dialect == Dialect::FoxPro;
  std::size_t at = 0;
  while (at < text.size()) {
    const char c = text[at];
    const bool valueExpected =
        tokens.empty() || tokens.back().kind == TokenKind::Operator || tokens.back().kind == TokenKind::Punctuation;
    if (std::isspace(static_cast<unsigned char>(c)) != 0) {
      ++at;
    } else if (std::isdigit(static_cast<unsigned char>(c)) != 0 ||
               ((c == '-' || c == '+' || c == '.') && valueExpected && at + 1 < text.size() &&
                (std::isdigit(static_cast<unsigned char>(text[at + 1])) != 0 || text[at + 1] == '.'))) {
      static const std::regex number(R"([-+]?(\d+\.?\d*|\.\d+)([eE][-+]?\d+)?)");
      std::cmatch match;
      const std::string rest(text.substr(at));
      if (!std::regex_search(rest.c_str(), match, number, std::regex_constants::match_continuous)) return std::nullopt;
      std::string digits = match.str();
      // FoxPro writes "0.AND." with no space: the point before a word is the word's own.
      if (digits.back() == '.' && digits.size() < rest.size() &&
          std::isalpha(static_cast<unsigned char>(rest[digits.size()])) != 0)
        digits.pop_back();
      const std::size_t length = digits.size();
      if (digits[0] == '+') digits.erase(0, 1);
      tokens.push_back({TokenKind::Number, digits});
      at += length;
    } else if (foxPro && c == '.' && at + 2 < text.size() && text[at + 2] == '.' &&
               std::string_view("TtFfYyNn").find(text[at + 1]) != std::string_view::npos) {
      const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(text[at + 1])));
      tokens.push_back({TokenKind::Logical, letter == 'T' || letter == 'Y' ? "T" : "F"});
      at += 3;
    } else if (foxPro && c == '.' && Upper(std::string(text.substr(at, 5))) == ".AND.") {
      tokens.push_back({TokenKind::Name, "AND"});
      at += 5;
    } else if (foxPro && c == '{') {
      std::string inside;
      const std::size_t end = Closing(text, at + 1, '}', false, inside);
      if (end == std::string_view::npos || inside.empty() || inside[0] != '^') return std::nullopt;
      std::optional<Token> literal = DateOrTime(inside.substr(1));
      if (!literal) return std::nullopt;
      tokens.push_back(*literal);
      at = end + 1;
    } else if (c == '\'' || (foxPro && (c == '"' || c == '['))) {
      std::string value;
      const std::size_t end = Closing(text, at + 1, c == '[' ? ']' : c, !foxPro, value);
      if (end == std::string_view::npos) return std::nullopt;
      tokens.push_back({TokenKind::Text, value});
      at = end + 1;
    } else if (!foxPro && c == '"') {
      std::string value;
      const std::size_t end = Closing(text, at + 1, '"', true, value);
      if (end == std::string_view::npos) return std::nullopt;
      tokens.push_back({TokenKind::QuotedName, value});
      at = end + 1;
    } else if (IsNameCharacter(c)) {
      std::size_t end = at;
      while (end < text.size() && IsNameCharacter(text[end])) ++end;
      tokens.push_back({TokenKind::Name, std::string(text.substr(at, end - at))});
      at = end;
    } else if (c == '(' || c == ')' || c == ',') {
      tokens.push_back({TokenKind::Punctuation, std::string(1, c)});
      ++at;
    } else {
      const std::string two(text.substr(at, 2));
      if (two == "<>" || two == "!=" || two == "<=" || two == ">=" || (foxPro && two == "==") ||
          (!foxPro && two == "^=")) {
        tokens.push_back({TokenKind::Operator, two});
        at += 2;
      } else if (foxPro && (two == "=>" || two == "=<")) {  // FoxPro takes both orders
        tokens.push_back({TokenKind::Operator, two == "=>" ? ">=" : "<="});
        at += 2;
      } else if (c == '=' || c == '<' || c == '>' || (foxPro && c == '#')) {
        tokens.push_back({TokenKind::Operator, std::string(1, c)});
        ++at;
      } else {
        return std::nullopt;
      }
    }
  }
  // Oracle spells dates and times as a keyword before a text.
  std::vector<Token> joined;
  for (std::size_t k = 0; k < tokens.size(); ++k) {
    const std::string word = tokens[k].kind == TokenKind::Name ? Upper(tokens[k].text) : "";
    if (!foxPro && (word == "DATE" || word == "TIMESTAMP") && k + 1 < tokens.size() &&
        tokens[k + 1].kind == TokenKind::Text) {
      std::optional<Token> literal = DateOrTime(tokens[++k].text);
      if (!literal || (word == "DATE") != (literal->kind == TokenKind::Date)) return std::nullopt;
      joined.push_back(*literal);
    } else {
      joined.push_back(tokens[k]);
    }
  }
  return joined;
}

bool IsLiteral(const Token& token) {
  return token.kind == TokenKind::Number || token.kind == TokenKind::Text || token.kind == TokenKind::Date ||
         token.kind == TokenKind::DateTime || token.kind == TokenKind::Logical;
}

// Whether a literal of that kind suits the field (Oracle holds a logical as 0 or 1).
std::optional<Literal> Suited(Literal literal, const ado::DeclaredField& field) {
  switch (field.typeLetter) {
    case 'N':
    case 'F':
    case 'I':
    case 'B':
    case 'Y':
      return literal.kind == TokenKind::Number ? std::optional<Literal>(literal) : std::nullopt;
    case 'C':
    case 'V':
    case 'M':
      // Oracle holds an empty text as NULL: such a default would be none.
      return literal.kind == TokenKind::Text && !literal.text.empty() ? std::optional<Literal>(literal) : std::nullopt;
    case 'D':
    case 'T':
      return literal.kind == TokenKind::Date || literal.kind == TokenKind::DateTime ? std::optional<Literal>(literal)
                                                                                    : std::nullopt;
    case 'L':
      if (literal.kind == TokenKind::Number && (literal.text == "0" || literal.text == "1")) {
        return Literal{TokenKind::Logical, literal.text == "1" ? "T" : "F"};
      }
      return literal.kind == TokenKind::Logical ? std::optional<Literal>(literal) : std::nullopt;
    default:
      return std::nullopt;
  }
}

std::optional<std::string> Spelled(const Literal& literal, Dialect dialect) {
  const bool foxPro = dialect == Dialect::FoxPro;
  switch (literal.kind) {
    case TokenKind::Number:
      return literal.text;
    case TokenKind::Date:
      return foxPro ? "{^" + literal.text + "}" : "DATE '" + literal.text + "'";
    case TokenKind::DateTime:
      return foxPro ? "{^" + literal.text + "}" : "TIMESTAMP '" + literal.text + "'";
    case TokenKind::Logical:
      return foxPro ? (literal.text == "T" ? ".T." : ".F.") : (literal.text == "T" ? "1" : "0");
    case TokenKind::Text: {
      if (!foxPro) {
        std::string quoted = "'";
        AppendDoubledApostrophes(quoted, literal.text);
        return quoted + "'";
      }
      for (const char* delimiters : {"\"\"", "''", "[]"}) {
        if (literal.text.find(delimiters[0]) == std::string::npos &&
            literal.text.find(delimiters[1]) == std::string::npos) {
          return delimiters[0] + literal.text + delimiters[1];
        }
      }
      return std::nullopt;  // a FoxPro text holds no text with all three delimiters
    }
    default:
      return std::nullopt;
  }
}

std::optional<std::string> DefaultFor(std::string_view text, const ado::DeclaredField& field, Dialect from) {
  const std::optional<std::vector<Token>> tokens = Tokens(text, from);
  if (!tokens || tokens->size() != 1 || !IsLiteral(tokens->front())) return std::nullopt;
  const std::optional<Literal> literal = Suited(tokens->front(), field);
  if (!literal) return std::nullopt;
  return Spelled(*literal, from == Dialect::FoxPro ? Dialect::Oracle : Dialect::FoxPro);
}

// ---- Rules: a comparison of one field with literals, parts joined by AND

struct RulePart {
  std::string form;  // a comparison operator as Oracle spells it, BETWEEN or IN
  std::vector<Literal> values;
};

struct Rule {
  std::string field;
  std::vector<RulePart> parts;
};

class RuleReader {
 public:
  RuleReader(std::vector<Token> tokens, Dialect dialect) : m_tokens(std::move(tokens)), m_dialect(dialect) {}

  std::optional<Rule> Read() {
    Rule rule;
    // One pair of parentheses around the whole is Oracle's way of writing it back.
    if (m_tokens.size() > 2 && m_tokens.front().text == "(" && m_tokens.back().text == ")" &&
        m_tokens.front().kind == TokenKind::Punctuation) {
      m_tokens = std::vector<Token>(m_tokens.begin() + 1, m_tokens.end() - 1);
    }
    do {
      std::optional<RulePart> part = m_dialect == Dialect::FoxPro ? FoxProPart(rule.field) : OraclePart(rule.field);
      if (!part) return std::nullopt;
      rule.parts.push_back(std::move(*part));
    } while (Word("AND"));
    if (m_at != m_tokens.size() || rule.field.empty()) return std::nullopt;
    return rule;
  }

 private:
  const Token* Peek() const { return m_at < m_tokens.size() ? &m_tokens[m_at] : nullptr; }
  bool Word(const char* word) {
    const Token* token = Peek();
    if (token == nullptr || token->kind != TokenKind::Name || Upper(token->text) != word) return false;
    ++m_at;
    return true;
  }
  bool Punctuation(const char* text) {
    const Token* token = Peek();
    if (token == nullptr || token->kind != TokenKind::Punctuation || token->text != text) return false;
    ++m_at;
    return true;
  }
  std::optional<Literal> Value() {
    const Token* token = Peek();
    if (token == nullptr || !IsLiteral(*token)) return std::nullopt;
    ++m_at;
    return *token;
  }
  // The field's name, which every part must name alike.
  bool Field(std::string& field) {
    const Token* token = Peek();
    const bool name = token != nullptr && (m_dialect == Dialect::FoxPro ? token->kind == TokenKind::Name
                                                                        : token->kind == TokenKind::QuotedName);
    if (!name) return false;
    const bool same =
        m_dialect == Dialect::FoxPro ? foxpro::EqualsIgnoringCase(field, token->text) : field == token->text;
    if (!field.empty() && !same) return false;
    field = token->text;
    ++m_at;
    return true;
  }
  std::optional<std::string> Comparison() {
    const Token* token = Peek();
    if (token == nullptr || token->kind != TokenKind::Operator || token->text == "==") return std::nullopt;
    ++m_at;
    if (token->text == "#" || token->text == "!=" || token->text == "^=") return "<>";
    return token->text;
  }

  std::optional<RulePart> FoxProPart(std::string& field) {
    for (const char* function : {"BETWEEN", "INLIST"}) {
      if (!Word(function)) continue;
      RulePart part{std::string(function) == "BETWEEN" ? "BETWEEN" : "IN", {}};
      if (!Punctuation("(") || !Field(field)) return std::nullopt;
      while (Punctuation(",")) {
        std::optional<Literal> value = Value();
        if (!value) return std::nullopt;
        part.values.push_back(*value);
      }
      const bool counted = part.form == "BETWEEN" ? part.values.size() == 2 : !part.values.empty();
      if (!Punctuation(")") || !counted) return std::nullopt;
      return part;
    }
    return ComparedPart(field);
  }

  std::optional<RulePart> OraclePart(std::string& field) {
    const std::size_t start = m_at;
    if (Field(field)) {
      if (Word("BETWEEN")) {
        std::optional<Literal> low = Value();
        if (!low || !Word("AND")) return std::nullopt;
        std::optional<Literal> high = Value();
        if (!high) return std::nullopt;
        return RulePart{"BETWEEN", {*low, *high}};
      }
      if (Word("IN")) {
        RulePart part{"IN", {}};
        if (!Punctuation("(")) return std::nullopt;
        do {
          std::optional<Literal> value = Value();
          if (!value) return std::nullopt;
          part.values.push_back(*value);
        } while (Punctuation(","));
        if (!Punctuation(")")) return std::nullopt;
        return part;
      }
    }
    m_at = start;
    return ComparedPart(field);
  }

  std::optional<RulePart> ComparedPart(std::string& field) {
    if (!Field(field)) return std::nullopt;
    std::optional<std::string> comparison = Comparison();
    if (!comparison) return std::nullopt;
    std::optional<Literal> value = Value();
    if (!value) return std::nullopt;
    return RulePart{*comparison, {*value}};
  }

  std::vector<Token> m_tokens;
  Dialect m_dialect;
  std::size_t m_at = 0;
};

std::optional<Rule> ReadRule(std::string_view text, Dialect dialect) {
  std::optional<std::vector<Token>> tokens = Tokens(text, dialect);
  if (!tokens) return std::nullopt;
  return RuleReader(std::move(*tokens), dialect).Read();
}

// The rule in the other dialect, on the field spelled name there.
std::optional<std::string> Written(const Rule& rule, const std::string& name, const ado::DeclaredField& field,
                                   Dialect dialect) {
  const bool foxPro = dialect == Dialect::FoxPro;
  std::vector<std::string> parts;
  for (const RulePart& part : rule.parts) {
    std::vector<std::string> values;
    for (const Literal& value : part.values) {
      const std::optional<Literal> suited = Suited(value, field);
      if (!suited) return std::nullopt;
      std::optional<std::string> spelled = Spelled(*suited, dialect);
      if (!spelled) return std::nullopt;
      values.push_back(*spelled);
    }
    if (part.form == "BETWEEN") {
      parts.push_back(foxPro ? "BETWEEN(" + name + ", " + values[0] + ", " + values[1] + ")"
                             : name + " BETWEEN " + values[0] + " AND " + values[1]);
    } else if (part.form == "IN") {
      parts.push_back(foxPro ? "INLIST(" + name + ", " + Joined(values, ", ") + ")"
                             : name + " IN (" + Joined(values, ", ") + ")");
    } else {
      parts.push_back(name + " " + part.form + " " + values[0]);
    }
  }
  return Joined(parts, " AND ");
}

}  // namespace

std::optional<std::string> OracleDefaultFor(std::string_view foxProDefault, const ado::DeclaredField& field) {
  return DefaultFor(foxProDefault, field, Dialect::FoxPro);
}

std::optional<std::string> FoxProDefaultFor(std::string_view oracleDefault, const ado::DeclaredField& field) {
  return DefaultFor(oracleDefault, field, Dialect::Oracle);
}

bool IsFoxProTextLiteral(std::string_view text) {
  const std::optional<std::vector<Token>> tokens = Tokens(text, Dialect::FoxPro);
  return tokens && tokens->size() == 1 && tokens->front().kind == TokenKind::Text;
}

std::optional<std::string> OracleCheckFor(std::string_view rule, std::string_view fieldName, const std::string& column,
                                          const ado::DeclaredField& field) {
  const std::optional<Rule> read = ReadRule(rule, Dialect::FoxPro);
  if (!read || !foxpro::EqualsIgnoringCase(read->field, fieldName)) return std::nullopt;
  return Written(*read, Quoted(column), field, Dialect::Oracle);
}

std::optional<std::string> CheckedColumn(std::string_view condition) {
  const std::optional<Rule> read = ReadRule(condition, Dialect::Oracle);
  if (!read) return std::nullopt;
  return read->field;
}

std::optional<std::string> FoxProRuleFor(std::string_view condition, const std::string& fieldName,
                                         const ado::DeclaredField& field) {
  const std::optional<Rule> read = ReadRule(condition, Dialect::Oracle);
  if (!read) return std::nullopt;
  return Written(*read, fieldName, field, Dialect::FoxPro);
}

}  // namespace transfer
