// A file whose every operation is checked at once: the first failure throws
// EInOutError with the run-time code and message of platform/InOutError.h
// (a missing folder gives 3 "Invalid filename", a read-only file opened for
// writing 5 "File access denied", a short read 100 "Read beyond end of file",
// a full disk 101 "Disk full"). Using a file that is not open gives 103.
//
// Writes are collected in memory and reach the system at Flush (or when a
// large amount is pending, or at Close), so a disk-full failure may surface
// at any of them. The destructor closes the file silently.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace korvel {

// Numbers naming the failing step in the failure box, one per operation.
constexpr uint32_t kStepFileCreate = 0x00410010;
constexpr uint32_t kStepFileOpen = 0x00410020;
constexpr uint32_t kStepFileRead = 0x00410030;
constexpr uint32_t kStepFileWrite = 0x00410040;
constexpr uint32_t kStepFileFlush = 0x00410050;
constexpr uint32_t kStepFileEof = 0x00410060;
constexpr uint32_t kStepFileClose = 0x00410070;

enum class CheckedAccess {
    Read,       // reading only
    ReadWrite,  // reading and writing: a read-only file is refused (code 5)
};

class TCheckedFile {
public:
    TCheckedFile() = default;
    ~TCheckedFile();
    TCheckedFile(const TCheckedFile&) = delete;
    TCheckedFile& operator=(const TCheckedFile&) = delete;

    // Creates the file, or truncates an existing one, for writing.
    void Create(const std::string& path);
    // Opens an existing file at its start.
    void Open(const std::string& path, CheckedAccess access);

    // Reads exactly count bytes; fewer left in the file gives code 100 (the
    // bytes that were there are consumed).
    void ReadExact(void* buffer, size_t count);
    // True when the position is at (or past) the end of the file.
    bool Eof();

    void Write(const void* data, size_t count);
    void Write(std::string_view text) { Write(text.data(), text.size()); }
    // Hands everything written so far to the system.
    void Flush();
    // Flushes and closes; the file is closed even when the flush fails.
    void Close();

    bool IsOpen() const { return fd_ >= 0; }
    const std::string& Path() const { return path_; }

private:
    void RequireOpen(uint32_t step) const;
    void WritePending(uint32_t step);

    int fd_ = -1;
    std::string path_;
    std::string pending_;
};

// The run-time code for a system error number met while working on `path`
// (ENOENT gives 3 instead of 2 when the folder of `path` does not exist).
int InOutCodeFromSystemError(int systemError, const std::string& path);

}  // namespace korvel
