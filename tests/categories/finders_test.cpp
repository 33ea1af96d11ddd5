// The path collectors on real folder trees of the test prefix.
#include <gtest/gtest.h>

#include <algorithm>

#include "categories/finders.h"
#include "fixtures/fixtures.h"

namespace {

using Paths = std::list<std::wstring>;

std::vector<std::wstring> Sorted(const Paths& paths) {
    std::vector<std::wstring> out(paths.begin(), paths.end());
    std::sort(out.begin(), out.end());
    return out;
}

Paths ByExtension(const std::wstring& folder, std::vector<std::wstring> extensions,
                  bool filter = true, bool recursive = true) {
    Paths paths;
    ufc::FindFilesByExtension(folder, &paths, extensions, filter, recursive);
    return paths;
}

Paths BySuffix(const std::wstring& folder, const std::wstring& suffix, bool recursive = true) {
    Paths paths;
    ufc::FindFilesBySuffix(folder, &paths, suffix, recursive);
    return paths;
}

TEST(FindFilesByExtension, MatchesExtensionsExactlyAndCaseSensitively) {
    auto root = fx::Scratch(L"find-case");
    for (auto name : {L"a.log", L"b.LOG", L"c.Log", L"README", L"name.", L"x.log.bak"})
        fx::MakeFile(root + L"\\" + name);
    EXPECT_EQ(Sorted(ByExtension(root, {L".log", L".LOG"})),
              (std::vector<std::wstring>{root + L"\\a.log", root + L"\\b.LOG"}));
    // The filter off lists everything, names without an extension included.
    EXPECT_EQ(ByExtension(root, {}, false).size(), 6u);
    // The filter on with no extension lists nothing.
    EXPECT_TRUE(ByExtension(root, {}).empty());
}

TEST(FindFilesByExtension, TheLastDotStartsTheExtension) {
    auto root = fx::Scratch(L"find-lastdot");
    fx::MakeFile(root + L"\\archive.tar.gz");
    fx::MakeFile(root + L"\\.txt");
    EXPECT_EQ(ByExtension(root, {L".gz"}), Paths{root + L"\\archive.tar.gz"});
    EXPECT_TRUE(ByExtension(root, {L".tar"}).empty());
    EXPECT_EQ(ByExtension(root, {L".txt"}), Paths{root + L"\\.txt"});
}

TEST(FindFilesByExtension, TrailingBackslashGivesTheSamePaths) {
    auto root = fx::Scratch(L"find-slash");
    fx::MakeFile(root + L"\\sub\\a.txt");
    auto plain = ByExtension(root, {L".txt"});
    EXPECT_EQ(plain, ByExtension(root + L"\\", {L".txt"}));
    EXPECT_EQ(plain, Paths{root + L"\\sub\\a.txt"});
}

TEST(FindFilesByExtension, EmptyFolderTextFindsNothing) {
    EXPECT_TRUE(ByExtension(L"", {}, false).empty());
}

TEST(Finders, DotFolderSkippedByExtensionSearchedBySuffix) {
    auto root = fx::Scratch(L"find-dot");
    fx::MakeFile(root + L"\\.svn\\entries.dat");
    fx::MakeFile(root + L"\\.cache\\index.dat");
    fx::MakeFile(root + L"\\top.dat");
    EXPECT_EQ(ByExtension(root, {L".dat"}), Paths{root + L"\\top.dat"});
    EXPECT_EQ(Sorted(BySuffix(root, L".dat")),
              (std::vector<std::wstring>{root + L"\\.cache\\index.dat",
                                         root + L"\\.svn\\entries.dat", root + L"\\top.dat"}));
}

TEST(Finders, NonRecursiveWalkStaysInTheFolder) {
    auto root = fx::Scratch(L"find-flat");
    fx::MakeFile(root + L"\\a.dmp");
    fx::MakeFile(root + L"\\sub\\b.dmp");
    EXPECT_EQ(ByExtension(root, {L".dmp"}, true, false), Paths{root + L"\\a.dmp"});
    EXPECT_EQ(BySuffix(root, L"", false), Paths{root + L"\\a.dmp"});
}

TEST(Finders, SubfolderFilesStandTogetherDepthFirst) {
    auto root = fx::Scratch(L"find-order");
    fx::MakeFile(root + L"\\m.txt");
    fx::MakeFile(root + L"\\sub\\one.txt");
    fx::MakeFile(root + L"\\sub\\two.txt");
    for (const Paths& paths : {ByExtension(root, {L".txt"}), BySuffix(root, L"")}) {
        ASSERT_EQ(paths.size(), 3u);
        std::vector<std::wstring> v(paths.begin(), paths.end());
        // The two files of sub are adjacent wherever sub was met.
        bool together = (v[0].find(L"\\sub\\") != std::wstring::npos &&
                         v[1].find(L"\\sub\\") != std::wstring::npos) ||
                        (v[1].find(L"\\sub\\") != std::wstring::npos &&
                         v[2].find(L"\\sub\\") != std::wstring::npos);
        EXPECT_TRUE(together) << fx::Narrow(v[0] + L" " + v[1] + L" " + v[2]);
    }
}

TEST(FindFilesBySuffix, SuffixIsCaseSensitiveAndMustFit) {
    auto root = fx::Scratch(L"find-suffix");
    // The prefix's file system ignores case: the upper-case twin lives apart.
    for (auto name : {L"index.dat", L"upper\\INDEX.DAT", L"dat", L".dat", L"a.Dat"})
        fx::MakeFile(root + L"\\" + name);
    EXPECT_EQ(Sorted(BySuffix(root, L".dat")),
              (std::vector<std::wstring>{root + L"\\.dat", root + L"\\index.dat"}));
    EXPECT_EQ(BySuffix(root, L"").size(), 5u);
    EXPECT_TRUE(BySuffix(L"", L"").empty());
}

TEST(Finders, FolderLinksAreNeverEntered) {
    auto root = fx::Scratch(L"find-links");
    auto outside = fx::Scratch(L"find-links-target");
    fx::MakeFile(outside + L"\\foreign.txt");
    fx::MakeFile(root + L"\\own.txt");
    fx::MakeDirs(root + L"\\sub");
    ASSERT_TRUE(fx::MakeFolderLink(outside, root + L"\\link"));
    // A link back to the top would make an endless walk if it were followed.
    ASSERT_TRUE(fx::MakeFolderLink(root, root + L"\\sub\\loop"));
    EXPECT_EQ(ByExtension(root, {L".txt"}), Paths{root + L"\\own.txt"});
    EXPECT_EQ(BySuffix(root, L""), Paths{root + L"\\own.txt"});
    fx::RemoveTree(root);
    EXPECT_TRUE(fx::Exists(outside + L"\\foreign.txt"));
}

TEST(Finders, PathsLongerThanTheBufferAreSkippedWhole) {
    auto root = fx::Scratch(L"find-deep");
    // A folder that fits, holding one short and one over-long file name.
    std::wstring deep = root + L"\\" + std::wstring(200 - root.size(), L'd');
    fx::MakeDirs(deep);
    fx::MakeFile(deep + L"\\ok.txt");
    std::wstring longName = std::wstring(80, L'n') + L".txt";
    fx::MakeFile(L"\\\\?\\" + deep + L"\\" + longName);
    ASSERT_TRUE(fx::Exists(L"\\\\?\\" + deep + L"\\" + longName));
    EXPECT_EQ(ByExtension(root, {L".txt"}), Paths{deep + L"\\ok.txt"});
    EXPECT_EQ(BySuffix(root, L".txt"), Paths{deep + L"\\ok.txt"});
    DeleteFileW((L"\\\\?\\" + deep + L"\\" + longName).c_str());
}

}  // namespace
