#include "transfer/FileRemoval.h"

#include <QString>
#include <filesystem>
#include <system_error>

#include "connections/DoEvents.h"

namespace transfer {
namespace fs = std::filesystem;

std::optional<std::string> FindFileIgnoringCase(const std::string& path) {
  std::error_code error;
  const fs::path exact(path);
  if (fs::is_regular_file(exact, error)) return path;
  const fs::path folder = exact.has_parent_path() ? exact.parent_path() : fs::path(".");
  const QString wanted = QString::fromStdString(exact.filename().string());
  if (wanted.isEmpty()) return std::nullopt;
  fs::directory_iterator entries(folder, error);
  if (error) return std::nullopt;
  for (const fs::directory_entry& entry : entries) {
    const QString name = QString::fromStdString(entry.path().filename().string());
    if (name.compare(wanted, Qt::CaseInsensitive) == 0 && entry.is_regular_file(error)) {
      return exact.has_parent_path() ? (exact.parent_path() / entry.path().filename()).string()
                                     : entry.path().filename().string();
    }
  }
  return std::nullopt;
}

void RemoveFile(const std::string& path) {
  connections::DoEvents();
  // On Windows the path names the file whatever its letter case; here it is looked up.
  const std::string target = FindFileIgnoringCase(path).value_or(path);
  std::error_code error;
  if (fs::remove(target, error) && !error) return;
  ForceDeleteFile(target);
}

bool ForceDeleteFile(const std::string& path) {
  std::error_code error;
  fs::permissions(path, fs::perms::owner_write, fs::perm_options::add, error);
  fs::remove(path, error);
  return !fs::exists(path, error);
}

}  // namespace transfer
