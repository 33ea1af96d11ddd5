// Where each category and cleaning rule stands in the window's tree of
// choices, as data: the groups a person recognises, the node under a group
// (a browser, an application), and why an opt-in choice starts off (the
// pipeline's default set). New rules fall into the tree by their
// application and group alone.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "rules/model.h"

namespace gui {

enum class ChoiceGroup { Windows, Browsers, Applications, Privacy, RecycleBin };
constexpr int kChoiceGroups = 5;

struct GroupLook {
    const wchar_t* title;
    COLORREF color;  // in the picture of the space
};
const GroupLook& LookOf(ChoiceGroup group);

struct ChoicePlace {
    ChoiceGroup group = ChoiceGroup::Windows;
    std::wstring node;         // a browser or an application; empty: right under the group
    std::wstring label;        // the choice's own text
    const wchar_t* offReason;  // why it starts unchecked, or null
};

// The module's categories in the order the tree shows them.
const std::vector<std::uint32_t>& CategoryOrder();
// A category of the module.
ChoicePlace PlaceOfCategory(std::uint32_t number);
// A cleaning rule applied to one browser or application.
ChoicePlace PlaceOfRule(const host::RuleTarget& target);

// Whether a category starts unchecked when the command line names none.
bool CategoryStartsOff(std::uint32_t number);

}  // namespace gui
