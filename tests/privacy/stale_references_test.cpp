// MUICache, App Paths, SharedDlls and the empty first-level Software keys.
#include <gtest/gtest.h>

#include "privacy_fixtures.h"

namespace {

const std::wstring kMuiCache = L"Software\\Microsoft\\Windows\\ShellNoRoam\\MUICache";
const std::wstring kAppPaths = L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths";
const std::wstring kSharedDlls = L"Software\\Microsoft\\Windows\\CurrentVersion\\SharedDlls";

void MakeEmptyKey(HKEY root, const std::wstring& key) {
    ufc::unique_hkey open;
    ASSERT_EQ(RegCreateKeyW(root, key.c_str(), open.put()), ERROR_SUCCESS);
}

TEST(MuiCache, MapsEveryValueNameToItsText) {
    fx::DeleteKey(HKEY_CURRENT_USER, kMuiCache);
    fx::SetString(HKEY_CURRENT_USER, kMuiCache, L"C:\\apps\\a.exe", L"App A");
    fx::SetString(HKEY_CURRENT_USER, kMuiCache, L"C:\\apps\\b.exe", L"B");
    // Fills the 1024-byte buffer with no terminator.
    fx::SetBinary(HKEY_CURRENT_USER, kMuiCache, L"C:\\apps\\c.exe", std::vector<BYTE>(1024, 0x43));
    CSystemClean cleaner;
    NameMap names = {{L"stale", L"entry"}};

    EXPECT_EQ(cleaner.ScanMuiCache(&names), 1);

    ASSERT_EQ(names.size(), 3u);
    EXPECT_EQ(names[L"C:\\apps\\a.exe"], L"App A");
    EXPECT_EQ(names[L"C:\\apps\\b.exe"], L"B");  // no tail left by the longer text before
    EXPECT_EQ(names[L"C:\\apps\\c.exe"], std::wstring(512, L'\x4343'));

    EXPECT_EQ(cleaner.CleanMuiCache(L"C:\\apps\\a.exe"), 1);
    EXPECT_FALSE(fx::ValueExists(HKEY_CURRENT_USER, kMuiCache, L"C:\\apps\\a.exe"));
    EXPECT_EQ(cleaner.CleanMuiCache(L"C:\\apps\\a.exe"), 0);

    fx::DeleteKey(HKEY_CURRENT_USER, kMuiCache);
    MakeEmptyKey(HKEY_CURRENT_USER, kMuiCache);
    EXPECT_EQ(cleaner.ScanMuiCache(&names), 0);
    EXPECT_TRUE(names.empty());
    fx::DeleteKey(HKEY_CURRENT_USER, kMuiCache);
    EXPECT_EQ(cleaner.ScanMuiCache(&names), 0);
}

class AppPaths : public ::testing::Test {
protected:
    void SetUp() override {
        pv::ForceDeleteKey(HKEY_LOCAL_MACHINE, kAppPaths);
        fx::SetString(HKEY_LOCAL_MACHINE, kAppPaths + L"\\a.exe", L"", L"C:\\a\\a.exe");
        fx::SetString(HKEY_LOCAL_MACHINE, kAppPaths + L"\\b.exe", L"Path", L"C:\\b");
        fx::SetString(HKEY_LOCAL_MACHINE, kAppPaths + L"\\c.exe", L"", L"C:\\c\\c.exe");
    }
    void TearDown() override { pv::ForceDeleteKey(HKEY_LOCAL_MACHINE, kAppPaths); }
    CSystemClean cleaner_;
    NameMap names_ = {{L"stale", L"entry"}};
};

TEST_F(AppPaths, MapsEachProgramToItsDefaultValue) {
    EXPECT_EQ(cleaner_.ScanAppPaths(&names_), 1);
    EXPECT_EQ(names_, (NameMap{{L"a.exe", L"C:\\a\\a.exe"}, {L"c.exe", L"C:\\c\\c.exe"}}));
}

TEST_F(AppPaths, OneUnreadableEntryFailsTheWholeScan) {
    MakeEmptyKey(HKEY_LOCAL_MACHINE, kAppPaths + L"\\b2-locked.exe");
    pv::SetKeyDacl(HKEY_LOCAL_MACHINE, kAppPaths + L"\\b2-locked.exe", {});
    EXPECT_EQ(cleaner_.ScanAppPaths(&names_), 0);
    // What was read before the locked entry stays.
    EXPECT_EQ(names_, (NameMap{{L"a.exe", L"C:\\a\\a.exe"}}));
}

TEST_F(AppPaths, CleanDeletesOnlyTheExactName) {
    EXPECT_EQ(cleaner_.CleanAppPaths(L"A.EXE"), 1);
    EXPECT_EQ(cleaner_.CleanAppPaths(L"none.exe"), 1);
    EXPECT_TRUE(fx::KeyExists(HKEY_LOCAL_MACHINE, kAppPaths + L"\\a.exe"));
    EXPECT_EQ(cleaner_.CleanAppPaths(L"a.exe"), 1);
    EXPECT_FALSE(fx::KeyExists(HKEY_LOCAL_MACHINE, kAppPaths + L"\\a.exe"));
    EXPECT_TRUE(fx::KeyExists(HKEY_LOCAL_MACHINE, kAppPaths + L"\\b.exe"));

    pv::ForceDeleteKey(HKEY_LOCAL_MACHINE, kAppPaths);
    MakeEmptyKey(HKEY_LOCAL_MACHINE, kAppPaths);
    EXPECT_EQ(cleaner_.CleanAppPaths(L"b.exe"), 0);
    EXPECT_EQ(cleaner_.ScanAppPaths(&names_), 0);
}

TEST(SharedDlls, FilterKeepsUnusedLibrariesAndALongNameEndsTheScan) {
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

    // 255 units do not fit the name buffer: the scan ends there with 1.
    fx::SetDword(HKEY_LOCAL_MACHINE, kSharedDlls, L"D" + std::wstring(254, L'x'), 0);
    fx::SetDword(HKEY_LOCAL_MACHINE, kSharedDlls, L"E-late.dll", 0);
    EXPECT_EQ(cleaner.ScanSharedDlls(&names, true), 1);
    EXPECT_EQ(names, (NameList{L"A-unused.dll", fits}));

    EXPECT_EQ(cleaner.CleanSharedDlls(L"B-used.dll"), 1);
    EXPECT_FALSE(fx::ValueExists(HKEY_LOCAL_MACHINE, kSharedDlls, L"B-used.dll"));
    EXPECT_EQ(cleaner.CleanSharedDlls(L"B-used.dll"), 0);

    fx::DeleteKey(HKEY_LOCAL_MACHINE, kSharedDlls);
    MakeEmptyKey(HKEY_LOCAL_MACHINE, kSharedDlls);
    EXPECT_EQ(cleaner.ScanSharedDlls(&names, false), 0);
    EXPECT_TRUE(names.empty());
    fx::DeleteKey(HKEY_LOCAL_MACHINE, kSharedDlls);
}

TEST(EmptySoftwareKeys, ListsOnlyKeysWithNeitherSubkeysNorValues) {
    const std::wstring root = L"Software\\";
    for (const wchar_t* name : {L"ufc-empty", L"ufc-value", L"ufc-bigvalue", L"ufc-subkey"})
        fx::DeleteKey(HKEY_LOCAL_MACHINE, root + name);
    MakeEmptyKey(HKEY_LOCAL_MACHINE, root + L"ufc-empty");
    fx::SetDword(HKEY_LOCAL_MACHINE, root + L"ufc-value", L"v", 1);
    // A value too large for the read buffer is still a value.
    fx::SetBinary(HKEY_LOCAL_MACHINE, root + L"ufc-bigvalue", L"v", std::vector<BYTE>(4096, 1));
    MakeEmptyKey(HKEY_LOCAL_MACHINE, root + L"ufc-subkey\\child");
    CSystemClean cleaner;
    NameList names;

    cleaner.ScanEmptySoftwareKeys(&names);
    cleaner.ScanEmptySoftwareKeys(&names);

    NameList ours;
    for (const std::wstring& name : names)
        if (name.rfind(L"ufc-", 0) == 0) ours.push_back(name);
    EXPECT_EQ(ours, (NameList{L"ufc-empty", L"ufc-empty"}));
    for (const wchar_t* name : {L"ufc-empty", L"ufc-value", L"ufc-bigvalue", L"ufc-subkey"})
        fx::DeleteKey(HKEY_LOCAL_MACHINE, root + name);
}

}  // namespace
