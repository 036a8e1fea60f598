#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/ado/Failure.h"
#include "platform/foxpro/files/FileIo.h"

namespace foxpro {

const char* const kFolderSeparators = "/";

namespace {

std::string SystemError(int error) { return std::strerror(error); }

struct flock RangeOf(short type, std::uint64_t offset, std::uint64_t length) {
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = static_cast<off_t>(offset);
  lock.l_len = static_cast<off_t>(length);
  return lock;
}

// RAII descriptor; every call goes straight to pread/pwrite so no buffering can reorder writes.
class DiskFile : public File {
 public:
  DiskFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  ~DiskFile() override { ::close(fd_); }
  DiskFile(const DiskFile&) = delete;
  DiskFile& operator=(const DiskFile&) = delete;

  std::uint64_t Size() const override {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) throw ado::Failure("Cannot read " + path_ + ": " + SystemError(errno));
    return static_cast<std::uint64_t>(st.st_size);
  }

  std::size_t ReadAt(std::uint64_t offset, void* buffer, std::size_t n) override {
    auto* out = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < n) {
      ssize_t got = ::pread(fd_, out + done, n - done, static_cast<off_t>(offset + done));
      if (got < 0) {
        if (errno == EINTR) continue;
        throw ado::Failure("Cannot read " + path_ + ": " + SystemError(errno));
      }
      if (got == 0) break;
      done += static_cast<std::size_t>(got);
    }
    return done;
  }

  void WriteAt(std::uint64_t offset, const void* data, std::size_t n) override {
    const auto* in = static_cast<const char*>(data);
    std::size_t done = 0;
    while (done < n) {
      ssize_t put = ::pwrite(fd_, in + done, n - done, static_cast<off_t>(offset + done));
      if (put < 0) {
        if (errno == EINTR) continue;
        throw ado::Failure("Cannot write " + path_ + ": " + SystemError(errno));
      }
      done += static_cast<std::size_t>(put);
    }
  }

  void Truncate(std::uint64_t size) override {
    if (::ftruncate(fd_, static_cast<off_t>(size)) != 0)
      throw ado::Failure("Cannot write " + path_ + ": " + SystemError(errno));
  }

  void Sync() override {
    if (::fdatasync(fd_) != 0) throw ado::Failure("Cannot write " + path_ + ": " + SystemError(errno));
  }

  const std::string& Path() const override { return path_; }

  bool TryLockRange(std::uint64_t offset, std::uint64_t length) override {
    // Open-file-description locks: they conflict between two opens in one process as well as
    // with the classic POSIX locks of other processes, onto which Samba maps Windows clients' locks.
    if (length == 0) return true;  // an l_len of 0 would lock to the end of any size
    struct flock lock = RangeOf(F_WRLCK, offset, length);
    while (::fcntl(fd_, F_OFD_SETLK, &lock) != 0) {
      if (errno == EINTR) continue;
      if (errno == EAGAIN || errno == EACCES) return false;
      throw ado::Failure("Cannot lock " + path_ + ": " + SystemError(errno));
    }
    return true;
  }

  void UnlockRange(std::uint64_t offset, std::uint64_t length) override {
    if (length == 0) return;
    struct flock lock = RangeOf(F_UNLCK, offset, length);
    while (::fcntl(fd_, F_OFD_SETLK, &lock) != 0) {
      if (errno != EINTR) throw ado::Failure("Cannot unlock " + path_ + ": " + SystemError(errno));
    }
  }

 private:
  int fd_;
  std::string path_;
};

class DiskFileSystemImpl : public FileSystem {
 public:
  std::unique_ptr<File> Open(const std::string& path, OpenMode mode) override {
    int flags = O_CLOEXEC;
    switch (mode) {
      case OpenMode::Read:
        flags |= O_RDONLY;
        break;
      case OpenMode::ReadWrite:
        flags |= O_RDWR;
        break;
      case OpenMode::CreateNew:
        flags |= O_RDWR | O_CREAT | O_EXCL;
        break;
    }
    int fd = ::open(path.c_str(), flags, 0666);
    if (fd < 0) {
      int error = errno;
      if (error == EEXIST) throw ado::Failure("File " + path + " already exists");
      if (error == ENOENT) throw ado::Failure("File " + path + " does not exist.");
      throw ado::Failure("Cannot open " + path + ": " + SystemError(error));
    }
    return std::make_unique<DiskFile>(fd, path);
  }

  bool Exists(const std::string& path) override {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
  }

  std::string FindIgnoringCase(const std::string& path) override {
    if (Exists(path)) return path;
    std::string folder = FolderPart(path);
    std::string name = path.substr(folder.size());
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (dir == nullptr) return {};
    std::string found;
    while (dirent* entry = ::readdir(dir)) {
      if (strcasecmp(entry->d_name, name.c_str()) == 0 && Exists(folder + entry->d_name)) {
        // Several spellings can coexist on Linux; take the first in name order for a stable choice.
        std::string candidate = folder + entry->d_name;
        if (found.empty() || candidate < found) found = candidate;
      }
    }
    ::closedir(dir);
    return found;
  }

  void Remove(const std::string& path) override {
    if (::unlink(path.c_str()) != 0 && errno != ENOENT)
      throw ado::Failure("Cannot delete " + path + ": " + SystemError(errno));
  }
};

}  // namespace

FileSystem& DiskFileSystem() {
  static DiskFileSystemImpl fs;
  return fs;
}

std::optional<FileIdentity> IdentityOfFile(const std::string& path) {
  struct statx info {};
  if (::statx(AT_FDCWD, path.c_str(), 0, STATX_INO, &info) != 0) return std::nullopt;
  return FileIdentity{(static_cast<unsigned long long>(info.stx_dev_major) << 32) | info.stx_dev_minor,
                      static_cast<unsigned long long>(info.stx_ino)};
}

bool SameFile(const std::string& a, const std::string& b) {
  std::error_code errorA, errorB;
  const auto canonicalA = std::filesystem::weakly_canonical(a, errorA);
  const auto canonicalB = std::filesystem::weakly_canonical(b, errorB);
  return !errorA && !errorB && canonicalA == canonicalB;
}

bool IsAbsolutePath(const std::string& path) { return !path.empty() && path.front() == '/'; }

bool IsFolder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::vector<FolderEntry> ListFolder(const std::string& folder) {
  const auto fail = [&](int error) {
    return ado::Failure("Cannot read the folder " + folder + ": " + SystemError(error) + ".");
  };
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (dir == nullptr) throw fail(errno);
  const std::string prefix = folder.empty() || folder.back() == '/' ? folder : folder + "/";
  std::vector<FolderEntry> entries;
  errno = 0;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") {
      // Links and file systems that do not tell the type are asked about the file itself.
      const bool known = entry->d_type != DT_UNKNOWN && entry->d_type != DT_LNK;
      entries.push_back({name, known ? entry->d_type == DT_REG : DiskFileSystem().Exists(prefix + name)});
    }
    errno = 0;
  }
  const int error = errno;
  ::closedir(dir);
  if (error != 0) throw fail(error);
  return entries;
}

void MakeWritable(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || ::chmod(path.c_str(), st.st_mode | S_IWUSR) != 0)
    throw ado::Failure("Cannot make " + path + " writable: " + SystemError(errno));
}

std::string AbsolutePath(const std::string& path) {
  if (IsAbsolutePath(path)) return path;
  std::error_code error;
  const std::filesystem::path folder = std::filesystem::current_path(error);
  if (error) throw ado::Failure("Cannot read the working folder: " + error.message());
  return (folder / path).string();
}

bool AddFileName(const std::string& from, const std::string& to) { return ::link(from.c_str(), to.c_str()) == 0; }

void RenameReplacing(const std::string& from, const std::string& to) {
  if (std::rename(from.c_str(), to.c_str()) != 0) {
    throw ado::Failure("Cannot rename " + from + " to " + to + ": " + std::strerror(errno));
  }
}

FolderCreationLock::FolderCreationLock(const std::string& folder)
    : handle_(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
  if (handle_ >= 0) ::flock(static_cast<int>(handle_), LOCK_EX);
}

FolderCreationLock::~FolderCreationLock() {
  if (handle_ >= 0) ::close(static_cast<int>(handle_));
}

}  // namespace foxpro
