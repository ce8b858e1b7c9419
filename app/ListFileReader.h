// Reading "settings.dat" record by record through a checked file.
#pragma once

#include <array>
#include <string>

#include "app/DeviceRecord.h"
#include "platform/CheckedFile.h"

namespace korvel {

class TListFileReader {
public:
    // Opens the file for reading only (a read-only file is fine). Throws
    // EInOutError as TCheckedFile::Open does.
    void Open(const std::string& path);
    // Reads the next record into `out`; false when no bytes are left. A
    // record cut short by the end of the file throws EInOutError 100
    // "Read beyond end of file". Every complete record counts, the last too.
    bool Next(TDeviceFields& out);
    void Close() { file_.Close(); }

private:
    TCheckedFile file_;
    std::array<uint8_t, kDeviceRecordSize> record_{};
};

}  // namespace korvel
