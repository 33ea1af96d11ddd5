// Removing found items: exactly the selected files, through no link swapped
// in after the scan.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <memory>

#include "fs/delete_path.h"
#include "fixtures/scan_test.h"

namespace {

using fx::Item;
using Removal = fx::ScanTest;

TEST_F(Removal, DeletesExactlyTheSelectedFilesAndCountsWhatFailed) {
    const std::wstring folder = fx::Scratch(L"scan\\removal"), a = folder + L"\\a",
                       b = folder + L"\\b";
    // A folder text that leaves room for "victim.txt" exactly: a longer name
    // cut to fit would name the victim.
    const std::wstring longFolder =
        folder + L"\\" + std::wstring(259 - folder.size() - 2 - 10, L'x');
    for (const std::wstring& file :
         {a + L"\\f0.tmp", a + L"\\f1.tmp", b + L"\\f2.tmp", b + L"\\f3.tmp",
          a + L"\\deselected.tmp", a + L"\\sub\\inside.txt", longFolder + L"\\victim.txt"})
        fx::MakeFile(file, 10);
    SetFileAttributesW((a + L"\\f0.tmp").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    // The folders alternate, half the items carry their folder with a
    // backslash; one file is gone, one is a folder, one path does not fit.
    ResultList items{Item(9, a, L"missing.tmp", 7),
                     Item(9, a, L"f0.tmp", 10),
                     Item(9, b + L"\\", L"f2.tmp", 11),
                     Item(9, a + L"\\", L"f1.tmp", 12),
                     Item(9, b, L"f3.tmp", 13),
                     Item(9, a, L"deselected.tmp", 10),
                     Item(9, a, L"sub", 0),
                     Item(9, longFolder, L"victim.txt.bak"),
                     Item(9, L"", L"nofolder.txt")};
    std::next(items.begin(), 5)->selected = 0;

    CleanTotals cleaned;
    EXPECT_EQ(cleaner.CleanUnusedFile(9, items, &cleaned, &recorder), 1u);
    // 8 selected; the percent grows with each removal only: 100 (removed + 1) / 8.
    EXPECT_EQ(recorder.Percents(), (std::vector<std::uint32_t>{12, 12, 25, 37, 50, 62}));
    EXPECT_EQ(recorder.Paths(),
              (std::vector<std::wstring>{a + L"\\missing.tmp", a + L"\\f0.tmp", b + L"\\f2.tmp",
                                         a + L"\\f1.tmp", b + L"\\f3.tmp", a + L"\\sub"}));
    EXPECT_EQ(recorder.reports[5].count, 4u);
    EXPECT_EQ(cleaned.removed, 4u);
    EXPECT_EQ(cleaned.failed, 3u) << "the item without a folder is counted nowhere";
    EXPECT_EQ(cleaned.bytesFreed, 46u);
    for (const wchar_t* name : {L"\\f0.tmp", L"\\f1.tmp"}) EXPECT_FALSE(fx::Exists(a + name));
    for (const wchar_t* name : {L"\\f2.tmp", L"\\f3.tmp"}) EXPECT_FALSE(fx::Exists(b + name));
    EXPECT_TRUE(fx::Exists(a + L"\\deselected.tmp"));
    EXPECT_TRUE(fx::Exists(a + L"\\sub\\inside.txt"));
    EXPECT_TRUE(fx::Exists(longFolder + L"\\victim.txt"));

    // Categories without a removal leave everything, a selected file too.
    CleanTotals none;
    const ResultList stays{Item(9, a, L"deselected.tmp", 10)};
    for (int category : {0, 24, 25})
        EXPECT_EQ(cleaner.CleanUnusedFile(category, stays, &none, &recorder), 1u);
    EXPECT_EQ(none.removed + none.failed, 0u);
    EXPECT_TRUE(fx::Exists(a + L"\\deselected.tmp"));
    // A stop request ends the removal at its next item.
    cleaner.StopFlag = 1;
    EXPECT_EQ(cleaner.CleanUnusedFile(9, items, &none, nullptr), 2u);
}

// Windows\Temp moved aside and reached through a link in its place, as an
// administrator moves a folder: the scan starts there, so the link is above
// the root and allowed.
TEST_F(Removal, LinksSwappedInAfterTheScanRedirectNothing) {
    const std::wstring temp = fx::Special(CSIDL_WINDOWS) + L"\\Temp", real = temp + L"-real";
    fx::RemoveTree(real);
    ASSERT_TRUE(MoveFileW(temp.c_str(), real.c_str()));
    const std::shared_ptr<void> restore(nullptr, [&](void*) {
        fx::RemoveTree(temp);  // the link only
        MoveFileW(real.c_str(), temp.c_str());
    });
    ASSERT_TRUE(fx::MakeFolderLink(real, temp));
    const std::wstring place = temp + L"\\ufc-swap";
    const std::vector<std::wstring> names = {L"a.txt", L"b.txt", L"c.txt"};
    for (const std::wstring& name : names)
        for (const wchar_t* sub : {L"\\plain\\", L"\\swapped\\"})
            fx::MakeFile(place + sub + name, 5);
    fx::MakeFile(place + L"\\turned.tmp", 5);
    const std::wstring victim = fx::Scratch(L"scan\\swap-victim");
    fx::MakeVictims(victim, names);

    ASSERT_EQ(cleaner.GetUnusedFile(9, &results, &totals, nullptr), 1u);
    std::size_t selected = 0;
    for (FoundItem& item : results) {
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
    EXPECT_EQ(cleaner.CleanUnusedFile(9, results, &cleaned, nullptr), 1u);
    EXPECT_EQ(cleaned.removed, 3u);
    EXPECT_EQ(cleaned.failed, 4u);
    EXPECT_EQ(fx::Intact(victim, names), names.size());
    for (const std::wstring& name : names) {
        EXPECT_FALSE(fx::Exists(place + L"\\plain\\" + name));
        EXPECT_TRUE(fx::Exists(place + L"\\swapped-moved\\" + name));
    }
    fx::RemoveTree(place);
}

// How the deleter reads a path before it opens anything: the volume and
// the names below the root, a name it will not open refused.
TEST_F(Removal, APathIsReadAsItsVolumeAndPlainNames) {
    const struct {
        const wchar_t* path;
        const wchar_t* volume;  // empty: none, the path is refused
        const wchar_t* names;   // joined by '|'; null: a name is refused
    } rows[] = {
        {L"C:\\x\\y.tmp", L"C:\\", L"x|y.tmp"},
        {L"\\\\?\\C:\\x\\", L"C:\\", L"x|"},
        {L"\\\\srv\\share\\a", L"\\\\srv\\share", L"a"},
        {L"\\\\?\\UNC\\srv\\share\\a", L"\\\\srv\\share", L"a"},
        {L"\\\\srv\\", L"", nullptr},          // a server without a share
        {L"\\\\?\\\\?\\C:\\x", L"", nullptr},  // the device namespace is no server
        {L"\\\\.\\pipe\\x", L"", nullptr},
        {L"C:\\x\\..\\Windows", L"C:\\", nullptr},
        {L"C:\\x\\a:stream", L"C:\\", nullptr},
        {L"C:\\x\\*.tmp", L"C:\\", nullptr},
        {L"C:\\x\\\\y", L"C:\\", nullptr},  // an empty name between separators
    };
    for (const auto& row : rows) {
        const std::wstring path = ufc::PlainPath(row.path);
        const std::wstring volume = ufc::VolumeOf(path);
        EXPECT_EQ(volume, row.volume) << fx::Narrow(row.path);
        if (volume.empty()) continue;
        const std::wstring root = ufc::NormalRoot(volume);
        std::size_t below = 0;
        ASSERT_TRUE(ufc::HoldsPath(root, path, &below)) << fx::Narrow(row.path);
        std::vector<std::wstring> names;
        const bool plain = ufc::SplitNames(path, below, &names);
        EXPECT_EQ(plain, row.names != nullptr) << fx::Narrow(row.path);
        if (!plain || !row.names) continue;
        std::wstring joined;
        for (std::size_t i = 0; i < names.size(); ++i) joined += (i ? L"|" : L"") + names[i];
        EXPECT_EQ(joined, row.names) << fx::Narrow(row.path);
    }
}

}  // namespace
