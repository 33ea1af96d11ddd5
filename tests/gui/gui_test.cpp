// End-to-end tests of ufclean-gui.exe: the program is started in this test
// program's prefix on seeded junk and driven through its window: Scan, read
// the real list, uncheck items, Clean with the confirmation answered, then
// the files on disk are checked.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <algorithm>

#include "fixtures/rule_files.h"
#include "fixtures/categories.h"
#include "fixtures/demo_profile.h"
#include "fixtures/fixtures.h"
#include "fixtures/held_clean.h"
#include "schedule/profiles.h"
#include "remote_window.h"
#include "text/format.h"
#include "undo/runs.h"

namespace {

using namespace gui;

bool WaitForRows(const RemoteGui& gui, int rows) {
    for (int i = 0; i < 250 && gui.RowCount(kIdItems) != rows; ++i) Sleep(20);
    return gui.RowCount(kIdItems) == rows;
}

// The undo stores with no run in them but a held clean of the files (below
// root) in the user's, made as a clean makes it; the bytes it holds.
std::uint64_t OneHeldClean(const std::wstring& root, const std::vector<std::wstring>& files) {
    undo::Store store;
    std::wstring why;
    for (undo::StoreKind kind : {undo::StoreKind::Machine, undo::StoreKind::User}) {
        EXPECT_EQ(store.Open(undo::Store::DefaultPath(kind), kind, &why), 0u) << fx::Narrow(why);
        std::vector<undo::RunSummary> runs;
        undo::ListRuns(store, 7, &runs);
        for (const undo::RunSummary& run : runs) EXPECT_EQ(undo::PurgeRun(store, run.id), 0u);
    }
    std::uint64_t bytes = 0;
    for (const std::wstring& file : files) bytes += fx::Listed(file).expected.size;
    fx::HeldClean(store, {L"Windows temporary files, Chrome: Cache", {root}}, files);
    return bytes;
}

TEST(GuiClean, GroupedChoicesFilterSortAndACleanThatKeepsUncheckedAndFailedRows) {
    ASSERT_GT(GetEnvironmentVariableW(L"DISPLAY", nullptr, 0), 0u) << "this test needs a display";
    fx::EmptyFolder(fx::Special(CSIDL_WINDOWS) + L"\\Temp");
    fx::EmptyRecycleBin();
    const std::vector<fx::SeededFile> temp = fx::SeedWindowsTemp();
    fx::SeedChromiumProfiles(L"Google\\Chrome", {L"Default"});
    fx::SeedFirefoxProfile();
    const std::vector<fx::SeededFile> recycled = fx::SeedRecycledFiles();
    ASSERT_EQ(recycled.size(), 2u);
    std::vector<fx::RuleFile> discord;
    for (const fx::RuleFile& file : fx::SeedTodaysWindows())
        if (file.rule == L"chromium.cache" && file.application == L"Discord")
            discord.push_back(file);
    ASSERT_EQ(discord.size(), 2u);

    RemoteGui gui;
    ASSERT_TRUE(gui.Start(L"--categories 3,9,16"));
    // The cleaning rules of the seeded Chrome profile stand under Browsers >
    // Chrome, unchecked; the opt-in ones say so.
    const HTREEITEM group = gui.Node({L"Browsers", L"Chrome"});
    const HTREEITEM cache = gui.Node({L"Browsers", L"Chrome", L"Cache"});
    const HTREEITEM cookies = gui.Node({L"Browsers", L"Chrome", L"Cookies"});
    ASSERT_TRUE(group && cache && cookies);
    EXPECT_EQ(gui.NodeText(cookies), L"Cookies (opt-in)");
    EXPECT_EQ(gui.NodeBox(gui.Node({L"Browsers"})), kMixed);  // Internet Explorer's history is on
    const HTREEITEM firefox = gui.Node({L"Browsers", L"Firefox"});
    const HTREEITEM firefoxCache = gui.Node({L"Browsers", L"Firefox", L"Cache"});
    const HTREEITEM forms = gui.Node({L"Browsers", L"Firefox", L"Form history"});
    ASSERT_TRUE(firefox && firefoxCache && forms);
    // A group's box sets every choice below it, one choice off makes it
    // mixed, and a mixed group's box checks every choice. The rule that may
    // take what the keep list keeps (Firefox's form history) is checked by
    // its own box, never by its group's.
    const struct {
        std::vector<HTREEITEM> nodes;  // a group and two choices below it
        HTREEITEM toggled;
        std::vector<int> boxes;  // of the nodes
    } steps[] = {{{group, cache, cookies}, nullptr, {kUnchecked, kUnchecked, kUnchecked}},
                 {{group, cache, cookies}, group, {kChecked, kChecked, kChecked}},
                 {{group, cache, cookies}, cookies, {kMixed, kChecked, kUnchecked}},
                 {{group, cache, cookies}, group, {kChecked, kChecked, kChecked}},
                 {{group, cache, cookies}, group, {kUnchecked, kUnchecked, kUnchecked}},
                 {{firefox, firefoxCache, forms}, firefox, {kMixed, kChecked, kUnchecked}},
                 {{firefox, firefoxCache, forms}, forms, {kChecked, kChecked, kChecked}},
                 {{firefox, firefoxCache, forms}, firefox, {kMixed, kUnchecked, kChecked}},
                 {{firefox, firefoxCache, forms}, forms, {kUnchecked, kUnchecked, kUnchecked}}};
    for (const auto& step : steps) {
        if (step.toggled) gui.ToggleNode(step.toggled);
        std::vector<int> boxes;
        for (HTREEITEM node : step.nodes) boxes.push_back(gui.NodeBox(node));
        EXPECT_EQ(boxes, step.boxes);
    }
    // One rule row is scanned and cleaned with the categories; Firefox's form
    // history twice: category 22 keeps it, its rule checked by itself takes it.
    gui.ToggleNode(gui.Node({L"Applications", L"Discord", L"Cache"}));
    gui.ToggleNode(forms);
    gui.ToggleNode(gui.Node({L"Browsers", L"Firefox", L"Firefox form history"}));
    gui.Click(kIdScan);
    ASSERT_TRUE(gui.WaitForState(kStateScanned, 60000)) << fx::Narrow(gui.Text(kIdStatus));
    EXPECT_EQ(gui.Text(kIdStatus).rfind(L"Scan done: ", 0), 0u) << fx::Narrow(gui.Text(kIdStatus));

    auto row = [&](const std::wstring& name) { return gui.FindRow(kIdItems, name); };
    auto cell = [&](int at, int column) { return gui.Cell(kIdItems, at, column); };
    // Every seeded temp file is listed with its folder, size and category.
    for (const fx::SeededFile& file : temp) {
        const int at = row(fx::NameOf(file.path));
        EXPECT_EQ(cell(at, kColFolder) + fx::NameOf(file.path), file.path);
        EXPECT_EQ(cell(at, kColSize), host::HumanSize(file.size));
        EXPECT_EQ(cell(at, kColCategory), L"Windows temporary files");
        EXPECT_TRUE(gui.Checked(kIdItems, at));
        EXPECT_GE(gui.Image(kIdItems, at), 0) << "no icon for " << fx::Narrow(file.path);
    }
    // The browser's own data is marked.
    for (const wchar_t* name : {L"Login Data", L"Web Data", L"Bookmarks", L"Preferences"})
        EXPECT_EQ(cell(row(name), kColNote).rfind(L"protected: ", 0), 0u) << fx::Narrow(name);

    // The second click on Size sorts the largest first; the rows still stand
    // for their own items when unchecked and cleaned below.
    const int rows = gui.RowCount(kIdItems);
    gui.ClickHeader(kIdItems, kColSize);
    gui.ClickHeader(kIdItems, kColSize);
    std::vector<std::pair<int, std::uint64_t>> placed;  // row, size of the seeded files
    for (const auto* seeded : {&temp, &recycled})
        for (const fx::SeededFile& file : *seeded)
            placed.emplace_back(row(fx::NameOf(file.path)), file.size);
    std::sort(placed.begin(), placed.end());
    ASSERT_GE(placed.front().first, 0);
    for (size_t k = 1; k < placed.size(); ++k)
        EXPECT_GE(placed[k - 1].second, placed[k].second) << "row " << placed[k].first;
    // The filter narrows the rows to names or folders with its text; Del
    // unchecks the rows it shows.
    gui.SetText(kIdFilter, L"SETUP-4");
    ASSERT_TRUE(WaitForRows(gui, 1)) << gui.RowCount(kIdItems);
    EXPECT_EQ(cell(0, kColName), L"setup-4711.tmp");
    gui.UncheckAllRows(kIdItems);
    gui.SetText(kIdFilter, L"");
    ASSERT_TRUE(WaitForRows(gui, rows));
    gui.SetText(kIdFilter, L"msi3a1");  // a folder
    ASSERT_TRUE(WaitForRows(gui, 1));
    EXPECT_EQ(cell(0, kColName), L"cab1.cab");
    gui.SetText(kIdFilter, L"");
    ASSERT_TRUE(WaitForRows(gui, rows));
    EXPECT_TRUE(gui.Text(kIdNotice).empty());
    // Space on an unchecked recycled item: the window says the bin stays.
    gui.SetChecked(kIdItems, row(L"old draft.txt"), false);
    EXPECT_PRED_FORMAT2(testing::IsSubstring, L"recycle bin is emptied whole: \"old draft.txt\"",
                        gui.Text(kIdNotice));

    // The file two rows list is one row, checked as the rule takes it.
    const int formHistory = row(L"formhistory.sqlite");
    EXPECT_TRUE(gui.Checked(kIdItems, formHistory));
    gui.SetChecked(kIdItems, formHistory, false);
    EXPECT_FALSE(gui.Checked(kIdItems, formHistory));

    // What the clean should take: the checked rows outside the bin.
    int checked = 0;
    for (int at = 0; at < rows; ++at)
        checked += gui.Checked(kIdItems, at) && cell(at, kColCategory) != L"Recycle bin";
    ASSERT_GT(checked, 4);
    // Another program holds one of them open: it fails, and keeps its row.
    const std::wstring held = fx::Special(CSIDL_WINDOWS) + L"\\Temp\\msi3a1\\cab1.cab";
    ufc::unique_hfile holder = fx::HoldOpen(held);
    ASSERT_TRUE(holder);
    gui.Click(kIdClean);
    const std::wstring question = gui.AnswerMessageBox(IDYES, 20000);
    EXPECT_PRED_FORMAT2(testing::IsSubstring,
                        L"Remove " + std::to_wstring(checked) + L" checked item(s)", question);
    EXPECT_PRED_FORMAT2(testing::IsSubstring, L"the recycle bin stays", question);
    const bool cleaned = gui.WaitForState(kStateCleaned, 60000);
    holder.reset();
    ASSERT_TRUE(cleaned) << fx::Narrow(gui.Text(kIdStatus));
    EXPECT_PRED_FORMAT2(testing::IsSubstring,
                        L"Clean done: removed " + std::to_wstring(checked - 1) + L", failed 1",
                        gui.Text(kIdStatus));
    // The temporary files are held for undo (the cache that refills is not),
    // and the clean can be taken back from this page.
    EXPECT_PRED_FORMAT2(testing::IsSubstring, L", held for undo until ", gui.Text(kIdStatus));
    EXPECT_TRUE(IsWindowEnabled(gui.Control(kIdUndoClean)));

    for (const fx::SeededFile& file : temp)
        EXPECT_EQ(fx::Exists(file.path),
                  file.path == held || fx::NameOf(file.path) == L"setup-4711.tmp")
            << fx::Narrow(file.path);
    for (const fx::RuleFile& file : discord) EXPECT_FALSE(fx::Exists(file.path));
    EXPECT_EQ(fx::BinItemCount(), 2u);
    // What was removed left the list; the unchecked and the failed rows stay,
    // the failed one with its reason.
    EXPECT_LT(row(L"~DF12AB.tmp"), 0);
    EXPECT_GE(row(L"setup-4711.tmp"), 0);
    EXPECT_EQ(cell(row(L"cab1.cab"), kColNote), L"failed: in use by another program");
    EXPECT_PRED_FORMAT2(testing::IsSubstring, L"1 failed",
                        gui.NodeText(gui.Node({L"Windows", L"Windows temporary files"})));
    gui.Close();
    EXPECT_EQ(gui.WaitForExit(20000), 0u);
}

// Width and height of a PNG file (big-endian in its header); 0 when it is none.
std::pair<int, int> PngSize(const std::wstring& path) {
    const std::string png = fx::ReadFileText(path);
    if (png.size() < 24 || png.substr(0, 8) != std::string("\x89PNG\r\n\x1a\n", 8)) return {0, 0};
    auto number = [&](size_t at) {
        return static_cast<unsigned char>(png[at]) * 256 + static_cast<unsigned char>(png[at + 1]);
    };
    return {number(18), number(22)};
}

// With 'all' the cache rules of both Chrome profiles are one rule each; the
// screenshot is a PNG of the whole window.
TEST(GuiProfile, ScreenshotAndSaveProfileStoreTheWindowAndItsChoicesAndExit) {
    fx::SeedChromiumProfiles(L"Google\\Chrome", {L"Default", L"Profile 1"});
    const std::wstring shot = fx::Scratch(L"gui-profile") + L"\\window.png";
    RemoteGui gui;
    ASSERT_TRUE(gui.Start(L"--categories all --save-profile gui-all --screenshot \"" + shot + L"\"",
                          false));
    ASSERT_EQ(gui.WaitForExit(60000), 0u);
    const auto [width, height] = PngSize(shot);
    EXPECT_GE(width, 700);
    EXPECT_GE(height, 450);
    host::Profile saved;
    std::wstring error;
    ASSERT_EQ(host::LoadProfile(L"gui-all", &saved, &error), host::ProfileStatus::Ok)
        << fx::Narrow(error);
    const auto& ids = saved.ruleIds;
    EXPECT_EQ(std::count(ids.begin(), ids.end(), L"chromium.cache"), 1);
    EXPECT_EQ(std::count(ids.begin(), ids.end(), L"chromium.cookies"), 0);
    EXPECT_EQ(std::count(saved.categories.begin(), saved.categories.end(), 9u), 1);
}

// A stop during a scan ends it early while the window answers; a whole scan
// then lists the files written within --older-than days unchecked, saying
// why. The drives page lists the system drive with its icon.
TEST(GuiStop, StopDuringAScanEndsItEarlyWhileTheWindowAnswers) {
    const std::wstring temp = fx::Special(CSIDL_WINDOWS) + L"\\Temp";
    fx::EmptyFolder(temp);
    const int files = 1500;
    for (int i = 0; i < files; ++i)
        fx::MakeFile(temp + L"\\many\\f" + std::to_wstring(i) + L".tmp", 16);
    fx::SetWriteAge(temp + L"\\many\\f0.tmp", 72);
    const std::wstring typed = L"Software\\Microsoft\\Internet Explorer\\TypedURLs";
    fx::DeleteKey(HKEY_CURRENT_USER, typed);
    fx::SetString(HKEY_CURRENT_USER, typed, L"url1", L"http://news.example/");
    RemoteGui gui;
    ASSERT_TRUE(gui.Start(L"--categories 4,9 --older-than 2"));
    // Before a scan the drive line says what the drive holds.
    EXPECT_PRED_FORMAT2(testing::IsSubstring, L". C: ", gui.Text(kIdSpace));
    SendMessageW(gui.Control(kIdScan), BM_CLICK, 0, 0);  // busy when it returns
    std::wstring status;
    const ULONGLONG end = GetTickCount64() + 30000;
    while ((status = gui.Text(kIdStatus)).rfind(L"Windows temporary files: ", 0) != 0 &&
           gui.State() == kStateBusy && GetTickCount64() < end)
        Sleep(2);
    ASSERT_EQ(gui.State(), kStateBusy) << "the scan ended before its progress showed";
    EXPECT_PRED_FORMAT2(testing::IsSubstring, temp, status);
    EXPECT_FALSE(IsWindowEnabled(gui.Control(kIdScan)));
    SendMessageW(gui.Control(kIdStop), BM_CLICK, 0, 0);
    ASSERT_TRUE(gui.WaitForState(kStateScanned, 30000));
    EXPECT_PRED_FORMAT2(testing::IsSubstring, L"Scan stopped: ", gui.Text(kIdStatus));
    EXPECT_LT(gui.RowCount(kIdItems), files);
    ASSERT_TRUE(IsWindowEnabled(gui.Control(kIdScan)));

    gui.Click(kIdScan);
    for (int i = 0; i < 3000 && gui.Text(kIdStatus).rfind(L"Scan done: ", 0) != 0; ++i) Sleep(20);
    EXPECT_EQ(gui.RowCount(kIdItems), files + 1);
    // A typed address is a registry entry: its own type, its key, no extension.
    const int url = gui.FindRow(kIdItems, L"http://news.example/");
    EXPECT_EQ(gui.Cell(kIdItems, url, kColType), L"Registry value");
    EXPECT_EQ(gui.Cell(kIdItems, url, kColFolder), L"HKCU\\" + typed + L"\\url1");
    EXPECT_GE(gui.Image(kIdItems, url), 0);
    const int old = gui.FindRow(kIdItems, L"f0.tmp"), young = gui.FindRow(kIdItems, L"f1.tmp");
    EXPECT_FALSE(gui.Cell(kIdItems, old, kColWritten).empty());
    EXPECT_TRUE(gui.Checked(kIdItems, old));
    EXPECT_FALSE(gui.Checked(kIdItems, young));
    EXPECT_EQ(gui.Cell(kIdItems, old, kColNote), L"");
    EXPECT_EQ(gui.Cell(kIdItems, young, kColNote), L"protected: written in the last 2 day(s)");
    int system = -1;
    for (int at = 0; at < gui.RowCount(kIdDrives); ++at)
        if (gui.Cell(kIdDrives, at, 0).find(L"(C:)") != std::wstring::npos) system = at;
    ASSERT_GE(system, 0);
    EXPECT_GE(gui.Image(kIdDrives, system), 0);
    EXPECT_FALSE(gui.Cell(kIdDrives, system, 1).empty());
    EXPECT_EQ(gui.Cell(kIdDrives, system, 3).back(), L'%');
    // A scan that finds nothing says so and leaves nothing to press Clean for.
    fx::EmptyFolder(temp);
    fx::DeleteKey(HKEY_CURRENT_USER, typed);
    const std::wstring nothing = L"Scan done: nothing to clean.";
    gui.Click(kIdScan);
    for (int i = 0; i < 3000 && gui.Text(kIdStatus) != nothing; ++i) Sleep(20);
    EXPECT_EQ(gui.Text(kIdStatus), nothing);
    EXPECT_FALSE(IsWindowEnabled(gui.Control(kIdClean)));
    gui.Close();
    EXPECT_EQ(gui.WaitForExit(20000), 0u);
    fx::EmptyFolder(temp);
}

// The History page lists a held clean with its files and bytes, which the
// picture of the space shows as held; Undo puts its files back (one beside
// its path, taken since, and the window names it), Free now deletes them.
TEST(GuiHistory, UndoPutsAHeldCleanBackAndFreeNowDeletesOne) {
    const std::wstring root = fx::Scratch(L"gui-history");
    const struct {
        int button;
        const wchar_t* status;  // how the page's status line starts
        bool back;              // the files are in their places again
    } rows[] = {{kIdUndo, L"Undo of the clean of ", true}, {kIdFreeNow, L"Freed ", false}};
    for (const auto& row : rows) {
        const std::vector<std::wstring> files = {root + L"\\a.tmp", root + L"\\sub\\b.log",
                                                 root + L"\\taken.txt"};
        for (const std::wstring& file : files) fx::MakeFileWithText(file, fx::Narrow(file));
        const std::uint64_t bytes = OneHeldClean(root, files);
        fx::MakeFileWithText(files[2], "written since");
        RemoteGui gui;
        ASSERT_TRUE(gui.Start(L"--page history"));
        ASSERT_EQ(gui.RowCount(kIdHistory), 1) << fx::Narrow(gui.Text(kIdHistoryStatus));
        EXPECT_EQ(gui.Cell(kIdHistory, 0, 1), L"Windows temporary files, Chrome: Cache");
        EXPECT_EQ(gui.Cell(kIdHistory, 0, 2), L"3");
        EXPECT_EQ(gui.Cell(kIdHistory, 0, 3), host::HumanSize(bytes));
        EXPECT_PRED_FORMAT2(testing::IsSubstring, L"Held for undo: " + host::HumanSize(bytes),
                            gui.Text(kIdSpace));
        gui.Click(row.button);
        if (row.button == kIdFreeNow) {
            EXPECT_PRED_FORMAT2(testing::IsSubstring, L"Delete the 3 file(s)",
                                gui.AnswerMessageBox(IDYES, 20000));
        } else {
            EXPECT_PRED_FORMAT2(testing::IsSubstring, files[2] + L"  ->  taken (restored).txt",
                                gui.AnswerMessageBox(IDOK, 30000));
        }
        for (int i = 0; i < 1500 && gui.Text(kIdHistoryStatus).rfind(row.status, 0) != 0; ++i)
            Sleep(20);
        EXPECT_EQ(gui.Text(kIdHistoryStatus).rfind(row.status, 0), 0u)
            << fx::Narrow(gui.Text(kIdHistoryStatus));
        EXPECT_EQ(gui.RowCount(kIdHistory), 0);
        for (const std::wstring& file : {files[0], files[1]})
            EXPECT_EQ(fx::ReadFileText(file), row.back ? fx::Narrow(file) : std::string());
        EXPECT_EQ(fx::Exists(root + L"\\taken (restored).txt"), row.back);
        EXPECT_EQ(fx::ReadFileText(files[2]), "written since");
        gui.Close();
        EXPECT_EQ(gui.WaitForExit(20000), 0u);
        fx::EmptyFolder(root);
    }
}

// After a scan of the demo profile at 100% and at 150% (Wine reads the
// scale at a program's start), the window's own check of its screenshot
// finds no label cut: tree labels, column titles and cells, static texts,
// buttons, tabs and the picture's captions and key.
TEST(GuiLayout, NoLabelIsCutAtEitherScale) {
    fx::SeedDemoProfile();
    // A held clean for the History page and the picture's held part.
    const std::wstring root = fx::Scratch(L"gui-layout-held");
    fx::MakeFileWithText(root + L"\\held.tmp", std::string(300000, 'x'));
    OneHeldClean(root, {root + L"\\held.tmp"});
    const std::wstring desktop = L"Control Panel\\Desktop";
    const struct {
        DWORD dpi;
        const wchar_t* name;
        const wchar_t* page;
    } scales[] = {{96, L"window-100", L"--scan all"},
                  {144, L"window-150", L"--scan all"},
                  {96, L"history-100", L"--page history"},
                  {144, L"history-150", L"--page history"}};
    const std::wstring folder = fx::Scratch(L"gui-layout");
    int heights[std::size(scales)] = {};
    for (size_t k = 0; k < std::size(scales); ++k) {
        fx::SetDword(HKEY_CURRENT_USER, desktop, L"LogPixels", scales[k].dpi);
        const std::wstring shot = folder + L"\\" + scales[k].name + L".png";
        const std::wstring report = folder + L"\\" + scales[k].name + L".txt";
        RemoteGui gui;
        ASSERT_TRUE(gui.Start(std::wstring(scales[k].page) + L" --screenshot \"" + shot +
                                  L"\" --layout-report \"" + report + L"\"",
                              false));
        ASSERT_EQ(gui.WaitForExit(120000), 0u) << fx::Narrow(scales[k].name);
        heights[k] = PngSize(shot).second;
        EXPECT_EQ(fx::ReadFileText(report), "") << fx::Narrow(scales[k].name);
    }
    fx::SetDword(HKEY_CURRENT_USER, desktop, L"LogPixels", 96);
    // The larger scale made a larger window.
    EXPECT_GT(heights[1], heights[0]);
}

}  // namespace
