// The run both hosts drive: rows scanned into one store, selected once
// (keep rules, the age limit, what a row chosen by itself may take, the
// whole recycle bin), planned and cleaned; the totals count a file once.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <set>

#include "fixtures/categories.h"
#include "fixtures/demo_profile.h"
#include "fixtures/fixtures.h"
#include "fixtures/rule_files.h"
#include "fs/fold.h"
#include "fs/handles.h"
#include "pipeline/choice.h"
#include "pipeline/pipeline.h"
#include "rules/places.h"
#include "rules/table.h"

namespace {

enum class Seed { WindowsTemp, Firefox, Bin };

// The rows of a built-in rule, one per application, after the rows given.
std::vector<host::Row> RuleRows(const wchar_t* id, bool byId, std::vector<host::Row> rows = {}) {
    static const std::vector<host::CleaningRule> rules = host::BuiltInRules();
    for (const host::CleaningRule& each : rules)
        if (each.id == id)
            for (const host::RuleTarget& target : host::TargetsOf({&each}))
                rows.push_back(host::RuleRow(target, byId));
    return rows;
}

// The rows of form history: category 22's, the rule's, or both.
std::vector<host::Row> FormHistoryRows(bool category, bool rule, bool byId) {
    std::vector<host::Row> rows;
    if (category) rows.push_back(host::CategoryRow(kCategoryFirefoxFormHistory, byId));
    return rule ? RuleRows(L"gecko.form-history", byId, rows) : rows;
}

TEST(Pipeline, RowsAreSelectedOnceCleanedAsPlannedAndCountedOnce) {
    const struct {
        const char* what;
        Seed seed;
        std::vector<host::Row> rows;
        host::SelectOptions select;
        std::set<std::wstring> staying;  // names of seeded files the selection (or busy) keeps
        const wchar_t* skipped;          // the start of the first row's skip reason
        const wchar_t* held = nullptr;   // a seeded file held open while the scan runs
        const wchar_t* busy = nullptr;   // one held open while the clean runs
    } cases[] = {
        // The module leaves a file it cannot open alone out of its list; one
        // held open while the clean runs stays.
        {"held open",
         Seed::WindowsTemp,
         {host::CategoryRow(kCategoryWindowsTemp, true)},
         {},
         {L"cab1.cab", L"setup-4711.tmp"},
         L"",
         L"cab1.cab",
         L"setup-4711.tmp"},
        {"--keep",
         Seed::WindowsTemp,
         {host::CategoryRow(kCategoryWindowsTemp, false)},
         {true, {L"*\\setup-*"}, 0, {}},
         {L"setup-4711.tmp"},
         L""},
        {"--older-than",
         Seed::WindowsTemp,
         {host::CategoryRow(kCategoryWindowsTemp, false)},
         {true, {}, 2, {}},
         {L"cab1.cab", L"keep-this-note.txt", L"\u00dcbersicht \u65e5\u672c \U0001F600.tmp"},
         L""},
        // The keep list's form history goes only to a row chosen by itself:
        // category 22 named by its number, or the rule named by its id.
        {"22 by number", Seed::Firefox, FormHistoryRows(true, false, true), {}, {}, L""},
        {"rule by id", Seed::Firefox, FormHistoryRows(false, true, true), {}, {}, L""},
        // One file, two rows: taken once, and gone from both after the clean.
        {"22 and the rule", Seed::Firefox, FormHistoryRows(true, true, true), {}, {}, L""},
        {"22 by default",
         Seed::Firefox,
         FormHistoryRows(true, false, false),
         {},
         {L"formhistory.sqlite"},
         L""},
        {"rule by default",
         Seed::Firefox,
         FormHistoryRows(false, true, false),
         {},
         {L"formhistory.sqlite"},
         L""},
        // One item kept keeps the whole bin, and the plan says why.
        {"bin held",
         Seed::Bin,
         {host::CategoryRow(kCategoryRecycleBin, false)},
         {true, {L"*old draft*"}, 0, {}},
         {L"old draft.txt"},
         L"the recycle bin is always emptied whole, and a keep rule (*old draft*) matches "},
        // Recycled today: younger than any age limit, whatever its last write.
        {"bin aged by deletion",
         Seed::Bin,
         {host::CategoryRow(kCategoryRecycleBin, false)},
         {true, {}, 2, {}},
         {L"old draft.txt", L"unused photo.jpg"},
         L"the recycle bin is always emptied whole, and --older-than keeps "},
    };
    Function::IUnusedFileClean* cleaner = FunCreate();
    host::StopSignal stop;
    stop.Attach(cleaner);
    for (const auto& c : cases) {
        std::vector<std::wstring> seeded;
        if (c.seed == Seed::WindowsTemp) {
            for (const fx::SeededFile& file : fx::SeedWindowsTemp()) seeded.push_back(file.path);
            // The first two are older than two days.
            fx::SetWriteAge(seeded[0], 72);
            fx::SetWriteAge(seeded[1], 72);
        } else if (c.seed == Seed::Firefox) {
            for (const fx::RuleFile& file : fx::SeedFirefoxProfile())
                if (file.path.find(L"formhistory.sqlite") != std::wstring::npos)
                    seeded.push_back(file.path);
        } else {
            fx::EmptyRecycleBin();
            for (const fx::SeededFile& file : fx::SeedRecycledFiles()) seeded.push_back(file.path);
        }
        ASSERT_FALSE(seeded.empty()) << c.what;
        host::Pipeline run(cleaner, &stop);
        run.SetRows(c.rows);
        // The seeded file of that name, opened with no sharing.
        auto hold = [&](const wchar_t* name) {
            for (const std::wstring& path : seeded)
                if (name && fx::NameOf(path) == name) return fx::HoldOpen(path);
            return ufc::unique_hfile();
        };
        {
            const ufc::unique_hfile held = hold(c.held);
            ASSERT_FALSE(run.Scan(c.select, nullptr)) << c.what;
        }
        EXPECT_EQ(run.Rows()[0].heldAtScan, c.held ? 1u : 0u) << c.what;
        const host::ItemStore& store = run.Store();
        // Each seeded file is listed, and selected unless it stays.
        std::set<std::wstring> selectedPaths, listed, paths;
        std::uint64_t pathBytes = 0;
        for (std::uint32_t i = 0; i < store.Count(); ++i) {
            const std::wstring name(store.Name(i));
            listed.insert(name);
            if (paths.insert(ufc::Folded(store.Path(i))).second) pathBytes += store.Bytes(i);
            if (store.Selected(i)) selectedPaths.insert(ufc::Folded(store.Path(i)));
            EXPECT_TRUE(!c.staying.count(name) || !store.Selected(i) || (c.busy && name == c.busy))
                << c.what;
        }
        for (const std::wstring& path : seeded) {
            const std::wstring name = fx::NameOf(path);
            EXPECT_EQ(listed.count(name), c.held && name == c.held ? 0u : 1u)
                << c.what << " " << fx::Narrow(path);
        }
        const host::CleanPlan& plan = run.Plan();
        EXPECT_EQ(plan.skipReasons[0].rfind(c.skipped, 0), 0u)
            << c.what << ": " << fx::Narrow(plan.skipReasons[0]);
        // A clean would take each selected file once; the scan found each
        // once (the bin, which every drive letter gets whole, too).
        const host::Totals before = run.Sum();
        EXPECT_EQ(before.found, paths.size()) << c.what;
        EXPECT_EQ(before.foundBytes, pathBytes) << c.what;
        EXPECT_EQ(before.wouldRemove, plan.rows.empty() ? 0u : selectedPaths.size()) << c.what;
        {
            const ufc::unique_hfile busy = hold(c.busy);
            EXPECT_FALSE(run.Clean(nullptr)) << c.what;
        }
        const host::Totals after = run.Sum();
        EXPECT_EQ(after.removed + after.failed + after.inUse + after.changed, before.wouldRemove)
            << c.what;
        EXPECT_EQ(after.planFree, before.wouldFree) << c.what;
        EXPECT_EQ(after.freed + after.leftBytes, before.wouldFree) << c.what;
        for (const std::wstring& path : seeded) {
            const std::wstring name = fx::NameOf(path);
            if (c.seed == Seed::Bin) continue;  // recycled items have no path of their own
            EXPECT_EQ(fx::Exists(path), c.staying.count(name) != 0)
                << c.what << " " << fx::Narrow(name);
        }
        EXPECT_TRUE(c.seed != Seed::Bin || fx::BinItemCount() == seeded.size()) << c.what;
        // What the clean removed leaves the store under every row that listed it.
        run.DropRemoved();
        for (std::uint32_t i = 0; i < store.Count(); ++i)
            EXPECT_TRUE(c.seed == Seed::Bin || fx::Exists(store.Path(i)))
                << c.what << " " << fx::Narrow(store.Path(i));
    }
    // A clean removes the folders it emptied in every temporary place, deepest
    // first: not one that was empty before, not one a file it left holds, not
    // the place itself, not a folder behind a link.
    const struct {
        const char* what;
        std::vector<host::Row> rows;
        std::wstring place;
    } places[] = {
        {"Windows Temp, category 9",
         {host::CategoryRow(kCategoryWindowsTemp, true)},
         fx::Special(CSIDL_WINDOWS) + L"\\Temp"},
        {"internet cache, category 1",
         {host::CategoryRow(kCategoryInternetTempFiles, true)},
         fx::Special(CSIDL_INTERNET_CACHE)},
        {"user's Temp, its rule", RuleRows(L"windows.user-temp", true),
         host::KnownFolderPath(host::KnownFolder::UserTemp)},
    };
    const std::wstring outside = fx::Scratch(L"pipeline-temp-link");
    fx::MakeFile(outside + L"\\behind the link.tmp", 10);
    for (const auto& c : places) {
        fx::EmptyFolder(c.place);
        const std::wstring nest = c.place + L"\\ufc-nest";
        // Old enough for the rule's own age limit and the guard.
        for (const wchar_t* file : {L"\\a\\b\\f.tmp", L"\\a\\g.tmp", L"\\held\\h.tmp"}) {
            fx::MakeFile(nest + file, 10);
            fx::SetWriteAge(nest + file, 72);
        }
        fx::MakeDirs(nest + L"\\empty before");
        fx::MakeDirs(c.place + L"\\ufc-empty");
        ASSERT_TRUE(fx::MakeFolderLink(outside, nest + L"\\link")) << c.what;
        host::Pipeline run(cleaner, &stop);
        run.SetRows(c.rows);
        ASSERT_FALSE(run.Scan({}, nullptr)) << c.what;
        ufc::unique_hfile held = fx::HoldOpen(nest + L"\\held\\h.tmp");
        run.Plan();
        EXPECT_FALSE(run.Clean(nullptr)) << c.what;
        held.reset();
        EXPECT_EQ(run.Sum().foldersRemoved, 2u) << c.what;
        for (const wchar_t* stays :
             {L"\\ufc-nest\\held\\h.tmp", L"\\ufc-nest\\empty before", L"\\ufc-empty", L""})
            EXPECT_TRUE(fx::Exists(c.place + stays)) << c.what << fx::Narrow(stays);
        EXPECT_TRUE(fx::Exists(outside + L"\\behind the link.tmp")) << c.what;
        fx::RemoveTree(nest);
    }
    stop.Attach(nullptr);
    cleaner->Release();
}

// The default set: cookies and history stay unless a group of --with or a
// number names them; the one-step cleaners only when named.
TEST(Pipeline, TheDefaultSetLeavesCookiesAndHistory) {
    using G = host::RuleGroup;
    const struct {
        const char* what;
        host::Choice choice;
        std::set<std::uint32_t> taken, left;  // categories
        std::set<std::uint32_t> byNumber;     // rows chosen by themselves
        bool cookieRule;                      // chromium.cookies runs
    } cases[] = {
        {"--with cookies", {{}, {}, {G::Cookies}, false}, {2, 9, 18}, {3, 21, 22}, {}, true},
        {"--with history", {{}, {}, {G::History}, false}, {3, 9, 21, 22}, {2, 18}, {}, false},
        {"3 and 17 by number", {{3, 17}, {}, {}, false}, {3, 17}, {2, 9, 18, 21}, {3, 17}, false},
        {"9 --with cookies", {{9}, {}, {G::Cookies}, false}, {2, 9, 18}, {1, 3}, {9}, true},
    };
    static const std::vector<host::CleaningRule> rules = host::BuiltInRules();
    for (const auto& c : cases) {
        std::set<std::uint32_t> categories, byNumber;
        bool cookieRule = false;
        for (const host::Row& row : host::RowsOf(c.choice, rules)) {
            if (row.IsRule()) {
                cookieRule = cookieRule || row.target.rule->id == L"chromium.cookies";
                continue;
            }
            categories.insert(row.category);
            if (row.chosenById) byNumber.insert(row.category);
        }
        for (std::uint32_t number : c.taken)
            EXPECT_TRUE(categories.count(number)) << c.what << number;
        for (std::uint32_t number : c.left)
            EXPECT_FALSE(categories.count(number)) << c.what << number;
        EXPECT_EQ(byNumber, c.byNumber) << c.what;
        EXPECT_EQ(cookieRule, c.cookieRule) << c.what;
    }
}

}  // namespace
