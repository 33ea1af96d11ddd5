// How items meet the keep rules: rules of a place by the folders a path
// lies below (a profile is found by the files it holds, each folder read
// once), rules of folder + name by their globs.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "UnusedFileClean.h"
#include "items/keep_list.h"

namespace host {

// Matches items against a list of keep rules. It looks at the folders
// above an item, each once, for the profiles a rule names. chosen: what
// listed the items, when the person chose it by itself (the keep rules made
// for it then let its items through), else null.
class KeepMatcher {
public:
    KeepMatcher(const std::vector<KeepRule>& rules, const ChosenByItself* chosen);
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
