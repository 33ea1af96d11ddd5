// Edits inside browser databases, on copies of databases that real Firefox
// ESR and Chromium made (tests/data/browsers, see scripts/make-browser-fixtures):
// history goes and every bookmark, keyword and tag stays; the cookies of kept
// sites stay and the others go; a database that is held, of another schema or
// damaged is left as it was, with its reason.
#include <gtest/gtest.h>

#include "browser_data/browser_data.h"
#include "fixtures/database_rows.h"
#include "fixtures/fixtures.h"
#include "browser_data/sqlite_db.h"

namespace {

using namespace browser_data;

const std::vector<std::wstring> kFirefox = {L"places.sqlite", L"favicons.sqlite",
                                            L"cookies.sqlite"};
const std::vector<std::wstring> kChromium = {L"History",   L"Favicons",  L"Top Sites",
                                             L"Shortcuts", L"Bookmarks", L"Network\\Cookies"};

// A fresh copy of one browser's fixture databases; returns its folder.
std::wstring CopyProfile(const std::wstring& browser) {
    const std::wstring source = L"Z:" + Widen(UFC_BROWSER_FIXTURES) + L"\\" + browser;
    const std::wstring profile = fx::Scratch(L"browser_data\\" + browser);
    fx::MakeDirs(profile + L"\\Network");
    for (const std::wstring& file : browser == L"firefox" ? kFirefox : kChromium) {
        EXPECT_TRUE(
            CopyFileW((source + L"\\" + file).c_str(), (profile + L"\\" + file).c_str(), FALSE))
            << fx::Narrow(file);
    }
    return profile;
}

std::string Contents(const std::wstring& profile, const std::wstring& browser) {
    std::string all;
    for (const std::wstring& file : browser == L"firefox" ? kFirefox : kChromium) {
        all += fx::ReadFileText(profile + L"\\" + file) + "\n--\n";
    }
    return all;
}

// A connection to the profile's main database with the others attached
// under the names the queries use.
Database Connect(const std::wstring& profile, const std::wstring& browser) {
    Database db;
    const bool gecko = browser == L"firefox";
    EXPECT_EQ(OpenExisting(profile + (gecko ? L"\\places.sqlite" : L"\\History"), &db), L"");
    auto attach = [&](const wchar_t* file, const char* as) {
        EXPECT_TRUE(Run(db.get(), "ATTACH '" + Utf8(profile + L"\\" + file) + "' AS \"" + as + "\"",
                        nullptr));
    };
    if (gecko) {
        attach(L"favicons.sqlite", "favicons");
    } else {
        attach(L"Favicons", "icons");
        attach(L"Top Sites", "top_sites");
    }
    return db;
}

using fx::Rows;

std::string Modify(const std::wstring& path, const char* sql) {
    Database db;
    std::wstring error = OpenExisting(path, &db);
    if (error.empty() && !Run(db.get(), sql, nullptr)) error = ErrorOf(db.get());
    return Utf8(error);
}

// Gecko's bookmarks, tags (bookmarks in tag folders) and keywords.
const char* kGeckoBookmarks =
    "SELECT b.guid, b.type, b.parent, b.position, b.title, p.url, p.guid FROM moz_bookmarks b "
    "LEFT JOIN moz_places p ON p.id = b.fk ORDER BY b.guid";
const char* kGeckoKeywords =
    "SELECT k.keyword, p.url FROM moz_keywords k JOIN moz_places p ON p.id = k.place_id";
const char* kGeckoKeptIcons =
    "SELECT icon_url FROM favicons.moz_icons WHERE icon_url LIKE 'http://example.org:%' "
    "OR icon_url LIKE 'http://news.test:%' UNION ALL "
    "SELECT page_url FROM favicons.moz_pages_w_icons WHERE page_url LIKE 'http://news.test:%'";
const std::vector<const char*> kGeckoHistory = {
    "SELECT id FROM moz_historyvisits",
    "SELECT input FROM moz_inputhistory",
    "SELECT id FROM moz_places_metadata",
    "SELECT url FROM moz_places WHERE visit_count > 0 OR typed > 0",
    "SELECT name FROM moz_anno_attributes WHERE name = 'ufc/visited-note'",
    "SELECT host FROM moz_origins WHERE host LIKE 'notexample.org:%'",
    "SELECT icon_url FROM favicons.moz_icons WHERE icon_url LIKE 'http://notexample.org:%' "
    "OR icon_url LIKE 'http://shop.example.org:%'",
    "SELECT page_url FROM favicons.moz_pages_w_icons WHERE page_url LIKE 'http://shop.%'"};
const char* kChromiumBookmarked =
    "SELECT u.url, m.page_url, f.url FROM urls u JOIN icons.icon_mapping m ON m.page_url = u.url "
    "JOIN icons.favicons f ON f.id = m.icon_id "
    "WHERE u.url LIKE 'http://example.org:%/' OR u.url LIKE 'http://news.test:%/' ORDER BY 1";
const std::vector<const char*> kChromiumHistory = {
    "SELECT id FROM visits", "SELECT id FROM segments", "SELECT url FROM top_sites.top_sites",
    "SELECT url FROM urls WHERE visit_count > 0 OR url NOT IN "
    "(SELECT page_url FROM icons.icon_mapping WHERE page_url LIKE 'http://example.org:%/' "
    "OR page_url LIKE 'http://news.test:%/')",
    "SELECT url FROM icons.favicons WHERE url LIKE 'http://shop.example.org:%'"};

struct HistoryCase {
    const wchar_t* browser;
    Outcome (*clear)(const std::wstring&, Mode, Trace*);
    const char* setup;                 // on the main database's copy, before the edit
    std::vector<const char*> kept;     // rows the edit leaves exactly as they were
    std::vector<const char*> history;  // rows there before, gone after
    const char* kind;                  // a kind of row counted, with its count
    std::int64_t count;
};

TEST(BrowserData, HistoryGoesAndBookmarksStay) {
    const HistoryCase cases[] = {
        {L"firefox",
         ClearGeckoHistory,
         "SELECT 1",
         {kGeckoBookmarks, kGeckoKeywords, kGeckoKeptIcons,
          "SELECT content FROM moz_annos WHERE content = 'kept'"},
         kGeckoHistory,
         "visits",
         15},
        // Gecko's own count of references gone stale: a bookmark or keyword
        // still keeps its place, and so does a place only that count holds.
        {L"firefox",
         ClearGeckoHistory,
         "UPDATE moz_places SET foreign_count = url LIKE 'http://mail.example.org:%'",
         {kGeckoBookmarks, kGeckoKeywords, "SELECT url FROM moz_places WHERE foreign_count > 0"},
         {"SELECT id FROM moz_historyvisits"},
         "places",
         10},
        {L"chromium",
         ClearChromiumHistory,
         "SELECT 1",
         {kChromiumBookmarked},
         kChromiumHistory,
         "visits",
         14},
    };
    for (const HistoryCase& c : cases) {
        SCOPED_TRACE(fx::Narrow(c.browser) + " " + c.setup);
        const std::wstring profile = CopyProfile(c.browser);
        const std::wstring main =
            profile + (c.browser == std::wstring(L"firefox") ? L"\\places.sqlite" : L"\\History");
        ASSERT_EQ(Modify(main, c.setup), "");
        fx::MakeFile(profile + L"\\Visited Links", 4096);
        std::vector<std::string> before;
        {
            Database db = Connect(profile, c.browser);
            for (const char* sql : c.kept) before.push_back(Rows(db.get(), sql));
            for (const char* sql : c.history) EXPECT_NE(Rows(db.get(), sql), "") << sql;
        }
        const std::string files = Contents(profile, c.browser);

        Outcome preview = c.clear(profile, Mode::Preview, nullptr);
        EXPECT_EQ(Contents(profile, c.browser), files) << "a preview changed a file";
        Outcome edit = c.clear(profile, Mode::Edit, nullptr);
        ASSERT_TRUE(edit.done()) << fx::Narrow(edit.refused);
        EXPECT_EQ(edit.Rows(c.kind), c.count);
        EXPECT_EQ(preview.removed.size(), edit.removed.size());
        for (const RowCount& count : edit.removed) {
            EXPECT_EQ(preview.Rows(count.kind), count.rows) << count.kind;
        }
        Database db = Connect(profile, c.browser);
        // Vacuumed: no free page is left, and the sizes are the files' own.
        EXPECT_EQ(Rows(db.get(), "PRAGMA freelist_count"), "0\n");
        EXPECT_LE(edit.bytesAfter, edit.bytesBefore);
        std::uint64_t bytes = 0;
        for (const wchar_t* file : {L"places.sqlite", L"favicons.sqlite", L"History", L"Favicons",
                                    L"Top Sites", L"Shortcuts"}) {
            bytes += DatabaseBytes(profile + L"\\" + file);
        }
        EXPECT_EQ(bytes, edit.bytesAfter);
        for (size_t i = 0; i < c.kept.size(); ++i) EXPECT_EQ(Rows(db.get(), c.kept[i]), before[i]);
        for (const char* sql : c.history) EXPECT_EQ(Rows(db.get(), sql), "") << sql;
        EXPECT_EQ(fx::Exists(profile + L"\\Visited Links"), c.clear == ClearGeckoHistory);
    }
}

std::string Sites(const std::vector<SiteCookies>& sites) {
    std::string text;
    for (const SiteCookies& site : sites)
        text += site.site + "=" + std::to_string(site.cookies) + " ";
    return text;
}

TEST(BrowserData, CookiesOfKeptSitesStay) {
    const std::string all =
        "example.co.uk=1 example.org=5 news.test=2 notexample.org=1 tracker.test=2 ";
    const struct {
        const wchar_t* browser;
        const wchar_t* database;
        Family family;
        std::vector<std::string> kept;
        const char* stay;
        const char* gone;
    } cases[] = {
        {L"chromium",
         L"Network\\Cookies",
         Family::Chromium,
         {"example.org"},
         "example.org=5 ",
         "example.co.uk=1 news.test=2 notexample.org=1 tracker.test=2 "},
        {L"firefox",
         L"cookies.sqlite",
         Family::Gecko,
         {"MAIL.example.org", ".www.example.co.uk"},
         "example.co.uk=1 example.org=5 ",
         "news.test=2 notexample.org=1 tracker.test=2 "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(fx::Narrow(c.browser));
        const std::wstring database = CopyProfile(c.browser) + L"\\" + c.database;
        std::wstring refused;
        EXPECT_EQ(Sites(ListCookieSites(database, c.family, &refused)), all);
        Outcome edit = KeepCookiesOf(database, c.family, c.kept, Mode::Edit);
        ASSERT_TRUE(edit.done()) << fx::Narrow(edit.refused);
        EXPECT_EQ(Sites(ListCookieSites(database, c.family, &refused)), c.stay);
        EXPECT_EQ(Sites(edit.removedSites), c.gone);
        EXPECT_EQ(edit.Rows("cookies"), 11 - (c.family == Family::Chromium ? 5 : 6));
    }
    // The suffix list's wildcard, exception and Unicode rules; addresses.
    const std::pair<const char*, const char*> domains[] = {
        {"a.b.c.ck", "b.c.ck"},
        {"x.www.ck", "www.ck"},
        {"shop.xn--55qx5d.cn", "shop.xn--55qx5d.cn"},
        {"127.0.0.1", "127.0.0.1"},
        {"Mail.Example.ORG.", "example.org"},
        {"localhost", "localhost"}};
    for (const auto& [host, site] : domains) EXPECT_EQ(RegistrableDomain(host), site) << host;
}

TEST(BrowserData, UnexpectedDatabasesStayAsTheyWere) {
    enum Op { GeckoHistory, ChromiumHistory, ChromiumCookies };
    const struct {
        const wchar_t* browser;
        Op op;
        const wchar_t* file;
        const char* change;  // SQL, or "hold" (another connection writes), or "damage"
        const char* reason;
    } cases[] = {
        {L"firefox", GeckoHistory, L"places.sqlite", "hold", "in use"},
        {L"firefox", GeckoHistory, L"places.sqlite", "PRAGMA user_version = 87",
         "schema version 87 is unknown"},
        {L"chromium", ChromiumHistory, L"History",
         "UPDATE meta SET value = 71 WHERE key = 'version'", "schema version 71 is unknown"},
        {L"firefox", GeckoHistory, L"favicons.sqlite", "DROP TABLE moz_icons_to_pages",
         "favicons.sqlite: no table moz_icons_to_pages"},
        {L"chromium", ChromiumCookies, L"Network\\Cookies",
         "ALTER TABLE cookies RENAME COLUMN host_key TO host", "no column host_key"},
        {L"firefox", GeckoHistory, L"places.sqlite", "damage", "places.sqlite: damaged"},
        {L"chromium", ChromiumHistory, L"Bookmarks", "{ \"roots\": ", "Bookmarks: not valid JSON"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.change));
        const std::wstring profile = CopyProfile(c.browser);
        const std::wstring path = profile + L"\\" + c.file;
        Database holder;
        const std::string change = c.change;
        if (change == "hold") {
            ASSERT_EQ(OpenExisting(path, &holder), L"");
            ASSERT_TRUE(browser_data::Run(holder.get(), "BEGIN IMMEDIATE", nullptr));
        } else if (change == "damage") {
            std::string bytes = fx::ReadFileText(path);
            bytes.replace(bytes.size() / 2, 4096, 4096, '\xA5');
            fx::MakeFileWithText(path, bytes);
        } else if (change.front() == '{') {
            fx::MakeFileWithText(path, change);
        } else {
            ASSERT_EQ(Modify(path, c.change), "");
        }
        const std::string files = Contents(profile, c.browser);
        Outcome outcome;
        if (c.op == GeckoHistory) outcome = ClearGeckoHistory(profile, Mode::Edit);
        if (c.op == ChromiumHistory) outcome = ClearChromiumHistory(profile, Mode::Edit);
        if (c.op == ChromiumCookies) {
            outcome = KeepCookiesOf(path, Family::Chromium, {"example.org"}, Mode::Edit);
        }
        EXPECT_NE(fx::Narrow(outcome.refused).find(c.reason), std::string::npos)
            << fx::Narrow(outcome.refused);
        EXPECT_TRUE(outcome.removed.empty());
        holder.reset();
        EXPECT_EQ(Contents(profile, c.browser), files);
    }
}

}  // namespace
