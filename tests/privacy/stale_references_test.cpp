// MUICache, App Paths, SharedDlls and the empty first-level Software keys:
// lists read within their buffers, and only the exact entry deleted.
#include <gtest/gtest.h>

#include "privacy_fixtures.h"

namespace {

const std::wstring kMuiCache = L"Software\\Microsoft\\Windows\\ShellNoRoam\\MUICache";
const std::wstring kAppPaths = L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths";
const std::wstring kSharedDlls = L"Software\\Microsoft\\Windows\\CurrentVersion\\SharedDlls";

TEST(StaleReferences, MuiCacheAndAppPathsMapNamesToTheirTexts) {
    fx::DeleteKey(HKEY_CURRENT_USER, kMuiCache);
    fx::SetString(HKEY_CURRENT_USER, kMuiCache, L"C:\\apps\\a.exe", L"App A");
    fx::SetString(HKEY_CURRENT_USER, kMuiCache, L"C:\\apps\\b.exe", L"B");
    CSystemClean cleaner;
    NameMap names = {{L"stale", L"entry"}};
    EXPECT_EQ(cleaner.ScanMuiCache(&names), 1);
    EXPECT_EQ(names, (NameMap{{L"C:\\apps\\a.exe", L"App A"},
                              {L"C:\\apps\\b.exe", L"B"}}));  // no tail of the longer text before
    EXPECT_EQ(cleaner.CleanMuiCache(L"C:\\apps\\a.exe"), 1);
    EXPECT_FALSE(fx::ValueExists(HKEY_CURRENT_USER, kMuiCache, L"C:\\apps\\a.exe"));
    EXPECT_EQ(cleaner.CleanMuiCache(L"C:\\apps\\a.exe"), 0);
    pv::ResetKey(HKEY_CURRENT_USER, kMuiCache);
    EXPECT_EQ(cleaner.ScanMuiCache(&names), 0);
    EXPECT_TRUE(names.empty());

    pv::ForceDeleteKey(HKEY_LOCAL_MACHINE, kAppPaths);
    fx::SetString(HKEY_LOCAL_MACHINE, kAppPaths + L"\\a.exe", L"", L"C:\\a\\a.exe");
    fx::SetString(HKEY_LOCAL_MACHINE, kAppPaths + L"\\b.exe", L"Path", L"C:\\b");  // no default
    fx::SetString(HKEY_LOCAL_MACHINE, kAppPaths + L"\\c.exe", L"", L"C:\\c\\c.exe");
    EXPECT_EQ(cleaner.ScanAppPaths(&names), 1);
    EXPECT_EQ(names, (NameMap{{L"a.exe", L"C:\\a\\a.exe"}, {L"c.exe", L"C:\\c\\c.exe"}}));
    // One unreadable entry fails the scan; what came before it stays.
    pv::ResetKey(HKEY_LOCAL_MACHINE, kAppPaths + L"\\b2-locked.exe");
    pv::SetKeyDacl(HKEY_LOCAL_MACHINE, kAppPaths + L"\\b2-locked.exe", {});
    EXPECT_EQ(cleaner.ScanAppPaths(&names), 0);
    EXPECT_EQ(names, (NameMap{{L"a.exe", L"C:\\a\\a.exe"}}));
    // Only the exact name is deleted.
    EXPECT_EQ(cleaner.CleanAppPaths(L"A.EXE"), 1);
    EXPECT_TRUE(fx::KeyExists(HKEY_LOCAL_MACHINE, kAppPaths + L"\\a.exe"));
    EXPECT_EQ(cleaner.CleanAppPaths(L"a.exe"), 1);
    EXPECT_FALSE(fx::KeyExists(HKEY_LOCAL_MACHINE, kAppPaths + L"\\a.exe"));
    EXPECT_TRUE(fx::KeyExists(HKEY_LOCAL_MACHINE, kAppPaths + L"\\b.exe"));
    pv::ResetKey(HKEY_LOCAL_MACHINE, kAppPaths);
    EXPECT_EQ(cleaner.CleanAppPaths(L"b.exe"), 0);
    EXPECT_EQ(cleaner.ScanAppPaths(&names), 0);
    pv::ForceDeleteKey(HKEY_LOCAL_MACHINE, kAppPaths);
}

TEST(StaleReferences, SharedDllsAndEmptySoftwareKeys) {
    fx::DeleteKey(HKEY_LOCAL_MACHINE, kSharedDlls);
    const std::wstring fits = L"C:\\" + std::wstring(251, L'd');  // 254 units
    fx::SetDword(HKEY_LOCAL_MACHINE, kSharedDlls, L"A-unused.dll", 0);
    fx::SetDword(HKEY_LOCAL_MACHINE, kSharedDlls, L"B-used.dll", 3);
    fx::SetBinary(HKEY_LOCAL_MACHINE, kSharedDlls, L"C-short.dll", {0, 0});  // not a whole count
    fx::SetDword(HKEY_LOCAL_MACHINE, kSharedDlls, fits, 0);
    CSystemClean cleaner;
    NameList names = {L"stale"};
    EXPECT_EQ(cleaner.ScanSharedDlls(&names, true), 1);
    EXPECT_EQ(names, (NameList{L"A-unused.dll", fits}));
    EXPECT_EQ(cleaner.ScanSharedDlls(&names, false), 1);
    EXPECT_EQ(names, (NameList{L"A-unused.dll", L"B-used.dll", L"C-short.dll", fits}));
    // 255 units do not fit the name buffer: the scan ends there, never cut.
    fx::SetDword(HKEY_LOCAL_MACHINE, kSharedDlls, L"D" + std::wstring(254, L'x'), 0);
    fx::SetDword(HKEY_LOCAL_MACHINE, kSharedDlls, L"E-late.dll", 0);
    EXPECT_EQ(cleaner.ScanSharedDlls(&names, true), 1);
    EXPECT_EQ(names, (NameList{L"A-unused.dll", fits}));
    EXPECT_EQ(cleaner.CleanSharedDlls(L"B-used.dll"), 1);
    EXPECT_FALSE(fx::ValueExists(HKEY_LOCAL_MACHINE, kSharedDlls, L"B-used.dll"));
    EXPECT_EQ(cleaner.CleanSharedDlls(L"B-used.dll"), 0);
    pv::ResetKey(HKEY_LOCAL_MACHINE, kSharedDlls);
    EXPECT_EQ(cleaner.ScanSharedDlls(&names, false), 0);
    EXPECT_TRUE(names.empty());
    fx::DeleteKey(HKEY_LOCAL_MACHINE, kSharedDlls);

    const std::wstring root = L"Software\\";
    pv::ResetKey(HKEY_LOCAL_MACHINE, root + L"ufc-empty");
    fx::SetDword(HKEY_LOCAL_MACHINE, root + L"ufc-value", L"v", 1);
    // A value too large for the read buffer is still a value.
    fx::SetBinary(HKEY_LOCAL_MACHINE, root + L"ufc-bigvalue", L"v", std::vector<BYTE>(4096, 1));
    pv::ResetKey(HKEY_LOCAL_MACHINE, root + L"ufc-subkey\\child");
    cleaner.ScanEmptySoftwareKeys(&names);
    cleaner.ScanEmptySoftwareKeys(&names);  // appended to
    NameList ours;
    for (const std::wstring& name : names)
        if (name.rfind(L"ufc-", 0) == 0) ours.push_back(name);
    EXPECT_EQ(ours, (NameList{L"ufc-empty", L"ufc-empty"}));
    for (const wchar_t* name : {L"ufc-empty", L"ufc-value", L"ufc-bigvalue", L"ufc-subkey"})
        fx::DeleteKey(HKEY_LOCAL_MACHINE, root + name);
}

}  // namespace
