// Text helpers whose fast paths depend on the text's length.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "common/TextUtil.h"

namespace korvel {
namespace {

// A line feed at every place of texts of every length up to 40, each text
// in a buffer of exactly its size (reads past it show under the address
// sanitizer); the same texts without one, and with units that differ from
// a line feed in one byte only.
TEST(TextUtil, HasLineFeedAtEveryPlace) {
    for (size_t size = 0; size <= 40; ++size) {
        std::unique_ptr<char16_t[]> text(new char16_t[size == 0 ? 1 : size]);
        for (size_t i = 0; i < size; ++i) text[i] = i % 2 == 0 ? u'\x010A' : u'\x0B';
        const std::u16string_view view(text.get(), size);
        EXPECT_FALSE(HasLineFeed(view)) << size;
        for (size_t at = 0; at < size; ++at) {
            const char16_t kept = text[at];
            text[at] = u'\n';
            EXPECT_TRUE(HasLineFeed(view)) << size << " " << at;
            text[at] = kept;
        }
    }
}

}  // namespace
}  // namespace korvel
