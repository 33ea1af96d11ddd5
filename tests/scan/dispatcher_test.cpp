// The category dispatcher and the browser-store scans on real folders of the
// prefix.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <set>

#include "fixtures/scan_test.h"

namespace {

// Each folder category on files of its own: what it takes and what it
// passes over, wherever in the prefix the category looks.
using Dispatcher = fx::ScanTest;

TEST_F(Dispatcher, EachCategoryTakesItsOwnFilesOnlyAndInternetFilesDropDesktopIni) {
    const std::wstring windows = fx::Special(CSIDL_WINDOWS),
                       cache = fx::Special(CSIDL_INTERNET_CACHE);
    const std::wstring cookies = fx::Special(CSIDL_COOKIES), history = fx::Special(CSIDL_HISTORY);
    const std::wstring recent = fx::Special(CSIDL_RECENT), local = fx::Special(CSIDL_LOCAL_APPDATA);
    const std::wstring chrome = local + L"\\Google\\Chrome\\User Data\\Default",
                       firefox = local + L"\\Mozilla\\Firefox\\Profiles";
    const struct {
        int category;
        std::vector<std::wstring> taken, passed;
    } rows[] = {
        {2, {cookies + L"\\ufc-c.txt", cookies + L"\\ufc-sub\\ufc-d.bin"}, {}},
        {3,
         {history + L"\\ufc-sub\\ufc-h.dat", chrome + L"\\ufc-History"},
         {history + L"\\ufc-h.txt", chrome + L"\\Cache\\ufc-deep.bin"}},
        {6,
         {cache + L"\\Content.IE5\\ufc-index.dat", cache + L"\\Content.IE5\\ufc-sub\\ufc-x.DAT"},
         {cache + L"\\Content.IE5\\ufc-keep.txt"}},
        {7, {recent + L"\\ufc-r.lnk", recent + L"\\ufc-sub\\ufc-s.lnk"}, {}},
        {10,
         {windows + L"\\ufc-scan.dmp", windows + L"\\MiniDump\\ufc-mini.DMP"},
         {windows + L"\\ufc-scan.txt", windows + L"\\MiniDump\\ufc-deeper\\ufc-deep.dmp"}},
        {12,
         {windows + L"\\ufc-logs\\deep\\ufc-setup.LOG", windows + L"\\ufc-logs\\ufc-old.lo_"},
         {windows + L"\\ufc-logs\\ufc-setup.bin"}},
        {20,
         {firefox + L"\\ufc-second\\cache\\sub\\ufc-yes.bin",
          firefox + L"\\ufc-second\\cache\\ufc-yes2.bin"},
         {firefox + L"\\ufc-first\\other\\ufc-no.bin"}},
        {23,
         {windows + L"\\$NtUninstallKBufc$\\ufc-a.dll",
          windows + L"\\$NtUninstallKBufc$\\sp\\ufc-b.dll"},
         {windows + L"\\$ntuninstallKBufc2$\\ufc-c.dll"}},  // the marker's case counts
    };
    for (const auto& row : rows) {
        for (const auto* files : {&row.taken, &row.passed})
            for (const std::wstring& file : *files) fx::MakeFile(file, 2);
        CSystemClean cleaner;
        ResultList results;
        ScanTotals totals;
        fx::Recorder recorder;
        EXPECT_EQ(cleaner.GetUnusedFile(row.category, &results, &totals, &recorder), 1u);
        for (const std::wstring& file : row.taken) {
            const FoundItem* item = fx::FindByName(results, fx::NameOf(file));
            ASSERT_NE(item, nullptr) << row.category << " " << fx::Narrow(file);
            EXPECT_EQ(item->category, static_cast<std::uint32_t>(row.category));
        }
        for (const std::wstring& file : row.passed)
            EXPECT_EQ(fx::FindByName(results, fx::NameOf(file)), nullptr)
                << row.category << " " << fx::Narrow(file);
        for (const auto* files : {&row.taken, &row.passed})
            for (const std::wstring& file : *files) fx::RemoveTree(file);
    }
    fx::RemoveTree(windows + L"\\$NtUninstallKBufc$");
    fx::RemoveTree(windows + L"\\$ntuninstallKBufc2$");

    // Internet files drop desktop.ini from the whole list, once they found any.
    for (const std::wstring& folder : {cache, firefox, chrome + L"\\Cache"}) {
        fx::MakeDirs(folder);
        fx::EmptyFolder(folder);
    }
    for (const wchar_t* name : {L"desktop.ini", L"DESKTOP.ini", L"Desktop.ini", L"earlier.txt"})
        results.push_back(fx::Item(kCategoryCookies, L"C:\\earlier", name));
    // Nothing to count: the list is left as it was.
    EXPECT_EQ(cleaner.GetUnusedFile(1, &results, &totals, nullptr), 1u);
    EXPECT_EQ(results.size(), 4u);

    fx::MakeFile(cache + L"\\a.txt", 3);
    fx::MakeFile(cache + L"\\desktop.ini", 1);
    fx::MakeFile(cache + L"\\sub\\Desktop.INI", 1);
    fx::MakeFile(firefox + L"\\p1.default\\cache\\ff.bin", 4);
    fx::MakeFile(chrome + L"\\Cache\\c.bin", 5);
    EXPECT_EQ(cleaner.GetUnusedFile(1, &results, &totals, &recorder), 1u);
    std::multiset<std::wstring> names;
    for (const auto& item : results) names.insert(item.name);
    EXPECT_EQ(names, (std::multiset<std::wstring>{L"Desktop.INI", L"a.txt", L"c.bin",
                                                  L"earlier.txt", L"ff.bin"}));
    // The internet cache's items carry 1; the Firefox caches set 20, which
    // the Chrome cache scanned after them keeps.
    EXPECT_EQ(fx::FindByName(results, L"a.txt")->category, 1u);
    EXPECT_EQ(fx::FindByName(results, L"c.bin")->category, 20u);
    EXPECT_EQ(totals.count, 5u) << "removed desktop.ini items stay counted";
    EXPECT_EQ(recorder.reports.size(), 5u);
    EXPECT_EQ(cleaner.LogHandle, -1);
}

// One item per profile that holds the store (a held one with size 0); the
// step grows only after a profile gave an item; a stop ends the scan.
TEST(FirefoxStores, OneItemPerProfileHoldingTheStore) {
    const struct {
        int category;
        const wchar_t* file;
    } rows[] = {{18, L"cookies.sqlite"}, {19, L"downloads.sqlite"}, {22, L"formhistory.sqlite"}};
    for (const auto& row : rows) {
        const std::wstring profiles = fx::Special(CSIDL_APPDATA) + L"\\Mozilla\\Firefox\\Profiles";
        fx::RemoveTree(profiles);
        fx::MakeFile(profiles + L"\\abc.default\\" + row.file, 12);
        fx::MakeFile(profiles + L"\\.trash\\" + row.file, 1);  // no profile
        fx::MakeDirs(profiles + L"\\backup");                  // a profile without the store
        auto held = fx::HoldOpen(profiles + L"\\abc.default\\" + row.file);
        CSystemClean cleaner;
        cleaner.CurrentCategory = 3;
        ResultList results;
        ScanTotals totals;
        fx::Recorder recorder;
        EXPECT_EQ(cleaner.GetUnusedFile(row.category, &results, &totals, &recorder), 1u);
        ASSERT_EQ(recorder.reports.size(), 2u);
        const bool storeFirst = recorder.reports[0].path == std::wstring(L"abc.default");
        EXPECT_EQ(recorder.Percents(), (std::vector<std::uint32_t>{50, storeFirst ? 100u : 50u}));
        EXPECT_EQ(recorder.reports[1].count, storeFirst ? 1u : 0u);
        ASSERT_EQ(results.size(), 1u);
        EXPECT_EQ(fx::Names(results).front(), profiles + L"\\abc.default|" + row.file);
        EXPECT_EQ(results.front().category, static_cast<std::uint32_t>(row.category));
        EXPECT_EQ(results.front().size, 0u) << "held open";
        EXPECT_NE(results.front().written.wYear, 0);
        EXPECT_EQ(totals.count, 1u);
        EXPECT_EQ(cleaner.CurrentCategory, 3u) << "the store scans leave the cleaner's state";
        recorder.onReport = [&](const ProgressInfo&) { cleaner.StopFlag = 1; };
        EXPECT_EQ(cleaner.GetUnusedFile(row.category, &results, &totals, &recorder), 2u);
    }
}

}  // namespace
