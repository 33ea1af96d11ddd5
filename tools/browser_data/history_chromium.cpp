// A Chromium profile's history, written from the schemas Chromium 156 makes
// (History 70, Favicons 9, Top Sites 5, Shortcuts 2). Bookmarks live in the
// profile's Bookmarks file; as Chromium does when it clears history, a
// bookmarked address keeps its row in History (its counts reset) and its icon
// in Favicons. Downloads are history, but one that was interrupted stays: the
// browser can still resume it.
#include "browser_data/browser_data.h"
#include "browser_data/edit_engine.h"

#include <nlohmann/json.hpp>
#include "fs/rooted_delete.h"

#include "platform/user_files.h"

#include <windows.h>

namespace browser_data {
namespace {

const Expectation kHistory = {
    "History",
    true,
    64,
    70,
    {{"urls", {"id", "url", "visit_count", "typed_count", "last_visit_time"}},
     {"visits", {"id"}},
     {"keyword_search_terms", {"url_id"}},
     {"segments", {"id"}},
     {"segment_usage", {"segment_id"}},
     {"downloads", {"id", "state"}},
     {"downloads_url_chains", {"id"}},
     {"downloads_slices", {"download_id"}}}};
const Expectation kTopSites = {"Top Sites", true, 3, 5, {{"top_sites", {"url"}}}};
const Expectation kShortcuts = {"Shortcuts", true, 1, 2, {{"omni_box_shortcuts", {"id"}}}};
const Expectation kFavicons = {"Favicons",
                               true,
                               8,
                               9,
                               {{"icon_mapping", {"id", "page_url", "icon_id"}},
                                {"favicons", {"id"}},
                                {"favicon_bitmaps", {"icon_id"}}}};

// Download states: 1 complete, 2 cancelled (0 in progress, 4 interrupted stay).
const std::vector<Step> kSteps = {
    {"main", nullptr,
     "CREATE TEMP TABLE gone_url AS SELECT id FROM main.urls "
     "WHERE url NOT IN (SELECT url FROM kept_url)"},
    {"main", "visits", "DELETE FROM main.visits"},
    {"main", nullptr, "DELETE FROM main.visit_source", "visit_source"},
    {"main", nullptr, "DELETE FROM main.content_annotations", "content_annotations"},
    {"main", nullptr, "DELETE FROM main.context_annotations", "context_annotations"},
    {"main", nullptr, "DELETE FROM main.clusters_and_visits", "clusters_and_visits"},
    {"main", nullptr, "DELETE FROM main.cluster_keywords", "cluster_keywords"},
    {"main", nullptr, "DELETE FROM main.cluster_visit_duplicates", "cluster_visit_duplicates"},
    {"main", nullptr, "DELETE FROM main.clusters", "clusters"},
    {"main", nullptr, "DELETE FROM main.visited_links", "visited_links"},
    {"main", nullptr, "DELETE FROM main.journey_history_entries", "journey_history_entries"},
    {"main", nullptr, "DELETE FROM main.journey_continuation_queries",
     "journey_continuation_queries"},
    {"main", nullptr, "DELETE FROM main.journeys", "journeys"},
    {"main", "search terms", "DELETE FROM main.keyword_search_terms"},
    {"main", nullptr, "DELETE FROM main.segment_usage"},
    {"main", "segments", "DELETE FROM main.segments"},
    {"main", nullptr,
     "DELETE FROM main.downloads_url_chains "
     "WHERE id IN (SELECT id FROM main.downloads WHERE state IN (1, 2))"},
    {"main", nullptr,
     "DELETE FROM main.downloads_slices "
     "WHERE download_id IN (SELECT id FROM main.downloads WHERE state IN (1, 2))"},
    {"main", "downloads", "DELETE FROM main.downloads WHERE state IN (1, 2)"},
    {"main", "urls", "DELETE FROM main.urls WHERE id IN (SELECT id FROM gone_url)"},
    {"main", nullptr, "UPDATE main.urls SET visit_count = 0, typed_count = 0, last_visit_time = 0"},
    {"top_sites", "top sites", "DELETE FROM top_sites.top_sites"},
    {"shortcuts", "shortcuts", "DELETE FROM shortcuts.omni_box_shortcuts"},
    {"icons", nullptr,
     "CREATE TEMP TABLE gone_mapping AS SELECT id, icon_id FROM icons.icon_mapping "
     "WHERE page_url NOT IN (SELECT url FROM kept_url)"},
    {"icons", "icon pages",
     "DELETE FROM icons.icon_mapping WHERE id IN (SELECT id FROM gone_mapping)"},
    {"icons", nullptr,
     "CREATE TEMP TABLE gone_icon AS SELECT DISTINCT icon_id AS id FROM gone_mapping "
     "WHERE icon_id NOT IN (SELECT icon_id FROM icons.icon_mapping WHERE icon_id NOT NULL)"},
    {"icons", nullptr,
     "DELETE FROM icons.favicon_bitmaps WHERE icon_id IN (SELECT id FROM gone_icon)"},
    {"icons", "icons", "DELETE FROM icons.favicons WHERE id IN (SELECT id FROM gone_icon)"},
};

// The addresses of the profile's bookmarks, every folder walked with a stack
// of its own (a deep file cannot exhaust the call stack). Empty on success.
std::wstring BookmarkedUrls(const std::wstring& profile, std::vector<std::string>* urls) {
    const std::wstring path = profile + L"\\Bookmarks";
    if (!FileExists(path)) return {};
    std::string text;
    if (!host::ReadTextFile(path, &text)) return L"Bookmarks: cannot be read";
    nlohmann::json root = nlohmann::json::parse(text, nullptr, false);
    if (root.is_discarded() || !root.is_object()) return L"Bookmarks: not valid JSON";
    auto roots = root.find("roots");
    if (roots == root.end() || !roots->is_object()) return L"Bookmarks: no roots";
    std::vector<const nlohmann::json*> pending;
    for (const auto& folder : roots->items()) pending.push_back(&folder.value());
    while (!pending.empty()) {
        const nlohmann::json* node = pending.back();
        pending.pop_back();
        if (!node->is_object()) continue;
        auto url = node->find("url");
        if (url != node->end() && url->is_string()) urls->push_back(url->get<std::string>());
        auto children = node->find("children");
        if (children != node->end() && children->is_array()) {
            for (const nlohmann::json& child : *children) pending.push_back(&child);
        }
    }
    return {};
}

}  // namespace

Outcome ClearChromiumHistory(const std::wstring& profile, Mode mode, Trace* trace) {
    Outcome outcome;
    try {
        std::vector<std::string> kept;
        std::wstring reason = BookmarkedUrls(profile, &kept);
        if (!reason.empty()) {
            outcome.refused = reason;
            return outcome;
        }
        auto keepBookmarks = [&kept](sqlite3* db, Trace* trace) -> std::wstring {
            if (!Run(db, "CREATE TEMP TABLE kept_url(url TEXT PRIMARY KEY)", trace)) {
                return ErrorOf(db);
            }
            Statement insert = Prepare(db, "INSERT OR IGNORE INTO kept_url VALUES (?)", nullptr);
            if (!insert) return ErrorOf(db);
            for (const std::string& url : kept) {
                sqlite3_bind_text(insert.get(), 1, url.c_str(), static_cast<int>(url.size()),
                                  SQLITE_STATIC);
                if (!Run(db, insert.get(), trace)) return ErrorOf(db);
            }
            return {};
        };
        outcome = RunEdit({{"main", profile + L"\\History", &kHistory, false},
                           {"top_sites", profile + L"\\Top Sites", &kTopSites, true},
                           {"shortcuts", profile + L"\\Shortcuts", &kShortcuts, true},
                           {"icons", profile + L"\\Favicons", &kFavicons, true}},
                          kSteps, mode, trace, keepBookmarks);
        if (!outcome.done()) return outcome;
        // The visited-link table is a file of hashes of every visited
        // address: it goes whole (the browser builds it again from History).
        const std::wstring links = profile + L"\\Visited Links";
        if (FileExists(links)) {
            std::uint64_t bytes = DatabaseBytes(links);
            outcome.bytesBefore += bytes;
            bool gone = mode == Mode::Preview ||
                        ufc::RootedDeleter({profile}).DeleteFile(links.c_str()) == ERROR_SUCCESS;
            outcome.removed.push_back({"visited links file", gone ? 1 : 0});
            if (!gone || mode == Mode::Preview) outcome.bytesAfter += bytes;
        }
    } catch (...) {
        outcome = Outcome();
        outcome.refused = L"out of memory";
    }
    return outcome;
}

}  // namespace browser_data
