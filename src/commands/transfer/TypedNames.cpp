#include "commands/transfer/TypedNames.h"

#include <algorithm>

#include "platform/ado/Utf.h"

namespace transfer {
namespace {

// ASCII only, both ways, so that a name folded to either case folds back to itself.
std::string AsciiCase(std::string name, bool upper) {
  for (char& c : name) {
    if (upper && c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (!upper && c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return name;
}

std::string_view MarkerOf(NameSide kept) { return kept == NameSide::Oracle ? "Oracle names:" : "FoxPro names:"; }

std::optional<std::string> Find(const std::vector<NamePair>& pairs, const std::string& here) {
  const std::string wanted = AsciiCase(here, false);
  for (const NamePair& pair : pairs) {
    if (AsciiCase(pair.here, false) == wanted) return pair.there;
  }
  return std::nullopt;
}

// Reads the record's words and quoted names; false at anything else.
class RecordReader {
 public:
  explicit RecordReader(std::string_view text) : m_text(text) {}
  bool Read(NameRecord& record) {
    while (SkipBlanks()) {
      const std::string word = Word();
      std::string here, there;
      if (!Name(here)) return false;
      std::vector<NamePair>* pairs = word == "field"        ? &record.fields
                                     : word == "key"        ? &record.keys
                                     : word == "relation"   ? &record.relations
                                     : word == "expression" ? &record.expressions
                                                            : nullptr;
      if (word == "table") {
        record.table = here;
      } else if (pairs != nullptr && Name(there)) {
        pairs->push_back({here, there});
      } else if (pairs != nullptr || word.empty()) {
        return false;
      } else {
        // A later writer's entry: its quoted texts are passed over, and the rest still reads.
        while (Name(there)) {
        }
      }
    }
    return true;
  }

 private:
  bool SkipBlanks() {
    while (m_at < m_text.size() && m_text[m_at] == ' ') ++m_at;
    return m_at < m_text.size();
  }
  std::string Word() {
    const std::size_t start = m_at;
    while (m_at < m_text.size() && m_text[m_at] >= 'a' && m_text[m_at] <= 'z') ++m_at;
    return std::string(m_text.substr(start, m_at - start));
  }
  bool Name(std::string& name) {
    std::optional<std::string> read = ReadDoubleQuotedText(m_text, m_at);
    if (read) name = std::move(*read);
    return read.has_value();
  }

  std::string_view m_text;
  std::size_t m_at = 0;
};

}  // namespace

std::string OracleNameOf(const std::string& foxProName) { return AsciiCase(foxProName, true); }

std::string FoxProNameOf(const std::string& oracleName) { return AsciiCase(oracleName, false); }

std::optional<std::string> NameRecord::Field(const std::string& here) const { return Find(fields, here); }

std::optional<std::string> NameRecord::Key(const std::string& here) const { return Find(keys, here); }

std::optional<std::string> NameRecord::Relation(const std::string& here) const { return Find(relations, here); }

std::optional<std::string> NameRecord::Expression(const std::string& here) const { return Find(expressions, here); }

RecordedComment SplitNameRecord(std::string_view comment, NameSide kept) {
  const std::string_view marker = MarkerOf(kept);
  const std::size_t lineEnd = comment.find('\n');
  const std::string_view first = comment.substr(0, lineEnd);
  RecordedComment split;
  if (!first.starts_with(marker) || !RecordReader(first.substr(marker.size())).Read(split.names)) {
    return {std::string(comment), {}};
  }
  if (lineEnd != std::string_view::npos) split.comment = std::string(comment.substr(lineEnd + 1));
  return split;
}

std::string WithNameRecord(const std::string& comment, NameSide kept, const NameRecord& names, std::size_t limit) {
  // The record is one line: a name that holds a line break cannot be in it.
  const auto oneLine = [](const std::string& name) { return name.find_first_of("\r\n") == std::string::npos; };
  std::string line(MarkerOf(kept));
  if (names.table && oneLine(*names.table)) line += " table " + DoubleQuotedText(*names.table);
  for (const auto& [word, pairs] :
       {std::pair{" field ", &names.fields}, std::pair{" key ", &names.keys}, std::pair{" relation ", &names.relations},
        std::pair{" expression ", &names.expressions}}) {
    for (const NamePair& pair : *pairs) {
      if (oneLine(pair.here) && oneLine(pair.there))
        line += word + DoubleQuotedText(pair.here) + " " + DoubleQuotedText(pair.there);
    }
  }
  if (line.size() == MarkerOf(kept).size()) return comment;
  if (comment.empty()) return line;
  line += "\n";
  if (limit == 0 || line.size() + comment.size() <= limit) return line + comment;
  const std::size_t room = line.size() < limit ? limit - line.size() : 0;
  return line + comment.substr(0, ado::WholeCharacterLength(comment, room));
}

std::string DoubleQuotedText(const std::string& text) {
  std::string quoted = "\"";
  for (const char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

std::optional<std::string> ReadDoubleQuotedText(std::string_view text, std::size_t& at) {
  while (at < text.size() && text[at] == ' ') ++at;
  if (at >= text.size() || text[at] != '"') return std::nullopt;
  std::string value;
  for (++at; at < text.size(); ++at) {
    if (text[at] != '"') {
      value += text[at];
    } else if (at + 1 < text.size() && text[at + 1] == '"') {
      value += '"';
      ++at;
    } else {
      ++at;
      return value;
    }
  }
  return std::nullopt;
}

}  // namespace transfer
