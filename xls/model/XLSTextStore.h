// TXLSTextStore: where the string table keeps its texts. Texts are copied
// one after another into pieces of bulk memory, so a text costs its units and
// no allocation of its own; a text of more than a quarter of a piece gets a
// piece to itself. A released text leaves a hole; once the holes outweigh the
// live texts (and a whole piece), the table moves its live texts into a fresh
// store (Compact), so memory stays within about twice what is live.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/BulkMemory.h"

namespace korvel {

class TXLSTextStore {
public:
    TXLSTextStore() = default;
    TXLSTextStore(TXLSTextStore&&) noexcept = default;
    TXLSTextStore& operator=(TXLSTextStore&&) noexcept = default;

    // A copy of text that stays where it is for the life of the store;
    // nullptr for the empty text.
    const char16_t* Keep(std::u16string_view text);
    // Marks units of a kept text as no longer used.
    void Release(size_t units);
    // True when the holes left by released texts call for compacting.
    bool WantsCompaction() const;

    size_t LiveUnits() const { return liveUnits_; }

    // Units of a piece (2 MiB) after a first one of 64 KiB.
    static constexpr size_t kPieceUnits = kBulkPiece / sizeof(char16_t);

private:
    char16_t* TakeRoom(size_t units);

    std::vector<std::unique_ptr<TBulkMemory>> pieces_;
    char16_t* next_ = nullptr;   // free room of the current piece
    size_t room_ = 0;            // units left there
    bool madeSharedPiece_ = false;
    size_t liveUnits_ = 0;
    size_t releasedUnits_ = 0;
};

}  // namespace korvel
