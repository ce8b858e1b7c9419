#include "tables_test_util.h"

#include <cstdio>
#include <fstream>
#include <sys/wait.h>
#include <unistd.h>

namespace korvel::testing {

bool RunPython(const std::string& script, std::string& output, int& exitCode) {
    if (access("/usr/bin/python3", X_OK) != 0) return false;
    char path[] = "/tmp/korvel_tables_oracle_XXXXXX";
    int fd = mkstemp(path);
    if (fd < 0) return false;
    close(fd);
    {
        std::ofstream file(path);
        file << script;
    }
    std::string command = std::string("/usr/bin/python3 ") + path + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return false;
    char buffer[4096];
    size_t n;
    output.clear();
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
    int status = pclose(pipe);
    unlink(path);
    exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    // Exit 77: the oracle module is not installed.
    return exitCode != 77;
}

}  // namespace korvel::testing
