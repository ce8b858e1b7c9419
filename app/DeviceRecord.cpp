#include "app/DeviceRecord.h"

#include <cstring>

#include "common/ByteCursor.h"
#include "platform/CodePage.h"

namespace korvel {

namespace {
constexpr size_t kSUnits = kDeviceSSize / 2;

// The text of an 8-bit field: up to its first zero byte or the field's end.
std::string ReadAnsiField(ByteCursor& cursor, size_t offset, size_t size) {
    std::span<const uint8_t> field = cursor.Seek(offset) ? cursor.Bytes(size) : std::span<const uint8_t>();
    const void* zero = field.empty() ? nullptr : std::memchr(field.data(), 0, field.size());
    size_t length = zero ? static_cast<size_t>(static_cast<const uint8_t*>(zero) - field.data()) : field.size();
    return std::string(reinterpret_cast<const char*>(field.data()), length);
}

std::u16string ReadWideField(ByteCursor& cursor, size_t offset, size_t units) {
    std::u16string text;
    if (!cursor.Seek(offset)) return text;
    for (size_t i = 0; i < units; ++i) {
        char16_t unit = cursor.U16();
        if (unit == 0 || !cursor.Ok()) break;
        text.push_back(unit);
    }
    return text;
}
}  // namespace

void TDeviceRecord::SetAnsiField(size_t offset, size_t size, std::string_view ansi) {
    size_t length = FitMultiByte(SystemAnsiCodePage(), ansi, size - 1);
    // A zero byte inside the value ends the text there, as it would on reading.
    if (length > 0) {
        if (const void* zero = std::memchr(ansi.data(), 0, length))
            length = static_cast<size_t>(static_cast<const char*>(zero) - ansi.data());
        std::memcpy(bytes_.data() + offset, ansi.data(), length);
    }
    bytes_[offset + length] = 0;
}

void TDeviceRecord::SetName(std::string_view ansi) { SetAnsiField(kDeviceNameOffset, kDeviceNameSize, ansi); }

void TDeviceRecord::SetS(std::string_view ansi) {
    wide_.clear();
    AppendMultiByteToWide(SystemAnsiCodePage(), ansi, wide_);
    size_t units = FitWide(wide_, kSUnits - 1);
    for (size_t i = 0; i < units; ++i) {
        if (wide_[i] == 0) {
            units = i;
            break;
        }
        StoreU16LE(bytes_.data() + kDeviceSOffset + 2 * i, wide_[i]);
    }
    StoreU16LE(bytes_.data() + kDeviceSOffset + 2 * units, 0);
}

bool ReadDeviceRecord(std::span<const uint8_t> record, TDeviceFields& out) {
    if (record.size() < kDeviceRecordSize) return false;
    ByteCursor cursor(record.first(kDeviceRecordSize));
    out.name = ReadAnsiField(cursor, kDeviceNameOffset, kDeviceNameSize);
    out.u = ReadAnsiField(cursor, kDeviceUOffset, kDeviceUSize);
    out.p = ReadAnsiField(cursor, kDevicePOffset, kDevicePSize);
    out.s = WideToAnsi(ReadWideField(cursor, kDeviceSOffset, kSUnits));
    return true;
}

}  // namespace korvel
