// The whole contents of a file, read-only, for parsers that want all of it at
// once. A regular file is mapped into memory: nothing is copied, and its
// pages come from the system's file cache as they are touched, which costs a
// fraction of reading it into fresh memory. Other files (pipes, devices,
// empty files, or where mapping fails) are read into a buffer.
//
// A mapped file must not shrink while its bytes are in use (another program
// truncating it then would make reading past the new end fault).
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace korvel {

class TFileBytes {
public:
    virtual ~TFileBytes() = default;
    std::span<const uint8_t> Bytes() const { return bytes_; }
    // A hint from a parser that will read the bytes front to back on this
    // thread: a large mapped file then has its pages brought in ahead of it
    // on another. A reader that already has a helper going through the bytes
    // first (a zip entry's CRC check) does not ask. Changes no byte.
    virtual void TouchAhead() const {}
    // True when the bytes are the file mapped into memory (a regular file,
    // which can be opened again); false when they were read into a buffer.
    virtual bool Mapped() const { return false; }

protected:
    std::span<const uint8_t> bytes_;
};

// The file at path (UTF-8), or nullptr when it cannot be opened or read.
std::shared_ptr<const TFileBytes> ReadFileBytes(const std::string& path);

}  // namespace korvel
