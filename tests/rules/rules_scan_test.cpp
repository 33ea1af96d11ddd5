// The built-in rules on real profiles in this program's prefix: each rule
// lists exactly its own files, the user's data never, a link inside a cache
// is not followed, and files held open are reported as in use.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <map>
#include <set>

#include "fixtures/browser_profiles.h"
#include "fixtures/fixtures.h"
#include "rules.h"
#include "text_format.h"
#include "util/handles.h"

namespace {

std::wstring Lower(std::wstring text) {
    CharLowerBuffW(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

// The target of the built-in rule id for the named browser.
host::RuleTarget Target(const std::wstring& id, const wchar_t* browser) {
    for (const host::CleaningRule& rule : host::BuiltInRules())
        for (const host::RuleTarget& target : host::TargetsOf({&rule}))
            if (rule.id == id && std::wstring(target.browser->name) == browser) return target;
    ADD_FAILURE() << "no rule " << host::Utf8(id);
    return {};
}

std::set<std::wstring> ListedPaths(const host::RuleScanResult& result) {
    std::set<std::wstring> paths;
    for (const FoundItem& item : result.items) paths.insert(Lower(host::ItemPath(item)));
    return paths;
}

// Every built-in rule of the family lists exactly the seeded files tagged
// with its id, and the protected files appear in no rule's list.
void ExpectEachRuleListsItsOwnFiles(const std::vector<fx::BrowserFile>& seeded,
                                    host::BrowserFamily family, const wchar_t* browser) {
    std::set<std::wstring> listedByAny;
    for (const host::CleaningRule& rule : host::BuiltInRules()) {
        if (rule.family != family) continue;
        host::RuleScanResult result;
        host::ScanRule(Target(rule.id, browser), nullptr, nullptr, &result);
        std::set<std::wstring> expected;
        std::uint64_t bytes = 0;
        for (const fx::BrowserFile& file : seeded) {
            if (file.rule != rule.id) continue;
            expected.insert(Lower(file.path));
            bytes += file.size;
        }
        const std::set<std::wstring> listed = ListedPaths(result);
        EXPECT_EQ(listed, expected) << host::Utf8(rule.id);
        EXPECT_EQ(result.totals.count, expected.size()) << host::Utf8(rule.id);
        EXPECT_EQ(result.totals.bytes, bytes) << host::Utf8(rule.id);
        EXPECT_EQ(result.inUse, 0u);
        listedByAny.insert(listed.begin(), listed.end());
    }
    for (const fx::BrowserFile& file : seeded)
        if (file.rule.empty()) {
            EXPECT_EQ(listedByAny.count(Lower(file.path)), 0u) << fx::Narrow(file.path);
        }
}

TEST(ChromiumRules, EachRuleListsExactlyItsFilesInEveryProfile) {
    const std::vector<fx::BrowserFile> seeded =
        fx::SeedChromiumProfiles(L"Google\\Chrome", {L"Default", L"Profile 1"});
    ExpectEachRuleListsItsOwnFiles(seeded, host::BrowserFamily::Chromium, L"Chrome");
    // Both profiles are reached by the one rule.
    host::RuleScanResult code;
    host::ScanRule(Target(L"chromium.code-cache", L"Chrome"), nullptr, nullptr, &code);
    std::set<std::wstring> profiles;
    for (const FoundItem& item : code.items) {
        const std::wstring folder = item.folder;
        const size_t start = folder.find(L"\\User Data\\") + 11;
        profiles.insert(folder.substr(start, folder.find(L'\\', start) - start));
    }
    EXPECT_EQ(profiles, (std::set<std::wstring>{L"Default", L"Profile 1"}));
}

TEST(ChromiumRules, EdgeSharesTheChromiumTable) {
    const std::vector<fx::BrowserFile> seeded =
        fx::SeedChromiumProfiles(L"Microsoft\\Edge", {L"Default"});
    ExpectEachRuleListsItsOwnFiles(seeded, host::BrowserFamily::Chromium, L"Edge");
}

TEST(GeckoRules, Cache2EntriesAndDoomedAreListedAndTheStoresNever) {
    const std::vector<fx::BrowserFile> seeded = fx::SeedFirefoxProfile(L"r8t3a1zz.default-release");
    ExpectEachRuleListsItsOwnFiles(seeded, host::BrowserFamily::Gecko, L"Firefox");
    host::RuleScanResult cache;
    host::ScanRule(Target(L"gecko.cache2", L"Firefox"), nullptr, nullptr, &cache);
    bool entries = false, doomed = false;
    for (const FoundItem& item : cache.items) {
        const std::wstring folder = item.folder;
        entries = entries || folder.find(L"\\cache2\\entries\\") != std::wstring::npos;
        doomed = doomed || folder.find(L"\\cache2\\doomed\\") != std::wstring::npos;
    }
    EXPECT_TRUE(entries);
    EXPECT_TRUE(doomed);
}

TEST(RuleWalk, ALinkInsideACacheIsNotFollowedAndItsFilesSurviveTheClean) {
    const std::vector<fx::BrowserFile> seeded =
        fx::SeedChromiumProfiles(L"Google\\Chrome", {L"Default"});
    const std::wstring outside = fx::Scratch(L"rules-link-target");
    fx::MakeFile(outside + L"\\precious.doc", 4000);
    fx::MakeFile(outside + L"\\inner\\notes.txt", 300);
    const std::wstring cache =
        fx::Special(CSIDL_LOCAL_APPDATA) + L"\\Google\\Chrome\\User Data\\Default\\Code Cache";
    ASSERT_TRUE(fx::MakeFolderLink(outside, cache + L"\\js\\linked"));

    const host::RuleTarget target = Target(L"chromium.code-cache", L"Chrome");
    host::RuleScanResult scan;
    host::ScanRule(target, nullptr, nullptr, &scan);
    for (const FoundItem& item : scan.items)
        EXPECT_EQ(std::wstring(item.folder).find(L"linked"), std::wstring::npos)
            << fx::Narrow(host::ItemPath(item));
    host::RuleCleanResult clean;
    host::CleanRuleItems(scan.items, nullptr, nullptr, &clean);
    EXPECT_EQ(clean.totals.removed, scan.items.size());
    EXPECT_EQ(clean.totals.failed, 0u);
    EXPECT_TRUE(fx::Exists(outside + L"\\precious.doc"));
    EXPECT_TRUE(fx::Exists(outside + L"\\inner\\notes.txt"));
    for (const fx::BrowserFile& file : seeded)
        EXPECT_EQ(fx::Exists(file.path), file.rule != L"chromium.code-cache")
            << fx::Narrow(file.path);
}

TEST(RuleClean, AProfileSwappedForALinkAfterTheScanLosesNothingBehindIt) {
    fx::SeedChromiumProfiles(L"Google\\Chrome", {L"Default", L"Profile 1"});
    const std::wstring userData = fx::Special(CSIDL_LOCAL_APPDATA) + L"\\Google\\Chrome\\User Data";
    host::RuleScanResult scan;
    host::ScanRule(Target(L"chromium.code-cache", L"Chrome"), nullptr, nullptr, &scan);
    // Files of the same names in another folder, behind a link put where
    // the Default profile was.
    const std::wstring victim = fx::Scratch(L"rules-swap-victim");
    const std::wstring profile = userData + L"\\Default\\";
    std::vector<std::wstring> names;
    std::size_t inProfile = 0;
    for (const FoundItem& item : scan.items) {
        const std::wstring path = host::ItemPath(item);
        if (path.compare(0, profile.size(), profile) != 0) continue;
        names.push_back(path.substr(profile.size()));
        ++inProfile;
    }
    ASSERT_GT(inProfile, 0u);
    ASSERT_LT(inProfile, scan.items.size());
    fx::MakeVictims(victim, names);
    ASSERT_TRUE(fx::SwapForLink(userData + L"\\Default", victim));

    host::RuleCleanResult clean;
    host::CleanRuleItems(scan.items, nullptr, nullptr, &clean);
    EXPECT_EQ(clean.totals.failed, inProfile);
    EXPECT_EQ(clean.totals.removed, scan.items.size() - inProfile);
    EXPECT_EQ(fx::Intact(victim, names), names.size());
    fx::RemoveTree(userData + L"\\Default");
    fx::RemoveTree(userData + L"\\Default-moved");
}

TEST(RuleWalk, ACacheFolderThatIsALinkIsNotEntered) {
    fx::SeedChromiumProfiles(L"Google\\Chrome", {L"Default"});
    const std::wstring outside = fx::Scratch(L"rules-gpu-target");
    fx::MakeFile(outside + L"\\data_0", 1000);
    const std::wstring gpu =
        fx::Special(CSIDL_LOCAL_APPDATA) + L"\\Google\\Chrome\\User Data\\Default\\GPUCache";
    fx::RemoveTree(gpu);
    ASSERT_TRUE(fx::MakeFolderLink(outside, gpu));
    host::RuleScanResult scan;
    host::ScanRule(Target(L"chromium.gpu-cache", L"Chrome"), nullptr, nullptr, &scan);
    EXPECT_EQ(scan.folders, 0u);
    EXPECT_TRUE(scan.items.empty());
}

// Holds a file open without sharing, as a running browser does.
class HeldFile {
public:
    explicit HeldFile(const std::wstring& path)
        : handle_(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr)) {}
    ~HeldFile() {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    }
    bool held() const { return handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_;
};

TEST(RuleInUse, AFileHeldOpenIsReportedInUseWithTheBrowsersName) {
    const std::vector<fx::BrowserFile> seeded =
        fx::SeedChromiumProfiles(L"Google\\Chrome", {L"Default"});
    std::wstring held;
    for (const fx::BrowserFile& file : seeded)
        if (file.path.find(L"Cache_Data\\data_1") != std::wstring::npos) held = file.path;
    ASSERT_FALSE(held.empty());
    const host::RuleTarget target = Target(L"chromium.cache", L"Chrome");
    {
        HeldFile browser(held);
        ASSERT_TRUE(browser.held());
        host::RuleScanResult scan;
        host::ScanRule(target, nullptr, nullptr, &scan);
        EXPECT_EQ(scan.inUse, 1u);
        EXPECT_EQ(ListedPaths(scan).count(Lower(held)), 0u);
        EXPECT_EQ(scan.items.size(), 3u);
    }
    EXPECT_EQ(target.InUseAdvice(), L"close Chrome to clean its cache");

    // Opened by the browser after the scan: the clean counts it in use, not
    // failed, and leaves it.
    host::RuleScanResult scan;
    host::ScanRule(target, nullptr, nullptr, &scan);
    ASSERT_EQ(scan.items.size(), 4u);
    HeldFile browser(held);
    host::RuleCleanResult clean;
    host::CleanRuleItems(scan.items, nullptr, nullptr, &clean);
    EXPECT_EQ(clean.inUse, 1u);
    EXPECT_EQ(clean.totals.failed, 0u);
    EXPECT_EQ(clean.totals.removed, 3u);
    EXPECT_TRUE(fx::Exists(held));
}

TEST(RuleClean, OnlySelectedItemsGoAndATrailingDotNameKeepsItsTwin) {
    fx::SeedChromiumProfiles(L"Google\\Chrome", {L"Default"});
    const std::wstring gpu =
        fx::Special(CSIDL_LOCAL_APPDATA) + L"\\Google\\Chrome\\User Data\\Default\\GPUCache";
    // "twin." and "twin" are two files; deleting the first must spare the
    // second.
    ufc::unique_hfile dotted(CreateFileW((L"\\\\?\\" + gpu + L"\\twin.").c_str(), GENERIC_WRITE, 0,
                                         nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(dotted.valid());
    dotted.reset();
    fx::MakeFile(gpu + L"\\twin", 20);
    host::RuleScanResult scan;
    host::ScanRule(Target(L"chromium.gpu-cache", L"Chrome"), nullptr, nullptr, &scan);
    ASSERT_EQ(scan.items.size(), 4u);
    for (FoundItem& item : scan.items)
        item.selected = std::wstring(item.name) == L"twin." || std::wstring(item.name) == L"index";
    host::RuleCleanResult clean;
    host::CleanRuleItems(scan.items, nullptr, nullptr, &clean);
    EXPECT_EQ(clean.totals.removed, 2u);
    EXPECT_TRUE(fx::Exists(gpu + L"\\twin"));
    EXPECT_TRUE(fx::Exists(gpu + L"\\data_0"));
    EXPECT_FALSE(fx::Exists(gpu + L"\\index"));
    EXPECT_EQ(GetFileAttributesW((L"\\\\?\\" + gpu + L"\\twin.").c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
