#include "rule_rows.h"

#include "pipeline/categories.h"
#include "rules/json_reader.h"
#include "rules/model.h"
#include "rules/probe.h"
#include "rules/rule_scan.h"
#include "rules/table.h"

namespace gui {

namespace {

struct Rows {
    std::vector<host::CleaningRule> rules;
    std::vector<host::RuleTarget> targets;
    std::wstring error;
};

std::wstring& RulesFile() {
    static std::wstring file;
    return file;
}

const Rows& TheRows() {
    static const Rows rows = [] {
        Rows made;
        if (!host::LoadRules(RulesFile(), &made.rules, &made.error))
            made.rules = host::BuiltInRules();
        std::vector<const host::CleaningRule*> all;
        for (const host::CleaningRule& rule : made.rules) all.push_back(&rule);
        host::RuleProbe probe;
        for (const host::RuleTarget& target : host::TargetsOf(all)) {
            if (host::IsDetected(target, &probe) &&
                !host::ResolveRuleFolders(target, &probe).empty())
                made.targets.push_back(target);
        }
        return made;
    }();
    return rows;
}

}  // namespace

void UseRulesFile(const std::wstring& file) {
    RulesFile() = file;
}

const std::vector<host::RuleTarget>& RuleRows() {
    return TheRows().targets;
}

const std::wstring& RulesFileError() {
    return TheRows().error;
}

std::wstring RulesFileNotice() {
    const std::wstring& error = RulesFileError();
    return error.empty() ? error : L"Your rules are not used (only the built-in ones): " + error;
}

const host::RuleTarget* RuleRowTarget(std::uint32_t number) {
    const std::vector<host::RuleTarget>& rows = RuleRows();
    if (number < kFirstRuleRow || number - kFirstRuleRow >= rows.size()) return nullptr;
    return &rows[number - kFirstRuleRow];
}

host::Row ChoiceRow(std::uint32_t number) {
    const host::RuleTarget* target = RuleRowTarget(number);
    return target ? host::RuleRow(*target, true) : host::CategoryRow(number, false);
}

std::wstring RowName(std::uint32_t number) {
    const host::RuleTarget* target = RuleRowTarget(number);
    return target ? target->Title() : std::wstring(host::CategoryName(number));
}

}  // namespace gui
