// Feeds arbitrary bytes to the device-record reader as a "settings.dat", and
// checks that writing what was read and reading it again keeps every field
// (cut to its field where needed), under a code page chosen by the input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "app/DeviceNames.h"
#include "app/DeviceRecord.h"
#include "platform/CodePage.h"

namespace {

constexpr uint32_t kPages[] = {1252, 932, 936, 949, 950, 65001, 1251, 437, 1258, 10000};

void Require(bool condition) {
    if (!condition) std::abort();
}

bool IsPrefix(const std::string& prefix, const std::string& text) { return text.compare(0, prefix.size(), prefix) == 0; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace korvel;
    if (size == 0) return 0;
    SetSystemAnsiCodePage(kPages[data[0] % std::size(kPages)]);
    std::span<const uint8_t> file(data + 1, size - 1);

    TDeviceRecord writer;
    std::string names;
    while (file.size() >= kDeviceRecordSize) {
        TDeviceFields fields;
        Require(ReadDeviceRecord(file, fields));
        Require(fields.name.size() <= kDeviceNameSize && fields.u.size() <= kDeviceUSize &&
                fields.p.size() <= kDevicePSize);

        writer.SetName(fields.name);
        writer.SetU(fields.u);
        writer.SetP(fields.p);
        writer.SetS(fields.s);
        TDeviceFields again;
        Require(ReadDeviceRecord(writer.Bytes(), again));
        Require(IsPrefix(again.name, fields.name) && again.name.size() < kDeviceNameSize);
        Require(IsPrefix(again.u, fields.u) && again.u.size() < kDeviceUSize);
        Require(IsPrefix(again.p, fields.p) && again.p.size() < kDevicePSize);
        if (fields.name.size() < kDeviceNameSize) Require(again.name == fields.name);

        AppendQuotedDeviceName(names, fields.name);
        names.push_back('\n');
        file = file.subspan(kDeviceRecordSize);
    }
    TDeviceFields ignored;
    Require(!ReadDeviceRecord(file, ignored));
    SplitDeviceNames(names);
    return 0;
}
