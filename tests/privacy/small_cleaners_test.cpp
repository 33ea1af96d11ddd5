// Single files, the collected-path lists, the Windows temporary folder, the
// update download cache and the clipboard.
#include <gtest/gtest.h>

#include <cstring>

#include <shlobj.h>

#include "privacy_fixtures.h"

namespace {

std::wstring WindowsFolder() {
    wchar_t path[MAX_PATH] = {};
    GetWindowsDirectoryW(path, MAX_PATH);
    return path;
}

void PutTextOnClipboard(const wchar_t* text) {
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    std::size_t bytes = (wcslen(text) + 1) * sizeof(wchar_t);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes);
    std::memcpy(GlobalLock(block), text, bytes);
    GlobalUnlock(block);
    SetClipboardData(CF_UNICODETEXT, block);
    CloseClipboard();
    ASSERT_TRUE(IsClipboardFormatAvailable(CF_UNICODETEXT));
}

TEST(DeleteOneFile, RemovesReadOnlyFilesAndRefusesEmptyPaths) {
    std::wstring folder = fx::Scratch(L"one-file");
    std::wstring file = folder + L"\\locked.txt";
    fx::MakeFile(file, 10);
    SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    CSystemClean cleaner;

    EXPECT_TRUE(cleaner.DeleteOneFile(file));
    EXPECT_FALSE(fx::Exists(file));
    EXPECT_FALSE(cleaner.DeleteOneFile(file));
    EXPECT_FALSE(cleaner.DeleteOneFile(L""));
}

TEST(WindowsTemp, EmptiedButTheFolderAndDotFoldersStay) {
    std::wstring temp = WindowsFolder() + L"\\Temp";
    std::wstring outside = fx::Scratch(L"temp-link-target");
    fx::MakeFile(outside + L"\\precious.doc", 10);
    fx::MakeFile(temp + L"\\ufc-junk.tmp", 10);
    fx::MakeFile(temp + L"\\ufc-sub\\deeper\\x.tmp", 10);
    fx::MakeFile(temp + L"\\.ufc-dot\\keep.me", 10);
    ASSERT_TRUE(fx::MakeFolderLink(outside, temp + L"\\ufc-link"));
    CSystemClean cleaner;

    cleaner.CleanWindowsTemp();

    EXPECT_TRUE(fx::Exists(temp));
    EXPECT_FALSE(fx::Exists(temp + L"\\ufc-junk.tmp"));
    EXPECT_FALSE(fx::Exists(temp + L"\\ufc-sub"));
    EXPECT_TRUE(fx::Exists(temp + L"\\.ufc-dot\\keep.me"));
    EXPECT_TRUE(fx::Exists(outside + L"\\precious.doc"));
    fx::RemoveTree(temp + L"\\ufc-link");
    fx::RemoveTree(temp + L"\\.ufc-dot");
}

TEST(UpdateDownloads, CacheIsEmptiedAndKept) {
    std::wstring cache = WindowsFolder() + L"\\SoftwareDistribution\\Download";
    fx::MakeFile(cache + L"\\a1b2\\update.cab", 100);
    fx::MakeFile(cache + L"\\loose.bin", 1);
    CSystemClean cleaner;

    EXPECT_EQ(cleaner.CleanUpdateDownloads(), 1);

    EXPECT_TRUE(fx::Exists(cache));
    EXPECT_FALSE(fx::Exists(cache + L"\\a1b2"));
    EXPECT_FALSE(fx::Exists(cache + L"\\loose.bin"));
}

TEST(ListedPaths, ShortcutListsAreDeletedAndKept) {
    std::wstring folder = fx::Scratch(L"listed");
    CSystemClean cleaner;
    struct Row {
        PathList* list;
        bool (CSystemClean::*remove)();
    };
    for (Row row :
         {Row{&cleaner.InvalidDesktopShortcuts, &CSystemClean::DeleteListedDesktopShortcuts},
          Row{&cleaner.InvalidStartMenuShortcuts, &CSystemClean::DeleteListedStartMenuShortcuts}}) {
        *row.list = {folder + L"\\a.lnk", folder + L"\\ro.lnk", folder + L"\\gone.lnk"};
        fx::MakeFile(folder + L"\\a.lnk", 1);
        fx::MakeFile(folder + L"\\ro.lnk", 1);
        fx::MakeFile(folder + L"\\unlisted.lnk", 1);
        SetFileAttributesW((folder + L"\\ro.lnk").c_str(), FILE_ATTRIBUTE_READONLY);

        EXPECT_TRUE((cleaner.*row.remove)());
        EXPECT_FALSE(fx::Exists(folder + L"\\a.lnk"));
        EXPECT_FALSE(fx::Exists(folder + L"\\ro.lnk"));
        EXPECT_TRUE(fx::Exists(folder + L"\\unlisted.lnk"));
        EXPECT_EQ(row.list->size(), 3u);
        EXPECT_TRUE((cleaner.*row.remove)());  // a second run finds nothing to do
    }
}

TEST(ListedPaths, DumpListTouchesOnlyExistingFiles) {
    std::wstring folder = fx::Scratch(L"dumps");
    fx::MakeFile(folder + L"\\memory.dmp", 100);
    SetFileAttributesW((folder + L"\\memory.dmp").c_str(), FILE_ATTRIBUTE_READONLY);
    CSystemClean cleaner;
    cleaner.DumpFileList = {folder + L"\\memory.dmp", folder + L"\\already-gone.dmp"};

    cleaner.DeleteListedDumpFiles();
    cleaner.DeleteListedDumpFiles();

    EXPECT_FALSE(fx::Exists(folder + L"\\memory.dmp"));
    EXPECT_EQ(cleaner.DumpFileList.size(), 2u);
}

// Another thread holds the clipboard open through a window of its own until
// `done` is set.
struct ClipboardHolder {
    ufc::unique_handle opened{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    ufc::unique_handle done{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    BOOL ok = FALSE;

    static DWORD WINAPI Run(void* self) {
        auto* h = static_cast<ClipboardHolder*>(self);
        HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                      nullptr, nullptr);
        h->ok = window && OpenClipboard(window);
        SetEvent(h->opened.get());
        WaitForSingleObject(h->done.get(), INFINITE);
        if (h->ok) CloseClipboard();
        if (window) DestroyWindow(window);
        return 0;
    }
};

TEST(Clipboard, EmptiedWhenOpenedAndLeftWhenAnotherThreadHoldsIt) {
    PutTextOnClipboard(L"copied secret");
    CSystemClean cleaner;
    EXPECT_TRUE(cleaner.ClearClipboard());
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_UNICODETEXT));

    PutTextOnClipboard(L"held elsewhere");
    ClipboardHolder holder;
    ufc::unique_handle thread(CreateThread(nullptr, 0, &ClipboardHolder::Run, &holder, 0, nullptr));
    WaitForSingleObject(holder.opened.get(), INFINITE);
    BOOL cleared = holder.ok ? cleaner.ClearClipboard() : TRUE;
    SetEvent(holder.done.get());
    WaitForSingleObject(thread.get(), INFINITE);
    ASSERT_TRUE(holder.ok);
    EXPECT_FALSE(cleared);
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_UNICODETEXT));
}

}  // namespace
