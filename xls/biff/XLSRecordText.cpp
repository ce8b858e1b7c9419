#include "xls/biff/XLSRecordText.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <string_view>

#include "platform/CodePage.h"

namespace korvel {

namespace {
constexpr uint8_t kStringWide = 0x01;
constexpr uint8_t kStringExtended = 0x04;
constexpr uint8_t kStringRich = 0x08;
}  // namespace

uint32_t EffectiveCodePage(uint32_t codePage) {
    return codePage == 0 || codePage == kCodePageUtf16Le ? kCodePageLatin1 : codePage;
}

void AppendCodePageChars(std::span<const uint8_t> bytes, uint32_t codePage, std::u16string& out) {
    const auto* data = reinterpret_cast<const char*>(bytes.data());
    const void* zero = bytes.empty() ? nullptr : std::memchr(data, 0, bytes.size());
    const size_t length = zero ? static_cast<size_t>(static_cast<const char*>(zero) - data) : bytes.size();
    AppendMultiByteToWide(EffectiveCodePage(codePage), std::string_view(data, length), out);
}

void AppendCompressedChars(std::span<const uint8_t> bytes, std::u16string& out) {
    const size_t start = out.size();
    out.resize(start + bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) out[start + i] = bytes[i];
}

void AppendWideChars(std::span<const uint8_t> bytes, std::u16string& out) {
    const size_t count = bytes.size() / 2;
    const size_t start = out.size();
    out.resize(start + count);
    if constexpr (std::endian::native == std::endian::little) {
        // The units are stored little-endian, as this machine holds them.
        if (count != 0) std::memcpy(out.data() + start, bytes.data(), count * 2);
    } else {
        for (size_t i = 0; i < count; ++i)
            out[start + i] = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    }
}

bool ReadBiff8String(ByteCursor& cursor, bool count16, std::u16string& out) {
    const size_t count = count16 ? cursor.U16() : cursor.U8();
    const uint8_t options = cursor.U8();
    const size_t runs = (options & kStringRich) ? cursor.U16() : 0;
    const size_t extended = (options & kStringExtended) ? cursor.U32() : 0;
    if (!cursor.Ok()) return false;
    const bool wide = (options & kStringWide) != 0;
    std::span<const uint8_t> chars = cursor.Bytes(wide ? count * 2 : count);
    if (!cursor.Ok()) return false;
    if (wide) AppendWideChars(chars, out);
    else AppendCompressedChars(chars, out);
    cursor.Skip(runs * 4);
    cursor.Skip(extended);
    // A run list or extended data cut short does not spoil the text itself.
    return true;
}

bool ReadBiff5String(ByteCursor& cursor, bool count16, uint32_t codePage, std::u16string& out) {
    const size_t count = count16 ? cursor.U16() : cursor.U8();
    std::span<const uint8_t> chars = cursor.Bytes(count);
    if (!cursor.Ok()) return false;
    AppendCodePageChars(chars, codePage, out);
    return true;
}

size_t ReadContinuedChars(const TXLSRecordGroup& group, size_t at, size_t count, bool biff8, bool wide,
                          uint32_t codePage, std::u16string& out) {
    size_t read = 0;
    for (size_t index = 0; index < group.size() && read < count; ++index) {
        std::span<const uint8_t> body = group[index];
        if (index > 0 && biff8) {
            // Every continued piece restates the character width.
            if (body.empty()) break;
            wide = (body[0] & kStringWide) != 0;
            at = 1;
        } else if (index > 0) {
            at = 0;
        }
        if (at >= body.size()) continue;
        const size_t width = biff8 && wide ? 2 : 1;
        const size_t take = std::min(count - read, (body.size() - at) / width);
        std::span<const uint8_t> chars = body.subspan(at, take * width);
        if (!biff8) AppendCodePageChars(chars, codePage, out);
        else if (wide) AppendWideChars(chars, out);
        else AppendCompressedChars(chars, out);
        read += take;
    }
    return read;
}

}  // namespace korvel
