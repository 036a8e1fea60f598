#include "platform/foxpro/containers/DbcFiles.h"

#include <vector>

#include "platform/ado/Failure.h"
#include "platform/foxpro/tables/TableNames.h"

namespace foxpro {

void ReplaceFile(FileSystem& fs, const std::string& from, const std::string& to) {
  if (auto* memory = dynamic_cast<MemoryFileSystem*>(&fs)) {
    memory->Put(to, memory->Bytes(from));
    memory->Remove(from);
    return;
  }
  RenameReplacing(from, to);
}

void LinkFile(FileSystem& fs, const std::string& from, const std::string& to) {
  if (fs.Exists(to) || !fs.FindIgnoringCase(to).empty()) throw ado::Failure("File " + to + " already exists.");
  if (dynamic_cast<MemoryFileSystem*>(&fs) == nullptr && AddFileName(from, to)) return;
  auto source = fs.Open(from, OpenMode::Read);
  std::vector<std::uint8_t> bytes(source->Size());
  if (source->ReadAt(0, bytes.data(), bytes.size()) != bytes.size()) throw ado::Failure("Cannot read " + from + ".");
  auto target = fs.Open(to, OpenMode::CreateNew);
  target->WriteAt(0, bytes.data(), bytes.size());
  target->Sync();
}

std::string ResolveIgnoringCase(FileSystem& fs, const std::string& folder, const std::string& relative) {
  const std::string portable = PortablePath(relative);
  if (portable.empty()) return {};
  std::string path = IsAbsolutePath(portable) ? "" : folder;
  if (!path.empty() && path.back() != '/') path += '/';
  std::size_t start = 0;
  while (start <= portable.size()) {
    std::size_t slash = portable.find('/', start);
    if (slash == std::string::npos) slash = portable.size();
    const std::string part = portable.substr(start, slash - start);
    start = slash + 1;
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      path += "../";
      continue;
    }
    const bool last = slash == portable.size();
    if (last) return fs.FindIgnoringCase(path + part);
    const auto names = MatchingFileNames(path.empty() ? "." : path, part);
    path += (names.empty() ? part : names.front()) + "/";
  }
  return {};
}

std::string RelativeWindowsPath(const std::string& fromFolder, const std::string& to) {
  std::string relative = RelativePath(fromFolder, to);
  if (relative.empty()) relative = FileNameOf(to);
  for (char& c : relative) {
    if (c == '/') c = '\\';
  }
  return relative;
}

}  // namespace foxpro
