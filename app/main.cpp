// korvel: converts the saved device list of the camera-viewer app between its
// preferences file, its "settings.dat" and a workbook "list.xls".
#include <string>
#include <vector>

#include "app/Driver.h"
#include "platform/FailureBox.h"
#include "platform/FileSystem.h"

int main(int argc, char** argv) {
    return korvel::RunWithFailureBox([&] {
        std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
        return korvel::RunDriver(arguments, korvel::ExecutableFolder());
    });
}
