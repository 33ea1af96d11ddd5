// Categories 11, 13, 14, 15 and 16 from the dispatcher to the removal, as the
// host drives them.
#include <gtest/gtest.h>

#include <shlobj.h>

#include "core/system_clean.h"
#include "fixtures/categories.h"
#include "fixtures/fixtures.h"

namespace {

// Only the named fixtures stay selected: a clean never touches anything else.
ResultList KeepOnly(ResultList items, std::initializer_list<const wchar_t*> names) {
    for (auto& item : items) {
        item.selected = 0;
        for (auto name : names)
            if (std::wstring(item.name) == name) item.selected = 1;
    }
    return items;
}

struct HostRun {
    CSystemClean cleaner;
    ResultList found;
    ScanTotals totals;
    CleanTotals cleaned;
    fx::Recorder progress;
};

TEST(EndToEnd, OfficeRecentFoundAndRemoved) {
    std::wstring folder = fx::Special(CSIDL_APPDATA) + L"\\Microsoft\\Office\\Recent";
    fx::MakeDirs(folder);
    fx::EmptyFolder(folder);
    fx::MakeFile(folder + L"\\plan.doc.lnk", 5);
    fx::MakeFile(folder + L"\\sheet.xls.lnk", 7);
    HostRun run;
    run.cleaner.ExaminedCount = 9;  // the dispatcher starts the count afresh
    EXPECT_EQ(
        run.cleaner.GetUnusedFile(kCategoryOfficeRecent, &run.found, &run.totals, &run.progress),
        1u);
    ASSERT_EQ(run.found.size(), 2u);
    EXPECT_EQ(run.totals.bytes, 12u);
    EXPECT_EQ(run.progress.reports.front().count, 0u);
    EXPECT_EQ(run.found.front().category, kCategoryOfficeRecent);
    EXPECT_EQ(run.cleaner.CleanUnusedFile(kCategoryOfficeRecent, run.found, &run.cleaned, nullptr),
              1u);
    EXPECT_EQ(run.cleaned.removed, 2u);
    EXPECT_EQ(run.cleaned.bytesFreed, 12u);
    EXPECT_FALSE(fx::Exists(folder + L"\\plan.doc.lnk"));
}

TEST(EndToEnd, ChkFragmentFoundAndRemoved) {
    std::wstring file = fx::Special(CSIDL_WINDOWS).substr(0, 3) + L"FILE9911.CHK";
    fx::MakeFile(file, 6);
    HostRun run;
    EXPECT_EQ(run.cleaner.GetUnusedFile(kCategoryChkFragments, &run.found, &run.totals, nullptr),
              1u);
    ASSERT_NE(fx::FindByName(run.found, L"FILE9911.CHK"), nullptr);
    run.cleaner.CleanUnusedFile(kCategoryChkFragments, KeepOnly(run.found, {L"FILE9911.CHK"}),
                                &run.cleaned, nullptr);
    EXPECT_EQ(run.cleaned.removed, 1u);
    EXPECT_FALSE(fx::Exists(file));
    DeleteFileW(file.c_str());
}

TEST(EndToEnd, BrokenShortcutsFoundAndRemoved) {
    struct Case {
        int category;
        std::wstring folder;
    } cases[] = {
        {kCategoryDesktopShortcuts, fx::Special(CSIDL_DESKTOP)},
        {kCategoryStartMenuShortcuts, fx::Special(CSIDL_STARTMENU) + L"\\Programs"},
    };
    for (const auto& c : cases) {
        std::wstring link = c.folder + L"\\ufc-e2e.lnk";
        std::wstring target = fx::Scratch(L"e2e-gone") + L"\\gone.exe";
        ASSERT_TRUE(fx::MakeShortcut(link, target));
        HostRun run;
        EXPECT_EQ(run.cleaner.GetUnusedFile(c.category, &run.found, &run.totals, nullptr), 1u);
        const FoundItem* item = fx::FindByName(run.found, L"ufc-e2e.lnk");
        ASSERT_NE(item, nullptr) << c.category;
        EXPECT_EQ(item->category, static_cast<std::uint32_t>(c.category));
        run.cleaner.CleanUnusedFile(c.category, KeepOnly(run.found, {L"ufc-e2e.lnk"}), &run.cleaned,
                                    nullptr);
        EXPECT_EQ(run.cleaned.removed, 1u) << c.category;
        EXPECT_FALSE(fx::Exists(link)) << c.category;
        DeleteFileW(link.c_str());
    }
}

TEST(EndToEnd, RecycleBinListedAndEmptied) {
    fx::EmptyRecycleBin();
    auto folder = fx::Scratch(L"e2e-bin");
    for (auto name : {L"one.txt", L"two.txt"}) {
        fx::MakeFile(folder + L"\\" + name, 100);
        ASSERT_TRUE(fx::RecycleFile(folder + L"\\" + name));
    }
    HostRun run;
    EXPECT_EQ(
        run.cleaner.GetUnusedFile(kCategoryRecycleBin, &run.found, &run.totals, &run.progress), 1u);
    ASSERT_EQ(run.found.size(), 2u);
    // The bins' item count is the denominator. Wine answers every drive's
    // query with the whole bin, so the count is a multiple of the items.
    ASSERT_GE(run.totals.count, 2u);
    EXPECT_EQ(run.totals.count % 2, 0u);
    EXPECT_EQ(run.cleaner.ExpectedCount, run.totals.count);
    ASSERT_EQ(run.progress.reports.size(), 2u);
    EXPECT_EQ(run.progress.reports[1].percent, 200u / run.totals.count);
    EXPECT_NE(fx::FindByName(run.found, L"one.txt"), nullptr);
    EXPECT_EQ(run.cleaner.CleanUnusedFile(kCategoryRecycleBin, run.found, &run.cleaned, nullptr),
              1u);
    ResultList after;
    ScanTotals afterTotals;
    run.cleaner.ScanRecycleBin(&after, &afterTotals, nullptr, nullptr);
    EXPECT_TRUE(after.empty());
}

}  // namespace
