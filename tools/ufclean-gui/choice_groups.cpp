#include "choice_groups.h"

#include "pipeline/categories.h"
#include "pipeline/defaults.h"
#include "rules/model.h"

namespace gui {

namespace {

struct CategoryRow {
    std::uint32_t number;
    ChoiceGroup group;
    const wchar_t* node;
};

// clang-format off
const CategoryRow kCategories[] = {
    {9, ChoiceGroup::Windows, nullptr},
    {12, ChoiceGroup::Windows, nullptr},
    {10, ChoiceGroup::Windows, nullptr},
    {11, ChoiceGroup::Windows, nullptr},
    {13, ChoiceGroup::Windows, nullptr},
    {14, ChoiceGroup::Windows, nullptr},
    {23, ChoiceGroup::Windows, nullptr},
    {1, ChoiceGroup::Browsers, L"Internet Explorer"},
    {6, ChoiceGroup::Browsers, L"Internet Explorer"},
    {2, ChoiceGroup::Browsers, L"Internet Explorer"},
    {3, ChoiceGroup::Browsers, L"Internet Explorer"},
    {20, ChoiceGroup::Browsers, L"Firefox"},
    {19, ChoiceGroup::Browsers, L"Firefox"},
    {18, ChoiceGroup::Browsers, L"Firefox"},
    {21, ChoiceGroup::Browsers, L"Firefox"},
    {22, ChoiceGroup::Browsers, L"Firefox"},
    {4, ChoiceGroup::Privacy, nullptr},
    {8, ChoiceGroup::Privacy, nullptr},
    {7, ChoiceGroup::Privacy, nullptr},
    {15, ChoiceGroup::Privacy, nullptr},
    {5, ChoiceGroup::Privacy, nullptr},
    {17, ChoiceGroup::Privacy, nullptr},
    {16, ChoiceGroup::RecycleBin, nullptr},
};
// clang-format on

const GroupLook kLooks[kChoiceGroups] = {
    {L"Windows", RGB(47, 111, 214)},      {L"Browsers", RGB(232, 131, 38)},
    {L"Applications", RGB(142, 84, 196)}, {L"Privacy traces", RGB(52, 163, 96)},
    {L"Recycle bin", RGB(196, 60, 60)},
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
        place.offReason = host::CategoryOptIn(number);
    }
    return place;
}

bool CategoryStartsOff(std::uint32_t number) {
    return PlaceOfCategory(number).offReason != nullptr;
}

ChoicePlace PlaceOfRule(const host::RuleTarget& target) {
    const std::wstring application = target.ApplicationName();
    ChoicePlace place{ChoiceGroup::Applications, application, target.rule->name, nullptr};
    // Sentence case, as the categories beside them: "Cache", "User's temporary files".
    if (!place.label.empty()) CharUpperBuffW(&place.label[0], 1);
    if (application == host::kWindowsApplication) {
        // Windows' own places stand beside its categories.
        place.group = ChoiceGroup::Windows;
        place.node.clear();
    } else if (IsBrowser(application)) {
        place.group = ChoiceGroup::Browsers;
    }
    if (!target.rule->onByDefault) {
        const wchar_t* reason = host::GroupOptIn(target.rule->group);
        place.offReason = reason ? reason : L"off by default";
        // The rows' rules live as long as the program.
        if (!target.rule->warning.empty()) place.offReason = target.rule->warning.c_str();
    }
    return place;
}

}  // namespace gui
