#include "pipeline/undo_policy.h"

namespace host {

namespace {

constexpr const wchar_t* kRefills = L"fills again by itself";

enum class Match : std::uint8_t { Category, Group, Rule };

struct NotHeldRow {
    Match match;
    std::uint32_t category;
    RuleGroup group;
    const wchar_t* ruleId;
    bool never;  // not even with --undo all
    const wchar_t* reason;
};

// Every row not listed here is held by a held clean.
// clang-format off
const NotHeldRow kNotHeld[] = {
    {Match::Category, kCategoryInternetTempFiles, RuleGroup::Cache, nullptr, false, kRefills},
    {Match::Category, kCategoryCacheIndex, RuleGroup::Cache, nullptr, false, kRefills},
    {Match::Category, kCategoryFirefoxCaches, RuleGroup::Cache, nullptr, false, kRefills},
    {Match::Group, 0, RuleGroup::Cache, nullptr, false, kRefills},
    {Match::Rule, 0, RuleGroup::System, L"windows.update-downloads", false,
     L"downloads again when needed"},
    {Match::Category, kCategoryRecycleBin, RuleGroup::Other, nullptr, true,
     L"the recycle bin is emptied whole by the system, not moved file by file"},
    {Match::Category, kCategoryTypedUrls, RuleGroup::Other, nullptr, true,
     L"registry entries, not files"},
    {Match::Category, kCategoryRunHistory, RuleGroup::Other, nullptr, true,
     L"registry entries, not files"},
    {Match::Category, kCategoryBrowserTracks, RuleGroup::Other, nullptr, true,
     L"a one-step cleaner: nothing to move"},
    {Match::Category, kCategoryClipboard, RuleGroup::Other, nullptr, true,
     L"a one-step cleaner: nothing to move"},
};
// clang-format on

bool Matches(const NotHeldRow& entry, const Row& row) {
    if (!row.IsRule()) return entry.match == Match::Category && entry.category == row.category;
    const CleaningRule& rule = *row.target.rule;
    return (entry.match == Match::Group && entry.group == rule.group) ||
           (entry.match == Match::Rule && rule.id == entry.ruleId);
}

}  // namespace

const wchar_t* UndoModeName(UndoMode mode) {
    return mode == UndoMode::None ? L"none" : mode == UndoMode::All ? L"all" : L"default";
}

bool ParseUndoMode(const std::wstring& word, UndoMode* mode) {
    for (UndoMode each : {UndoMode::None, UndoMode::Default, UndoMode::All})
        if (word == UndoModeName(each)) {
            *mode = each;
            return true;
        }
    return false;
}

const wchar_t* NotHeldReason(const Row& row, UndoMode mode) {
    if (mode == UndoMode::None) return L"--undo none";
    for (const NotHeldRow& entry : kNotHeld)
        if (Matches(entry, row) && (entry.never || mode == UndoMode::Default)) return entry.reason;
    return nullptr;
}

}  // namespace host
