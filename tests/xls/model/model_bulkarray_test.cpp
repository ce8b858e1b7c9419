// Bulk arrays: indexes map to distinct rooms across the small first segment
// and the large ones, and rooms keep their contents as segments are added.
#include <gtest/gtest.h>

#include <cstdint>

#include "xls/model/BulkArray.h"

namespace korvel {
namespace {

struct Record16 {
    uint64_t a;
    uint64_t b;
};

TEST(BulkArray, IndexesAcrossSegmentsKeepTheirRooms) {
    using Array = TBulkArray<Record16, 4>;
    static_assert(Array::kFirstCount == 16 && Array::kLargeCount == 131072);
    Array array;
    EXPECT_EQ(array.Capacity(), 0u);
    array.Grow();
    EXPECT_EQ(array.Capacity(), 16u);
    array.Grow();
    array.Grow();
    EXPECT_EQ(array.Capacity(), 16u + 2 * 131072u);
    const size_t edges[] = {0, 15, 16, 17, 131071, 131087, 131088, 131089, 262159};
    for (size_t index : edges) {
        EXPECT_EQ(array.Slot(index)->a, 0u) << index;  // fresh rooms are zeroed
        *array.Slot(index) = {index, ~index};
    }
    EXPECT_NE(array.Slot(15) + 1, array.Slot(16));  // the first segment ends at 16
    EXPECT_EQ(array.Slot(16) + 1, array.Slot(17));
    array.Grow();
    for (size_t index : edges) {
        EXPECT_EQ(array.Slot(index)->a, index);
        EXPECT_EQ(array.Slot(index)->b, ~index);
    }
    array.ShrinkLast();
    EXPECT_EQ(array.SegmentCount(), 3u);
    EXPECT_EQ(array.Slot(262159)->a, 262159u);
}

}  // namespace
}  // namespace korvel
