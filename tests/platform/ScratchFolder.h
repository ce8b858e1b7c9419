// A fresh folder under the system's temporary folder, removed with its
// contents when the test ends.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace korvel::testing {

class ScratchFolder {
public:
    ScratchFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "korvel-test-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) std::abort();
        path_ = pattern + "/";
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ignored);
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // The folder with its trailing "/".
    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + name; }

    std::string Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(path_ + name, std::ios::binary) << bytes;
        return path_ + name;
    }
    std::string Read(const std::string& name) const {
        std::ifstream in(path_ + name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    // Makes a pipe (FIFO) called name in the folder and a child process that
    // writes bytes into it once a reader opens it, then exits. Returns the
    // child's pid, for waitpid, or -1 when either could not be made.
    pid_t ServeThroughPipe(const std::string& name, const std::string& bytes) const {
        const std::string fifo = path_ + name;
        if (::mkfifo(fifo.c_str(), 0600) != 0) return -1;
        const pid_t child = ::fork();
        if (child == 0) {
            FILE* out = std::fopen(fifo.c_str(), "wb");
            if (out != nullptr) {
                std::fwrite(bytes.data(), 1, bytes.size(), out);
                std::fclose(out);
            }
            ::_exit(0);
        }
        return child;
    }

private:
    std::string path_;
};

}  // namespace korvel::testing
