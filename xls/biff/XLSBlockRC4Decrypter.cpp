#include "xls/biff/XLSBlockRC4Decrypter.h"

#include <algorithm>

namespace korvel {

void TXLSBlockRC4Decrypter::ResetPosition() {
    position_ = 0;
    currentBlock_ = -1;
}

void TXLSBlockRC4Decrypter::SyncToPosition() {
    int64_t block = int64_t(position_ / kBlockSize);
    if (block == currentBlock_) return;
    currentBlock_ = block;
    KeyBlock(uint32_t(block));
    rc4_.Discard(position_ % kBlockSize);
}

void TXLSBlockRC4Decrypter::Skip(uint32_t count) {
    if (count == 0) return;
    uint64_t end = position_ + count;
    if (int64_t(end / kBlockSize) != currentBlock_) {
        // Only the key stream of the block the skip ends in matters.
        position_ = end;
        SyncToPosition();
        return;
    }
    rc4_.Discard(count);
    position_ = end;
}

void TXLSBlockRC4Decrypter::Decrypt(uint8_t* buffer, uint32_t count) {
    // Each piece runs to the end of the body or of the current block, with the
    // key of its own block; the cipher is brought to the position first, so a
    // Decrypt that no Skip preceded still uses the right key stream.
    uint32_t done = 0;
    while (done < count) {
        SyncToPosition();
        uint32_t room = uint32_t(kBlockSize - position_ % kBlockSize);
        uint32_t piece = std::min(count - done, room);
        rc4_.Crypt(buffer + done, piece);
        done += piece;
        position_ += piece;
    }
}

}  // namespace korvel
