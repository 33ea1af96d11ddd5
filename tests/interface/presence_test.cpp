// The presence checks on real fixtures: recycled files, files in the scanned
// folders and broken shortcuts in the prefix.
#include <gtest/gtest.h>

#include <shlobj.h>

#include "fixtures/categories.h"
#include "fixtures/fixtures.h"
#include "interface/composite.h"
#include "interface/interface_fixtures.h"

namespace {

std::wstring WindowsTemp() {
    return fx::Special(CSIDL_WINDOWS) + L"\\Temp";
}

void MakeFiles(const std::wstring& folder, const std::wstring& stem, int first, int count) {
    for (int i = first; i < first + count; ++i)
        fx::MakeFile(folder + L"\\" + stem + std::to_wstring(i) + L".tmp", 10);
}

// Sentinels that a scan would replace: they show whether it ran.
void MarkUntouched(CSystemClean& cleaner) {
    cleaner.CurrentCategory = 77;
    cleaner.DumpFileList = {L"C:\\sentinel.dmp"};
    cleaner.InvalidDesktopShortcuts = {L"C:\\sentinel.lnk"};
}

void ExpectUntouched(const CSystemClean& cleaner) {
    EXPECT_EQ(cleaner.CurrentCategory, 77u);
    EXPECT_EQ(cleaner.DumpFileList, PathList{L"C:\\sentinel.dmp"});
    EXPECT_EQ(cleaner.InvalidDesktopShortcuts, PathList{L"C:\\sentinel.lnk"});
}

TEST(PresenceChecks, OneRecycledFileAnswersWithoutRunningAnyScan) {
    fx::EmptyRecycleBin();
    std::wstring file = fx::Scratch(L"presence-bin") + L"\\recycled.txt";
    fx::MakeFile(file, 300);
    ASSERT_TRUE(fx::RecycleFile(file));
    ASSERT_EQ(ifx::BinItemCount(), 1u);

    CSystemClean cleaner;
    MarkUntouched(cleaner);
    EXPECT_EQ(ufc::IsCleanNeeded(cleaner), 1);
    ExpectUntouched(cleaner);
    EXPECT_EQ(ufc::IsDeepCleanNeeded(cleaner), 1);
    ExpectUntouched(cleaner);
    fx::EmptyRecycleBin();
}

// What the scans of IsCleanNeeded find in the prefix before the test adds
// anything, counted into one list as the check counts them.
size_t ItemsOfTheQuickScans() {
    CSystemClean cleaner;
    ResultList found;
    ScanTotals totals;
    cleaner.ScanWindowsTempFiles(&found, &totals, nullptr);
    cleaner.ScanDumpFiles(&found, &totals, nullptr);
    for (int category :
         {kCategoryWindowsLogs, kCategoryUninstallFolders, kCategoryInternetTempFiles})
        cleaner.GetUnusedFile(category, &found, &totals, nullptr);
    return found.size();
}

TEST(PresenceChecks, FiftyItemsAfterTheLastQuickScanAreNotEnoughFiftyOneAre) {
    fx::EmptyRecycleBin();
    fx::EmptyFolder(WindowsTemp());
    const std::wstring cache = fx::Special(CSIDL_INTERNET_CACHE);
    fx::EmptyFolder(cache);
    const size_t already = ItemsOfTheQuickScans();
    ASSERT_LT(already, 50u) << "the prefix alone passes the threshold";

    // The internet cache is walked by the last scan of the row.
    const std::wstring added = cache + L"\\ufc-presence";
    MakeFiles(added, L"cached", 0, static_cast<int>(50 - already));
    CSystemClean cleaner;
    EXPECT_EQ(ufc::IsCleanNeeded(cleaner), 0);
    MakeFiles(added, L"extra", 0, 1);
    EXPECT_EQ(ufc::IsCleanNeeded(cleaner), 1);
    // The category scan ran last and left its traces.
    EXPECT_EQ(cleaner.CurrentCategory, static_cast<std::uint32_t>(kCategoryInternetTempFiles));
    EXPECT_EQ(cleaner.LogHandle, -1);
    fx::RemoveTree(added);
}

// What the scans of IsDeepCleanNeeded find in the prefix as it stands.
size_t ItemsOfTheDeepScans() {
    CSystemClean cleaner;
    ResultList found;
    ScanTotals totals;
    cleaner.ScanWindowsTempFiles(&found, &totals, nullptr);
    cleaner.ScanDumpFiles(&found, &totals, nullptr);
    cleaner.ScanChkFiles(&found, &totals, nullptr);
    cleaner.GetUnusedFile(kCategoryWindowsLogs, &found, &totals, nullptr);
    cleaner.ScanDesktopShortcuts(&found, &totals, nullptr);
    cleaner.ScanRecentFiles(&found, &totals, nullptr);
    cleaner.ScanRunMru(&found, &totals, nullptr);
    cleaner.ScanOfficeRecentFiles(&found, &totals, nullptr);
    cleaner.ScanStartMenuShortcuts(&found, &totals, nullptr);
    return found.size();
}

TEST(PresenceChecks, DeepCheckAddsUpItemsFromScansFarApart) {
    fx::EmptyRecycleBin();
    fx::EmptyFolder(WindowsTemp());
    const std::wstring office = fx::Special(CSIDL_APPDATA) + L"\\Microsoft\\Office\\Recent";
    fx::RemoveTree(office);
    const size_t already = ItemsOfTheDeepScans();
    ASSERT_LT(already, 40u) << "the prefix alone comes near the threshold";

    // Neither folder alone comes near the threshold; together they reach it.
    const int missing = static_cast<int>(50 - already);
    MakeFiles(WindowsTemp(), L"deep", 0, missing / 2);
    MakeFiles(office, L"doc", 0, missing - missing / 2);
    CSystemClean cleaner;
    EXPECT_EQ(ufc::IsDeepCleanNeeded(cleaner), 0);
    MakeFiles(office, L"doc", missing - missing / 2, 1);
    EXPECT_EQ(ufc::IsDeepCleanNeeded(cleaner), 1);
    fx::EmptyFolder(WindowsTemp());
    fx::RemoveTree(office);
}

struct ShortcutPlaces {
    std::wstring desktop = fx::Special(CSIDL_DESKTOPDIRECTORY) + L"\\ufc-broken-desk.lnk";
    std::wstring startMenu = fx::Special(CSIDL_STARTMENU) + L"\\ufc-broken-start.lnk";
    ShortcutPlaces() {
        DeleteFileW(desktop.c_str());
        DeleteFileW(startMenu.c_str());
    }
    ~ShortcutPlaces() {
        DeleteFileW(desktop.c_str());
        DeleteFileW(startMenu.c_str());
    }
};

bool EndsWith(const PathList& paths, const std::wstring& tail) {
    for (const auto& path : paths)
        if (path.size() >= tail.size() &&
            path.compare(path.size() - tail.size(), tail.size(), tail) == 0)
            return true;
    return false;
}

TEST(InvalidShortcuts, ABrokenStartMenuShortcutAloneIsFoundByTheSecondScan) {
    ShortcutPlaces places;
    CSystemClean cleaner;
    EXPECT_EQ(ufc::HasInvalidShortcut(cleaner), 0) << "the prefix holds a broken shortcut";

    const std::wstring gone = fx::Scratch(L"shortcut-targets") + L"\\gone-app.exe";
    ASSERT_TRUE(ifx::MakeBrokenShortcut(places.startMenu, gone));
    EXPECT_EQ(ufc::HasInvalidShortcut(cleaner), 1);
    EXPECT_TRUE(EndsWith(cleaner.InvalidStartMenuShortcuts, L"\\ufc-broken-start.lnk"));
    EXPECT_TRUE(cleaner.InvalidDesktopShortcuts.empty());

    DeleteFileW(places.startMenu.c_str());
    EXPECT_EQ(ufc::HasInvalidShortcut(cleaner), 0);
    EXPECT_TRUE(cleaner.InvalidStartMenuShortcuts.empty());
}

TEST(InvalidShortcuts, ABrokenDesktopShortcutAnswersBeforeTheStartMenuIsScanned) {
    ShortcutPlaces places;
    const std::wstring gone = fx::Scratch(L"shortcut-targets") + L"\\gone-tool.exe";
    ASSERT_TRUE(ifx::MakeBrokenShortcut(places.desktop, gone));
    CSystemClean cleaner;
    cleaner.InvalidStartMenuShortcuts = {L"C:\\sentinel.lnk"};
    EXPECT_EQ(ufc::HasInvalidShortcut(cleaner), 1);
    EXPECT_TRUE(EndsWith(cleaner.InvalidDesktopShortcuts, L"\\ufc-broken-desk.lnk"));
    EXPECT_EQ(cleaner.InvalidStartMenuShortcuts, PathList{L"C:\\sentinel.lnk"});
}

}  // namespace
