// ufclean cookies: the sites whose cookies a clean keeps.
#include <algorithm>

#include "app.h"
#include "pipeline/kept_sites.h"
#include "platform/console.h"
#include "text/format.h"

namespace ufclean {

namespace {

int List(const Options& options) {
    const std::vector<std::string> kept = host::LoadKeptSites();
    std::vector<std::wstring> refusals;
    const std::vector<host::FoundSite> sites = host::CookieSites(options.rules, kept, &refusals);
    host::Out(L"Cookies     Kept  Site\n");
    for (const host::FoundSite& site : sites) {
        std::wstring count = std::to_wstring(site.cookies);
        if (count.size() < 7) count.insert(0, 7 - count.size(), L' ');
        host::Out(count + (site.kept ? L"     yes  " : L"          ") + host::Widen(site.site) +
                  L"\n");
    }
    for (const std::wstring& refusal : refusals) host::Out(L"not read: " + refusal + L"\n");
    host::Out(kept.empty() ? std::wstring(L"No site is kept: the cookie rules delete the whole "
                                          L"cookie databases.\n")
                           : std::to_wstring(kept.size()) +
                                 L" site(s) kept: the cookie rules delete the other sites' "
                                 L"cookies.\n");
    return kExitOk;
}

}  // namespace

int RunCookies(const Options& options) {
    const std::vector<std::wstring>& words = options.arguments;
    const std::wstring verb = words.empty() ? L"list" : words[0];
    if (verb == L"list" && words.size() <= 1) return List(options);
    if ((verb != L"keep" && verb != L"unkeep") || words.size() < 2)
        return UsageError(L"cookies takes keep SITE..., unkeep SITE... or list");
    std::vector<std::string> sites = host::LoadKeptSites();
    for (std::size_t w = 1; w < words.size(); ++w) {
        std::string site;
        if (!host::SiteOf(words[w], &site)) return UsageError(L"not a site: " + words[w]);
        if (verb == L"keep") {
            host::AddSites(&sites, {site});
        } else {
            const auto at = std::find(sites.begin(), sites.end(), site);
            if (at == sites.end())
                host::Out(L"not kept: " + host::Widen(site) + L"\n");
            else
                sites.erase(at);
        }
    }
    std::wstring error;
    if (!host::SaveKeptSites(sites, &error)) {
        host::Err(L"ufclean: " + error + L"\n");
        return kExitUsage;
    }
    host::Out(std::to_wstring(sites.size()) + L" site(s) kept\n");
    return kExitOk;
}

}  // namespace ufclean
