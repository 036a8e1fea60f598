#include "platform/foxpro/files/FileIo.h"

#include <strings.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/ado/Failure.h"

namespace foxpro {
namespace {

class MemoryFile : public File {
 public:
  MemoryFile(std::shared_ptr<std::vector<std::uint8_t>> bytes, std::string path, bool writable,
             std::shared_ptr<const std::uint64_t> limit)
      : bytes_(std::move(bytes)), path_(std::move(path)), writable_(writable), limit_(std::move(limit)) {}

  std::uint64_t Size() const override { return bytes_->size(); }

  std::size_t ReadAt(std::uint64_t offset, void* buffer, std::size_t n) override {
    if (offset >= bytes_->size()) return 0;
    std::size_t count = std::min<std::uint64_t>(n, bytes_->size() - offset);
    std::memcpy(buffer, bytes_->data() + offset, count);
    return count;
  }

  void WriteAt(std::uint64_t offset, const void* data, std::size_t n) override {
    if (!writable_) throw ado::Failure("Cannot write " + path_ + ": opened for reading");
    if (n == 0) return;
    if (offset > *limit_ || n > *limit_ - offset) throw ado::Failure("Cannot write " + path_ + ": disk full");
    if (offset + n > bytes_->size()) bytes_->resize(offset + n);
    std::memcpy(bytes_->data() + offset, data, n);
  }

  void Truncate(std::uint64_t size) override {
    if (!writable_) throw ado::Failure("Cannot write " + path_ + ": opened for reading");
    bytes_->resize(size);
  }

  void Sync() override {}
  const std::string& Path() const override { return path_; }

 private:
  std::shared_ptr<std::vector<std::uint8_t>> bytes_;
  std::string path_;
  bool writable_;
  std::shared_ptr<const std::uint64_t> limit_;
};

}  // namespace

std::unique_ptr<File> MemoryFileSystem::Open(const std::string& path, OpenMode mode) {
  auto it = files_.find(path);
  if (mode == OpenMode::CreateNew) {
    if (it != files_.end()) throw ado::Failure("File " + path + " already exists");
    it = files_.emplace(path, std::make_shared<std::vector<std::uint8_t>>()).first;
  } else if (it == files_.end()) {
    throw ado::Failure("File " + path + " does not exist.");
  }
  return std::make_unique<MemoryFile>(it->second, path, mode != OpenMode::Read, limit_);
}

bool MemoryFileSystem::Exists(const std::string& path) { return files_.count(path) != 0; }

std::string MemoryFileSystem::FindIgnoringCase(const std::string& path) {
  if (Exists(path)) return path;
  for (const auto& [name, bytes] : files_) {
    if (name.size() == path.size() && strcasecmp(name.c_str(), path.c_str()) == 0) return name;
  }
  return {};
}

void MemoryFileSystem::Remove(const std::string& path) { files_.erase(path); }

void MemoryFileSystem::Put(const std::string& path, std::vector<std::uint8_t> bytes) {
  files_[path] = std::make_shared<std::vector<std::uint8_t>>(std::move(bytes));
}

const std::vector<std::uint8_t>& MemoryFileSystem::Bytes(const std::string& path) const {
  auto it = files_.find(path);
  if (it == files_.end()) throw ado::Failure("File " + path + " does not exist.");
  return *it->second;
}

std::string FolderPart(const std::string& path) {
  auto slash = path.find_last_of(kFolderSeparators);
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string ParentFolder(const std::string& path) {
  std::string folder = FolderPart(path);
  if (folder.empty()) return ".";
  // A root keeps its separator: "C:" alone is the drive's working folder, "" no folder at all.
  const bool root = folder.find_first_not_of(kFolderSeparators) == std::string::npos ||
                    (folder.size() >= 2 && folder[folder.size() - 2] == ':');
  if (!root) folder.pop_back();
  return folder;
}

namespace {

// std::filesystem reads a char string in the ANSI code page on Windows; names here are UTF-8.
std::filesystem::path Utf8Path(const std::string& text) { return std::u8string(text.begin(), text.end()); }

}  // namespace

std::string RelativePath(const std::string& from, const std::string& to) {
  const auto target = Utf8Path(AbsolutePath(to)).lexically_normal();
  const auto base = Utf8Path(AbsolutePath(from.empty() ? "." : from)).lexically_normal();
  const std::u8string relative = target.lexically_relative(base).make_preferred().u8string();
  return std::string(relative.begin(), relative.end());
}

std::string ReplaceExtension(const std::string& path, const std::string& newExtension) {
  std::size_t nameStart = FolderPart(path).size();
  auto dot = path.find_last_of('.');
  if (dot == std::string::npos || dot < nameStart) return path + newExtension;
  return path.substr(0, dot) + newExtension;
}

}  // namespace foxpro
