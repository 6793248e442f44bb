#pragma once
// An Xvfb display of the test's own, for tests that look at real windows.

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>

#include "tests/shell_commands.h"

// Starts Xvfb on a display it picks itself (other test programs may run displays of their
// own at the same time) and ends it when the object leaves scope. -noreset: by default the
// server resets whenever its last client leaves, and a program started during that reset
// is refused ("could not connect to display").
class VirtualDisplay {
public:
    VirtualDisplay() {
        const std::filesystem::path base = std::filesystem::temp_directory_path() /
                                           ("korvel-xvfb-" + std::to_string(std::random_device{}()));
        std::filesystem::create_directories(base);
        dir_ = base.string();
        Shell("Xvfb -displayfd 3 -noreset -screen 0 1024x768x24 -nolisten tcp 3>'" + dir_ +
              "/display' >/dev/null 2>&1 & echo $! > '" + dir_ + "/pid'");
        // The display's number is written once the server accepts clients.
        for (int attempt = 0; attempt < 150 && number_.empty(); ++attempt) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            std::ifstream(base / "display") >> number_;
        }
    }
    ~VirtualDisplay() {
        EndProcess(dir_ + "/pid");
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;

    bool Started() const { return !number_.empty(); }
    // ":N", for DISPLAY.
    std::string Name() const { return ":" + number_; }
    // What a shell line puts before a program to show its windows here.
    std::string Env() const { return "DISPLAY=" + Name() + " QT_QPA_PLATFORM=xcb "; }

private:
    std::string dir_;
    std::string number_;
};
