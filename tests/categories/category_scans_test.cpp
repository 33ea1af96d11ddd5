// The category scan family on real files of the test prefix.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>

#include "categories/category_scans.h"
#include "core/system_clean.h"
#include "fixtures/categories.h"
#include "fixtures/fixtures.h"

namespace {

std::wstring WindowsFolder() {
    return fx::Special(CSIDL_WINDOWS);
}

std::wstring OfficeRecent() {
    std::wstring folder = fx::Special(CSIDL_APPDATA) + L"\\Microsoft\\Office\\Recent";
    fx::MakeDirs(folder);
    fx::EmptyFolder(folder);
    return folder;
}

bool Listed(const PathList& list, const std::wstring& path) {
    return std::find(list.begin(), list.end(), path) != list.end();
}

TEST(CategoryScan, ThreeFilesReportThirdsAndAddToTotals) {
    auto folder = OfficeRecent();
    fx::MakeFile(folder + L"\\a.doc", 10);
    fx::MakeFile(folder + L"\\b.xls", 20);
    fx::MakeFile(folder + L"\\sub\\c", 30);
    CSystemClean cleaner;
    cleaner.ExaminedCount = 7;
    ResultList results;
    ScanTotals totals{5, 1};  // added to, never reset
    fx::Recorder recorder;
    EXPECT_EQ(cleaner.ScanOfficeRecentFiles(&results, &totals, &recorder), 1u);
    EXPECT_EQ(recorder.Percents(), (std::vector<std::uint32_t>{33, 66, 100}));
    ASSERT_EQ(recorder.reports.size(), 3u);
    for (std::uint32_t i = 0; i < 3; ++i) {
        const auto& report = recorder.reports[i];
        EXPECT_EQ(report.category, kCategoryOfficeRecent);
        // The count is ExaminedCount before the item is counted.
        EXPECT_EQ(report.count, 7 + i);
        EXPECT_EQ(report.reserved, 0u);
    }
    EXPECT_EQ(cleaner.ExaminedCount, 10u);
    EXPECT_EQ(totals.count, 4u);
    EXPECT_EQ(totals.bytes, 65u);
    ASSERT_EQ(results.size(), 3u);
    auto paths = recorder.Paths();
    auto item = results.begin();
    for (std::size_t i = 0; i < 3; ++i, ++item) {
        // Each item is the file that was reported just before it.
        EXPECT_EQ(std::wstring(item->folder) + L"\\" + item->name, paths[i]);
        EXPECT_EQ(item->category, kCategoryOfficeRecent);
        EXPECT_EQ(item->selected, 1u);
    }
    const FoundItem* c = fx::FindByName(results, L"c");
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(std::wstring(c->folder), folder + L"\\sub");
    EXPECT_EQ(c->size, 30u);
}

TEST(CategoryScan, OneFileReportsHundredAndNullCallbackRecordsTheSame) {
    auto folder = OfficeRecent();
    fx::MakeFile(folder + L"\\only.doc", 3);
    CSystemClean cleaner;
    ResultList withCallback, without;
    ScanTotals totalsWith, totalsWithout;
    fx::Recorder recorder;
    EXPECT_EQ(cleaner.ScanOfficeRecentFiles(&withCallback, &totalsWith, &recorder), 1u);
    EXPECT_EQ(recorder.Percents(), std::vector<std::uint32_t>{100});
    EXPECT_EQ(cleaner.ScanOfficeRecentFiles(&without, &totalsWithout, nullptr), 1u);
    EXPECT_EQ(fx::Names(withCallback), fx::Names(without));
    EXPECT_EQ(totalsWith.bytes, totalsWithout.bytes);
    EXPECT_EQ(totalsWith.count, totalsWithout.count);
}

TEST(CategoryScan, StopBeforeTheCallAppendsNothingUnlessNothingWasCollected) {
    auto folder = OfficeRecent();
    CSystemClean cleaner;
    cleaner.StopFlag = 1;
    ResultList results;
    ScanTotals totals;
    fx::Recorder recorder;
    EXPECT_EQ(cleaner.ScanOfficeRecentFiles(&results, &totals, &recorder), 1u);
    fx::MakeFile(folder + L"\\x.doc");
    EXPECT_EQ(cleaner.ScanOfficeRecentFiles(&results, &totals, &recorder), 2u);
    EXPECT_TRUE(results.empty());
    EXPECT_TRUE(recorder.reports.empty());
    EXPECT_EQ(totals.count, 0u);
}

TEST(CategoryScan, StopDuringTheSecondOfFiveRecordsExactlyTwo) {
    auto folder = OfficeRecent();
    for (int i = 0; i < 5; ++i) fx::MakeFile(folder + L"\\f" + std::to_wstring(i) + L".doc", 1);
    CSystemClean cleaner;
    fx::Recorder recorder;
    recorder.onReport = [&](const ProgressInfo&) {
        if (recorder.reports.size() == 2) cleaner.StopFlag = 1;
    };
    ResultList results;
    ScanTotals totals;
    EXPECT_EQ(cleaner.ScanOfficeRecentFiles(&results, &totals, &recorder), 2u);
    EXPECT_EQ(results.size(), 2u);
    EXPECT_EQ(totals.count, 2u);
    EXPECT_EQ(recorder.reports.size(), 2u);
}

TEST(ScanChkFiles, RootOfTheWindowsDriveOnlyExactExtensions) {
    // Only FILE*.CHK fixtures of this test are ever made in the drive root.
    std::wstring root = WindowsFolder().substr(0, 2) + L"\\";
    const wchar_t* names[] = {L"FILE9901.CHK", L"file9902.chk", L"FILE9904.Chk"};
    for (auto name : names) fx::MakeFile(root + name, 4);
    auto sub = fx::Scratch(L"FOUND.000");
    fx::MakeFile(sub + L"\\FILE9906.CHK");

    CSystemClean cleaner;
    ResultList results;
    ScanTotals totals;
    fx::Recorder recorder;
    EXPECT_EQ(cleaner.ScanChkFiles(&results, &totals, &recorder), 1u);
    for (auto name : names) DeleteFileW((root + name).c_str());

    EXPECT_NE(fx::FindByName(results, L"file9902.chk"), nullptr);
    EXPECT_EQ(fx::FindByName(results, L"FILE9904.Chk"), nullptr);
    EXPECT_EQ(fx::FindByName(results, L"FILE9906.CHK"), nullptr);
    const FoundItem* item = fx::FindByName(results, L"FILE9901.CHK");
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->category, kCategoryChkFragments);
    EXPECT_EQ(std::wstring(item->folder), root.substr(0, 2));
    EXPECT_EQ(item->size, 4u);
    // Counted from ExaminedCount (0 on a fresh cleaner), one per item.
    for (std::size_t i = 0; i < recorder.reports.size(); ++i)
        EXPECT_EQ(recorder.reports[i].count, i);
    EXPECT_EQ(cleaner.ExaminedCount, results.size());
}

TEST(ScanChkFiles, NameTestWantsFileInAnyCaseAfterTheLastBackslash) {
    EXPECT_TRUE(ufc::IsChkFragmentName(L"C:\\FILE0001.CHK"));
    EXPECT_TRUE(ufc::IsChkFragmentName(L"C:\\file0001.chk"));
    EXPECT_TRUE(ufc::IsChkFragmentName(L"C:\\File0001.CHK"));
    EXPECT_TRUE(ufc::IsChkFragmentName(L"C:\\x\\FILE.CHK"));
    EXPECT_FALSE(ufc::IsChkFragmentName(L"C:\\FOUND.CHK"));
    EXPECT_FALSE(ufc::IsChkFragmentName(L"C:\\X.CHK"));
    EXPECT_FALSE(ufc::IsChkFragmentName(L"C:\\FIL"));
    EXPECT_FALSE(ufc::IsChkFragmentName(L"C:\\FILE\\X.CHK"));
}

TEST(ScanDumpFiles, WindowsAndMiniDumpOnlyExactExtensionListReplaced) {
    std::wstring windows = WindowsFolder();
    std::wstring top = windows + L"\\ufc9.dmp", memory = windows + L"\\MEMORY9.DMP",
                 mini = windows + L"\\MiniDump\\mini9.dmp",
                 deep = windows + L"\\ufc-dumps\\deep9.dmp";
    for (const auto& path : {top, memory, mini, deep}) fx::MakeFile(path, 8);

    CSystemClean cleaner;
    cleaner.DumpFileList.push_back(L"C:\\left\\from-before.dmp");
    ResultList results;
    ScanTotals totals;
    EXPECT_EQ(cleaner.ScanDumpFiles(&results, &totals, nullptr), 1u);
    EXPECT_TRUE(Listed(cleaner.DumpFileList, top));
    EXPECT_TRUE(Listed(cleaner.DumpFileList, mini));
    EXPECT_FALSE(Listed(cleaner.DumpFileList, memory));
    EXPECT_FALSE(Listed(cleaner.DumpFileList, deep));
    EXPECT_FALSE(Listed(cleaner.DumpFileList, L"C:\\left\\from-before.dmp"));
    const FoundItem* item = fx::FindByName(results, L"mini9.dmp");
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->category, kCategoryMemoryDumps);
    EXPECT_EQ(results.size(), cleaner.DumpFileList.size());

    DeleteFileW(top.c_str());
    EXPECT_EQ(cleaner.ScanDumpFiles(&results, &totals, nullptr), 1u);
    EXPECT_FALSE(Listed(cleaner.DumpFileList, top));
    EXPECT_TRUE(Listed(cleaner.DumpFileList, mini));
    for (const auto& path : {memory, mini, deep}) DeleteFileW(path.c_str());
    fx::RemoveTree(windows + L"\\ufc-dumps");
}

TEST(ScanLogFiles, ListedLetterCasesOnly) {
    std::wstring folder = WindowsFolder() + L"\\ufc-logs";
    fx::RemoveTree(folder);
    const wchar_t* found[] = {L"setup.log", L"SETUP2.LOG", L"readme.Txt", L"old.lo_", L"x.BAK"};
    const wchar_t* ignored[] = {L"setup3.Log", L"notes.tXt", L"plain"};
    for (auto name : found) fx::MakeFile(folder + L"\\" + name);
    for (auto name : ignored) fx::MakeFile(folder + L"\\" + name);
    CSystemClean cleaner;
    ResultList results;
    ScanTotals totals;
    EXPECT_EQ(cleaner.ScanLogFiles(&results, &totals, nullptr), 1u);
    fx::RemoveTree(folder);
    for (auto name : found) {
        const FoundItem* item = fx::FindByName(results, name);
        ASSERT_NE(item, nullptr) << fx::Narrow(name);
        EXPECT_EQ(std::wstring(item->folder), folder);
        EXPECT_EQ(item->category, kCategoryWindowsLogs);
    }
    for (auto name : ignored) EXPECT_EQ(fx::FindByName(results, name), nullptr);
}

TEST(CategoryScan, WholeTreeMembersKeepFilesWithoutExtension) {
    std::wstring temp = WindowsFolder() + L"\\Temp\\ufc-tree\\noext";
    std::wstring recent = fx::Special(CSIDL_RECENT) + L"\\ufc-noext";
    std::wstring history = fx::Special(CSIDL_HISTORY) + L"\\ufc-sub\\noext";
    for (const auto& path : {temp, recent, history}) fx::MakeFile(path, 2);
    CSystemClean cleaner;
    ResultList tempItems, recentItems, historyItems;
    ScanTotals totals;
    EXPECT_EQ(cleaner.ScanWindowsTempFiles(&tempItems, &totals, nullptr), 1u);
    EXPECT_EQ(cleaner.ScanRecentFiles(&recentItems, &totals, nullptr), 1u);
    EXPECT_EQ(cleaner.ScanHistoryFiles(&historyItems, &totals, nullptr), 1u);
    fx::RemoveTree(WindowsFolder() + L"\\Temp\\ufc-tree");
    fx::RemoveTree(recent);
    fx::RemoveTree(fx::Special(CSIDL_HISTORY) + L"\\ufc-sub");
    const FoundItem* t = fx::FindByName(tempItems, L"noext");
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->category, kCategoryWindowsTemp);
    ASSERT_NE(fx::FindByName(recentItems, L"ufc-noext"), nullptr);
    EXPECT_EQ(fx::FindByName(recentItems, L"ufc-noext")->category, kCategoryRecentDocuments);
    ASSERT_NE(fx::FindByName(historyItems, L"noext"), nullptr);
    EXPECT_EQ(fx::FindByName(historyItems, L"noext")->category, kCategoryHistory);
}

TEST(ScanCookieFiles, LowerCaseTxtOnly) {
    std::wstring cookies = fx::Special(CSIDL_COOKIES);
    fx::MakeFile(cookies + L"\\ufc@site.txt", 5);
    fx::MakeFile(cookies + L"\\ufc@other.TXT", 5);
    CSystemClean cleaner;
    ResultList results;
    ScanTotals totals;
    EXPECT_EQ(cleaner.ScanCookieFiles(&results, &totals, nullptr), 1u);
    DeleteFileW((cookies + L"\\ufc@site.txt").c_str());
    DeleteFileW((cookies + L"\\ufc@other.TXT").c_str());
    ASSERT_NE(fx::FindByName(results, L"ufc@site.txt"), nullptr);
    EXPECT_EQ(fx::FindByName(results, L"ufc@site.txt")->category, kCategoryCookies);
    EXPECT_EQ(fx::FindByName(results, L"ufc@other.TXT"), nullptr);
}

TEST(FillItemFromFile, DescribesTheFileAndLeavesMissingOnesAlone) {
    auto root = fx::Scratch(L"fill");
    std::wstring path = root + L"\\report.txt";
    fx::MakeFile(path, 1234);
    ASSERT_TRUE(fx::SetWriteDate(path, 2019, 7, 4));
    CSystemClean cleaner;
    FoundItem item;
    item.category = kCategoryRecentDocuments;
    item.selected = 0;
    EXPECT_EQ(cleaner.FillItemFromFile(path.c_str(), &item), 1);
    EXPECT_EQ(item.category, kCategoryRecentDocuments);
    EXPECT_EQ(item.selected, 1u);
    EXPECT_EQ(item.size, 1234u);
    EXPECT_EQ(std::wstring(item.name), L"report.txt");
    EXPECT_EQ(std::wstring(item.folder), root);
    EXPECT_EQ(item.written.wYear, 2019);
    EXPECT_EQ(item.written.wMonth, 7);
    EXPECT_EQ(item.written.wDay, 4);
    EXPECT_EQ(item.written.wHour, 12);  // UTC, not local time
    EXPECT_NE(item.created.wYear, 0);

    FoundItem untouched;
    EXPECT_EQ(cleaner.FillItemFromFile((root + L"\\gone.txt").c_str(), &untouched), 0);
    EXPECT_EQ(cleaner.FillItemFromFile(nullptr, &untouched), 0);
    EXPECT_EQ(untouched.selected, 1u);
    EXPECT_EQ(untouched.name[0], 0);
}

TEST(FillItemFromFile, SizeOfAFileHeldOpenElsewhere) {
    auto root = fx::Scratch(L"fill-open");
    std::wstring path = root + L"\\busy.log";
    fx::MakeFile(path, 77);
    HANDLE held = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    CSystemClean cleaner;
    FoundItem item;
    EXPECT_EQ(cleaner.FillItemFromFile(path.c_str(), &item), 1);
    CloseHandle(held);
    EXPECT_EQ(item.size, 77u);
}

TEST(DeleteNamedFile, DesktopAndProgramsMenu) {
    std::wstring desktop = fx::Special(CSIDL_DESKTOP) + L"\\ufc-delete.txt";
    std::wstring programs = fx::Special(CSIDL_PROGRAMS) + L"\\ufc-group\\ufc-delete.lnk";
    fx::MakeFile(desktop);
    fx::MakeFile(programs);
    SetFileAttributesW(desktop.c_str(), FILE_ATTRIBUTE_READONLY);
    CSystemClean cleaner;
    EXPECT_NE(cleaner.DeleteDesktopFile(L"ufc-delete.txt"), 0);
    EXPECT_FALSE(fx::Exists(desktop));
    EXPECT_EQ(cleaner.DeleteDesktopFile(L"ufc-delete.txt"), 0);
    EXPECT_NE(cleaner.DeleteProgramsFile(L"ufc-group\\ufc-delete.lnk"), 0);
    EXPECT_FALSE(fx::Exists(programs));
    // A name that would overflow the path buffer is refused, not cut.
    EXPECT_EQ(cleaner.DeleteDesktopFile(std::wstring(300, L'x').c_str()), 0);
    fx::RemoveTree(fx::Special(CSIDL_PROGRAMS) + L"\\ufc-group");
}

}  // namespace
