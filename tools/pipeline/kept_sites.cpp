#include "pipeline/kept_sites.h"

#include <algorithm>
#include <cctype>
#include <map>

#include "browser_data/browser_data.h"
#include "platform/user_files.h"
#include "rules/rule_edit.h"
#include "rules/rule_scan.h"
#include "text/format.h"

namespace host {

std::wstring KeptSitesFile() {
    const std::wstring data = UserDataFolder();
    return data.empty() ? data : data + L"\\kept-sites.txt";
}

std::vector<std::string> LoadKeptSites() {
    std::string text;
    const std::wstring file = KeptSitesFile();
    if (file.empty() || !ReadTextFile(file, &text)) return {};
    std::vector<std::string> sites;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string site;
        if (SiteOf(Widen(text.substr(at, end - at)), &site)) AddSites(&sites, {site});
        at = end + 1;
    }
    return sites;
}

std::vector<std::wstring> KeptSiteNames() {
    std::vector<std::wstring> names;
    for (const std::string& site : LoadKeptSites()) names.push_back(Widen(site));
    return names;
}

bool SaveKeptSites(const std::vector<std::string>& sites, std::wstring* error) {
    const std::wstring data = UserDataFolder();
    if (data.empty() || !MakeFolder(data, error)) {
        if (data.empty()) *error = L"the user's data folder cannot be found";
        return false;
    }
    std::string text;
    for (const std::string& site : sites) text += site + "\n";
    return WriteTextFile(KeptSitesFile(), text, error);
}

bool SiteOf(const std::wstring& name, std::string* site) {
    std::string host = Utf8(name);
    while (!host.empty() && (host.back() == '\r' || host.back() == ' ')) host.pop_back();
    while (!host.empty() && (host.front() == ' ' || host.front() == '.')) host.erase(0, 1);
    if (host.empty() || host.size() > 253) return false;
    for (unsigned char c : host)
        if (!(c >= 0x80 || std::isalnum(c) || c == '-' || c == '.' || c == '_')) return false;
    *site = browser_data::RegistrableDomain(host);
    return !site->empty();
}

void AddSites(std::vector<std::string>* sites, const std::vector<std::string>& more) {
    for (const std::string& site : more) {
        auto at = std::lower_bound(sites->begin(), sites->end(), site);
        if (at == sites->end() || *at != site) sites->insert(at, site);
    }
}

std::vector<FoundSite> CookieSites(const std::vector<CleaningRule>& rules,
                                   const std::vector<std::string>& kept,
                                   std::vector<std::wstring>* refusals) {
    std::map<std::string, std::int64_t> counts;
    for (const std::string& site : kept) counts[site];
    std::vector<const CleaningRule*> cookieRules;
    for (const CleaningRule& rule : rules)
        if (rule.edit == DatabaseEdit::Cookies) cookieRules.push_back(&rule);
    RuleProbe probe;
    for (const RuleTarget& target : TargetsOf(cookieRules)) {
        if (!IsDetected(target, &probe)) continue;
        for (const RuleFolder& folder : ResolveRuleFolders(target, &probe)) {
            const std::wstring database = EditedDatabase(*target.rule, folder.path);
            if (database.empty()) continue;
            std::wstring refused;
            const auto family = target.rule->family == RuleFamily::Gecko
                                    ? browser_data::Family::Gecko
                                    : browser_data::Family::Chromium;
            for (const browser_data::SiteCookies& site :
                 browser_data::ListCookieSites(database, family, &refused))
                counts[site.site] += site.cookies;
            if (!refused.empty() && refusals) refusals->push_back(database + L": " + refused);
        }
    }
    std::vector<FoundSite> found;
    for (const auto& [site, cookies] : counts)
        found.push_back({site, cookies, std::binary_search(kept.begin(), kept.end(), site)});
    return found;
}

}  // namespace host
