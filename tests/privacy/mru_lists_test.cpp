// Typed addresses and Run-box commands, value by value from scan to removal,
// and the lists that are erased whole.
#include <gtest/gtest.h>

#include <shlobj.h>

#include "privacy_fixtures.h"

namespace {

using pv::kRunMru;
using pv::kTypedUrls;

// Categories 4 and 8 as a host drives them: every value an item, each step
// reported, the deselected value kept.
TEST(ValueLists, EveryValueIsAnItemAndOnlyTheSelectedGo) {
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
        EXPECT_EQ(cleaned.failed, 0u);
    }
}

TEST(TypedUrls, LongAndHostileDataIsCutInsideItsBuffersAndAStopEndsTheScan) {
    pv::ResetKey(HKEY_CURRENT_USER, kTypedUrls);
    const std::wstring address = L"http://long.example/" + std::wstring(280, L'a');
    fx::SetString(HKEY_CURRENT_USER, kTypedUrls, L"a-long", address);
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
    CSystemClean cleaner;
    ResultList results;
    ScanTotals totals;
    fx::Recorder recorder;
    EXPECT_EQ(cleaner.ScanTypedUrls(&results, &totals, &recorder), 1u);
    EXPECT_EQ(fx::Names(results),
              (std::vector<std::wstring>{kTypedUrls + L"\\a-long|" + address.substr(0, 259),
                                         kTypedUrls + L"\\b-full|" + std::wstring(259, L'\x4141'),
                                         kTypedUrls + L"\\d-dword|AB",
                                         kTypedUrls + L"\\" + longName + L"|fits"}));
    EXPECT_EQ(cleaner.ExpectedCount, 6u);
    // The unreadable value still moves the percentage on.
    EXPECT_EQ(recorder.Percents(), (std::vector<std::uint32_t>{16, 33, 66, 83, 100}));

    recorder.onReport = [&](const ProgressInfo&) { cleaner.StopFlag = 1; };
    ResultList stopped;
    EXPECT_EQ(cleaner.ScanTypedUrls(&stopped, &totals, &recorder), 2u);
    EXPECT_EQ(stopped.size(), 1u);
}

TEST(ValueLists, MissingAndEmptyKeysAndValuesTooLargeToRead) {
    CSystemClean cleaner;
    ResultList results;
    ScanTotals totals;
    fx::DeleteKey(HKEY_CURRENT_USER, kTypedUrls);
    fx::DeleteKey(HKEY_CURRENT_USER, kRunMru);
    cleaner.ExpectedCount = 77;
    EXPECT_EQ(cleaner.ScanTypedUrls(&results, &totals, nullptr), 0u);
    EXPECT_EQ(cleaner.ScanRunMru(&results, &totals, nullptr), 1u);
    CleanTotals cleaned{5, 2, 0};
    EXPECT_EQ(cleaner.CleanTypedUrls(&cleaned), 0);
    pv::ResetKey(HKEY_CURRENT_USER, kTypedUrls);
    pv::ResetKey(HKEY_CURRENT_USER, kRunMru);
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

    const std::wstring search = L"Software\\Microsoft\\Search Assistant\\ACMru";
    fx::SetString(HKEY_CURRENT_USER, search + L"\\5603", L"000", L"query");
    EXPECT_EQ(cleaner.CleanSearchAssistantMru(), ERROR_SUCCESS);
    EXPECT_EQ(cleaner.CleanSearchAssistantMru(), ERROR_FILE_NOT_FOUND);
    fx::SetString(HKEY_CURRENT_USER, pv::kIntelliForms + L"\\Storage1", L"v", L"x");
    EXPECT_EQ(cleaner.CleanIntelliForms(), ERROR_SUCCESS);
    EXPECT_NE(cleaner.CleanIntelliForms(), ERROR_SUCCESS);
    fx::SetString(HKEY_CURRENT_USER, pv::kIntelliForms + L"\\Storage2", L"v", L"x");
    EXPECT_TRUE(cleaner.DeleteIntelliForms());
    EXPECT_FALSE(cleaner.DeleteIntelliForms());
}

}  // namespace
