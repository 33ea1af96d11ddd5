// The command line of ufclean-gui.
#pragma once

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>

#include "pipeline/undo_policy.h"

namespace gui {

// The desktop host's exit status.
enum GuiExit : int {
    kGuiExitOk = 0,
    kGuiExitUsage = 1,       // an option it does not know, or a bad value
    kGuiExitModule = 3,      // the module is missing or the window could not be made
    kGuiExitScreenshot = 4,  // --screenshot could not write its picture
    kGuiExitProfile = 5,     // --save-profile could not save the choice
    kGuiExitLayout = 6,      // --layout-report could not write its report
    kGuiExitReport = 7,      // --report could not write the run's report
};

struct Options {
    std::set<std::uint32_t> checked;  // categories checked at start
    bool rules = true;                // rule rows on by default start checked
    bool scanAtStart = false;         // --scan
    std::wstring screenshot;          // --screenshot FILE: save, then exit
    std::wstring layoutReport;        // --layout-report FILE: with the screenshot, cut labels
    int page = 0;                     // --page drives|history: 1, 2; the Clean page 0
    std::uint32_t olderThanDays = 0;  // --older-than DAYS: younger items start unchecked
    std::wstring saveProfile;         // --save-profile NAME: the checked rows, at start
    std::size_t benchItems = 0;       // --bench-items N: time the list, print, exit
    std::wstring rulesFile;           // --rules FILE; empty: the one beside the program
    std::wstring report;              // --report FILE: each scan's and clean's JSON report
    host::UndoMode undo = host::UndoMode::Default;  // --undo all|default|none, as in the console
};

// False with a reason for a word it does not know.
bool ParseOptions(int argc, wchar_t** argv, Options* options, std::wstring* error);

}  // namespace gui
