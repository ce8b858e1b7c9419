// The block walk shared by both RC4 variants of BIFF8 encryption ([MS-XLS]
// 2.2.10): the record stream is cut into 1024-byte blocks counted from its
// first byte, headers and unencrypted bodies included; every block has its own
// RC4 key. Skip and Decrypt keep the cipher at the stream position, re-keying
// whenever a block boundary is crossed.
#pragma once

#include <cstdint>

#include "xls/biff/RC4.h"
#include "xls/biff/XLSDecrypter.h"

namespace korvel {

// What both RC4 variants share: the block walk over the stream.
class TXLSBlockRC4Decrypter : public TXLSDecrypter {
public:
    static constexpr uint32_t kBlockSize = 1024;

    void Skip(uint32_t count) override;
    void Decrypt(uint8_t* buffer, uint32_t count) override;

protected:
    // Sets rc4_ up with the key of that block (key stream at its first byte).
    virtual void KeyBlock(uint32_t block) = 0;
    // Called by Initialize on success: position 0, no block key in force.
    void ResetPosition();

    TRC4 rc4_;

private:
    // Re-keys for the block of the position when another block is in force.
    void SyncToPosition();

    uint64_t position_ = 0;
    int64_t currentBlock_ = -1;
};

}  // namespace korvel
