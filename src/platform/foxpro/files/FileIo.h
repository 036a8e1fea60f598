#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace foxpro {

/// One open file. Every byte the engine reads or writes goes through this seam, so that
/// fuzzers and tests can substitute in-memory or failing files.
class File {
 public:
  virtual ~File() = default;
  virtual std::uint64_t Size() const = 0;
  /// Reads up to n bytes at offset; returns how many were read (short only at end of file).
  virtual std::size_t ReadAt(std::uint64_t offset, void* buffer, std::size_t n) = 0;
  /// Writes all n bytes at offset, growing the file when needed; throws on failure.
  virtual void WriteAt(std::uint64_t offset, const void* data, std::size_t n) = 0;
  virtual void Truncate(std::uint64_t size) = 0;
  /// Pushes written bytes to the storage device (fdatasync for real files).
  virtual void Sync() = 0;
  /// The path the file was opened with, for failure descriptions.
  virtual const std::string& Path() const = 0;
  /// Takes an exclusive lock on bytes [offset, offset + length) without waiting; false when another open of
  /// the file (in this process or another) holds an overlapping one. Lasts until UnlockRange or close. Files
  /// that cannot be shared (in memory) always succeed.
  virtual bool TryLockRange(std::uint64_t offset, std::uint64_t length) { return offset + length >= offset; }
  virtual void UnlockRange(std::uint64_t offset, std::uint64_t length) { (void)offset, (void)length; }
};

enum class OpenMode { Read, ReadWrite, CreateNew };

/// How long a writer waits for another writer's lock when nobody said otherwise (seconds).
inline constexpr long kDefaultLockTimeoutSeconds = 30;

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  /// Throws ado::Failure naming the path when the file cannot be opened.
  virtual std::unique_ptr<File> Open(const std::string& path, OpenMode mode) = 0;
  virtual bool Exists(const std::string& path) = 0;
  /// The existing file whose name equals path's name without regard to letter case, in
  /// path's folder; the exact name wins. Empty when there is none.
  virtual std::string FindIgnoringCase(const std::string& path) = 0;
  virtual void Remove(const std::string& path) = 0;
};

/// The operating system's files.
FileSystem& DiskFileSystem();

/// Files held in memory (fuzzers, tests). Paths are plain keys; folders are not modelled
/// beyond the text before the last '/'.
class MemoryFileSystem : public FileSystem {
 public:
  std::unique_ptr<File> Open(const std::string& path, OpenMode mode) override;
  bool Exists(const std::string& path) override;
  std::string FindIgnoringCase(const std::string& path) override;
  void Remove(const std::string& path) override;

  void Put(const std::string& path, std::vector<std::uint8_t> bytes);
  const std::vector<std::uint8_t>& Bytes(const std::string& path) const;
  /// Writes that would grow a file past this many bytes fail like a full disk.
  void SetSizeLimit(std::uint64_t bytes) { *limit_ = bytes; }

 private:
  std::map<std::string, std::shared_ptr<std::vector<std::uint8_t>>> files_;
  std::shared_ptr<std::uint64_t> limit_ = std::make_shared<std::uint64_t>(UINT64_MAX);
};

/// Which file a path leads to, told apart from a file put there later under the same name.
struct FileIdentity {
  unsigned long long device = 0;
  unsigned long long inode = 0;
  bool operator==(const FileIdentity&) const = default;
};

/// The identity of the file at path (as it is written); nothing when there is none. Asks for
/// the inode alone: a stat that reads the file's times makes the kernel (multigrain
/// timestamps) stamp the next write afresh, which would dirty the inode on every row.
std::optional<FileIdentity> IdentityOfFile(const std::string& path);

/// True when both paths lead to one file after links and "..", ".", "//" are resolved.
bool SameFile(const std::string& a, const std::string& b);

/// The characters that end a folder's name in a path: '/' on Linux, '/' and '\\' on Windows.
extern const char* const kFolderSeparators;

/// True when path does not depend on the working folder: "/x" on Linux; on Windows also
/// "C:/x", "C:\\x" and shares ("//server/share", "\\\\server\\share").
bool IsAbsolutePath(const std::string& path);

/// Gives the file at from the second name to (a hard link); false when the file system has
/// no such links, and the caller copies instead. Throws nothing.
bool AddFileName(const std::string& from, const std::string& to);

/// Renames from to to, replacing a file already called to; throws ado::Failure when it cannot.
void RenameReplacing(const std::string& from, const std::string& to);

/// While it lives, no other process (of this program) creates a table in folder: two writers
/// creating one table at once would each take the other's new memo file for a stale one.
/// Without a lock (a folder that will not open) the caller goes on alone.
class FolderCreationLock {
 public:
  explicit FolderCreationLock(const std::string& folder);
  ~FolderCreationLock();
  FolderCreationLock(const FolderCreationLock&) = delete;
  FolderCreationLock& operator=(const FolderCreationLock&) = delete;

 private:
  std::intptr_t handle_;
};

/// True when path names a folder (links followed).
bool IsFolder(const std::string& path);

/// One name in a folder; isFile for a regular file (links followed).
struct FolderEntry {
  std::string name;
  bool isFile = false;
};

/// The names in folder, "." and ".." left out, in no particular order; throws ado::Failure
/// "Cannot read the folder <folder>: <reason>." when it cannot be read.
std::vector<FolderEntry> ListFolder(const std::string& folder);

/// Lets the file's owner write it again (clears Windows' read-only attribute); throws
/// ado::Failure when it cannot.
void MakeWritable(const std::string& path);

/// The path made independent of the working folder, without resolving links or "..".
std::string AbsolutePath(const std::string& path);

/// The way from folder from to the path to, as a relative path with the system's separators
/// ("..", "." resolved lexically); empty when there is none (another drive).
std::string RelativePath(const std::string& from, const std::string& to);

/// Folder part of a path including its last separator (empty when there is none).
std::string FolderPart(const std::string& path);
/// The folder holding path, without a trailing separator unless it is a root ("/", "C:/");
/// "." when path names no folder.
std::string ParentFolder(const std::string& path);
/// The path with its extension (text after the last '.' of the file name) replaced.
std::string ReplaceExtension(const std::string& path, const std::string& newExtension);

}  // namespace foxpro
