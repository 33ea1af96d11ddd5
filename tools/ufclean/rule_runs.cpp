// The cleaning rules in ufclean: their listing, the report of a community
// rule file, and their scan and clean beside the module's categories, in the
// same rows and reports.
#include <algorithm>

#include "app.h"
#include "pipeline/removal.h"
#include "platform/console.h"
#include "import_report.h"
#include "progress_line.h"
#include "report.h"
#include "rule_runs.h"
#include "platform/elevation.h"
#include "rules/guard.h"
#include "rules/ini_report.h"
#include "rules/json_reader.h"
#include "rules/model.h"
#include "rules/places.h"
#include "rules/probe.h"
#include "rules/rule_scan.h"

namespace ufclean {

namespace {

void PrintRule(const host::CleaningRule& rule, bool detected) {
    std::wstring title = rule.application;
    if (rule.family != host::RuleFamily::None) {
        for (const host::RuleTarget& target : host::TargetsOf({&rule}))
            title += (title.empty() ? L"" : L", ") + target.ApplicationName();
    }
    host::Out(std::wstring(rule.onByDefault ? L"  on   " : L"  off  ") + rule.id + L"  (" +
              host::GroupName(rule.group) + L") " + title + L": " + rule.name +
              (detected ? L"  [on this machine]" : L"") + L"\n");
    for (const host::RuleKey& key : rule.keys) {
        std::wstring place = rule.family == host::RuleFamily::None
                                 ? host::PlaceText({key.root, key.path})
                                 : std::wstring(key.perProfile ? L"<profile>" : L"<user data>") +
                                       (key.path.empty() ? L"" : L"\\" + key.path);
        std::wstring patterns;
        for (const std::wstring& pattern : key.patterns)
            patterns += (patterns.empty() ? L"" : L";") + pattern;
        host::Out(L"         " + place + L"|" + (patterns.empty() ? L"*" : patterns) +
                  (key.removeSelf ? L"|REMOVESELF"
                   : key.recurse  ? L"|RECURSE"
                                  : L"") +
                  L"\n");
    }
    for (const std::wstring& exclude : rule.excludes)
        host::Out(L"         except " + exclude + L"\n");
    if (rule.olderThanDays)
        host::Out(L"         only files older than " + std::to_wstring(rule.olderThanDays) +
                  L" day(s)\n");
    if (rule.needsAdmin) host::Out(L"         needs an elevated host\n");
    if (!rule.warning.empty()) host::Out(L"         warning: " + rule.warning + L"\n");
}

// Named on the command line or in the profile: not by default, not by group.
bool ChosenById(const Options& options, const host::CleaningRule& rule) {
    return std::find(options.ruleIds.begin(), options.ruleIds.end(), rule.id) !=
           options.ruleIds.end();
}

bool AnyDetected(const host::CleaningRule& rule, host::RuleProbe* probe) {
    for (const host::RuleTarget& target : host::TargetsOf({&rule}))
        if (host::IsDetected(target, probe)) return true;
    return false;
}

// rules --import FILE: what the file gives and which of it is on this
// machine; with --json, all of what it left out and why.
int RunImport(const Options& options) {
    std::vector<host::CleaningRule> rules;
    std::wstring error;
    host::ImportReport report;
    const std::wstring& file = options.importFile;
    if (!host::LoadRules(file, &rules, &error, &report)) {
        host::Err(L"ufclean: " + error + L"\n");
        return kExitUsage;
    }
    if (options.haveJson && !WriteImportJson(options.jsonPath, file, rules, report))
        return kExitUsage;
    // With --json - the report owns stdout.
    if (options.haveJson && options.jsonPath == L"-") return kExitOk;
    PrintImportReport(file, report, options.reasons);
    std::vector<const host::CleaningRule*> found;
    host::RuleProbe probe;
    for (const host::CleaningRule& rule : rules)
        if (rule.source == host::RuleSource::Imported && AnyDetected(rule, &probe))
            found.push_back(&rule);
    host::Out(L"on this machine: " + std::to_wstring(found.size()) + L" of " +
              std::to_wstring(report.rulesMade) + L" (off until chosen: scan RULE-ID --rules " +
              file + L")\n");
    for (const host::CleaningRule* rule : found) PrintRule(*rule, true);
    return kExitOk;
}

}  // namespace

std::vector<const host::CleaningRule*> SelectedRules(const Options& options) {
    std::vector<const host::CleaningRule*> selected;
    for (const host::CleaningRule& rule : options.rules) {
        const bool named = ChosenById(options, rule);
        const bool grouped = std::find(options.withGroups.begin(), options.withGroups.end(),
                                       rule.group) != options.withGroups.end();
        // Passwords, keys, bookmarks and sync data go only when named.
        const bool chosen = grouped || (options.defaultRules && rule.onByDefault);
        if (named || (chosen && rule.group != host::RuleGroup::Credentials))
            selected.push_back(&rule);
    }
    return selected;
}

int RunRules(const Options& options) {
    if (!options.importFile.empty()) return RunImport(options);
    host::Out(L"Cleaning rules (on: run by scan and clean without arguments or with 'all'):\n");
    for (const host::CleaningRule& rule : options.rules) PrintRule(rule, false);
    host::Out(
        L"Opt in with --with GROUP,... (cookies, history, session, site-data, developer, other) "
        L"or by naming a rule id; credentials rules only by their id.\n");
    return kExitOk;
}

bool ScanRules(const Options& options, host::ItemStore* store, std::vector<CategoryRun>* runs) {
    ProgressLine progress;
    const bool elevated = host::HostIsElevated();
    host::RuleProbe probe;
    for (host::RuleTarget target : host::TargetsOf(SelectedRules(options))) {
        if (StopWasRequested()) return true;
        target.chosenById = ChosenById(options, *target.rule);
        progress.SetLabel(target.rule->id);
        host::RuleScanResult result;
        host::ScanRule(target, &progress, StopSignal(), store, &result, &probe);
        if (result.stopped) return true;
        // An application that is not there, or a folder it has not made, is
        // no row.
        if (result.folders == 0) continue;
        CategoryRun run;
        run.number = kCategoryUnset;
        run.isRule = true;
        run.target = target;
        run.store = store;
        run.first = result.first;
        run.end = result.end;
        run.totals = result.totals;
        run.running = result.running;
        run.emptiedFolders = std::move(result.emptiedFolders);
        run.stoppedByGuard = result.stoppedByGuard;
        run.scanResult = 1;
        if (target.rule->needsAdmin && !elevated)
            run.skipReason = L"needs an elevated host: run ufclean as administrator";
        runs->push_back(std::move(run));
    }
    return false;
}

bool CleanRuleRun(CategoryRun* run) {
    ProgressLine progress;
    progress.SetLabel(run->target.rule->id);
    host::RemovalResult result;
    host::RemoveRuleInChunks(*run->store, host::PassFor(kCategoryUnset, run->first, run->end),
                             run->emptiedFolders, host::GuardContextOf(run->target), StopSignal(),
                             &progress, &result, nullptr);
    run->stoppedByGuard.Add(result.stoppedByGuard);
    run->cleanTotals = result.totals;
    run->inUse = result.inUse;
    run->changed = result.changed;
    run->foldersRemoved = result.foldersRemoved;
    run->cleaned = true;
    run->cleanResult = result.result;
    return result.result == 2;
}

}  // namespace ufclean
