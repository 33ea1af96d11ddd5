// The category scan family on real files of the prefix, the file categories
// from scan to removal, broken-shortcut scans on real .lnk files made with
// the shell link object, the 32/64-bit views of a stored path, and the COM
// scope object.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>
#include <thread>

#include "categories/category_scans.h"
#include "categories/path_views.h"
#include "categories/shortcuts.h"
#include "core/wmi_init.h"
#include "fixtures/categories.h"
#include "fixtures/scan_test.h"

namespace {

using Scan = std::uint32_t (CSystemClean::*)(ResultList*, ScanTotals*, IScanProgress*);

// Each member that the checks and the dispatcher use, on files of its own
// place: what it takes (each extension only in the letter cases it lists)
// and what it passes over.
using CategoryScan = fx::ScanTest;

TEST_F(CategoryScan, EachMemberTakesItsPlacesFilesOnly) {
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
        if (row.category == kCategoryMemoryDumps) {
            EXPECT_EQ(cleaner.DumpFileList.size(), results.size()) << "the list is replaced";
        }
    }
    for (const auto& [path, fragment] :
         {std::pair(L"C:\\x\\FILE.CHK", true), std::pair(L"C:\\FIL", false),
          std::pair(L"C:\\FILE\\X.CHK", false)})
        EXPECT_EQ(ufc::IsChkFragmentName(path), fragment) << fx::Narrow(path);
}

std::wstring OfficeRecent() {
    const std::wstring folder = fx::Special(CSIDL_APPDATA) + L"\\Microsoft\\Office\\Recent";
    fx::MakeDirs(folder);
    fx::EmptyFolder(folder);
    return folder;
}

TEST_F(CategoryScan, ReportsEachFileBeforeItsItemAndStopsWhenAsked) {
    const std::wstring folder = OfficeRecent();
    fx::MakeFile(folder + L"\\a.doc", 10);
    fx::MakeFile(folder + L"\\b.xls", 20);
    fx::MakeFile(folder + L"\\sub\\c", 30);
    cleaner.ExaminedCount = 7;
    totals = {5, 1};  // added to, never reset
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
    for (const std::wstring& file : {desktop, programs}) fx::MakeFile(file);
    SetFileAttributesW(desktop.c_str(), FILE_ATTRIBUTE_READONLY);
    CSystemClean cleaner;
    EXPECT_NE(cleaner.DeleteDesktopFile(L"ufc-delete.txt"), 0);
    EXPECT_FALSE(fx::Exists(desktop));
    EXPECT_EQ(cleaner.DeleteDesktopFile(L"ufc-delete.txt"), 0);
    EXPECT_NE(cleaner.DeleteProgramsFile(L"ufc-group\\ufc-delete.lnk"), 0);
    EXPECT_FALSE(fx::Exists(programs));
    // A name that would overflow the path buffer is refused, not cut.
    EXPECT_EQ(cleaner.DeleteDesktopFile(std::wstring(300, L'x').c_str()), 0);
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
        const std::wstring name = fx::NameOf(row.file);
        for (FoundItem& item : found) item.selected = name == item.name;
        ASSERT_EQ(std::count_if(found.begin(), found.end(), [](auto& i) { return i.selected; }), 1)
            << row.category;
        CleanTotals cleaned;
        EXPECT_EQ(cleaner.CleanUnusedFile(row.category, found, &cleaned, nullptr), 1u);
        EXPECT_EQ(cleaned.removed, 1u) << row.category;
        EXPECT_FALSE(fx::Exists(row.file)) << row.category;
    }
}

bool Listed(const PathList& list, const std::wstring& path) {
    return std::find(list.begin(), list.end(), path) != list.end();
}

// Shortcuts of this test on the desktop, in Quick Launch and in a Start
// menu group, removed again at the end.
struct Shortcuts {
    std::wstring desktop = fx::Special(CSIDL_DESKTOP);
    std::wstring quick =
        fx::Special(CSIDL_APPDATA) + L"\\Microsoft\\Internet Explorer\\Quick Launch";
    std::wstring menu = fx::Special(CSIDL_STARTMENU) + L"\\Programs\\ufc-group";
    std::wstring gone = fx::Scratch(L"gone") + L"\\";
    std::vector<std::wstring> made;
    bool Make(const std::wstring& link, const std::wstring& target) {
        made.push_back(link);
        return fx::MakeShortcut(link, target);
    }
    ~Shortcuts() {
        for (const std::wstring& link : made) DeleteFileW(link.c_str());
    }
};

using ShortcutScans = fx::ScanTest;

TEST_F(ShortcutScans, ListBrokenShortcutsAsTheirLinkFilesAndReplaceTheirLists) {
    Shortcuts s;
    for (const std::wstring& folder : {s.quick, s.menu}) fx::MakeDirs(folder);
    s.made.push_back(s.desktop + L"\\ufc-broken.lnk");
    ASSERT_TRUE(fx::MakeBrokenShortcut(s.made.back(), s.gone + L"tool.exe"));
    fx::MakeFile(s.gone + L"kept.txt");
    ASSERT_TRUE(s.Make(s.desktop + L"\\ufc-valid.lnk", s.gone + L"kept.txt"));
    ASSERT_TRUE(s.Make(s.quick + L"\\ufc-quick.lnk", s.gone + L"quick.exe"));
    ASSERT_TRUE(s.Make(s.menu + L"\\ufc-first.lnk", s.gone + L"first.exe"));
    ASSERT_TRUE(s.Make(s.menu + L"\\ufc-second.lnk", s.gone + L"second.exe"));

    // The items' folders, percentages and a stop's empty list come from
    // RecordCollectedPaths, which the CategoryScan tests check.
    EXPECT_EQ(cleaner.ScanDesktopShortcuts(&results, &totals, nullptr), 1u);
    const PathList& desktop = cleaner.InvalidDesktopShortcuts;
    EXPECT_TRUE(Listed(desktop, s.quick + L"\\ufc-quick.lnk"));
    EXPECT_FALSE(Listed(desktop, s.desktop + L"\\ufc-valid.lnk"));
    const FoundItem* item = fx::FindByName(results, L"ufc-broken.lnk");
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->category, kCategoryDesktopShortcuts);
    EXPECT_NE(item->icon, nullptr);  // the icon of the target's type (.exe)

    // The Start menu's count carries ExaminedCount, one more per item; a
    // second scan replaces the list; a stop before the scan keeps it.
    cleaner.ExaminedCount = 3;
    fx::Recorder menu;
    EXPECT_EQ(cleaner.ScanStartMenuShortcuts(&results, &totals, &menu), 1u);
    EXPECT_TRUE(Listed(cleaner.InvalidStartMenuShortcuts, s.menu + L"\\ufc-second.lnk"));
    ASSERT_TRUE(Listed(cleaner.InvalidStartMenuShortcuts, s.menu + L"\\ufc-first.lnk"));
    EXPECT_EQ(menu.reports.front().count, 3u);
    EXPECT_EQ(cleaner.ExaminedCount, 3 + cleaner.InvalidStartMenuShortcuts.size());
    fx::MakeFile(s.gone + L"first.exe");  // repaired in between
    EXPECT_EQ(cleaner.ScanStartMenuShortcuts(&results, &totals, nullptr), 1u);
    EXPECT_FALSE(Listed(cleaner.InvalidStartMenuShortcuts, s.menu + L"\\ufc-first.lnk"));
    cleaner.StopFlag = 1;
    EXPECT_EQ(cleaner.ScanStartMenuShortcuts(&results, &totals, nullptr), 2u);
    EXPECT_TRUE(Listed(cleaner.InvalidStartMenuShortcuts, s.menu + L"\\ufc-second.lnk"));
}

TEST_F(ShortcutScans, OnWow64AProgramInTheOtherProgramFolderCounts) {
    const std::wstring x86 = fx::Special(CSIDL_PROGRAM_FILESX86),
                       native = fx::Special(CSIDL_PROGRAM_FILES);
    ASSERT_NE(x86, native) << "the prefix has one program folder only";
    fx::MakeFile(x86 + L"\\ufc-wow\\app.exe");
    fx::RemoveTree(native + L"\\ufc-wow");
    const std::wstring stored = native + L"\\ufc-wow\\app.exe";
    EXPECT_EQ(ufc::TargetExistsInAnyView(stored.c_str()), 1);
    EXPECT_EQ(ufc::TargetExistsInAnyView((native + L"\\ufc-wow\\gone.exe").c_str()), 0);
    Shortcuts s;
    ASSERT_TRUE(s.Make(s.desktop + L"\\ufc-wow.lnk", stored));
    cleaner.Wow64 = 0;  // only the stored path is tested
    cleaner.ScanDesktopShortcuts(&results, &totals, nullptr);
    EXPECT_TRUE(Listed(cleaner.InvalidDesktopShortcuts, s.desktop + L"\\ufc-wow.lnk"));
    cleaner.Wow64 = 1;  // a 32-bit process on 64-bit Windows
    cleaner.ScanDesktopShortcuts(&results, &totals, nullptr);
    EXPECT_FALSE(Listed(cleaner.InvalidDesktopShortcuts, s.desktop + L"\\ufc-wow.lnk"));
}

TEST(RewritePathViews, FirstMatchingRuleOnlyAndEveryOccurrence) {
    const struct {
        const wchar_t* target;
        const wchar_t* first;
        const wchar_t* second;
    } cases[] = {
        // 32-bit program folder: the second candidate gets the 64-bit name.
        {L"C:\\Program Files (x86)\\App\\a.exe", L"c:\\program files (x86)\\app\\a.exe",
         L"c:\\program files\\app\\a.exe"},
        // The program-folder rule wins; system32 further on is left alone.
        {L"C:\\Program Files\\X\\System32\\y.dll", L"c:\\program files (x86)\\x\\system32\\y.dll",
         L"c:\\program files\\x\\system32\\y.dll"},
        // "ime" inside another word still fires; the second stays as stored.
        {L"D:\\Anime\\clip.exe", L"d:\\anime (x86)\\clip.exe", L"d:\\anime\\clip.exe"},
        {L"C:\\ime\\ime.exe", L"c:\\ime (x86)\\ime (x86).exe", L"c:\\ime\\ime.exe"},
        {L"C:\\Windows\\SysWOW64\\x.dll", L"c:\\windows\\syswow64\\x.dll",
         L"c:\\windows\\system32\\x.dll"},
        {L"D:\\Data\\a.txt", L"d:\\data\\a.txt", L"d:\\data\\a.txt"},
        {L"", L"", L""},
        // Only A-Z are lowered; other letters stay as they are.
        {L"C:\\\u00C4PFEL\\System32", L"c:\\\u00C4pfel\\syswow64", L"c:\\\u00C4pfel\\system32"},
    };
    for (const auto& c : cases) {
        const auto views = ufc::RewritePathViews(c.target);
        EXPECT_EQ(views.first, c.first) << fx::Narrow(c.target);
        EXPECT_EQ(views.second, c.second) << fx::Narrow(c.target);
    }
}

// A thread without COM gets it for the scope and loses it after; a thread
// in another apartment keeps its own start-up. Each case runs on a thread of
// its own, so COM starts from a clean slate.
TEST(WmiInit, UndoesOnlyItsOwnStartUp) {
    std::thread([] {
        EXPECT_TRUE(ufc::WmiInit().ComInitialized());
        const HRESULT again = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        EXPECT_EQ(again, S_OK);
        if (SUCCEEDED(again)) CoUninitialize();
    }).join();
    std::thread([] {
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
        EXPECT_FALSE(ufc::WmiInit().ComInitialized());
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE);
        CoUninitialize();
        CoUninitialize();
    }).join();
}

}  // namespace
