// What the person chose to scan and clean, as the console and a saved
// profile name it: categories by number, rules by id, opt-in groups of
// rules, 'all'. The rows of a run come from it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pipeline/row.h"
#include "rules/model.h"

namespace host {

struct Choice {
    std::vector<std::uint32_t> categories;  // named by number, in order
    std::vector<std::wstring> ruleIds;      // named by id
    std::vector<RuleGroup> withGroups;      // opt-in groups
    bool all = false;                       // 'all' was named
    // Nothing named, or 'all': the default set (pipeline/defaults.h), the
    // categories and rules that are on by default.
    bool Defaults() const { return all || (categories.empty() && ruleIds.empty()); }
};

// Whether the choice takes a category it does not name: one of the
// default set with the defaults, an opt-in one when a group of --with
// takes it.
bool TakesCategory(const Choice& choice, std::uint32_t number);

// The rules the choice takes, in the order of rules, each once: those named
// by id, those of its groups and, with the defaults, those on by default.
// A credentials rule runs only when named by its id.
std::vector<const CleaningRule*> ChosenRules(const Choice& choice,
                                             const std::vector<CleaningRule>& rules);

// The rows of a run: the categories named (chosen by their number), then
// every other category that scans and the choice takes, then a row per target
// of each chosen rule (chosen by id when named by id).
std::vector<Row> RowsOf(const Choice& choice, const std::vector<CleaningRule>& rules);

}  // namespace host
