#include "pipeline/defaults.h"

namespace host {

namespace {

constexpr const wchar_t* kSignsOut = L"signs you out of sites";
constexpr const wchar_t* kForgetsPlaces = L"forgets where you have been";

struct CategoryOptInRow {
    std::uint32_t number;
    bool grouped;  // false: taken only when named by its number
    RuleGroup group;
    const wchar_t* reason;
};

// Every category not listed here is on by default.
// clang-format off
const CategoryOptInRow kCategories[] = {
    {2, true, RuleGroup::Cookies, kSignsOut},
    {18, true, RuleGroup::Cookies, kSignsOut},
    {3, true, RuleGroup::History, kForgetsPlaces},
    {21, true, RuleGroup::History, kForgetsPlaces},
    {22, true, RuleGroup::History, L"forgets what you typed into forms"},
    {5, false, RuleGroup::Other, L"a one-step cleaner: clears Internet Explorer's tracks"},
    {17, false, RuleGroup::Other, L"a one-step cleaner: empties the clipboard"},
};
// clang-format on

struct GroupOptInRow {
    RuleGroup group;
    const wchar_t* reason;
};

const GroupOptInRow kGroups[] = {
    {RuleGroup::Cookies, kSignsOut},
    {RuleGroup::History, kForgetsPlaces},
    {RuleGroup::Session, L"forgets your open tabs"},
    {RuleGroup::Developer, L"packages and builds download again"},
    {RuleGroup::SiteData, L"forgets what sites stored and what you typed into forms"},
    {RuleGroup::Credentials, L"passwords, keys, bookmarks or sync data: check it by itself"},
};

const CategoryOptInRow* RowOf(std::uint32_t number) {
    for (const CategoryOptInRow& row : kCategories)
        if (row.number == number) return &row;
    return nullptr;
}

}  // namespace

const wchar_t* CategoryOptIn(std::uint32_t number) {
    const CategoryOptInRow* row = RowOf(number);
    return row ? row->reason : nullptr;
}

bool CategoryGroup(std::uint32_t number, RuleGroup* group) {
    const CategoryOptInRow* row = RowOf(number);
    if (!row || !row->grouped) return false;
    *group = row->group;
    return true;
}

const wchar_t* GroupOptIn(RuleGroup group) {
    for (const GroupOptInRow& row : kGroups)
        if (row.group == group) return row.reason;
    return nullptr;
}

}  // namespace host
