// ufclean.exe started as a user would, on seeded junk in this program's
// prefix, checked by its exit status, output, report and effects.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <shlobj.h>

#include <algorithm>
#include <map>
#include <set>

#include "fixtures/categories.h"
#include "fixtures/demo_profile.h"
#include "fixtures/fixtures.h"
#include "fixtures/run_program.h"
#include "fs/fold.h"
#include "text/format.h"

namespace {

using fx::RunUfclean;
using nlohmann::json;

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
        {L"clean 9 --undo some", 1, "--undo needs default, all or none"},
        {L"undo 19990101-000000", 6, "no held clean 19990101-000000 (see ufclean history)"},
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

// What a file is: its bytes, dates and attributes, read by its exact name.
struct FileLook {
    std::string bytes;
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    bool operator==(const FileLook& o) const {
        return bytes == o.bytes && data.dwFileAttributes == o.data.dwFileAttributes &&
               CompareFileTime(&data.ftCreationTime, &o.data.ftCreationTime) == 0 &&
               CompareFileTime(&data.ftLastWriteTime, &o.data.ftLastWriteTime) == 0;
    }
};

FileLook Look(const std::wstring& path) {
    FileLook look;
    const std::wstring exact = L"\\\\?\\" + path;
    if (GetFileAttributesExW(exact.c_str(), GetFileExInfoStandard, &look.data))
        look.bytes = fx::ReadFileText(exact);
    return look;
}

// A held clean (the default) and its undo, one row per kind of item: each
// comes back with its bytes, dates and attributes; --only takes back the
// matches alone; a cache that fills again by itself is deleted, not held
// (unless --undo all); --undo none holds nothing; history --purge lets
// every run go.
TEST(Ufclean, AHeldCleanIsTakenBackWhole) {
    const std::wstring folder = fx::Scratch(L"host-undo");
    const std::wstring community = folder + L"\\community.ini";
    fx::MakeFileWithText(community, "[UfcHeld *]\nFileKey1=%AppData%\\UfcHeld|*.tmp\n");
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const struct {
        const char* what;
        std::wstring path;
        DWORD attributes;
        bool held;
    } rows[] = {
        {"module category", fx::Special(CSIDL_WINDOWS) + L"\\Temp\\held-setup.tmp",
         FILE_ATTRIBUTE_ARCHIVE, true},
        {"built-in rule", temp + std::wstring(L"held-note.tmp"), FILE_ATTRIBUTE_ARCHIVE, true},
        {"community rule", fx::Special(CSIDL_APPDATA) + L"\\UfcHeld\\held.tmp",
         FILE_ATTRIBUTE_ARCHIVE, true},
        {"read-only file", temp + std::wstring(L"held-read-only.tmp"), FILE_ATTRIBUTE_READONLY,
         true},
        {"trailing-dot name", temp + std::wstring(L"held trailing dot."), FILE_ATTRIBUTE_ARCHIVE,
         true},
        {"browser cache", fx::Special(CSIDL_INTERNET_CACHE) + L"\\Content.IE5\\UFCHELD1\\p[1].htm",
         FILE_ATTRIBUTE_ARCHIVE, false},
    };
    const std::wstring choice = L"9 1 windows.user-temp ini.ufcheld --rules \"" + community + L"\"";
    const std::wstring clean =
        L"clean --yes " + choice + L" --json \"" + folder + L"\\clean.json\"";
    std::map<std::wstring, FileLook> seeded;
    auto seed = [&] {
        for (const auto& row : rows) {
            fx::MakeFile(L"\\\\?\\" + row.path, 100 + seeded.size() * 7);
            fx::SetWriteAge(L"\\\\?\\" + row.path, 72);
            SetFileAttributesW((L"\\\\?\\" + row.path).c_str(), row.attributes);
            seeded[row.path] = Look(row.path);
        }
    };
    seed();
    RunUfclean(L"history --purge");  // what other tests held
    fx::RunResult run = RunUfclean(clean);
    ASSERT_EQ(run.exitCode, 0u) << run.out << run.err;
    const json done = json::parse(fx::ReadFileText(folder + L"\\clean.json"))["total"];
    EXPECT_EQ(done["notUndoable"].get<double>(), 0) << run.out;
    EXPECT_EQ(fx::Lacking(run.out, {"freed now ", ", held for undo until ", "ufclean undo "}), "");
    for (const auto& row : rows) EXPECT_FALSE(fx::Exists(L"\\\\?\\" + row.path)) << row.what;

    run = RunUfclean(L"undo --only \"*\\UfcHeld\\*\"");
    EXPECT_EQ(run.exitCode, 0u) << run.out << run.err;
    for (const auto& row : rows)
        EXPECT_EQ(fx::Exists(L"\\\\?\\" + row.path),
                  row.path.find(L"UfcHeld") != std::wstring::npos)
            << row.what;
    run = RunUfclean(L"undo");
    EXPECT_EQ(run.exitCode, 0u) << run.out << run.err;
    for (const auto& row : rows) {
        EXPECT_EQ(Look(row.path) == seeded[row.path], row.held) << row.what;
        EXPECT_EQ(fx::Exists(L"\\\\?\\" + row.path), row.held) << row.what;
    }
    // Taken back whole, the runs are gone; --undo none, saved with a
    // profile, makes none.
    EXPECT_EQ(RunUfclean(L"profile save held-none --replace --undo none " + choice).exitCode, 0u);
    run = RunUfclean(L"clean --yes --profile held-none");
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    for (const auto& row : rows) EXPECT_FALSE(fx::Exists(L"\\\\?\\" + row.path)) << row.what;
    EXPECT_EQ(RunUfclean(L"history").out, "no clean is held for undo\n");

    // --undo all holds the cache too.
    seeded.clear();
    seed();
    EXPECT_EQ(RunUfclean(clean + L" --undo all").exitCode, 0u);
    EXPECT_EQ(RunUfclean(L"undo --only \"*\\UFCHELD1\\*\"").exitCode, 0u);
    EXPECT_TRUE(Look(rows[5].path) == seeded[rows[5].path]);
    const json history = json::parse(RunUfclean(L"history --json -").out)["runs"];
    ASSERT_FALSE(history.empty());
    EXPECT_EQ(history.back()["what"], "clean 9 1 windows.user-temp ini.ufcheld");
    run = RunUfclean(L"history --purge");
    EXPECT_EQ(fx::Lacking(run.out, {"let go "}), "") << run.out << run.err;
    EXPECT_EQ(RunUfclean(L"history").out, "no clean is held for undo\n");
}

}  // namespace
