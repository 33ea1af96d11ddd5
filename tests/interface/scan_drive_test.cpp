// The drive scan: the recycle bin of the named drive, and on the system
// drive five file categories after it.
#include <gtest/gtest.h>

#include <shlobj.h>

#include "fixtures/categories.h"
#include "fixtures/fixtures.h"
#include "interface/composite.h"
#include "interface/interface_fixtures.h"

namespace {

// One fixture per category that the system drive adds, and one recycled file.
struct DriveFixtures {
    std::wstring windows = fx::Special(CSIDL_WINDOWS);
    std::wstring uninstall = windows + L"\\$NtUninstallUfcDrive$";
    std::wstring cacheFolder = fx::Special(CSIDL_INTERNET_CACHE) + L"\\ufc-drive";
    std::wstring dump = windows + L"\\ufc-drive.dmp";
    std::wstring logFolder = windows + L"\\ufc-drive-logs";
    std::wstring temp = windows + L"\\Temp\\ufc-drive-temp.tmp";

    DriveFixtures() {
        Remove();
        fx::EmptyRecycleBin();
        std::wstring recycled = fx::Scratch(L"scan-drive") + L"\\drive-bin.txt";
        fx::MakeFile(recycled, 500);
        recycledOk = fx::RecycleFile(recycled);
        fx::MakeFile(uninstall + L"\\left-over.bin", 11);
        fx::MakeFile(cacheFolder + L"\\cached-page.htm", 12);
        fx::MakeFile(dump, 13);
        fx::MakeFile(logFolder + L"\\drive-setup.log", 14);
        fx::MakeFile(temp, 15);
    }
    ~DriveFixtures() {
        Remove();
        fx::EmptyRecycleBin();
    }
    void Remove() {
        for (const auto& path : {uninstall, cacheFolder, dump, logFolder, temp})
            fx::RemoveTree(path);
    }
    bool recycledOk = false;
};

// Position of the first item with this name and category, or -1.
int IndexOf(const ResultList& list, const std::wstring& name, std::uint32_t category) {
    int index = 0;
    for (const auto& item : list) {
        if (name == item.name && item.category == category) return index;
        ++index;
    }
    return -1;
}

TEST(ScanDrive, SystemDriveInAnyLetterCaseAddsTheFiveCategoriesAfterItsBin) {
    DriveFixtures fixtures;
    ASSERT_TRUE(fixtures.recycledOk);
    CSystemClean cleaner;
    ResultList results;
    ScanTotals totals;
    fx::Recorder recorder;
    EXPECT_EQ(ufc::ScanDrive(cleaner, L"c:\\", &results, &totals, &recorder), 1);
    EXPECT_EQ(cleaner.CurrentDrive, L"c:\\");

    int bin = IndexOf(results, L"drive-bin.txt", kCategoryRecycleBin);
    int uninstall = IndexOf(results, L"left-over.bin", kCategoryUninstallFolders);
    int cache = IndexOf(results, L"cached-page.htm", kCategoryInternetTempFiles);
    int dump = IndexOf(results, L"ufc-drive.dmp", kCategoryMemoryDumps);
    int log = IndexOf(results, L"drive-setup.log", kCategoryWindowsLogs);
    int temp = IndexOf(results, L"ufc-drive-temp.tmp", kCategoryWindowsTemp);
    EXPECT_EQ(bin, 0);
    EXPECT_GT(uninstall, bin);
    EXPECT_GT(cache, uninstall);
    EXPECT_GT(dump, cache);
    EXPECT_GT(log, dump);
    EXPECT_GT(temp, log);
    // The bin's item and every file item are counted once in the totals.
    EXPECT_EQ(totals.count, results.size());

    // The bin's entry is reported first, against the bin's own count.
    ASSERT_FALSE(recorder.reports.empty());
    EXPECT_EQ(recorder.reports[0].category, static_cast<std::uint32_t>(kCategoryRecycleBin));
    EXPECT_EQ(recorder.reports[0].percent, 100u);
    EXPECT_EQ(recorder.reports[0].count, 1u);
    EXPECT_EQ(cleaner.CurrentCategory, static_cast<std::uint32_t>(kCategoryWindowsTemp));
}

TEST(ScanDrive, DriveTextWithoutBackslashListsOnlyThatBin) {
    DriveFixtures fixtures;
    ASSERT_TRUE(fixtures.recycledOk);
    CSystemClean cleaner;
    FoundItem kept;
    ResultList results = {kept};
    ScanTotals totals{5, 1};
    EXPECT_EQ(ufc::ScanDrive(cleaner, L"C:", &results, &totals, nullptr), 1);
    EXPECT_EQ(cleaner.CurrentDrive, L"C:");

    ASSERT_EQ(results.size(), 2u) << fx::Narrow(fx::Names(results).back());
    EXPECT_EQ(std::wstring(results.back().name), L"drive-bin.txt");
    EXPECT_EQ(results.back().category, static_cast<std::uint32_t>(kCategoryRecycleBin));
    // The query added the bin to what the totals held; the count of the
    // totals became the scan's expectation.
    EXPECT_EQ(totals.count, 2u);
    EXPECT_GT(totals.bytes, 5u);
    EXPECT_EQ(cleaner.ExpectedCount, 2u);
    EXPECT_EQ(cleaner.ExaminedCount, 0u);
    EXPECT_EQ(cleaner.CurrentCategory, 0u);
}

TEST(ScanDrive, AnotherDriveListsNothingFromTheSystemDrive) {
    DriveFixtures fixtures;
    ASSERT_TRUE(fixtures.recycledOk);
    CSystemClean cleaner;
    ResultList results;
    ScanTotals totals;
    // The bin's item came from C:, so drive Z: lists nothing; Z: itself is
    // never walked.
    EXPECT_EQ(ufc::ScanDrive(cleaner, L"z:\\", &results, &totals, nullptr), 1);
    EXPECT_TRUE(results.empty());
    EXPECT_EQ(cleaner.CurrentDrive, L"z:\\");
    EXPECT_EQ(ufc::ScanDrive(cleaner, nullptr, &results, &totals, nullptr), 1);
    EXPECT_TRUE(results.empty());
}

}  // namespace
