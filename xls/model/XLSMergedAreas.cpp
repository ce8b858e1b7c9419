#include "xls/model/XLSMergedAreas.h"

#include <algorithm>

namespace korvel {


// Every area of `index` meeting probe: one that meets it starts at most
// kSpan - 1 lines before probe. In each start line, the area starting at or
// before probe's first minor is the only one that can reach into it from the
// left; the ones starting inside probe's minor span follow in order.
const TXLSMergedArea* TXLSMergedAreas::FindMeeting(const Index& index, const Axis& axis,
                                                  const TXLSMergedArea& probe) const {
    const int32_t probeFirst = probe.*axis.firstMajor, probeLast = probe.*axis.lastMajor;
    const int32_t minorFirst = probe.*axis.firstMinor, minorLast = probe.*axis.lastMinor;
    for (auto line = index.lower_bound(probeFirst - (kSpan - 1)); line != index.end() && line->first <= probeLast;
         ++line) {
        const Line& starts = line->second;
        auto it = std::upper_bound(starts.begin(), starts.end(), minorFirst,
                                   [](int32_t minor, const auto& start) { return minor < start.first; });
        if (it != starts.begin()) --it;
        for (; it != starts.end() && it->first <= minorLast; ++it) {
            const TXLSMergedArea& area = areas_[it->second];
            if (area.Meets(probe)) return &area;
        }
    }
    return nullptr;
}

static void InsertStart(std::vector<std::pair<int32_t, uint32_t>>& line, int32_t minor, uint32_t index) {
    auto at = std::upper_bound(line.begin(), line.end(), minor,
                               [](int32_t m, const auto& start) { return m < start.first; });
    line.insert(at, {minor, index});
}

bool TXLSMergedAreas::MeetsAny(const TXLSMergedArea& probe) const {
    static constexpr Axis kRows{&TXLSMergedArea::FirstRow, &TXLSMergedArea::LastRow, &TXLSMergedArea::FirstCol,
                                &TXLSMergedArea::LastCol};
    static constexpr Axis kCols{&TXLSMergedArea::FirstCol, &TXLSMergedArea::LastCol, &TXLSMergedArea::FirstRow,
                                &TXLSMergedArea::LastRow};
    if (areas_.empty() || !bounds_.Meets(probe)) return false;
    if (FindMeeting(shortAreas_, kRows, probe) != nullptr) return true;
    if (FindMeeting(narrowAreas_, kCols, probe) != nullptr) return true;
    for (uint32_t i : largeAreas_)
        if (areas_[i].Meets(probe)) return true;
    return false;
}

const TXLSMergedArea* TXLSMergedAreas::Find(int32_t row, int32_t col) const {
    static constexpr Axis kRows{&TXLSMergedArea::FirstRow, &TXLSMergedArea::LastRow, &TXLSMergedArea::FirstCol,
                                &TXLSMergedArea::LastCol};
    static constexpr Axis kCols{&TXLSMergedArea::FirstCol, &TXLSMergedArea::LastCol, &TXLSMergedArea::FirstRow,
                                &TXLSMergedArea::LastRow};
    const TXLSMergedArea point{row, col, row, col};
    if (areas_.empty() || !bounds_.Meets(point)) return nullptr;
    if (const TXLSMergedArea* area = FindMeeting(shortAreas_, kRows, point)) return area;
    if (const TXLSMergedArea* area = FindMeeting(narrowAreas_, kCols, point)) return area;
    for (uint32_t i : largeAreas_)
        if (areas_[i].Contains(row, col)) return &areas_[i];
    return nullptr;
}

bool TXLSMergedAreas::Add(const TXLSMergedArea& area) {
    if (MeetsAny(area)) return false;
    const auto index = static_cast<uint32_t>(areas_.size());
    areas_.push_back(area);
    if (area.LastRow - area.FirstRow < kSpan) {
        InsertStart(shortAreas_[area.FirstRow], area.FirstCol, index);
    } else if (area.LastCol - area.FirstCol < kSpan) {
        InsertStart(narrowAreas_[area.FirstCol], area.FirstRow, index);
    } else {
        largeAreas_.push_back(index);
    }
    if (index == 0) {
        bounds_ = area;
    } else {
        bounds_.FirstRow = std::min(bounds_.FirstRow, area.FirstRow);
        bounds_.FirstCol = std::min(bounds_.FirstCol, area.FirstCol);
        bounds_.LastRow = std::max(bounds_.LastRow, area.LastRow);
        bounds_.LastCol = std::max(bounds_.LastCol, area.LastCol);
    }
    return true;
}

}  // namespace korvel
