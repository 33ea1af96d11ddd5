// ufclean.exe started as a user would, on seeded junk in this program's
// prefix, checked by its exit status, output, report and effects.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <shlobj.h>

#include <algorithm>
#include <map>
#include <set>
#include <tuple>

#include "browser_data/browser_data.h"
#include "fixtures/categories.h"
#include "fixtures/database_rows.h"
#include "fixtures/demo_profile.h"
#include "fixtures/fixtures.h"
#include "fixtures/run_program.h"
#include "pipeline/choice.h"
#include "pipeline/pipeline.h"
#include "rules/table.h"
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
        {L"scna 9", 1, "unknown command: scna; did you mean scan? (see ufclean --help)"},
        {L"clxxn", 1, "unknown command: clxxn (see ufclean --help)"},  // two edits: too far
        {L"scan 9 --detials", 1, "did you mean --details? (see ufclean scan --help)"},
        {L"scan windows.user-tmp", 1, "or rule: windows.user-tmp; did you mean windows.user-temp?"},
        {L"scan clipbord", 1, "did you mean 17 (Clipboard)?"},
        {L"scan chromium.nothing", 1, "unknown category or rule: chromium.nothing (see"},
        {L"scan 9 --older-than soon", 1, "--older-than needs a number of days"},
        {L"scan 9 --older-than 3 --older-than 4", 1, "repeated option: --older-than"},
        {L"clean 9 --yes --keep-days 3651", 1, "--keep-days needs a number of days from 0 to 3650"},
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

// What a file is: its bytes, attributes, creation and last write (FILETIME
// ticks), read by its exact name; empty when there is none.
using FileLook = std::tuple<std::string, DWORD, std::uint64_t, std::uint64_t>;

FileLook Look(const std::wstring& path) {
    const std::wstring exact = L"\\\\?\\" + path;
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExW(exact.c_str(), GetFileExInfoStandard, &data)) return {};
    auto ticks = [](FILETIME t) {
        return (std::uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime;
    };
    return {fx::ReadFileText(exact), data.dwFileAttributes, ticks(data.ftCreationTime),
            ticks(data.ftLastWriteTime)};
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
        bool held;
    } rows[] = {
        {"module category", fx::Special(CSIDL_WINDOWS) + L"\\Temp\\held-setup.tmp", true},
        {"built-in rule", temp + std::wstring(L"held-note.tmp"), true},
        {"community rule", fx::Special(CSIDL_APPDATA) + L"\\UfcHeld\\held.tmp", true},
        {"browser cache", fx::Special(CSIDL_INTERNET_CACHE) + L"\\Content.IE5\\UFCHELD1\\p[1].htm",
         false},
    };
    const std::wstring choice = L"9 1 windows.user-temp ini.ufcheld --rules \"" + community + L"\"";
    const std::wstring clean =
        L"clean --yes " + choice + L" --json \"" + folder + L"\\clean.json\"";
    std::map<std::wstring, FileLook> seeded;
    auto seed = [&] {
        for (const auto& row : rows) {
            fx::MakeFile(L"\\\\?\\" + row.path, 100 + seeded.size() * 7);
            fx::SetWriteAge(L"\\\\?\\" + row.path, 72);
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
    for (const auto& row : rows)
        EXPECT_EQ(Look(row.path) == seeded[row.path], row.held) << row.what;
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
    EXPECT_EQ(Look(rows[3].path), seeded[rows[3].path]);
    const json history = json::parse(RunUfclean(L"history --json -").out)["runs"];
    ASSERT_FALSE(history.empty());
    EXPECT_EQ(history.back()["what"], "clean 9 1 windows.user-temp ini.ufcheld");
    run = RunUfclean(L"history --purge");
    EXPECT_EQ(fx::Lacking(run.out, {"let go "}), "") << run.out << run.err;
    EXPECT_EQ(RunUfclean(L"history").out, "no clean is held for undo\n");
}

// The browsers' databases edited in place by the console, on copies of the
// browser-made fixtures where Firefox and Chrome keep them: history goes
// with every bookmark, keyword and tag kept; a kept site's cookies (its
// subdomains' too) stay and the others go; a running browser's databases,
// and a held clean taken back, are every byte as they were.
TEST(Ufclean, BrowserDatabasesAreEditedInPlace) {
    const std::wstring firefox = fx::Special(CSIDL_APPDATA) + L"\\Mozilla\\Firefox";
    const std::wstring chrome = fx::Special(CSIDL_LOCAL_APPDATA) + L"\\Google\\Chrome\\User Data";
    const std::wstring gecko = firefox + L"\\Profiles\\ufc.default";
    const std::wstring chromium = chrome + L"\\Default";
    // Each fixture database (below its browser's fixture folder) and its copy.
    std::vector<std::pair<std::wstring, std::wstring>> files;
    for (const wchar_t* name : {L"places.sqlite", L"favicons.sqlite", L"cookies.sqlite"})
        files.push_back({L"firefox\\" + std::wstring(name), gecko + L"\\" + name});
    for (const wchar_t* name :
         {L"History", L"Favicons", L"Top Sites", L"Shortcuts", L"Bookmarks", L"Network\\Cookies"})
        files.push_back({L"chromium\\" + std::wstring(name), chromium + L"\\" + name});
    // The bytes of the cookie databases, or of the others.
    auto contents = [&files](bool cookies) {
        std::string all;
        for (const auto& file : files)
            if ((file.first.find(L"ookies") != std::wstring::npos) == cookies)
                all += fx::ReadFileText(file.second) + "\n--\n";
        return all;
    };
    const char* kBookmarks =
        "SELECT b.guid, b.type, b.parent, b.title, p.url FROM moz_bookmarks b LEFT JOIN "
        "moz_places p ON p.id = b.fk UNION ALL SELECT k.keyword, p.url, 0, 0, 0 FROM moz_keywords "
        "k JOIN moz_places p ON p.id = k.place_id ORDER BY 1";
    // The cookies' hosts, each with its site.
    auto cookieSites = [&]() {
        std::multiset<std::string> sites;
        for (const std::string& rows :
             {fx::Rows(gecko + L"\\cookies.sqlite", "SELECT host FROM moz_cookies"),
              fx::Rows(chromium + L"\\Network\\Cookies", "SELECT host_key FROM cookies")})
            for (std::size_t at = 0, end; (end = rows.find('\n', at)) != rows.npos; at = end + 1)
                sites.insert(browser_data::RegistrableDomain(rows.substr(at, end - at)));
        return sites;
    };
    const struct {
        const char* what;
        const wchar_t* arguments;
        bool running;           // the browsers hold their lock files
        bool undo;              // the clean is taken back
        bool history, cookies;  // what is edited
    } rows[] = {
        {"history", L"--undo none --with history", false, false, true, false},
        {"cookies of kept sites", L"--undo none --with cookies", false, false, false, true},
        {"running browsers", L"--with history,cookies", true, false, false, false},
        {"undo", L"--with history,cookies", false, true, false, false},
    };
    ASSERT_EQ(RunUfclean(L"cookies keep mail.example.org").exitCode, 0u);
    const std::wstring source = L"Z:" + host::Widen(UFC_BROWSER_FIXTURES) + L"\\";
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        for (const auto& file : files) {
            fx::MakeDirs(file.second.substr(0, file.second.rfind(L'\\')));
            ASSERT_TRUE(CopyFileW((source + file.first).c_str(), file.second.c_str(), FALSE));
        }
        // What makes the folders browser profiles to the keep list.
        for (const std::wstring& file :
             {chromium + L"\\Preferences", chromium + L"\\Web Data", gecko + L"\\prefs.js"})
            fx::MakeFile(file, 10);
        const std::string history = contents(false), cookies = contents(true);
        const std::string marks = fx::Rows(gecko + L"\\places.sqlite", kBookmarks);
        std::multiset<std::string> kept = cookieSites();
        for (const char* other : {"example.co.uk", "news.test", "notexample.org", "tracker.test"})
            EXPECT_GT(kept.erase(other), 0u) << other;
        std::vector<ufc::unique_hfile> locks;
        for (const std::wstring& lock : {gecko + L"\\parent.lock", chrome + L"\\lockfile"}) {
            fx::MakeFile(lock);
            if (row.running) locks.push_back(fx::HoldOpen(lock));
        }
        if (row.undo) RunUfclean(L"history --purge");  // undo takes back this clean alone
        const fx::RunResult run = RunUfclean(std::wstring(L"clean --yes ") + row.arguments);
        ASSERT_EQ(run.exitCode, 0u) << run.out << run.err;
        if (row.undo) {
            EXPECT_NE(contents(false) + contents(true), history + cookies);
            EXPECT_EQ(RunUfclean(L"undo").exitCode, 0u);
        }
        if (row.running) {
            EXPECT_EQ(fx::Lacking(run.out, {"left as it is: close Firefox", "close Chrome"}), "");
        }
        EXPECT_EQ(contents(false) == history, !row.history) << run.out;
        EXPECT_EQ(contents(true) == cookies, !row.cookies) << run.out;
        if (row.history) {
            EXPECT_EQ(fx::Rows(gecko + L"\\places.sqlite", "SELECT id FROM moz_historyvisits"), "");
            EXPECT_EQ(fx::Rows(chromium + L"\\History", "SELECT id FROM visits"), "");
            EXPECT_EQ(fx::Rows(gecko + L"\\places.sqlite", kBookmarks), marks);
            EXPECT_EQ(fx::ReadFileText(chromium + L"\\Bookmarks"),
                      fx::ReadFileText(source + L"chromium\\Bookmarks"));
        }
        EXPECT_EQ(cookieSites() == kept, row.cookies);
        locks.clear();
    }
    // A profile swapped for a link between the scan and the clean: the edit
    // leaves the databases behind the link as they were. The victim is a
    // copy of the profile, which the last row's undo left as the fixtures are.
    const std::wstring victim = fx::Scratch(L"host-edit-victim");
    for (const wchar_t* name : {L"\\places.sqlite", L"\\favicons.sqlite", L"\\prefs.js"})
        ASSERT_TRUE(CopyFileW((gecko + name).c_str(), (victim + name).c_str(), FALSE));
    Function::IUnusedFileClean* cleaner = FunCreate();
    host::StopSignal stop;
    stop.Attach(cleaner);
    host::Pipeline run(cleaner, &stop);
    static const std::vector<host::CleaningRule> rules = host::BuiltInRules();
    run.SetRows(host::RowsOf({{}, {L"gecko.history"}, {}, false}, rules));
    ASSERT_FALSE(run.Scan({}, nullptr));
    ASSERT_GT(run.Sum().wouldRemove, 0u);
    const std::string behind = fx::ReadFileText(victim + L"\\places.sqlite");
    ASSERT_TRUE(fx::SwapForLink(gecko, victim));
    run.Plan();
    run.Clean(nullptr);
    EXPECT_EQ(run.Sum().removed, 0u);
    EXPECT_TRUE(fx::ReadFileText(victim + L"\\places.sqlite") == behind);
    cleaner->Release();

    RunUfclean(L"cookies unkeep example.org");
    fx::RemoveTree(firefox);
    fx::RemoveTree(chrome);
}

}  // namespace
