// Single files, the collected-path lists, the Windows temporary folder, the
// update download cache and the clipboard.
#include <gtest/gtest.h>

#include <shlobj.h>

#include "privacy_fixtures.h"

namespace {

TEST(SmallCleaners, DeleteListedFilesOnlyAndEmptyTheirFoldersKeepingThem) {
    const std::wstring folder = fx::Scratch(L"listed");
    CSystemClean cleaner;
    // One file, then each list of collected paths: read-only files go, a
    // path gone already is no fault, a file not listed stays.
    fx::MakeFile(folder + L"\\one.txt", 10);
    SetFileAttributesW((folder + L"\\one.txt").c_str(),
                       FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    EXPECT_TRUE(cleaner.DeleteOneFile(folder + L"\\one.txt"));
    EXPECT_FALSE(cleaner.DeleteOneFile(folder + L"\\one.txt"));
    EXPECT_FALSE(cleaner.DeleteOneFile(L""));
    const struct {
        PathList* list;
        bool (CSystemClean::*remove)();
    } lists[] = {
        {&cleaner.InvalidDesktopShortcuts, &CSystemClean::DeleteListedDesktopShortcuts},
        {&cleaner.InvalidStartMenuShortcuts, &CSystemClean::DeleteListedStartMenuShortcuts},
        {&cleaner.DumpFileList, nullptr}};
    for (const auto& row : lists) {
        *row.list = {folder + L"\\a.lnk", folder + L"\\ro.lnk", folder + L"\\gone.lnk"};
        for (const wchar_t* name : {L"\\a.lnk", L"\\ro.lnk", L"\\unlisted.lnk"})
            fx::MakeFile(folder + name, 1);
        SetFileAttributesW((folder + L"\\ro.lnk").c_str(), FILE_ATTRIBUTE_READONLY);
        for (int run = 0; run < 2; ++run) {  // a second run finds nothing to do
            if (row.remove) {
                EXPECT_TRUE((cleaner.*row.remove)());
            } else {
                cleaner.DeleteListedDumpFiles();
            }
        }
        EXPECT_FALSE(fx::Exists(folder + L"\\a.lnk"));
        EXPECT_FALSE(fx::Exists(folder + L"\\ro.lnk"));
        EXPECT_TRUE(fx::Exists(folder + L"\\unlisted.lnk"));
        EXPECT_EQ(row.list->size(), 3u);
    }

    // Windows\Temp and the update cache are emptied and kept; a dot-folder
    // and what a link leads to stay.
    const std::wstring temp = fx::Special(CSIDL_WINDOWS) + L"\\Temp";
    const std::wstring cache = fx::Special(CSIDL_WINDOWS) + L"\\SoftwareDistribution\\Download";
    for (const std::wstring& file :
         {temp + L"\\ufc-junk.tmp", temp + L"\\ufc-sub\\deeper\\x.tmp",
          temp + L"\\.ufc-dot\\keep.me", cache + L"\\a1b2\\update.cab", cache + L"\\loose.bin"})
        fx::MakeFile(file, 10);
    fx::MakeVictims(folder, {L"precious.doc"});
    ASSERT_TRUE(fx::MakeFolderLink(folder, temp + L"\\ufc-link"));
    cleaner.CleanWindowsTemp();
    EXPECT_EQ(cleaner.CleanUpdateDownloads(), 1);
    for (const std::wstring& kept : {temp, cache, temp + L"\\.ufc-dot\\keep.me"})
        EXPECT_TRUE(fx::Exists(kept));
    for (const std::wstring& gone :
         {temp + L"\\ufc-junk.tmp", temp + L"\\ufc-sub", cache + L"\\a1b2", cache + L"\\loose.bin"})
        EXPECT_FALSE(fx::Exists(gone)) << fx::Narrow(gone);
    EXPECT_EQ(fx::Intact(folder, {L"precious.doc"}), 1u);
    fx::RemoveTree(temp + L"\\ufc-link");
    fx::RemoveTree(temp + L"\\.ufc-dot");
}

TEST(Clipboard, Category17EmptiesIt) {
    ASSERT_TRUE(pv::PutClipboardText(L"copied secret"));
    CSystemClean cleaner;
    CleanTotals cleaned;
    EXPECT_EQ(cleaner.CleanUnusedFile(17, ResultList(), &cleaned, nullptr), 1u);
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_UNICODETEXT));
}

}  // namespace
