// End-to-end tests of ufclean-gui.exe: the program is started in this test
// program's prefix on seeded junk and driven through its window: Scan, read
// the real list, uncheck items, Clean with the confirmation answered, then
// the files on disk are checked.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>

#include "fixtures/rule_files.h"
#include "fixtures/categories.h"
#include "fixtures/demo_profile.h"
#include "fixtures/fixtures.h"
#include "gui_ids.h"
#include "profiles.h"
#include "remote_window.h"
#include "text_format.h"

namespace {

bool EndsWith(const std::wstring& text, const std::wstring& tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

std::wstring NameOf(const std::wstring& path) {
    return path.substr(path.find_last_of(L'\\') + 1);
}

std::uint64_t RecycledCount() {
    SHQUERYRBINFO info = {};
    info.cbSize = sizeof info;
    SHQueryRecycleBinW(L"C:\\", &info);
    return static_cast<std::uint64_t>(info.i64NumItems);
}

bool WaitForRows(const RemoteGui& gui, int rows) {
    for (int i = 0; i < 250 && gui.RowCount(gui::kIdItems) != rows; ++i) Sleep(20);
    return gui.RowCount(gui::kIdItems) == rows;
}

TEST(GuiClean, GroupedChoicesFilterSortAndACleanThatKeepsUncheckedAndFailedRows) {
    ASSERT_TRUE(fx::HaveDisplay()) << "this test needs the virtual display";
    fx::EmptyFolder(fx::Special(CSIDL_WINDOWS) + L"\\Temp");
    fx::EmptyRecycleBin();
    const std::vector<fx::SeededFile> temp = fx::SeedWindowsTemp();
    const std::vector<fx::SeededFile> chrome = fx::SeedChromeProfile();
    const std::vector<fx::SeededFile> recycled = fx::SeedRecycledFiles();
    ASSERT_EQ(recycled.size(), 2u);
    std::vector<fx::RuleFile> discord;
    for (const fx::RuleFile& file : fx::SeedTodaysWindows())
        if (file.rule == L"chromium.cache" && file.application == L"Discord")
            discord.push_back(file);
    ASSERT_EQ(discord.size(), 2u);

    RemoteGui gui;
    ASSERT_TRUE(gui.Start(L"--categories 3,9,16"));
    EXPECT_EQ(gui.State(), gui::kStateReady);
    // Numbers name the module's categories only: the cleaning rules for the
    // seeded Chrome profile stand under Browsers > Chrome, unchecked; the
    // opt-in ones say why they start off.
    const HTREEITEM browsers = gui.Node({L"Browsers"});
    const HTREEITEM chromeNode = gui.Node({L"Browsers", L"Chrome"});
    const HTREEITEM chromeCache = gui.Node({L"Browsers", L"Chrome", L"cache"});
    const HTREEITEM chromeCookies = gui.Node({L"Browsers", L"Chrome", L"cookies"});
    ASSERT_TRUE(browsers && chromeNode && chromeCache && chromeCookies);
    EXPECT_EQ(gui.NodeBox(chromeCache), gui::kUnchecked);
    EXPECT_EQ(gui.NodeText(chromeCookies), L"cookies (opt-in: signs you out of sites)");
    EXPECT_EQ(gui.NodeBox(chromeNode), gui::kUnchecked);
    EXPECT_EQ(gui.NodeBox(browsers), gui::kMixed);  // Internet Explorer's history is checked
    EXPECT_EQ(gui.NodeBox(gui.Node({L"Windows", L"Windows temporary files"})), gui::kChecked);
    // A group's box sets every choice below it; one choice off makes it mixed.
    gui.ToggleNode(chromeNode);
    EXPECT_EQ(gui.NodeBox(chromeNode), gui::kChecked);
    EXPECT_EQ(gui.NodeBox(chromeCache), gui::kChecked);
    EXPECT_EQ(gui.NodeBox(chromeCookies), gui::kChecked);
    gui.ToggleNode(chromeCookies);
    EXPECT_EQ(gui.NodeBox(chromeNode), gui::kMixed);
    gui.ToggleNode(chromeNode);  // mixed: every choice below is checked
    EXPECT_EQ(gui.NodeBox(chromeCookies), gui::kChecked);
    gui.ToggleNode(chromeNode);
    EXPECT_EQ(gui.NodeBox(chromeNode), gui::kUnchecked);
    EXPECT_EQ(gui.NodeBox(chromeCache), gui::kUnchecked);
    // One rule row is scanned and cleaned with the categories.
    const HTREEITEM discordCache = gui.Node({L"Applications", L"Discord", L"cache"});
    gui.ToggleNode(discordCache);
    EXPECT_EQ(gui.NodeBox(discordCache), gui::kChecked);

    SendMessageW(gui.Control(gui::kIdScan), BM_CLICK, 0, 0);
    ASSERT_TRUE(gui.WaitForState(gui::kStateScanned, 60000))
        << fx::Narrow(gui.Text(gui::kIdStatus));
    EXPECT_EQ(gui.Text(gui::kIdStatus).rfind(L"Scan done: ", 0), 0u)
        << fx::Narrow(gui.Text(gui::kIdStatus));
    EXPECT_EQ(gui.Text(gui::kIdSpace).rfind(L"To clean: ", 0), 0u);

    // Every seeded temp file is listed with its folder, size and category.
    for (const fx::SeededFile& file : temp) {
        const int row = gui.FindRow(gui::kIdItems, NameOf(file.path));
        ASSERT_GE(row, 0) << fx::Narrow(file.path);
        EXPECT_EQ(
            gui.Cell(gui::kIdItems, row, gui::kColFolder) +
                (EndsWith(gui.Cell(gui::kIdItems, row, gui::kColFolder), L"\\") ? L"" : L"\\") +
                NameOf(file.path),
            file.path);
        EXPECT_EQ(gui.Cell(gui::kIdItems, row, gui::kColSize), host::HumanSize(file.size));
        EXPECT_EQ(gui.Cell(gui::kIdItems, row, gui::kColCategory), L"Windows temporary files");
        EXPECT_TRUE(gui.Checked(gui::kIdItems, row));
        EXPECT_GE(gui.Image(gui::kIdItems, row), 0) << "no icon for " << fx::Narrow(file.path);
    }
    // The browser's own data starts unchecked and marked.
    for (const wchar_t* name : {L"Login Data", L"Web Data", L"Bookmarks", L"Preferences"}) {
        const int row = gui.FindRow(gui::kIdItems, name);
        ASSERT_GE(row, 0) << fx::Narrow(name);
        EXPECT_FALSE(gui.Checked(gui::kIdItems, row)) << fx::Narrow(name);
        EXPECT_EQ(gui.Cell(gui::kIdItems, row, gui::kColNote).rfind(L"protected: ", 0), 0u);
    }

    // Sorted by size, the rows still stand for their own items when
    // unchecked and cleaned below.
    const int rows = gui.RowCount(gui::kIdItems);
    gui.ClickHeader(gui::kIdItems, gui::kColSize);
    gui.ClickHeader(gui::kIdItems, gui::kColSize);

    // The filter narrows the rows to names or folders with its text; Del
    // unchecks the rows selected there.
    gui.SetText(gui::kIdFilter, L"SETUP-4");
    ASSERT_TRUE(WaitForRows(gui, 1)) << gui.RowCount(gui::kIdItems);
    EXPECT_EQ(gui.Cell(gui::kIdItems, 0, gui::kColName), L"setup-4711.tmp");
    gui.UncheckAllRows(gui::kIdItems);
    EXPECT_FALSE(gui.Checked(gui::kIdItems, 0));
    gui.SetText(gui::kIdFilter, L"");
    ASSERT_TRUE(WaitForRows(gui, rows));
    gui.SetText(gui::kIdFilter, L"msi3a1");  // a folder
    ASSERT_TRUE(WaitForRows(gui, 1));
    EXPECT_EQ(gui.Cell(gui::kIdItems, 0, gui::kColName), L"cab1.cab");
    gui.SetText(gui::kIdFilter, L"");
    ASSERT_TRUE(WaitForRows(gui, rows));
    EXPECT_TRUE(gui.Text(gui::kIdNotice).empty());
    // Space on an unchecked recycled item: the window says the bin stays.
    gui.SetChecked(gui::kIdItems, gui.FindRow(gui::kIdItems, L"old draft.txt"), false);
    EXPECT_FALSE(gui.Checked(gui::kIdItems, gui.FindRow(gui::kIdItems, L"old draft.txt")));
    EXPECT_NE(gui.Text(gui::kIdNotice).find(L"recycle bin is emptied whole: \"old draft.txt\""),
              std::wstring::npos)
        << fx::Narrow(gui.Text(gui::kIdNotice));

    // What the clean should take: the checked rows outside the bin.
    int checked = 0;
    for (int row = 0; row < gui.RowCount(gui::kIdItems); ++row)
        if (gui.Checked(gui::kIdItems, row) &&
            gui.Cell(gui::kIdItems, row, gui::kColCategory) != L"Recycle bin")
            ++checked;
    ASSERT_GT(checked, 4);

    // Another program holds one of them open: it fails, and keeps its row.
    const std::wstring held = fx::Special(CSIDL_WINDOWS) + L"\\Temp\\msi3a1\\cab1.cab";
    HANDLE holder = CreateFileW(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    gui.Click(gui::kIdClean);
    const std::wstring question = gui.AnswerMessageBox(IDYES, 20000);
    EXPECT_NE(question.find(L"Remove " + std::to_wstring(checked) + L" checked item(s)"),
              std::wstring::npos)
        << fx::Narrow(question);
    EXPECT_NE(question.find(L"the recycle bin stays"), std::wstring::npos) << fx::Narrow(question);
    const bool cleaned = gui.WaitForState(gui::kStateCleaned, 60000);
    CloseHandle(holder);
    ASSERT_TRUE(cleaned) << fx::Narrow(gui.Text(gui::kIdStatus));
    EXPECT_EQ(gui.Text(gui::kIdStatus)
                  .rfind(L"Clean done: removed " + std::to_wstring(checked - 1) + L", failed 1", 0),
              0u)
        << fx::Narrow(gui.Text(gui::kIdStatus));

    for (const fx::SeededFile& file : temp)
        EXPECT_EQ(fx::Exists(file.path),
                  EndsWith(file.path, L"\\setup-4711.tmp") || file.path == held)
            << fx::Narrow(file.path);
    for (const fx::RuleFile& file : discord) EXPECT_FALSE(fx::Exists(file.path));
    const std::wstring kept = L"|Login Data|Web Data|Bookmarks|Preferences|Secure Preferences|";
    for (const fx::SeededFile& file : chrome)
        if (kept.find(L"|" + NameOf(file.path) + L"|") != std::wstring::npos ||
            NameOf(file.path) == L"Visited Links") {
            EXPECT_EQ(fx::Exists(file.path), NameOf(file.path) != L"Visited Links");
        }
    EXPECT_EQ(RecycledCount(), 2u);
    // What was removed left the list; the unchecked and the failed rows stay,
    // the failed one with its reason.
    EXPECT_LT(gui.FindRow(gui::kIdItems, L"~DF12AB.tmp"), 0);
    EXPECT_GE(gui.FindRow(gui::kIdItems, L"setup-4711.tmp"), 0);
    const int failed = gui.FindRow(gui::kIdItems, L"cab1.cab");
    ASSERT_GE(failed, 0);
    EXPECT_EQ(gui.Cell(gui::kIdItems, failed, gui::kColNote), L"failed: in use by another program");
    EXPECT_NE(gui.NodeText(gui.Node({L"Windows", L"Windows temporary files"})).find(L"1 failed"),
              std::wstring::npos);

    gui.Close();
    EXPECT_EQ(gui.WaitForExit(20000), 0u);
}

// The drives page, filled at start, lists the system drive with its icon.
TEST(GuiOlderThan, ItemsWrittenWithinTheDaysStartUncheckedAndSayWhyAndDrivesAreListed) {
    fx::EmptyFolder(fx::Special(CSIDL_WINDOWS) + L"\\Temp");
    const std::vector<fx::SeededFile> temp = fx::SeedWindowsTemp();
    fx::SetWriteAge(temp[0].path, 72);
    RemoteGui gui;
    ASSERT_TRUE(gui.Start(L"--older-than 2 --scan 9"));
    ASSERT_TRUE(gui.WaitForState(gui::kStateScanned, 60000));
    for (const fx::SeededFile& file : temp) {
        const int row = gui.FindRow(gui::kIdItems, NameOf(file.path));
        ASSERT_GE(row, 0) << fx::Narrow(file.path);
        const bool old = file.path == temp[0].path;
        EXPECT_EQ(gui.Checked(gui::kIdItems, row), old) << fx::Narrow(file.path);
        EXPECT_EQ(gui.Cell(gui::kIdItems, row, gui::kColNote),
                  old ? L"" : L"protected: written in the last 2 day(s)");
    }
    int system = -1;
    for (int row = 0; row < gui.RowCount(gui::kIdDrives); ++row)
        if (EndsWith(gui.Cell(gui::kIdDrives, row, 0), L"(C:)")) system = row;
    ASSERT_GE(system, 0);
    EXPECT_GE(gui.Image(gui::kIdDrives, system), 0);
    EXPECT_FALSE(gui.Cell(gui::kIdDrives, system, 1).empty());
    EXPECT_EQ(gui.Cell(gui::kIdDrives, system, 3).back(), L'%');
    gui.Close();
    EXPECT_EQ(gui.WaitForExit(20000), 0u);
}

TEST(GuiProfile, ScreenshotAndSaveProfileStoreTheWindowAndItsChoicesAndExit) {
    fx::SeedChromiumProfiles(L"Google\\Chrome", {L"Default", L"Profile 1"});
    const std::wstring shot = fx::Scratch(L"gui-profile") + L"\\window.png";
    RemoteGui gui;
    ASSERT_TRUE(gui.Start(
        L"--categories 9,16 --save-profile gui-choice --screenshot \"" + shot + L"\"", false));
    ASSERT_EQ(gui.WaitForExit(60000), 0u);
    // The screenshot is a PNG of the whole window.
    const std::string png = fx::ReadFileText(shot);
    ASSERT_GT(png.size(), 24u);
    EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    // Width and height, big-endian: at least 700 by 450.
    EXPECT_GE(static_cast<unsigned char>(png[18]) * 256 + static_cast<unsigned char>(png[19]), 700);
    EXPECT_GE(static_cast<unsigned char>(png[22]) * 256 + static_cast<unsigned char>(png[23]), 450);
    host::Profile numbers;
    std::wstring error;
    ASSERT_EQ(host::LoadProfile(L"gui-choice", &numbers, &error), host::ProfileStatus::Ok)
        << fx::Narrow(error);
    EXPECT_EQ(numbers.categories, (std::vector<std::uint32_t>{9, 16}));
    EXPECT_TRUE(numbers.ruleIds.empty());
    // With 'all' the cache rules of both Chrome profiles are one rule each.
    RemoteGui all;
    ASSERT_TRUE(all.Start(L"--categories all --save-profile gui-all --screenshot \"" + shot + L"\"",
                          false));
    ASSERT_EQ(all.WaitForExit(60000), 0u);
    host::Profile everything;
    ASSERT_EQ(host::LoadProfile(L"gui-all", &everything, &error), host::ProfileStatus::Ok);
    EXPECT_EQ(std::count(everything.ruleIds.begin(), everything.ruleIds.end(), L"chromium.cache"),
              1);
    EXPECT_EQ(std::count(everything.categories.begin(), everything.categories.end(), 9u), 1);
    EXPECT_EQ(std::count(everything.ruleIds.begin(), everything.ruleIds.end(), L"chromium.cookies"),
              0);
}

TEST(GuiStop, StopDuringAScanEndsItEarlyWhileTheWindowAnswers) {
    // Enough files that the scan is still running when the first progress
    // shows; the window answers while the worker walks them.
    const std::wstring temp = fx::Special(CSIDL_WINDOWS) + L"\\Temp";
    fx::EmptyFolder(temp);
    const int files = 1500;
    for (int i = 0; i < files; ++i)
        fx::MakeFile(temp + L"\\many\\f" + std::to_wstring(i) + L".tmp", 16);
    RemoteGui gui;
    ASSERT_TRUE(gui.Start(L"--categories 9"));
    SendMessageW(gui.Control(gui::kIdScan), BM_CLICK, 0, 0);
    std::wstring status;
    const ULONGLONG end = GetTickCount64() + 30000;
    while ((status = gui.Text(gui::kIdStatus)).rfind(L"Windows temporary files: ", 0) != 0 &&
           gui.State() == gui::kStateBusy && GetTickCount64() < end)
        Sleep(2);
    ASSERT_EQ(gui.State(), gui::kStateBusy) << "the scan ended before its progress showed";
    EXPECT_NE(status.find(temp), std::wstring::npos) << fx::Narrow(status);
    EXPECT_FALSE(IsWindowEnabled(gui.Control(gui::kIdScan)));
    SendMessageW(gui.Control(gui::kIdStop), BM_CLICK, 0, 0);
    ASSERT_TRUE(gui.WaitForState(gui::kStateScanned, 30000));
    EXPECT_EQ(gui.Text(gui::kIdStatus).rfind(L"Scan stopped: ", 0), 0u)
        << fx::Narrow(gui.Text(gui::kIdStatus));
    EXPECT_LT(gui.RowCount(gui::kIdItems), files);
    EXPECT_TRUE(IsWindowEnabled(gui.Control(gui::kIdScan)));
    gui.Close();
    EXPECT_EQ(gui.WaitForExit(20000), 0u);
    fx::EmptyFolder(temp);
}

}  // namespace
