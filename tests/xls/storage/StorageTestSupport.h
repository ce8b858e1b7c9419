// Helpers shared by the compound document tests: files, temporary folders and
// the independent Python oracles (olefile through tests/tools).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace korvel::test {

std::vector<uint8_t> ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes);
// A fresh empty folder for one test (with a trailing '/').
std::string FreshFolder(const std::string& label);
// The names in a folder (not recursive).
std::vector<std::string> FolderNames(const std::string& folder);

std::string FixturePath(const std::string& name);  // tests/data/storage/<name>

// True when /usr/bin/python3 can import olefile (the oracles need it).
bool OracleAvailable();
// Runs a shell command; returns its exit status and stdout.
int RunCommand(const std::string& command, std::string& output);
// oracle-dump.py --cfb FILE: exit status and its JSON.
int OracleCfb(const std::string& path, std::string& json);
// The integer after "key": in the oracle's JSON (-1 when absent).
long long JsonInt(const std::string& json, const std::string& key);
// cfb-probe.py tree FILE: exit status and the problems found.
int OracleTreeCheck(const std::string& path, std::string& problems);
// The bytes olefile reads from a stream ("Storage/Stream"); false on failure.
bool OracleExtract(const std::string& path, const std::string& stream, std::vector<uint8_t>& out);

}  // namespace korvel::test

#define SKIP_WITHOUT_ORACLE()                                                                     \
    do {                                                                                          \
        if (!::korvel::test::OracleAvailable())                                                   \
            GTEST_SKIP() << "/usr/bin/python3 with olefile is needed for this independent check"; \
    } while (0)
