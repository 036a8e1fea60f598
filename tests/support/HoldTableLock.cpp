// Stands in for a Visual FoxPro application beside tesselby.exe in scripts/test-windows.sh:
//   hold-table-lock hold TABLE.DBF SECONDS  takes FLOCK() on the table, says "locked", keeps it
//                                           SECONDS seconds and exits (which lets go)
//   hold-table-lock probe TABLE.DBF         reads the whole table, then tries FLOCK(): prints
//                                           "read N bytes, flock taken" or "... refused"
// The lock positions are FoxPro's own, written out here rather than taken from the engine, so
// that a wrong range in the engine shows.
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Range {
  DWORD offset, length;
};

// FLOCK(): below the header lock at 0x7FFFFFFE for a table with a structural index (header
// flag 0x01 at byte 28), after the header lock at 0x40000000 for one without.
Range FileLockOf(HANDLE table) {
  unsigned char flags = 0;
  DWORD got = 0;
  OVERLAPPED at{};
  at.Offset = 28;
  ::ReadFile(table, &flags, 1, &got, &at);
  if (got == 1 && (flags & 0x01) != 0) return {0x7FFFFFFE - 0x07FFFFFF, 0x07FFFFFF};
  return {0x40000001, 0x3FFFFFFD};
}

bool TryLock(HANDLE table, Range range) {
  OVERLAPPED at{};
  at.Offset = range.offset;
  return ::LockFileEx(table, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, range.length, 0, &at) != 0;
}

}  // namespace

int main() {
  int count = 0;
  wchar_t** args = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (args == nullptr || count < 3) {
    std::fprintf(stderr, "usage: hold-table-lock hold TABLE.DBF SECONDS | probe TABLE.DBF\n");
    return 2;
  }
  const std::wstring mode = args[1];
  const HANDLE table =
      ::CreateFileW(args[2], GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (table == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "hold-table-lock: cannot open the table (error %lu)\n", ::GetLastError());
    return 1;
  }
  const Range range = FileLockOf(table);
  if (mode == L"hold" && count >= 4) {
    if (!TryLock(table, range)) {
      std::fprintf(stderr, "hold-table-lock: the table is locked already\n");
      return 1;
    }
    std::printf("locked\n");
    std::fflush(stdout);
    ::Sleep(static_cast<DWORD>(std::wcstoul(args[3], nullptr, 10) * 1000));
    return 0;
  }
  if (mode == L"probe") {
    std::vector<char> bytes(1 << 16);
    unsigned long long total = 0;
    DWORD got = 0;
    bool read = true;
    while ((read = ::ReadFile(table, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) != 0) && got > 0)
      total += got;
    if (!read) {
      std::fprintf(stderr, "hold-table-lock: cannot read the table (error %lu)\n", ::GetLastError());
      return 1;
    }
    std::printf("read %llu bytes, flock %s\n", total, TryLock(table, range) ? "taken" : "refused");
    return 0;
  }
  std::fprintf(stderr, "hold-table-lock: unknown mode\n");
  return 2;
}
