// The benchmark of the edits inside browser databases: the history of a
// Gecko profile of 100,000 visits and 1,000 bookmarks, and a Chromium cookie
// database of 10,000 cookies, generated into copies of the real fixtures'
// databases (so the schemas are the browsers' own). Each figure is the median
// of five edits, each on a fresh copy. The statements of one edit are written
// out (ATTACH names made relative) for scripts/bench to replay in SQLite's
// own shell on the same files.
//
//   ufc_bench_browser.exe FIXTURES WORK    (Windows paths)
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench_clock.h"
#include "browser_data/browser_data.h"
#include "browser_data/sqlite_db.h"

namespace {

using namespace browser_data;

constexpr int kVisits = 100000, kPlaces = 20000, kBookmarks = 1000, kSites = 500;
constexpr int kCookies = 10000, kCookieSites = 1000, kKeptSites = 100;

void Fail(const char* what, sqlite3* db = nullptr) {
    std::fprintf(stderr, "browser bench: %s %s\n", what, db ? sqlite3_errmsg(db) : "");
    std::exit(1);
}

// Runs sql once per row 0..rows-1, binding what bind sets.
template <typename Bind>
void Fill(sqlite3* db, const char* sql, int rows, Bind bind) {
    std::wstring error;
    Statement statement = Prepare(db, sql, &error);
    if (!statement) Fail(sql, db);
    for (int row = 0; row < rows; ++row) {
        bind(statement.get(), row);
        if (!Run(db, statement.get(), nullptr)) Fail(sql, db);
        sqlite3_clear_bindings(statement.get());
    }
}

void Text(sqlite3_stmt* statement, int column, const std::string& text) {
    sqlite3_bind_text(statement, column, text.c_str(), -1, SQLITE_TRANSIENT);
}

std::string Site(int row) {
    return "site" + std::to_string(row % kSites) + ".example";
}
std::string PlaceUrl(int place) {
    return "https://" + Site(place) + "/page" + std::to_string(place);
}

// Places of 500 sites with five visits each, the first 1,000 bookmarked,
// ten keywords, input history, annotations, page metadata and icons.
void MakeGeckoProfile(const std::wstring& profile) {
    Database db;
    if (!OpenExisting(profile + L"\\places.sqlite", &db).empty()) Fail("places.sqlite");
    sqlite3* d = db.get();
    Run(d, "ATTACH '" + Utf8(profile) + "\\favicons.sqlite' AS favicons", nullptr);
    Run(d, "BEGIN", nullptr);
    Fill(
        d,
        "INSERT INTO moz_origins(id, prefix, host, frecency) VALUES (?1 + 1000, 'https://', ?2, 1)",
        kSites, [](sqlite3_stmt* s, int row) {
            sqlite3_bind_int(s, 1, row);
            Text(s, 2, Site(row));
        });
    Fill(d,
         "INSERT INTO moz_places(id, url, title, rev_host, visit_count, frecency, last_visit_date, "
         "guid, url_hash, origin_id, foreign_count) VALUES (?1 + 1000, ?2, 'page', 'x.', 5, 100, "
         "1700000000000000, printf('bench%07d', ?1), ?1, ?1 % 500 + 1000, ?1 < 1000)",
         kPlaces, [](sqlite3_stmt* s, int row) {
             sqlite3_bind_int(s, 1, row);
             Text(s, 2, PlaceUrl(row));
         });
    Fill(d,
         "INSERT INTO moz_historyvisits(from_visit, place_id, visit_date, visit_type, session) "
         "VALUES (0, ?1 % 20000 + 1000, 1700000000000000 + ?1, 1, 0)",
         kVisits, [](sqlite3_stmt* s, int row) { sqlite3_bind_int(s, 1, row); });
    Fill(d,
         "INSERT INTO moz_bookmarks(type, fk, parent, position, title, dateAdded, lastModified, "
         "guid) VALUES (1, ?1 + 1000, (SELECT id FROM moz_bookmarks WHERE guid = 'unfiled_____'), "
         "?1, 'bookmark', 1, 1, printf('bm%010d', ?1))",
         kBookmarks, [](sqlite3_stmt* s, int row) { sqlite3_bind_int(s, 1, row); });
    Fill(d, "INSERT INTO moz_keywords(keyword, place_id) VALUES (printf('k%d', ?1), ?1 * 7 + 1000)",
         10, [](sqlite3_stmt* s, int row) { sqlite3_bind_int(s, 1, row); });
    Fill(d, "INSERT INTO moz_inputhistory VALUES (?1 * 10 + 1000, printf('in%d', ?1), 1)", 2000,
         [](sqlite3_stmt* s, int row) { sqlite3_bind_int(s, 1, row); });
    Run(d, "INSERT INTO moz_anno_attributes(name) VALUES ('bench/note')", nullptr);
    Fill(d,
         "INSERT INTO moz_annos(place_id, anno_attribute_id, content) VALUES (?1 * 20 + 1000, "
         "(SELECT id FROM moz_anno_attributes WHERE name = 'bench/note'), 'note')",
         1000, [](sqlite3_stmt* s, int row) { sqlite3_bind_int(s, 1, row); });
    Fill(d, "INSERT INTO moz_places_metadata(place_id, created_at) VALUES (?1 * 2 + 1000, ?1)",
         10000, [](sqlite3_stmt* s, int row) { sqlite3_bind_int(s, 1, row); });
    Fill(d,
         "INSERT INTO favicons.moz_icons(id, icon_url, fixed_icon_url_hash, width, root, data) "
         "VALUES (?1 + 1000, ?2, ?1, 16, 1, zeroblob(200))",
         kSites, [](sqlite3_stmt* s, int row) {
             sqlite3_bind_int(s, 1, row);
             Text(s, 2, "https://" + Site(row) + "/favicon.ico");
         });
    Fill(d,
         "INSERT INTO favicons.moz_pages_w_icons(id, page_url, page_url_hash) VALUES "
         "(?1 + 1000, ?2, ?1)",
         kPlaces / 2, [](sqlite3_stmt* s, int row) {
             sqlite3_bind_int(s, 1, row);
             Text(s, 2, PlaceUrl(row));
         });
    Run(d,
        "INSERT INTO favicons.moz_icons_to_pages(page_id, icon_id) "
        "SELECT id, (id - 1000) % 500 + 1000 FROM favicons.moz_pages_w_icons WHERE id >= 1000",
        nullptr);
    if (!Run(d, "COMMIT", nullptr)) Fail("COMMIT", d);
}

// 10,000 cookies of 1,000 sites (.com and .co.uk), each site's under its
// whole domain, www. and its own name.
void MakeCookies(const std::wstring& database) {
    Database db;
    if (!OpenExisting(database, &db).empty()) Fail("Cookies");
    Run(db.get(), "BEGIN", nullptr);
    Fill(db.get(),
         "INSERT INTO cookies(creation_utc, host_key, top_frame_site_key, name, value, "
         "encrypted_value, path, expires_utc, is_secure, is_httponly, last_access_utc, "
         "has_expires, is_persistent, priority, samesite, source_scheme, source_port, "
         "last_update_utc, source_type, has_cross_site_ancestor) VALUES (?1, ?2, '', ?3, '', "
         "x'00', '/', 0, 0, 0, 0, 1, 1, 1, 0, 2, 443, 0, 0, 0)",
         kCookies, [](sqlite3_stmt* s, int row) {
             static const char* prefixes[] = {".", "www.", ""};
             int site = row % kCookieSites;
             sqlite3_bind_int(s, 1, row);
             Text(s, 2,
                  prefixes[row / kCookieSites % 3] + std::string("site") + std::to_string(site) +
                      (site % 2 ? ".co.uk" : ".com"));
             Text(s, 3, "c" + std::to_string(row));
         });
    if (!Run(db.get(), "COMMIT", nullptr)) Fail("COMMIT", db.get());
}

void Copy(const std::wstring& from, const std::wstring& to,
          const std::vector<std::wstring>& files) {
    CreateDirectoryW(to.c_str(), nullptr);
    for (const std::wstring& file : files) {
        if (!CopyFileW((from + L"\\" + file).c_str(), (to + L"\\" + file).c_str(), FALSE)) {
            Fail("copy");
        }
    }
}

// The statements of an edit as a script for SQLite's shell, run in the
// database's own folder.
void WriteScript(const Trace& trace, const std::wstring& folder, const std::wstring& path) {
    std::string script;
    const std::string prefix = Utf8(folder) + "\\";
    for (std::string statement : trace) {
        for (size_t at; (at = statement.find(prefix)) != std::string::npos;) {
            statement.erase(at, prefix.size());
        }
        script += statement + ";\n";
    }
    FILE* out = _wfopen(path.c_str(), L"wb");
    if (!out) Fail("script");
    std::fwrite(script.data(), 1, script.size(), out);
    std::fclose(out);
}

// The median seconds of five edits, each on a fresh copy of the generated
// files; the last edit's outcome and statements are kept.
template <typename Edit>
double Measure(const std::wstring& pristine, const std::wstring& folder,
               const std::vector<std::wstring>& files, Edit edit, Outcome* outcome, Trace* trace) {
    std::vector<double> times;
    for (int run = 0; run < 5; ++run) {
        Copy(pristine, folder, files);
        trace->clear();
        times.push_back(bench::TimeOf([&] { *outcome = edit(trace); }));
        if (!outcome->done()) {
            std::fprintf(stderr, "browser bench: refused: %ls\n", outcome->refused.c_str());
            std::exit(1);
        }
    }
    return bench::Median(times);
}

std::wstring Counts(const Outcome& outcome) {
    std::wstring text;
    for (const RowCount& count : outcome.removed) {
        text +=
            (text.empty() ? L"" : L", ") + std::to_wstring(count.rows) + L" " + Widen(count.kind);
    }
    return text;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: ufc_bench_browser FIXTURES WORK\n");
        return 1;
    }
    const std::wstring fixtures = argv[1], work = argv[2];
    CreateDirectoryW(work.c_str(), nullptr);

    const std::vector<std::wstring> gecko = {L"places.sqlite", L"favicons.sqlite"};
    Copy(fixtures + L"\\firefox", work + L"\\gecko-generated", gecko);
    MakeGeckoProfile(work + L"\\gecko-generated");
    Outcome outcome;
    Trace trace;
    double seconds = Measure(
        work + L"\\gecko-generated", work + L"\\gecko", gecko,
        [&](Trace* t) { return ClearGeckoHistory(work + L"\\gecko", Mode::Edit, t); }, &outcome,
        &trace);
    WriteScript(trace, work + L"\\gecko", work + L"\\gecko-history.sql");
    std::printf(
        "browser history (Gecko): %d visits, %d places, %d bookmarks: %.3f s (goal < 1 s)\n",
        kVisits, kPlaces, kBookmarks, seconds);
    std::printf("  removed %ls; %llu -> %llu bytes\n", Counts(outcome).c_str(),
                static_cast<unsigned long long>(outcome.bytesBefore),
                static_cast<unsigned long long>(outcome.bytesAfter));

    const std::vector<std::wstring> cookies = {L"Cookies"};
    Copy(fixtures + L"\\chromium\\Network", work + L"\\cookies-generated", cookies);
    MakeCookies(work + L"\\cookies-generated\\Cookies");
    std::vector<std::string> kept;
    for (int site = 0; site < kKeptSites; ++site) {
        kept.push_back("site" + std::to_string(site) + (site % 2 ? ".co.uk" : ".com"));
    }
    seconds = Measure(
        work + L"\\cookies-generated", work + L"\\cookies", cookies,
        [&](Trace* t) {
            return KeepCookiesOf(work + L"\\cookies\\Cookies", Family::Chromium, kept, Mode::Edit,
                                 t);
        },
        &outcome, &trace);
    WriteScript(trace, work + L"\\cookies", work + L"\\cookies.sql");
    std::printf("cookies (Chromium): %d cookies of %d sites, %d kept: %.3f s (goal < 0.3 s)\n",
                kCookies, kCookieSites, kKeptSites, seconds);
    std::printf("  removed %ls of %zu sites; %llu -> %llu bytes\n", Counts(outcome).c_str(),
                outcome.removedSites.size(), static_cast<unsigned long long>(outcome.bytesBefore),
                static_cast<unsigned long long>(outcome.bytesAfter));
    return 0;
}
