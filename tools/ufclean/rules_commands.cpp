// The cleaning rules in ufclean: their listing, and the report of a
// community rule file.
#include "app.h"
#include "import_report.h"
#include "platform/console.h"
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

int RunRules(const Options& options) {
    if (!options.importFile.empty()) return RunImport(options);
    host::Out(L"Cleaning rules (on: run by scan and clean without arguments or with 'all'):\n");
    for (const host::CleaningRule& rule : options.rules) PrintRule(rule, false);
    host::Out(
        L"Opt in with --with GROUP,... (cookies, history, session, site-data, developer, other) "
        L"or by naming a rule id; credentials rules only by their id.\n");
    return kExitOk;
}

}  // namespace ufclean
