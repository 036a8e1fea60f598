#include "commands/transfer/FileRemoval.h"

#include "connections/DoEvents.h"
#include "platform/ado/Failure.h"
#include "platform/foxpro/files/FileIo.h"
#include "platform/foxpro/files/TableLocks.h"
#include "platform/foxpro/tables/TableNames.h"

namespace transfer {
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
  if (found.empty() || !foxpro::DiskFileSystem().Exists(found)) return std::nullopt;
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
  try {
    foxpro::DiskFileSystem().Remove(*found);
  } catch (const ado::Failure&) {
    ForceDeleteFile(*found);  // never fails: CREATE TABLE reports a file still in the way
  }
}

bool ForceDeleteFile(const std::string& path) {
  try {
    if (foxpro::DiskFileSystem().Exists(path)) foxpro::MakeWritable(path);
    foxpro::DiskFileSystem().Remove(path);
  } catch (const ado::Failure&) {
    // What is left in the way is told by the answer.
  }
  return !foxpro::DiskFileSystem().Exists(path);
}

}  // namespace transfer
