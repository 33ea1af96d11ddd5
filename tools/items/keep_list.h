// Keep rules: items a rule matches are deselected before a clean, whatever
// listed them. The built-in rules protect what no one expects a junk clean
// to take: most name a kind of file in a browser's or mail client's profile,
// which is found by what the folder holds, wherever it lies; the others name
// applications' settings by folder + name.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace host {

// Where a keep rule's pattern is matched.
enum class KeepPlace : std::uint8_t {
    Anywhere,          // against the item's folder + name
    ChromiumProfile,   // against the path below a Chromium-family profile: a folder
                       // holding Preferences with Login Data or Web Data
    GeckoProfile,      // ... below a Gecko profile: a folder holding prefs.js or times.json
    ChromiumUserData,  // ... below a Chromium profile or a folder holding one
};

struct KeepRule {
    KeepRule() = default;
    KeepRule(std::wstring glob, std::wstring reason, KeepPlace place = KeepPlace::Anywhere,
             std::wstring takenBy = {}, std::uint32_t takenByCategory = 0)
        : glob(std::move(glob)),
          reason(std::move(reason)),
          place(place),
          takenBy(std::move(takenBy)),
          takenByCategory(takenByCategory) {}
    std::wstring glob;    // case-insensitive, '*' crossing backslashes
    std::wstring reason;  // shown to the user
    KeepPlace place = KeepPlace::Anywhere;
    // The built-in rule, and the module's category, made to clear these
    // files: when the person chooses it by itself (the rule by its id, the
    // category by its number), its items are not kept by this row.
    std::wstring takenBy;
    std::uint32_t takenByCategory = 0;
};

// A choice the person made by itself: a cleaning rule named by its id, or
// a category of the module named by its number (neither by default, nor by
// a group, nor by 'all').
struct ChosenByItself {
    std::wstring_view ruleId;    // empty: no rule
    std::uint32_t category = 0;  // 0: no category
};

// Whether the keep rule lets the items of the choice through (null: none).
bool LetsThrough(const KeepRule& rule, const ChosenByItself* chosen);
// Whether a built-in keep rule is made for the choice: such a choice runs
// only when the person makes it by itself.
bool TakesKeptFiles(const ChosenByItself& choice);

// The built-in list, shared by every host.
const std::vector<KeepRule>& DefaultKeepRules();

// The rule as the user reads it: "<Gecko profile>\logins.json".
std::wstring KeepRuleText(const KeepRule& rule);

}  // namespace host
