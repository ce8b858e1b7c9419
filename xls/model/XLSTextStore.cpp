#include "xls/model/XLSTextStore.h"

#include <algorithm>

namespace korvel {

namespace {
// Texts longer than this get their own piece, so a shared piece wastes at
// most this much at its end.
constexpr size_t kOwnPieceUnits = TXLSTextStore::kPieceUnits / 4;
// 64 KiB.
constexpr size_t kFirstPieceUnits = 32768;
}  // namespace

char16_t* TXLSTextStore::TakeRoom(size_t units) {
    if (units > kOwnPieceUnits) {
        // Filled at once, so worth making present in one call.
        pieces_.push_back(std::make_unique<TBulkMemory>(units * sizeof(char16_t), true));
        return static_cast<char16_t*>(pieces_.back()->Data());
    }
    if (units > room_) {
        // The first shared piece is small and fills page by page, so a small
        // workbook pays only for the pages its texts take.
        const bool small = !madeSharedPiece_ && units <= kFirstPieceUnits;
        const size_t pieceUnits = small ? kFirstPieceUnits : kPieceUnits;
        pieces_.push_back(std::make_unique<TBulkMemory>(pieceUnits * sizeof(char16_t), !small));
        madeSharedPiece_ = true;
        next_ = static_cast<char16_t*>(pieces_.back()->Data());
        room_ = pieceUnits;
    }
    char16_t* place = next_;
    next_ += units;
    room_ -= units;
    return place;
}

const char16_t* TXLSTextStore::Keep(std::u16string_view text) {
    if (text.empty()) return nullptr;
    char16_t* place = TakeRoom(text.size());
    std::copy(text.begin(), text.end(), place);
    liveUnits_ += text.size();
    return place;
}

void TXLSTextStore::Release(size_t units) {
    units = std::min(units, liveUnits_);
    liveUnits_ -= units;
    releasedUnits_ += units;
}

bool TXLSTextStore::WantsCompaction() const {
    return releasedUnits_ > liveUnits_ && releasedUnits_ >= kPieceUnits;
}

}  // namespace korvel
