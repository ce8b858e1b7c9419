// POSIX file-system services.
#include "platform/FileSystem.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace korvel {

namespace {
std::string FolderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}
}  // namespace

bool FileExists(const std::string& path) {
    struct stat info;
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

bool DirectoryExists(const std::string& path) {
    struct stat info;
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool RenameFile(const std::string& from, const std::string& to) { return ::rename(from.c_str(), to.c_str()) == 0; }

bool RemoveFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

std::string TemporaryPathBeside(const std::string& target) {
    static unsigned counter = 0;
    std::string folder = FolderOf(target);
    for (;;) {
        std::string candidate = folder + ".korvel-" + std::to_string(::getpid()) + "-" + std::to_string(++counter) + ".tmp";
        // Any failure other than "exists" ends the search: creating the file
        // will then report the real problem (a missing or closed folder).
        struct stat info;
        if (::lstat(candidate.c_str(), &info) != 0) return candidate;
    }
}

std::string ExecutablePath() {
    std::string path(256, '\0');
    for (;;) {
        ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size());
        if (n < 0) return std::string();
        if (static_cast<size_t>(n) < path.size()) {
            path.resize(static_cast<size_t>(n));
            return path;
        }
        path.resize(path.size() * 2);  // possibly truncated: try a larger buffer
    }
}

std::string ExecutableFolder() { return FolderOf(ExecutablePath()); }

std::string ExecutableFileName() {
    std::string path = ExecutablePath();
    return path.substr(FolderOf(path).size());
}

}  // namespace korvel
