// The category scan family, the cache index and the update downloads on real
// files of the prefix, and the file categories from scan to removal.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>

#include "categories/category_scans.h"
#include "core/system_clean.h"
#include "fixtures/categories.h"
#include "fixtures/fixtures.h"

namespace {

using Scan = std::uint32_t (CSystemClean::*)(ResultList*, ScanTotals*, IScanProgress*);

// Each member that the checks and the dispatcher use, on files of its own
// place: what it takes (each extension only in the letter cases it lists)
// and what it passes over.
TEST(CategoryScan, EachMemberTakesItsPlacesFilesOnly) {
    const std::wstring windows = fx::Special(CSIDL_WINDOWS), drive = windows.substr(0, 3);
    const std::wstring temp = windows + L"\\Temp\\ufc-tree\\noext";
    const std::wstring recent = fx::Special(CSIDL_RECENT) + L"\\ufc-noext";
    const struct {
        Scan scan;
        std::uint32_t category;
        std::vector<std::wstring> taken, passed;
    } rows[] = {
        // clang-format off
        {&CSystemClean::ScanWindowsTempFiles, kCategoryWindowsTemp, {temp}, {}},
        {&CSystemClean::ScanRecentFiles, kCategoryRecentDocuments, {recent}, {}},
        // Only FILE*.CHK fixtures of this test are ever made in the drive root.
        {&CSystemClean::ScanChkFiles, kCategoryChkFragments,
         {drive + L"FILE9901.CHK", drive + L"file9902.chk"},
         {drive + L"FILE9904.Chk", drive + L"ufc-tests\\FOUND.000\\FILE9906.CHK"}},
        {&CSystemClean::ScanDumpFiles, kCategoryMemoryDumps,
         {windows + L"\\ufc9.dmp", windows + L"\\MiniDump\\mini9.dmp"},
         {windows + L"\\MEMORY9.DMP", windows + L"\\ufc-dumps\\deep9.dmp"}},
        // clang-format on
    };
    for (const auto& row : rows) {
        for (const auto* files : {&row.taken, &row.passed})
            for (const std::wstring& file : *files) fx::MakeFile(file, 4);
        CSystemClean cleaner;
        cleaner.DumpFileList = {L"C:\\left\\from-before.dmp"};
        ResultList results;
        ScanTotals totals;
        EXPECT_EQ((cleaner.*row.scan)(&results, &totals, nullptr), 1u);
        for (const auto* files : {&row.taken, &row.passed})
            for (const std::wstring& file : *files) {
                const std::wstring folder = file.substr(0, file.rfind(L'\\'));
                const FoundItem* item = fx::FindByName(results, file.substr(folder.size() + 1));
                EXPECT_EQ(item != nullptr, files == &row.taken) << fx::Narrow(file);
                if (item && files == &row.taken) {
                    EXPECT_EQ(std::wstring(item->folder), folder);
                    EXPECT_EQ(item->category, row.category);
                    EXPECT_EQ(item->size, 4u);
                }
                fx::RemoveTree(file);
            }
        EXPECT_EQ(totals.count, results.size());
        if (row.category == kCategoryMemoryDumps) {
            EXPECT_EQ(cleaner.DumpFileList.size(), results.size()) << "the list is replaced";
        }
    }
    const struct {
        const wchar_t* path;
        bool fragment;
    } names[] = {{L"C:\\x\\FILE.CHK", true}, {L"C:\\FIL", false}, {L"C:\\FILE\\X.CHK", false}};
    for (const auto& name : names)
        EXPECT_EQ(ufc::IsChkFragmentName(name.path), name.fragment) << fx::Narrow(name.path);
}

std::wstring OfficeRecent() {
    const std::wstring folder = fx::Special(CSIDL_APPDATA) + L"\\Microsoft\\Office\\Recent";
    fx::MakeDirs(folder);
    fx::EmptyFolder(folder);
    return folder;
}

TEST(CategoryScan, ReportsEachFileBeforeItsItemAndStopsWhenAsked) {
    const std::wstring folder = OfficeRecent();
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
    ASSERT_EQ(results.size(), 3u);
    auto item = results.begin();
    for (std::uint32_t i = 0; i < 3; ++i, ++item) {
        // The count is ExaminedCount before the item; the item is the file
        // reported just before it.
        EXPECT_EQ(recorder.reports[i].count, 7 + i);
        EXPECT_EQ(recorder.reports[i].category, kCategoryOfficeRecent);
        EXPECT_EQ(std::wstring(item->folder) + L"\\" + item->name, recorder.reports[i].path);
    }
    EXPECT_EQ(totals.count, 4u);
    EXPECT_EQ(totals.bytes, 65u);

    // A stop before the call: 1 while nothing is collected, else 2 and nothing.
    fx::EmptyFolder(folder);
    cleaner.StopFlag = 1;
    ResultList none;
    EXPECT_EQ(cleaner.ScanOfficeRecentFiles(&none, &totals, nullptr), 1u);
    for (int i = 0; i < 5; ++i) fx::MakeFile(folder + L"\\f" + std::to_wstring(i) + L".doc", 1);
    EXPECT_EQ(cleaner.ScanOfficeRecentFiles(&none, &totals, nullptr), 2u);
    EXPECT_TRUE(none.empty());
    // A stop during the second of five takes exactly two.
    cleaner.StopFlag = 0;
    fx::Recorder stopper;
    stopper.onReport = [&](const ProgressInfo&) {
        if (stopper.reports.size() == 2) cleaner.StopFlag = 1;
    };
    EXPECT_EQ(cleaner.ScanOfficeRecentFiles(&none, &totals, &stopper), 2u);
    EXPECT_EQ(none.size(), 2u);
}

TEST(DeleteNamedFile, OnlyBelowTheDesktopAndTheProgramsMenu) {
    const std::wstring desktop = fx::Special(CSIDL_DESKTOP) + L"\\ufc-delete.txt";
    const std::wstring programs = fx::Special(CSIDL_PROGRAMS) + L"\\ufc-group\\ufc-delete.lnk";
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

TEST(EndToEnd, FileCategoriesRemoveWhatTheirScanFound) {
    const std::wstring office = OfficeRecent() + L"\\ufc-e2e.doc.lnk";
    const std::wstring chk = fx::Special(CSIDL_WINDOWS).substr(0, 3) + L"FILE9911.CHK";
    const std::wstring desktop = fx::Special(CSIDL_DESKTOP) + L"\\ufc-e2e.lnk";
    const std::wstring menu = fx::Special(CSIDL_STARTMENU) + L"\\Programs\\ufc-e2e.lnk";
    fx::MakeFile(office, 5);
    fx::MakeFile(chk, 6);
    const std::wstring gone = fx::Scratch(L"e2e-gone") + L"\\gone.exe";
    ASSERT_TRUE(fx::MakeShortcut(desktop, gone));
    ASSERT_TRUE(fx::MakeShortcut(menu, gone));
    const struct {
        int category;
        std::wstring file;
    } rows[] = {{kCategoryOfficeRecent, office},
                {kCategoryChkFragments, chk},
                {kCategoryDesktopShortcuts, desktop},
                {kCategoryStartMenuShortcuts, menu}};
    for (const auto& row : rows) {
        CSystemClean cleaner;
        cleaner.ExaminedCount = 9;  // the dispatcher starts the count afresh
        ResultList found;
        ScanTotals totals;
        fx::Recorder recorder;
        EXPECT_EQ(cleaner.GetUnusedFile(row.category, &found, &totals, &recorder), 1u);
        ASSERT_FALSE(recorder.reports.empty()) << row.category;
        EXPECT_EQ(recorder.reports.front().count, 0u);
        const std::wstring name = row.file.substr(row.file.rfind(L'\\') + 1);
        std::size_t selected = 0;
        for (FoundItem& item : found) {
            item.selected = name == item.name;
            selected += item.selected;
        }
        ASSERT_EQ(selected, 1u) << row.category;
        CleanTotals cleaned;
        EXPECT_EQ(cleaner.CleanUnusedFile(row.category, found, &cleaned, nullptr), 1u);
        EXPECT_EQ(cleaned.removed, 1u) << row.category;
        EXPECT_FALSE(fx::Exists(row.file)) << row.category;
        DeleteFileW(row.file.c_str());
    }
}

}  // namespace
