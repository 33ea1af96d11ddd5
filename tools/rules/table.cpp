// The applications of each family and the built-in rules. Chromium-based
// browsers and applications share one table, Firefox and its forks another:
// a rule is written once per family and applied to every application of
// it. Windows' own places and other applications have rules of their own.
#include "rules/table.h"
#include "rules/model.h"
#include "rules/places.h"

namespace host {

namespace {

using G = RuleGroup;
using K = KnownFolder;

// Every file below the place.
RuleKey Tree(K root, std::wstring path) {
    RuleKey key;
    key.root = root;
    key.path = std::move(path);
    key.recurse = true;
    return key;
}

// The named files (or patterns) in the place only.
RuleKey Files(K root, std::wstring path, std::vector<std::wstring> patterns) {
    RuleKey key;
    key.root = root;
    key.path = std::move(path);
    key.patterns = std::move(patterns);
    return key;
}

RuleKey AtUserData(RuleKey key) {
    key.perProfile = false;
    return key;
}

bool OnByDefault(RuleGroup group) {
    return group == G::Cache || group == G::Logs || group == G::CrashReports || group == G::System;
}

CleaningRule Family(RuleFamily family, const wchar_t* id, const wchar_t* name, RuleGroup group,
                    std::vector<RuleKey> keys) {
    CleaningRule rule;
    rule.id = id;
    rule.name = name;
    rule.group = group;
    rule.family = family;
    rule.keys = std::move(keys);
    rule.onByDefault = OnByDefault(group);
    return rule;
}

CleaningRule Chromium(const wchar_t* id, const wchar_t* name, RuleGroup group, RuleKey key) {
    return Family(RuleFamily::Chromium, id, name, group, {std::move(key)});
}

CleaningRule Gecko(const wchar_t* id, const wchar_t* name, RuleGroup group, RuleKey key) {
    return Family(RuleFamily::Gecko, id, name, group, {std::move(key)});
}

// A rule of its own application ("Windows", "Spotify").
CleaningRule Own(const wchar_t* application, const wchar_t* id, const wchar_t* name,
                 RuleGroup group, std::vector<RuleKey> keys) {
    CleaningRule rule = Family(RuleFamily::None, id, name, group, std::move(keys));
    rule.application = application;
    return rule;
}

CleaningRule NeedsAdmin(CleaningRule rule) {
    rule.needsAdmin = true;
    return rule;
}

CleaningRule Edits(DatabaseEdit edit, CleaningRule rule) {
    rule.edit = edit;
    return rule;
}

CleaningRule HeldBy(std::vector<std::wstring> processes, CleaningRule rule) {
    rule.processes = std::move(processes);
    return rule;
}

constexpr K kApp = K::Application;

std::vector<CleaningRule> ChromiumRules() {
    return {
        Chromium(L"chromium.cache", L"cache", G::Cache, Tree(kApp, L"Cache")),
        Chromium(L"chromium.code-cache", L"code cache", G::Cache, Tree(kApp, L"Code Cache")),
        Chromium(L"chromium.gpu-cache", L"GPU cache", G::Cache, Tree(kApp, L"GPUCache")),
        Chromium(L"chromium.dawn-cache", L"Dawn cache", G::Cache, Tree(kApp, L"DawnCache")),
        Chromium(L"chromium.dawn-webgpu-cache", L"Dawn WebGPU cache", G::Cache,
                 Tree(kApp, L"DawnWebGPUCache")),
        Chromium(L"chromium.dawn-graphite-cache", L"Dawn Graphite cache", G::Cache,
                 Tree(kApp, L"DawnGraphiteCache")),
        Chromium(L"chromium.service-worker-cache", L"service worker cache", G::Cache,
                 Tree(kApp, L"Service Worker\\CacheStorage")),
        Chromium(L"chromium.shader-cache", L"shader cache", G::Cache,
                 AtUserData(Tree(kApp, L"ShaderCache"))),
        Chromium(L"chromium.gr-shader-cache", L"graphics shader cache", G::Cache,
                 AtUserData(Tree(kApp, L"GrShaderCache"))),
        // With a keep list of sites, the cookies of the others are edited out.
        Edits(DatabaseEdit::Cookies,
              Chromium(L"chromium.cookies", L"cookies", G::Cookies,
                       Files(kApp, L"",
                             {L"Network\\Cookies", L"Network\\Cookies-journal", L"Cookies",
                              L"Cookies-journal"}))),
        // History, Top Sites, Shortcuts, Favicons and Visited Links, edited:
        // the bookmarked addresses stay.
        Edits(DatabaseEdit::History, Chromium(L"chromium.history", L"history", G::History,
                                              Files(kApp, L"", {L"History"}))),
        Chromium(L"chromium.sessions", L"sessions", G::Session, Tree(kApp, L"Sessions")),
        Chromium(
            L"chromium.session-files", L"last session", G::Session,
            Files(kApp, L"", {L"Current Session", L"Current Tabs", L"Last Session", L"Last Tabs"})),
    };
}

std::vector<CleaningRule> GeckoRules() {
    return {
        Gecko(L"gecko.cache2", L"cache", G::Cache, Tree(K::LocalAppData, L"cache2")),
        Gecko(L"gecko.startup-cache", L"startup cache", G::Cache,
              Tree(K::LocalAppData, L"startupCache")),
        Gecko(L"gecko.thumbnails", L"thumbnails", G::Cache, Tree(K::LocalAppData, L"thumbnails")),
        Edits(DatabaseEdit::Cookies,
              Gecko(L"gecko.cookies", L"cookies", G::Cookies,
                    Files(kApp, L"",
                          {L"cookies.sqlite", L"cookies.sqlite-wal", L"cookies.sqlite-shm"}))),
        // places.sqlite and favicons.sqlite, edited: bookmarks, keywords and
        // tags stay.
        Edits(DatabaseEdit::History, Gecko(L"gecko.history", L"history", G::History,
                                           Files(kApp, L"", {L"places.sqlite"}))),
        Gecko(L"gecko.form-history", L"form history", G::History,
              Files(kApp, L"",
                    {L"formhistory.sqlite", L"formhistory.sqlite-wal", L"formhistory.sqlite-shm"})),
        Gecko(L"gecko.session", L"last session", G::Session,
              Files(kApp, L"", {L"sessionstore.jsonlz4"})),
        Gecko(L"gecko.session-backups", L"session backups", G::Session,
              Tree(kApp, L"sessionstore-backups")),
    };
}

std::vector<CleaningRule> WindowsRules() {
    const std::wstring wer = L"Microsoft\\Windows\\WER\\";
    CleaningRule temp = Own(kWindowsApplication, L"windows.user-temp", L"user's temporary files",
                            G::System, {Tree(K::UserTemp, L"")});
    // An installer that runs now keeps its files.
    temp.olderThanDays = 1;
    return {
        temp,
        Own(kWindowsApplication, L"windows.thumbnail-cache", L"thumbnail cache", G::Cache,
            {Files(K::LocalAppData, L"Microsoft\\Windows\\Explorer",
                   {L"thumbcache_*.db", L"iconcache_*.db"})}),
        Own(kWindowsApplication, L"windows.shader-cache", L"DirectX shader cache", G::Cache,
            {Tree(K::LocalAppData, L"D3DSCache")}),
        Own(kWindowsApplication, L"windows.crash-dumps", L"crash dumps", G::CrashReports,
            {Files(K::LocalAppData, L"CrashDumps", {L"*.dmp"})}),
        Own(kWindowsApplication, L"windows.error-reports", L"error reports", G::CrashReports,
            {Tree(K::LocalAppData, wer + L"ReportArchive"),
             Tree(K::LocalAppData, wer + L"ReportQueue")}),
        NeedsAdmin(Own(kWindowsApplication, L"windows.system-error-reports",
                       L"system error reports", G::CrashReports,
                       {Tree(K::ProgramData, wer + L"ReportArchive"),
                        Tree(K::ProgramData, wer + L"ReportQueue")})),
        NeedsAdmin(Own(kWindowsApplication, L"windows.update-downloads", L"update downloads",
                       G::System, {Tree(K::Windows, L"SoftwareDistribution\\Download")})),
        NeedsAdmin(Own(kWindowsApplication, L"windows.delivery-optimization",
                       L"delivery optimization cache", G::System,
                       {Tree(K::Windows,
                             L"ServiceProfiles\\NetworkService\\AppData\\Local\\Microsoft\\"
                             L"Windows\\DeliveryOptimization\\Cache"),
                        Tree(K::Windows, L"SoftwareDistribution\\DeliveryOptimization")})),
        Own(L"NVIDIA", L"nvidia.shader-cache", L"shader cache", G::Cache,
            {Tree(K::LocalAppData, L"NVIDIA\\DXCache"), Tree(K::LocalAppData, L"NVIDIA\\GLCache")}),
        Own(L"AMD", L"amd.shader-cache", L"shader cache", G::Cache,
            {Tree(K::LocalAppData, L"AMD\\DxCache"), Tree(K::LocalAppData, L"AMD\\DxcCache"),
             Tree(K::LocalAppData, L"AMD\\GLCache"), Tree(K::LocalAppData, L"AMD\\VkCache")}),
    };
}

std::vector<CleaningRule> ApplicationRules() {
    CleaningRule officeFiles =
        Own(L"Office", L"office.file-cache", L"document cache", G::Cache,
            {Tree(K::LocalAppData, L"Microsoft\\Office\\16.0\\OfficeFileCache")});
    officeFiles.onByDefault = false;
    officeFiles.warning = L"it may hold documents that are not uploaded yet";
    return {
        HeldBy({L"Code.exe"}, Own(L"VS Code", L"vscode.cached-data", L"cached data", G::Cache,
                                  {Tree(K::RoamingAppData, L"Code\\CachedData")})),
        HeldBy({L"Code.exe"}, Own(L"VS Code", L"vscode.logs", L"logs", G::Logs,
                                  {Tree(K::RoamingAppData, L"Code\\logs")})),
        HeldBy({L"slack.exe"}, Own(L"Slack", L"slack.logs", L"logs", G::Logs,
                                   {Tree(K::RoamingAppData, L"Slack\\logs")})),
        HeldBy({L"Spotify.exe"}, Own(L"Spotify", L"spotify.storage", L"storage", G::Cache,
                                     {Tree(K::LocalAppData, L"Spotify\\Storage"),
                                      Tree(K::LocalAppData, L"Spotify\\Data")})),
        Own(L"Office", L"office.mso-cache", L"temporary files", G::Cache,
            {Tree(K::LocalAppData, L"Microsoft\\Windows\\INetCache\\Content.MSO")}),
        officeFiles,
        Own(L"Java", L"java.cache", L"cache", G::Cache,
            {Tree(K::LocalAppDataLow, L"Sun\\Java\\Deployment\\cache")}),
        HeldBy({L"Zoom.exe"}, Own(L"Zoom", L"zoom.logs", L"logs", G::Logs,
                                  {Tree(K::RoamingAppData, L"Zoom\\logs")})),
        Own(L"npm", L"npm.cache", L"cache", G::Developer, {Tree(K::LocalAppData, L"npm-cache")}),
        Own(L"pip", L"pip.cache", L"cache", G::Developer, {Tree(K::LocalAppData, L"pip\\Cache")}),
        Own(L"NuGet", L"nuget.cache", L"cache", G::Developer,
            {Tree(K::LocalAppData, L"NuGet\\v3-cache"),
             Tree(K::LocalAppData, L"NuGet\\plugins-cache")}),
        Own(L"Gradle", L"gradle.cache", L"cache", G::Developer,
            {Tree(K::Profile, L".gradle\\caches")}),
    };
}

}  // namespace

const std::vector<CleaningRule>& BuiltInRules() {
    static const std::vector<CleaningRule> rules = [] {
        std::vector<CleaningRule> all;
        for (auto&& part : {WindowsRules(), ChromiumRules(), GeckoRules(), ApplicationRules()})
            all.insert(all.end(), part.begin(), part.end());
        return all;
    }();
    return rules;
}

}  // namespace host
