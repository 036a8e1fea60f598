#pragma once

#include <optional>
#include <string>

#include "platform/foxpro/files/FileIo.h"

namespace transfer {

/// The file at the path as the FoxPro engine resolves it ("\" is a separator, letter case is
/// ignored in every part of the path); nothing when no such file exists.
std::optional<std::string> FindFileIgnoringCase(const std::string& path);

using foxpro::FileIdentity;

/// The identity of the file FindFileIgnoringCase finds; nothing when there is none.
std::optional<FileIdentity> IdentityOfFile(const std::string& path);

/// Deletes one old table file if it can; never fails. Only a file that reads as a table, and
/// that no other writer holds locked, is deleted, so anything else of the same name is left
/// for CREATE TABLE to report. Yields to the window system first.
void RemoveFile(const std::string& path);

/// Makes the file writable and deletes it; false when it is still there afterwards.
bool ForceDeleteFile(const std::string& path);

}  // namespace transfer
