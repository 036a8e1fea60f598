#pragma once

#include <string>

#include "platform/foxpro/files/FileIo.h"

namespace foxpro {

/// Puts from in place of to in one step (rename), so that a reader sees the old or the new
/// file, never a partial one.
void ReplaceFile(FileSystem& fs, const std::string& from, const std::string& to);

/// Makes to a second name of from's contents (a hard link where the files are on disk, a copy
/// otherwise). Fails when to exists.
void LinkFile(FileSystem& fs, const std::string& from, const std::string& to);

/// The file a container's relative path names: "\" or "/" separators, "." and "..", every
/// part matched without regard to letter case. Empty when there is no such file.
std::string ResolveIgnoringCase(FileSystem& fs, const std::string& folder, const std::string& relative);

/// Path from folder `from` to the file `to` (both absolute), with "\" separators as Visual
/// FoxPro stores it.
std::string RelativeWindowsPath(const std::string& fromFolder, const std::string& to);

}  // namespace foxpro
