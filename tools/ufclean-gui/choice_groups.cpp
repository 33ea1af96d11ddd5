#include "choice_groups.h"

#include "pipeline/categories.h"
#include "rules/model.h"

namespace gui {

namespace {

constexpr const wchar_t* kSignsOut = L"signs you out of sites";
constexpr const wchar_t* kForgetsSites = L"forgets the sites you visited";

struct CategoryRow {
    std::uint32_t number;
    ChoiceGroup group;
    const wchar_t* node;
    const wchar_t* offReason;
};

// clang-format off
const CategoryRow kCategories[] = {
    {9, ChoiceGroup::Windows, nullptr, nullptr},
    {12, ChoiceGroup::Windows, nullptr, nullptr},
    {10, ChoiceGroup::Windows, nullptr, nullptr},
    {11, ChoiceGroup::Windows, nullptr, nullptr},
    {13, ChoiceGroup::Windows, nullptr, nullptr},
    {14, ChoiceGroup::Windows, nullptr, nullptr},
    {23, ChoiceGroup::Windows, nullptr, nullptr},
    {1, ChoiceGroup::Browsers, L"Internet Explorer", nullptr},
    {6, ChoiceGroup::Browsers, L"Internet Explorer", nullptr},
    {2, ChoiceGroup::Browsers, L"Internet Explorer", kSignsOut},
    {3, ChoiceGroup::Browsers, L"Internet Explorer", kForgetsSites},
    {20, ChoiceGroup::Browsers, L"Firefox", nullptr},
    {19, ChoiceGroup::Browsers, L"Firefox", nullptr},
    {18, ChoiceGroup::Browsers, L"Firefox", kSignsOut},
    {21, ChoiceGroup::Browsers, L"Firefox", kForgetsSites},
    {22, ChoiceGroup::Browsers, L"Firefox", L"forgets what you typed into forms"},
    {4, ChoiceGroup::Privacy, nullptr, nullptr},
    {8, ChoiceGroup::Privacy, nullptr, nullptr},
    {7, ChoiceGroup::Privacy, nullptr, nullptr},
    {15, ChoiceGroup::Privacy, nullptr, nullptr},
    {5, ChoiceGroup::Privacy, nullptr, L"a one-step cleaner: clears Internet Explorer's tracks"},
    {17, ChoiceGroup::Privacy, nullptr, L"a one-step cleaner: empties the clipboard"},
    {16, ChoiceGroup::RecycleBin, nullptr, nullptr},
};
// clang-format on

// Why a rule that is off by default is off, by its group.
struct OffReasonRow {
    const wchar_t* ruleGroup;
    const wchar_t* reason;
};
const OffReasonRow kOffReasons[] = {
    {L"cookies", kSignsOut},
    {L"history", kForgetsSites},
    {L"session", L"forgets your open tabs"},
    {L"developer", L"packages and builds download again"},
    {L"site-data", L"forgets what sites stored and what you typed into forms"},
    {L"credentials", L"passwords, keys, bookmarks or sync data: check it by itself"},
};

const GroupLook kLooks[kChoiceGroups] = {
    {L"Windows", RGB(47, 111, 214)},      {L"Browsers", RGB(232, 131, 38)},
    {L"Applications", RGB(142, 84, 196)}, {L"Privacy traces", RGB(52, 163, 96)},
    {L"Recycle bin", RGB(128, 128, 128)},
};

// A rule of the community format names its application freely: one that
// names a browser of the rules' table stands under that browser.
bool IsBrowser(const std::wstring& name) {
    for (const host::Application& application : host::Applications())
        if (application.browser && name == application.name) return true;
    return false;
}

}  // namespace

const GroupLook& LookOf(ChoiceGroup group) {
    return kLooks[static_cast<int>(group)];
}

const std::vector<std::uint32_t>& CategoryOrder() {
    static const std::vector<std::uint32_t> order = [] {
        std::vector<std::uint32_t> numbers;
        for (const CategoryRow& row : kCategories) numbers.push_back(row.number);
        return numbers;
    }();
    return order;
}

ChoicePlace PlaceOfCategory(std::uint32_t number) {
    ChoicePlace place{ChoiceGroup::Windows, L"", host::CategoryName(number), nullptr};
    for (const CategoryRow& row : kCategories) {
        if (row.number != number) continue;
        place.group = row.group;
        place.node = row.node ? row.node : L"";
        place.offReason = row.offReason;
    }
    return place;
}

bool CategoryStartsOff(std::uint32_t number) {
    return PlaceOfCategory(number).offReason != nullptr;
}

ChoicePlace PlaceOfRule(const host::RuleTarget& target) {
    const std::wstring application = target.ApplicationName();
    const std::wstring ruleGroup = host::GroupName(target.rule->group);
    ChoicePlace place{ChoiceGroup::Applications, application, target.rule->name, nullptr};
    if (application == host::kWindowsApplication) {
        // Windows' own places stand beside its categories.
        place.group = ChoiceGroup::Windows;
        place.node.clear();
    } else if (IsBrowser(application)) {
        place.group = ChoiceGroup::Browsers;
    }
    if (!target.rule->onByDefault) {
        place.offReason = L"off by default";
        for (const OffReasonRow& row : kOffReasons)
            if (ruleGroup == row.ruleGroup) place.offReason = row.reason;
        // The rows' rules live as long as the program.
        if (!target.rule->warning.empty()) place.offReason = target.rule->warning.c_str();
    }
    return place;
}

}  // namespace gui
