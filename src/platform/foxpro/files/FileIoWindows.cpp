#include <windows.h>

#include <cwctype>

#include "platform/ado/Failure.h"
#include "platform/ado/Utf.h"
#include "platform/foxpro/files/FileIo.h"

namespace foxpro {

const char* const kFolderSeparators = "/\\";

namespace {

std::string SystemError(DWORD error) {
  wchar_t* text = nullptr;
  const DWORD length =
      ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string message = length > 0 ? ado::Utf8FromWide(text, length) : "error " + std::to_string(error);
  if (text != nullptr) ::LocalFree(text);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == '.'))
    message.pop_back();
  return message;
}

// The path as the W functions take it: absolute, with backslashes and the \\?\ prefix
// (\\?\UNC\ for a share), so that names past 260 characters open too.
std::wstring SystemPath(const std::string& path) {
  std::wstring wide;
  ado::AppendUtf16(wide, path.empty() ? std::string(".") : path);
  for (wchar_t& c : wide)
    if (c == L'/') c = L'\\';
  if (wide.rfind(L"\\\\?\\", 0) == 0) return wide;
  const DWORD needed = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return wide;
  std::wstring full(needed, L'\0');
  const DWORD length = ::GetFullPathNameW(wide.c_str(), needed, full.data(), nullptr);
  if (length == 0 || length >= needed) return wide;
  full.resize(length);
  if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

OVERLAPPED At(std::uint64_t offset) {
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  return at;
}

// Calls go straight to ReadFile/WriteFile at explicit offsets, so no buffering can reorder writes.
class DiskFile : public File {
 public:
  DiskFile(HANDLE handle, std::string path) : handle_(handle), path_(std::move(path)) {}
  ~DiskFile() override { ::CloseHandle(handle_); }
  DiskFile(const DiskFile&) = delete;
  DiskFile& operator=(const DiskFile&) = delete;

  std::uint64_t Size() const override {
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(handle_, &size)) Fail("Cannot read ");
    return static_cast<std::uint64_t>(size.QuadPart);
  }

  std::size_t ReadAt(std::uint64_t offset, void* buffer, std::size_t n) override {
    auto* out = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < n) {
      OVERLAPPED at = At(offset + done);
      DWORD got = 0;
      const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(n - done, 1u << 30));
      if (!::ReadFile(handle_, out + done, chunk, &got, &at)) {
        if (::GetLastError() == ERROR_HANDLE_EOF) break;
        Fail("Cannot read ");
      }
      if (got == 0) break;
      done += got;
    }
    return done;
  }

  void WriteAt(std::uint64_t offset, const void* data, std::size_t n) override {
    const auto* in = static_cast<const char*>(data);
    std::size_t done = 0;
    while (done < n) {
      OVERLAPPED at = At(offset + done);
      DWORD put = 0;
      const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(n - done, 1u << 30));
      if (!::WriteFile(handle_, in + done, chunk, &put, &at)) Fail("Cannot write ");
      done += put;
    }
  }

  void Truncate(std::uint64_t size) override {
    LARGE_INTEGER end{};
    end.QuadPart = static_cast<LONGLONG>(size);
    if (!::SetFilePointerEx(handle_, end, nullptr, FILE_BEGIN) || !::SetEndOfFile(handle_)) Fail("Cannot write ");
  }

  void Sync() override {
    if (!::FlushFileBuffers(handle_)) Fail("Cannot write ");
  }

  const std::string& Path() const override { return path_; }

  bool TryLockRange(std::uint64_t offset, std::uint64_t length) override {
    OVERLAPPED at = At(offset);
    if (::LockFileEx(handle_, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, static_cast<DWORD>(length),
                     static_cast<DWORD>(length >> 32), &at))
      return true;
    const DWORD error = ::GetLastError();
    if (error == ERROR_LOCK_VIOLATION || error == ERROR_SHARING_VIOLATION || error == ERROR_IO_PENDING) return false;
    Fail("Cannot lock ", error);
  }

  void UnlockRange(std::uint64_t offset, std::uint64_t length) override {
    OVERLAPPED at = At(offset);
    if (!::UnlockFileEx(handle_, 0, static_cast<DWORD>(length), static_cast<DWORD>(length >> 32), &at))
      Fail("Cannot unlock ");
  }

 private:
  [[noreturn]] void Fail(const char* what, DWORD error = ::GetLastError()) const {
    throw ado::Failure(what + path_ + ": " + SystemError(error));
  }

  HANDLE handle_;
  std::string path_;
};

// Deletes the name at once even while another handle has the file open, as unlink does, so
// that a table can be made again under it (Windows 10's POSIX semantics). False where the
// file system lacks them: DeleteFileW then frees the name when the last handle closes.
bool RemoveNameNow(const std::wstring& name) {
  const HANDLE handle = ::CreateFileW(name.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  FILE_DISPOSITION_INFO_EX disposition{};
  disposition.Flags = FILE_DISPOSITION_FLAG_DELETE | FILE_DISPOSITION_FLAG_POSIX_SEMANTICS;
  // FileDispositionInfoEx, which mingw-w64's headers declare for newer targets only.
  constexpr auto kDispositionEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(21);
  const bool removed = ::SetFileInformationByHandle(handle, kDispositionEx, &disposition, sizeof disposition) != 0;
  ::CloseHandle(handle);
  return removed;
}

bool IsFile(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

class DiskFileSystemImpl : public FileSystem {
 public:
  std::unique_ptr<File> Open(const std::string& path, OpenMode mode) override {
    const DWORD access = mode == OpenMode::Read ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE;
    const DWORD disposition = mode == OpenMode::CreateNew ? CREATE_NEW : OPEN_EXISTING;
    // Shared as FoxPro shares its tables: other programs read and write beside us, under locks.
    const HANDLE handle =
        ::CreateFileW(SystemPath(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                      disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      const DWORD error = ::GetLastError();
      if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS)
        throw ado::Failure("File " + path + " already exists");
      if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
        throw ado::Failure("File " + path + " does not exist.");
      throw ado::Failure("Cannot open " + path + ": " + SystemError(error));
    }
    return std::make_unique<DiskFile>(handle, path);
  }

  bool Exists(const std::string& path) override { return IsFile(::GetFileAttributesW(SystemPath(path).c_str())); }

  // Windows' names ignore case already; the search gives the name as it is spelt on disk.
  std::string FindIgnoringCase(const std::string& path) override {
    WIN32_FIND_DATAW found{};
    const HANDLE search = ::FindFirstFileW(SystemPath(path).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return {};
    ::FindClose(search);
    if (!IsFile(found.dwFileAttributes)) return {};
    return FolderPart(path) + ado::Utf8FromWide(found.cFileName, std::wcslen(found.cFileName));
  }

  void Remove(const std::string& path) override {
    const std::wstring name = SystemPath(path);
    if (RemoveNameNow(name) || ::DeleteFileW(name.c_str())) return;
    const DWORD error = ::GetLastError();
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND)
      throw ado::Failure("Cannot delete " + path + ": " + SystemError(error));
  }
};

}  // namespace

FileSystem& DiskFileSystem() {
  static DiskFileSystemImpl fs;
  return fs;
}

std::optional<FileIdentity> IdentityOfFile(const std::string& path) {
  // No access asked for: the handle only reads the file's identity, whoever has it open.
  const HANDLE handle =
      ::CreateFileW(SystemPath(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION info{};
  const bool known = ::GetFileInformationByHandle(handle, &info) != 0;
  ::CloseHandle(handle);
  if (!known) return std::nullopt;
  return FileIdentity{info.dwVolumeSerialNumber,
                      (static_cast<unsigned long long>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

// The same file when both lead to one file (the volume's file index), whatever the spelling,
// share or link; for paths that lead to nothing yet, the same full path ignoring case.
bool SameFile(const std::string& a, const std::string& b) {
  const auto identityA = IdentityOfFile(a);
  const auto identityB = IdentityOfFile(b);
  if (identityA || identityB) return identityA == identityB;
  const std::wstring fullA = SystemPath(a);
  const std::wstring fullB = SystemPath(b);
  return ::CompareStringOrdinal(fullA.data(), static_cast<int>(fullA.size()), fullB.data(),
                                static_cast<int>(fullB.size()), TRUE) == CSTR_EQUAL;
}

bool IsAbsolutePath(const std::string& path) {
  const auto separator = [](char c) { return c == '/' || c == '\\'; };
  if (!path.empty() && separator(path.front())) return true;
  const bool drive = path.size() >= 3 && ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
  return drive && path[1] == ':' && separator(path[2]);
}

bool IsFolder(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesW(SystemPath(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::vector<FolderEntry> ListFolder(const std::string& folder) {
  const auto fail = [&](DWORD error) {
    return ado::Failure("Cannot read the folder " + folder + ": " + SystemError(error) + ".");
  };
  std::wstring pattern = SystemPath(folder);
  if (pattern.back() != L'\\') pattern += L'\\';
  pattern += L'*';
  std::vector<FolderEntry> entries;
  WIN32_FIND_DATAW found{};
  const HANDLE search = ::FindFirstFileW(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    const DWORD error = ::GetLastError();
    if (error == ERROR_FILE_NOT_FOUND) return entries;  // a drive's root without "." and ".."
    throw fail(error);
  }
  do {
    const std::string name = ado::Utf8FromWide(found.cFileName, std::wcslen(found.cFileName));
    if (name != "." && name != "..") entries.push_back({name, IsFile(found.dwFileAttributes)});
  } while (::FindNextFileW(search, &found));
  const DWORD error = ::GetLastError();
  ::FindClose(search);
  if (error != ERROR_NO_MORE_FILES) throw fail(error);
  return entries;
}

void MakeWritable(const std::string& path) {
  const std::wstring name = SystemPath(path);
  const DWORD attributes = ::GetFileAttributesW(name.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES ||
      !::SetFileAttributesW(name.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY))
    throw ado::Failure("Cannot make " + path + " writable: " + SystemError(::GetLastError()));
}

std::string AbsolutePath(const std::string& path) {
  std::wstring wide;
  ado::AppendUtf16(wide, path.empty() ? std::string(".") : path);
  const DWORD needed = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  std::wstring full(needed, L'\0');
  const DWORD length = needed == 0 ? 0 : ::GetFullPathNameW(wide.c_str(), needed, full.data(), nullptr);
  if (length == 0 || length >= needed)
    throw ado::Failure("Cannot find the full path of " + path + ": " + SystemError(::GetLastError()));
  return ado::Utf8FromWide(full.data(), length);
}

bool AddFileName(const std::string& from, const std::string& to) {
  return ::CreateHardLinkW(SystemPath(to).c_str(), SystemPath(from).c_str(), nullptr) != 0;
}

void RenameReplacing(const std::string& from, const std::string& to) {
  if (!::MoveFileExW(SystemPath(from).c_str(), SystemPath(to).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    throw ado::Failure("Cannot rename " + from + " to " + to + ": " + SystemError(::GetLastError()));
  }
}

// A directory cannot be locked on Windows: a mutex named after the folder's full path stands
// in for it, across the processes of this computer (not across computers sharing the folder).
FolderCreationLock::FolderCreationLock(const std::string& folder) : handle_(0) {
  std::wstring key = SystemPath(folder);
  for (wchar_t& c : key) c = c == L'\\' ? L'/' : static_cast<wchar_t>(std::towlower(c));
  const std::wstring name = L"Local\\Tesselby-create-" + key;
  const HANDLE mutex = ::CreateMutexW(nullptr, FALSE, name.c_str());
  if (mutex == nullptr) return;
  const DWORD waited = ::WaitForSingleObject(mutex, INFINITE);
  if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
    ::CloseHandle(mutex);
    return;
  }
  handle_ = reinterpret_cast<std::intptr_t>(mutex);
}

FolderCreationLock::~FolderCreationLock() {
  if (handle_ == 0) return;
  const auto mutex = reinterpret_cast<HANDLE>(handle_);
  ::ReleaseMutex(mutex);
  ::CloseHandle(mutex);
}

}  // namespace foxpro
