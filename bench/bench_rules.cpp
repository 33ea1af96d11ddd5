// The rules' figures: a community file as large as the public edition
// (1.8 MB: about 4,000 sections, 18,000 file keys, some of which cannot be
// used, 3,300 file and 2,800 registry detections, 3,700 registry keys), and
// a scan of every rule on this machine against a bare walk of the folders it
// resolves to.
#include "bench_rules.h"

#include <string>
#include <vector>

#include "bench_floors.h"
#include "bench_tree.h"
#include "items/keep_list.h"
#include "rules/model.h"
#include "items/selection.h"
#include "text/format.h"
#include "fs/handles.h"
#include "util/shell_folders.h"
#include "rules/ini_reader.h"
#include "rules/ini_report.h"
#include "rules/json_reader.h"
#include "rules/places.h"
#include "rules/probe.h"
#include "rules/rule_scan.h"
#include "rules/table.h"

namespace bench {

namespace {

// The variables the sections use in turn, and their folders.
const char* const kVariables[] = {"LocalAppData", "AppData",        "ProgramFiles",
                                  "ProgramData",  "UserProfile",    "CommonProgramFiles",
                                  "Public",       "LocalLowAppData"};
const host::KnownFolder kVariableFolders[] = {
    host::KnownFolder::LocalAppData, host::KnownFolder::RoamingAppData,
    host::KnownFolder::ProgramFiles, host::KnownFolder::ProgramData,
    host::KnownFolder::Profile,      host::KnownFolder::CommonFiles,
    host::KnownFolder::Public,       host::KnownFolder::LocalAppDataLow};

// The folder of section i's application, made for every 100th.
std::wstring VendorFolder(int i) {
    return host::KnownFolderPath(kVariableFolders[i % 8]) + L"\\Vendor" + std::to_wstring(i);
}

// Section i of the synthetic file: what the public edition holds per
// section on average, with every 100th application installed.
std::string Section(int i) {
    const std::string n = std::to_string(i);
    const std::string app = std::string("%") + kVariables[i % 8] + "%\\Vendor" + n + "\\App" + n;
    std::string text = "[App" + n + " Cache *]\nLangSecRef=3021\nSection=Vendor Applications\n";
    if (i % 6 < 5) text += "DetectFile=" + app + (i % 12 == 0 ? "*" : "") + "\n";
    if (i % 20 < 7) text += "Detect=HKCU\\Software\\Vendor" + n + "\\App" + n + "\n";
    if (i % 20 < 7) text += "Detect2=HKLM\\Software\\WOW6432Node\\Vendor" + n + "\n";
    if (i % 50 == 0) text += "Warning=Closes App" + n + ".\n";
    text += "FileKey1=" + app + "\\Cache|*.*|RECURSE\n";
    text += "FileKey2=" + app + "\\logs|*.log;*.txt\n";
    text += "FileKey3=" + app + "*\\GPUCache|*.*|RECURSE\n";
    if (i % 2) text += "FileKey4=" + app + "\\Temp|*.*|REMOVESELF\n";
    text += "FileKey5=" + app + "\\Crashpad\\reports|*.dmp;*.json;*.txt|RECURSE\n";
    // Keys that cannot be used: dropped, their sections kept.
    if (i % 10 == 3) text += "FileKey6=%SteamInstall%\\steamapps\\App" + n + "|*.log\n";
    if (i % 25 == 7) text += "FileKey7=%WinDir%|App" + n + "*.log\n";
    if (i % 10 < 9) text += "RegKey1=HKCU\\Software\\Vendor" + n + "\\App" + n + "\\Recent\n";
    if (i % 8 == 0) text += "ExcludeKey1=FILE|" + app + "\\|settings.json\n";
    return text + "\n";
}

// A file of size bytes, last written days ago.
bool WriteAgedFile(const std::wstring& path, std::uint32_t size, std::uint32_t days) {
    const FILETIME then = host::AgeLimit(days);
    return WriteFileOfSize(path.c_str(), size, &then);
}

// One place of the synthetic profile and its share of the files.
struct Place {
    host::KnownFolder root;
    const wchar_t* top;    // below root: what the profile makes and removes
    const wchar_t* below;  // below top: where the files go
    int percent;
    bool flat;  // one folder, as Chromium's cache data
};

const Place kPlaces[] = {
    {host::KnownFolder::UserTemp, L"ufc-bench", L"", 30, false},
    {host::KnownFolder::LocalAppData, L"Google", L"\\Chrome\\User Data\\Default\\Cache\\Cache_Data",
     25, true},
    {host::KnownFolder::RoamingAppData, L"discord", L"\\Cache\\Cache_Data", 10, true},
    {host::KnownFolder::LocalAppData, L"D3DSCache", L"", 15, false},
    {host::KnownFolder::LocalAppData, L"Spotify", L"\\Storage", 10, false},
    {host::KnownFolder::LocalAppData, L"Microsoft\\Windows\\WER", L"\\ReportArchive", 10, false},
};

std::wstring TopOf(const Place& place) {
    return host::KnownFolderPath(place.root) + L"\\" + place.top;
}

void RemoveProfile() {
    for (const Place& place : kPlaces) ufc::DeleteFolderTree(TopOf(place), true);
}

bool BuildProfile(std::uint64_t files) {
    RemoveProfile();
    // The temp rule takes the whole folder: nothing but the profile there.
    ufc::DeleteFolderTree(host::KnownFolderPath(host::KnownFolder::UserTemp), false);
    std::uint64_t n = 0;
    for (const Place& place : kPlaces) {
        const std::wstring base = TopOf(place) + place.below;
        for (size_t at = base.find(L'\\', 3); at != std::wstring::npos;
             at = base.find(L'\\', at + 1))
            CreateDirectoryW(base.substr(0, at).c_str(), nullptr);
        CreateDirectoryW(base.c_str(), nullptr);
        const std::uint64_t count = files * static_cast<std::uint64_t>(place.percent) / 100;
        for (std::uint64_t i = 0; i < count; ++i, ++n) {
            std::wstring folder = base;
            if (!place.flat) {
                folder +=
                    L"\\d" + std::to_wstring(i / 1000) + L"\\s" + std::to_wstring(i / 100 % 10);
                if (i % 100 == 0) {
                    CreateDirectoryW(folder.substr(0, folder.find_last_of(L'\\')).c_str(), nullptr);
                    CreateDirectoryW(folder.c_str(), nullptr);
                }
            }
            // Older than the temp folder's day, so every file is listed.
            if (!WriteAgedFile(folder + L"\\f" + std::to_wstring(i) + L".bin", SizeOfFile(n), 3))
                return false;
        }
    }
    return true;
}

class CountingProgress : public IScanProgress {
public:
    void OnProgress(const ProgressInfo*) override { ++reports; }
    std::uint64_t reports = 0;
};

}  // namespace

void CompareRuleLoad(int sections, Report* report) {
    std::string text = "; Version: synthetic\n";
    for (int i = 0; i < sections; ++i) text += Section(i);
    const std::wstring file = host::KnownFolderPath(host::KnownFolder::UserTemp) + L"\\bench.ini";
    {
        ufc::unique_hfile out(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        if (!out || !WriteFile(out.get(), text.data(), static_cast<DWORD>(text.size()), &written,
                               nullptr)) {
            std::printf("rules load: cannot write %ls\n", file.c_str());
            return;
        }
    }
    // Every 100th application is installed.
    for (int i = 0; i < sections; i += 100) {
        CreateDirectoryW(VendorFolder(i).c_str(), nullptr);
        CreateDirectoryW((VendorFolder(i) + L"\\App" + std::to_wstring(i)).c_str(), nullptr);
    }
    std::vector<double> times, readTimes;
    host::ImportReport read;
    std::size_t detected = 0;
    for (int run = 0; run <= kRuns; ++run) {
        std::vector<host::CleaningRule> rules;
        std::wstring error;
        read = {};
        detected = 0;
        const double reading = TimeOf([&] { host::LoadRules(file, &rules, &error, &read); });
        const double detecting = TimeOf([&] {
            host::RuleProbe probe;
            for (const host::CleaningRule& rule : rules) {
                if (rule.source != host::RuleSource::Imported) continue;
                for (const host::RuleTarget& target : host::TargetsOf({&rule}))
                    detected += host::IsDetected(target, &probe) ? 1 : 0;
            }
        });
        if (run == 0) continue;
        times.push_back(reading + detecting);
        readTimes.push_back(reading);
    }
    const double seconds = Median(times);
    std::printf(
        "rules load: %.1f MB, %zu sections (%zu rules made, %zu keys dropped, %zu skipped, %zu "
        "registry keys left out), %zu detected: %.3f s to read and detect (%.3f s to read)\n",
        static_cast<double>(text.size()) / 1e6, read.sections, read.rulesMade,
        read.droppedKeys.size(), read.skipped.size(), read.registryKeys, detected, seconds,
        Median(readTimes));
    report->AddTarget("rulesload", seconds, 0.3, false);
    // One name met again and again: each rule still finds its id at once.
    std::string same;
    for (int i = 0; i < 20000; ++i) same += "[Same Cache *]\nFileKey1=%LocalAppData%\\Same|*.*\n";
    std::vector<host::CleaningRule> repeated;
    host::ImportReport repeats;
    std::wstring error;
    const double sameSeconds =
        TimeOf([&] { host::ImportCommunityRules(same, L"same.ini", &repeated, &repeats, &error); });
    std::printf("rules load: one section name 20,000 times: %zu rules made in %.3f s\n",
                repeats.rulesMade, sameSeconds);
    DeleteFileW(file.c_str());
    for (int i = 0; i < sections; i += 100) ufc::DeleteFolderTree(VendorFolder(i), true);
}

bool CompareRuleScan(std::uint64_t files, Report* report) {
    std::printf("rules: building %llu files in the folders of today's rules ...\n",
                static_cast<unsigned long long>(files));
    bool written = false;
    const double seconds = TimeOf([&] { written = BuildProfile(files); });
    if (!written) {
        std::printf("rules: could not write the profile\n");
        RemoveProfile();
        return false;
    }
    std::printf("rules: built in %.1f s\n", seconds);
    std::vector<const host::CleaningRule*> all;
    for (const host::CleaningRule& rule : host::BuiltInRules()) all.push_back(&rule);
    const std::vector<host::RuleTarget> targets = host::TargetsOf(all);
    // The floor walks what the rules found on this machine resolve to.
    std::vector<host::RuleFolder> folders;
    for (const host::RuleTarget& target : targets)
        if (host::IsDetected(target))
            for (const host::RuleFolder& folder : host::ResolveRuleFolders(target))
                folders.push_back(folder);
    std::uint64_t listed = 0, walked = 0, stored = 0;
    host::ItemStore store;
    auto scan = [&] {
        store.Clear();  // the host's work, outside the timing; it keeps its memory
        CountingProgress progress;
        listed = 0;
        return TimeOf([&] {
            host::RuleProbe probe;
            for (const host::RuleTarget& target : targets) {
                host::RuleScanResult result;
                host::ScanRule(target, false, &progress, nullptr, &store, &result, &probe);
                listed += result.totals.count;
            }
        });
    };
    // The floors walk what the rules found on this machine resolve to: bare,
    // and putting each file into the store as the scan must.
    auto walk = [&](host::ItemStore* items) {
        if (items) items->Clear();
        return TimeOf([&] {
            std::uint64_t met = 0;
            for (const host::RuleFolder& folder : folders) {
                std::wstring path = folder.path;
                path.pop_back();  // the trailing backslash
                met += WalkTree(path, false, folder.key->recurse, items).files;
            }
            (items ? stored : walked) = met;
        });
    };
    report->Add(Compare("rule scan", files, scan, [&] { return walk(nullptr); }));
    host::ItemStore floorStore;  // kept from run to run, as the scan's store
    report->Add(Compare("rule scan/store", files, scan, [&] { return walk(&floorStore); }));
    // The keep list over what the scan listed, as a host applies it after a
    // scan: a folder is read for a profile's files only when a name asks.
    std::vector<double> keeping;
    for (int run = 0; run <= kRuns; ++run) {
        const double t = TimeOf(
            [&] { host::ApplyKeepRules(host::DefaultKeepRules(), &store, 0, store.Count()); });
        if (run > 0) keeping.push_back(t);
    }
    std::printf("  keep list       %7u items: %.3f s\n", store.Count(), Median(keeping));
    if (listed != files || walked != files || stored != files)
        std::printf("  CHECK FAILED: the rules listed %llu and the walk met %llu of %llu files\n",
                    static_cast<unsigned long long>(listed),
                    static_cast<unsigned long long>(walked),
                    static_cast<unsigned long long>(files));
    RemoveProfile();
    return listed == files && walked == files && stored == files;
}

}  // namespace bench
