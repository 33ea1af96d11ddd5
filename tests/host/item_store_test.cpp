// The hosts' compact item store: records come back as the module gave them,
// keep rules and repeated paths are found as on the records themselves, and
// removal in chunks removes exactly the selected files, adds up its totals
// and tells what stayed and why.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <numeric>
#include <tuple>
#include <utility>

#include "pipeline/removal.h"
#include "rules/rule_clean.h"
#include "fixtures/fixtures.h"
#include "fixtures/rule_files.h"
#include "items/item_store.h"
#include "items/keep_list.h"
#include "text/format.h"
#include "items/keep_matcher.h"
#include "items/selection.h"
#include "rules/guard.h"

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

// What a record holds that a host reads (its dates to the minute).
auto Fields(const FoundItem& item) {
    return std::make_tuple(std::wstring(item.name, wcsnlen(item.name, kTextUnits)),
                           std::wstring(item.folder), std::wstring(item.typeText), item.size,
                           item.category, item.selected, item.icon, host::FormatDate(item.written));
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
    for (std::uint32_t i = 0; i < store.Count(); ++i) {
        FoundItem back;
        store.Rebuild(i, &back);
        EXPECT_EQ(Fields(back), Fields(items[i])) << i;
        EXPECT_EQ(store.Path(i), host::ItemPath(items[i]));
        // Dates come back whole; one that is no valid date comes back as none.
        EXPECT_EQ(std::memcmp(&back.created, &items[i].created, sizeof valid), 0) << i;
        EXPECT_EQ(back.written.wYear, i == 1 ? 0 : items[i].written.wYear) << i;
    }
    // A cleared store takes other items into the memory of the first ones,
    // over more than one text block, and no text of before comes back.
    host::ItemStore copy = StoreOf({Item(L"D:\\other\\", L"first.tmp")});
    std::vector<FoundItem> many;
    std::size_t held = 0;
    for (int i = 0; i < 2100; ++i)
        many.push_back(
            Item(L"C:\\f" + std::to_wstring(i % 7) + L"\\",
                 std::wstring(250, static_cast<wchar_t>(L'a' + i % 26)) + std::to_wstring(i)));
    for (int pass = 0; pass < 2; ++pass) {
        copy.Clear();
        std::reverse(many.begin(), many.end());
        ResultList list(many.begin() + pass, many.end());
        copy.Append(&list, 0);
        ASSERT_EQ(copy.Count(), many.size() - pass);
        EXPECT_EQ(copy.Folders().Count(), 8u);
        for (std::uint32_t i = 0; i < copy.Count(); ++i)
            ASSERT_EQ(copy.Path(i), host::ItemPath(many[i + pass])) << pass << " " << i;
        EXPECT_TRUE(pass == 0 || copy.BytesHeld() == held);  // nothing more asked for
        held = copy.BytesHeld();
    }
    // Dates order as numbers, the year first.
    EXPECT_LT(store.Time(2, host::ItemTime::Written), store.Time(0, host::ItemTime::Written));
    EXPECT_EQ(store.Time(1, host::ItemTime::Written), 0u);
}

TEST(ItemStore, KeepRulesAndRepeatsAgreeWithTheRecordByRecordAnswer) {
    std::vector<host::KeepRule> rules = host::DefaultKeepRules();
    rules.push_back({L"*\\Temp\\keep*", L"--keep"});
    rules.push_back({L"C:\\" + std::wstring(70, L'?') + L"*", L"longer than a state holds"});
    const std::wstring code = L"C:\\u\\AppData\\Roaming\\Code\\User";
    const std::vector<FoundItem> items = {
        Item(code + L"\\", L"settings.json"),
        Item(code, L"KEYBINDINGS.JSON"),  // a folder without its backslash, in another case
        Item(code + L"\\", L"History"),
        Item(L"C:\\u\\AppData\\Roaming\\discord\\Local Storage\\leveldb\\", L"000003.log"),
        Item(code + L"\\Cache\\", L"settings.json.bak"),
        Item(L"C:\\windows\\Temp\\", L"KEEP-me.txt"),
        Item(L"C:\\windows\\Temp\\", L"other.tmp"),
        Item(L"Software\\Microsoft\\Internet Explorer\\TypedURLs\\", L"Temp\\keep\\x"),
        Item(L"C:\\" + std::wstring(80, L'd') + L"\\", L"deep.tmp"),
        Item(L"", L"Login Data"),
        // Repeats: the same paths again in another case, one of them kept.
        Item(L"C:\\WINDOWS\\temp\\", L"OTHER.TMP"),
        Item(L"C:\\windows\\Temp\\", L"other.tmp", 0, 0),
        Item(code + L"\\", L"history"),
    };
    host::ItemStore store = StoreOf(items);
    std::vector<std::uint64_t> counts;
    const std::uint64_t kept = host::ApplyKeepRules(rules, &store, 0, 10, &counts);
    for (std::uint32_t i = 0; i < store.Count(); ++i) {
        const int rule = i < 10 ? host::MatchKeepRule(rules, items[i]) : -1;
        EXPECT_EQ(store.Keep(i), rule) << fx::Narrow(store.Path(i));
        EXPECT_EQ(store.Selected(i), rule < 0 && items[i].selected) << i;
    }
    EXPECT_EQ(kept, 6u);  // all but History, settings.json.bak, other.tmp and the bare name
    EXPECT_EQ(std::accumulate(counts.begin(), counts.end(), std::uint64_t{0}), kept);
    // Over two ranges, as two categories: the later selected listings of a
    // path repeat the first selected one.
    const auto repeats = host::FindRepeats(store, {{0, 7}, {7, 13}});
    EXPECT_EQ(repeats, (std::vector<std::pair<std::uint32_t, std::uint32_t>>{{10, 6}, {12, 2}}));
}

// Browser and mail profiles where their programs keep them, and lookalikes:
// the files the keep list spares, and those it leaves to a clean. A profile
// is known by what it holds, wherever it lies.
struct Layout {
    int csidl;  // 0: a scratch folder
    const wchar_t* folder;
    const wchar_t* kept;
    const wchar_t* taken;
};

const Layout kLayouts[] = {
    {CSIDL_APPDATA, L"Opera Software\\Opera Stable",
     L"Preferences;Login Data;Login Data For Account-journal;Web Data;Bookmarks.bak;Local State;"
     L"Extensions\\abc\\1.0\\manifest.json;Local Extension Settings\\abc\\000003.log",
     L"History;Visited Links;Cache\\Cache_Data\\f_000001;Network\\Cookies;Extensions.log"},
    {CSIDL_APPDATA, L"UfcChat", L"Preferences;Web Data;Local State",
     L"Code Cache\\js\\index;GPUCache\\data_0;Cookies"},
    // The key to the passwords lies in the folder above the profiles.
    {CSIDL_LOCAL_APPDATA, L"Microsoft\\Edge\\User Data",
     L"Local State;Default\\Preferences;Default\\Login Data;Default\\Secure Preferences;"
     L"Profile 1\\Preferences;Profile 1\\Web Data;Profile 1\\Extension State\\000003.log;"
     L"Default\\IndexedDB\\chrome-extension_abc_0.indexeddb.leveldb\\000003.log",
     L"Last Version;Default\\History;Default\\Cache\\Cache_Data\\data_0;"
     L"Default\\IndexedDB\\https_example.com_0.indexeddb.leveldb\\000003.log"},
    {CSIDL_APPDATA, L"Waterfox\\Profiles\\w1.default",
     L"prefs.js;logins.json;key4.db;cert9.db;places.sqlite;places.sqlite-wal;formhistory.sqlite;"
     L"extensions.json;extensions\\a@b.xpi;bookmarkbackups\\bookmarks-2026.jsonlz4;"
     L"storage\\default\\moz-extension+++1a2b\\idb\\3.sqlite",
     L"cookies.sqlite;sessionstore.jsonlz4;favicons.sqlite;cache2\\entries\\A1;"
     L"storage\\default\\https+++example.com\\ls\\data.sqlite"},
    {CSIDL_APPDATA, L"LibreWolf\\Profiles\\l1.default",
     L"times.json;logins.json;key4.db;places.sqlite", L"cookies.sqlite;webappsstore.sqlite"},
    {CSIDL_APPDATA, L"Thunderbird\\Profiles\\t1.default",
     L"prefs.js;Mail\\Local Folders\\Inbox;Mail\\Local Folders\\Inbox.msf;"
     L"ImapMail\\imap.example.com\\INBOX;ImapMail\\imap.example.com\\INBOX.msf;abook.sqlite;"
     L"history.sqlite;calendar-data\\local.sqlite;openpgp.sqlite",
     L"cache2\\entries\\B2;global-messages-db.sqlite"},
    {0, L"keep-portable",
     L"FirefoxPortable\\Data\\profile\\prefs.js;"
     L"FirefoxPortable\\Data\\profile\\logins.json;FirefoxPortable\\Data\\profile\\places.sqlite",
     L"FirefoxPortable\\Data\\profile\\cookies.sqlite"},
    // Preferences without passwords or autofill, passwords without
    // Preferences, names of a profile without its markers, a Local State
    // above no profile: none is kept.
    {0, L"keep-lookalike", L"",
     L"Local State;Lookalike\\Preferences;Lookalike\\Bookmarks;Lookalike\\Local State;"
     L"Export\\Login Data;Export\\Web Data;Mail\\Inbox;logins.json;key4.db"},
};

TEST(KeepList, ProfilesAreKnownByWhatTheyHoldWhereverTheyLie) {
    std::vector<FoundItem> items;
    std::vector<bool> kept;
    for (const Layout& layout : kLayouts) {
        const std::wstring base = layout.csidl ? fx::Special(layout.csidl) + L"\\" + layout.folder
                                               : fx::Scratch(layout.folder);
        fx::RemoveTree(base);
        for (const wchar_t* names : {layout.kept, layout.taken})
            for (const fx::RuleFile& file : fx::MakeNamed(base, names)) {
                const size_t slash = file.path.rfind(L'\\');
                items.push_back(Item(file.path.substr(0, slash + 1), file.path.substr(slash + 1)));
                kept.push_back(names == layout.kept);
            }
    }
    // As the hosts select, items of the module's categories and of rules
    // alike; the record-by-record answer agrees.
    host::ItemStore store = StoreOf(items);
    host::ApplyKeepRules(host::DefaultKeepRules(), &store, 0, store.Count());
    for (std::uint32_t i = 0; i < store.Count(); ++i) {
        EXPECT_EQ(store.Kept(i), kept[i]) << fx::Narrow(store.Path(i));
        EXPECT_EQ(host::MatchKeepRule(host::DefaultKeepRules(), items[i]) >= 0, kept[i]) << i;
    }
}

// Ten files to remove, f3 unchecked.
host::ItemStore TenFiles(const wchar_t* scratch) {
    const std::wstring folder = fx::Scratch(scratch) + L"\\";
    std::vector<FoundItem> items;
    for (int i = 0; i < 10; ++i) {
        const std::wstring name = L"f" + std::to_wstring(i) + L".tmp";
        fx::MakeFile(folder + name, 100 + i);
        items.push_back(Item(folder, name, 100 + i, i != 3));
    }
    return StoreOf(items);
}

// The rule clean reads each item from the store: what went and what stayed
// is told apart, and a stop leaves the later files alone.
TEST(StoreRemoval, TheRuleCleanTellsWhatStaysAndStops) {
    for (const bool stopping : {false, true}) {
        const host::ItemStore store = TenFiles(stopping ? L"clean-stop" : L"clean");
        ufc::unique_hfile holder = fx::HoldOpen(store.Path(7));
        ASSERT_TRUE(holder);
        std::atomic<bool> stop{false};
        fx::Recorder progress;
        if (stopping)
            progress.onReport = [&](const ProgressInfo& info) { stop = info.percent >= 40; };
        std::vector<host::ItemOutcome> outcomes(store.Count(), host::ItemOutcome::None);
        host::RuleCleanResult done;
        host::CleanRuleItems(store, {0, store.Count()}, nullptr, {}, host::GuardContext(),
                             &progress, &stop, &done, &outcomes);
        holder.reset();
        EXPECT_EQ(done.stopped, stopping);
        for (std::uint32_t i = 0; i < store.Count(); ++i)
            EXPECT_EQ(outcomes[i] == host::ItemOutcome::Removed, !fx::Exists(store.Path(i))) << i;
        if (stopping) {
            EXPECT_LT(done.totals.removed, 8u);
            EXPECT_EQ(outcomes.back(), host::ItemOutcome::None);
            continue;
        }
        EXPECT_EQ(done.totals.removed, 8u);
        EXPECT_EQ(done.inUse, 1u);
        EXPECT_EQ(done.totals.bytesFreed, 100u * 10 + 45 - 103 - 107);
        for (std::uint32_t i = 0; i < store.Count(); ++i) {
            const host::ItemOutcome want = i == 3   ? host::ItemOutcome::None
                                           : i == 7 ? host::ItemOutcome::InUse
                                                    : host::ItemOutcome::Removed;
            EXPECT_EQ(outcomes[i], want) << i;
        }
        // One report a file handed (nine checked), before its delete.
        EXPECT_EQ(progress.Percents(),
                  (std::vector<std::uint32_t>{11, 22, 33, 44, 55, 66, 77, 88, 100}));
    }
}

TEST(StoreRemoval, TheModuleRemovesRegistryValuesChunkByChunk) {
    const std::wstring key = L"Software\\Microsoft\\Internet Explorer\\TypedURLs";
    fx::DeleteKey(HKEY_CURRENT_USER, key);
    for (const wchar_t* url : {L"url0", L"url1", L"url2", L"url3", L"url4"})
        fx::SetString(HKEY_CURRENT_USER, key, url, url);  // listed by its text: its name
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
    host::RemovalResult done;
    std::vector<host::ItemOutcome> outcomes(store.Count(), host::ItemOutcome::None);
    host::RemoveModuleItems(cleaner, kCategoryTypedUrls, store, pass, nullptr, &done, &outcomes);
    cleaner->Release();
    EXPECT_EQ(done.handed, 4u);
    EXPECT_EQ(done.totals.removed, 4u);
    EXPECT_EQ(done.totals.failed, 0u);
    for (std::uint32_t i = 0; i < 5; ++i) {
        EXPECT_EQ(fx::ValueExists(HKEY_CURRENT_USER, key, std::wstring(store.Name(i))), i == 1)
            << i;
        EXPECT_EQ(outcomes[i] == host::ItemOutcome::Removed, i != 1) << i;
    }
}

}  // namespace
