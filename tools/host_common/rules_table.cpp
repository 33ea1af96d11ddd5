// The browsers of each family and the built-in rules. Chromium-based
// browsers share one table, Firefox and its forks another: a rule is
// written once per family and applied to every browser of it.
#include "module_loader.h"
#include "rules.h"

namespace host {

namespace {

struct GroupEntry {
    RuleGroup group;
    const wchar_t* name;
};

const GroupEntry kGroups[] = {
    {RuleGroup::Cache, L"cache"},
    {RuleGroup::Cookies, L"cookies"},
    {RuleGroup::History, L"history"},
    {RuleGroup::Session, L"session"},
};

constexpr RuleFolder kLocal = RuleFolder::LocalAppData;
constexpr RuleFolder kRoaming = RuleFolder::RoamingAppData;

CleaningRule Chromium(const wchar_t* id, const wchar_t* name, RuleGroup group, const wchar_t* path,
                      std::vector<std::wstring> files = {}) {
    return {id,
            name,
            group,
            BrowserFamily::Chromium,
            kLocal,
            path,
            std::move(files),
            group == RuleGroup::Cache};
}

CleaningRule Gecko(const wchar_t* id, const wchar_t* name, RuleGroup group, RuleFolder folder,
                   const wchar_t* path, std::vector<std::wstring> files = {}) {
    return {id,
            name,
            group,
            BrowserFamily::Gecko,
            folder,
            path,
            std::move(files),
            group == RuleGroup::Cache};
}

}  // namespace

const wchar_t* GroupName(RuleGroup group) {
    for (const GroupEntry& entry : kGroups)
        if (entry.group == group) return entry.name;
    return L"cache";
}

bool ParseGroup(const std::wstring& text, RuleGroup* group) {
    for (const GroupEntry& entry : kGroups) {
        if (text != entry.name) continue;
        *group = entry.group;
        return true;
    }
    return false;
}

const std::vector<Browser>& Browsers() {
    static const std::vector<Browser> browsers = {
        {BrowserFamily::Chromium, L"Chrome", L"Google\\Chrome"},
        {BrowserFamily::Chromium, L"Edge", L"Microsoft\\Edge"},
        {BrowserFamily::Chromium, L"Brave", L"BraveSoftware\\Brave-Browser"},
        {BrowserFamily::Chromium, L"Vivaldi", L"Vivaldi"},
        {BrowserFamily::Chromium, L"Chromium", L"Chromium"},
        {BrowserFamily::Gecko, L"Firefox", L"Mozilla\\Firefox"},
        {BrowserFamily::Gecko, L"Waterfox", L"Waterfox"},
        {BrowserFamily::Gecko, L"LibreWolf", L"LibreWolf"},
    };
    return browsers;
}

const std::vector<CleaningRule>& BuiltInRules() {
    using G = RuleGroup;
    static const std::vector<CleaningRule> rules = {
        Chromium(L"chromium.cache", L"cache", G::Cache, L"User Data\\*\\Cache"),
        Chromium(L"chromium.code-cache", L"code cache", G::Cache, L"User Data\\*\\Code Cache"),
        Chromium(L"chromium.gpu-cache", L"GPU cache", G::Cache, L"User Data\\*\\GPUCache"),
        Chromium(L"chromium.dawn-cache", L"Dawn cache", G::Cache, L"User Data\\*\\DawnCache"),
        Chromium(L"chromium.dawn-webgpu-cache", L"Dawn WebGPU cache", G::Cache,
                 L"User Data\\*\\DawnWebGPUCache"),
        Chromium(L"chromium.dawn-graphite-cache", L"Dawn Graphite cache", G::Cache,
                 L"User Data\\*\\DawnGraphiteCache"),
        Chromium(L"chromium.service-worker-cache", L"service worker cache", G::Cache,
                 L"User Data\\*\\Service Worker\\CacheStorage"),
        Chromium(L"chromium.shader-cache", L"shader cache", G::Cache, L"User Data\\ShaderCache"),
        Chromium(L"chromium.gr-shader-cache", L"graphics shader cache", G::Cache,
                 L"User Data\\GrShaderCache"),
        Chromium(
            L"chromium.cookies", L"cookies", G::Cookies, L"User Data\\*",
            {L"Network\\Cookies", L"Network\\Cookies-journal", L"Cookies", L"Cookies-journal"}),
        Chromium(L"chromium.history", L"history", G::History, L"User Data\\*",
                 {L"History", L"History-journal", L"Visited Links", L"Top Sites",
                  L"Top Sites-journal", L"Shortcuts", L"Shortcuts-journal"}),
        Chromium(L"chromium.sessions", L"sessions", G::Session, L"User Data\\*\\Sessions"),
        Chromium(L"chromium.session-files", L"last session", G::Session, L"User Data\\*",
                 {L"Current Session", L"Current Tabs", L"Last Session", L"Last Tabs"}),
        Gecko(L"gecko.cache2", L"cache", G::Cache, kLocal, L"Profiles\\*\\cache2"),
        Gecko(L"gecko.startup-cache", L"startup cache", G::Cache, kLocal,
              L"Profiles\\*\\startupCache"),
        Gecko(L"gecko.thumbnails", L"thumbnails", G::Cache, kLocal, L"Profiles\\*\\thumbnails"),
        Gecko(L"gecko.cookies", L"cookies", G::Cookies, kRoaming, L"Profiles\\*",
              {L"cookies.sqlite", L"cookies.sqlite-wal", L"cookies.sqlite-shm"}),
        Gecko(L"gecko.form-history", L"form history", G::History, kRoaming, L"Profiles\\*",
              {L"formhistory.sqlite", L"formhistory.sqlite-wal", L"formhistory.sqlite-shm"}),
        Gecko(L"gecko.session", L"last session", G::Session, kRoaming, L"Profiles\\*",
              {L"sessionstore.jsonlz4"}),
        Gecko(L"gecko.session-backups", L"session backups", G::Session, kRoaming,
              L"Profiles\\*\\sessionstore-backups"),
    };
    return rules;
}

std::wstring DefaultRulesFile() {
    return ProgramFolder() + L"ufclean-rules.json";
}

std::wstring RuleTarget::Title() const {
    return std::wstring(browser->name) + L": " + rule->name;
}

std::wstring RuleTarget::InUseAdvice() const {
    return L"close " + std::wstring(browser->name) + L" to clean its " + GroupName(rule->group);
}

std::vector<RuleTarget> TargetsOf(const std::vector<const CleaningRule*>& rules) {
    std::vector<RuleTarget> targets;
    for (const CleaningRule* rule : rules)
        for (const Browser& browser : Browsers())
            if (browser.family == rule->family) targets.push_back({rule, &browser});
    return targets;
}

}  // namespace host
