// Cookies by site, written from the schemas Chromium 156 (Cookies version
// 24, table cookies, column host_key) and Firefox ESR 153 (cookies.sqlite
// version 17, table moz_cookies, column host) make. A host of ".example.org"
// (a cookie for the whole domain) and "mail.example.org" both belong to the
// site example.org.
#include "browser_data/browser_data.h"
#include "browser_data/edit_engine.h"

#include <map>
#include <set>

namespace browser_data {
namespace {

struct CookieTable {
    Expectation expect;
    const char* table;
    const char* host;
};

const CookieTable kChromium = {
    {"Cookies", true, 21, 24, {{"cookies", {"host_key"}}}}, "cookies", "host_key"};
const CookieTable kGecko = {
    {"cookies.sqlite", false, 12, 17, {{"moz_cookies", {"host"}}}}, "moz_cookies", "host"};

const CookieTable& TableOf(Family family) {
    return family == Family::Chromium ? kChromium : kGecko;
}

// Cookie counts by host, as stored; empty reason on success.
std::wstring CountByHost(sqlite3* db, const CookieTable& cookies,
                         std::map<std::string, std::int64_t>* hosts) {
    std::wstring error;
    Statement statement = Prepare(db,
                                  std::string("SELECT ") + cookies.host + ", count(*) FROM main." +
                                      cookies.table + " GROUP BY 1",
                                  &error);
    if (!statement) return error;
    int status;
    while ((status = sqlite3_step(statement.get())) == SQLITE_ROW) {
        const unsigned char* host = sqlite3_column_text(statement.get(), 0);
        (*hosts)[host ? reinterpret_cast<const char*>(host) : ""] +=
            sqlite3_column_int64(statement.get(), 1);
    }
    return status == SQLITE_DONE ? std::wstring() : ErrorOf(db);
}

std::vector<SiteCookies> BySite(const std::map<std::string, std::int64_t>& hosts) {
    std::map<std::string, std::int64_t> sites;
    for (const auto& [host, count] : hosts) sites[RegistrableDomain(host)] += count;
    std::vector<SiteCookies> out;
    for (const auto& [site, count] : sites) out.push_back({site, count});
    return out;
}

}  // namespace

std::vector<SiteCookies> ListCookieSites(const std::wstring& database, Family family,
                                         std::wstring* refused) {
    refused->clear();
    try {
        const CookieTable& cookies = TableOf(family);
        Database db;
        *refused = OpenChecked(database, cookies.expect, &db);
        std::map<std::string, std::int64_t> hosts;
        if (refused->empty()) *refused = CountByHost(db.get(), cookies, &hosts);
        if (refused->empty()) return BySite(hosts);
    } catch (...) {
        *refused = L"out of memory";
    }
    return {};
}

Outcome KeepCookiesOf(const std::wstring& database, Family family,
                      const std::vector<std::string>& keptSites, Mode mode, Trace* trace) {
    Outcome outcome;
    try {
        const CookieTable& cookies = TableOf(family);
        std::set<std::string> kept;
        for (const std::string& site : keptSites) kept.insert(RegistrableDomain(site));
        std::map<std::string, std::int64_t> goneHosts;
        // The hosts of sites not kept go to a table the deletion reads.
        auto chooseHosts = [&](sqlite3* db, Trace* trace) -> std::wstring {
            std::map<std::string, std::int64_t> hosts;
            std::wstring reason = CountByHost(db, cookies, &hosts);
            if (!reason.empty()) return reason;
            if (!Run(db, "CREATE TEMP TABLE gone_host(host TEXT PRIMARY KEY)", trace)) {
                return ErrorOf(db);
            }
            Statement insert = Prepare(db, "INSERT INTO gone_host VALUES (?)", nullptr);
            if (!insert) return ErrorOf(db);
            for (const auto& [host, count] : hosts) {
                if (kept.count(RegistrableDomain(host))) continue;
                goneHosts[host] = count;
                sqlite3_bind_text(insert.get(), 1, host.c_str(), static_cast<int>(host.size()),
                                  SQLITE_STATIC);
                if (!Run(db, insert.get(), trace)) return ErrorOf(db);
            }
            return {};
        };
        const std::string sql = std::string("DELETE FROM main.") + cookies.table + " WHERE " +
                                cookies.host + " IN (SELECT host FROM gone_host)";
        outcome = RunEdit({{"main", database, &cookies.expect, false}},
                          {{"main", "cookies", sql.c_str()}}, mode, trace, chooseHosts);
        if (outcome.done()) outcome.removedSites = BySite(goneHosts);
    } catch (...) {
        outcome = Outcome();
        outcome.refused = L"out of memory";
    }
    return outcome;
}

}  // namespace browser_data
