// The module's utilities: bounded text, the deletion by handle and the
// folder emptying built on it, special folders and version strings.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <thread>

#include "fixtures/fixtures.h"
#include "fs/handles.h"
#include "fs/rooted_delete.h"
#include "util/shell_folders.h"
#include "fs/path_text.h"

namespace {

using fx::Exists;

TEST(BoundedText, AWholeTextOrNothingAndCutsThatKeepPairsWhole) {
    wchar_t four[4];
    EXPECT_TRUE(ufc::CopyExact(four, L"abc"));
    EXPECT_FALSE(ufc::CopyExact(four, L"abcd"));
    EXPECT_STREQ(four, L"");
    wcscpy(four, L"ab");
    EXPECT_FALSE(ufc::AppendExact(four, L"cd"));
    EXPECT_STREQ(four, L"ab");
    EXPECT_TRUE(ufc::AppendExact(four, L"c"));
    EXPECT_STREQ(four, L"abc");

    const struct {
        const wchar_t* text;
        const wchar_t* cut;  // into 4 units
    } cuts[] = {
        {L"abcdef", L"abc"},
        {L"ab\xD834\xDD1E", L"ab"},             // the pair would be split
        {L"a\xD834\xDD1Ez", L"a\xD834\xDD1E"},  // the pair fits whole
        {L"ab", L"ab"},
    };
    for (const auto& c : cuts) {
        wchar_t out[5] = {L'#', L'#', L'#', L'#', L'#'};
        ufc::CopyTruncated(out, 4, c.text);
        EXPECT_STREQ(out, c.cut) << fx::Narrow(c.text);
        EXPECT_EQ(out[4], L'#');
    }
}

// Emptying leaves every entry whose path would not fit 260 units, and every
// folder whose listing pattern would not; what fits goes.
TEST(RootedDeleter, EmptyingLeavesWhatDoesNotFitAndARefusedFileKeepsItsAttributes) {
    const std::wstring root = fx::Scratch(L"units");
    auto path = [&](wchar_t c, std::size_t units) {
        return root + L"\\" + std::wstring(units - root.size() - 1, c);
    };
    const struct {
        std::wstring file;
        bool stays;
    } rows[] = {
        {path(L'f', 259), false},
        {path(L'f', 260), true},
        {path(L'd', 255) + L"\\f", false},  // "\*.*" fits after the folder
        {path(L'd', 256) + L"\\f", true},
    };
    for (const auto& row : rows) fx::MakeFile(L"\\\\?\\" + row.file, 1);
    ufc::DeleteFolderTree(path(L'd', 256), false);
    ufc::DeleteFolderTree(root, false);
    for (const auto& row : rows)
        EXPECT_EQ(Exists(L"\\\\?\\" + row.file), row.stays) << row.file.size();
    fx::RemoveTree(L"\\\\?\\" + root);

    const std::wstring folder = fx::Scratch(L"rooted");
    // A file mapped into memory cannot go; its read-only bit comes back.
    const std::wstring mapped = folder + L"\\mapped.bin";
    fx::MakeFile(mapped, 8);
    ufc::unique_handle mapping;
    {
        ufc::unique_hfile file(CreateFileW(mapped.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                           OPEN_EXISTING, 0, nullptr));
        mapping.reset(CreateFileMappingW(file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    }
    void* view = MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0);
    ASSERT_NE(view, nullptr);
    const DWORD kept = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN;
    SetFileAttributesW(mapped.c_str(), kept);
    ufc::RootedDeleter deleter({folder});
    EXPECT_NE(deleter.DeleteFile(mapped.c_str()), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(GetFileAttributesW(mapped.c_str()) & kept, kept);
    UnmapViewOfFile(view);

    // "rooted2" lies beside the root "rooted", not below it.
    const std::wstring beside = fx::Scratch(L"rooted2") + L"\\b.txt";
    fx::MakeFile(beside, 1);
    EXPECT_EQ(deleter.DeleteFile(beside.c_str()), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_FALSE(Exists(beside));
}

// One tree of what must go and what must stay: files of every attribute,
// an empty folder, dot-folders, a link out of the tree and one back in.
TEST(DeleteFolderTree, EmptiesTheTreeButNeitherDotFoldersNorWhatLinksLeadTo) {
    const std::wstring root = fx::Scratch(L"tree"), outside = fx::Scratch(L"tree-outside");
    for (const wchar_t* name : {L"\\a.txt", L"\\.dotfile", L"\\sub\\b.bin", L"\\sub\\deeper\\c.log",
                                L"\\sub\\.git\\config", L"\\.cache\\y"})
        fx::MakeFile(root + name, 1);
    SetFileAttributesW((root + L"\\sub\\deeper\\c.log").c_str(),
                       FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    fx::MakeDirs(root + L"\\empty");
    const std::vector<std::wstring> precious = {L"precious.doc", L"also.doc"};
    fx::MakeVictims(outside, precious);
    ASSERT_TRUE(fx::MakeFolderLink(outside, root + L"\\link"));
    ASSERT_TRUE(fx::MakeFolderLink(root, root + L"\\sub\\loop"));

    ufc::DeleteFolderTree(root, false);

    for (const wchar_t* gone :
         {L"\\a.txt", L"\\.dotfile", L"\\sub\\b.bin", L"\\sub\\deeper", L"\\empty"})
        EXPECT_FALSE(Exists(root + gone)) << fx::Narrow(gone);
    for (const wchar_t* kept : {L"\\sub\\.git\\config", L"\\.cache\\y"})
        EXPECT_TRUE(Exists(root + kept));
    EXPECT_EQ(fx::Intact(outside, precious), precious.size());
    // With removeRoot the folder goes too; a missing one is no fault.
    ufc::DeleteFolderTree(root + L"\\.cache", true);
    ufc::DeleteFolderTree(root + L"\\missing", true);
    EXPECT_FALSE(Exists(root + L"\\.cache"));
    EXPECT_TRUE(Exists(root));
    fx::RemoveTree(root);
}

// While the walk empties one of two folders, another thread swaps the other
// for a link to a folder with files of the same names.
TEST(DeleteFolderTree, AFolderSwappedForALinkWhileTheWalkRunsIsNotEntered) {
    const std::wstring root = fx::Scratch(L"swap-walk");
    std::vector<std::wstring> names;
    for (int i = 0; i < 800; ++i) names.push_back(L"f" + std::to_wstring(i) + L".tmp");
    for (const wchar_t* folder : {L"\\one\\", L"\\two\\"})
        for (const std::wstring& name : names) fx::MakeFile(root + folder + name, 1);
    const std::wstring victim = fx::Scratch(L"swap-walk-victim");
    fx::MakeVictims(victim, names);

    // The folder the walk has started on is the first to lose a file.
    auto started = [&](const wchar_t* folder) {
        for (int i = 0; i < 16; ++i)
            if (!Exists(root + folder + names[i])) return true;
        return false;
    };
    std::wstring swapped;
    bool done = false;
    std::thread swapper([&] {
        for (int waited = 0; waited < 20000 && swapped.empty(); ++waited) {
            if (started(L"\\one\\")) swapped = L"\\two";
            if (started(L"\\two\\")) swapped = L"\\one";
            if (swapped.empty()) Sleep(1);
        }
        done = !swapped.empty() && fx::SwapForLink(root + swapped, victim);
    });
    ufc::DeleteFolderTree(root, false);
    swapper.join();

    ASSERT_TRUE(done) << "the walk ended before the swap";
    EXPECT_EQ(fx::Intact(victim, names), names.size());
    EXPECT_FALSE(Exists(root + (swapped == L"\\one" ? L"\\two" : L"\\one")));
    EXPECT_TRUE(Exists(root + swapped + L"-moved\\f0.tmp"));
    fx::RemoveTree(root);
}

TEST(ShellFolders, AFailedLookupIsEmptyAndVersionTextsComeFromTheLastTranslation) {
    EXPECT_FALSE(ufc::GetSpecialFolderPath(CSIDL_INTERNET_CACHE, false).empty());
    EXPECT_TRUE(ufc::GetSpecialFolderPath(0x7ff0, false).empty());
    EXPECT_STREQ(ufc::GetSpecialFolderPathByIdList(0x7ff0), L"");

    const std::wstring two = fx::BinFolder() + L"\\two_translations.dll";
    const std::wstring plain = fx::Scratch(L"version") + L"\\plain.txt";
    fx::MakeFile(plain, 10);
    const struct {
        std::wstring file;
        const wchar_t* value;
        bool found;
        const wchar_t* text;
    } rows[] = {
        {two, L"FileVersion", true, L"8.0.second"},
        {two, L"OnlyFirst", true, L"kept"},  // only the first translation has it
        {two, L"Nowhere", true, L"kept"},    // none has it: the text stays
        {plain, L"FileVersion", false, L"No File Version Infomation"},
        {fx::BinFolder() + L"\\no_translation.dll", L"FileVersion", false,
         L"Failed to VerQueryValue, You can use GetLastError() to get error message"},
    };
    wchar_t out[MAX_PATH] = {};
    for (const auto& row : rows) {
        EXPECT_EQ(ufc::GetFileVersionString(out, row.file.c_str(), row.value), row.found);
        EXPECT_STREQ(out, row.text) << fx::Narrow(row.value);
    }
}

}  // namespace
