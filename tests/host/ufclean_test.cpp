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

std::string FoldedUtf8(const std::wstring& path) {
    return host::Utf8(ufc::Folded(path));
}

// A scan's report of the given categories: its items' sizes by folded
// path, and its text.
std::map<std::string, double> ScanSizes(const std::wstring& categories, std::string* raw) {
    const std::wstring report = fx::Scratch(L"host-report") + L"\\report.json";
    EXPECT_EQ(RunUfclean(L"scan " + categories + L" --json \"" + report + L"\"").exitCode, 0u);
    *raw = fx::ReadFileText(report);
    std::map<std::string, double> sizes;
    const json parsed = json::parse(*raw);
    for (const json& section : parsed["categories"])
        for (const json& item : section["items"])
            sizes[FoldedUtf8(host::Widen(item["path"].get<std::string>()))] = item["size"];
    return sizes;
}

// The scan's report lists the seeded files with their sizes and UTF-8 names.
TEST(Ufclean, TheReportListsTheSeededFilesWithTheirSizesAndNames) {
    std::map<std::string, double> expected;
    for (const fx::SeededFile& file : fx::SeedWindowsTemp())
        expected[FoldedUtf8(file.path)] = static_cast<double>(file.size);
    std::string raw;
    EXPECT_EQ(ScanSizes(L"9", &raw), expected) << raw;
    // Raw UTF-8 of U+00DC, U+65E5 and U+1F600 (a surrogate pair in UTF-16).
    EXPECT_EQ(fx::Lacking(raw, {"\xC3\x9C"
                                "bersicht \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80.tmp"}),
              "");
}

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

// The demo profile scanned and cleaned with the default set: the table's
// total, the report's rows and total, and what the clean removed agree;
// cookies and history stay.
TEST(Ufclean, TheDemoProfileScanAndCleanAgree) {
    fx::EmptyRecycleBin();
    const std::vector<fx::SeededFile> seeded = fx::SeedDemoProfile();
    const std::wstring folder = fx::Scratch(L"host-demo");
    const fx::RunResult scan = RunUfclean(L"scan --json \"" + folder + L"\\scan.json\"");
    ASSERT_EQ(scan.exitCode, 0u) << scan.err;
    const json report = json::parse(fx::ReadFileText(folder + L"\\scan.json"));
    const json& total = report["total"];
    // The rows add up to the total, and a file is one item wherever found.
    const char* const figures[] = {"found", "foundBytes", "wouldRemove", "wouldFree"};
    const char* const totals[] = {"count", "bytes", "wouldRemove", "wouldFree"};
    double rows[4] = {};
    std::set<std::string> paths, taken, left;
    for (const json& row : report["categories"]) {
        for (int f = 0; f < 4; ++f) rows[f] += row[figures[f]].get<double>();
        for (const json& item : row["items"]) {
            const std::string path = item["path"];
            paths.insert(FoldedUtf8(host::Widen(path)));
            if (row.value("number", 0) == kCategoryRecycleBin || !fx::Exists(host::Widen(path)))
                continue;  // files of the disk only
            (item["selected"].get<bool>() ? taken : left).insert(FoldedUtf8(host::Widen(path)));
        }
    }
    for (int f = 0; f < 4; ++f) EXPECT_EQ(rows[f], total[totals[f]].get<double>()) << totals[f];
    EXPECT_EQ(total["count"].get<double>(), paths.size());
    EXPECT_GT(total["wouldRemove"].get<double>(), 0);
    EXPECT_EQ(total["inUseAtScan"].get<double>(), 0);  // nothing held, nothing filtered counted
    // The table's total line says the same.
    const std::string line = "Total " + std::to_string(total["count"].get<std::uint64_t>()) + " " +
                             host::Utf8(host::HumanSize(total["bytes"].get<std::uint64_t>()));
    std::string said = scan.out;
    said.erase(
        std::unique(said.begin(), said.end(), [](char a, char b) { return a == ' ' && b == ' '; }),
        said.end());
    EXPECT_EQ(fx::Lacking(said, {line.c_str()}), "") << scan.out;

    const fx::RunResult clean = RunUfclean(L"clean --yes --json \"" + folder + L"\\clean.json\"");
    ASSERT_EQ(clean.exitCode, 0u) << clean.out << clean.err;
    const json done = json::parse(fx::ReadFileText(folder + L"\\clean.json"))["total"];
    EXPECT_EQ(done["removed"].get<double>() + done["failed"].get<double>() +
                  done["inUse"].get<double>() + done["changedSinceScan"].get<double>(),
              total["wouldRemove"].get<double>());
    // The question's size is what the clean freed, held for undo and left.
    EXPECT_EQ(done["bytesFreed"].get<double>() + done["bytesHeld"].get<double>() +
                  done["bytesLeft"].get<double>(),
              total["wouldFree"].get<double>());
    for (const std::string& path : taken) EXPECT_FALSE(fx::Exists(host::Widen(path))) << path;
    for (const std::string& path : left)  // a repeat goes with its first listing
        EXPECT_TRUE(taken.count(path) || fx::Exists(host::Widen(path))) << path;
    // The default set leaves cookies and history.
    std::size_t privacy = 0;
    for (const fx::SeededFile& file : seeded) {
        const std::string path = FoldedUtf8(file.path);
        for (const char* name : {"\\cookies", "\\history", "cookies.sqlite", "formhistory"})
            if (path.find(FoldedUtf8(host::Widen(name))) != std::string::npos) {
                ++privacy;
                EXPECT_TRUE(fx::Exists(file.path)) << path;
                break;
            }
    }
    EXPECT_GT(privacy, 3u);
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
// matches alone; a cache that fills again by itself is deleted, not held;
// --undo none holds nothing; history --purge lets every run go.
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

    seeded.clear();
    seed();
    EXPECT_EQ(RunUfclean(clean).exitCode, 0u);
    const json history = json::parse(RunUfclean(L"history --json -").out)["runs"];
    ASSERT_FALSE(history.empty());
    EXPECT_EQ(history.back()["what"], "clean 9 1 windows.user-temp ini.ufcheld");
    run = RunUfclean(L"history --purge");
    EXPECT_EQ(fx::Lacking(run.out, {"let go "}), "") << run.out << run.err;
    EXPECT_EQ(RunUfclean(L"history").out, "no clean is held for undo\n");
}

}  // namespace
