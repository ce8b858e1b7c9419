// Counts heap allocations around the hot path of the string table: adding a
// text that is already in the table must not allocate.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <string>

#include "xls/model/XLSStringTable.h"

namespace {
thread_local bool gCounting = false;
thread_local size_t gAllocations = 0;
}  // namespace

void* operator new(size_t size) {
    if (gCounting) ++gAllocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }

namespace korvel {
namespace {

TEST(XLSStringTableAllocation, AddingAKnownTextDoesNotAllocate) {
    TXLSStringTable table;
    std::u16string texts[50];
    for (int i = 0; i < 50; ++i) {
        std::string ascii = "device name " + std::to_string(i) + " with a longer tail";
        texts[i] = std::u16string(ascii.begin(), ascii.end());
        table.AddString(texts[i]);
    }
    gAllocations = 0;
    gCounting = true;
    int32_t sum = 0;
    for (int round = 0; round < 2000; ++round) sum += table.AddString(texts[round % 50]);
    gCounting = false;
    EXPECT_EQ(gAllocations, 0u);
    EXPECT_EQ(table.TotalRefs(), 2050);
    EXPECT_GT(sum, 0);
}

TEST(XLSStringTableAllocation, ReplacingATextAtTheEndReusesItsEntry) {
    TXLSStringTable table;
    for (int i = 0; i < 120; ++i) table.AddString(std::u16string(1, char16_t(0x100 + i)));
    // Release and re-add the highest id: entries stay, only the text is stored.
    gAllocations = 0;
    gCounting = true;
    for (int round = 0; round < 100; ++round) {
        table.ReleaseString(table.HighestId());
        table.AddString(u"short");  // fits the small-string buffer: no heap text
    }
    gCounting = false;
    EXPECT_EQ(gAllocations, 0u);
}

}  // namespace
}  // namespace korvel
