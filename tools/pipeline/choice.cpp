#include "pipeline/choice.h"

#include <algorithm>

#include "pipeline/categories.h"
#include "pipeline/defaults.h"

namespace host {

namespace {

template <typename T>
bool Holds(const std::vector<T>& values, const T& value) {
    return std::find(values.begin(), values.end(), value) != values.end();
}

}  // namespace

bool TakesCategory(const Choice& choice, std::uint32_t number) {
    RuleGroup group;
    if (CategoryGroup(number, &group)) return Holds(choice.withGroups, group);
    return choice.Defaults() && CategoryOptIn(number) == nullptr;
}

std::vector<const CleaningRule*> ChosenRules(const Choice& choice,
                                             const std::vector<CleaningRule>& rules) {
    std::vector<const CleaningRule*> chosen;
    for (const CleaningRule& rule : rules) {
        const bool named = Holds(choice.ruleIds, rule.id);
        const bool grouped = Holds(choice.withGroups, rule.group);
        // Passwords, keys, bookmarks and sync data go only when named.
        const bool taken = grouped || (choice.Defaults() && rule.onByDefault);
        if (named || (taken && rule.group != RuleGroup::Credentials)) chosen.push_back(&rule);
    }
    return chosen;
}

std::vector<Row> RowsOf(const Choice& choice, const std::vector<CleaningRule>& rules) {
    std::vector<Row> rows;
    for (std::uint32_t number : choice.categories) rows.push_back(CategoryRow(number, true));
    for (const CategoryInfo& info : Categories())
        if (info.kind == CategoryKind::Scan && !Holds(choice.categories, info.number) &&
            TakesCategory(choice, info.number))
            rows.push_back(CategoryRow(info.number, false));
    for (const RuleTarget& target : TargetsOf(ChosenRules(choice, rules)))
        rows.push_back(RuleRow(target, Holds(choice.ruleIds, target.rule->id)));
    return rows;
}

}  // namespace host
