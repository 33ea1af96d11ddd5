// The category dispatcher on real folders of the prefix.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>

#include "core/system_clean.h"
#include "fixtures/categories.h"
#include "fixtures/fixtures.h"
#include "scan_helpers.h"

namespace {

std::wstring Local(const std::wstring& tail) {
    return fx::Special(CSIDL_LOCAL_APPDATA) + tail;
}

// Empties a folder of the prefix that a category scans, and returns it.
std::wstring Emptied(const std::wstring& folder) {
    fx::MakeDirs(folder);
    fx::EmptyFolder(folder);
    return folder;
}

const FoundItem* Find(const ResultList& list, const std::wstring& name) {
    return fx::FindByName(list, name);
}

std::wstring LogFile(const std::wstring& name) {
    wchar_t folder[MAX_PATH] = {};
    DWORD n = GetEnvironmentVariableW(L"UFC_LOG_DIR", folder, MAX_PATH);
    if (n > 0 && n < MAX_PATH) return std::wstring(folder) + L"\\" + name;
    return Local(L"\\UnusedFileClean\\logs\\" + name);
}

TEST(Dispatcher, CategoriesWithoutWorkLeaveEverythingAlone) {
    CSystemClean cleaner;
    ResultList results(1);
    ScanTotals totals{3, 4};
    for (int category : {0, 25, -1, 17, 21, 24}) {
        cleaner.ExpectedCount = 5;
        cleaner.ExaminedCount = 6;
        cleaner.FoundCount = 7;
        cleaner.CurrentCategory = 9;
        fx::Recorder recorder;
        EXPECT_EQ(cleaner.GetUnusedFile(category, &results, &totals, &recorder), 1u) << category;
        EXPECT_EQ(cleaner.ExpectedCount + cleaner.ExaminedCount + cleaner.FoundCount, 18u);
        EXPECT_EQ(cleaner.CurrentCategory, 9u);
        EXPECT_TRUE(recorder.reports.empty());
    }
    // Category 5 scans nothing but starts its counters afresh.
    EXPECT_EQ(cleaner.GetUnusedFile(5, &results, &totals, nullptr), 1u);
    EXPECT_EQ(cleaner.ExpectedCount + cleaner.ExaminedCount + cleaner.FoundCount, 0u);
    EXPECT_EQ(cleaner.CurrentCategory, 5u);
    EXPECT_EQ(results.size(), 1u);
    EXPECT_EQ(totals.bytes, 3u);
    EXPECT_EQ(totals.count, 4u);
}

struct InternetFolders {
    std::wstring cache = Emptied(fx::Special(CSIDL_INTERNET_CACHE));
    std::wstring profiles = Emptied(Local(L"\\Mozilla\\Firefox\\Profiles"));
    std::wstring chrome = Emptied(Local(L"\\Google\\Chrome\\User Data\\Default\\Cache"));
};

TEST(Dispatcher, InternetFilesDropDesktopIniFromTheWholeList) {
    InternetFolders places;
    fx::MakeFile(places.cache + L"\\a.txt", 3);
    fx::MakeFile(places.cache + L"\\desktop.ini", 1);
    fx::MakeFile(places.cache + L"\\sub\\Desktop.INI", 1);
    fx::MakeFile(places.profiles + L"\\p1.default\\cache\\ff.bin", 4);
    fx::MakeFile(places.chrome + L"\\c.bin", 5);
    ResultList results;
    for (const wchar_t* name : {L"desktop.ini", L"DESKTOP.ini", L"Desktop.ini", L"earlier.txt"})
        results.push_back(scantest::FileItem(kCategoryCookies, L"C:\\earlier", name));
    std::wstring log = LogFile(L"TemporaryInternetFile.txt");
    std::size_t logBefore = fx::ReadFileText(log).size();

    CSystemClean cleaner;
    ScanTotals totals;
    fx::Recorder recorder;
    EXPECT_EQ(cleaner.GetUnusedFile(1, &results, &totals, &recorder), 1u);
    std::vector<std::wstring> names;
    for (const auto& item : results) names.push_back(item.name);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::wstring>{L"Desktop.INI", L"a.txt", L"c.bin", L"earlier.txt",
                                                L"ff.bin"}));
    // The internet cache's items carry 1; the Firefox caches set 20, which
    // the Chrome cache scanned after them keeps.
    EXPECT_EQ(Find(results, L"a.txt")->category, 1u);
    EXPECT_EQ(Find(results, L"ff.bin")->category, 20u);
    EXPECT_EQ(Find(results, L"c.bin")->category, 20u);
    EXPECT_EQ(totals.count, 5u) << "removed desktop.ini items stay counted";
    EXPECT_EQ(recorder.reports.size(), 5u);
    EXPECT_EQ(cleaner.LogHandle, -1);

    std::string written = fx::ReadFileText(log).substr(logBefore);
    EXPECT_NE(written.find("[128/0] CSystemClean::GetUnusedFile .\\cleanup(3249) \n\n\n" +
                           std::string(67, '=') + "start logging internet temp files \n"),
              std::string::npos)
        << written;
}

TEST(Dispatcher, InternetFilesWithNothingToCountScanNothing) {
    InternetFolders places;
    ResultList results;
    results.push_back(scantest::FileItem(kCategoryCookies, L"C:\\earlier", L"desktop.ini"));
    std::wstring log = LogFile(L"TemporaryInternetFile.txt");
    std::size_t logBefore = fx::ReadFileText(log).size();
    CSystemClean cleaner;
    ScanTotals totals;
    fx::Recorder recorder;
    EXPECT_EQ(cleaner.GetUnusedFile(1, &results, &totals, &recorder), 1u);
    EXPECT_EQ(results.size(), 1u) << "the list is left as it was";
    EXPECT_TRUE(recorder.reports.empty());
    EXPECT_EQ(cleaner.LogHandle, -1);
    EXPECT_EQ(cleaner.CurrentCategory, 1u);
    EXPECT_NE(fx::ReadFileText(log).substr(logBefore).find("start logging internet temp files"),
              std::string::npos);
}

TEST(Dispatcher, FolderCategoriesFindTheirFiles) {
    struct Case {
        int category;
        std::wstring folder;
        std::vector<std::wstring> found, passed;
    } cases[] = {
        {2, Emptied(fx::Special(CSIDL_COOKIES)), {L"c.txt", L"sub\\d.bin"}, {}},
        {7, Emptied(fx::Special(CSIDL_RECENT)), {L"r.lnk", L"sub\\s.lnk"}, {}},
        {6,
         Emptied(fx::Special(CSIDL_INTERNET_CACHE) + L"\\Content.IE5"),
         {L"index.dat", L"sub\\x.DAT"},
         {L"keep.txt"}},
    };
    for (const auto& c : cases) {
        for (const auto& name : c.found) fx::MakeFile(c.folder + L"\\" + name, 2);
        for (const auto& name : c.passed) fx::MakeFile(c.folder + L"\\" + name, 2);
        CSystemClean cleaner;
        ResultList results;
        ScanTotals totals;
        fx::Recorder recorder;
        EXPECT_EQ(cleaner.GetUnusedFile(c.category, &results, &totals, &recorder), 1u);
        std::vector<std::wstring> found;
        for (const auto& item : results) {
            EXPECT_EQ(item.category, static_cast<std::uint32_t>(c.category));
            std::wstring path = std::wstring(item.folder) + item.name;
            found.push_back(path.substr(c.folder.size() + 1));
        }
        std::sort(found.begin(), found.end());
        EXPECT_EQ(found, c.found) << c.category;
        EXPECT_EQ(cleaner.ExpectedCount, c.found.size() + c.passed.size());
        ASSERT_FALSE(recorder.reports.empty());
        EXPECT_EQ(recorder.reports.back().percent, 100u);
        fx::EmptyFolder(c.folder);
    }
}

TEST(Dispatcher, HistoryTakesDatFilesAndChromesTopLevelFiles) {
    auto history = Emptied(fx::Special(CSIDL_HISTORY));
    auto chrome = Emptied(Local(L"\\Google\\Chrome\\User Data\\Default"));
    fx::MakeFile(history + L"\\sub\\h.dat", 1);
    fx::MakeFile(history + L"\\h.txt", 1);
    fx::MakeFile(chrome + L"\\History", 1);
    fx::MakeFile(chrome + L"\\Cache\\deep.bin", 1);
    CSystemClean cleaner;
    ResultList results;
    ScanTotals totals;
    EXPECT_EQ(cleaner.GetUnusedFile(3, &results, &totals, nullptr), 1u);
    std::vector<std::wstring> names;
    for (const auto& item : results) {
        names.push_back(item.name);
        EXPECT_EQ(item.category, 3u);
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::wstring>{L"History", L"h.dat"}));
    fx::EmptyFolder(chrome);
}

TEST(Dispatcher, MemoryDumpsAreTakenFromTwoTopLevelsOnly) {
    auto windows = fx::Special(CSIDL_WINDOWS);
    fx::MakeFile(windows + L"\\ufc-scan.dmp", 1);
    fx::MakeFile(windows + L"\\ufc-scan.txt", 1);
    fx::MakeFile(windows + L"\\MiniDump\\ufc-mini.DMP", 1);
    fx::MakeFile(windows + L"\\MiniDump\\deeper\\ufc-deep.dmp", 1);
    CSystemClean cleaner;
    ResultList results;
    ScanTotals totals;
    EXPECT_EQ(cleaner.GetUnusedFile(10, &results, &totals, nullptr), 1u);
    EXPECT_NE(Find(results, L"ufc-scan.dmp"), nullptr);
    EXPECT_NE(Find(results, L"ufc-mini.DMP"), nullptr);
    EXPECT_EQ(Find(results, L"ufc-scan.txt"), nullptr);
    EXPECT_EQ(Find(results, L"ufc-deep.dmp"), nullptr) << "dump folders are not walked down";
    EXPECT_EQ(std::wstring(Find(results, L"ufc-mini.DMP")->folder), windows + L"\\MiniDump\\");
    for (const wchar_t* name : {L"\\ufc-scan.dmp", L"\\ufc-scan.txt"})
        fx::RemoveTree(windows + name);
    fx::RemoveTree(windows + L"\\MiniDump");
}

TEST(Dispatcher, WindowsLogsAreFoundInAnySubfolder) {
    auto folder = fx::Special(CSIDL_WINDOWS) + L"\\ufc-logs";
    fx::RemoveTree(folder);
    fx::MakeFile(folder + L"\\deep\\setup.LOG", 1);
    fx::MakeFile(folder + L"\\setup.bin", 1);
    fx::MakeFile(folder + L"\\old.lo_", 1);
    CSystemClean cleaner;
    ResultList results;
    ScanTotals totals;
    EXPECT_EQ(cleaner.GetUnusedFile(12, &results, &totals, nullptr), 1u);
    EXPECT_NE(Find(results, L"setup.LOG"), nullptr);
    EXPECT_NE(Find(results, L"old.lo_"), nullptr);
    EXPECT_EQ(Find(results, L"setup.bin"), nullptr);
    fx::RemoveTree(folder);
}

TEST(Dispatcher, LinkInWindowsTempSurvivesScanAndClean) {
    auto target = fx::Scratch(L"scan-temp-link-target");
    fx::MakeFile(target + L"\\precious.txt", 8);
    auto temp = fx::Special(CSIDL_WINDOWS) + L"\\Temp";
    fx::MakeDirs(temp);
    fx::RemoveTree(temp + L"\\ufc-link");
    fx::MakeFile(temp + L"\\ufc-junk.tmp", 4);
    ASSERT_TRUE(fx::MakeFolderLink(target, temp + L"\\ufc-link"));

    CSystemClean cleaner;
    ResultList results;
    ScanTotals totals;
    EXPECT_EQ(cleaner.GetUnusedFile(9, &results, &totals, nullptr), 1u);
    EXPECT_NE(Find(results, L"ufc-junk.tmp"), nullptr);
    EXPECT_EQ(Find(results, L"precious.txt"), nullptr);
    CleanTotals cleaned;
    EXPECT_EQ(cleaner.CleanUnusedFile(9, results, &cleaned, nullptr), 1u);
    EXPECT_FALSE(fx::Exists(temp + L"\\ufc-junk.tmp"));
    EXPECT_TRUE(fx::Exists(target + L"\\precious.txt"));
    EXPECT_TRUE(fx::Exists(temp + L"\\ufc-link"));
    fx::RemoveTree(temp + L"\\ufc-link");
}

TEST(Dispatcher, RecycleBinCountsBeforeListing) {
    auto file = fx::Scratch(L"scan\\bin") + L"\\binned.txt";
    fx::MakeFile(file, 6);
    fx::EmptyRecycleBin();
    ASSERT_TRUE(fx::RecycleFile(file));
    CSystemClean cleaner;
    cleaner.ExaminedCount = cleaner.FoundCount = 9;
    ResultList results;
    ScanTotals totals{0, 2};
    EXPECT_EQ(cleaner.GetUnusedFile(16, &results, &totals, nullptr), 1u);
    EXPECT_GT(totals.count, 2u);
    EXPECT_EQ(cleaner.ExpectedCount, totals.count) << "the totals' count, earlier items included";
    EXPECT_EQ(cleaner.CurrentCategory, 16u);
    fx::EmptyRecycleBin();
}

}  // namespace
