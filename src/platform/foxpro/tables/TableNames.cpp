#include "platform/foxpro/tables/TableNames.h"

#include <algorithm>

#include "platform/ado/Failure.h"
#include "platform/foxpro/files/FileIo.h"
#include "platform/foxpro/tables/DbfHeader.h"

namespace foxpro {

namespace {

char LowerChar(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
char UpperChar(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool IsPrintableAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c > ' ' && c < 0x7F; });
}

bool Taken(const std::vector<std::string>& names, std::string_view candidate) {
  return std::any_of(names.begin(), names.end(), [&](const std::string& n) { return n == candidate; });
}

}  // namespace

std::string LowerAscii(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(), LowerChar);
  return out;
}

std::string UpperAscii(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(), UpperChar);
  return out;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return LowerChar(x) == LowerChar(y); });
}

bool EndsWithIgnoringCase(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && EqualsIgnoringCase(text.substr(text.size() - suffix.size()), suffix);
}

std::vector<std::string> ShortFieldNames(const std::vector<std::string>& names) {
  std::vector<std::string> result;
  result.reserve(names.size());
  for (const std::string& name : names) {
    if (name.empty() || !IsPrintableAscii(name)) {
      throw ado::Failure("Field name is a duplicate or invalid: \"" + name + "\".");
    }
    std::string candidate = UpperAscii(name.substr(0, std::min(name.size(), kDbfFieldNameLength)));
    for (int number = 2; Taken(result, candidate); ++number) {
      const std::string suffix = std::to_string(number);
      const std::string base = UpperAscii(name.substr(0, std::min(name.size(), kDbfFieldNameLength - suffix.size())));
      candidate = base + suffix;
    }
    result.push_back(std::move(candidate));
  }
  return result;
}

void CheckNewTableName(std::string_view name) {
  const bool blank = name.find_first_not_of(' ') == std::string_view::npos;
  const bool padded = !blank && (name.front() == ' ' || name.back() == ' ');
  const bool bad = blank || padded || name == "." || name == ".." ||
                   name.find_first_of(std::string_view("/\\\0`'", 5)) != std::string_view::npos;
  if (bad) throw ado::Failure("Invalid path or file name: table name \"" + std::string(name) + "\".");
}

std::string PortablePath(std::string_view path) {
  std::string out(path);
  std::replace(out.begin(), out.end(), '\\', '/');
  return out;
}

std::string FileNameOf(std::string_view path) {
  const std::size_t slash = path.find_last_of(kFolderSeparators);
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string StemOf(std::string_view fileName) {
  const std::size_t dot = fileName.find_last_of('.');
  return std::string(dot == std::string_view::npos ? fileName : fileName.substr(0, dot));
}

std::string ExtensionOf(std::string_view fileName) {
  const std::size_t dot = fileName.find_last_of('.');
  return dot == std::string_view::npos ? std::string() : std::string(fileName.substr(dot + 1));
}

std::vector<std::string> MatchingFileNames(const std::string& folder, std::string_view fileName) {
  std::vector<std::string> found;
  if (!IsFolder(folder.empty() ? std::string(".") : folder)) {
    return found;
  }
  for (FolderEntry& entry : ListFolder(folder.empty() ? std::string(".") : folder)) {
    if (EqualsIgnoringCase(entry.name, fileName)) {
      found.push_back(std::move(entry.name));
    }
  }
  std::stable_partition(found.begin(), found.end(), [&](const std::string& n) { return n == fileName; });
  return found;
}

namespace {

bool Present(const std::string& path) { return IsFolder(path) || DiskFileSystem().Exists(path); }

}  // namespace

std::string FindPathIgnoringCase(const std::string& path) {
  if (path.empty()) {
    return std::string();
  }
  if (Present(path)) {
    return path;
  }
  std::string found;
  std::size_t start = 0;
  if (path[0] == '/') {
    found = "/";
    start = 1;
  }
  while (start <= path.size()) {
    const std::size_t slash = std::min(path.find('/', start), path.size());
    const std::string part = path.substr(start, slash - start);
    start = slash + 1;
    if (part.empty() || part == ".") {
      continue;
    }
    const std::string folder = found.empty() ? std::string(".") : found;
    std::string next;
    if (part == "..") {
      next = part;
    } else {
      const std::vector<std::string> names = MatchingFileNames(folder, part);
      if (names.empty()) {
        return std::string();
      }
      next = names.front();
    }
    found = found.empty() ? next : (found.back() == '/' ? found + next : found + "/" + next);
  }
  return Present(found) ? found : std::string();
}

bool IsTableFile(const std::string& dbfPath) {
  try {
    auto file = DiskFileSystem().Open(dbfPath, OpenMode::Read);
    ReadDbfHeader(*file, UncountedRecords::Any);
    return true;
  } catch (const ado::Failure&) {
    return false;
  }
}

}  // namespace foxpro
