// Cache-index files and the update download listing on real trees.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>

#include "core/system_clean.h"
#include "fixtures/fixtures.h"

namespace {

TEST(ScanIECacheIndex, EveryDatBelowContentIE5) {
    std::wstring content = fx::Special(CSIDL_INTERNET_CACHE) + L"\\Content.IE5";
    fx::RemoveTree(content);
    fx::MakeFile(content + L"\\index.dat", 32);
    fx::MakeFile(content + L"\\AB12CD34\\index.dat", 16);
    fx::MakeFile(content + L"\\AB12CD34\\a.dat", 1);
    fx::MakeFile(content + L"\\AB12CD34\\.dat", 1);
    fx::MakeFile(content + L"\\EF56GH78\\B.DAT", 1);
    fx::MakeFile(content + L"\\EF56GH78\\dat", 1);
    CSystemClean cleaner;
    cleaner.ExaminedCount = 4;
    ResultList results;
    ScanTotals totals;
    fx::Recorder recorder;
    EXPECT_EQ(cleaner.ScanIECacheIndex(&results, &totals, &recorder), 1u);
    std::vector<std::wstring> names = fx::Names(results);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::wstring>{
                         content + L"\\AB12CD34|.dat", content + L"\\AB12CD34|a.dat",
                         content + L"\\AB12CD34|index.dat", content + L"|index.dat"}));
    EXPECT_EQ(totals.bytes, 50u);
    for (const auto& item : results) EXPECT_EQ(item.category, kCategoryCacheIndex);
    for (const auto& report : recorder.reports) EXPECT_EQ(report.count, 0u);
    EXPECT_EQ(cleaner.ExaminedCount, 4u);
    fx::RemoveTree(content);
    ResultList none;
    EXPECT_EQ(cleaner.ScanIECacheIndex(&none, &totals, &recorder), 1u);
    EXPECT_TRUE(none.empty());
}

TEST(ListUpdateDownloads, EveryFileOfTheTreeReplacingTheList) {
    std::wstring download = fx::Special(CSIDL_WINDOWS) + L"\\SoftwareDistribution\\Download";
    fx::RemoveTree(download);
    fx::MakeFile(download + L"\\top.cab");
    fx::MakeFile(download + L"\\a1\\b2\\deep");
    fx::MakeDirs(download + L"\\empty");
    CSystemClean cleaner;
    PathList paths{L"C:\\from\\before"};
    cleaner.ListUpdateDownloads(&paths);
    std::vector<std::wstring> sorted(paths.begin(), paths.end());
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted,
              (std::vector<std::wstring>{download + L"\\a1\\b2\\deep", download + L"\\top.cab"}));
    fx::RemoveTree(download);
    cleaner.ListUpdateDownloads(&paths);
    EXPECT_TRUE(paths.empty());
}

}  // namespace
