// The sites whose cookies a clean keeps. With some kept, the cookie rules
// edit the browsers' cookie databases (the other sites' cookies go) instead
// of deleting them. The list lives in the user's data folder, a site a
// line, each a registrable domain: keeping mail.example.org keeps
// example.org and every name below it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "rules/model.h"

namespace host {

std::wstring KeptSitesFile();
// The saved list, sorted; empty when there is none.
std::vector<std::string> LoadKeptSites();
// The same as text, for a profile: what it saves stays kept for its cleans.
std::vector<std::wstring> KeptSiteNames();
bool SaveKeptSites(const std::vector<std::string>& sites, std::wstring* error);

// The site a name the person gave stands for ("Mail.Example.org" ->
// "example.org"); false for a name that is no host name.
bool SiteOf(const std::wstring& name, std::string* site);
// Adds the sites of names to a sorted list, each once.
void AddSites(std::vector<std::string>* sites, const std::vector<std::string>& more);

struct FoundSite {
    std::string site;
    std::int64_t cookies = 0;  // in every profile's cookie database
    bool kept = false;
};

// The sites that hold cookies in the cookie databases of every browser
// profile the cookie rules of rules find, counts summed, sorted by site,
// and the kept sites that hold none. refusals gets the databases that
// could not be read, with why.
std::vector<FoundSite> CookieSites(const std::vector<CleaningRule>& rules,
                                   const std::vector<std::string>& kept,
                                   std::vector<std::wstring>* refusals);

}  // namespace host
