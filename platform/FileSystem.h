// File-system queries and whole-file operations.
#pragma once

#include <string>

namespace korvel {

bool FileExists(const std::string& path);       // a regular file (or anything not a folder) exists
bool DirectoryExists(const std::string& path);

// Atomically replaces `to` with `from` (same folder). False on failure (errno kept).
bool RenameFile(const std::string& from, const std::string& to);
// Removes a file; false when it could not be removed.
bool RemoveFile(const std::string& path);
// A name for a new temporary file in the folder of `target` that does not exist yet.
std::string TemporaryPathBeside(const std::string& target);

// The full path of the running executable, its folder (with the trailing
// separator) and its file name.
std::string ExecutablePath();
std::string ExecutableFolder();
std::string ExecutableFileName();

}  // namespace korvel
