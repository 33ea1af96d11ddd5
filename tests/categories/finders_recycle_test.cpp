// The path collectors on one real tree of the prefix; recycle-bin items
// through the shell namespace, and the display-text readers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <limits>

#include "categories/finders.h"
#include "fixtures/categories.h"
#include "fixtures/scan_test.h"
#include "scan/recycle_text.h"

namespace {

using Paths = std::list<std::wstring>;
using Names = std::vector<std::wstring>;

// On a tree with names of every kind, a dot-folder, a link out of it and one
// back into it, and a file whose path does not fit 260 units.
TEST(Finders, CollectExactExtensionsOrSuffixesAndNeverFollowALink) {
    const std::wstring root = fx::Scratch(L"find"), outside = fx::Scratch(L"find-outside");
    const std::wstring deep = root + L"\\" + std::wstring(200 - root.size(), L'd');
    for (const wchar_t* name :
         {L"a.log", L"b.LOG", L"README", L"x.log.bak", L"archive.tar.gz", L".dat", L"index.dat",
          L"upper\\INDEX.DAT", L"sub\\one.txt", L"sub\\two.txt", L".svn\\entries.dat"})
        fx::MakeFile(root + L"\\" + name);
    fx::MakeFile(outside + L"\\foreign.txt");
    fx::MakeFile(deep + L"\\ok.txt");
    fx::MakeFile(L"\\\\?\\" + deep + L"\\" + std::wstring(80, L'n') + L".txt");
    fx::MakeFolderLink(outside, root + L"\\link");
    ASSERT_TRUE(fx::MakeFolderLink(root, root + L"\\sub\\loop"));
    // The paths below root, sorted.
    auto relative = [&](const Paths& paths) {
        Names out;
        for (const std::wstring& path : paths) out.push_back(path.substr(root.size() + 1));
        std::sort(out.begin(), out.end());
        return out;
    };
    const Names top = {L".dat",  L"README",    L"a.log",    L"archive.tar.gz",
                       L"b.LOG", L"index.dat", L"x.log.bak"};
    const std::wstring ok = deep.substr(root.size() + 1) + L"\\ok.txt";
    const struct {
        std::vector<std::wstring> extensions;
        bool filter, recursive;
        Names found;
    } byExtension[] = {
        // The last dot starts the extension, compared in its letter case.
        {{L".log", L".LOG"}, true, true, {L"a.log", L"b.LOG"}},
        {{L".gz"}, true, true, {L"archive.tar.gz"}},
        {{L".dat"}, true, true, {L".dat", L"index.dat"}},  // not in .svn
        {{L".txt"}, true, true, {ok, L"sub\\one.txt", L"sub\\two.txt"}},
        {{}, true, true, {}},
        {{}, false, false, top},
    };
    for (const auto& row : byExtension) {
        Paths paths;
        ufc::FindFilesByExtension(root, &paths, row.extensions, row.filter, row.recursive);
        EXPECT_EQ(relative(paths), row.found) << row.extensions.size() << row.filter;
    }
    const struct {
        const wchar_t* suffix;
        bool recursive;
        Names found;
    } bySuffix[] = {
        {L".dat", true, {L".dat", L".svn\\entries.dat", L"index.dat"}},  // case counts
        {L".txt", true, {ok, L"sub\\one.txt", L"sub\\two.txt"}},
        {L"", false, top},
    };
    for (const auto& row : bySuffix) {
        Paths paths;
        ufc::FindFilesBySuffix(root, &paths, row.suffix, row.recursive);
        EXPECT_EQ(relative(paths), row.found) << fx::Narrow(row.suffix);
    }
    // The files of a subfolder stand together, where the subfolder was met;
    // a trailing backslash gives the same; an empty folder text nothing.
    Paths txt, again, none;
    ufc::FindFilesByExtension(root, &txt, {L".txt"}, true, true);
    ufc::FindFilesByExtension(root + L"\\", &again, {L".txt"}, true, true);
    EXPECT_EQ(txt, again);
    auto one = std::find(txt.begin(), txt.end(), root + L"\\sub\\one.txt");
    auto two = std::find(txt.begin(), txt.end(), root + L"\\sub\\two.txt");
    EXPECT_EQ(std::abs(std::distance(one, two)), 1);
    ufc::FindFilesByExtension(L"", &none, {}, false, true);
    ufc::FindFilesBySuffix(L"", &none, L"", true);
    EXPECT_TRUE(none.empty());
}

TEST(ParseSizeText, DisplayedSizesGiveTheirByteCounts) {
    const std::uint64_t kMax = std::numeric_limits<std::int64_t>::max();
    const struct {
        const wchar_t* text;
        std::uint64_t expected;
    } cases[] = {
        {L"12 KB", 12288},
        {L"1.5 MB", 1536ull * 1024},
        {L"2 GB", 2048ull * 1048576},
        {L"1,234 KB", 1024},  // the group separator ends the number
        {L"4096", 4096},
        {L"12.9 bytes", 12},
        {L"3 kb", 3072},
        {L"-1 KB", static_cast<std::uint64_t>(-1024)},
        {L"", 0},
        {L"abc KB", 0},
        // Beyond the 64-bit range: saturated, not undefined.
        {L"1e300 GB", kMax},
        {L"9999999999999 GB", kMax},
        {L"99999999999999999999 bytes", kMax},
    };
    for (const auto& c : cases) {
        std::uint64_t size = 99;
        EXPECT_EQ(ufc::ParseSizeText(c.text, &size), 1);
        EXPECT_EQ(size, c.expected) << fx::Narrow(c.text);
    }
    std::uint64_t untouched = 77;
    ufc::ParseSizeText(L"3 ", &untouched);
    EXPECT_EQ(untouched, 77u);
}

TEST(ParseDateText, OneCharacterIsPassedOverBeforeEachNumber) {
    const struct {
        const wchar_t* text;
        int result;
        std::uint16_t year, month, day;  // 7 marks a field left untouched
    } cases[] = {
        {L"x2011/x1/x18 10:30", 1, 2011, 1, 18},
        // Wine's month/day/year text, read by the same arithmetic.
        {L"12/5/2026 6:48 PM", 1, 2, 0, 26},
        {L"/5/2026 6:48 PM", 1, 0, 0, 26},
        {L"x99999/x1/x1 ", 1, 34463, 1, 1},  // low 16 bits of the number
        {L"", 0, 7, 7, 7},
        {L"2011", 0, 7, 7, 7},
        {L"x2011/x1", 0, 2011, 7, 7},
        {L"x2011/x1/x18", 0, 2011, 1, 7},
        {L"x2011//x18 1", 1, 2011, 0, 18},
    };
    for (const auto& c : cases) {
        std::uint16_t year = 7, month = 7, day = 7;
        const int result = ufc::ParseDateText(c.text, &year, &month, &day);
        EXPECT_EQ(std::vector<int>({result, year, month, day}),
                  std::vector<int>({c.result, c.year, c.month, c.day}))
            << fx::Narrow(c.text);
    }
}

// The bin's items listed through the shell, by drive, counted bin by bin,
// then emptied whole.
using RecycleBin = fx::ScanTest;

TEST_F(RecycleBin, ListsItemsWithTheirTextsCountsEveryBinAndIsEmptiedWhole) {
    fx::EmptyRecycleBin();
    EXPECT_EQ(cleaner.ScanRecycleBin(&results, &totals, nullptr, &recorder), 1u);
    EXPECT_TRUE(results.empty() && recorder.reports.empty());

    const std::wstring folder = fx::Scratch(L"bin");
    for (const wchar_t* name : {L"a.txt", L"b.dat", L"c.txt"}) {
        const std::wstring path = folder + L"\\" + name;
        fx::MakeFile(path, name[0] == L'a' ? 3000 : 10);
        ASSERT_TRUE(fx::SetWriteDate(path, 2011, 11, 18));
        ASSERT_TRUE(fx::RecycleFile(path));
    }
    cleaner.ExpectedCount = 3;
    // Items are listed only after the enumeration has ended.
    recorder.onReport = [&](const ProgressInfo&) { EXPECT_TRUE(results.empty()); };
    EXPECT_EQ(cleaner.ScanRecycleBin(&results, &totals, nullptr, &recorder), 1u);
    EXPECT_EQ(recorder.Percents(), (std::vector<std::uint32_t>{33, 66, 100}));
    ASSERT_EQ(results.size(), 3u);
    // The bin scan leaves totals and counters to its callers.
    EXPECT_EQ(totals.count + cleaner.FoundCount, 0u);
    auto item = results.begin();
    for (std::uint32_t i = 0; i < 3; ++i, ++item) {
        EXPECT_EQ(recorder.reports[i].count, i + 1);
        EXPECT_EQ(recorder.reports[i].path, folder + L"\\" + item->name);
        EXPECT_EQ(item->category, kCategoryRecycleBin);
    }
    const FoundItem* a = fx::FindByName(results, L"a.txt");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->size, 3072u);  // shown as "3 KB"
    // Shown as 11/18/2011: the year/month/day arithmetic reads 1, 8, 11.
    EXPECT_EQ(a->written.wYear * 10000 + a->written.wMonth * 100 + a->written.wDay, 10811);
    EXPECT_EQ(a->created.wYear, 0) << "the shell gives no creation column";
    EXPECT_NE(a->icon, nullptr);
    // The drive filter compares the origin's letter.
    ResultList other;
    EXPECT_EQ(cleaner.ScanRecycleBin(&other, &totals, L"d:\\", nullptr), 1u);
    EXPECT_TRUE(other.empty());

    // Category 16: the count of every bin, C to Z, as the shell answers for
    // each (Wine answers with the whole bin for every letter), is the
    // denominator.
    std::uint64_t bins = 0;
    for (wchar_t letter = L'C'; letter <= L'Z'; ++letter)
        bins += fx::BinItemCount(std::wstring{letter, L':', L'\\'}.c_str());
    recorder.onReport = nullptr;
    ResultList found;
    ScanTotals counted;
    EXPECT_EQ(cleaner.GetUnusedFile(kCategoryRecycleBin, &found, &counted, &recorder), 1u);
    EXPECT_EQ((std::vector<std::uint64_t>{found.size(), counted.count, cleaner.ExpectedCount,
                                          recorder.reports.back().percent}),
              (std::vector<std::uint64_t>{3, bins, bins, 300 / bins}));
    ScanTotals one{1, 1};  // added to
    EXPECT_EQ(cleaner.QueryRecycleBins(&one, L"c:\\"), 1);
    EXPECT_EQ(one.count, 1 + fx::BinItemCount(L"C:\\"));
    EXPECT_GT(one.bytes, 1u);

    // A bin item first makes CleanItems empty the bin, deselected or not,
    // and the totals say so; any other first item makes it delete files.
    ResultList items{fx::Item(16, folder, L"a.txt", 10), fx::Item(2, folder, L"also", 20)};
    items.back().selected = 0;
    CleanTotals cleaned{7, 3, 99};
    EXPECT_EQ(cleaner.CleanItems(items, &cleaned, nullptr), 1u);
    EXPECT_EQ((std::vector<std::uint64_t>{cleaned.removed, cleaned.bytesFreed, cleaned.failed,
                                          fx::BinItemCount(L"C:\\")}),
              (std::vector<std::uint64_t>{2, 30, 3, 0}));
    for (const wchar_t* name : {L"\\a.tmp", L"\\b.tmp"}) fx::MakeFile(folder + name, 1);
    CleanTotals files;
    EXPECT_EQ(
        cleaner.CleanItems({fx::Item(2, folder, L"a.tmp", 1), fx::Item(16, folder, L"b.tmp", 1)},
                           &files, nullptr),
        1u);
    EXPECT_EQ(files.removed, 2u);
}

}  // namespace
