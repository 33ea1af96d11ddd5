// The rules on real files in this program's prefix: each built-in rule
// lists and cleans exactly its own files on a machine of today, the
// community format's keys list what they say, and links inside or instead
// of a rule's folders are neither walked nor cleaned through.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <shlobj.h>

#include <algorithm>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <tuple>

#include "fixtures/fixtures.h"
#include "fs/fold.h"
#include "pipeline/removal.h"
#include "rules/rule_clean.h"
#include "fixtures/rule_files.h"
#include "fixtures/run_program.h"
#include "rules/model.h"
#include "text/format.h"
#include "fs/handles.h"
#include "rules/guard.h"
#include "rules/ini_reader.h"
#include "rules/ini_report.h"
#include "rules/rule_scan.h"
#include "rules/table.h"

namespace {

// A rule's scan into a store of its own, and the hosts' rule clean of what
// is selected there.
struct Scanned {
    host::GuardContext guard;
    host::ItemStore store;
    host::RuleScanResult result;
    std::uint32_t Count() const { return result.end - result.first; }
    std::set<std::wstring> Paths() const {
        std::set<std::wstring> paths;
        for (std::uint32_t i = result.first; i < result.end; ++i)
            paths.insert(ufc::Folded(store.Path(i)));
        return paths;
    }
    host::RuleCleanResult Clean() const {
        host::RuleCleanResult done;
        host::CleanRuleItems(store, {result.first, result.end}, nullptr, result.emptiedFolders,
                             guard, nullptr, nullptr, &done, nullptr);
        return done;
    }
};

// The built-in rule's target for the named application (empty: its own).
host::RuleTarget Target(const std::wstring& id, const std::wstring& application = L"") {
    for (const host::CleaningRule& rule : host::BuiltInRules())
        for (const host::RuleTarget& target : host::TargetsOf({&rule}))
            if (rule.id == id && (application.empty() || target.ApplicationName() == application))
                return target;
    ADD_FAILURE() << "no rule " << host::Utf8(id);
    return {};
}

Scanned Scan(const host::RuleTarget& target) {
    Scanned scanned;
    scanned.guard = host::GuardContextOf(target, false);
    host::ScanRule(target, false, nullptr, nullptr, &scanned.store, &scanned.result);
    return scanned;
}

// Each built-in rule, on a machine of today, lists exactly its own files
// and its clean removes them all; the user's own files (and temporary files
// younger than a day) survive the clean of every rule. Ids are unique, and
// the privacy and developer groups are off until chosen. Before, a plain
// scan of ufclean, Chrome running (it holds its lock file), shows a row of
// each rule that is on by default with the bytes its own scan finds, and
// only Chrome's rows say it runs. (How rows add up to the total is the
// demo profile's test.)
TEST(BuiltInRules, EachTargetListsAndCleansExactlyItsFilesOnAMachineOfToday) {
    const std::vector<fx::RuleFile> seeded = fx::SeedTodaysMachine();
    const std::wstring lockFile =
        fx::Special(CSIDL_LOCAL_APPDATA) + L"\\Google\\Chrome\\User Data\\lockfile";
    fx::MakeFile(lockFile);
    ufc::unique_hfile lock = fx::HoldOpen(lockFile);
    ASSERT_TRUE(lock);
    const std::wstring report = fx::Scratch(L"rules-report") + L"\\report.json";
    const fx::RunResult plain = fx::RunUfclean(L"scan --json \"" + report + L"\"");
    ASSERT_EQ(plain.exitCode, 0u);
    lock.reset();
    std::map<std::string, double> shown, expectedShown;
    const nlohmann::json parsed = nlohmann::json::parse(fx::ReadFileText(report));
    for (const nlohmann::json& section : parsed["categories"]) {
        if (!section.contains("rule")) continue;
        const std::string key =
            section["rule"].get<std::string>() + "|" + section["application"].get<std::string>();
        shown[key] = section["bytes"].get<double>();
        EXPECT_FALSE(section.contains("number")) << key;
        EXPECT_EQ(section["running"].get<bool>(), section["application"] == "Chrome") << key;
    }
    // History is edited, not deleted, and proven on browser-made databases
    // (tests/host): the seeded History is no database, which the edit refuses.
    std::set<std::wstring> proven, ids, edits;
    for (const host::CleaningRule& rule : host::BuiltInRules()) {
        EXPECT_TRUE(ids.insert(rule.id).second) << host::Utf8(rule.id);
        if (rule.edit == host::DatabaseEdit::History && edits.insert(rule.id).second) continue;
        using G = host::RuleGroup;
        EXPECT_TRUE(!rule.onByDefault || !(rule.group == G::Cookies || rule.group == G::History ||
                                           rule.group == G::Session || rule.group == G::Developer))
            << host::Utf8(rule.id);
        for (const host::RuleTarget& target : host::TargetsOf({&rule})) {
            const std::string what = host::Utf8(target.Title() + L" (" + rule.id + L")");
            std::set<std::wstring> expected;
            std::uint64_t bytes = 0;
            for (const fx::RuleFile& file : seeded) {
                const std::wstring application =
                    target.application ? target.ApplicationName() : L"";
                if (file.rule != rule.id || file.application != application) continue;
                expected.insert(ufc::Folded(file.path));
                bytes += file.size;
            }
            const Scanned scan = Scan(target);
            EXPECT_EQ(scan.Paths(), expected) << what;
            EXPECT_EQ(scan.result.totals.count, expected.size()) << what;
            EXPECT_EQ(scan.result.totals.bytes, bytes) << what;
            EXPECT_FALSE(scan.result.running) << what;
            const host::RuleCleanResult clean = scan.Clean();
            EXPECT_EQ(clean.totals.removed, expected.size()) << what;
            EXPECT_EQ(clean.totals.failed, 0u) << what;
            if (expected.empty()) continue;
            proven.insert(rule.id);
            if (rule.onByDefault)
                expectedShown[host::Utf8(rule.id + L"|" + target.ApplicationName())] += bytes;
        }
    }
    EXPECT_EQ(shown, expectedShown);
    for (const host::CleaningRule& rule : host::BuiltInRules())
        EXPECT_EQ(proven.count(rule.id) + edits.count(rule.id), 1u)
            << "no fixture proves " << host::Utf8(rule.id);
    for (const fx::RuleFile& file : seeded)
        EXPECT_EQ(fx::Exists(file.path), file.rule.empty() || edits.count(file.rule))
            << fx::Narrow(file.path);
}

// A section of the community format on real files below %AppData%\UfcLive
// (made anew for each row): the files it lists and those it leaves, each
// list separated by spaces.

const std::tuple<const char*, const wchar_t*, const wchar_t*> kLiveSections[] = {
    {"FileKey1=%AppData%\\UfcLive|*.log;*.TXT", L"a.log b.txt", L"c.dat sub\\d.log"},
    {"FileKey1=%AppData%\\UfcLive|*.log|RECURSE", L"a.log sub\\deep\\d.log", L"sub\\e.dat"},
    {"FileKey1=%AppData%\\UfcLive\\App*\\*Cache|*.*|RECURSE",
     L"App1\\GPUCache\\x App2\\JsCache\\deep\\y", L"App1\\Data\\z Other\\GPUCache\\w"},
    {"FileKey1=%AppData%\\UfcLive|*.*|RECURSE\n"
     "ExcludeKey1=FILE|%AppData%\\UfcLive\\|settings.json\n"
     "ExcludeKey2=PATH|%AppData%\\UfcLive\\Keep\\",
     L"a.tmp sub\\settings.json", L"settings.json Keep\\b.tmp"},
    {"FileKey1=%AppData%\\UfcLive|*.*|RECURSE\nFileKey2=%AppData%\\UfcLive\\sub|*.*",
     L"a.tmp sub\\b.tmp", L""},
    {"Detect=HKCU\\Software\\UfcLiveAbsent\nFileKey1=%AppData%\\UfcLive|*.*", L"", L"a.tmp"},
    {"Detect=HKCU\\Software\\UfcLivePresent\nFileKey1=%AppData%\\UfcLive|*.*", L"a.tmp", L""},
    {"DetectFile=%AppData%\\UfcLive\\app.exe\nFileKey1=%AppData%\\UfcLive|*.tmp", L"", L"a.tmp"},
    {"DetectFile=%AppData%\\UfcLive\\App*\\app.exe\nFileKey1=%AppData%\\UfcLive|*.tmp|RECURSE",
     L"a.tmp", L"App1\\app.exe"},
};

TEST(CommunityRules, EachSectionListsWhatItsKeysSay) {
    const std::wstring base = fx::Special(CSIDL_APPDATA) + L"\\UfcLive";
    fx::SetString(HKEY_CURRENT_USER, L"Software\\UfcLivePresent", L"v", L"1");
    for (const auto& [section, listed, left] : kLiveSections) {
        fx::RemoveTree(base);
        std::set<std::wstring> expected;
        for (const bool isListed : {true, false}) {
            std::wistringstream names(isListed ? listed : left);
            for (std::wstring name; names >> name;) {
                fx::MakeFile(base + L"\\" + name, 10);
                if (isListed) expected.insert(ufc::Folded(base + L"\\" + name));
            }
        }
        std::vector<host::CleaningRule> rules;
        host::ImportReport report;
        std::wstring error;
        host::ImportCommunityRules(std::string("[Live *]\n") + section + "\n", L"live.ini", &rules,
                                   &report, &error);
        ASSERT_EQ(rules.size(), 1u) << section;
        const Scanned scan = Scan(host::TargetsOf({&rules[0]})[0]);
        EXPECT_EQ(scan.Paths(), expected) << section;
        EXPECT_EQ(scan.result.totals.count, expected.size()) << section;
    }
    fx::DeleteKey(HKEY_CURRENT_USER, L"Software\\UfcLivePresent");
}

// Links inside a cache, and where a profile would be, are not followed; a
// profile swapped for a link between the scan and the clean loses nothing
// behind it; a cache folder that is itself a link is not entered.
TEST(RuleWalk, LinksAreNotFollowedAndAProfileSwappedForALinkLosesNothingBehindIt) {
    const std::vector<fx::RuleFile> seeded =
        fx::SeedChromiumProfiles(L"Google\\Chrome", {L"Default", L"Profile 1"});
    const std::wstring userData = fx::Special(CSIDL_LOCAL_APPDATA) + L"\\Google\\Chrome\\User Data";
    const std::wstring outside = fx::Scratch(L"rules-link-target");
    const std::vector<std::wstring> precious = {L"precious.doc", L"inner\\notes.txt",
                                                L"Code Cache\\js\\lost.bin"};
    fx::MakeVictims(outside, precious);
    ASSERT_TRUE(fx::MakeFolderLink(outside, userData + L"\\Profile 1\\Code Cache\\js\\linked"));
    ASSERT_TRUE(fx::MakeFolderLink(outside, userData + L"\\Linked Profile"));
    // "twin." and "twin" are two files: deleting the first spares the second.
    const std::wstring twin = userData + L"\\Profile 1\\Code Cache\\js\\twin";
    fx::MakeFile(twin, 20);
    fx::MakeFile(L"\\\\?\\" + twin + L".", 20);

    Scanned scan = Scan(Target(L"chromium.code-cache", L"Chrome"));
    for (std::uint32_t i = scan.result.first; i < scan.result.end; ++i)
        scan.store.SetSelected(i, scan.store.Name(i) != L"twin");
    for (const std::wstring& path : scan.Paths())
        EXPECT_EQ(path.find(L"inked"), std::wstring::npos) << fx::Narrow(path);
    // Files of the same names as Default's in another folder, behind a link
    // put where the Default profile was.
    const std::wstring victim = fx::Scratch(L"rules-swap-victim");
    const std::wstring profile = userData + L"\\Default\\";
    std::vector<std::wstring> names;
    for (std::uint32_t i = scan.result.first; i < scan.result.end; ++i) {
        const std::wstring path = scan.store.Path(i);
        if (path.compare(0, profile.size(), profile) == 0)
            names.push_back(path.substr(profile.size()));
    }
    ASSERT_GT(names.size(), 0u);
    ASSERT_LT(names.size(), scan.Count());
    fx::MakeVictims(victim, names);
    ASSERT_TRUE(fx::SwapForLink(userData + L"\\Default", victim));

    const host::RuleCleanResult clean = scan.Clean();
    EXPECT_EQ(clean.totals.failed, names.size());
    EXPECT_EQ(clean.totals.removed, scan.Count() - names.size() - 1);
    EXPECT_TRUE(fx::Exists(twin));
    EXPECT_FALSE(fx::Exists(L"\\\\?\\" + twin + L"."));
    EXPECT_EQ(fx::Intact(victim, names), names.size());
    EXPECT_EQ(fx::Intact(outside, precious), precious.size());
    for (const fx::RuleFile& file : seeded)
        if (file.path.find(L"\\Default\\") == std::wstring::npos) {
            EXPECT_EQ(fx::Exists(file.path), file.rule != L"chromium.code-cache")
                << fx::Narrow(file.path);
        }

    fx::RemoveTree(userData + L"\\Default-moved");
    const std::wstring gpu = userData + L"\\Profile 1\\GPUCache";
    fx::RemoveTree(gpu);
    ASSERT_TRUE(fx::MakeFolderLink(outside, gpu));
    const Scanned linked = Scan(Target(L"chromium.gpu-cache", L"Chrome"));
    EXPECT_EQ(linked.result.folders, 0u);
    EXPECT_EQ(linked.Count(), 0u);
    for (const wchar_t* folder : {L"\\Linked Profile", L"\\Default"})
        fx::RemoveTree(userData + folder);
}

// Sets the last write of path to a fixed day, plus hours.
void Date(const std::wstring& path, std::uint64_t hours = 0) {
    const std::uint64_t ticks = 132000000000000000ull + hours * 36000000000ull;
    const FILETIME time = {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    ufc::unique_hfile file(CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file && SetFileTime(file.get(), nullptr, nullptr, &time));
}

// A file of 13 bytes, dated, changed after the scan by change (path, the
// user's file), and whether each clean leaves it.
struct AfterScan {
    const wchar_t* name;
    void (*change)(const std::wstring& path, const std::wstring& user);
    bool ruleLeaves, moduleLeaves;
};

const AfterScan kAfterScan[] = {
    {L"grown.tmp",  // another size, the same last write
     [](const std::wstring& path, const std::wstring&) {
         fx::MakeFile(path, 64);
         Date(path);
     },
     true, true},
    {L"touched.tmp", [](const std::wstring& path, const std::wstring&) { Date(path, 1); }, true,
     true},
    {L"linked.tmp",
     [](const std::wstring& path, const std::wstring& user) {
         ASSERT_TRUE(DeleteFileW(path.c_str()));
         ASSERT_TRUE(fx::MakeUnixLink(user, path));
     },
     true, true},
    {L"twin.tmp",  // another file of the same size and last write
     [](const std::wstring& path, const std::wstring&) {
         fx::MakeFile(path + L".new", 13);
         Date(path + L".new");
         ASSERT_TRUE(
             MoveFileExW((path + L".new").c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING));
     },
     true, false},
    {L"readonly.tmp", nullptr, false, false},
    {L"sub\\deep\\plain.tmp", nullptr, false, false},
};

// Removed from the Unix side: a link to a file shows as that file, and a
// delete through Wine would take the file it points to.
void Wipe(const std::wstring& folder) {
    fx::RunUnix(L"/bin/rm -rf '" + host::Widen(fx::UnixPath(folder)) + L"'");
}

// A file changed between the scan and the clean is left and counted
// changed since the scan, by the hosts' rule clean and by the module's
// removal (category 9) alike, and a user's file a link led to stays. The
// module's records carry no file id: a twin of the same size and last write
// is the one change only the rule clean sees. A REMOVESELF key removes the
// folders its clean emptied, and leaves one that was empty before the scan.
TEST(Identity, AFileChangedSinceTheScanIsLeftByBothCleansAndRemoveSelfTakesOnlyWhatItEmptied) {
    const std::wstring users = fx::Scratch(L"identity-user"), user = users + L"\\user.doc";
    std::vector<host::CleaningRule> rules;
    host::ImportReport report;
    std::wstring error;
    host::ImportCommunityRules("[Identity *]\nFileKey1=%AppData%\\UfcIdentity|*.*|REMOVESELF\n",
                               L"identity.ini", &rules, &report, &error);
    ASSERT_EQ(rules.size(), 1u);
    Function::IUnusedFileClean* cleaner = FunCreate();
    for (const bool rule : {true, false}) {
        const std::wstring base = rule ? fx::Special(CSIDL_APPDATA) + L"\\UfcIdentity"
                                       : fx::Special(CSIDL_WINDOWS) + L"\\Temp\\ufc-identity";
        Wipe(base);
        fx::MakeVictims(users, {L"user.doc"});
        for (const AfterScan& row : kAfterScan) {
            fx::MakeFile(base + L"\\" + row.name, 13);
            Date(base + L"\\" + row.name);
        }
        SetFileAttributesW((base + L"\\readonly.tmp").c_str(), FILE_ATTRIBUTE_READONLY);
        fx::MakeDirs(base + L"\\empty-before");

        host::ItemStore store;
        host::RuleScanResult scan;
        if (rule) {
            host::ScanRule(host::TargetsOf({&rules[0]})[0], false, nullptr, nullptr, &store, &scan);
        } else {
            ResultList items;
            ScanTotals totals;
            cleaner->GetUnusedFile(kCategoryWindowsTemp, &items, &totals, nullptr);
            items.remove_if(
                [&](const FoundItem& item) { return std::wstring(item.folder).find(base) != 0; });
            store.Append(&items, 0);
            scan.end = store.Count();
        }
        ASSERT_EQ(scan.end - scan.first, std::size(kAfterScan)) << rule;
        for (const AfterScan& row : kAfterScan)
            if (row.change) row.change(base + L"\\" + row.name, user);

        host::RuleCleanResult done;
        std::vector<host::ItemOutcome> outcomes(store.Count(), host::ItemOutcome::None);
        if (rule) {
            host::CleanRuleItems(store, {scan.first, scan.end}, nullptr, scan.emptiedFolders,
                                 host::GuardContext(), nullptr, nullptr, &done, &outcomes);
        } else {
            host::RemovalResult module;
            host::RemoveModuleItems(cleaner, kCategoryWindowsTemp, store,
                                    host::PassFor(kCategoryWindowsTemp, scan.first, scan.end),
                                    nullptr, &module, &outcomes);
            done.totals = module.totals;
            done.changed = module.changed;
        }
        std::uint64_t left = 0;
        for (std::uint32_t i = scan.first; i < scan.end; ++i) {
            const std::wstring name = store.Path(i).substr(base.size() + 1);
            const AfterScan* row = std::find_if(std::begin(kAfterScan), std::end(kAfterScan),
                                                [&](const AfterScan& r) { return name == r.name; });
            ASSERT_NE(row, std::end(kAfterScan)) << fx::Narrow(name);
            const bool leaves = rule ? row->ruleLeaves : row->moduleLeaves;
            left += leaves;
            EXPECT_EQ(fx::Exists(store.Path(i)), leaves) << fx::Narrow(name) << rule;
            EXPECT_EQ(outcomes[i], leaves ? host::ItemOutcome::Changed : host::ItemOutcome::Removed)
                << fx::Narrow(name) << rule;
        }
        EXPECT_EQ(done.changed, left) << rule;
        EXPECT_EQ(done.totals.removed, std::size(kAfterScan) - left) << rule;
        EXPECT_EQ(done.totals.failed, 0u) << rule;
        EXPECT_EQ(fx::Intact(users, {L"user.doc"}), 1u) << rule;
        // Only the rule's REMOVESELF removes folders: those it emptied.
        EXPECT_EQ(done.foldersRemoved, rule ? 2u : 0u);
        EXPECT_EQ(fx::Exists(base + L"\\sub"), !rule);
        EXPECT_TRUE(fx::Exists(base + L"\\empty-before"));
        Wipe(base);
    }
    cleaner->Release();
}

}  // namespace
