#include "save_profile.h"

#include <algorithm>

#include "pipeline/kept_sites.h"
#include "schedule/profiles.h"
#include "rule_rows.h"
#include "rules/model.h"
#include "schedule/records_lock.h"

namespace gui {

bool SaveChoiceAsProfile(const std::wstring& name, const std::vector<std::uint32_t>& checked,
                         std::wstring* message) {
    host::Profile profile;
    profile.name = name;
    profile.keptSites = host::KeptSiteNames();
    std::vector<host::CleaningRule> rules;
    for (std::uint32_t number : checked) {
        // A rule row is one browser of its rule; the profile names the rule.
        if (const host::RuleTarget* target = RuleRowTarget(number)) {
            if (std::find(profile.ruleIds.begin(), profile.ruleIds.end(), target->rule->id) ==
                profile.ruleIds.end())
                profile.ruleIds.push_back(target->rule->id);
            rules.push_back(*target->rule);
        } else {
            profile.categories.push_back(number);
        }
    }
    // The rows' rules come from the default rules file, kept when one is named.
    std::wstring error;
    host::RecordsLock lock;
    if (!host::KeepRulesFile(&profile, std::wstring(), rules, &error) || !lock.Acquire(&error) ||
        !host::SaveProfile(profile, &error)) {
        *message = L"Profile not saved: " + error;
        return false;
    }
    *message =
        L"Saved the checked choice as profile \"" + name + L"\": ufclean clean --profile " + name;
    return true;
}

}  // namespace gui
