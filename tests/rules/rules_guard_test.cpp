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

#include "chunked_removal.h"
#include "fixtures/fixtures.h"
#include "fixtures/rule_files.h"
#include "fixtures/run_program.h"
#include "rules.h"
#include "text_format.h"

namespace {

std::wstring Lower(std::wstring text) {
    CharLowerBuffW(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

// A planted file, by a short key for the rows.
struct Planted {
    std::wstring path;
    std::uint32_t ageHours;  // 0: written now
};

void Plant(const Planted& file) {
    fx::MakeFile(file.path, 64);
    if (file.ageHours) fx::SetWriteAge(file.path, file.ageHours);
}

// The machine: the user's libraries as real folders (Wine makes them links
// to the Unix home), then every file of the table below, by key.
std::map<std::wstring, Planted> SeedHostileMachine() {
    const struct {
        const KNOWNFOLDERID* root;
        const wchar_t* key;
        const wchar_t* below;
        std::uint32_t ageHours;
    } kFiles[] = {
        {&FOLDERID_Documents, L"doc", L"report.docx", 72},
        {&FOLDERID_Documents, L"thumbs", L"thumbs.db", 72},
        {&FOLDERID_Documents, L"chat", L"Tencent Files\\chat.db", 72},
        {&FOLDERID_Documents, L"chat-new", L"Tencent Files\\new.db", 0},
        {&FOLDERID_Desktop, L"desk", L"todo.txt", 72},
        {&FOLDERID_Pictures, L"shot", L"Screenshots\\shot.png", 72},
        {&FOLDERID_Videos, L"movie", L"DivX Movies\\movie.avi", 72},
        {&FOLDERID_Music, L"song", L"song.mp3", 72},
        {&FOLDERID_Downloads, L"download", L"setup.exe", 72},
        {&FOLDERID_PublicDocuments, L"public-doc", L"shared.docx", 72},
        {&FOLDERID_PublicDocuments, L"public-sub", L"Sub\\plan.txt", 72},
        {&FOLDERID_Windows, L"sys-dll", L"system32\\ufc-guard.dll", 72},
        {&FOLDERID_Windows, L"sys-exe", L"system32\\ufc-guard.exe", 72},
        {&FOLDERID_Windows, L"sys-log", L"system32\\ufc-guard.log", 72},
        {&FOLDERID_Windows, L"driver", L"system32\\drivers\\ufc-guard.sys", 72},
        {&FOLDERID_Windows, L"win-ini", L"ufc-guard.ini", 72},
        {&FOLDERID_Windows, L"dump", L"MEMORY.DMP", 72},
        {&FOLDERID_Windows, L"cbs-log", L"Logs\\UfcGuard\\cbs.log", 72},
        {&FOLDERID_Windows, L"log-tool", L"Logs\\UfcGuard\\tool.exe", 72},
        {&FOLDERID_ProgramFiles, L"app-exe", L"UfcGuardApp\\app.exe", 72},
        {&FOLDERID_ProgramFiles, L"app-dll", L"UfcGuardApp\\app.dll", 72},
        {&FOLDERID_ProgramFiles, L"app-data", L"UfcGuardApp\\data\\cache.dat", 72},
        {&FOLDERID_ProgramFiles, L"app-readme", L"UfcGuardApp\\readme.txt", 72},
        {&FOLDERID_ProgramFilesCommon, L"common-dll", L"UfcGuard\\shared.dll", 72},
        {&FOLDERID_ProgramData, L"package", L"Package Cache\\{5E1A}\\setup.msi", 72},
        {&FOLDERID_Profile, L"viminfo", L"_viminfo", 72},
        {&FOLDERID_Profile, L"rc", L".ufcrc", 72},
        {&FOLDERID_LocalAppData, L"iconcache", L"IconCache.db", 72},
        {&FOLDERID_LocalAppData, L"local-top", L"ufc-top.log", 72},
        {&FOLDERID_RoamingAppData, L"own", L"UnusedFileClean\\profiles\\weekly.json", 72},
        {&FOLDERID_RoamingAppData, L"inbox", L"Thunderbird\\Profiles\\ab.default\\Mail\\Inbox", 72},
        {&FOLDERID_RoamingAppData, L"logins", L"Thunderbird\\Profiles\\ab.default\\logins.json",
         72},
        {&FOLDERID_UserProfiles, L"other-user", L"ufc-other\\Desktop\\secret.txt", 72},
        {&FOLDERID_UserProfiles, L"users-top", L"ufc-top.log", 72},
    };
    for (const KNOWNFOLDERID* library :
         {&FOLDERID_Documents, &FOLDERID_Desktop, &FOLDERID_Pictures, &FOLDERID_Videos,
          &FOLDERID_Music, &FOLDERID_Downloads, &FOLDERID_PublicDocuments}) {
        const std::wstring folder = host::ShellFolderPath(*library, KF_FLAG_DONT_VERIFY);
        fx::RemoveTree(folder);
        fx::MakeDirs(folder);
    }
    std::map<std::wstring, Planted> planted;
    for (const auto& file : kFiles)
        planted[file.key] = {host::ShellFolderPath(*file.root) + L"\\" + file.below, file.ageHours};
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    fx::EmptyFolder(temp);
    planted[L"temp-fresh"] = {std::wstring(temp) + L"fresh-setup.db", 0};
    planted[L"temp-old"] = {std::wstring(temp) + L"old-cache.db", 72};
    planted[L"temp-sub-fresh"] = {std::wstring(temp) + L"ufc-sub\\fresh.tmp", 0};
    planted[L"temp-sub-old"] = {std::wstring(temp) + L"ufc-sub\\old.tmp", 72};
    for (const auto& [key, file] : planted) Plant(file);
    const std::vector<fx::RuleFile> chrome =
        fx::SeedChromiumProfiles(L"Google\\Chrome", {L"Default"});
    for (size_t i = 0; i < chrome.size(); ++i)
        planted[L"chrome-" + std::to_wstring(i)] = {chrome[i].path, 0};
    return planted;
}

// A hostile rule: source "ini" (a community section), "json" (the user's
// file, group cache: on by default), or a JSON family rule ("gecko",
// "chromium"). flags: RECURSE or REMOVESELF, AGE (an age limit of a day),
// ID (chosen by its id). allowed: the planted files it may list and delete,
// or "refused": refused on load. stopped: files the guard stops, at least.
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
    {"ini", "%ProgramFiles%\\UfcGuardApp", "*.*", "RECURSE", L"app-data app-readme", 2},
    {"ini", "%CommonProgramFiles%\\UfcGuard", "*.dll", "", L"", 1},
    {"ini", "%ProgramFiles%\\U*", "*.exe", "", L"", 1},
    {"ini", "%WinDir%\\Logs\\UfcGuard", "*.*", "RECURSE", L"cbs-log", 1},
    {"ini", "%WinDir%", "MEMORY.DMP", "", L"dump", 0},
    {"ini", "%LocalAppData%", "IconCache.db", "", L"iconcache", 0},
    {"ini", "%UserProfile%", "_viminfo", "", L"viminfo", 0},
    {"ini", "%SystemDrive%\\Users", "*.log", "", L"", 1},
    {"ini", "%UserProfile%\\T*", "*.db", "", L"temp-old", 1},
    {"json", "%Temp%", "", "RECURSE ID", L"temp-old temp-sub-old", 2},
    {"ini", "%Documents%\\Tencent Files", "*.*", "RECURSE", L"", 2},
    {"ini", "%UserProfile%\\Documents\\Tencent Files", "*.*", "RECURSE", L"", 2},
    {"json", "%Documents%\\Tencent Files", "", "RECURSE AGE", L"", 1},
    {"json", "%Documents%\\Tencent Files", "", "RECURSE AGE ID", L"chat", 0},
    {"ini", "%Public%\\Documents\\*", "*.*", "RECURSE", L"", 1},
    {"ini", "%Videos%\\DivX Movies", "*.*", "RECURSE", L"", 1},
    {"ini", "%Pictures%\\Screenshots", "*.png", "", L"", 1},
    {"ini", "%AppData%\\UnusedFileClean", "*.*", "RECURSE", L"", 1},
    {"ini", "%ProgramData%\\Package Cache\\*", "*.msi", "RECURSE", L"", 1},
    {"ini", "%SystemDrive%\\users\\ufc-*", "*.*", "RECURSE", L"", 1},
};

// The row's rules as its source reads them; none when refused.
std::vector<host::CleaningRule> Load(const HostileRule& row) {
    const std::string flags = row.flags;
    const bool recurse = flags.find("RECURSE") != std::string::npos;
    std::vector<host::CleaningRule> rules;
    if (std::string(row.source) == "ini") {
        const std::string flag = flags.substr(0, flags.find(' '));
        host::ImportReport report;
        host::ImportCommunityRules(std::string("[Hostile *]\nFileKey1=") + row.path + "|" +
                                       row.pattern + (flag.empty() ? "" : "|" + flag) + "\n",
                                   &rules, &report);
        EXPECT_EQ(report.skipped, rules.empty() ? 1u : 0u);
        return rules;
    }
    nlohmann::json rule = {{"id", "hostile.row"},
                           {"name", "row"},
                           {"group", "cache"},
                           {"path", row.path},
                           {"recurse", recurse}};
    rule[std::string(row.source) == "json" ? "application" : "family"] =
        std::string(row.source) == "json" ? "Hostile" : row.source;
    if (*row.pattern) rule["files"] = nlohmann::json::array({row.pattern});
    if (flags.find("AGE") != std::string::npos) rule["olderThanDays"] = 1;
    const nlohmann::json file = {{"rules", nlohmann::json::array({rule})}};
    std::wstring error;
    if (!host::ParseRules(file.dump(), L"hostile.json", &rules, &error)) {
        EXPECT_NE(error.find(L"hostile.json line 1: "), std::wstring::npos);
    }
    return rules;
}

TEST(RuleGuard, HostileRulesListAndCleanOnlyTheFilesTheirRowAllows) {
    const std::map<std::wstring, Planted> planted = SeedHostileMachine();
    for (const HostileRule& row : kHostileRules) {
        const std::string what =
            std::string(row.source) + " " + row.path + "|" + row.pattern + "|" + row.flags;
        const std::vector<host::CleaningRule> rules = Load(row);
        EXPECT_EQ(rules.empty(), std::wstring(row.allowed) == L"refused") << what;
        std::set<std::wstring> allowed;
        std::wistringstream keys(row.allowed);
        for (std::wstring key; keys >> key;)
            if (key != L"refused") allowed.insert(Lower(planted.at(key).path));
        std::set<std::wstring> listed;
        host::GuardCounts stopped;
        std::uint64_t removed = 0;
        std::vector<const host::CleaningRule*> chosen;
        if (!rules.empty()) chosen.push_back(&rules[0]);
        for (host::RuleTarget target : host::TargetsOf(chosen)) {
            target.chosenById = std::string(row.flags).find("ID") != std::string::npos;
            host::ItemStore store;
            host::RuleScanResult scan;
            host::ScanRule(target, nullptr, nullptr, &store, &scan);
            std::set<std::wstring> paths;
            for (std::uint32_t i = scan.first; i < scan.end; ++i)
                paths.insert(Lower(store.Path(i)));
            listed.insert(paths.begin(), paths.end());
            stopped.Add(scan.stoppedByGuard);
            // A scan that lists what it must not fails the test, not the
            // prefix: its clean is left out.
            if (!std::includes(allowed.begin(), allowed.end(), paths.begin(), paths.end()))
                continue;
            host::RemovalResult clean;
            host::RemoveRuleInChunks(store, host::PassFor(kCategoryUnset, scan.first, scan.end),
                                     scan.emptiedFolders, host::GuardContextOf(target), nullptr,
                                     nullptr, &clean, nullptr);
            EXPECT_EQ(clean.stoppedByGuard.total, 0u) << what;
            removed += clean.totals.removed;
        }
        EXPECT_EQ(listed, allowed) << what;
        EXPECT_EQ(removed, allowed.size()) << what;
        EXPECT_GE(stopped.total, row.stopped) << what << ": " << host::Utf8(stopped.Text());
        for (const auto& [key, file] : planted) {
            EXPECT_EQ(fx::Exists(file.path), !allowed.count(Lower(file.path)))
                << what << ": " << fx::Narrow(file.path);
            if (!fx::Exists(file.path)) Plant(file);
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
    double rows = 0;
    for (const nlohmann::json& section : parsed["categories"]) {
        if (section.value("rule", "").rfind("hostile.", 0) != 0) continue;
        EXPECT_EQ(section["count"].get<double>(), 0.0);
        EXPECT_GE(section["stoppedByGuard"].get<double>(), 1.0);
        rows += section["stoppedByGuard"].get<double>();
    }
    EXPECT_GE(rows, 2.0);
    EXPECT_EQ(parsed["total"]["stoppedByGuard"].get<double>(), rows);
    const fx::RunResult chosen =
        fx::RunUfclean(L"scan hostile.chat --details --rules \"" + file + L"\"");
    EXPECT_EQ(fx::Lacking(chosen.out, {"Tencent Files\\chat.db"}), "") << chosen.out;
    EXPECT_EQ(chosen.out.find("stopped by the guard"), std::string::npos) << chosen.out;
}

// Items the scan never listed, handed straight to the rule clean, in the
// spellings a path may arrive in: each stopped, counted, and still there.
TEST(RuleGuard, TheCleanStopsWhatNoScanListedInAnySpelling) {
    const std::map<std::wstring, Planted> planted = SeedHostileMachine();
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
        {windows + L"\\", planted.at(L"win-ini").path},
        {windows + L"\\system32\\", planted.at(L"sys-dll").path},
        {L"\\\\?\\" + windows + L"\\system32\\", planted.at(L"sys-dll").path},
        {L"\\\\?\\UNC\\localhost\\C$" + windows.substr(2) + L"\\system32\\",
         planted.at(L"sys-dll").path},
        {windows + L".\\system32 \\", planted.at(L"sys-dll").path},
        {slashes, planted.at(L"sys-dll").path},
        {Lower(windows) + L"\\SYSTEM32\\", planted.at(L"sys-dll").path},
        {std::wstring(shortApp) + L"\\", planted.at(L"app-exe").path},
        {profile + L"\\..\\ufc-other\\Desktop\\", planted.at(L"other-user").path},
        {Lower(documents) + L"\\", planted.at(L"doc").path},
        {documents + L"\\Tencent Files\\", planted.at(L"chat").path},
        {host::ShellFolderPath(FOLDERID_RoamingAppData) + L"\\UnusedFileClean\\profiles\\",
         planted.at(L"own").path},
        {host::ShellFolderPath(FOLDERID_LocalAppData) + L"\\", planted.at(L"local-top").path},
        {host::ShellFolderPath(FOLDERID_PublicDocuments) + L"\\", planted.at(L"public-doc").path},
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
    host::RuleTarget target{&rule, nullptr, false};
    host::RemovalResult clean;
    host::RemoveRuleInChunks(store, host::PassFor(kCategoryUnset, 0, store.Count()), {},
                             host::GuardContextOf(target), nullptr, nullptr, &clean, nullptr);
    EXPECT_EQ(clean.stoppedByGuard.total, std::size(kSpellings))
        << host::Utf8(clean.stoppedByGuard.Text());
    EXPECT_EQ(clean.totals.removed + clean.totals.failed, 0u);
    for (const auto& [folder, path] : kSpellings) EXPECT_TRUE(fx::Exists(path)) << fx::Narrow(path);
}

}  // namespace
