// ufclean.exe started as a user would, on seeded junk in this program's
// prefix, checked by its exit status, output, report and effects.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>

#include "fixtures/categories.h"
#include "fixtures/demo_profile.h"
#include "fixtures/fixtures.h"
#include "fixtures/run_program.h"
#include "text/format.h"

namespace {

using fx::RunUfclean;

// Refusals and questions: the exit status and one line that says what is
// wrong (with "did you mean" for a word near a command, option, rule or
// category), the usage and version asked for, a bin that a keep rule holds,
// a clean declined at its question; nothing is touched, the download folder
// only shown.
TEST(Ufclean, RefusalsAndQuestionsSayWhatAndTouchNothing) {
    const std::vector<fx::SeededFile> seeded = fx::SeedWindowsTemp();
    const std::wstring community = fx::Scratch(L"host-refusals") + L"\\community.ini";
    fx::MakeFileWithText(community, "[UfcAlone *]\nFileKey1=%AppData%\\UfcAlone|*.tmp\n");
    const wchar_t browser[] = L"Software\\Microsoft\\Internet Explorer";
    fx::SetString(HKEY_CURRENT_USER, browser, L"Download Directory", L"C:\\as-it-was");
    fx::EmptyRecycleBin();
    fx::SeedRecycledFiles();
    const struct {
        std::wstring arguments;
        DWORD exitCode;
        const char* said;  // on stderr for a refusal, else on stdout
    } rows[] = {
        {L"clean 9", 1, "--yes"},  // no console, no --yes
        {L"scan 99", 1, "unknown category: 99 (see ufclean categories)"},
        {L"sweep", 1, "unknown command: sweep (see ufclean --help)"},
        {L"scna 9", 1, "unknown command: scna; did you mean scan? (see ufclean --help)"},
        {L"clxxn", 1, "unknown command: clxxn (see ufclean --help)"},  // two edits: too far
        {L"scan 9 --detials", 1, "did you mean --details? (see ufclean scan --help)"},
        {L"scan windows.user-tmp", 1, "or rule: windows.user-tmp; did you mean windows.user-temp?"},
        {L"scan clipbord", 1, "did you mean 17 (Clipboard)?"},
        {L"scan chromium.nothing", 1, "unknown category or rule: chromium.nothing (see"},
        {L"scan 9 --older-than soon", 1, "--older-than needs a number of days"},
        {L"scan 9 --older-than 3 --older-than 4", 1, "repeated option: --older-than"},
        {L"clean 9 --yes --json C:\\windows\\win.ini\\r.json", 1, "the report cannot be written"},
        {L"clean 9 --yes --rules no-such.ini", 1, "ufclean: no-such.ini: no such file"},
        {L"profile save p --rules no-such.json", 1, "ufclean: no-such.json: no such file"},
        // The file's rules are off until chosen: the run would take none.
        {L"clean --yes --rules \"" + community + L"\"", 1,
         "community.ini gives 1 rule(s), all off until chosen"},
        {L"clean 9 --help", 0, "usage of ufclean clean:"},
        {L"clean 16 --yes --keep \"*old draft*\"", 0,
         "category 16 skipped: the recycle bin is always emptied whole"},
        {L"--version", 0, "ufclean " UFC_VERSION " (UnusedFileClean.dll 1.0.0.0)"},
        {L"download-dir", 0, "C:\\as-it-was\n"},
    };
    for (const auto& row : rows) {
        const fx::RunResult run = RunUfclean(row.arguments);
        EXPECT_EQ(run.exitCode, row.exitCode) << fx::Narrow(row.arguments) << run.err;
        EXPECT_EQ(fx::Lacking(row.exitCode ? run.err : run.out, {row.said}), "") << run.out;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), row.exitCode ? 1 : 0)
            << run.err;
    }
    EXPECT_EQ(fx::GetString(HKEY_CURRENT_USER, browser, L"Download Directory"), L"C:\\as-it-was");

    // Declined at the question, which gives the count and size of what goes.
    std::uint64_t bytes = 0;
    for (const fx::SeededFile& file : seeded) bytes += file.size;
    const fx::RunResult declined =
        fx::RunOnConsole(fx::BinFolder() + L"\\ufclean.exe", L"clean 9", L"n");
    EXPECT_EQ(declined.exitCode, 5u) << declined.out;
    EXPECT_EQ(fx::Lacking(declined.out, {("Remove " + std::to_string(seeded.size()) + " items, " +
                                          host::Utf8(host::HumanSize(bytes)) + "? [y/N] n")
                                             .c_str()}),
              "");
    for (const fx::SeededFile& file : seeded) EXPECT_TRUE(fx::Exists(file.path));
}

}  // namespace
