// A Gecko profile's history, written from the schema Firefox ESR 153 makes
// (places.sqlite version 86, favicons.sqlite beside it). Gecko keeps
// bookmarks, keywords and tags in the same places table as history: a place
// stays when a bookmark (a tag is a bookmark in a tag folder) or a keyword
// refers to it, or when Gecko's own count of such references says so.
#include "browser_data/browser_data.h"
#include "browser_data/edit_engine.h"

namespace browser_data {
namespace {

const Expectation kPlaces = {
    "places.sqlite",
    false,
    75,
    86,
    {{"moz_places",
      {"id", "url", "foreign_count", "origin_id", "visit_count", "last_visit_date", "typed",
       "recalc_frecency", "recalc_alt_frecency"}},
     {"moz_historyvisits", {"id"}},
     {"moz_bookmarks", {"fk"}},
     {"moz_keywords", {"place_id"}},
     {"moz_inputhistory", {"place_id"}},
     {"moz_annos", {"place_id", "anno_attribute_id"}},
     {"moz_anno_attributes", {"id"}},
     {"moz_items_annos", {"anno_attribute_id"}},
     {"moz_origins", {"id", "prefix", "host", "recalc_frecency", "recalc_alt_frecency"}},
     {"moz_places_metadata", {"place_id"}}}};

// favicons.sqlite carries no version of its own: it goes with places.sqlite.
const Expectation kFavicons = {"favicons.sqlite",
                               false,
                               0,
                               0,
                               {{"moz_icons", {"id", "icon_url", "root"}},
                                {"moz_pages_w_icons", {"id", "page_url"}},
                                {"moz_icons_to_pages", {"page_id", "icon_id"}}}};

const std::vector<Step> kSteps = {
    {"main", nullptr, "CREATE TEMP TABLE kept_place(id INTEGER PRIMARY KEY)"},
    {"main", nullptr,
     "INSERT INTO kept_place SELECT id FROM main.moz_places WHERE foreign_count > 0 "
     "UNION SELECT fk FROM main.moz_bookmarks WHERE fk NOT NULL "
     "UNION SELECT place_id FROM main.moz_keywords WHERE place_id NOT NULL"},
    {"main", nullptr,
     "CREATE TEMP TABLE gone_place AS SELECT id, url, origin_id FROM main.moz_places "
     "WHERE id NOT IN (SELECT id FROM kept_place)"},
    {"main", "visits", "DELETE FROM main.moz_historyvisits"},
    {"main", nullptr, "DELETE FROM main.moz_historyvisits_extra", "moz_historyvisits_extra"},
    {"main", "input history", "DELETE FROM main.moz_inputhistory"},
    {"main", "page metadata", "DELETE FROM main.moz_places_metadata"},
    {"main", nullptr, "DELETE FROM main.moz_places_metadata_search_queries",
     "moz_places_metadata_search_queries"},
    {"main", nullptr,
     "CREATE TEMP TABLE gone_attribute AS SELECT DISTINCT anno_attribute_id AS id "
     "FROM main.moz_annos WHERE place_id IN (SELECT id FROM gone_place)"},
    {"main", "annotations",
     "DELETE FROM main.moz_annos WHERE place_id IN (SELECT id FROM gone_place)"},
    {"main", nullptr,
     "DELETE FROM main.moz_anno_attributes WHERE id IN (SELECT id FROM gone_attribute) "
     "AND id NOT IN (SELECT anno_attribute_id FROM main.moz_annos WHERE anno_attribute_id NOT "
     "NULL) "
     "AND id NOT IN (SELECT anno_attribute_id FROM main.moz_items_annos "
     "WHERE anno_attribute_id NOT NULL)"},
    {"main", nullptr,
     "DELETE FROM main.moz_places_extra WHERE place_id IN (SELECT id FROM gone_place)",
     "moz_places_extra"},
    {"main", nullptr,
     "DELETE FROM main.moz_newtab_shortcuts_interaction WHERE place_id IN (SELECT id FROM "
     "gone_place)",
     "moz_newtab_shortcuts_interaction"},
    {"main", "places", "DELETE FROM main.moz_places WHERE id IN (SELECT id FROM gone_place)"},
    // Gecko computes the ranks of what stays again at its next start.
    {"main", nullptr,
     "UPDATE main.moz_places SET visit_count = 0, last_visit_date = NULL, typed = 0, "
     "recalc_frecency = 1, recalc_alt_frecency = 1"},
    {"main", nullptr,
     "CREATE TEMP TABLE gone_origin AS SELECT id, prefix, host FROM main.moz_origins "
     "WHERE id IN (SELECT origin_id FROM gone_place) "
     "AND id NOT IN (SELECT origin_id FROM main.moz_places WHERE origin_id NOT NULL)"},
    {"main", "origins", "DELETE FROM main.moz_origins WHERE id IN (SELECT id FROM gone_origin)"},
    {"main", nullptr, "UPDATE main.moz_origins SET recalc_frecency = 1, recalc_alt_frecency = 1"},
    // An icon goes when only removed pages used it; a site's root icon (its
    // /favicon.ico, linked to no page) goes with the site's last page.
    {"favicons", nullptr,
     "CREATE TEMP TABLE gone_page AS SELECT id FROM favicons.moz_pages_w_icons "
     "WHERE page_url IN (SELECT url FROM gone_place)"},
    {"favicons", nullptr,
     "CREATE TEMP TABLE gone_icon AS SELECT icon_id AS id FROM favicons.moz_icons_to_pages "
     "WHERE page_id IN (SELECT id FROM gone_page) "
     "UNION SELECT id FROM favicons.moz_icons WHERE root = 1 "
     "AND icon_url IN (SELECT prefix || host || '/favicon.ico' FROM gone_origin)"},
    {"favicons", nullptr,
     "DELETE FROM favicons.moz_icons_to_pages WHERE page_id IN (SELECT id FROM gone_page)"},
    {"favicons", "icon pages",
     "DELETE FROM favicons.moz_pages_w_icons WHERE id IN (SELECT id FROM gone_page)"},
    {"favicons", "icons",
     "DELETE FROM favicons.moz_icons WHERE id IN (SELECT id FROM gone_icon) "
     "AND id NOT IN (SELECT icon_id FROM favicons.moz_icons_to_pages)"},
};

}  // namespace

Outcome ClearGeckoHistory(const std::wstring& profile, Mode mode, Trace* trace) {
    try {
        return RunEdit({{"main", profile + L"\\places.sqlite", &kPlaces, false},
                        {"favicons", profile + L"\\favicons.sqlite", &kFavicons, true}},
                       kSteps, mode, trace);
    } catch (...) {
        Outcome outcome;
        outcome.refused = L"out of memory";
        return outcome;
    }
}

}  // namespace browser_data
