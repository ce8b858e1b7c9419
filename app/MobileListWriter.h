// Writes a device list to both mobile files at once: the Android preferences
// file and the iPhone "settings.dat". The workbook-to-mobile conversion feeds
// it one device at a time as it reads the sheet:
//
//   TMobileListWriter out;
//   out.Create(folder + "android/...", folder + "iphone/settings.dat");
//   for each row: out.BeginDevice(name); out.AddValue(DeviceKey::U, u); ...; out.EndDevice();
//   out.Finish();
//
// Every file operation is checked (EInOutError on the first failure). Each
// entry is flushed as it is written and each record goes out at EndDevice, so
// a run that fails part-way leaves the devices done so far in both files,
// without the "seq" entry and "</map>".
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/DeviceRecord.h"
#include "app/PreferencesFile.h"
#include "platform/CheckedFile.h"

namespace korvel {

// The three values a device carries besides its name, by their key letter.
enum class DeviceKey : char { U = 'U', P = 'P', S = 'S' };

class TMobileListWriter {
public:
    TMobileListWriter() : preferences_writer_(preferences_) {}

    // Creates (or truncates) the preferences output, then the list output,
    // and writes the preferences header. A failure on the second leaves the
    // first behind, empty.
    void Create(const std::string& preferencesPath, const std::string& listPath);

    // Starts the next device: adds the name to the names list and to the
    // record, whose U, P and S fields are cleared.
    void BeginDevice(std::string_view name);
    // Writes the entry for `key` (flushed) and fills the record's field; the
    // value is ANSI and should not be empty. Needs BeginDevice first
    // (std::logic_error otherwise).
    void AddValue(DeviceKey key, std::string_view ansiValue);
    // Flushes the preferences output and appends the record to the list output.
    void EndDevice();

    // Writes the "seq" entry and "</map>", then closes both files.
    void Finish();

    size_t DeviceCount() const { return names_.size(); }

private:
    TCheckedFile preferences_;
    TCheckedFile list_;
    TPreferencesWriter preferences_writer_;
    TDeviceRecord record_;
    std::vector<std::string> names_;
};

}  // namespace korvel
