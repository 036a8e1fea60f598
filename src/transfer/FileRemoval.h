#pragma once

#include <optional>
#include <string>

namespace transfer {

/// The file at the path, matched without regard to letter case in its folder (FoxPro data
/// comes from Windows); nothing when no such file exists.
std::optional<std::string> FindFileIgnoringCase(const std::string& path);

/// Deletes one file if it can; never fails. Yields to the window system first.
void RemoveFile(const std::string& path);

/// Makes the file writable and deletes it; false when it is still there afterwards.
bool ForceDeleteFile(const std::string& path);

}  // namespace transfer
