// Broken-shortcut scans on real .lnk files made with the shell link object.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>

#include "categories/shortcuts.h"
#include "core/system_clean.h"
#include "fixtures/categories.h"
#include "fixtures/fixtures.h"
#include "util/handles.h"

namespace {

// A program that existed when its shortcut was made and is gone now.
std::wstring DeletedProgram(const std::wstring& name) {
    auto folder = fx::Scratch(L"gone-" + name);
    return folder + L"\\" + name + L".exe";
}

// Removes this test's own shortcuts from a folder (ufc-*.lnk).
void RemoveOwnShortcuts(const std::wstring& folder) {
    WIN32_FIND_DATAW entry;
    ufc::unique_hfind find(FindFirstFileW((folder + L"\\ufc-*.lnk").c_str(), &entry));
    if (!find) return;
    std::vector<std::wstring> names;
    do names.push_back(entry.cFileName);
    while (FindNextFileW(find.get(), &entry));
    find.reset();
    for (const auto& name : names) fx::RemoveTree(folder + L"\\" + name);
}

bool Listed(const PathList& list, const std::wstring& path) {
    return std::find(list.begin(), list.end(), path) != list.end();
}

SYSTEMTIME WriteTimeOf(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
    SYSTEMTIME time = {};
    FileTimeToSystemTime(&data.ftLastWriteTime, &time);
    return time;
}

TEST(ResolveShortcutTarget, ReadsTheStoredPathWithoutSearching) {
    auto root = fx::Scratch(L"resolve");
    fx::MakeFile(root + L"\\moved.txt");
    ASSERT_TRUE(fx::MakeShortcut(root + L"\\a.lnk", root + L"\\moved.txt"));
    MoveFileW((root + L"\\moved.txt").c_str(), (root + L"\\elsewhere.txt").c_str());
    wchar_t target[MAX_PATH] = {};
    EXPECT_TRUE(ufc::ResolveShortcutTarget(root + L"\\a.lnk", target, MAX_PATH));
    EXPECT_EQ(std::wstring(target), root + L"\\moved.txt");

    // A shortcut header cut short after its first bytes.
    fx::MakeFileWithText(root + L"\\damaged.lnk", std::string("L\0\0\0\x01\x14\x02\0", 8));
    wchar_t none[MAX_PATH] = {};
    EXPECT_FALSE(ufc::ResolveShortcutTarget(root + L"\\damaged.lnk", none, MAX_PATH));
    EXPECT_EQ(none[0], 0);
    EXPECT_FALSE(ufc::ResolveShortcutTarget(root + L"\\missing.lnk", none, MAX_PATH));
}

TEST(ScanDesktopShortcuts, ReportsAShortcutToADeletedProgramAsTheLinkFile) {
    std::wstring desktop = fx::Special(CSIDL_DESKTOP);
    RemoveOwnShortcuts(desktop);
    std::wstring program = DeletedProgram(L"tool");
    fx::MakeFile(program, 10);
    std::wstring broken = desktop + L"\\ufc-broken.lnk";
    ASSERT_TRUE(fx::MakeShortcut(broken, program));
    DeleteFileW(program.c_str());
    // A shortcut to an existing file and a damaged one are never reported.
    fx::MakeFile(fx::Scratch(L"kept") + L"\\kept.txt");
    ASSERT_TRUE(fx::MakeShortcut(desktop + L"\\ufc-valid.lnk", L"C:\\ufc-tests\\kept\\kept.txt"));
    fx::MakeFileWithText(desktop + L"\\ufc-damaged.lnk", "garbage");

    CSystemClean cleaner;
    ResultList results;
    ScanTotals totals;
    fx::Recorder recorder;
    EXPECT_EQ(cleaner.ScanDesktopShortcuts(&results, &totals, &recorder), 1u);

    EXPECT_TRUE(Listed(cleaner.InvalidDesktopShortcuts, broken));
    EXPECT_FALSE(Listed(cleaner.InvalidDesktopShortcuts, desktop + L"\\ufc-valid.lnk"));
    EXPECT_FALSE(Listed(cleaner.InvalidDesktopShortcuts, desktop + L"\\ufc-damaged.lnk"));
    EXPECT_EQ(fx::FindByName(results, L"ufc-valid.lnk"), nullptr);
    EXPECT_EQ(fx::FindByName(results, L"ufc-damaged.lnk"), nullptr);
    const FoundItem* item = fx::FindByName(results, L"ufc-broken.lnk");
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->category, kCategoryDesktopShortcuts);
    EXPECT_EQ(std::wstring(item->folder), desktop);
    WIN32_FILE_ATTRIBUTE_DATA link = {};
    ASSERT_TRUE(GetFileAttributesExW(broken.c_str(), GetFileExInfoStandard, &link));
    EXPECT_EQ(item->size, link.nFileSizeLow);
    SYSTEMTIME written = WriteTimeOf(broken);
    EXPECT_EQ(item->written.wYear, written.wYear);
    EXPECT_EQ(item->written.wSecond, written.wSecond);
    EXPECT_NE(item->icon, nullptr);  // the icon of the target's type (.exe)
    EXPECT_EQ(results.size(), cleaner.InvalidDesktopShortcuts.size());
    EXPECT_EQ(totals.count, results.size());
    ASSERT_FALSE(recorder.reports.empty());
    EXPECT_EQ(recorder.reports.back().percent, 100u);
    EXPECT_EQ(recorder.reports.back().category, kCategoryDesktopShortcuts);
    RemoveOwnShortcuts(desktop);
}

TEST(ScanDesktopShortcuts, SearchesQuickLaunch) {
    std::wstring quick =
        fx::Special(CSIDL_APPDATA) + L"\\Microsoft\\Internet Explorer\\Quick Launch";
    fx::MakeDirs(quick);
    RemoveOwnShortcuts(quick);
    ASSERT_TRUE(fx::MakeShortcut(quick + L"\\ufc-quick.lnk", DeletedProgram(L"quick")));
    CSystemClean cleaner;
    ResultList results;
    ScanTotals totals;
    EXPECT_EQ(cleaner.ScanDesktopShortcuts(&results, &totals, nullptr), 1u);
    EXPECT_TRUE(Listed(cleaner.InvalidDesktopShortcuts, quick + L"\\ufc-quick.lnk"));
    RemoveOwnShortcuts(quick);
}

TEST(ScanStartMenuShortcuts, ASecondScanReplacesTheList) {
    std::wstring menu = fx::Special(CSIDL_STARTMENU) + L"\\Programs\\ufc-group";
    fx::RemoveTree(menu);
    fx::MakeDirs(menu);
    std::wstring first = DeletedProgram(L"first"), second = DeletedProgram(L"second");
    ASSERT_TRUE(fx::MakeShortcut(menu + L"\\ufc-first.lnk", first));
    ASSERT_TRUE(fx::MakeShortcut(menu + L"\\ufc-second.lnk", second));

    CSystemClean cleaner;
    ResultList results;
    ScanTotals totals;
    cleaner.ExaminedCount = 3;
    fx::Recorder recorder;
    EXPECT_EQ(cleaner.ScanStartMenuShortcuts(&results, &totals, &recorder), 1u);
    EXPECT_TRUE(Listed(cleaner.InvalidStartMenuShortcuts, menu + L"\\ufc-first.lnk"));
    EXPECT_TRUE(Listed(cleaner.InvalidStartMenuShortcuts, menu + L"\\ufc-second.lnk"));
    ASSERT_NE(fx::FindByName(results, L"ufc-first.lnk"), nullptr);
    EXPECT_EQ(fx::FindByName(results, L"ufc-first.lnk")->category, kCategoryStartMenuShortcuts);
    // The count carries ExaminedCount, which grows by one per item.
    ASSERT_FALSE(recorder.reports.empty());
    EXPECT_EQ(recorder.reports.front().count, 3u);
    EXPECT_EQ(cleaner.ExaminedCount, 3 + results.size());

    fx::MakeFile(first);  // repaired in between
    EXPECT_EQ(cleaner.ScanStartMenuShortcuts(&results, &totals, nullptr), 1u);
    EXPECT_FALSE(Listed(cleaner.InvalidStartMenuShortcuts, menu + L"\\ufc-first.lnk"));
    EXPECT_TRUE(Listed(cleaner.InvalidStartMenuShortcuts, menu + L"\\ufc-second.lnk"));
    fx::RemoveTree(menu);
}

TEST(ScanStartMenuShortcuts, StopBeforeTheCallReportsNothingButKeepsTheList) {
    std::wstring menu = fx::Special(CSIDL_STARTMENU) + L"\\Programs\\ufc-stop";
    fx::RemoveTree(menu);
    fx::MakeDirs(menu);
    ASSERT_TRUE(fx::MakeShortcut(menu + L"\\ufc-a.lnk", DeletedProgram(L"a")));
    ASSERT_TRUE(fx::MakeShortcut(menu + L"\\ufc-b.lnk", DeletedProgram(L"b")));
    CSystemClean cleaner;
    cleaner.StopFlag = 1;
    ResultList results;
    ScanTotals totals;
    fx::Recorder recorder;
    EXPECT_EQ(cleaner.ScanStartMenuShortcuts(&results, &totals, &recorder), 2u);
    EXPECT_TRUE(recorder.reports.empty());
    EXPECT_TRUE(results.empty());
    EXPECT_TRUE(Listed(cleaner.InvalidStartMenuShortcuts, menu + L"\\ufc-a.lnk"));
    EXPECT_TRUE(Listed(cleaner.InvalidStartMenuShortcuts, menu + L"\\ufc-b.lnk"));
    fx::RemoveTree(menu);
}

TEST(ScanDesktopShortcuts, OnWow64TheOtherProgramFolderCounts) {
    std::wstring desktop = fx::Special(CSIDL_DESKTOP);
    RemoveOwnShortcuts(desktop);
    std::wstring x86 = fx::Special(CSIDL_PROGRAM_FILESX86);
    std::wstring native = fx::Special(CSIDL_PROGRAM_FILES);
    ASSERT_NE(x86, native);
    fx::MakeFile(x86 + L"\\ufc-wow\\app.exe");
    fx::RemoveTree(native + L"\\ufc-wow");
    std::wstring link = desktop + L"\\ufc-wow.lnk";
    ASSERT_TRUE(fx::MakeShortcut(link, native + L"\\ufc-wow\\app.exe"));

    CSystemClean cleaner;
    ResultList results;
    ScanTotals totals;
    cleaner.Wow64 = 0;  // only the stored path is tested
    EXPECT_EQ(cleaner.ScanDesktopShortcuts(&results, &totals, nullptr), 1u);
    EXPECT_TRUE(Listed(cleaner.InvalidDesktopShortcuts, link));
    cleaner.Wow64 = 1;  // a 32-bit process on 64-bit Windows
    EXPECT_EQ(cleaner.ScanDesktopShortcuts(&results, &totals, nullptr), 1u);
    EXPECT_FALSE(Listed(cleaner.InvalidDesktopShortcuts, link));
    RemoveOwnShortcuts(desktop);
    fx::RemoveTree(x86 + L"\\ufc-wow");
}

}  // namespace
