// End-to-end support for the conversion tests: a scratch install of the real
// korvel binary (with its android/ and iphone/ folders), device lists, and the
// files the formats say those lists become, built here from the device data.
#pragma once

#include <string>
#include <vector>

#include "tests/platform/ScratchFolder.h"

namespace korvel::testing {

// One device; empty U, P or S means the device has no such value. Texts are
// bytes of the locale the binary runs in (UTF-8 unless a test says otherwise).
struct Device {
    std::string name, u, p, s;
};

struct RunOutcome {
    int exitCode = -1;
    std::string error;  // standard error: one line per message box
};

// A scratch folder holding a copy of korvel and the sub-folders it writes to.
class KorvelInstall {
public:
    explicit KorvelInstall(bool withMobileFolders = true);
    const ScratchFolder& Folder() const { return folder_; }
    std::string operator/(const std::string& name) const { return folder_ / name; }
    // Runs korvel with one argument (relative to the folder unless absolute)
    // in the folder, under LC_ALL=`locale`.
    RunOutcome Run(const std::string& argument, const std::string& locale = "C.UTF-8") const;

private:
    ScratchFolder folder_;
};

// The preferences file the formats describe for these devices (names joined
// as the "seq" entry; "&", "<", ">" escaped as the writer does).
std::string PreferencesFileFor(const std::vector<Device>& devices);
// The "settings.dat" bytes of these devices: one 210-byte record each, built
// the way the mobile app builds them (one buffer reused, only the first byte
// or unit of U, P and S cleared per record). Every value must fit its field;
// S is UTF-8 here and stored as UTF-16.
std::string SettingsFileFor(const std::vector<Device>& devices);

// The cell dump (tests/tools/oracle-dump.py) of a "list.xls" made of these
// devices: sheet "Sheet1", one row per device, empty values left out.
std::string ListDumpFor(const std::vector<Device>& devices);
// Runs the independent dump on a workbook; "" when it fails.
std::string OracleDump(const std::string& path);

// Writes a workbook with xlwt from a JSON spec (see make_workbook.py); false
// when the tool fails.
bool MakeWorkbook(const std::string& path, const std::string& specJson);
// JSON string literal of UTF-8 text.
std::string JsonString(const std::string& text);

// The devices of rows 1 to `rows` of a fixture's expected cell dump (see
// fixture_devices.py); empty when the tool fails.
std::vector<Device> FixtureDevices(const std::string& expectedDump, int rows);

// True when /usr/bin/python3 has xlrd and xlwt (the tests that need them skip otherwise).
bool HaveOracle();

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);

}  // namespace korvel::testing
