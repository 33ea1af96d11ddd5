// Hostile rules against a seeded machine: user documents in real library
// folders, programs planted in the Windows and Program Files folders,
// browser and mail profiles, temp files of the last day. Each rule is
// refused on load, or its scan lists and its clean deletes only the files
// its row allows, every other file stopped by the guard and counted.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <shlobj.h>

#include <knownfolders.h>

#include <algorithm>
#include <map>
#include <set>
#include <sstream>

#include "rules/rule_clean.h"
#include "fixtures/fixtures.h"
#include "fs/fold.h"
#include "fixtures/rule_files.h"
#include "fixtures/run_program.h"
#include "rules/model.h"
#include "text/format.h"
#include "rules/guard.h"
#include "rules/ini_reader.h"
#include "rules/ini_report.h"
#include "rules/json_reader.h"
#include "rules/places.h"
#include "rules/rule_scan.h"

namespace {

// The planted files below each known folder (none: the temp folder),
// ';'-separated; a name after '+' is written now, the others days ago.
const std::pair<const GUID*, const wchar_t*> kPlanted[] = {
    {&FOLDERID_Documents, L"report.docx;Tencent Files\\chat.db;+Tencent Files\\new.db"},
    {&FOLDERID_Pictures, L"Screenshots\\shot.png"},
    {&FOLDERID_Videos, L"DivX Movies\\movie.avi"},
    {&FOLDERID_PublicDocuments, L"shared.docx;Sub\\plan.txt"},
    {&FOLDERID_Windows,
     L"ufc-guard.ini;MEMORY.DMP;Logs\\UfcGuard\\cbs.log;Logs\\UfcGuard\\tool.exe;"
     L"system32\\ufc-guard.dll;system32\\ufc-guard.exe;system32\\ufc-guard.log"},
    {&FOLDERID_ProgramFiles,
     L"UfcGuardApp\\app.exe;UfcGuardApp\\app.dll;UfcGuardApp\\data\\cache.dat;UfcGuardApp\\readme."
     L"txt"},
    {&FOLDERID_ProgramFilesCommon, L"UfcGuard\\shared.dll"},
    {&FOLDERID_ProgramData, L"Package Cache\\{5E1A}\\setup.msi;UnusedFileClean\\undo\\r\\0\\0"},
    {&FOLDERID_Profile, L"_viminfo"},
    {&FOLDERID_LocalAppData, L"IconCache.db;ufc-top.log"},
    {&FOLDERID_RoamingAppData,
     L"UnusedFileClean\\profiles\\weekly.json;Thunderbird\\Profiles\\ab.default\\Mail\\Inbox"},
    {&FOLDERID_UserProfiles, L"ufc-other\\Desktop\\secret.txt;ufc-top.log"},
    {nullptr, L"+fresh-setup.db;old-cache.db;+ufc-sub\\fresh.tmp;ufc-sub\\old.tmp"},
};

// Every planted file and its age in hours (0: written now).
using Machine = std::map<std::wstring, std::uint32_t>;

void Plant(const std::wstring& path, std::uint32_t ageHours) {
    fx::MakeFile(path, 64);
    if (ageHours) fx::SetWriteAge(path, ageHours);
}

// The planted file whose path ends in "\" + ending.
std::wstring PathOf(const Machine& machine, const std::wstring& ending) {
    const std::wstring tail = ufc::Folded(L"\\" + ending);
    for (const auto& [path, age] : machine)
        if (path.size() > tail.size() &&
            ufc::Folded(path).compare(path.size() - tail.size(), tail.size(), tail) == 0)
            return path;
    ADD_FAILURE() << "nothing planted ends in " << fx::Narrow(ending);
    return {};
}

// The machine: the user's libraries as real folders (Wine makes them links
// to the Unix home), the temp folder emptied, the files above and a Chrome
// profile.
Machine SeedHostileMachine() {
    for (const GUID* library :
         {&FOLDERID_Documents, &FOLDERID_Pictures, &FOLDERID_Videos, &FOLDERID_PublicDocuments}) {
        const std::wstring folder = host::ShellFolderPath(*library, KF_FLAG_DONT_VERIFY);
        fx::RemoveTree(folder);
        fx::MakeDirs(folder);
    }
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    fx::EmptyFolder(temp);
    Machine machine;
    for (const auto& [root, names] : kPlanted) {
        std::wistringstream list(names);
        for (std::wstring name; std::getline(list, name, L';');) {
            const bool fresh = name[0] == L'+';
            const std::wstring path =
                (root ? host::ShellFolderPath(*root) + L"\\" : temp) + name.substr(fresh ? 1 : 0);
            machine[path] = fresh ? 0 : 72;
        }
    }
    for (const fx::RuleFile& file : fx::SeedChromiumProfiles(L"Google\\Chrome", {L"Default"}))
        machine[file.path] = 0;
    for (const auto& [path, age] : machine) Plant(path, age);
    return machine;
}

// A hostile rule: source "ini" (a community section), "json" (the user's
// file, group cache: on by default), or a JSON family rule ("gecko",
// "chromium"). flags: RECURSE or REMOVESELF, AGE (an age limit of a day),
// ID (chosen by its id). allowed: the planted files it may list and delete,
// by their paths' endings, or "refused": refused on load. stopped: files
// the guard stops, at least.
struct HostileRule {
    const char* source;
    const char* path;
    const char* pattern;
    const char* flags;
    const wchar_t* allowed;
    std::uint64_t stopped;
};

const HostileRule kHostileRules[] = {
    {"ini", "%WinDir%\\*.*", "notepad.exe", "RECURSE", L"refused", 0},
    {"ini", "%WinDir%\\*.*", "*.*", "RECURSE", L"refused", 0},
    {"ini", "%Documents%\\*.*", "*.*", "RECURSE", L"refused", 0},
    {"ini", "%LocalAppData%\\*.*", "", "", L"refused", 0},
    {"ini", "%AppData%\\*.*", "", "REMOVESELF", L"refused", 0},
    {"ini", "%UserProfile%\\*.*\\*.*\\*.*", "", "", L"refused", 0},
    {"ini", "%ProgramFiles%\\*.*\\*.*", "", "", L"refused", 0},
    {"ini", "%WinDir%\\System32", "*.*", "RECURSE", L"refused", 0},
    {"ini", "%SystemRoot%\\system32", "*.dll", "", L"refused", 0},
    {"ini", "%SystemDrive%\\WINDOWS\\System32\\drivers", "*.SYS", "", L"refused", 0},
    {"json", "%SystemDrive%\\Windows\\System32", "", "RECURSE AGE ID", L"refused", 0},
    {"ini", "%WinDir%", "notepad.exe", "", L"refused", 0},
    {"ini", "%ProgramFiles%\\?*", "*.*", "RECURSE", L"refused", 0},
    {"ini", "%AppData%\\**", "*", "REMOVESELF", L"refused", 0},
    {"ini", "%LocalAppData%\\*.*.*", "", "", L"refused", 0},
    {"ini", "%UserProfile%\\*?", "*.*", "RECURSE", L"refused", 0},
    {"ini", "%LocalAppData%", "*.log", "", L"refused", 0},
    {"ini", "%ProgramFiles%\\*", "*.exe", "", L"refused", 0},
    {"ini", "%UserProfile%\\*", "*.db", "", L"refused", 0},
    {"gecko", "", "", "RECURSE", L"refused", 0},
    {"chromium", "*", "", "RECURSE", L"refused", 0},
    {"gecko", "", "*.sqlite", "", L"refused", 0},
    // Accepted on load: the guard decides file by file.
    {"json", "%SystemDrive%\\*\\System32", "*.dll", "", L"", 1},
    {"ini", "%SystemDrive%\\WIN*\\system32", "*.*", "", L"", 3},
    {"ini", "%SystemDrive%\\Windows.\\System32", "*.dll", "", L"", 0},
    {"ini", "%SystemDrive%\\PROGRA~1\\UfcGuardApp", "*.*", "RECURSE", L"", 0},
    {"ini", "%ProgramFiles%\\UfcGuardApp", "*.*", "RECURSE",
     L"UfcGuardApp\\data\\cache.dat;UfcGuardApp\\readme.txt", 2},
    {"ini", "%CommonProgramFiles%\\UfcGuard", "*.dll", "", L"", 1},
    {"ini", "%ProgramFiles%\\U*", "*.exe", "", L"", 1},
    {"ini", "%WinDir%\\Logs\\UfcGuard", "*.*", "RECURSE", L"cbs.log", 1},
    {"ini", "%WinDir%", "MEMORY.DMP", "", L"MEMORY.DMP", 0},
    {"ini", "%LocalAppData%", "IconCache.db", "", L"IconCache.db", 0},
    {"ini", "%UserProfile%", "_viminfo", "", L"_viminfo", 0},
    {"ini", "%SystemDrive%\\Users", "*.log", "", L"", 1},
    {"ini", "%UserProfile%\\T*", "*.db", "", L"Temp\\old-cache.db", 1},
    {"json", "%Temp%", "", "RECURSE ID", L"old-cache.db;ufc-sub\\old.tmp", 2},
    {"ini", "%Documents%\\Tencent Files", "*.*", "RECURSE", L"", 2},
    {"ini", "%UserProfile%\\Documents\\Tencent Files", "*.*", "RECURSE", L"", 2},
    {"json", "%Documents%\\Tencent Files", "", "RECURSE AGE", L"", 1},
    {"json", "%Documents%\\Tencent Files", "", "RECURSE AGE ID", L"Tencent Files\\chat.db", 0},
    {"ini", "%Public%\\Documents\\*", "*.*", "RECURSE", L"", 1},
    {"ini", "%Videos%\\DivX Movies", "*.*", "RECURSE", L"", 1},
    {"ini", "%Pictures%\\Screenshots", "*.png", "", L"", 1},
    {"ini", "%AppData%\\UnusedFileClean", "*.*", "RECURSE", L"", 1},
    {"ini", "%ProgramData%\\UnusedFileClean", "*.*", "RECURSE", L"", 1},
    {"ini", "%ProgramData%\\Package Cache\\*", "*.msi", "RECURSE", L"", 1},
    {"ini", "%SystemDrive%\\users\\ufc-*", "*.*", "RECURSE", L"", 1},
};

// The row's rules as its source reads them; none when refused.
std::vector<host::CleaningRule> Load(const HostileRule& row) {
    const std::string flags = row.flags;
    std::vector<host::CleaningRule> rules;
    if (std::string(row.source) == "ini") {
        const std::string flag = flags.substr(0, flags.find(' '));
        host::ImportReport report;
        std::wstring error;
        host::ImportCommunityRules(std::string("[Hostile *]\nFileKey1=") + row.path + "|" +
                                       row.pattern + (flag.empty() ? "" : "|" + flag) + "\n",
                                   L"x.ini", &rules, &report, &error);
        EXPECT_EQ(report.skipped.size(), rules.empty() ? 1u : 0u);
        return rules;
    }
    nlohmann::json rule = nlohmann::json::parse(R"({"id": "x.y", "name": "n", "group": "cache"})");
    rule["path"] = row.path;
    rule["recurse"] = flags.find("RECURSE") != std::string::npos;
    rule[std::string(row.source) == "json" ? "application" : "family"] =
        std::string(row.source) == "json" ? "Hostile" : row.source;
    if (*row.pattern) rule["files"] = nlohmann::json::array({row.pattern});
    if (flags.find("AGE") != std::string::npos) rule["olderThanDays"] = 1;
    std::wstring error;
    host::ParseRules(nlohmann::json({{"rules", nlohmann::json::array({rule})}}).dump(), L"x.json",
                     &rules, &error);
    return rules;
}

TEST(RuleGuard, HostileRulesListAndCleanOnlyTheFilesTheirRowAllows) {
    const Machine machine = SeedHostileMachine();
    for (const HostileRule& row : kHostileRules) {
        const std::string what =
            std::string(row.source) + " " + row.path + "|" + row.pattern + "|" + row.flags;
        const std::vector<host::CleaningRule> rules = Load(row);
        const bool refused = std::wstring(row.allowed) == L"refused";
        EXPECT_EQ(rules.empty(), refused) << what;
        std::set<std::wstring> allowed, listed;
        std::wistringstream endings(refused ? L"" : row.allowed);
        for (std::wstring ending; std::getline(endings, ending, L';');)
            allowed.insert(ufc::Folded(PathOf(machine, ending)));
        host::GuardCounts stopped;
        std::uint64_t removed = 0;
        std::vector<const host::CleaningRule*> chosen;
        if (!rules.empty()) chosen.push_back(&rules[0]);
        const bool byId = std::string(row.flags).find("ID") != std::string::npos;
        for (const host::RuleTarget& target : host::TargetsOf(chosen)) {
            host::ItemStore store;
            host::RuleScanResult scan;
            host::ScanRule(target, byId, nullptr, nullptr, &store, &scan);
            std::set<std::wstring> paths;
            for (std::uint32_t i = scan.first; i < scan.end; ++i)
                paths.insert(ufc::Folded(store.Path(i)));
            listed.insert(paths.begin(), paths.end());
            stopped.Add(scan.stoppedByGuard);
            // A scan that lists what it must not fails the test, not the
            // prefix: its clean is left out.
            if (!std::includes(allowed.begin(), allowed.end(), paths.begin(), paths.end()))
                continue;
            host::RuleCleanResult clean;
            host::CleanRuleItems(store, {scan.first, scan.end}, nullptr, scan.emptiedFolders,
                                 host::GuardContextOf(target, byId), nullptr, nullptr, &clean,
                                 nullptr);
            EXPECT_EQ(clean.stoppedByGuard.total, 0u) << what;
            removed += clean.totals.removed;
        }
        EXPECT_EQ(listed, allowed) << what;
        EXPECT_EQ(removed, allowed.size()) << what;
        EXPECT_GE(stopped.total, row.stopped) << what << ": " << host::Utf8(stopped.Text());
        for (const auto& [path, age] : machine) {
            EXPECT_EQ(fx::Exists(path), !allowed.count(ufc::Folded(path)))
                << what << ": " << fx::Narrow(path);
            if (!fx::Exists(path)) Plant(path, age);
        }
    }

    // Through ufclean, the user's file: a cache rule (on by default)
    // reaching System32, and one with an age limit on a library. A plain
    // scan stops both, in the table and the report; the library rule
    // chosen by its id lists the old document.
    const std::wstring file = fx::Scratch(L"rules-guard") + L"\\rules.json";
    fx::MakeFileWithText(file, R"({"rules": [
  {"id": "hostile.windows", "name": "dlls", "group": "cache", "application": "Hostile",
   "path": "%SystemDrive%\\*\\System32", "files": ["*.dll"]},
  {"id": "hostile.chat", "name": "chat", "group": "cache", "application": "Hostile",
   "path": "%Documents%\\Tencent Files", "olderThanDays": 1}]})");
    const std::wstring report = fx::Scratch(L"rules-guard-report") + L"\\report.json";
    const fx::RunResult plain =
        fx::RunUfclean(L"scan --rules \"" + file + L"\" --json \"" + report + L"\"");
    ASSERT_EQ(plain.exitCode, 0u) << plain.err;
    EXPECT_EQ(fx::Lacking(plain.out, {"Hostile: dlls: stopped by the guard: ",
                                      "Hostile: chat: stopped by the guard: 1 (the Documents",
                                      "Total: stopped by the guard: "}),
              "")
        << plain.out;
    const nlohmann::json parsed = nlohmann::json::parse(fx::ReadFileText(report));
    EXPECT_GE(parsed["total"]["stoppedByGuard"].get<double>(), 2.0);
    for (const nlohmann::json& row : parsed["categories"])
        EXPECT_TRUE(row.value("rule", "") != "hostile.chat" || row["stoppedByGuard"] == 1);
    const fx::RunResult chosen =
        fx::RunUfclean(L"scan hostile.chat --details --rules \"" + file + L"\"");
    EXPECT_EQ(fx::Lacking(chosen.out, {"Tencent Files\\chat.db"}), "") << chosen.out;
    EXPECT_EQ(chosen.out.find("stopped by the guard"), std::string::npos) << chosen.out;
}

// Items the scan never listed, handed straight to the rule clean, in the
// spellings a path may arrive in: each stopped, counted, and still there.
TEST(RuleGuard, TheCleanStopsWhatNoScanListedInAnySpelling) {
    const Machine machine = SeedHostileMachine();
    auto planted = [&](const wchar_t* ending) { return PathOf(machine, ending); };
    const std::wstring windows = host::ShellFolderPath(FOLDERID_Windows);
    const std::wstring root = windows.substr(0, 3) + L"ufc-guard-root.txt";
    fx::MakeFile(root, 64);
    const std::wstring app = host::ShellFolderPath(FOLDERID_ProgramFiles) + L"\\UfcGuardApp";
    wchar_t shortApp[MAX_PATH] = {};
    GetShortPathNameW(app.c_str(), shortApp, MAX_PATH);
    ASSERT_NE(std::wstring(shortApp).find(L'~'), std::wstring::npos) << fx::Narrow(shortApp);
    std::wstring slashes = windows + L"\\system32\\";
    std::replace(slashes.begin(), slashes.end(), L'\\', L'/');
    const std::wstring documents = host::ShellFolderPath(FOLDERID_Documents);
    const std::wstring profile = host::ShellFolderPath(FOLDERID_Profile);
    // The folder as the item names it, and the file's real path.
    const std::pair<std::wstring, std::wstring> kSpellings[] = {
        {windows.substr(0, 3), root},
        {windows + L"\\", planted(L"ufc-guard.ini")},
        {windows + L"\\system32\\", planted(L"system32\\ufc-guard.dll")},
        {L"\\\\?\\" + windows + L"\\system32\\", planted(L"system32\\ufc-guard.dll")},
        {L"\\\\?\\UNC\\localhost\\C$" + windows.substr(2) + L"\\system32\\",
         planted(L"system32\\ufc-guard.dll")},
        {windows + L".\\system32 \\", planted(L"system32\\ufc-guard.dll")},
        {slashes, planted(L"system32\\ufc-guard.dll")},
        {ufc::Folded(windows) + L"\\SYSTEM32\\", planted(L"system32\\ufc-guard.dll")},
        {std::wstring(shortApp) + L"\\", planted(L"app.exe")},
        {profile + L"\\..\\ufc-other\\Desktop\\", planted(L"secret.txt")},
        {ufc::Folded(documents) + L"\\", planted(L"report.docx")},
        {documents + L"\\Tencent Files\\", planted(L"chat.db")},
        {host::ShellFolderPath(FOLDERID_RoamingAppData) + L"\\UnusedFileClean\\profiles\\",
         planted(L"weekly.json")},
        {host::ShellFolderPath(FOLDERID_LocalAppData) + L"\\", planted(L"Local\\ufc-top.log")},
        {host::ShellFolderPath(FOLDERID_PublicDocuments) + L"\\", planted(L"shared.docx")},
    };
    host::ItemStore store;
    for (const auto& [folder, path] : kSpellings) {
        WIN32_FIND_DATAW entry;
        ufc::unique_hfind find(FindFirstFileW(path.c_str(), &entry));
        ASSERT_TRUE(find) << fx::Narrow(path);
        store.AddFile(folder, entry, static_cast<std::uint8_t>(kCategoryUnset));
    }
    // An age limit, but not chosen by its id: the libraries stay closed.
    host::CleaningRule rule;
    rule.olderThanDays = 1;
    host::RuleTarget target{&rule, nullptr};
    host::RuleCleanResult clean;
    host::CleanRuleItems(store, {0, store.Count()}, nullptr, {},
                         host::GuardContextOf(target, false), nullptr, nullptr, &clean, nullptr);
    EXPECT_EQ(clean.stoppedByGuard.total, std::size(kSpellings))
        << host::Utf8(clean.stoppedByGuard.Text());
    EXPECT_EQ(clean.totals.removed + clean.totals.failed, 0u);
    for (const auto& [folder, path] : kSpellings) EXPECT_TRUE(fx::Exists(path)) << fx::Narrow(path);
}

}  // namespace
