// Typed addresses, Run-box commands and the lists that are erased whole.
#include <gtest/gtest.h>

#include <shlobj.h>

#include "privacy_fixtures.h"

namespace {

using pv::kRunMru;
using pv::kTypedUrls;

void ResetKey(const std::wstring& key) {
    fx::DeleteKey(HKEY_CURRENT_USER, key);
    fx::SetString(HKEY_CURRENT_USER, key, L"ufc-probe", L"x");
    ufc::unique_hkey open;
    RegOpenKeyW(HKEY_CURRENT_USER, key.c_str(), open.put());
    RegDeleteValueW(open.get(), L"ufc-probe");
}

std::vector<BYTE> Bytes(std::size_t count, BYTE fill) {
    return std::vector<BYTE>(count, fill);
}

TEST(TypedUrls, ThreeAddressesReportEachStepAndBecomeItems) {
    ResetKey(kTypedUrls);
    fx::SetString(HKEY_CURRENT_USER, kTypedUrls, L"url1", L"http://one.example/");
    fx::SetString(HKEY_CURRENT_USER, kTypedUrls, L"url2", L"http://two.example/");
    fx::SetString(HKEY_CURRENT_USER, kTypedUrls, L"url3", L"http://three.example/");
    CSystemClean cleaner;
    cleaner.ExaminedCount = 40;  // the count reported is the cleaner's running one
    ResultList results;
    ScanTotals totals;
    totals.bytes = 7;
    fx::Recorder recorder;

    EXPECT_EQ(cleaner.ScanTypedUrls(&results, &totals, &recorder), 1u);

    EXPECT_EQ(recorder.Percents(), (std::vector<std::uint32_t>{33, 66, 100}));
    ASSERT_EQ(recorder.reports.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(recorder.reports[i].category, 4u);
        EXPECT_EQ(recorder.reports[i].count, 40u + i);
    }
    EXPECT_EQ(fx::Names(results),
              (std::vector<std::wstring>{kTypedUrls + L"\\url1|http://one.example/",
                                         kTypedUrls + L"\\url2|http://two.example/",
                                         kTypedUrls + L"\\url3|http://three.example/"}));
    for (const FoundItem& item : results) {
        EXPECT_EQ(item.category, 4u);
        EXPECT_EQ(item.selected, 1u);
        EXPECT_EQ(item.size, 0u);
    }
    EXPECT_EQ(totals.count, 3u);
    EXPECT_EQ(totals.bytes, 7u);
    EXPECT_EQ(cleaner.ExpectedCount, 3u);
    EXPECT_EQ(cleaner.ExaminedCount, 43u);
    EXPECT_EQ(cleaner.FoundCount, 0u);
}

TEST(TypedUrls, LongAndHostileDataIsCutInsideItsBuffers) {
    ResetKey(kTypedUrls);
    std::wstring address = L"http://long.example/" + std::wstring(280, L'a');
    ASSERT_EQ(address.size(), 300u);
    fx::SetString(HKEY_CURRENT_USER, kTypedUrls, L"a-long", address);
    // Exactly fills the 2048-byte buffer, no terminator anywhere.
    fx::SetBinary(HKEY_CURRENT_USER, kTypedUrls, L"b-full", Bytes(2048, 0x41));
    // One byte more than the buffer: cannot be read, skipped.
    fx::SetBinary(HKEY_CURRENT_USER, kTypedUrls, L"c-over", Bytes(2049, 0x41));
    fx::SetDword(HKEY_CURRENT_USER, kTypedUrls, L"d-dword", 0x00420041);
    // A name so long that key path + name does not fit the folder field:
    // never cut into the name of another value.
    fx::SetString(HKEY_CURRENT_USER, kTypedUrls, std::wstring(600, L'e'), L"long name");
    CSystemClean cleaner;
    ResultList results;
    ScanTotals totals;
    fx::Recorder recorder;

    EXPECT_EQ(cleaner.ScanTypedUrls(&results, &totals, &recorder), 1u);

    ASSERT_EQ(results.size(), 3u);
    auto item = results.begin();
    EXPECT_EQ(std::wstring(item->name), address.substr(0, 259));
    ++item;
    EXPECT_EQ(std::wstring(item->name), std::wstring(259, L'\x4141'));
    EXPECT_EQ(std::wstring(item->folder), kTypedUrls + L"\\b-full");
    ++item;
    EXPECT_EQ(std::wstring(item->name), L"AB");
    EXPECT_EQ(totals.count, 3u);
    EXPECT_EQ(cleaner.ExpectedCount, 5u);
    // The unreadable value still moves the percentage on.
    EXPECT_EQ(recorder.Percents(), (std::vector<std::uint32_t>{20, 40, 80, 100}));
}

TEST(TypedUrls, StopFlagEndsTheScanBeforeTheNextValue) {
    ResetKey(kTypedUrls);
    for (const wchar_t* name : {L"url1", L"url2", L"url3"})
        fx::SetString(HKEY_CURRENT_USER, kTypedUrls, name, L"http://x.example/");
    CSystemClean cleaner;
    ResultList results;
    ScanTotals totals;
    fx::Recorder recorder;
    recorder.onReport = [&](const ProgressInfo&) { cleaner.StopFlag = 1; };

    EXPECT_EQ(cleaner.ScanTypedUrls(&results, &totals, &recorder), 2u);
    EXPECT_EQ(results.size(), 1u);
}

TEST(ValueScans, MissingAndEmptyKeysGiveTheirOwnResults) {
    CSystemClean cleaner;
    ResultList results;
    ScanTotals totals;
    fx::DeleteKey(HKEY_CURRENT_USER, kTypedUrls);
    fx::DeleteKey(HKEY_CURRENT_USER, kRunMru);
    cleaner.ExpectedCount = 77;
    EXPECT_EQ(cleaner.ScanTypedUrls(&results, &totals, nullptr), 0u);
    EXPECT_EQ(cleaner.ScanRunMru(&results, &totals, nullptr), 1u);
    EXPECT_EQ(cleaner.ExpectedCount, 77u);

    ResetKey(kTypedUrls);
    ResetKey(kRunMru);
    EXPECT_EQ(cleaner.ScanTypedUrls(&results, &totals, nullptr), 1u);
    EXPECT_EQ(cleaner.ExpectedCount, 77u);  // the typed-address scan leaves it
    EXPECT_EQ(cleaner.ScanRunMru(&results, &totals, nullptr), 1u);
    EXPECT_EQ(cleaner.ExpectedCount, 0u);
    EXPECT_TRUE(results.empty());
    EXPECT_EQ(totals.count, 0u);
}

TEST(RunMru, ReadsCommandsIntoItsSmallerBuffer) {
    ResetKey(kRunMru);
    fx::SetString(HKEY_CURRENT_USER, kRunMru, L"a", L"notepad\\1");
    fx::SetString(HKEY_CURRENT_USER, kRunMru, L"b", std::wstring(600, L'c'));  // 1202 bytes
    fx::SetString(HKEY_CURRENT_USER, kRunMru, L"MRUList", L"ab");
    CSystemClean cleaner;
    ResultList results;
    ScanTotals totals;
    fx::Recorder recorder;

    EXPECT_EQ(cleaner.ScanRunMru(&results, &totals, &recorder), 1u);

    // The order record is reported like every other value.
    EXPECT_EQ(fx::Names(results),
              (std::vector<std::wstring>{kRunMru + L"\\a|notepad\\1", kRunMru + L"\\MRUList|ab"}));
    for (const ProgressInfo& report : recorder.reports) EXPECT_EQ(report.category, 8u);
    EXPECT_EQ(results.front().category, 8u);
}

TEST(ValueCleans, DeleteFromIndexZeroUntilAValueCannotBeRead) {
    ResetKey(kRunMru);
    fx::SetString(HKEY_CURRENT_USER, kRunMru, L"a", L"first");
    fx::SetString(HKEY_CURRENT_USER, kRunMru, L"b", std::wstring(700, L'b'));  // > 1024 bytes
    fx::SetString(HKEY_CURRENT_USER, kRunMru, L"c", L"after the blocker");
    CSystemClean cleaner;
    CleanTotals totals;
    totals.removed = 5;
    totals.failed = 2;

    EXPECT_EQ(cleaner.CleanRunMru(&totals), 1);

    EXPECT_FALSE(fx::ValueExists(HKEY_CURRENT_USER, kRunMru, L"a"));
    EXPECT_TRUE(fx::ValueExists(HKEY_CURRENT_USER, kRunMru, L"b"));
    EXPECT_TRUE(fx::ValueExists(HKEY_CURRENT_USER, kRunMru, L"c"));
    EXPECT_EQ(totals.removed, 6u);
    EXPECT_EQ(totals.failed, 2u);

    ResetKey(kTypedUrls);
    for (const wchar_t* name : {L"url1", L"url2"})
        fx::SetString(HKEY_CURRENT_USER, kTypedUrls, name, L"http://x.example/");
    EXPECT_EQ(cleaner.CleanTypedUrls(&totals), 1);
    EXPECT_FALSE(fx::ValueExists(HKEY_CURRENT_USER, kTypedUrls, L"url1"));
    EXPECT_FALSE(fx::ValueExists(HKEY_CURRENT_USER, kTypedUrls, L"url2"));
    EXPECT_EQ(totals.removed, 8u);

    fx::DeleteKey(HKEY_CURRENT_USER, kTypedUrls);
    EXPECT_EQ(cleaner.CleanTypedUrls(&totals), 0);
}

TEST(WholeLists, RecentDocumentsFolderAndKeysGo) {
    const std::wstring explorer = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";
    const std::vector<std::wstring> keys = {explorer + L"RecentDocs",
                                            explorer + L"ComDlg32\\LastVisitedMRU",
                                            explorer + L"ComDlg32\\OpenSaveMRU"};
    for (const std::wstring& key : keys)
        fx::SetString(HKEY_CURRENT_USER, key + L"\\sub", L"v", L"x");
    std::wstring recent = fx::Special(CSIDL_RECENT);
    fx::MakeFile(recent + L"\\ufc-doc.lnk", 10);
    fx::MakeFile(recent + L"\\ufc-sub\\more.lnk", 10);
    CSystemClean cleaner;

    cleaner.CleanRecentDocuments();

    for (const std::wstring& key : keys) EXPECT_FALSE(fx::KeyExists(HKEY_CURRENT_USER, key));
    EXPECT_TRUE(fx::Exists(recent));
    EXPECT_FALSE(fx::Exists(recent + L"\\ufc-doc.lnk"));
    EXPECT_FALSE(fx::Exists(recent + L"\\ufc-sub"));
}

TEST(WholeLists, OfficeRecentFolderIsEmptiedAndKept) {
    std::wstring office = fx::Special(CSIDL_APPDATA) + L"\\Microsoft\\Office\\Recent";
    fx::MakeFile(office + L"\\report.doc.lnk", 10);
    fx::MakeFile(office + L"\\nested\\old.xls.lnk", 10);
    CSystemClean cleaner;

    cleaner.CleanOfficeRecent();

    EXPECT_TRUE(fx::Exists(office));
    EXPECT_FALSE(fx::Exists(office + L"\\report.doc.lnk"));
    EXPECT_FALSE(fx::Exists(office + L"\\nested"));
}

TEST(WholeLists, KeyDeletionsReportTheirStatus) {
    const std::wstring search = L"Software\\Microsoft\\Search Assistant\\ACMru";
    CSystemClean cleaner;
    fx::SetString(HKEY_CURRENT_USER, search + L"\\5603", L"000", L"query");
    EXPECT_EQ(cleaner.CleanSearchAssistantMru(), ERROR_SUCCESS);
    EXPECT_FALSE(fx::KeyExists(HKEY_CURRENT_USER, search));
    EXPECT_EQ(cleaner.CleanSearchAssistantMru(), ERROR_FILE_NOT_FOUND);

    fx::SetString(HKEY_CURRENT_USER, pv::kIntelliForms + L"\\Storage1", L"v", L"x");
    EXPECT_EQ(cleaner.CleanIntelliForms(), ERROR_SUCCESS);
    EXPECT_NE(cleaner.CleanIntelliForms(), ERROR_SUCCESS);
    fx::SetString(HKEY_CURRENT_USER, pv::kIntelliForms + L"\\Storage2", L"v", L"x");
    EXPECT_TRUE(cleaner.DeleteIntelliForms());
    EXPECT_FALSE(fx::KeyExists(HKEY_CURRENT_USER, pv::kIntelliForms));
    EXPECT_FALSE(cleaner.DeleteIntelliForms());
}

}  // namespace
