#include "pipeline/row.h"

#include "pipeline/categories.h"

namespace host {

const RowEdit* Row::EditOf(const std::wstring& path) const {
    for (const RowEdit& edit : edits)
        if (edit.database == path) return &edit;
    return nullptr;
}

std::wstring Row::Name() const {
    return IsRule() ? target.Title() : std::wstring(CategoryName(category));
}

ChosenByItself Row::Chosen() const {
    return IsRule() ? ChosenByItself{target.rule->id, 0} : ChosenByItself{{}, category};
}

Row CategoryRow(std::uint32_t number, bool chosenById) {
    Row row;
    const CategoryInfo* info = FindCategory(number);
    row.kind = info && info->kind == CategoryKind::Action ? RowKind::Action : RowKind::Category;
    row.category = number;
    row.chosenById = chosenById;
    return row;
}

Row RuleRow(const RuleTarget& target, bool chosenById) {
    Row row;
    row.kind = RowKind::Rule;
    row.target = target;
    row.chosenById = chosenById;
    return row;
}

}  // namespace host
