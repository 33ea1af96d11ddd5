// Broken-shortcut scans on real .lnk files made with the shell link object,
// and the 32/64-bit views of a stored path.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>

#include "categories/path_views.h"
#include "categories/shortcuts.h"
#include "core/system_clean.h"
#include "fixtures/categories.h"
#include "fixtures/fixtures.h"

namespace {

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

TEST(ShortcutScans, ListBrokenShortcutsAsTheirLinkFilesAndReplaceTheirLists) {
    Shortcuts s;
    fx::MakeDirs(s.quick);
    fx::MakeDirs(s.menu);
    fx::MakeFile(s.gone + L"tool.exe", 10);
    ASSERT_TRUE(s.Make(s.desktop + L"\\ufc-broken.lnk", s.gone + L"tool.exe"));
    DeleteFileW((s.gone + L"tool.exe").c_str());
    fx::MakeFile(s.gone + L"kept.txt");
    ASSERT_TRUE(s.Make(s.desktop + L"\\ufc-valid.lnk", s.gone + L"kept.txt"));
    fx::MakeFileWithText(s.desktop + L"\\ufc-damaged.lnk", "garbage");
    s.made.push_back(s.desktop + L"\\ufc-damaged.lnk");
    ASSERT_TRUE(s.Make(s.quick + L"\\ufc-quick.lnk", s.gone + L"quick.exe"));
    ASSERT_TRUE(s.Make(s.menu + L"\\ufc-first.lnk", s.gone + L"first.exe"));
    ASSERT_TRUE(s.Make(s.menu + L"\\ufc-second.lnk", s.gone + L"second.exe"));

    CSystemClean cleaner;
    ResultList results;
    ScanTotals totals;
    fx::Recorder recorder;
    EXPECT_EQ(cleaner.ScanDesktopShortcuts(&results, &totals, &recorder), 1u);
    const PathList& desktop = cleaner.InvalidDesktopShortcuts;
    EXPECT_TRUE(Listed(desktop, s.desktop + L"\\ufc-broken.lnk"));
    EXPECT_TRUE(Listed(desktop, s.quick + L"\\ufc-quick.lnk"));
    EXPECT_FALSE(Listed(desktop, s.desktop + L"\\ufc-valid.lnk"));
    EXPECT_FALSE(Listed(desktop, s.desktop + L"\\ufc-damaged.lnk"));
    EXPECT_EQ(results.size(), desktop.size());
    EXPECT_EQ(totals.count, results.size());
    const FoundItem* item = fx::FindByName(results, L"ufc-broken.lnk");
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->category, kCategoryDesktopShortcuts);
    EXPECT_EQ(std::wstring(item->folder), s.desktop);
    EXPECT_NE(item->icon, nullptr);  // the icon of the target's type (.exe)
    EXPECT_EQ(recorder.reports.back().percent, 100u);

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
    ResultList stopped;
    fx::Recorder none;
    EXPECT_EQ(cleaner.ScanStartMenuShortcuts(&stopped, &totals, &none), 2u);
    EXPECT_TRUE(stopped.empty() && none.reports.empty());
    EXPECT_TRUE(Listed(cleaner.InvalidStartMenuShortcuts, s.menu + L"\\ufc-second.lnk"));
    fx::RemoveTree(s.menu);
}

TEST(ShortcutScans, OnWow64AProgramInTheOtherProgramFolderCounts) {
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
    CSystemClean cleaner;
    ResultList results;
    ScanTotals totals;
    cleaner.Wow64 = 0;  // only the stored path is tested
    cleaner.ScanDesktopShortcuts(&results, &totals, nullptr);
    EXPECT_TRUE(Listed(cleaner.InvalidDesktopShortcuts, s.desktop + L"\\ufc-wow.lnk"));
    cleaner.Wow64 = 1;  // a 32-bit process on 64-bit Windows
    cleaner.ScanDesktopShortcuts(&results, &totals, nullptr);
    EXPECT_FALSE(Listed(cleaner.InvalidDesktopShortcuts, s.desktop + L"\\ufc-wow.lnk"));
    fx::RemoveTree(x86 + L"\\ufc-wow");
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

}  // namespace
