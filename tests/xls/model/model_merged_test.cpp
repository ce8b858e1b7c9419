// Merged-area index against a brute-force list, and its cost with many areas.
#include <gtest/gtest.h>

#include <chrono>
#include <random>

#include "xls/model/XLSMergedAreas.h"

namespace korvel {
namespace {

const TXLSMergedArea* BruteFind(const std::vector<TXLSMergedArea>& areas, int32_t row, int32_t col) {
    for (const TXLSMergedArea& a : areas)
        if (a.Contains(row, col)) return &a;
    return nullptr;
}

TXLSMergedArea RandomArea(std::mt19937& random) {
    int32_t row = static_cast<int32_t>(random() % 3000), col = static_cast<int32_t>(random() % 300);
    int32_t height = 1, width = 1;
    switch (random() % 4) {
    case 0: height = 1 + static_cast<int32_t>(random() % 5); width = 1 + static_cast<int32_t>(random() % 5); break;
    case 1: height = 60 + static_cast<int32_t>(random() % 10); width = 1 + static_cast<int32_t>(random() % 3); break;  // around the short/tall edge
    case 2: height = 100 + static_cast<int32_t>(random() % 900); width = 60 + static_cast<int32_t>(random() % 10); break;
    default: height = 100 + static_cast<int32_t>(random() % 300); width = 100 + static_cast<int32_t>(random() % 100); break;
    }
    return {row, col, row + height - 1, col + width - 1};
}

TEST(MergedAreas, AgreesWithBruteForce) {
    std::mt19937 random(77);
    TXLSMergedAreas index;
    std::vector<TXLSMergedArea> accepted;
    for (int i = 0; i < 3000; ++i) {
        TXLSMergedArea area = RandomArea(random);
        bool meets = false;
        for (const TXLSMergedArea& other : accepted) meets = meets || other.Meets(area);
        ASSERT_EQ(index.Add(area), !meets) << i;
        if (!meets) accepted.push_back(area);
    }
    ASSERT_GT(accepted.size(), 100u);
    for (int i = 0; i < 200000; ++i) {
        int32_t row = static_cast<int32_t>(random() % 4200), col = static_cast<int32_t>(random() % 500);
        const TXLSMergedArea* expected = BruteFind(accepted, row, col);
        const TXLSMergedArea* got = index.Find(row, col);
        ASSERT_EQ(got == nullptr, expected == nullptr) << row << "," << col;
        if (got != nullptr) {
            ASSERT_EQ(got->FirstRow, expected->FirstRow);
            ASSERT_EQ(got->FirstCol, expected->FirstCol);
        }
    }
    EXPECT_EQ(index.Items().size(), accepted.size());
}

TEST(MergedAreas, ManySmallAreasStayCheap) {
    // 256 columns x 65536 rows tiled with 1 x 2 areas: 8 million checks would
    // be needed per area by a linear scan.
    TXLSMergedAreas index;
    auto start = std::chrono::steady_clock::now();
    int32_t added = 0;
    for (int32_t row = 0; row < 2000; ++row)
        for (int32_t col = 0; col < 256; col += 2) added += index.Add({row, col, row, col + 1}) ? 1 : 0;
    EXPECT_EQ(added, 2000 * 128);
    EXPECT_FALSE(index.Add({5, 1, 5, 2}));  // meets two areas
    ASSERT_NE(index.Find(1999, 255), nullptr);
    EXPECT_EQ(index.Find(1999, 255)->FirstCol, 254);
    EXPECT_EQ(index.Find(2000, 0), nullptr);
    auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(seconds, 60.0);  // quadratic work would take hours
}

}  // namespace
}  // namespace korvel
