#include "tests/xls/storage/StorageTestSupport.h"

#include <sys/wait.h>
#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

#include <gtest/gtest.h>

namespace korvel::test {

namespace fs = std::filesystem;

namespace {
const std::string kPython = "/usr/bin/python3";
std::string Tool(const std::string& name) {
    return std::string(KORVEL_SOURCE_DIR) + "/tests/tools/" + name;
}
std::string Quote(const std::string& s) {
    return "'" + s + "'";
}
}  // namespace

std::vector<uint8_t> ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>());
}

void WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

namespace {
// The folders made by FreshFolder in this process. They are removed once
// the tests have run, unless one failed: then they stay to be looked into.
class TFreshFolders : public ::testing::Environment {
public:
    void Add(const fs::path& folder) { folders_.push_back(folder); }
    void TearDown() override {
        if (::testing::UnitTest::GetInstance()->Failed()) {
            for (const auto& folder : folders_) std::fprintf(stderr, "kept for a look: %s\n", folder.c_str());
            return;
        }
        std::error_code ignored;
        for (const auto& folder : folders_) fs::remove_all(folder, ignored);
    }

private:
    std::vector<fs::path> folders_;
};

TFreshFolders& FreshFolders() {
    // Owned by the test framework once registered.
    static TFreshFolders* folders =
        static_cast<TFreshFolders*>(::testing::AddGlobalTestEnvironment(new TFreshFolders));
    return *folders;
}
}  // namespace

std::string FreshFolder(const std::string& label) {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    fs::path folder =
        fs::path(::testing::TempDir()) / ("korvel-storage-" + std::to_string(::getpid()) + "-" +
                                          label + "-" + (info ? info->name() : "x"));
    fs::remove_all(folder);
    fs::create_directories(folder);
    FreshFolders().Add(folder);
    return folder.string() + "/";
}

std::vector<std::string> FolderNames(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename());
    return names;
}

std::string FixturePath(const std::string& name) {
    return std::string(KORVEL_TEST_DATA) + "/storage/" + name;
}

bool OracleAvailable() {
    static const int available =
        std::system((kPython + " -c 'import olefile' >/dev/null 2>&1").c_str()) == 0;
    return available;
}

int RunCommand(const std::string& command, std::string& output) {
    output.clear();
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return -1;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        output.append(buffer, n);
    const int status = ::pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int OracleCfb(const std::string& path, std::string& json) {
    return RunCommand(
        kPython + " " + Quote(Tool("oracle-dump.py")) + " --cfb " + Quote(path) + " 2>&1", json);
}

long long JsonInt(const std::string& json, const std::string& key) {
    const std::string marker = "\"" + key + "\": ";
    const size_t at = json.find(marker);
    if (at == std::string::npos) return -1;
    return std::strtoll(json.c_str() + at + marker.size(), nullptr, 10);
}

int OracleTreeCheck(const std::string& path, std::string& problems) {
    return RunCommand(
        kPython + " " + Quote(Tool("cfb-probe.py")) + " tree " + Quote(path) + " 2>&1", problems);
}

bool OracleExtract(const std::string& path, const std::string& stream, std::vector<uint8_t>& out) {
    const std::string target = path + ".extracted";
    std::string log;
    const int status =
        RunCommand(kPython + " " + Quote(Tool("cfb-probe.py")) + " extract " + Quote(path) + " " +
                       Quote(stream) + " " + Quote(target) + " 2>&1",
                   log);
    if (status != 0) return false;
    out = ReadWholeFile(target);
    std::remove(target.c_str());
    return true;
}

}  // namespace korvel::test
