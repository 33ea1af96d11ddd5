// The folder scanner and counter on real trees of the prefix, and the text
// rules and per-file helpers they use.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "fixtures/scan_test.h"
#include "scan/file_helpers.h"
#include "fs/handles.h"

namespace {

using Names = std::vector<std::wstring>;

Names SortedNames(const ResultList& list) {
    Names out;
    for (const auto& item : list) out.push_back(item.name);
    std::sort(out.begin(), out.end());
    return out;
}

// The files of a folder in the order a depth-first walk of the enumeration
// meets them, passing over dot-folders and links.
void ListInWalkOrder(const std::wstring& folder, Names* out) {
    WIN32_FIND_DATAW entry;
    ufc::unique_hfind find(FindFirstFileW((folder + L"\\*.*").c_str(), &entry));
    if (!find) return;
    do {
        const std::wstring path = folder + L"\\" + entry.cFileName;
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            out->push_back(path);
        else if (entry.cFileName[0] != L'.' &&
                 !(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            ListInWalkOrder(path, out);
    } while (FindNextFileW(find.get(), &entry));
}

// One tree of what a walk takes, reports and passes over: files of several
// extensions, a subfolder met between them, a dot-folder, a link out of the
// tree, a file held open and a name outside the basic plane.
struct Tree {
    std::wstring folder = fx::Scratch(L"scan\\tree");
    std::wstring outside = fx::Scratch(L"scan\\outside");
    ufc::unique_hfile busy;
    Tree() {
        std::uint64_t size = 1;
        for (const wchar_t* name : {L"a.LOG", L"m\\b.txt", L"m\\y\\c.Txt", L"README",
                                    L"archive.tar.log", L"\xD834\xDD1E clef.bak", L"busy.txt"})
            fx::MakeFile(folder + L"\\" + name, size++);
        fx::MakeFile(folder + L"\\.git\\hidden.txt", 1);
        fx::MakeFile(outside + L"\\outside.txt", 1);
        fx::MakeFolderLink(outside, folder + L"\\link");
        busy = fx::HoldOpen(folder + L"\\busy.txt");
    }
    ~Tree() { fx::RemoveTree(folder + L"\\link"); }
};

using ScanFolder = fx::ScanTest;

TEST_F(ScanFolder, TakesEveryFileItMeetsInWalkOrderNothingBehindALinkAndWhatTheFilterNames) {
    Tree tree;
    const wchar_t* folder = tree.folder.c_str();
    ASSERT_TRUE(fx::Exists(tree.folder + L"\\link") && tree.busy);
    Names walked;
    ListInWalkOrder(tree.folder, &walked);
    ASSERT_EQ(walked.size(), 7u);
    cleaner.ExpectedCount = walked.size();
    cleaner.CurrentCategory = kCategoryRecentDocuments;
    totals = {10, 1};  // added to, never reset
    ASSERT_EQ(cleaner.ScanFolder(folder, &results, &totals, &recorder, nullptr, 1), 1u);

    // Every file met is reported, the held one too, before it is judged.
    ASSERT_EQ(recorder.Paths(), walked);  // the loop below indexes walked by report
    std::uint32_t found = 0;
    for (std::uint32_t i = 0; i < recorder.reports.size(); ++i) {
        EXPECT_EQ(recorder.reports[i].percent, 100 * (i + 1) / walked.size());
        EXPECT_EQ(recorder.reports[i].count, found) << "items found before this file";
        found += walked[i].find(L"busy") == std::wstring::npos;
    }
    walked.erase(std::find(walked.begin(), walked.end(), tree.folder + L"\\busy.txt"));
    Names paths;
    std::uint64_t bytes = 0;
    for (const auto& item : results) {
        paths.push_back(std::wstring(item.folder) + item.name);
        EXPECT_EQ(item.category, kCategoryRecentDocuments);
        EXPECT_EQ(item.selected, 1u);
        bytes += item.size;
    }
    EXPECT_EQ(paths, walked);
    EXPECT_EQ(totals.count, 7u);
    EXPECT_EQ(totals.bytes, 10 + bytes);
    EXPECT_EQ(bytes, 1u + 2 + 3 + 4 + 5 + 6);
    EXPECT_EQ(cleaner.FoundCount, 6u);

    // Without recursion only the top files; with a trailing backslash and
    // nothing expected, the same items with every percent 0.
    ResultList top, again;
    cleaner.ScanFolder(folder, &top, &totals, nullptr, nullptr, 0);
    EXPECT_EQ(SortedNames(top),
              (Names{L"README", L"a.LOG", L"archive.tar.log", L"\xD834\xDD1E clef.bak"}));
    CSystemClean fresh;
    fx::Recorder zero;
    fresh.ScanFolder((tree.folder + L"\\").c_str(), &again, &totals, &zero, nullptr, 1);
    EXPECT_EQ(fx::Names(again), fx::Names(results));
    EXPECT_EQ(zero.Percents(), std::vector<std::uint32_t>(7, 0));

    // Filters lower only the file side; bad folders find nothing.
    const struct {
        const wchar_t *folder, *filter;
        std::uint32_t result;
        Names found;
    } rows[] = {
        {folder, L".log|.txt", 1, {L"a.LOG", L"archive.tar.log", L"b.txt", L"c.Txt"}},
        {folder, L".log|.txt|", 1, {L"a.LOG", L"archive.tar.log", L"b.txt", L"c.Txt"}},
        {folder, L".LOG", 1, {}},  // a token is never lowered
        {folder, L".bak||.none", 1, {L"README", L"\xD834\xDD1E clef.bak"}},  // "": no extension
        {nullptr, nullptr, 0, {}},
        {L"C:", nullptr, 1, {}},  // a bare drive names its current folder
        {L"", nullptr, 1, {}},    // an empty text no folder at all
        {L"C:\\ufc-tests\\no-such-folder", nullptr, 1, {}},
    };
    for (const auto& row : rows) {
        CSystemClean cleaner;
        ResultList results;
        ScanTotals totals;
        EXPECT_EQ(cleaner.ScanFolder(row.folder, &results, &totals, nullptr, row.filter, 1),
                  row.result);
        EXPECT_EQ(SortedNames(results), row.found) << fx::Narrow(row.filter ? row.filter : L"");
    }
}

TEST_F(ScanFolder, AStopEndsTheWalkAtItsNextEntry) {
    const std::wstring folder = fx::Scratch(L"scan\\stop");
    for (const wchar_t* name : {L"a.txt", L"b.txt", L"c.txt", L"d.txt"})
        fx::MakeFile(folder + L"\\" + name, 2);
    recorder.onReport = [&](const ProgressInfo&) {
        if (recorder.reports.size() == 2) cleaner.StopFlag = 1;
    };
    EXPECT_EQ(cleaner.ScanFolder(folder.c_str(), &results, &totals, &recorder, nullptr, 1), 2u);
    // The file on show when the stop came is still taken.
    EXPECT_EQ(recorder.reports.size(), 2u);
    EXPECT_EQ(results.size(), 2u);
    EXPECT_EQ(totals.bytes, 4u);
    EXPECT_EQ(cleaner.StopFlag.load(), 1u) << "the scanner never clears the flag";
}

TEST(MeasureFolder, CountsFilesFoldersAndBytesBeyondFourGigabytesButNoLink) {
    Tree tree;
    fx::MakeSparseFile(tree.folder + L"\\big", 1ull << 32);
    fx::MakeDirs(tree.folder + L"\\empty");
    std::uint64_t files = 3, folders = 2, bytes = 1;  // added to
    EXPECT_EQ(ufc::MeasureFolder(tree.folder.c_str(), &files, &folders, &bytes, 1),
              static_cast<DWORD>(ERROR_NO_MORE_FILES));
    EXPECT_EQ(files, 3u + 8);
    EXPECT_EQ(folders, 2u + 3) << "m, m\\y and empty: neither .git nor the link";
    EXPECT_EQ(bytes, 1 + (1ull << 32) + 28);
    EXPECT_EQ(ufc::MeasureFolder(nullptr, &files, &folders, &bytes, 1),
              static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    // An unresolved folder counts nothing, not the current drive.
    EXPECT_NE(ufc::MeasureFolder(L"", &files, &folders, &bytes, 1),
              static_cast<DWORD>(ERROR_NO_MORE_FILES));
    EXPECT_EQ(files, 11u);
    fx::RemoveTree(tree.folder + L"\\big");
}

// The icon of a type is asked once, the cache stops growing at its limit,
// and the cached icons die with their cleaner.
TEST(FileHelpers, TheIconCacheIsBoundedAndDiesWithItsCleaner) {
    auto cleaner = std::make_unique<CSystemClean>();
    HICON icon = cleaner->GetTypeIcon(L"C:\\nowhere\\a.txt", 1);
    ICONINFO info = {};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    EXPECT_EQ(cleaner->GetTypeIcon(L"D:\\other\\b.txt", 1), icon);
    EXPECT_EQ(cleaner->GetTypeIcon(L"C:\\nowhere\\README", 1), nullptr);
    for (std::size_t i = 0; cleaner->IconCache.size() < kIconCacheLimit; ++i)
        cleaner->IconCache[L".x" + std::to_wstring(i)] = nullptr;
    EXPECT_EQ(cleaner->GetTypeIcon(L"a.log", 1), nullptr);
    EXPECT_EQ(cleaner->IconCache.size(), kIconCacheLimit);
    cleaner.reset();
    EXPECT_FALSE(GetIconInfo(icon, &info)) << "the cached icon outlived its cleaner";
}

}  // namespace
