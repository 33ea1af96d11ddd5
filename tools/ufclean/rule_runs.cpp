// The cleaning rules in ufclean: their listing, and their scan and clean
// beside the module's categories, in the same rows and reports.
#include <algorithm>

#include "app.h"
#include "chunked_removal.h"
#include "console_output.h"
#include "progress_line.h"
#include "report.h"
#include "rule_runs.h"

namespace ufclean {

std::vector<const host::CleaningRule*> SelectedRules(const Options& options) {
    std::vector<const host::CleaningRule*> selected;
    for (const host::CleaningRule& rule : options.rules) {
        const bool named = std::find(options.ruleIds.begin(), options.ruleIds.end(), rule.id) !=
                           options.ruleIds.end();
        const bool grouped = std::find(options.withGroups.begin(), options.withGroups.end(),
                                       rule.group) != options.withGroups.end();
        if (named || grouped || (options.defaultRules && rule.onByDefault))
            selected.push_back(&rule);
    }
    return selected;
}

int RunRules(const Options& options) {
    host::Out(L"Cleaning rules (on: run by scan and clean without arguments or with 'all'):\n");
    for (const host::CleaningRule& rule : options.rules) {
        std::wstring browsers;
        for (const host::Browser& browser : host::Browsers())
            if (browser.family == rule.family)
                browsers += (browsers.empty() ? L"" : L", ") + std::wstring(browser.name);
        host::Out(std::wstring(rule.onByDefault ? L"  on   " : L"  off  ") + rule.id + L"  (" +
                  host::GroupName(rule.group) + L") " + rule.name + L"\n         " +
                  (rule.folder == host::RuleFolder::LocalAppData ? L"local" : L"roaming") +
                  L" app data\\<browser>\\" + rule.path +
                  (rule.files.empty() ? L"\\** (every file below)" : L"") + L"\n");
        for (const std::wstring& file : rule.files) host::Out(L"           " + file + L"\n");
        host::Out(L"         for " + browsers + L"\n");
    }
    host::Out(L"Opt in with --with cookies,history,session or by naming a rule id.\n");
    return kExitOk;
}

bool ScanRules(const Options& options, host::ItemStore* store, std::vector<CategoryRun>* runs) {
    ProgressLine progress;
    for (const host::RuleTarget& target : host::TargetsOf(SelectedRules(options))) {
        if (StopWasRequested()) return true;
        progress.SetLabel(target.rule->id);
        host::RuleScanResult result;
        host::ScanRule(target, &progress, StopSignal(), &result);
        if (result.stopped) return true;
        // A browser that is not there, or a folder it has not made, is no row.
        if (result.folders == 0) continue;
        CategoryRun run;
        run.number = kCategoryUnset;
        run.isRule = true;
        run.target = target;
        AddItems(store, &result.items, &run);
        run.totals = result.totals;
        run.inUse = result.inUse;
        run.scanResult = 1;
        runs->push_back(std::move(run));
    }
    return false;
}

bool CleanRuleRun(CategoryRun* run) {
    ProgressLine progress;
    progress.SetLabel(run->target.rule->id);
    host::RemovalResult result;
    host::RemoveInChunks(*run->store, host::PassFor(kCategoryUnset, run->first, run->end),
                         host::RuleRemover(StopSignal()), &progress, &result, nullptr);
    run->cleanTotals = result.totals;
    run->inUse += result.inUse;  // beside those the scan found held open
    run->cleaned = true;
    run->cleanResult = result.result;
    return result.result == 2;
}

}  // namespace ufclean
