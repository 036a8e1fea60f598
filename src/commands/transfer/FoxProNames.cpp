#include "commands/transfer/FoxProNames.h"

#include <cstdint>
#include <set>
#include <string_view>

#include "commands/transfer/Datatype.h"
#include "commands/transfer/ListHelpers.h"
#include "commands/transfer/SqlHelpers.h"
#include "platform/ado/Utf.h"

namespace transfer {
namespace {

constexpr std::size_t kPieceLength = 200;
constexpr std::string_view kPieceJoint = "'+'";

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

}  // namespace

std::string FolderOf(const std::string& path) {
  const std::size_t last = path.find_last_of("/\\");
  if (last == std::string::npos) return {};
  return path.substr(0, last + 1);
}

std::string FoxProTablePath(const std::string& tableName, int mode, const std::string& dbcFile,
                            const std::string& freeTableFolder) {
  std::string folder = mode == kDbcFileMode ? FolderOf(dbcFile) : freeTableFolder;
  if (!folder.empty() && !IsSeparator(folder.back())) {
    const std::size_t last = folder.find_last_of("/\\");
    folder += last == std::string::npos ? '/' : folder[last];
  }
  return folder + tableName + ".DBF";
}

std::string FoxProColumnName(const std::string& fieldName) {
  std::string name = "[" + fieldName + "]";
  for (char& c : name) {
    if (c == ' ') c = '_';
  }
  for (char& c : name) {
    if (c == '/') c = '_';
  }
  return name;
}

std::string SplitLongText(const std::string& text) {
  std::string result;
  result.reserve(text.size() + text.size() / kPieceLength * kPieceJoint.size());
  std::size_t characters = 0;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t length = ado::Utf8SequenceLength(text, at);
    result.append(text, at, length);
    at += length;
    if (++characters % kPieceLength == 0) result += kPieceJoint;
  }
  return result;
}

namespace {

bool IntoBlobColumn(int sourceType) {
  return FoxProColumnClause(DataTypeName(static_cast<std::int16_t>(sourceType))) == " BLOB,";
}

}  // namespace

void AppendFoxProValueText(std::string& out, const ado::Value& value, int sourceType) {
  const ado::Value& present = NullToDefault(value, EmptyText());
  std::string converted;
  if (present.Is<ado::Bytes>() && !IntoBlobColumn(sourceType)) {
    ado::AppendHexText(converted, present.As<ado::Bytes>());
  } else if (!present.Is<std::string>()) {
    ado::AppendValueText(converted, present);
  }
  const std::string& text = present.Is<std::string>() ? present.As<std::string>() : converted;
  out.reserve(out.size() + text.size() + text.size() / kPieceLength * kPieceJoint.size() + 8);
  // The caller has opened a literal. A line break closes it and follows as CHR(n); the next
  // ordinary character opens a new one. opener is where a literal that this function opened
  // ("+'" or a joint) began, so that a line break right after it can take the opener back
  // instead of leaving an empty '' piece.
  bool inLiteral = true;
  bool literalEmpty = true;
  std::size_t opener = std::string::npos;
  std::size_t characters = 0;
  const auto special = [](char c) { return c == '\r' || c == '\n' || c == '\''; };
  for (std::size_t at = 0; at < text.size();) {
    const char c = text[at];
    if (c == '\r' || c == '\n') {
      if (inLiteral) {
        if (literalEmpty && opener != std::string::npos) {
          out.resize(opener);
        } else {
          out += '\'';
        }
        inLiteral = false;
      }
      out += c == '\r' ? "+CHR(13)" : "+CHR(10)";
      ++at;
      ++characters;
    } else {
      if (!inLiteral) {
        opener = out.size();
        out += "+'";
        inLiteral = true;
      }
      if (c == '\'') {
        out += "''";
        ++at;
        ++characters;
      } else {
        // Ordinary characters go in as one run, up to the next special one or the next joint.
        const std::size_t run = at;
        do {
          at += ado::Utf8SequenceLength(text, at);
          ++characters;
        } while (at < text.size() && characters % kPieceLength != 0 && !special(text[at]));
        out.append(text, run, at - run);
      }
      literalEmpty = false;
    }
    if (characters % kPieceLength == 0 && inLiteral) {
      opener = out.size() + 1;  // the "+'" inside the joint
      out += kPieceJoint;
      literalEmpty = true;
    }
  }
  if (!inLiteral) out += "+'";
}

std::string FoxProValueText(const ado::Value& value, int sourceType) {
  std::string out;
  AppendFoxProValueText(out, value, sourceType);
  return out;
}

namespace {

// The first characters of a name, at most count of them, never cutting a character apart.
std::string FirstCharacters(const std::string& name, std::size_t count) {
  std::size_t at = 0;
  for (std::size_t taken = 0; at < name.size() && taken < count; ++taken) at += ado::Utf8SequenceLength(name, at);
  return name.substr(0, at);
}

}  // namespace

std::vector<std::string> ShortenedFieldNames(const std::vector<std::string>& names, std::size_t maxLength) {
  std::vector<std::string> result;
  std::set<std::string> taken;  // lower case: FoxPro's names ignore letter case
  for (const std::string& name : names) {
    std::string shortName = FirstCharacters(name, maxLength);
    for (int n = 2; taken.count(LowerCase(shortName)) != 0; ++n) {
      std::string suffix = "_";
      suffix += std::to_string(n);
      shortName = FirstCharacters(name, maxLength - std::min(maxLength, suffix.size())) + suffix;
    }
    taken.insert(LowerCase(shortName));
    result.push_back(shortName);
  }
  return result;
}

}  // namespace transfer
