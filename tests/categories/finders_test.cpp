// The path collectors on one real tree of the prefix.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "categories/finders.h"
#include "fixtures/fixtures.h"

namespace {

using Paths = std::list<std::wstring>;
using Names = std::vector<std::wstring>;

// A tree with names of every kind, a dot-folder, a link out of it and one
// back into it, and a file whose path does not fit 260 units.
struct Tree {
    std::wstring root = fx::Scratch(L"find"), outside = fx::Scratch(L"find-outside");
    std::wstring deep = root + L"\\" + std::wstring(200 - root.size(), L'd');
    Tree() {
        for (const wchar_t* name :
             {L"a.log", L"b.LOG", L"README", L"x.log.bak", L"archive.tar.gz", L".dat", L"index.dat",
              L"upper\\INDEX.DAT", L"sub\\one.txt", L"sub\\two.txt", L".svn\\entries.dat"})
            fx::MakeFile(root + L"\\" + name);
        fx::MakeFile(outside + L"\\foreign.txt");
        fx::MakeFile(deep + L"\\ok.txt");
        fx::MakeFile(L"\\\\?\\" + deep + L"\\" + std::wstring(80, L'n') + L".txt");
        fx::MakeFolderLink(outside, root + L"\\link");
        fx::MakeFolderLink(root, root + L"\\sub\\loop");
    }
    ~Tree() {
        DeleteFileW((L"\\\\?\\" + deep + L"\\" + std::wstring(80, L'n') + L".txt").c_str());
        fx::RemoveTree(root);
    }
    // The paths below root, sorted.
    Names Relative(const Paths& paths) const {
        Names out;
        for (const std::wstring& path : paths) out.push_back(path.substr(root.size() + 1));
        std::sort(out.begin(), out.end());
        return out;
    }
};

TEST(Finders, CollectExactExtensionsOrSuffixesAndNeverFollowALink) {
    Tree tree;
    ASSERT_TRUE(fx::Exists(tree.root + L"\\sub\\loop"));
    const std::wstring ok = tree.deep.substr(tree.root.size() + 1) + L"\\ok.txt";
    const struct {
        std::vector<std::wstring> extensions;
        bool filter, recursive;
        Names found;
    } byExtension[] = {
        // The last dot starts the extension, compared in its letter case.
        {{L".log", L".LOG"}, true, true, {L"a.log", L"b.LOG"}},
        {{L".gz"}, true, true, {L"archive.tar.gz"}},
        {{L".tar"}, true, true, {}},
        {{L".dat"}, true, true, {L".dat", L"index.dat"}},  // not in .svn
        {{L".txt"}, true, true, {ok, L"sub\\one.txt", L"sub\\two.txt"}},
        {{L".txt"}, true, false, {}},
        {{}, true, true, {}},
        {{},
         false,
         false,
         {L".dat", L"README", L"a.log", L"archive.tar.gz", L"b.LOG", L"index.dat", L"x.log.bak"}},
    };
    for (const auto& row : byExtension) {
        Paths paths;
        ufc::FindFilesByExtension(tree.root, &paths, row.extensions, row.filter, row.recursive);
        EXPECT_EQ(tree.Relative(paths), row.found) << row.extensions.size() << row.filter;
    }
    const struct {
        const wchar_t* suffix;
        bool recursive;
        Names found;
    } bySuffix[] = {
        {L".dat", true, {L".dat", L".svn\\entries.dat", L"index.dat"}},  // case counts
        {L".txt", true, {ok, L"sub\\one.txt", L"sub\\two.txt"}},
        {L"",
         false,
         {L".dat", L"README", L"a.log", L"archive.tar.gz", L"b.LOG", L"index.dat", L"x.log.bak"}},
    };
    for (const auto& row : bySuffix) {
        Paths paths;
        ufc::FindFilesBySuffix(tree.root, &paths, row.suffix, row.recursive);
        EXPECT_EQ(tree.Relative(paths), row.found) << fx::Narrow(row.suffix);
    }
    // The files of a subfolder stand together, where the subfolder was met;
    // a trailing backslash gives the same; an empty folder text nothing.
    Paths txt, again, none;
    ufc::FindFilesByExtension(tree.root, &txt, {L".txt"}, true, true);
    ufc::FindFilesByExtension(tree.root + L"\\", &again, {L".txt"}, true, true);
    EXPECT_EQ(txt, again);
    auto one = std::find(txt.begin(), txt.end(), tree.root + L"\\sub\\one.txt");
    auto two = std::find(txt.begin(), txt.end(), tree.root + L"\\sub\\two.txt");
    EXPECT_EQ(std::abs(std::distance(one, two)), 1);
    ufc::FindFilesByExtension(L"", &none, {}, false, true);
    ufc::FindFilesBySuffix(L"", &none, L"", true);
    EXPECT_TRUE(none.empty());
    EXPECT_TRUE(fx::Exists(tree.outside + L"\\foreign.txt"));
}

}  // namespace
