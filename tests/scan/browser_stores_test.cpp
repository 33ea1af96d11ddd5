// Firefox stores and caches, and left-over uninstall folders.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>

#include "core/system_clean.h"
#include "fixtures/fixtures.h"
#include "scan_helpers.h"

namespace {

std::wstring FreshFolder(const std::wstring& folder) {
    fx::RemoveTree(folder);
    fx::MakeDirs(folder);
    return folder;
}

std::wstring RoamingProfiles() {
    return FreshFolder(fx::Special(CSIDL_APPDATA) + L"\\Mozilla\\Firefox\\Profiles");
}

TEST(FirefoxStores, OneItemPerProfileHoldingTheStore) {
    struct Row {
        int category;
        const wchar_t* file;
    } rows[] = {{18, L"cookies.sqlite"}, {19, L"downloads.sqlite"}, {22, L"formhistory.sqlite"}};
    for (const Row& row : rows) {
        auto profiles = RoamingProfiles();
        fx::MakeFile(profiles + L"\\abc.default\\" + row.file, 12);
        fx::MakeFile(profiles + L"\\.trash\\" + row.file, 1);  // no profile
        fx::MakeDirs(profiles + L"\\backup");                  // a profile without the store
        CSystemClean cleaner;
        cleaner.CurrentCategory = 3;
        ResultList results;
        ScanTotals totals{0, 1};
        fx::Recorder recorder;
        EXPECT_EQ(cleaner.GetUnusedFile(row.category, &results, &totals, &recorder), 1u);

        ASSERT_EQ(recorder.reports.size(), 2u);
        std::vector<std::wstring> shown = recorder.Paths();
        std::sort(shown.begin(), shown.end());
        EXPECT_EQ(shown, (std::vector<std::wstring>{L"abc.default", L"backup"}));
        // The step grows only after a profile gave an item.
        bool storeFirst = recorder.reports[0].path == std::wstring(L"abc.default");
        EXPECT_EQ(recorder.Percents(), (std::vector<std::uint32_t>{50, storeFirst ? 100u : 50u}));
        EXPECT_EQ(recorder.reports[1].count, storeFirst ? 1u : 0u);
        EXPECT_EQ(recorder.reports[0].category, static_cast<std::uint32_t>(row.category));

        ASSERT_EQ(results.size(), 1u);
        const FoundItem& item = results.front();
        EXPECT_EQ(item.category, static_cast<std::uint32_t>(row.category));
        EXPECT_EQ(std::wstring(item.name), row.file);
        EXPECT_EQ(std::wstring(item.folder), profiles + L"\\abc.default");
        EXPECT_EQ(item.size, 12u);
        EXPECT_NE(item.written.wYear, 0);
        EXPECT_NE(item.typeText[0], 0);
        EXPECT_EQ(item.icon, cleaner.IconCache[L".sqlite"]);
        EXPECT_EQ(totals.count, 2u);
        EXPECT_EQ(totals.bytes, 12u);
        EXPECT_EQ(cleaner.CurrentCategory, 3u) << "the store scans leave the cleaner's state";
    }
}

TEST(FirefoxStores, StoreHeldOpenIsAnItemOfSizeZero) {
    auto profiles = RoamingProfiles();
    fx::MakeFile(profiles + L"\\p\\cookies.sqlite", 12);
    auto holder = scantest::HoldOpen(profiles + L"\\p\\cookies.sqlite");
    CSystemClean cleaner;
    ResultList results;
    ScanTotals totals;
    EXPECT_EQ(cleaner.ScanFirefoxCookies(&results, &totals, nullptr), 1u);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results.front().size, 0u);
}

TEST(FirefoxStores, StopBeforeAProfileAndMissingProfilesFolder) {
    auto profiles = RoamingProfiles();
    fx::MakeFile(profiles + L"\\one\\cookies.sqlite", 1);
    fx::MakeFile(profiles + L"\\two\\cookies.sqlite", 1);
    CSystemClean cleaner;
    fx::Recorder recorder;
    recorder.onReport = [&](const ProgressInfo&) { cleaner.StopFlag = 1; };
    ResultList results;
    ScanTotals totals;
    EXPECT_EQ(cleaner.ScanFirefoxCookies(&results, &totals, &recorder), 2u);
    EXPECT_EQ(results.size(), 1u) << "the profile on show is still taken";
    EXPECT_EQ(recorder.reports.size(), 1u);

    fx::RemoveTree(profiles);
    CSystemClean fresh;
    fx::Recorder none;
    EXPECT_EQ(fresh.ScanFirefoxDownloads(&results, &totals, &none), 1u);
    EXPECT_TRUE(none.reports.empty());
}

TEST(FirefoxCaches, EachProfilesCacheIsScannedAsCategory20) {
    auto profiles = FreshFolder(fx::Special(CSIDL_LOCAL_APPDATA) + L"\\Mozilla\\Firefox\\Profiles");
    fx::MakeFile(profiles + L"\\first\\other\\no.bin", 1);
    fx::MakeFile(profiles + L"\\second\\cache\\sub\\yes.bin", 3);
    fx::MakeFile(profiles + L"\\second\\cache\\yes2.bin", 3);
    CSystemClean cleaner;
    cleaner.FoundCount = 4;  // kept: only the expected and examined counts restart
    ResultList results;
    ScanTotals totals;
    fx::Recorder recorder;
    EXPECT_EQ(cleaner.GetUnusedFile(20, &results, &totals, &recorder), 1u);
    std::vector<std::wstring> names;
    for (const auto& item : results) {
        names.push_back(item.name);
        EXPECT_EQ(item.category, 20u);
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::wstring>{L"yes.bin", L"yes2.bin"}));
    EXPECT_EQ(cleaner.CurrentCategory, 20u);
    EXPECT_EQ(cleaner.ExpectedCount, 2u);
    EXPECT_EQ(cleaner.FoundCount, 6u);
    EXPECT_EQ(recorder.Percents(), (std::vector<std::uint32_t>{50, 100}));
    fx::RemoveTree(profiles);
}

TEST(UninstallFolders, OnlyTheExactMarkerCounts) {
    auto windows = fx::Special(CSIDL_WINDOWS);
    auto listed = FreshFolder(windows + L"\\$NtUninstallKB123$");
    auto unlisted = FreshFolder(windows + L"\\$ntuninstallKB456$");
    fx::MakeFile(listed + L"\\a.dll", 2);
    fx::MakeFile(listed + L"\\sp\\b.dll", 2);
    fx::MakeFile(unlisted + L"\\c.dll", 2);
    CSystemClean cleaner;
    ResultList results;
    ScanTotals totals;
    EXPECT_EQ(cleaner.GetUnusedFile(23, &results, &totals, nullptr), 1u);
    std::vector<std::wstring> names;
    for (const auto& item : results) {
        names.push_back(item.name);
        EXPECT_EQ(item.category, 23u);
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::wstring>{L"a.dll", L"b.dll"}));
    EXPECT_EQ(cleaner.ExpectedCount, 1u) << "measured one level deep";

    // Files only in subfolders: nothing is scanned.
    fx::RemoveTree(unlisted);
    fx::EmptyFolder(listed);
    fx::MakeFile(listed + L"\\sp\\b.dll", 2);
    ResultList none;
    EXPECT_EQ(cleaner.GetUnusedFile(23, &none, &totals, nullptr), 1u);
    EXPECT_TRUE(none.empty());
    fx::RemoveTree(listed);
}

TEST(BrowserCaches, ScansTheThreeCachesInTurn) {
    auto cache = fx::Special(CSIDL_INTERNET_CACHE);
    fx::MakeDirs(cache);
    fx::EmptyFolder(cache);
    auto chrome = fx::Special(CSIDL_LOCAL_APPDATA) + L"\\Google\\Chrome\\User Data\\Default\\Cache";
    FreshFolder(chrome);
    fx::MakeFile(cache + L"\\ie.bin", 1);
    fx::MakeFile(chrome + L"\\chrome.bin", 1);
    CSystemClean cleaner;
    cleaner.CurrentCategory = 7;
    ResultList results;
    ScanTotals totals;
    EXPECT_EQ(cleaner.ScanBrowserCaches(&results, &totals, nullptr), 1u);
    ASSERT_EQ(results.size(), 2u);
    EXPECT_EQ(std::wstring(results.front().name), L"ie.bin");
    EXPECT_EQ(std::wstring(results.back().name), L"chrome.bin");
    EXPECT_EQ(results.back().category, 7u);
    cleaner.StopFlag = 1;
    EXPECT_EQ(cleaner.ScanBrowserCaches(&results, &totals, nullptr), 2u);
    fx::EmptyFolder(cache);
    fx::EmptyFolder(chrome);
}

}  // namespace
