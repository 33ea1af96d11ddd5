// The hosts' compact item store: records come back as the module gave them,
// keep rules and repeated paths are found as on the records themselves, and
// removal in chunks removes exactly the selected files, adds up its totals
// and tells what stayed and why.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <numeric>
#include <utility>

#include "chunked_removal.h"
#include "fixtures/fixtures.h"
#include "item_store.h"
#include "keep_list.h"
#include "text_format.h"

namespace {

FoundItem Item(const std::wstring& folder, const std::wstring& name, std::uint64_t size = 0,
               std::uint32_t selected = 1) {
    FoundItem item;
    item.category = kCategoryWindowsTemp;
    item.selected = selected;
    item.size = size;
    std::copy(folder.begin(), folder.end(), item.folder);
    std::copy(name.begin(), name.end(), item.name);
    return item;
}

host::ItemStore StoreOf(const std::vector<FoundItem>& items) {
    host::ItemStore store;
    ResultList list(items.begin(), items.end());
    store.Append(&list, 0);
    EXPECT_TRUE(list.empty());
    return store;
}

TEST(ItemStore, RebuildsEveryRecordAsTheModuleGaveIt) {
    const std::wstring full(kTextUnits, L'n');  // a field with no room for a terminator
    SYSTEMTIME valid = {2026, 12, 1, 7, 13, 41, 5, 250};
    SYSTEMTIME invalid = {2026, 13, 0, 40, 0, 0, 0, 0};
    std::vector<FoundItem> items = {
        Item(L"C:\\windows\\Temp\\", L"a.tmp", 5),
        Item(L"C:\\windows\\Temp\\", L"twin.txt.", 0, 0),
        Item(L"C:", L"FILE0000.CHK", 1ull << 40),
        Item(L"C:\\x\\" + std::wstring(254, L'f'), std::wstring(259, L'g')),
        Item(L"C:\\p\\", full),
        Item(L"C:\\windows\\Temp\\", L"\u00dcbersicht \U0001F600.tmp", 300),
    };
    items[0].created = items[0].accessed = items[0].written = valid;
    items[1].written = invalid;
    items[2].written = {2025, 12, 3, 31, 23, 59, 59, 999};
    lstrcpynW(items[2].typeText, L"CHK File", kTextUnits);
    items[3].category = kCategoryUnset;
    items[5].icon = LoadIconW(nullptr, IDI_APPLICATION);
    const host::ItemStore store = StoreOf(items);
    ASSERT_EQ(store.Count(), items.size());
    EXPECT_EQ(store.Folders().Count(), 5u);  // the empty folder and four others
    // A copy into another store, behind an item of its own, gives the same.
    host::ItemStore copy = StoreOf({Item(L"D:\\other\\", L"first.tmp")});
    copy.Append(store, 3);
    ASSERT_EQ(copy.Count(), items.size() + 1);
    for (std::uint32_t i = 0; i < store.Count(); ++i) {
        EXPECT_EQ(copy.Run(i + 1), 3);
        using At = std::pair<const host::ItemStore*, std::uint32_t>;
        for (const auto& [from, at] : {At{&store, i}, At{&copy, i + 1}}) {
            FoundItem back;
            from->Rebuild(at, &back);
            const FoundItem& was = items[i];
            EXPECT_EQ(std::wstring(back.name, wcsnlen(back.name, kTextUnits)),
                      std::wstring(was.name, wcsnlen(was.name, kTextUnits)));
            EXPECT_EQ(std::wstring(back.folder), std::wstring(was.folder));
            EXPECT_EQ(std::wstring(back.typeText), std::wstring(was.typeText));
            EXPECT_EQ(from->Path(at), host::ItemPath(was));
            EXPECT_EQ(back.size, was.size);
            EXPECT_EQ(back.category, was.category);
            EXPECT_EQ(back.selected, was.selected);
            EXPECT_EQ(back.icon, was.icon);
            EXPECT_EQ(host::FormatDate(back.written), host::FormatDate(was.written)) << i;
        }
    }
    FoundItem first;
    store.Rebuild(0, &first);
    EXPECT_EQ(std::memcmp(&first.created, &valid, sizeof valid), 0);
    FoundItem second;
    store.Rebuild(1, &second);
    EXPECT_EQ(second.written.wYear, 0);  // no valid date: none comes back
    // Dates order as numbers, the year first.
    EXPECT_LT(store.Time(2, host::ItemTime::Written), store.Time(0, host::ItemTime::Written));
    EXPECT_EQ(store.Time(1, host::ItemTime::Written), 0u);
}

TEST(ItemStore, KeepRulesAndRepeatsAgreeWithTheRecordByRecordAnswer) {
    std::vector<host::KeepRule> rules = host::DefaultKeepRules();
    rules.push_back({L"*\\Temp\\keep*", L"--keep"});
    rules.push_back({L"C:\\" + std::wstring(70, L'?') + L"*", L"longer than a state holds"});
    const std::wstring profile = L"C:\\u\\AppData\\Local\\Google\\Chrome\\User Data\\Default";
    const std::vector<FoundItem> items = {
        Item(profile + L"\\", L"Login Data"),
        Item(profile, L"Bookmarks"),  // a folder without its backslash
        Item(profile + L"\\", L"History"),
        Item(profile + L"\\Extensions\\abc\\1.0\\", L"manifest.json"),
        Item(profile + L"\\Cache\\Cache_Data\\", L"Login Data"),
        Item(L"C:\\windows\\Temp\\", L"KEEP-me.txt"),
        Item(L"C:\\windows\\Temp\\", L"other.tmp"),
        Item(L"Software\\Microsoft\\Internet Explorer\\TypedURLs\\", L"Temp\\keep\\x"),
        Item(L"C:\\" + std::wstring(80, L'd') + L"\\", L"deep.tmp"),
        Item(L"", L"Login Data"),
        // Repeats: the same paths again in another case, one of them kept.
        Item(L"C:\\WINDOWS\\temp\\", L"OTHER.TMP"),
        Item(L"C:\\windows\\Temp\\", L"other.tmp", 0, 0),
        Item(profile + L"\\", L"history"),
    };
    host::ItemStore store = StoreOf(items);
    std::vector<std::uint64_t> counts;
    const std::uint64_t kept = host::ApplyKeepRules(rules, &store, 0, 10, &counts);
    std::uint64_t expected = 0;
    for (std::uint32_t i = 0; i < store.Count(); ++i) {
        const int rule = i < 10 ? host::MatchKeepRule(rules, items[i]) : -1;
        expected += rule >= 0 ? 1 : 0;
        EXPECT_EQ(store.Keep(i), rule) << fx::Narrow(store.Path(i));
        EXPECT_EQ(store.Selected(i), rule < 0 && items[i].selected) << i;
    }
    EXPECT_EQ(kept, expected);
    EXPECT_EQ(kept, 7u);  // all but History, other.tmp and the bare name
    EXPECT_EQ(std::accumulate(counts.begin(), counts.end(), std::uint64_t{0}), kept);
    // Over two ranges, as two categories: the later selected listings of a
    // path repeat the first selected one.
    const auto repeats = host::FindRepeats(store, {{0, 7}, {7, 13}});
    EXPECT_EQ(repeats, (std::vector<std::pair<std::uint32_t, std::uint32_t>>{{10, 6}, {12, 2}}));
}

// Files to remove, one of them held open by this test, one unchecked.
struct RemovalFixture {
    explicit RemovalFixture(const wchar_t* name) : folder(fx::Scratch(name) + L"\\") {
        for (int i = 0; i < 10; ++i) {
            fx::MakeFile(folder + L"f" + std::to_wstring(i) + L".tmp", 100 + i);
            items.push_back(Item(folder, L"f" + std::to_wstring(i) + L".tmp", 100 + i, i != 3));
        }
        store = StoreOf(items);
    }
    std::wstring folder;
    std::vector<FoundItem> items;
    host::ItemStore store;
};

TEST(ChunkedRemoval, ChunksAddUpAndWhatStaysIsToldApart) {
    RemovalFixture files(L"chunks");
    const std::wstring held = files.folder + L"f7.tmp";
    ufc::unique_hfile holder = fx::HoldOpen(held);
    ASSERT_TRUE(holder);
    host::RemovalPass pass = host::PassFor(kCategoryUnset, 0, files.store.Count());
    pass.chunkItems = 3;
    std::vector<host::ItemOutcome> outcomes(files.store.Count(), host::ItemOutcome::None);
    fx::Recorder progress;
    std::vector<size_t> chunks;
    host::RemovalResult done;
    host::RemoveInChunks(
        files.store, pass,
        [&](const ResultList& chunk, CleanTotals* totals, std::uint64_t* inUse,
            IScanProgress* report) {
            chunks.push_back(chunk.size());
            return host::RuleRemover(nullptr)(chunk, totals, inUse, report);
        },
        &progress, &done, &outcomes);
    holder.reset();
    EXPECT_EQ(chunks, (std::vector<size_t>{3, 3, 3}));
    EXPECT_EQ(done.result, 1u);
    EXPECT_EQ(done.handed, 9u);
    EXPECT_EQ(done.totals.removed, 8u);
    EXPECT_EQ(done.inUse, 1u);
    EXPECT_EQ(done.totals.bytesFreed, 100u * 10 + 45 - 103 - 107);
    for (std::uint32_t i = 0; i < files.store.Count(); ++i) {
        const host::ItemOutcome want = i == 3   ? host::ItemOutcome::None
                                       : i == 7 ? host::ItemOutcome::InUse
                                                : host::ItemOutcome::Removed;
        EXPECT_EQ(outcomes[i], want) << i;
        EXPECT_EQ(fx::Exists(files.store.Path(i)), i == 3 || i == 7) << i;
    }
    // The reports run over the whole pass, not each chunk.
    const std::vector<std::uint32_t> percents = progress.Percents();
    EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
    ASSERT_FALSE(percents.empty());
    EXPECT_EQ(percents.back(), 100u);
}

TEST(ChunkedRemoval, AStopLeavesTheLaterChunksAndTheirFilesAlone) {
    RemovalFixture files(L"chunks-stop");
    host::RemovalPass pass = host::PassFor(kCategoryUnset, 0, files.store.Count());
    pass.chunkItems = 4;
    std::atomic<bool> stop{false};
    fx::Recorder progress;
    progress.onReport = [&](const ProgressInfo& info) { stop = info.percent >= 40; };
    std::vector<host::ItemOutcome> outcomes(files.store.Count(), host::ItemOutcome::None);
    host::RemovalResult done;
    host::RemoveInChunks(files.store, pass, host::RuleRemover(&stop), &progress, &done, &outcomes);
    EXPECT_EQ(done.result, 2u);
    EXPECT_LT(done.totals.removed, 9u);
    for (std::uint32_t i = 0; i < files.store.Count(); ++i)
        EXPECT_EQ(outcomes[i] == host::ItemOutcome::Removed, !fx::Exists(files.store.Path(i))) << i;
    EXPECT_EQ(outcomes.back(), host::ItemOutcome::None);
    EXPECT_TRUE(fx::Exists(files.store.Path(files.store.Count() - 1)));
}

TEST(ChunkedRemoval, TheModuleRemovesRegistryValuesChunkByChunk) {
    const std::wstring key = L"Software\\Microsoft\\Internet Explorer\\TypedURLs";
    fx::DeleteKey(HKEY_CURRENT_USER, key);
    for (int i = 1; i <= 5; ++i)
        fx::SetString(HKEY_CURRENT_USER, key, L"url" + std::to_wstring(i),
                      L"http://site" + std::to_wstring(i) + L".example/");
    Function::IUnusedFileClean* cleaner = FunCreate();
    ResultList found;
    ScanTotals totals;
    cleaner->GetUnusedFile(kCategoryTypedUrls, &found, &totals, nullptr);
    ASSERT_EQ(found.size(), 5u);
    host::ItemStore store;
    store.Append(&found, 0);
    store.SetSelected(1, false);
    host::RemovalPass pass = host::PassFor(kCategoryTypedUrls, 0, store.Count());
    pass.chunkItems = 2;
    std::vector<host::ItemOutcome> outcomes(store.Count(), host::ItemOutcome::None);
    host::RemovalResult done;
    host::RemoveInChunks(store, pass, host::ModuleRemover(cleaner, kCategoryTypedUrls), nullptr,
                         &done, &outcomes);
    cleaner->Release();
    EXPECT_EQ(done.totals.removed, 4u);
    EXPECT_EQ(done.totals.failed, 0u);
    int left = 0;
    for (int i = 1; i <= 5; ++i)
        left += fx::ValueExists(HKEY_CURRENT_USER, key, L"url" + std::to_wstring(i)) ? 1 : 0;
    EXPECT_EQ(left, 1);
    EXPECT_EQ(std::count(outcomes.begin(), outcomes.end(), host::ItemOutcome::Removed), 4);
    EXPECT_EQ(outcomes[1], host::ItemOutcome::None);
}

}  // namespace
