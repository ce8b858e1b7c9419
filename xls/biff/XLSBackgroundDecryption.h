// Decrypting the rest of a record stream on a thread of its own.
//
// Once a FILEPASS record is accepted, every later body must be decrypted, and
// the key stream of RC4 costs about as much as parsing the records. Record
// headers are never encrypted, so the layout of the rest of the stream is
// known without the reader: a worker walks it and decrypts each body in place
// (by the same rules as the reader would, DecryptRecordBody), publishing how
// far every byte is final, while the reader parses behind it.
//
// The worker stops after the next FILEPASS record, as a new FILEPASS restarts
// decryption from there under the reader's control. When no thread can be
// started, the whole rest is decrypted at once on the caller's thread.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <thread>

#include "xls/biff/XLSDecrypter.h"

namespace korvel {

class TXLSBackgroundDecryption {
public:
    // Decrypts bytes[from, size) with decrypter, which stands at the stream
    // position of bytes[from] (the next record header). The bytes must stay
    // in place until the object is destroyed; the caller reads a body only
    // after WaitFor has returned for its end.
    TXLSBackgroundDecryption(std::unique_ptr<TXLSDecrypter> decrypter, uint8_t* bytes, size_t size, size_t from);
    // Stops the worker and waits for it.
    ~TXLSBackgroundDecryption();
    TXLSBackgroundDecryption(const TXLSBackgroundDecryption&) = delete;
    TXLSBackgroundDecryption& operator=(const TXLSBackgroundDecryption&) = delete;

    // Returns once every byte below end (at most the stream's size) is final.
    void WaitFor(size_t end);

private:
    void Run();
    void Publish(size_t done);

    std::unique_ptr<TXLSDecrypter> decrypter_;
    uint8_t* const bytes_;
    const size_t size_;
    const size_t from_;
    std::atomic<size_t> done_;
    std::atomic<bool> stop_{false};
    std::thread worker_;
};

}  // namespace korvel
