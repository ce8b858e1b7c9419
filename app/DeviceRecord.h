// The 210-byte device record of the iPhone list file "settings.dat": a plain
// run of these records, no header, nothing after the last one.
//
//   offset  size  field  encoding
//        0    80  S      UTF-16LE, ended by a zero unit (at most 39 units of text)
//       80    50  name   ANSI, ended by a zero byte (at most 49 bytes of text)
//      130    40  U      ANSI, ended by a zero byte (at most 39 bytes of text)
//      170    40  P      ANSI, ended by a zero byte (at most 39 bytes of text)
//
// The bytes after a field's terminator mean nothing. The mobile app's own
// writer reuses one buffer for every record and clears only the first byte
// (unit) of U, P and S per record, so they hold what an earlier record left;
// TDeviceRecord does the same so that files come out byte for byte alike.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace korvel {

constexpr size_t kDeviceRecordSize = 210;
constexpr size_t kDeviceSOffset = 0;
constexpr size_t kDeviceSSize = 80;
constexpr size_t kDeviceNameOffset = 80;
constexpr size_t kDeviceNameSize = 50;
constexpr size_t kDeviceUOffset = 130;
constexpr size_t kDeviceUSize = 40;
constexpr size_t kDevicePOffset = 170;
constexpr size_t kDevicePSize = 40;

// One device as ANSI texts (S converted from UTF-16 with the ANSI code page).
struct TDeviceFields {
    std::string name;
    std::string u;
    std::string p;
    std::string s;
};

// The reused record buffer of a writer; all zero when constructed.
//
// A value longer than its field is cut to fit, at a character boundary of the
// system ANSI code page (never half a double-byte character or UTF-8
// sequence; for S never half a surrogate pair), so the terminator always
// stays inside the field and nothing spills into the next one.
class TDeviceRecord {
public:
    // Copies the name with its terminator.
    void SetName(std::string_view ansi);
    // Clear: zero only the first byte (unit). Set: clear, then copy the value
    // with its terminator (an empty value leaves the field cleared).
    void ClearU() { bytes_[kDeviceUOffset] = 0; }
    void ClearP() { bytes_[kDevicePOffset] = 0; }
    void ClearS() { bytes_[kDeviceSOffset] = bytes_[kDeviceSOffset + 1] = 0; }
    void SetU(std::string_view ansi) { SetAnsiField(kDeviceUOffset, kDeviceUSize, ansi); }
    void SetP(std::string_view ansi) { SetAnsiField(kDevicePOffset, kDevicePSize, ansi); }
    // Converts S from ANSI to UTF-16 before storing it.
    void SetS(std::string_view ansi);

    std::span<const uint8_t, kDeviceRecordSize> Bytes() const { return bytes_; }

private:
    void SetAnsiField(size_t offset, size_t size, std::string_view ansi);

    std::array<uint8_t, kDeviceRecordSize> bytes_{};
    std::u16string wide_;  // conversion buffer kept between records
};

// Reads the fields of one record. Each field runs to its first zero byte
// (unit); a field without one yields all of its bytes and never more.
// False (and `out` untouched) when `record` is shorter than kDeviceRecordSize;
// bytes after the first record are ignored.
bool ReadDeviceRecord(std::span<const uint8_t> record, TDeviceFields& out);

}  // namespace korvel
