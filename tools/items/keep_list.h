// Keep rules: items a rule matches are deselected before a clean, whatever
// listed them. The built-in rules protect what no one expects a junk clean
// to take: most name a kind of file in a browser's or mail client's profile,
// which is found by what the folder holds, wherever it lies; the others name
// applications' settings by folder + name.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "UnusedFileClean.h"

namespace host {

struct CleaningRule;

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
             std::wstring takenBy = {})
        : glob(std::move(glob)),
          reason(std::move(reason)),
          place(place),
          takenBy(std::move(takenBy)) {}
    std::wstring glob;    // case-insensitive, '*' crossing backslashes
    std::wstring reason;  // shown to the user
    KeepPlace place = KeepPlace::Anywhere;
    // The built-in rule made to clear these files: when the person chooses
    // it by its id, its items are not kept by this row.
    std::wstring takenBy;
};

// The built-in list, shared by every host.
const std::vector<KeepRule>& DefaultKeepRules();

// The rule as the user reads it: "<Gecko profile>\logins.json".
std::wstring KeepRuleText(const KeepRule& rule);

// Whether a cleaning rule runs only when the person names it by itself
// (its id, or its own box in a tree of choices), never through a group:
// the credentials group, and the built-in rules a keep rule lets through.
bool ChosenOnlyById(const CleaningRule& rule);

// Matches items against a list of keep rules. It looks at the folders
// above an item, each once, for the profiles a rule names. chosen: the
// rule whose items are matched, when the person chose it by its id (the
// keep rules made for it then let its items through), else null.
class KeepMatcher {
public:
    KeepMatcher(const std::vector<KeepRule>& rules, const CleaningRule* chosen);
    // The first rule that matches path (folder + name), or -1.
    int Match(const std::wstring& path);
    // The first rule of a profile that matches the file name in folder, or
    // -1; folderRules is FolderRules(folder).
    int MatchInProfile(std::wstring_view folder, std::wstring_view name, std::uint64_t folderRules);
    // The profile rules that a folder of the path can start (a bit per rule
    // of profiles_): a name then costs a look at a few rules.
    std::uint64_t FolderRules(std::wstring_view folder) const;
    // Whether rule r applies to these items.
    bool Applies(std::size_t r) const { return applies_[r]; }

private:
    struct ProfileRule {
        std::size_t rule;     // its index in the list
        std::wstring prefix;  // folded, up to the first '*' or '?'
        std::wstring suffix;  // folded, after the last '*' or '?' (whole glob if none)
    };
    bool InPlace(std::wstring_view folder, std::wstring_view name, const ProfileRule& rule);
    // What the folder is (a profile, a folder holding one), read once;
    // children: whether its subfolders must be read to tell.
    std::uint8_t Kinds(const std::wstring& folder, bool children);

    const std::vector<KeepRule>& rules_;
    std::vector<bool> applies_;
    std::vector<ProfileRule> profiles_;  // at most 64
    std::uint64_t byFirst_[64] = {};     // rules whose prefix starts with such a unit
    std::uint64_t always_ = 0;           // rules with no prefix
    std::unordered_map<std::wstring, std::uint8_t> kinds_;  // folded folder -> what it is
};

// The first rule that matches the item, or -1.
int MatchKeepRule(const std::vector<KeepRule>& rules, const FoundItem& item);
// The same for an item's folder + name.
int MatchKeepRule(const std::vector<KeepRule>& rules, const std::wstring& path);

}  // namespace host
