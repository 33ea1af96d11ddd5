// Categories 4, 5, 8 and 17 through the cleaner's dispatcher and removal.
#include <gtest/gtest.h>

#include <cstring>

#include "privacy_fixtures.h"

namespace {

TEST(EndToEnd, TypedAddressesAreFoundAndRemovedThroughCategory4) {
    fx::DeleteKey(HKEY_CURRENT_USER, pv::kTypedUrls);
    for (const wchar_t* name : {L"url1", L"url2", L"url3"})
        fx::SetString(HKEY_CURRENT_USER, pv::kTypedUrls, name, L"http://e2e.example/");
    fx::SetString(HKEY_CURRENT_USER, pv::kTypedUrls, L"url4", L"http://kept.example/");
    CSystemClean cleaner;
    ResultList results;
    ScanTotals totals;
    fx::Recorder recorder;

    EXPECT_EQ(cleaner.GetUnusedFile(4, &results, &totals, &recorder), 1u);
    ASSERT_EQ(results.size(), 4u);
    EXPECT_EQ(recorder.Percents(), (std::vector<std::uint32_t>{25, 50, 75, 100}));
    results.back().selected = 0;  // the user keeps the fourth

    CleanTotals cleaned;
    cleaner.CleanUnusedFile(4, results, &cleaned, nullptr);
    for (const wchar_t* name : {L"url1", L"url2", L"url3"})
        EXPECT_FALSE(fx::ValueExists(HKEY_CURRENT_USER, pv::kTypedUrls, name));
    EXPECT_TRUE(fx::ValueExists(HKEY_CURRENT_USER, pv::kTypedUrls, L"url4"));
    EXPECT_EQ(cleaned.removed, 3u);
    EXPECT_EQ(cleaned.failed, 0u);
}

TEST(EndToEnd, RunBoxCommandsAreFoundAndRemovedThroughCategory8) {
    fx::DeleteKey(HKEY_CURRENT_USER, pv::kRunMru);
    fx::SetString(HKEY_CURRENT_USER, pv::kRunMru, L"a", L"cmd\\1");
    fx::SetString(HKEY_CURRENT_USER, pv::kRunMru, L"MRUList", L"a");
    CSystemClean cleaner;
    ResultList results;
    ScanTotals totals;

    EXPECT_EQ(cleaner.GetUnusedFile(8, &results, &totals, nullptr), 1u);
    ASSERT_EQ(results.size(), 2u);
    CleanTotals cleaned;
    cleaner.CleanUnusedFile(8, results, &cleaned, nullptr);
    EXPECT_FALSE(fx::ValueExists(HKEY_CURRENT_USER, pv::kRunMru, L"a"));
    EXPECT_FALSE(fx::ValueExists(HKEY_CURRENT_USER, pv::kRunMru, L"MRUList"));
    EXPECT_EQ(cleaned.removed, 2u);
}

TEST(EndToEnd, Category17EmptiesTheClipboard) {
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL text = GlobalAlloc(GMEM_MOVEABLE, 8);
    std::memcpy(GlobalLock(text), L"e2e", 8);
    GlobalUnlock(text);
    SetClipboardData(CF_UNICODETEXT, text);
    CloseClipboard();
    ASSERT_TRUE(IsClipboardFormatAvailable(CF_UNICODETEXT));

    CSystemClean cleaner;
    CleanTotals cleaned;
    cleaner.CleanUnusedFile(17, ResultList(), &cleaned, nullptr);
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_UNICODETEXT));
}

TEST(EndToEnd, Category5ClearsTheBrowserTracks) {
    // Below version 7 removing category 5 deletes the form store.
    pv::BrowserProgramSwap swap;
    swap.Replace(pv::BinFolder() + L"\\browser_version_6.dll");
    fx::SetString(HKEY_CURRENT_USER, pv::kIntelliForms + L"\\Storage2", L"v", L"x");
    CSystemClean cleaner;
    CleanTotals cleaned;
    cleaner.CleanUnusedFile(5, ResultList(), &cleaned, nullptr);
    EXPECT_FALSE(fx::KeyExists(HKEY_CURRENT_USER, pv::kIntelliForms));
}

}  // namespace
