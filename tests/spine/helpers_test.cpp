// Shell folders, folder emptying, registry value counts and version strings.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <thread>

#include "fixtures/fixtures.h"
#include "util/shell_folders.h"

namespace {

using fx::Exists;

std::wstring BinFolder() {
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, n);
    return folder.substr(0, folder.find_last_of(L'\\'));
}

TEST(DeleteFolderTree, EmptiesNestedTreeWithReadOnlyFilesAndKeepsRoot) {
    std::wstring root = fx::Scratch(L"tree");
    fx::MakeFile(root + L"\\a.txt", 10);
    fx::MakeFile(root + L"\\sub\\b.bin", 5);
    fx::MakeFile(root + L"\\sub\\deeper\\c.log", 1);
    fx::MakeFile(root + L"\\.hiddenfile", 1);  // a dot-named file is an ordinary file
    SetFileAttributesW((root + L"\\sub\\deeper\\c.log").c_str(),
                       FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    fx::MakeDirs(root + L"\\emptydir");

    ufc::DeleteFolderTree(root, false);

    EXPECT_TRUE(Exists(root));
    for (const wchar_t* gone : {L"\\a.txt", L"\\sub", L"\\emptydir", L"\\.hiddenfile"})
        EXPECT_FALSE(Exists(root + gone)) << fx::Narrow(gone);
}

TEST(DeleteFolderTree, DotFoldersSurviveAndKeepTheirParent) {
    std::wstring root = fx::Scratch(L"dots");
    fx::MakeFile(root + L"\\sub\\.git\\config", 3);
    fx::MakeFile(root + L"\\sub\\x.tmp", 3);
    fx::MakeFile(root + L"\\.cache\\y", 3);

    ufc::DeleteFolderTree(root, false);

    EXPECT_TRUE(Exists(root + L"\\sub\\.git\\config"));
    EXPECT_TRUE(Exists(root + L"\\.cache\\y"));
    EXPECT_FALSE(Exists(root + L"\\sub\\x.tmp"));
    EXPECT_TRUE(Exists(root + L"\\sub"));  // cannot go while .git is inside
}

TEST(DeleteFolderTree, NeverEntersALinkToAFolderOutsideTheTree) {
    std::wstring outside = fx::Scratch(L"link-target");
    fx::MakeFile(outside + L"\\precious.doc", 100);
    fx::MakeFile(outside + L"\\nested\\also.doc", 100);
    std::wstring root = fx::Scratch(L"link-tree");
    fx::MakeFile(root + L"\\junk.tmp", 1);
    ASSERT_TRUE(fx::MakeFolderLink(outside, root + L"\\link"));
    // A cycle: a link to the tree itself.
    ASSERT_TRUE(fx::MakeFolderLink(root, root + L"\\loop"));

    ufc::DeleteFolderTree(root, false);

    EXPECT_FALSE(Exists(root + L"\\junk.tmp"));
    EXPECT_TRUE(Exists(outside + L"\\precious.doc"));
    EXPECT_TRUE(Exists(outside + L"\\nested\\also.doc"));
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

TEST(DeleteFolderTree, MissingPathDoesNothingEvenWithRemoveRoot) {
    std::wstring root = fx::Scratch(L"missing");
    ufc::DeleteFolderTree(root + L"\\nothing-here", true);
    EXPECT_TRUE(Exists(root));
    // removeRoot on an existing tree takes the root too.
    fx::MakeFile(root + L"\\inner\\f", 1);
    ufc::DeleteFolderTree(root + L"\\inner", true);
    EXPECT_FALSE(Exists(root + L"\\inner"));
}

TEST(DeleteFolderTree, PathTooLongForItsPatternDeletesNothing) {
    std::wstring root = fx::Scratch(L"long");
    std::wstring deep = root;
    while (deep.size() < 250) deep += L"\\dddddddddddddddddddd";
    fx::MakeFile(L"\\\\?\\" + deep + L"\\keep.txt", 1);
    ufc::DeleteFolderTree(deep, false);  // the pattern would not fit 260 units
    EXPECT_TRUE(Exists(L"\\\\?\\" + deep + L"\\keep.txt"));
}

TEST(SpecialFolders, ResolveThroughBothLookupsAndFailEmpty) {
    std::wstring windows = ufc::GetSpecialFolderPath(CSIDL_WINDOWS, false);
    EXPECT_EQ(windows.size() >= 3 ? windows.substr(1, 2) : L"", L":\\");
    std::wstring cache = ufc::GetSpecialFolderPath(CSIDL_INTERNET_CACHE, false);
    EXPECT_FALSE(cache.empty());
    EXPECT_EQ(std::wstring(ufc::GetSpecialFolderPathByIdList(CSIDL_INTERNET_CACHE)), cache);
    EXPECT_TRUE(ufc::GetSpecialFolderPath(0x7ff0, false).empty());
    EXPECT_STREQ(ufc::GetSpecialFolderPathByIdList(0x7ff0), L"");
}

TEST(RegistryValueCount, CountsValuesOfAnOpenKey) {
    const std::wstring key = L"Software\\ufc-tests\\count";
    fx::DeleteKey(HKEY_CURRENT_USER, key);
    fx::SetString(HKEY_CURRENT_USER, key, L"a", L"1");
    fx::SetDword(HKEY_CURRENT_USER, key, L"b", 2);
    fx::SetBinary(HKEY_CURRENT_USER, key, L"c", {1, 2, 3});
    HKEY handle = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &handle), 0);
    EXPECT_EQ(ufc::GetRegistryValueCount(handle), 3u);
    RegCloseKey(handle);
    EXPECT_EQ(ufc::GetRegistryValueCount(nullptr), 0u);
    fx::DeleteKey(HKEY_CURRENT_USER, key);
}

TEST(FileVersionString, TheLastTranslationThatHasTheValueWins) {
    wchar_t out[MAX_PATH] = L"untouched";
    std::wstring dll = BinFolder() + L"\\two_translations.dll";
    ASSERT_TRUE(Exists(dll));
    EXPECT_TRUE(ufc::GetFileVersionString(out, dll.c_str(), L"FileVersion"));
    EXPECT_STREQ(out, L"8.0.second");
    // A value only the first translation carries is still found.
    EXPECT_TRUE(ufc::GetFileVersionString(out, dll.c_str(), L"OnlyFirst"));
    EXPECT_STREQ(out, L"kept");
    // No translation has it: true, and the buffer is left as it was.
    EXPECT_TRUE(ufc::GetFileVersionString(out, dll.c_str(), L"Nowhere"));
    EXPECT_STREQ(out, L"kept");
}

TEST(FileVersionString, ErrorTextsForFilesWithoutUsableResources) {
    wchar_t out[MAX_PATH] = {};
    std::wstring plain = fx::Scratch(L"version") + L"\\plain.txt";
    fx::MakeFile(plain, 10);
    EXPECT_FALSE(ufc::GetFileVersionString(out, plain.c_str(), L"FileVersion"));
    EXPECT_STREQ(out, L"No File Version Infomation");

    std::wstring bare = BinFolder() + L"\\no_translation.dll";
    ASSERT_TRUE(Exists(bare));
    EXPECT_FALSE(ufc::GetFileVersionString(out, bare.c_str(), L"FileVersion"));
    EXPECT_STREQ(out, L"Failed to VerQueryValue, You can use GetLastError() to get error message");
}

TEST(FileVersionString, ReadsTheBrowserProgramOfThePrefix) {
    wchar_t out[MAX_PATH] = {};
    std::wstring program = ufc::GetSpecialFolderPath(CSIDL_PROGRAM_FILES, false) +
                           L"\\Internet Explorer\\iexplore.exe";
    if (!Exists(program)) GTEST_SKIP() << "no browser program in this prefix";
    EXPECT_TRUE(ufc::GetFileVersionString(out, program.c_str(), L"FileVersion"));
    EXPECT_TRUE(out[0] >= L'0' && out[0] <= L'9') << fx::Narrow(out);
}

}  // namespace
