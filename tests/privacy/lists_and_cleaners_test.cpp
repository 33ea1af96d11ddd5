// Typed addresses and Run-box commands, value by value from scan to removal,
// the lists that are erased whole, and the stale references (MUICache, App
// Paths, SharedDlls, the empty first-level Software keys): lists read within
// their buffers, and only the exact entry deleted; single files, the
// collected-path lists, the Windows temporary folder, the update download
// cache.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <functional>

#include "privacy_fixtures.h"

namespace {

const std::wstring kTypedUrls = L"Software\\Microsoft\\Internet Explorer\\TypedURLs";
const std::wstring kRunMru = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RunMRU";

// Categories 4 and 8 as a host drives them: every value an item, each step
// reported, the deselected value kept.
using ValueLists = fx::ScanTest;

TEST_F(ValueLists, EveryValueIsAnItemAndOnlyTheSelectedGo) {
    for (const auto& [category, key] :
         {std::make_pair(4, kTypedUrls), std::make_pair(8, kRunMru)}) {
        pv::ResetKey(HKEY_CURRENT_USER, key);
        for (const wchar_t* name : {L"a", L"b", L"MRUList"})
            fx::SetString(HKEY_CURRENT_USER, key, name, name);
        CSystemClean cleaner;
        cleaner.ExaminedCount = 40;  // the count reported is the cleaner's running one
        ResultList results;
        ScanTotals totals{7, 0};
        fx::Recorder recorder;
        EXPECT_EQ(cleaner.GetUnusedFile(category, &results, &totals, &recorder), 1u);
        EXPECT_EQ(recorder.Percents(), (std::vector<std::uint32_t>{33, 66, 100}));
        EXPECT_EQ(fx::Names(results), (std::vector<std::wstring>{key + L"\\a|a", key + L"\\b|b",
                                                                 key + L"\\MRUList|MRUList"}));
        for (std::uint32_t i = 0; i < 3; ++i) {
            EXPECT_EQ(recorder.reports[i].count, i);  // started afresh by the dispatcher
            EXPECT_EQ(recorder.reports[i].category, static_cast<std::uint32_t>(category));
        }
        EXPECT_EQ(results.front().category, static_cast<std::uint32_t>(category));
        EXPECT_EQ(totals.count, 3u);
        EXPECT_EQ(totals.bytes, 7u);
        EXPECT_EQ(cleaner.ExpectedCount, 3u);
        results.back().selected = 0;  // the user keeps the last
        CleanTotals cleaned;
        EXPECT_EQ(cleaner.CleanUnusedFile(category, results, &cleaned, nullptr), 1u);
        EXPECT_FALSE(fx::ValueExists(HKEY_CURRENT_USER, key, L"a"));
        EXPECT_FALSE(fx::ValueExists(HKEY_CURRENT_USER, key, L"b"));
        EXPECT_TRUE(fx::ValueExists(HKEY_CURRENT_USER, key, L"MRUList"));
        EXPECT_EQ(cleaned.removed, 2u);
    }
}

using TypedUrls = fx::ScanTest;

TEST_F(TypedUrls, LongAndHostileDataIsCutInsideItsBuffersAndAStopEndsTheScan) {
    pv::ResetKey(HKEY_CURRENT_USER, kTypedUrls);
    // Exactly fills the 2048-byte buffer, no terminator anywhere.
    fx::SetBinary(HKEY_CURRENT_USER, kTypedUrls, L"b-full", std::vector<BYTE>(2048, 0x41));
    // One byte more than the buffer: cannot be read, skipped.
    fx::SetBinary(HKEY_CURRENT_USER, kTypedUrls, L"c-over", std::vector<BYTE>(2049, 0x41));
    fx::SetDword(HKEY_CURRENT_USER, kTypedUrls, L"d-dword", 0x00420041);
    // Key path + name does not fit the folder field: never cut into the
    // name of another value.
    const std::wstring longName = std::wstring(259 - kTypedUrls.size() - 1, L'e');
    fx::SetString(HKEY_CURRENT_USER, kTypedUrls, longName, L"fits");
    fx::SetString(HKEY_CURRENT_USER, kTypedUrls, longName + L"f", L"long name");
    EXPECT_EQ(cleaner.ScanTypedUrls(&results, &totals, &recorder), 1u);
    EXPECT_EQ(fx::Names(results),
              (std::vector<std::wstring>{kTypedUrls + L"\\b-full|" + std::wstring(259, L'\x4141'),
                                         kTypedUrls + L"\\d-dword|AB",
                                         kTypedUrls + L"\\" + longName + L"|fits"}));
    EXPECT_EQ(cleaner.ExpectedCount, 5u);
    // The unreadable value still moves the percentage on.
    EXPECT_EQ(recorder.Percents(), (std::vector<std::uint32_t>{20, 60, 80, 100}));

    recorder.onReport = [&](const ProgressInfo&) { cleaner.StopFlag = 1; };
    ResultList stopped;
    EXPECT_EQ(cleaner.ScanTypedUrls(&stopped, &totals, &recorder), 2u);
    EXPECT_EQ(stopped.size(), 1u);
}

TEST_F(ValueLists, MissingAndEmptyKeysAndValuesTooLargeToRead) {
    for (const std::wstring& key : {kTypedUrls, kRunMru}) fx::DeleteKey(HKEY_CURRENT_USER, key);
    cleaner.ExpectedCount = 77;
    EXPECT_EQ(cleaner.ScanTypedUrls(&results, &totals, nullptr), 0u);
    EXPECT_EQ(cleaner.ScanRunMru(&results, &totals, nullptr), 1u);
    CleanTotals cleaned{5, 2, 0};
    EXPECT_EQ(cleaner.CleanTypedUrls(&cleaned), 0);
    for (const std::wstring& key : {kTypedUrls, kRunMru}) pv::ResetKey(HKEY_CURRENT_USER, key);
    EXPECT_EQ(cleaner.ScanTypedUrls(&results, &totals, nullptr), 1u);
    EXPECT_EQ(cleaner.ExpectedCount, 77u);  // the typed-address scan leaves it
    EXPECT_EQ(cleaner.ScanRunMru(&results, &totals, nullptr), 1u);
    EXPECT_EQ(cleaner.ExpectedCount, 0u);
    EXPECT_TRUE(results.empty());

    // The whole-list clean deletes from index 0 until a value cannot be read.
    fx::SetString(HKEY_CURRENT_USER, kRunMru, L"a", L"first");
    fx::SetString(HKEY_CURRENT_USER, kRunMru, L"b", std::wstring(700, L'b'));  // > 1024 bytes
    fx::SetString(HKEY_CURRENT_USER, kRunMru, L"c", L"after the blocker");
    EXPECT_EQ(cleaner.CleanRunMru(&cleaned), 1);
    EXPECT_FALSE(fx::ValueExists(HKEY_CURRENT_USER, kRunMru, L"a"));
    EXPECT_TRUE(fx::ValueExists(HKEY_CURRENT_USER, kRunMru, L"c"));
    for (const wchar_t* name : {L"url1", L"url2"})
        fx::SetString(HKEY_CURRENT_USER, kTypedUrls, name, L"x");
    EXPECT_EQ(cleaner.CleanTypedUrls(&cleaned), 1);
    EXPECT_FALSE(fx::ValueExists(HKEY_CURRENT_USER, kTypedUrls, L"url2"));
    EXPECT_EQ(cleaned.removed, 8u);
    EXPECT_EQ(cleaned.failed, 2u);
}

TEST(WholeLists, RecentDocumentsOfficeRecentAndTheKeysGo) {
    const std::wstring explorer = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";
    const std::vector<std::wstring> keys = {explorer + L"RecentDocs",
                                            explorer + L"ComDlg32\\LastVisitedMRU",
                                            explorer + L"ComDlg32\\OpenSaveMRU"};
    for (const std::wstring& key : keys)
        fx::SetString(HKEY_CURRENT_USER, key + L"\\sub", L"v", L"x");
    const std::wstring recent = fx::Special(CSIDL_RECENT);
    const std::wstring office = fx::Special(CSIDL_APPDATA) + L"\\Microsoft\\Office\\Recent";
    for (const std::wstring& file :
         {recent + L"\\ufc-doc.lnk", recent + L"\\ufc-sub\\more.lnk", office + L"\\report.doc.lnk",
          office + L"\\nested\\old.xls.lnk"})
        fx::MakeFile(file, 10);
    CSystemClean cleaner;
    cleaner.CleanRecentDocuments();
    cleaner.CleanOfficeRecent();
    for (const std::wstring& key : keys) EXPECT_FALSE(fx::KeyExists(HKEY_CURRENT_USER, key));
    for (const std::wstring& folder : {recent, office}) EXPECT_TRUE(fx::Exists(folder));
    for (const std::wstring& gone : {recent + L"\\ufc-doc.lnk", recent + L"\\ufc-sub",
                                     office + L"\\report.doc.lnk", office + L"\\nested"})
        EXPECT_FALSE(fx::Exists(gone)) << fx::Narrow(gone);

    fx::SetString(HKEY_CURRENT_USER, pv::kIntelliForms + L"\\Storage1", L"v", L"x");
    EXPECT_EQ(cleaner.CleanIntelliForms(), ERROR_SUCCESS);
    EXPECT_NE(cleaner.CleanIntelliForms(), ERROR_SUCCESS);
}

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
    ASSERT_TRUE(pv::SetKeyDacl(HKEY_LOCAL_MACHINE, kAppPaths + L"\\b2-locked.exe", L"D:"));
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
}

TEST(SmallCleaners, DeleteListedFilesOnlyAndEmptyTheirFoldersKeepingThem) {
    const std::wstring folder = fx::Scratch(L"listed");
    CSystemClean cleaner;
    // One file, then each list of collected paths: read-only files go, a
    // path gone already is no fault, a file not listed stays.
    fx::MakeFile(folder + L"\\one.txt", 10);
    SetFileAttributesW((folder + L"\\one.txt").c_str(),
                       FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    EXPECT_TRUE(cleaner.DeleteOneFile(folder + L"\\one.txt"));
    EXPECT_FALSE(cleaner.DeleteOneFile(folder + L"\\one.txt"));
    EXPECT_FALSE(cleaner.DeleteOneFile(L""));
    const struct {
        PathList* list;
        std::function<bool()> remove;
    } lists[] = {
        {&cleaner.InvalidDesktopShortcuts, [&] { return cleaner.DeleteListedDesktopShortcuts(); }},
        {&cleaner.InvalidStartMenuShortcuts,
         [&] { return cleaner.DeleteListedStartMenuShortcuts(); }},
        {&cleaner.DumpFileList, [&] { return cleaner.DeleteListedDumpFiles(), true; }}};
    for (const auto& row : lists) {
        *row.list = {folder + L"\\a.lnk", folder + L"\\ro.lnk", folder + L"\\gone.lnk"};
        for (const wchar_t* name : {L"\\a.lnk", L"\\ro.lnk", L"\\unlisted.lnk"})
            fx::MakeFile(folder + name, 1);
        SetFileAttributesW((folder + L"\\ro.lnk").c_str(), FILE_ATTRIBUTE_READONLY);
        for (int run = 0; run < 2; ++run) EXPECT_TRUE(row.remove());  // the second finds nothing
        EXPECT_FALSE(fx::Exists(folder + L"\\a.lnk"));
        EXPECT_FALSE(fx::Exists(folder + L"\\ro.lnk"));
        EXPECT_TRUE(fx::Exists(folder + L"\\unlisted.lnk"));
        EXPECT_EQ(row.list->size(), 3u);
    }

    // Windows\Temp and the update cache are emptied and kept; a dot-folder
    // stays. (What a link in them leads to: HostileTree's one-step cleaners.)
    const std::wstring temp = fx::Special(CSIDL_WINDOWS) + L"\\Temp";
    const std::wstring cache = fx::Special(CSIDL_WINDOWS) + L"\\SoftwareDistribution\\Download";
    for (const std::wstring& file :
         {temp + L"\\ufc-junk.tmp", temp + L"\\ufc-sub\\deeper\\x.tmp",
          temp + L"\\.ufc-dot\\keep.me", cache + L"\\a1b2\\update.cab", cache + L"\\loose.bin"})
        fx::MakeFile(file, 10);
    cleaner.CleanWindowsTemp();
    EXPECT_EQ(cleaner.CleanUpdateDownloads(), 1);
    for (const std::wstring& kept : {temp, cache, temp + L"\\.ufc-dot\\keep.me"})
        EXPECT_TRUE(fx::Exists(kept));
    for (const std::wstring& gone :
         {temp + L"\\ufc-junk.tmp", temp + L"\\ufc-sub", cache + L"\\a1b2", cache + L"\\loose.bin"})
        EXPECT_FALSE(fx::Exists(gone)) << fx::Narrow(gone);
    fx::RemoveTree(temp + L"\\.ufc-dot");
}

}  // namespace
