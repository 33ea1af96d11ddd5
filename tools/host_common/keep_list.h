// Keep rules: items whose folder + name match a rule are deselected before a
// clean. The built-in rules protect what no one expects a junk clean to take.
#pragma once

#include <string>
#include <vector>

#include "UnusedFileClean.h"

namespace host {

struct KeepRule {
    std::wstring glob;    // matched against folder + name, case-insensitive
    std::wstring reason;  // shown to the user
};

// The built-in list, shared by every host.
const std::vector<KeepRule>& DefaultKeepRules();

// The first rule that matches the item, or -1.
int MatchKeepRule(const std::vector<KeepRule>& rules, const FoundItem& item);
// The same for an item's folder + name.
int MatchKeepRule(const std::vector<KeepRule>& rules, const std::wstring& path);

}  // namespace host
