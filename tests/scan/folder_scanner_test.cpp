// The folder scanner and the folder counter on real folders of the prefix.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "core/system_clean.h"
#include "fixtures/fixtures.h"
#include "scan/file_helpers.h"
#include "scan_helpers.h"

namespace {

std::vector<std::wstring> ItemNames(const ResultList& list) {
    std::vector<std::wstring> out;
    for (const auto& item : list) out.push_back(item.name);
    std::sort(out.begin(), out.end());
    return out;
}

std::uint32_t Scan(CSystemClean& cleaner, const std::wstring& folder, ResultList* results,
                   IScanProgress* callback = nullptr, const wchar_t* filter = nullptr,
                   int recurse = 1) {
    ScanTotals totals;
    return cleaner.ScanFolder(folder.c_str(), results, &totals, callback, filter, recurse);
}

TEST(ScanFolder, FourFilesReportQuartersAndBecomeItems) {
    auto folder = fx::Scratch(L"scan\\four");
    for (int i = 1; i <= 4; ++i) fx::MakeFile(folder + L"\\f" + std::to_wstring(i) + L".bin", i);
    CSystemClean cleaner;
    cleaner.ExpectedCount = 4;
    cleaner.CurrentCategory = kCategoryRecentDocuments;
    ResultList results;
    ScanTotals totals{10, 1};  // added to, never reset
    fx::Recorder recorder;
    ASSERT_EQ(cleaner.ScanFolder(folder.c_str(), &results, &totals, &recorder, nullptr, 1), 1u);

    EXPECT_EQ(recorder.Percents(), (std::vector<std::uint32_t>{25, 50, 75, 100}));
    for (std::uint32_t i = 0; i < recorder.reports.size(); ++i) {
        EXPECT_EQ(recorder.reports[i].count, i) << "items found before this file";
        EXPECT_EQ(recorder.reports[i].category, kCategoryRecentDocuments);
        EXPECT_EQ(recorder.reports[i].reserved, 0u);
    }
    EXPECT_EQ(totals.count, 5u);
    EXPECT_EQ(totals.bytes, 20u);
    EXPECT_EQ(cleaner.ExaminedCount, 4u);
    EXPECT_EQ(cleaner.FoundCount, 4u);
    ASSERT_EQ(results.size(), 4u);
    auto report = recorder.reports.begin();
    for (const auto& item : results) {
        EXPECT_EQ(std::wstring(item.folder), folder + L"\\");
        EXPECT_EQ(std::wstring(item.folder) + item.name, report++->path);
        EXPECT_EQ(item.size, static_cast<std::uint64_t>(item.name[1] - L'0'));
        EXPECT_EQ(item.category, kCategoryRecentDocuments);
        EXPECT_EQ(item.selected, 1u);
        EXPECT_EQ(item.icon, nullptr);
    }

    // With a trailing backslash the same items come; with nothing expected
    // every report carries 0.
    CSystemClean again;
    ResultList second;
    fx::Recorder zero;
    EXPECT_EQ(Scan(again, folder + L"\\", &second, &zero), 1u);
    EXPECT_EQ(fx::Names(second), fx::Names(results));
    EXPECT_EQ(zero.Percents(), (std::vector<std::uint32_t>{0, 0, 0, 0}));
}

TEST(ScanFolder, RefusesANullFolderAndABareDrive) {
    CSystemClean cleaner;
    ResultList results;
    fx::Recorder recorder;
    ScanTotals totals;
    EXPECT_EQ(cleaner.ScanFolder(nullptr, &results, &totals, &recorder, nullptr, 1), 0u);
    EXPECT_EQ(Scan(cleaner, L"C:", &results, &recorder), 1u);
    EXPECT_EQ(Scan(cleaner, L"", &results, &recorder), 1u);
    EXPECT_EQ(Scan(cleaner, L"C:\\ufc-tests\\no-such-folder", &results, &recorder), 1u);
    EXPECT_TRUE(results.empty());
    EXPECT_TRUE(recorder.reports.empty());
    EXPECT_EQ(cleaner.ExaminedCount, 0u);
}

TEST(ScanFolder, FileHeldOpenIsReportedButNotFound) {
    auto folder = fx::Scratch(L"scan\\locked");
    fx::MakeFile(folder + L"\\busy.txt", 3);
    fx::MakeFile(folder + L"\\free.txt", 5);
    auto holder = scantest::HoldOpen(folder + L"\\busy.txt");
    ASSERT_TRUE(holder.valid());
    CSystemClean cleaner;
    ResultList results;
    fx::Recorder recorder;
    ScanTotals totals;
    EXPECT_EQ(cleaner.ScanFolder(folder.c_str(), &results, &totals, &recorder, nullptr, 1), 1u);
    auto paths = recorder.Paths();
    std::sort(paths.begin(), paths.end());
    EXPECT_EQ(paths, (std::vector<std::wstring>{folder + L"\\busy.txt", folder + L"\\free.txt"}));
    EXPECT_EQ(ItemNames(results), (std::vector<std::wstring>{L"free.txt"}));
    EXPECT_EQ(totals.count, 1u);
    EXPECT_EQ(totals.bytes, 5u);
    EXPECT_EQ(cleaner.ExaminedCount, 2u);
    EXPECT_EQ(cleaner.FoundCount, 1u);
}

TEST(ScanFolder, ReadOnlyFileIsNotFound) {
    if (!scantest::ReadOnlyFilesRefuseWriting())
        GTEST_SKIP() << "Wine runs as root here: a read-only file opens for writing anyway";
    auto folder = fx::Scratch(L"scan\\readonly");
    fx::MakeFile(folder + L"\\kept.txt", 1);
    SetFileAttributesW((folder + L"\\kept.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    CSystemClean cleaner;
    ResultList results;
    EXPECT_EQ(Scan(cleaner, folder, &results), 1u);
    EXPECT_TRUE(results.empty());
    SetFileAttributesW((folder + L"\\kept.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(ScanFolder, FilterLowersOnlyTheFilesSide) {
    auto folder = fx::Scratch(L"scan\\filter");
    for (const wchar_t* name :
         {L"a.LOG", L"b.txt", L"c.Txt", L"d.bak", L"README", L"archive.tar.log"})
        fx::MakeFile(folder + L"\\" + name, 1);
    // Win32 drops a trailing dot from a new name: this one comes from Unix.
    std::string unixFolder = fx::UnixPath(folder);
    ASSERT_EQ(fx::RunUnix(L"/usr/bin/touch '" + std::wstring(unixFolder.begin(), unixFolder.end()) +
                          L"/x.log.'"),
              0);
    std::size_t listed = 0;  // Wine may not show the name with the trailing dot
    {
        WIN32_FIND_DATAW entry;
        ufc::unique_hfind find(FindFirstFileW((folder + L"\\*").c_str(), &entry));
        do listed += !(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
        while (find && FindNextFileW(find.get(), &entry));
    }
    ASSERT_GE(listed, 6u);
    using Names = std::vector<std::wstring>;
    struct Case {
        const wchar_t* filter;
        Names found;
    } cases[] = {
        {L".log|.txt", {L"a.LOG", L"archive.tar.log", L"b.txt", L"c.Txt"}},
        {L".log|.txt|", {L"a.LOG", L"archive.tar.log", L"b.txt", L"c.Txt"}},
        {L".LOG", {}},                            // a token is never lowered
        {L".bak||.none", {L"README", L"d.bak"}},  // the empty token: no extension
        {L"", {L"README", L"a.LOG", L"archive.tar.log", L"b.txt", L"c.Txt", L"d.bak"}},
    };
    for (const auto& c : cases) {
        CSystemClean cleaner;
        ResultList results;
        fx::Recorder recorder;
        EXPECT_EQ(Scan(cleaner, folder, &results, &recorder, c.filter), 1u);
        EXPECT_EQ(ItemNames(results), c.found) << fx::Narrow(c.filter);
        EXPECT_EQ(recorder.reports.size(), listed) << "every file met is reported";
    }
}

TEST(ScanFolder, SkipsDotFoldersAndLinksAndHonoursRecurse) {
    auto target = fx::Scratch(L"scan-link-target");
    fx::MakeFile(target + L"\\outside.txt", 1);
    auto folder = fx::Scratch(L"scan\\tree");
    fx::MakeFile(folder + L"\\top.txt", 1);
    fx::MakeFile(folder + L"\\.git\\hidden.txt", 1);
    fx::MakeFile(folder + L"\\sub\\inner.txt", 1);
    ASSERT_TRUE(fx::MakeFolderLink(target, folder + L"\\link"));

    CSystemClean cleaner;
    ResultList results;
    fx::Recorder recorder;
    EXPECT_EQ(Scan(cleaner, folder, &results, &recorder), 1u);
    EXPECT_EQ(ItemNames(results), (std::vector<std::wstring>{L"inner.txt", L"top.txt"}));
    EXPECT_EQ(recorder.reports.size(), 2u);

    ResultList flat;
    EXPECT_EQ(Scan(cleaner, folder, &flat, nullptr, nullptr, 0), 1u);
    EXPECT_EQ(ItemNames(flat), (std::vector<std::wstring>{L"top.txt"}));

    std::uint64_t files = 0, folders = 0, bytes = 0;
    EXPECT_EQ(ufc::MeasureFolder(folder.c_str(), &files, &folders, &bytes, 1),
              static_cast<DWORD>(ERROR_NO_MORE_FILES));
    EXPECT_EQ(files, 2u);
    EXPECT_EQ(folders, 1u) << "neither .git nor the link is measured";
    files = folders = 0;
    ufc::MeasureFolder(folder.c_str(), &files, &folders, &bytes, 0);
    EXPECT_EQ(files, 1u);
    EXPECT_EQ(folders, 1u);
    EXPECT_TRUE(fx::Exists(target + L"\\outside.txt"));
    fx::RemoveTree(folder + L"\\link");
}

// The order a depth-first, pre-order walk of the enumeration gives.
void ListInWalkOrder(const std::wstring& folder, std::vector<std::wstring>* out) {
    WIN32_FIND_DATAW entry;
    ufc::unique_hfind find(FindFirstFileW((folder + L"\\*.*").c_str(), &entry));
    if (!find) return;
    do {
        std::wstring path = folder + L"\\" + entry.cFileName;
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            out->push_back(path);
        else if (entry.cFileName[0] != L'.')
            ListInWalkOrder(path, out);
    } while (FindNextFileW(find.get(), &entry));
}

TEST(ScanFolder, WalksSubfoldersWhereTheyAreMet) {
    auto folder = fx::Scratch(L"scan\\order");
    for (const wchar_t* name : {L"a", L"m\\b", L"m\\c", L"d", L"z\\e", L"z\\y\\f", L"g"})
        fx::MakeFile(folder + L"\\" + name, 1);
    std::vector<std::wstring> expected;
    ListInWalkOrder(folder, &expected);
    ASSERT_EQ(expected.size(), 7u);
    CSystemClean cleaner;
    ResultList results;
    fx::Recorder recorder;
    Scan(cleaner, folder, &results, &recorder);
    std::vector<std::wstring> found;
    for (const auto& item : results) found.push_back(std::wstring(item.folder) + item.name);
    EXPECT_EQ(found, expected);
    EXPECT_EQ(recorder.Paths(), expected);
}

TEST(ScanFolder, StopFromInsideOnProgressKeepsEarlierItems) {
    auto folder = fx::Scratch(L"scan\\stop");
    for (const wchar_t* name : {L"a.txt", L"b.txt", L"c.txt", L"d.txt"})
        fx::MakeFile(folder + L"\\" + name, 2);
    CSystemClean cleaner;
    fx::Recorder recorder;
    recorder.onReport = [&](const ProgressInfo&) {
        if (recorder.reports.size() == 2) cleaner.StopFlag = 1;
    };
    ResultList results;
    ScanTotals totals;
    EXPECT_EQ(cleaner.ScanFolder(folder.c_str(), &results, &totals, &recorder, nullptr, 1), 2u);
    EXPECT_EQ(recorder.reports.size(), 2u);
    // The file on show when the stop came is still taken.
    EXPECT_EQ(results.size(), 2u);
    EXPECT_EQ(totals.count, 2u);
    EXPECT_EQ(totals.bytes, 4u);
    EXPECT_EQ(cleaner.StopFlag.load(), 1u) << "the scanner never clears the flag";
    // A later scan with the flag still set stops at its first entry.
    ResultList none;
    EXPECT_EQ(Scan(cleaner, folder, &none), 2u);
    EXPECT_TRUE(none.empty());
}

TEST(ScanFolder, StopInTheParentsLastSubfolderEndsTheParentNormally) {
    auto folder = fx::Scratch(L"scan\\nested-stop");
    fx::MakeFile(folder + L"\\only\\a.txt", 1);
    fx::MakeFile(folder + L"\\only\\b.txt", 1);
    CSystemClean cleaner;
    fx::Recorder recorder;
    recorder.onReport = [&](const ProgressInfo&) { cleaner.StopFlag = 1; };
    ResultList results;
    EXPECT_EQ(Scan(cleaner, folder, &results, &recorder), 1u);
    EXPECT_EQ(results.size(), 1u);
    EXPECT_EQ(recorder.reports.size(), 1u);
}

TEST(MeasureFolder, CountsFilesFoldersAndBytesBeyondFourGigabytes) {
    auto folder = fx::Scratch(L"scan\\measure");
    fx::MakeFile(folder + L"\\one", 1);
    fx::MakeSparseFile(folder + L"\\big", 1ull << 32);
    fx::MakeDirs(folder + L"\\empty");
    fx::MakeFile(folder + L"\\.cache\\skipped", 7);
    auto holder = scantest::HoldOpen(folder + L"\\one");  // counted all the same
    std::uint64_t files = 3, folders = 2, bytes = 1;      // added to
    EXPECT_EQ(ufc::MeasureFolder(folder.c_str(), &files, &folders, &bytes, 1),
              static_cast<DWORD>(ERROR_NO_MORE_FILES));
    EXPECT_EQ(files, 5u);
    EXPECT_EQ(folders, 3u);
    EXPECT_EQ(bytes, (1ull << 32) + 2);
    EXPECT_EQ(ufc::MeasureFolder(nullptr, &files, &folders, &bytes, 1),
              static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    // An unresolved folder counts nothing, not the root of the drive.
    EXPECT_NE(ufc::MeasureFolder(L"", &files, &folders, &bytes, 1),
              static_cast<DWORD>(ERROR_NO_MORE_FILES));
    EXPECT_EQ(files, 5u);
    fx::RemoveTree(folder + L"\\big");
}

// A chain of folders with one file at each level, made and removed through
// long-path names, since most of it lies beyond 260 characters.
class DeepTree {
public:
    DeepTree(const std::wstring& root, int levels) {
        std::wstring level = root;
        for (int i = 0; i < levels; ++i, level += L"\\d123456789") {
            CreateDirectoryW((L"\\\\?\\" + level).c_str(), nullptr);
            ufc::unique_hfile file(CreateFileW((L"\\\\?\\" + level + L"\\f.txt").c_str(),
                                               GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                               FILE_ATTRIBUTE_NORMAL, nullptr));
            if (file) folders_.push_back(level);
        }
    }
    ~DeepTree() {
        for (auto it = folders_.rbegin(); it != folders_.rend(); ++it) {
            DeleteFileW((L"\\\\?\\" + *it + L"\\f.txt").c_str());
            RemoveDirectoryW((L"\\\\?\\" + *it).c_str());
        }
    }
    const std::vector<std::wstring>& Folders() const { return folders_; }

private:
    std::vector<std::wstring> folders_;
};

TEST(ScanFolder, TreeDeeperThanAPathEndsNormally) {
    std::wstring root = fx::Scratch(L"scan\\deep");
    DeepTree tree(root, 30);
    ASSERT_EQ(tree.Folders().size(), 30u) << "long-path names are needed to build the tree";
    std::size_t nameable = 0, listable = 0;
    for (const auto& level : tree.Folders()) {
        nameable += level.size() + 6 < 260;  // level\f.txt fits
        listable += level.size() + 4 < 260;  // level\*.* fits
    }
    CSystemClean cleaner;
    ResultList results;
    EXPECT_EQ(Scan(cleaner, root, &results), 1u);
    EXPECT_EQ(results.size(), nameable);
    for (const auto& item : results) EXPECT_LT(wcslen(item.folder) + wcslen(item.name), 260u);
    std::uint64_t files = 0, folders = 0, bytes = 0;
    EXPECT_EQ(ufc::MeasureFolder(root.c_str(), &files, &folders, &bytes, 1),
              static_cast<DWORD>(ERROR_NO_MORE_FILES));
    EXPECT_EQ(files, listable);
}

TEST(ScanFolder, NamesOutsideTheBasicPlaneKeepBothHalves) {
    auto folder = fx::Scratch(L"scan\\astral");
    const std::wstring name = L"\xD834\xDD1E clef.txt";  // U+1D11E
    fx::MakeFile(folder + L"\\" + name, 9);
    CSystemClean cleaner;
    ResultList results;
    fx::Recorder recorder;
    Scan(cleaner, folder, &results, &recorder);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(std::wstring(results.front().name), name);
    EXPECT_EQ(recorder.Paths(), (std::vector<std::wstring>{folder + L"\\" + name}));
}

}  // namespace
