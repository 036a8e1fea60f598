#include "commands/transfer/FileRemoval.h"

#include <filesystem>
#include <system_error>

#include "connections/DoEvents.h"
#include "platform/ado/Failure.h"
#include "platform/foxpro/files/FileIo.h"
#include "platform/foxpro/files/TableLocks.h"
#include "platform/foxpro/tables/TableNames.h"

namespace transfer {
namespace fs = std::filesystem;
namespace {

// A table that another run is writing holds its lock: it is that run's, not ours to delete.
bool HeldByAWriter(const std::string& path) {
  try {
    return !foxpro::TryLockTable(*foxpro::DiskFileSystem().Open(path, foxpro::OpenMode::ReadWrite));
  } catch (const ado::Failure&) {
    return false;  // not open for writing (read-only): nobody writes it either
  }
}

}  // namespace

std::optional<std::string> FindFileIgnoringCase(const std::string& path) {
  // The engine's own resolution, so that this check and its CREATE TABLE agree on the file.
  const std::string found = foxpro::FindPathIgnoringCase(foxpro::PortablePath(path));
  std::error_code error;
  if (found.empty() || !fs::is_regular_file(found, error)) return std::nullopt;
  return found;
}

std::optional<FileIdentity> IdentityOfFile(const std::string& path) {
  const std::optional<std::string> found = FindFileIgnoringCase(path);
  if (!found) return std::nullopt;
  return foxpro::IdentityOfFile(*found);
}

void RemoveFile(const std::string& path) {
  connections::DoEvents();
  const std::optional<std::string> found = FindFileIgnoringCase(path);
  if (!found || !foxpro::IsTableFile(*found) || HeldByAWriter(*found)) return;
  std::error_code error;
  if (fs::remove(*found, error) && !error) return;
  ForceDeleteFile(*found);
}

bool ForceDeleteFile(const std::string& path) {
  std::error_code error;
  fs::permissions(path, fs::perms::owner_write, fs::perm_options::add, error);
  fs::remove(path, error);
  return !fs::exists(path, error);
}

}  // namespace transfer
