// Edits inside browsers' SQLite databases, for the hosts: a profile's
// browsing history without its bookmarks, and the cookies of every site but
// the ones a person keeps.
//
// A database is edited only when it is what is expected: a known schema
// version, the tables and columns the edit uses, and an intact file (SQLite's
// quick check). The edit takes SQLite's own write lock without waiting, so a
// database a running browser holds is refused, not waited on; it runs as one
// transaction over the profile's databases, then every database is vacuumed
// and its write-ahead log truncated so the freed pages leave the disk.
// Nothing here throws; a refusal comes back as a reason.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace browser_data {

enum class Family { Gecko, Chromium };

// A preview runs the same edit and rolls it back: its counts are exactly
// what an edit would remove, and no file changes.
enum class Mode { Preview, Edit };

struct RowCount {
    std::string kind;  // "visits", "places", "cookies", ...
    std::int64_t rows = 0;
};

struct SiteCookies {
    std::string site;  // a registrable domain: "example.org", "example.co.uk"
    std::int64_t cookies = 0;
};

// What one edit did or, previewed, would do.
struct Outcome {
    std::wstring refused;                   // why nothing was changed; empty when done
    std::vector<RowCount> removed;          // rows per kind, in the order of the edit
    std::vector<SiteCookies> removedSites;  // cookie edits: the sites that lose theirs
    // The databases with their -wal and -journal files, before and after
    // (previewed: the pages the edited databases would still use).
    std::uint64_t bytesBefore = 0;
    std::uint64_t bytesAfter = 0;

    bool done() const { return refused.empty(); }
    std::uint64_t Freed() const { return bytesBefore > bytesAfter ? bytesBefore - bytesAfter : 0; }
    std::int64_t Rows(std::string_view kind) const;
};

// Every SQL text an edit runs, in order, with its bound values written out:
// the benchmark replays them in SQLite's own shell. Optional.
using Trace = std::vector<std::string>;

// A Gecko profile folder's history: visits, input history, page metadata,
// every place no bookmark or keyword refers to with its annotations and
// origin, and in favicons.sqlite the pages and icons only those places
// used. Bookmarks, keywords, tags and their places stay; a kept place's
// visit counts are reset.
Outcome ClearGeckoHistory(const std::wstring& profile, Mode mode, Trace* trace = nullptr);

// A Chromium profile folder's history: History's visits, search terms,
// segments, annotations, clusters and finished downloads, every address that
// is not bookmarked (the profile's Bookmarks file), Top Sites, Shortcuts,
// the icons of Favicons no bookmark uses, and the Visited Links file.
Outcome ClearChromiumHistory(const std::wstring& profile, Mode mode, Trace* trace = nullptr);

// The sites that hold cookies in a cookie database (Chromium's Cookies,
// Gecko's cookies.sqlite), with their counts, by site. On a refusal the list
// is empty and *refused says why.
std::vector<SiteCookies> ListCookieSites(const std::wstring& database, Family family,
                                         std::wstring* refused);

// Deletes the cookies of every site not in keptSites. A kept name stands for
// its registrable domain: keeping example.org (or mail.example.org) keeps
// .example.org, mail.example.org and shop.example.org, not notexample.org.
Outcome KeepCookiesOf(const std::wstring& database, Family family,
                      const std::vector<std::string>& keptSites, Mode mode, Trace* trace = nullptr);

// The registrable domain of a host name by the public suffix list
// ("mail.example.co.uk" -> "example.co.uk"); a leading dot and letter case do
// not count. An IP address, or a name that is itself a public suffix, is its
// own site.
std::string RegistrableDomain(std::string_view host);

}  // namespace browser_data
