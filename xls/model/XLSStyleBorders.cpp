#include "xls/model/XLSStyleBorders.h"

#include <cstddef>

namespace korvel {

namespace {
// Fill pattern 17: the second default fill ([MS-XLS] FillPattern 0x11).
constexpr uint8_t kSecondDefaultPattern = 17;

template <typename Entry>
int32_t FindOrAppend(std::vector<Entry>& entries, const Entry& entry) {
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (entries[i] == entry) return static_cast<int32_t>(i);
    entries.push_back(entry);
    return static_cast<int32_t>(entries.size() - 1);
}
}  // namespace

void TXLSStyleBorders::Reset() {
    borders_.assign(1, TXLSStyleBorder{});
}

const TXLSStyleBorder& TXLSStyleBorders::Border(int32_t id) const {
    static const TXLSStyleBorder kNone;
    return id >= 0 && id < Count() ? borders_[static_cast<std::size_t>(id)] : kNone;
}

int32_t TXLSStyleBorders::FindOrAdd(const TXLSStyleBorder& border) {
    return FindOrAppend(borders_, border);
}

void TXLSStyleFills::Reset() {
    TXLSStyleFill second;
    second.pattern = kSecondDefaultPattern;
    fills_ = {TXLSStyleFill{}, second};
}

const TXLSStyleFill& TXLSStyleFills::Fill(int32_t id) const {
    static const TXLSStyleFill kNone;
    return id >= 0 && id < Count() ? fills_[static_cast<std::size_t>(id)] : kNone;
}

int32_t TXLSStyleFills::FindOrAdd(const TXLSStyleFill& fill) {
    return FindOrAppend(fills_, fill);
}

}  // namespace korvel
