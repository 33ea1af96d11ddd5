// Removing found items: files, registry values and the recycle bin.
#include <gtest/gtest.h>

#include <windows.h>

#include <shellapi.h>
#include <shlobj.h>

#include "core/system_clean.h"
#include "fixtures/categories.h"
#include "fixtures/fixtures.h"
#include "scan_helpers.h"
#include "util/handles.h"

namespace {

using scantest::FileItem;

std::uint64_t BinItems(const wchar_t* root) {
    SHQUERYRBINFO info = {};
    info.cbSize = sizeof info;
    if (FAILED(SHQueryRecycleBinW(root, &info))) return 0;
    return static_cast<std::uint64_t>(info.i64NumItems);
}

TEST(Removal, NothingSelectedTouchesNothing) {
    auto folder = fx::Scratch(L"scan\\keep");
    fx::MakeFile(folder + L"\\kept.txt", 1);
    ResultList items{FileItem(9, folder, L"kept.txt", 1)};
    items.front().selected = 0;
    CSystemClean cleaner;
    CleanTotals totals{1, 2, 3};
    fx::Recorder recorder;
    EXPECT_EQ(cleaner.DeleteFoundFiles(items, &totals, &recorder), 1u);
    EXPECT_TRUE(recorder.reports.empty());
    EXPECT_EQ(totals.removed + totals.failed + totals.bytesFreed, 6u);
    EXPECT_TRUE(fx::Exists(folder + L"\\kept.txt"));
}

TEST(Removal, FourFilesReportQuartersWithOneBackslashEach) {
    auto folder = fx::Scratch(L"scan\\four-removed");
    ResultList items;
    for (int i = 0; i < 4; ++i) {
        std::wstring name = L"f" + std::to_wstring(i) + L".tmp";
        fx::MakeFile(folder + L"\\" + name, 10 + i);
        // Half the items carry the folder with its backslash, half without.
        items.push_back(FileItem(9, i % 2 ? folder + L"\\" : folder, name, 10 + i));
    }
    fx::MakeFile(folder + L"\\deselected.tmp", 1);
    items.push_back(FileItem(9, folder, L"deselected.tmp", 1));
    items.back().selected = 0;
    std::wstring hidden = folder + L"\\f0.tmp";
    SetFileAttributesW(hidden.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);

    CSystemClean cleaner;
    CleanTotals totals;
    fx::Recorder recorder;
    EXPECT_EQ(cleaner.CleanUnusedFile(9, items, &totals, &recorder), 1u);
    EXPECT_EQ(recorder.Percents(), (std::vector<std::uint32_t>{25, 50, 75, 100}));
    for (std::uint32_t i = 0; i < 4; ++i) {
        EXPECT_EQ(recorder.reports[i].count, i);
        EXPECT_EQ(recorder.reports[i].category, 9u);
        EXPECT_EQ(recorder.reports[i].path, folder + L"\\f" + std::to_wstring(i) + L".tmp");
    }
    EXPECT_EQ(totals.removed, 4u);
    EXPECT_EQ(totals.failed, 0u);
    EXPECT_EQ(totals.bytesFreed, 46u);
    EXPECT_FALSE(fx::Exists(hidden)) << "attributes are cleared before deleting";
    EXPECT_TRUE(fx::Exists(folder + L"\\deselected.tmp"));
    EXPECT_EQ(items.size(), 5u) << "the caller's list is unchanged";
}

TEST(Removal, FailedFirstFileHoldsThePercentBack) {
    auto folder = fx::Scratch(L"scan\\first-fails");
    fx::MakeFile(folder + L"\\there.tmp", 5);
    ResultList items{FileItem(2, folder, L"missing.tmp", 7), FileItem(2, folder, L"there.tmp", 5)};
    CSystemClean cleaner;
    CleanTotals totals;
    fx::Recorder recorder;
    EXPECT_EQ(cleaner.DeleteFoundFiles(items, &totals, &recorder), 1u);
    EXPECT_EQ(recorder.Percents(), (std::vector<std::uint32_t>{50, 50}));
    EXPECT_EQ(totals.removed, 1u);
    EXPECT_EQ(totals.failed, 1u);
    EXPECT_EQ(totals.bytesFreed, 5u);
}

TEST(Removal, DeletesOnlyTheNamedFileNeverAFolderOrACutPath) {
    auto folder = fx::Scratch(L"scan\\only-files");
    fx::MakeFile(folder + L"\\sub\\inside.txt", 1);
    // A folder text that leaves room for "victim.txt" exactly: a longer name
    // cut to fit would name the victim.
    std::wstring longFolder = folder + L"\\" + std::wstring(259 - folder.size() - 2 - 10, L'x');
    fx::MakeFile(longFolder + L"\\victim.txt", 1);
    ASSERT_TRUE(fx::Exists(longFolder + L"\\victim.txt"));
    ResultList items{FileItem(9, folder, L"sub", 0), FileItem(9, longFolder, L"victim.txt.bak", 0),
                     FileItem(9, L"", L"nofolder.txt", 0)};
    CSystemClean cleaner;
    CleanTotals totals;
    EXPECT_EQ(cleaner.DeleteFoundFiles(items, &totals, nullptr), 1u);
    EXPECT_TRUE(fx::Exists(folder + L"\\sub\\inside.txt"));
    EXPECT_TRUE(fx::Exists(longFolder + L"\\victim.txt"));
    EXPECT_EQ(totals.failed, 2u) << "the item without a folder is counted nowhere";
    EXPECT_EQ(totals.removed, 0u);
}

TEST(Removal, ARefusedDeleteLeavesTheAttributesAsTheyWere) {
    auto folder = fx::Scratch(L"scan\\refused");
    // A folder that took the place of a found file, and a read-only file
    // that another program holds open: neither goes, neither is made plain.
    std::wstring swapped = folder + L"\\swapped.tmp";
    fx::MakeFile(swapped + L"\\inside.txt", 1);
    SetFileAttributesW(swapped.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    std::wstring held = folder + L"\\held.tmp";
    fx::MakeFile(held, 3);
    SetFileAttributesW(held.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    DWORD swappedBefore = GetFileAttributesW(swapped.c_str());
    DWORD heldBefore = GetFileAttributesW(held.c_str());
    ASSERT_NE(swappedBefore & FILE_ATTRIBUTE_HIDDEN, 0u);
    ASSERT_NE(heldBefore & FILE_ATTRIBUTE_READONLY, 0u);
    ufc::unique_hfile open(
        CreateFileW(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(open);

    ResultList items{FileItem(9, folder, L"swapped.tmp", 0), FileItem(9, folder, L"held.tmp", 3)};
    CSystemClean cleaner;
    CleanTotals totals;
    EXPECT_EQ(cleaner.DeleteFoundFiles(items, &totals, nullptr), 1u);
    EXPECT_EQ(totals.failed, 2u);
    EXPECT_EQ(totals.removed, 0u);
    EXPECT_TRUE(fx::Exists(swapped + L"\\inside.txt"));
    EXPECT_EQ(GetFileAttributesW(swapped.c_str()), swappedBefore);
    EXPECT_EQ(GetFileAttributesW(held.c_str()), heldBefore);

    // Once it is let go, the same read-only file goes.
    open.reset();
    CleanTotals again;
    EXPECT_EQ(cleaner.DeleteFoundFiles(items, &again, nullptr), 1u);
    EXPECT_EQ(again.removed, 1u);
    EXPECT_FALSE(fx::Exists(held));
    EXPECT_TRUE(fx::Exists(swapped + L"\\inside.txt"));
}

// Windows\Temp moved aside and reached through a link in its place, as an
// administrator moves a folder: the scan starts there, so the link is above
// the root and allowed.
class TempThroughLink {
public:
    TempThroughLink() : temp_(fx::Special(CSIDL_WINDOWS) + L"\\Temp"), real_(temp_ + L"-real") {
        fx::RemoveTree(real_);
        moved_ = MoveFileW(temp_.c_str(), real_.c_str()) && fx::MakeFolderLink(real_, temp_);
    }
    ~TempThroughLink() {
        fx::RemoveTree(temp_);  // the link only
        MoveFileW(real_.c_str(), temp_.c_str());
    }
    bool moved() const { return moved_; }
    const std::wstring& path() const { return temp_; }

private:
    std::wstring temp_, real_;
    bool moved_ = false;
};

TEST(Removal, LinksSwappedInAfterTheScanRedirectNothing) {
    TempThroughLink temp;
    ASSERT_TRUE(temp.moved());
    const std::wstring place = temp.path() + L"\\ufc-swap";
    const std::vector<std::wstring> names = {L"a.txt", L"b.txt", L"c.txt"};
    for (const std::wstring& name : names) {
        fx::MakeFile(place + L"\\plain\\" + name, 5);
        fx::MakeFile(place + L"\\swapped\\" + name, 5);
    }
    fx::MakeFile(place + L"\\turned.tmp", 5);
    const std::wstring victim = fx::Scratch(L"scan\\swap-victim");
    fx::MakeVictims(victim, names);

    CSystemClean cleaner;
    ResultList items;
    ScanTotals found;
    ASSERT_EQ(cleaner.GetUnusedFile(9, &items, &found, nullptr), 1u);
    std::size_t selected = 0;
    for (FoundItem& item : items) {
        item.selected = std::wstring(item.folder).find(L"\\ufc-swap") != std::wstring::npos;
        selected += item.selected;
    }
    ASSERT_EQ(selected, 7u);
    // Between scan and clean: a listed folder becomes a link to another with
    // files of the same names, and a listed file a link to a folder.
    ASSERT_TRUE(fx::SwapForLink(place + L"\\swapped", victim));
    ASSERT_TRUE(DeleteFileW((place + L"\\turned.tmp").c_str()));
    ASSERT_TRUE(fx::MakeFolderLink(victim, place + L"\\turned.tmp"));

    CleanTotals cleaned;
    EXPECT_EQ(cleaner.CleanUnusedFile(9, items, &cleaned, nullptr), 1u);
    EXPECT_EQ(cleaned.removed, 3u);
    EXPECT_EQ(cleaned.failed, 4u);
    EXPECT_EQ(fx::Intact(victim, names), names.size());
    for (const std::wstring& name : names) {
        EXPECT_FALSE(fx::Exists(place + L"\\plain\\" + name));
        EXPECT_TRUE(fx::Exists(place + L"\\swapped-moved\\" + name));
    }
    fx::RemoveTree(place);
}

TEST(Removal, StopFromInsideOnProgressDeletesTheItemOnShow) {
    auto folder = fx::Scratch(L"scan\\stop-removal");
    ResultList items;
    for (const wchar_t* name : {L"a.tmp", L"b.tmp", L"c.tmp"}) {
        fx::MakeFile(folder + L"\\" + name, 1);
        items.push_back(FileItem(7, folder, name, 1));
    }
    CSystemClean cleaner;
    fx::Recorder recorder;
    recorder.onReport = [&](const ProgressInfo& info) {
        if (info.count == 1) cleaner.StopFlag = 1;
    };
    CleanTotals totals;
    EXPECT_EQ(cleaner.DeleteFoundFiles(items, &totals, &recorder), 2u);
    EXPECT_FALSE(fx::Exists(folder + L"\\b.tmp"));
    EXPECT_TRUE(fx::Exists(folder + L"\\c.tmp"));
    EXPECT_EQ(totals.removed, 2u);
}

TEST(Removal, RegistryValuesGoByKeyAndName) {
    const std::wstring key = L"Software\\Microsoft\\Internet Explorer\\TypedURLs";
    fx::SetString(HKEY_CURRENT_USER, key, L"url1", L"http://a.example/");
    fx::SetString(HKEY_CURRENT_USER, key, L"url2", L"http://b.example/");
    ResultList items{FileItem(4, key + L"\\url1", L"http://a.example/"),
                     FileItem(4, L"NoBackslash", L"shown only"),
                     FileItem(4, key + L"\\url9", L"missing")};
    CSystemClean cleaner;
    CleanTotals totals;
    fx::Recorder recorder;
    EXPECT_EQ(cleaner.CleanUnusedFile(4, items, &totals, &recorder), 1u);
    EXPECT_FALSE(fx::ValueExists(HKEY_CURRENT_USER, key, L"url1"));
    EXPECT_TRUE(fx::ValueExists(HKEY_CURRENT_USER, key, L"url2"));
    EXPECT_EQ(recorder.Paths(),
              (std::vector<std::wstring>{L"http://a.example/", L"shown only", L"missing"}));
    EXPECT_EQ(recorder.Percents(), (std::vector<std::uint32_t>{33, 66, 66}));
    EXPECT_EQ(totals.removed, 1u);
    EXPECT_EQ(totals.failed, 1u);
    fx::DeleteKey(HKEY_CURRENT_USER, key);
}

TEST(Removal, RecycleBinCleanOverwritesTheTotals) {
    auto folder = fx::Scratch(L"scan\\recycled");
    fx::EmptyRecycleBin();
    fx::MakeFile(folder + L"\\gone.txt", 3);
    ASSERT_TRUE(fx::RecycleFile(folder + L"\\gone.txt"));
    ASSERT_GT(BinItems(L"C:\\"), 0u);
    ResultList items{FileItem(16, folder, L"gone.txt", 10), FileItem(16, folder, L"also", 20)};
    items.back().selected = 0;  // the bin goes whole all the same
    CSystemClean cleaner;
    CleanTotals totals{7, 3, 99};
    EXPECT_EQ(cleaner.CleanUnusedFile(16, items, &totals, nullptr), 1u);
    EXPECT_EQ(totals.removed, 2u);
    EXPECT_EQ(totals.bytesFreed, 30u);
    EXPECT_EQ(totals.failed, 3u);
    EXPECT_EQ(BinItems(L"C:\\"), 0u);
}

TEST(Removal, CleanItemsChoosesByTheFirstItem) {
    CSystemClean cleaner;
    CleanTotals totals;
    EXPECT_EQ(cleaner.CleanItems({}, &totals, nullptr), 1u);

    auto folder = fx::Scratch(L"scan\\clean-items");
    fx::MakeFile(folder + L"\\binned.txt", 1);
    ASSERT_TRUE(fx::RecycleFile(folder + L"\\binned.txt"));
    EXPECT_EQ(
        cleaner.CleanItems({FileItem(16, L"C:\\ufc-tests", L"binned.txt", 4)}, &totals, nullptr),
        1u);
    EXPECT_EQ(BinItems(L"C:\\"), 0u);
    EXPECT_EQ(totals.removed, 1u);

    // Any other first category deletes files, whatever the others say.
    fx::MakeFile(folder + L"\\a.tmp", 1);
    fx::MakeFile(folder + L"\\b.tmp", 1);
    CleanTotals files;
    EXPECT_EQ(
        cleaner.CleanItems({FileItem(2, folder, L"a.tmp", 1), FileItem(16, folder, L"b.tmp", 1)},
                           &files, nullptr),
        1u);
    EXPECT_EQ(files.removed, 2u);
    EXPECT_FALSE(fx::Exists(folder + L"\\b.tmp"));
}

TEST(Removal, CategoriesWithoutRemovalReturnOne) {
    auto folder = fx::Scratch(L"scan\\no-removal");
    fx::MakeFile(folder + L"\\stays.txt", 1);
    ResultList items{FileItem(24, folder, L"stays.txt", 1)};
    CSystemClean cleaner;
    CleanTotals totals;
    for (int category : {0, 24, 25})
        EXPECT_EQ(cleaner.CleanUnusedFile(category, items, &totals, nullptr), 1u);
    EXPECT_TRUE(fx::Exists(folder + L"\\stays.txt"));
    EXPECT_EQ(totals.removed + totals.failed, 0u);
}

TEST(RecycleBinQuery, AddsWhatEachDriveReports) {
    fx::EmptyRecycleBin();
    auto folder = fx::Scratch(L"scan\\query");
    fx::MakeFile(folder + L"\\q.txt", 2000);
    ASSERT_TRUE(fx::RecycleFile(folder + L"\\q.txt"));
    CSystemClean cleaner;
    ScanTotals one{1, 1};
    EXPECT_EQ(cleaner.QueryRecycleBins(&one, L"c:\\"), 1);
    EXPECT_EQ(one.count, 1 + BinItems(L"C:\\"));
    EXPECT_GT(one.bytes, 1u);

    // Every letter C to Z, as the shell answers for each (Wine answers with
    // the whole bin for every letter).
    std::uint64_t expected = 0;
    for (wchar_t letter = L'C'; letter <= L'Z'; ++letter) {
        wchar_t root[] = {letter, L':', L'\\', 0};
        expected += BinItems(root);
    }
    ScanTotals all;
    EXPECT_EQ(cleaner.QueryRecycleBins(&all, nullptr), 1);
    EXPECT_EQ(all.count, expected);
    EXPECT_EQ(cleaner.EmptyRecycleBin(), S_OK);
    EXPECT_EQ(BinItems(L"C:\\"), 0u);
}

}  // namespace
