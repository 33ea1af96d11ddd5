#include "rule_rows.h"

#include "pipeline/categories.h"
#include "platform/elevation.h"
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
        for (host::RuleTarget target : host::TargetsOf(all)) {
            // A row runs only when the person checks it: chosen by its id.
            target.chosenById = true;
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

std::wstring RowName(std::uint32_t number) {
    const host::RuleTarget* target = RuleRowTarget(number);
    return target ? target->Title() : std::wstring(host::CategoryName(number));
}

void ScanRuleRow(IScanProgress* progress, const std::atomic<bool>* stop, CategoryRun* run,
                 host::RuleProbe* probe) {
    const host::RuleTarget* target = RuleRowTarget(run->number);
    if (!target) return;
    host::RuleScanResult result;
    host::ScanRule(*target, progress, stop, &run->found, &result, probe);
    run->totals = result.totals;
    run->running = result.running;
    run->emptiedFolders = std::move(result.emptiedFolders);
    run->stoppedByGuard = result.stoppedByGuard;
    run->scanResult = result.stopped ? 2 : 1;
    if (target->rule->needsAdmin && !host::HostIsElevated())
        run->refusal = L"needs an elevated host: run as administrator";
}

}  // namespace gui
