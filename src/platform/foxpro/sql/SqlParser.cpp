#include "platform/foxpro/sql/SqlParser.h"

#include <charconv>
#include <cstddef>
#include <optional>
#include <string>
#include <utility>

#include "platform/ado/Failure.h"
#include "platform/foxpro/files/FileIo.h"
#include "platform/foxpro/tables/CodePage.h"
#include "platform/foxpro/tables/FieldTypes.h"
#include "platform/foxpro/tables/TableNames.h"

namespace foxpro {

namespace {

constexpr const char* kUnrecognizedVerb = "Unrecognized command verb.";
constexpr const char* kUnrecognizedPhrase = "Command contains unrecognized phrase/keyword.";
constexpr const char* kInvalidArgument = "Function argument value, type, or count is invalid.";
constexpr std::size_t kExcerptLength = 30;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }
bool IsWordStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsWordChar(char c) { return IsWordStart(c) || (c >= '0' && c <= '9'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

struct TypeWord {
  std::string_view word;
  char type;
};

// Single letters and the long names Visual FoxPro 9 accepts in CREATE TABLE.
constexpr TypeWord kTypeWords[] = {
    {"C", 'C'},         {"CHAR", 'C'}, {"CHARACTER", 'C'}, {"V", 'V'},       {"VARCHAR", 'V'}, {"Q", 'Q'},
    {"VARBINARY", 'Q'}, {"N", 'N'},    {"NUM", 'N'},       {"NUMERIC", 'N'}, {"F", 'F'},       {"FLOAT", 'F'},
    {"I", 'I'},         {"INT", 'I'},  {"INTEGER", 'I'},   {"L", 'L'},       {"LOGICAL", 'L'}, {"D", 'D'},
    {"DATE", 'D'},      {"T", 'T'},    {"DATETIME", 'T'},  {"B", 'B'},       {"DOUBLE", 'B'},  {"Y", 'Y'},
    {"CURRENCY", 'Y'},  {"M", 'M'},    {"MEMO", 'M'},      {"W", 'W'},       {"BLOB", 'W'},    {"G", 'G'},
    {"GENERAL", 'G'},
};

class Parser {
 public:
  explicit Parser(std::string_view sql) : sql_(sql) {}

  SqlStatement Statement() {
    SkipBlanks();
    const std::size_t verbAt = pos_;
    const std::string verb = UpperAscii(Word());
    SqlStatement result;
    if (verb == "SELECT") {
      result = Select();
    } else if (verb == "CREATE") {
      result = Create();
    } else if (verb == "INSERT") {
      result = Insert();
    } else if (verb == "DROP") {
      result = Drop();
    } else if (verb == "RENAME") {
      result = Rename();
    } else if (verb == "ALTER") {
      result = Alter();
    } else if (verb == "INDEX") {
      result = IndexOn();
    } else {
      pos_ = verbAt;
      Fail(kUnrecognizedVerb);
    }
    SkipBlanks();
    if (Peek() == ';') {
      ++pos_;
      SkipBlanks();
    }
    if (!AtEnd()) {
      Fail(kUnrecognizedPhrase);
    }
    return result;
  }

 private:
  SelectAllStatement Select() {
    ExpectSymbol('*');
    ExpectKeyword("FROM");
    return SelectAllStatement{Table()};
  }

  CreateTableStatement Create() {
    ExpectKeyword("TABLE");
    CreateTableStatement statement{Table(), {}};
    for (bool free = false, codePage = false;;) {
      if (!free && AcceptKeyword("FREE")) {
        free = true;
      } else if (!codePage && AcceptKeyword("CODEPAGE")) {
        codePage = true;
        ExpectSymbol('=');
        SkipBlanks();
        const std::size_t at = pos_;
        statement.codePage = Integer();
        try {
          MarkForCodePage(statement.codePage);
        } catch (const ado::Failure&) {
          pos_ = at;
          Fail("Code page number is invalid.");
        }
      } else {
        break;
      }
    }
    ExpectSymbol('(');
    do {
      statement.columns.push_back(Column());
    } while (AcceptSymbol(','));
    ExpectSymbol(')');
    return statement;
  }

  ColumnDefinition Column() {
    ColumnDefinition column;
    SkipBlanks();
    const std::size_t nameAt = pos_;
    if (Peek() == '[') {
      column.name = Delimited('[', ']');
    } else if (Peek() == '`') {
      column.name = Delimited('`', '`');
    } else {
      column.name = Word();
    }
    if (column.name.empty()) {
      pos_ = nameAt;
      Fail("Field name is a duplicate or invalid.");
    }
    SkipBlanks();
    const std::size_t typeAt = pos_;
    const std::string typeWord = UpperAscii(Word());
    column.type = 0;
    for (const TypeWord& entry : kTypeWords) {
      if (entry.word == typeWord) {
        column.type = entry.type;
      }
    }
    if (column.type == 0) {
      pos_ = typeAt;
      Fail(typeWord.empty() ? kUnrecognizedPhrase : "Field type is invalid.");
    }
    if (AcceptSymbol('(')) {
      const int first = Integer();
      const int second = AcceptSymbol(',') ? Integer() : 0;
      ExpectSymbol(')');
      if (HasDeclaredWidth(column.type)) {
        column.width = first;
        column.decimals = second;
      } else if (column.type == 'B') {
        column.decimals = second;
      }
    } else if (HasDeclaredWidth(column.type)) {
      Fail("Field width or decimal is invalid.");
    }
    for (;;) {
      if (AcceptKeyword("NOT")) {
        ExpectKeyword("NULL");
        column.nullable = false;
      } else if (AcceptKeyword("NULL")) {
        column.nullable = true;
      } else if (AcceptKeyword("NOCPTRANS")) {
        column.binary = true;
      } else if (AcceptKeyword("AUTOINC")) {
        AutoIncrement(column);
      } else {
        return column;
      }
    }
  }

  // AUTOINC [NEXTVALUE n [STEP s]] of an integer field.
  void AutoIncrement(ColumnDefinition& column) {
    if (column.type != 'I') {
      Fail("AUTOINC is allowed only for an Integer field.");
    }
    column.autoIncrement = true;
    if (!AcceptKeyword("NEXTVALUE")) {
      return;
    }
    const bool negative = AcceptSymbol('-');
    SkipBlanks();
    const std::size_t at = pos_;
    const int next = Integer();
    column.nextValue = negative ? -std::int64_t{next} : next;
    if (AcceptKeyword("STEP")) {
      SkipBlanks();
      const std::size_t stepAt = pos_;
      column.step = Integer();
      if (column.step < 1 || column.step > 255) {
        pos_ = stepAt;
        Fail(kInvalidArgument);
      }
    }
    if (column.nextValue > 2147483647 || column.nextValue < -2147483647) {
      pos_ = at;
      Fail(kInvalidArgument);
    }
  }

  InsertStatement Insert() {
    ExpectKeyword("INTO");
    InsertStatement statement{Table(), {}};
    ExpectKeyword("VALUES");
    ExpectSymbol('(');
    SkipBlanks();
    statement.parameterMarkers = Peek() == '?';
    do {
      if (statement.parameterMarkers) {
        ExpectSymbol('?');
        statement.values.emplace_back();
      } else {
        statement.values.push_back(Value());
      }
    } while (AcceptSymbol(','));
    ExpectSymbol(')');
    return statement;
  }

  // A value: NULL, or text terms ('...', "...", CHR(n)) joined with '+'.
  std::optional<std::string> Value() {
    if (AcceptKeyword("NULL")) {
      return std::nullopt;
    }
    std::string text;
    do {
      Term(text);
    } while (AcceptSymbol('+'));
    return text;
  }

  void Term(std::string& out) {
    SkipBlanks();
    const char c = Peek();
    if (c == '\'' || c == '"') {
      Quoted(c, out);
      return;
    }
    const std::size_t at = pos_;
    if (UpperAscii(Word()) == "CHR") {
      ExpectSymbol('(');
      SkipBlanks();
      const std::size_t argumentAt = pos_;
      const int code = Integer();
      if (code > 255) {
        pos_ = argumentAt;
        Fail(kInvalidArgument);
      }
      ExpectSymbol(')');
      AppendUtf8(static_cast<char32_t>(code), out);
      return;
    }
    pos_ = at;
    Fail(AtEnd() ? "Missing operand." : kUnrecognizedPhrase);
  }

  DropTableStatement Drop() {
    ExpectKeyword("TABLE");
    return DropTableStatement{Table()};
  }

  RenameTableStatement Rename() {
    ExpectKeyword("TABLE");
    RenameTableStatement statement;
    statement.from = Table();
    ExpectKeyword("TO");
    statement.to = Table();
    return statement;
  }

  SqlStatement Alter() {
    ExpectKeyword("TABLE");
    const TableReference table = Table();
    ExpectKeyword("ADD");
    if (AcceptKeyword("FOREIGN")) return AddRelation(table);
    return AddTag(table);
  }

  AddRelationStatement AddRelation(const TableReference& child) {
    ExpectKeyword("KEY");
    AddRelationStatement statement;
    statement.child = child;
    statement.expression = KeyExpression();
    ExpectKeyword("TAG");
    statement.childTag = TagName();
    ExpectKeyword("REFERENCES");
    statement.parent = Table();
    if (AcceptKeyword("TAG")) statement.parentTag = TagName();
    if (AcceptKeyword("RIINFO")) {
      SkipBlanks();
      const char quote = Peek();
      if (quote != '\'' && quote != '"') Fail(kInvalidArgument);
      Quoted(quote, statement.riInfo);
    }
    return statement;
  }

  AddIndexTagStatement AddTag(const TableReference& table) {
    AddIndexTagStatement statement;
    statement.table = table;
    if (AcceptKeyword("PRIMARY")) {
      ExpectKeyword("KEY");
      statement.tag.kind = IndexKind::Primary;
    } else {
      ExpectKeyword("UNIQUE");
      statement.tag.kind = IndexKind::Candidate;
    }
    statement.tag.expression = KeyExpression();
    ExpectKeyword("TAG");
    statement.tag.name = TagName();
    return statement;
  }

  AddIndexTagStatement IndexOn() {
    ExpectKeyword("ON");
    AddIndexTagStatement statement;
    statement.tag.expression = KeyExpression();
    ExpectKeyword("TAG");
    statement.tag.name = TagName();
    bool named = false;
    for (;;) {
      if (AcceptKeyword("OF")) {
        statement.table = Table();
        // The structural index is named after its table: 'orders.cdx' indexes 'orders.dbf'.
        if (statement.table.isPath && EqualsIgnoringCase(ExtensionOf(FileNameOf(statement.table.text)), "cdx")) {
          statement.table.text = ReplaceExtension(statement.table.text, ".dbf");
        }
        named = true;
      } else if (AcceptKeyword("DESCENDING")) {
        statement.tag.descending = true;
      } else if (AcceptKeyword("CANDIDATE")) {
        statement.tag.kind = IndexKind::Candidate;
      } else if (AcceptKeyword("UNIQUE")) {
        statement.tag.kind = IndexKind::Unique;
      } else if (!AcceptKeyword("ASCENDING") && !AcceptKeyword("COMPACT") && !AcceptKeyword("ADDITIVE")) {
        break;
      }
    }
    if (!named) Fail("The index file is missing: INDEX ON ... TAG ... OF 'table.cdx'.");
    return statement;
  }

  // The key expression's text up to the keyword TAG outside parentheses and quotes; the
  // engine compiles it against the table's fields.
  std::string KeyExpression() {
    SkipBlanks();
    const std::size_t start = pos_;
    int depth = 0;
    while (!AtEnd()) {
      const char c = Peek();
      if (c == '\'' || c == '"') {
        std::string ignored;
        Quoted(c, ignored);
        continue;
      }
      if (IsWordStart(c)) {
        const std::size_t wordAt = pos_;
        const std::string word = UpperAscii(Word());
        const bool boundary = wordAt == 0 || !IsWordChar(sql_[wordAt - 1]);
        if (depth == 0 && boundary && (word == "TAG" || word == "FOR")) {
          pos_ = wordAt;
          if (word == "FOR") Fail("FOR clauses of index tags are not supported.");
          break;
        }
        continue;
      }
      depth += c == '(' ? 1 : c == ')' ? -1 : 0;
      ++pos_;
    }
    std::string text(sql_.substr(start, pos_ - start));
    while (!text.empty() && IsBlank(text.back())) text.pop_back();
    if (text.empty()) Fail("Missing operand.");
    return text;
  }

  std::string TagName() {
    SkipBlanks();
    const std::string name = Word();
    if (name.empty()) Fail("Missing tag name.");
    return name;
  }

  TableReference Table() {
    SkipBlanks();
    const std::size_t at = pos_;
    TableReference table;
    const char c = Peek();
    if (c == '`') {
      table.text = Delimited('`', '`');
    } else if (c == '\'' || c == '"') {
      Quoted(c, table.text);
      table.isPath = true;
    } else {
      table.text = Word();
    }
    if (table.text.empty()) {
      pos_ = at;
      Fail("Missing table name.");
    }
    return table;
  }

  // A string in apostrophes or double quotes; the delimiter doubled stands for itself.
  void Quoted(char quote, std::string& out) {
    const std::size_t start = pos_;
    ++pos_;
    for (;;) {
      const std::size_t close = sql_.find(quote, pos_);
      if (close == std::string_view::npos) {
        pos_ = start;
        Fail("Syntax error. The string is not closed.");
      }
      out.append(sql_.substr(pos_, close - pos_));
      pos_ = close + 1;
      if (Peek() != quote) {
        return;
      }
      out.push_back(quote);
      ++pos_;
    }
  }

  // Text between open and close, taken as it is.
  std::string Delimited(char open, char close) {
    const std::size_t start = pos_;
    if (Peek() != open) {
      Fail(kUnrecognizedPhrase);
    }
    const std::size_t end = sql_.find(close, pos_ + 1);
    if (end == std::string_view::npos) {
      Fail(open == '[' ? "Syntax error. The name has no closing ']'." : "Syntax error. The name is not closed.");
    }
    pos_ = end + 1;
    return std::string(sql_.substr(start + 1, end - start - 1));
  }

  int Integer() {
    SkipBlanks();
    const std::size_t start = pos_;
    while (IsDigit(Peek())) {
      ++pos_;
    }
    if (start == pos_) {
      Fail("Missing operand.");
    }
    int value = 0;
    const auto result = std::from_chars(sql_.data() + start, sql_.data() + pos_, value);
    if (result.ec != std::errc()) {
      pos_ = start;
      Fail(kInvalidArgument);
    }
    return value;
  }

  std::string Word() {
    SkipBlanks();
    const std::size_t start = pos_;
    if (IsWordStart(Peek())) {
      while (IsWordChar(Peek())) {
        ++pos_;
      }
    }
    return std::string(sql_.substr(start, pos_ - start));
  }

  bool AcceptKeyword(std::string_view keyword) {
    SkipBlanks();
    const std::size_t start = pos_;
    if (EqualsIgnoringCase(Word(), keyword)) {
      return true;
    }
    pos_ = start;
    return false;
  }

  void ExpectKeyword(std::string_view keyword) {
    if (!AcceptKeyword(keyword)) {
      Fail(kUnrecognizedPhrase);
    }
  }

  bool AcceptSymbol(char symbol) {
    SkipBlanks();
    if (Peek() == symbol && !AtEnd()) {
      ++pos_;
      return true;
    }
    return false;
  }

  void ExpectSymbol(char symbol) {
    if (!AcceptSymbol(symbol)) {
      Fail(kUnrecognizedPhrase);
    }
  }

  void SkipBlanks() {
    while (!AtEnd() && IsBlank(sql_[pos_])) {
      ++pos_;
    }
  }

  bool AtEnd() const { return pos_ >= sql_.size(); }
  char Peek() const { return AtEnd() ? '\0' : sql_[pos_]; }

  // The description names where the statement stopped making sense, with a short excerpt
  // (statements can be megabytes long).
  [[noreturn]] void Fail(const std::string& message) const {
    std::size_t at = pos_;
    while (at < sql_.size() && IsBlank(sql_[at])) {
      ++at;
    }
    std::string description = message;
    if (at >= sql_.size()) {
      description += " The statement ends too early.";
    } else {
      std::string excerpt(sql_.substr(at, kExcerptLength));
      if (sql_.size() - at > kExcerptLength) {
        excerpt += "...";
      }
      description += " Found \"" + excerpt + "\" at character " + std::to_string(at + 1) + ".";
    }
    throw ado::Failure(description);
  }

  std::string_view sql_;
  std::size_t pos_ = 0;
};

}  // namespace

SqlStatement SqlParser::Parse(std::string_view sql) { return Parser(sql).Statement(); }

}  // namespace foxpro
