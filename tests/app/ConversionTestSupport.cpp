#include "tests/app/ConversionTestSupport.h"

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "common/TextUtil.h"

namespace korvel::testing {

namespace {
const std::string kPython = "/usr/bin/python3";
const std::string kOracleDump = KORVEL_SOURCE_DIR "/tests/tools/oracle-dump.py";
const std::string kMakeWorkbook = KORVEL_SOURCE_DIR "/tests/app/make_workbook.py";
const std::string kFixtureDevices = KORVEL_SOURCE_DIR "/tests/app/fixture_devices.py";

int ExitCodeOf(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

std::string CaptureOutput(const std::string& command, int& exitCode) {
    std::string output;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return output;
    std::array<char, 4096> buffer;
    size_t got;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) output.append(buffer.data(), got);
    exitCode = ExitCodeOf(::pclose(pipe));
    return output;
}

void AppendEscaped(std::string& out, const std::string& text, bool inAttribute) {
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += inAttribute ? "&quot;" : "\""; break;
        default: out.push_back(c);
        }
    }
}

std::string JoinedName(const std::string& name) {
    bool quote = false;
    for (unsigned char c : name) quote = quote || c <= 32 || c == '"';
    if (!quote) return name;
    std::string out = "\"";
    for (char c : name) {
        out.push_back(c);
        if (c == '"') out.push_back('"');
    }
    return out + "\"";
}

void CopyField(std::string& record, size_t offset, size_t size, const std::string& text) {
    if (text.size() >= size) throw std::invalid_argument("test value too long for its field: " + text);
    record.replace(offset, text.size() + 1, text + '\0');
}
}  // namespace

KorvelInstall::KorvelInstall(bool withMobileFolders) {
    std::filesystem::copy_file(KORVEL_BINARY, folder_ / "korvel");
    if (withMobileFolders) {
        std::filesystem::create_directory(folder_ / "android");
        std::filesystem::create_directory(folder_ / "iphone");
    }
}

RunOutcome KorvelInstall::Run(const std::string& argument, const std::string& locale) const {
    std::string command = "cd " + Quoted(folder_.Path()) + " && LC_ALL=" + locale + " ./korvel " +
                          Quoted(argument) + " >/dev/null 2>" + Quoted(folder_ / "stderr.txt");
    RunOutcome outcome;
    outcome.exitCode = ExitCodeOf(std::system(command.c_str()));
    outcome.error = folder_.Read("stderr.txt");
    std::filesystem::remove(folder_ / "stderr.txt");
    return outcome;
}

std::string PreferencesFileFor(const std::vector<Device>& devices) {
    std::string out = "<?xml version='1.0' encoding='utf-8' standalone='yes' ?>\n<map>\n";
    for (const Device& device : devices) {
        for (auto [key, value] : {std::pair{'U', &device.u}, {'P', &device.p}, {'S', &device.s}}) {
            if (value->empty()) continue;
            out += "<string name=\"";
            AppendEscaped(out, device.name + key, true);
            out += "\">";
            AppendEscaped(out, *value, false);
            out += "</string>\n";
        }
    }
    out += "<string name=\"seq\">";
    for (size_t i = 0; i < devices.size(); ++i) {
        if (i > 0) out += "\n";
        AppendEscaped(out, JoinedName(devices[i].name), false);
    }
    out += "</string>\n</map>";
    return out;
}

std::string SettingsFileFor(const std::vector<Device>& devices) {
    std::string out;
    std::string record(210, '\0');
    for (const Device& device : devices) {
        CopyField(record, 80, 50, device.name);
        record[130] = 0;
        if (!device.u.empty()) CopyField(record, 130, 40, device.u);
        record[170] = 0;
        if (!device.p.empty()) CopyField(record, 170, 40, device.p);
        record[0] = record[1] = 0;
        std::u16string s = Utf8ToUtf16(device.s);
        if (s.size() >= 40) throw std::invalid_argument("test S too long: " + device.s);
        s.push_back(0);
        for (size_t i = 0; i < s.size(); ++i) {
            record[2 * i] = static_cast<char>(s[i] & 0xFF);
            record[2 * i + 1] = static_cast<char>(s[i] >> 8);
        }
        out += record;
    }
    return out;
}

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20) {
                char hex[8];
                std::snprintf(hex, sizeof hex, "\\u%04x", c);
                out += hex;
            } else {
                out.push_back(static_cast<char>(c));
            }
        }
    }
    return out + "\"";
}

std::string ListDumpFor(const std::vector<Device>& devices) {
    std::string out = "{\"sheets\":[\"Sheet1\"],\"datemode\":0}\n";
    for (size_t row = 0; row < devices.size(); ++row) {
        const Device& device = devices[row];
        const std::string* values[] = {&device.name, &device.u, &device.p, &device.s};
        for (int col = 0; col < 4; ++col) {
            if (values[col]->empty()) continue;
            out += "{\"sheet\":1,\"name\":\"Sheet1\",\"row\":" + std::to_string(row + 1) +
                   ",\"col\":" + std::to_string(col + 1) + ",\"type\":\"text\",\"value\":" + JsonString(*values[col]) +
                   "}\n";
        }
    }
    return out;
}

std::string OracleDump(const std::string& path) {
    int exitCode = -1;
    std::string output = CaptureOutput(kPython + " " + Quoted(kOracleDump) + " " + Quoted(path) + " 2>/dev/null", exitCode);
    return exitCode == 0 ? output : std::string();
}

bool MakeWorkbook(const std::string& path, const std::string& specJson) {
    const std::string specPath = path + ".json";
    WriteFile(specPath, specJson);
    std::string command = kPython + " " + Quoted(kMakeWorkbook) + " " + Quoted(path) + " <" + Quoted(specPath);
    bool made = ExitCodeOf(std::system(command.c_str())) == 0;
    std::filesystem::remove(specPath);
    return made;
}

std::vector<Device> FixtureDevices(const std::string& expectedDump, int rows) {
    int exitCode = -1;
    std::string lines = CaptureOutput(
        kPython + " " + Quoted(kFixtureDevices) + " " + Quoted(expectedDump) + " " + std::to_string(rows), exitCode);
    std::vector<Device> devices;
    if (exitCode != 0) return devices;
    size_t start = 0;
    for (size_t end; (end = lines.find('\n', start)) != std::string::npos; start = end + 1) {
        std::string fields[4];
        size_t at = start;
        for (int i = 0; i < 4; ++i) {
            size_t stop = i < 3 ? lines.find('\t', at) : end;
            fields[i] = lines.substr(at, stop - at);
            at = stop + 1;
        }
        devices.push_back({fields[0], fields[1], fields[2], fields[3]});
    }
    return devices;
}

bool HaveOracle() {
    static const bool have = ExitCodeOf(std::system((kPython + " -c 'import xlrd, xlwt' 2>/dev/null").c_str())) == 0;
    return have;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace korvel::testing
