#include "rules/model.h"

#include "items/keep_list.h"
#include "rules/places.h"

namespace host {

namespace {

struct GroupEntry {
    RuleGroup group;
    const wchar_t* name;
};

const GroupEntry kGroups[] = {
    {RuleGroup::Cache, L"cache"},
    {RuleGroup::Logs, L"logs"},
    {RuleGroup::CrashReports, L"crash-reports"},
    {RuleGroup::System, L"system"},
    {RuleGroup::Developer, L"developer"},
    {RuleGroup::Cookies, L"cookies"},
    {RuleGroup::History, L"history"},
    {RuleGroup::Session, L"session"},
    {RuleGroup::SiteData, L"site-data"},
    {RuleGroup::Credentials, L"credentials"},
    {RuleGroup::Other, L"other"},
};

}  // namespace

const wchar_t* GroupName(RuleGroup group) {
    for (const GroupEntry& entry : kGroups)
        if (entry.group == group) return entry.name;
    return L"cache";
}

std::wstring GroupText(RuleGroup group) {
    std::wstring text = GroupName(group);
    for (wchar_t& c : text)
        if (c == L'-') c = L' ';
    return text;
}

bool ParseGroup(const std::wstring& text, RuleGroup* group) {
    for (const GroupEntry& entry : kGroups) {
        if (text != entry.name && text != GroupText(entry.group)) continue;
        *group = entry.group;
        return true;
    }
    return false;
}

const std::vector<RuleGroup>& AllGroups() {
    static const std::vector<RuleGroup> groups = [] {
        std::vector<RuleGroup> all;
        for (const GroupEntry& entry : kGroups) all.push_back(entry.group);
        return all;
    }();
    return groups;
}

const std::vector<Application>& Applications() {
    using F = RuleFamily;
    using K = KnownFolder;
    static const std::vector<Application> applications = {
        {F::Chromium, L"Chrome", K::LocalAppData, L"Google\\Chrome\\User Data", L"*", L"lockfile",
         true},
        {F::Chromium, L"Edge", K::LocalAppData, L"Microsoft\\Edge\\User Data", L"*", L"lockfile",
         true},
        {F::Chromium, L"Brave", K::LocalAppData, L"BraveSoftware\\Brave-Browser\\User Data", L"*",
         L"lockfile", true},
        {F::Chromium, L"Vivaldi", K::LocalAppData, L"Vivaldi\\User Data", L"*", L"lockfile", true},
        {F::Chromium, L"Chromium", K::LocalAppData, L"Chromium\\User Data", L"*", L"lockfile",
         true},
        {F::Chromium, L"Discord", K::RoamingAppData, L"discord", L"", L"lockfile", false},
        {F::Chromium, L"Slack", K::RoamingAppData, L"Slack", L"", L"lockfile", false},
        {F::Chromium, L"VS Code", K::RoamingAppData, L"Code", L"", L"lockfile", false},
        {F::Chromium, L"Teams", K::RoamingAppData, L"Microsoft\\Teams", L"", L"lockfile", false},
        {F::Gecko, L"Firefox", K::RoamingAppData, L"Mozilla\\Firefox", L"Profiles\\*",
         L"Profiles\\*\\parent.lock", true},
        {F::Gecko, L"Waterfox", K::RoamingAppData, L"Waterfox", L"Profiles\\*",
         L"Profiles\\*\\parent.lock", true},
        {F::Gecko, L"LibreWolf", K::RoamingAppData, L"LibreWolf", L"Profiles\\*",
         L"Profiles\\*\\parent.lock", true},
        {F::Gecko, L"Thunderbird", K::RoamingAppData, L"Thunderbird", L"Profiles\\*",
         L"Profiles\\*\\parent.lock", false},
    };
    return applications;
}

std::wstring RuleTarget::ApplicationName() const {
    return application ? std::wstring(application->name) : rule->application;
}

std::wstring RuleTarget::Title() const {
    return ApplicationName() + L": " + rule->name;
}

std::wstring RuleTarget::InUseAdvice() const {
    if (!application && rule->processes.empty())
        return L"close the programs that use them and clean again";
    return L"close " + ApplicationName() + L" to clean its " + GroupText(rule->group);
}

std::vector<RuleTarget> TargetsOf(const std::vector<const CleaningRule*>& rules) {
    std::vector<RuleTarget> targets;
    for (const CleaningRule* rule : rules) {
        if (rule->family == RuleFamily::None) {
            targets.push_back({rule, nullptr});
            continue;
        }
        // A browser's cookies and history are traces; an application's are
        // its sign-in.
        const bool privacy =
            rule->group == RuleGroup::Cookies || rule->group == RuleGroup::History ||
            rule->group == RuleGroup::Session || rule->group == RuleGroup::SiteData ||
            rule->group == RuleGroup::Credentials;
        for (const Application& application : Applications())
            if (application.family == rule->family && (application.browser || !privacy))
                targets.push_back({rule, &application});
    }
    return targets;
}

bool ChosenOnlyById(const CleaningRule& rule) {
    if (rule.group == RuleGroup::Credentials) return true;
    return TakesKeptFiles({rule.id, 0});
}

}  // namespace host
