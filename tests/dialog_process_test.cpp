// korvo-clockr as a process: without a display, and in a real X11 window
// under Xvfb, ended by Esc as a user would.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>

#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

int exit_status(int raw) { return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1; }

bool have(const char* program) {
    return std::system(("command -v " + std::string(program) + " >/dev/null 2>&1").c_str()) == 0;
}

} // namespace

TEST(DialogProcess, WithoutADisplaySaysSoInOneLineAndFails) {
    // No display named at all, and one named that is not there.
    for (const char* env : {"env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM",
                            "env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY=:9876"}) {
        SCOPED_TRACE(env);
        TempDir dir;
        const std::string command =
            "cd '" + dir.path().string() + "' && " + env + " timeout 60 '" CLOCKR_DIALOG "' >out 2>err";
        const int status = exit_status(std::system(command.c_str()));
        EXPECT_NE(status, 0);
        EXPECT_NE(status, 124) << "timed out";
        EXPECT_EQ(read_file(dir.path() / "out"), "");
        const std::string err = read_file(dir.path() / "err");
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_NE(err.find("needs a display"), std::string::npos) << err;
        EXPECT_NE(err.find("korvo-clockr-cli"), std::string::npos) << err;
    }
}

TEST(DialogProcess, EscInTheWindowEndsTheProgramWithStatusZero) {
    if (!have("xvfb-run") || !have("xdotool")) GTEST_SKIP() << "needs xvfb-run and xdotool";
    TempDir dir;
    fs::copy(CLOCKR_EXAMPLES "/rec", dir.path() / "rec");
    // Every wait is bounded: finding the window, the program's end, the whole run.
    const std::string script =
        "'" CLOCKR_DIALOG "' & pid=$!\n"
        "win=$(timeout 60 xdotool search --sync --onlyvisible --name '^Korvo clockr$' | head -n 1)\n"
        "[ -n \"$win\" ] || { kill $pid; echo no-window > status; exit 0; }\n"
        "xdotool mousemove 1 1 windowfocus \"$win\" key Escape\n"
        "for i in $(seq 600); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done\n"
        "kill -0 $pid 2>/dev/null && { kill $pid; echo still-running > status; exit 0; }\n"
        "wait $pid; echo $? > status\n";
    std::ofstream(dir.path() / "drive.sh") << script;
    const std::string command = "cd '" + dir.path().string() +
                                "' && env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM timeout 180 xvfb-run -a "
                                "-s '-screen 0 1024x768x24 -nolisten tcp' sh drive.sh >log 2>&1";
    EXPECT_EQ(exit_status(std::system(command.c_str())), 0) << read_file(dir.path() / "log");
    EXPECT_EQ(read_file(dir.path() / "status"), "0\n") << read_file(dir.path() / "log");
    EXPECT_FALSE(fs::exists(dir.path() / "stat.txt"));
}
