// Cleaning rules: what today's browsers keep in their profiles, as data. A
// rule names a folder below a browser's data folder (with "*" for every
// profile) and what to take there: every file below it, or named files.
// The rules run beside the module's categories, on the module's own
// link-safe folder walk.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "UnusedFileClean.h"

namespace host {

enum class RuleGroup { Cache, Cookies, History, Session };
enum class BrowserFamily { Chromium, Gecko };
enum class RuleFolder { LocalAppData, RoamingAppData };

// "cache", "cookies", "history", "session".
const wchar_t* GroupName(RuleGroup group);
bool ParseGroup(const std::wstring& text, RuleGroup* group);

struct Browser {
    BrowserFamily family;
    const wchar_t* name;        // for people: "Chrome"
    const wchar_t* dataFolder;  // below the special folder: "Google\Chrome"
};

// Every browser of every family, in the order the reports show them.
const std::vector<Browser>& Browsers();

struct CleaningRule {
    std::wstring id;    // "chromium.code-cache"
    std::wstring name;  // "code cache"
    RuleGroup group = RuleGroup::Cache;
    BrowserFamily family = BrowserFamily::Chromium;
    RuleFolder folder = RuleFolder::LocalAppData;
    // Below the browser's data folder; a "*" part stands for any folder
    // there (every profile): "User Data\*\Code Cache".
    std::wstring path;
    // Empty: every file below the folder, recursively. Otherwise these
    // files, relative to the folder: "Network\Cookies".
    std::vector<std::wstring> files;
    bool onByDefault = false;
};

// The built-in rules: caches on by default, the other groups opt-in.
const std::vector<CleaningRule>& BuiltInRules();

// Where a host looks for the user's rules: "ufclean-rules.json" beside it.
std::wstring DefaultRulesFile();

// Parses a rules file (UTF-8 JSON) and appends its rules. On any fault
// (syntax, an unknown or missing field, a bad value, an id already taken, a
// path that leaves the profile) appends nothing and sets error to
// "<file> line <n>: <reason>".
bool ParseRules(const std::string& text, const std::wstring& fileName,
                std::vector<CleaningRule>* rules, std::wstring* error);

// The built-in rules plus those of file; a missing file adds none.
bool LoadRules(const std::wstring& file, std::vector<CleaningRule>* rules, std::wstring* error);

// One rule applied to one browser of its family: what a report shows as a
// row, such as "Chrome: code cache".
struct RuleTarget {
    const CleaningRule* rule = nullptr;
    const Browser* browser = nullptr;
    std::wstring Title() const;
    // What to tell the user about files held open: "close Chrome to clean
    // its cache".
    std::wstring InUseAdvice() const;
};

// Every target of the rules, rule by rule, browsers in table order.
std::vector<RuleTarget> TargetsOf(const std::vector<const CleaningRule*>& rules);

// The folders (each ending in a backslash) that the rule names for the
// browser, "*" parts expanded over real folders. No part is a link or a
// dot-folder; names that do not fit a 260-unit path are left out.
std::vector<std::wstring> ResolveRuleFolders(const RuleTarget& target);

// Items of a rule carry no category (kCategoryUnset).
struct RuleScanResult {
    ResultList items;
    ScanTotals totals;
    std::uint64_t inUse = 0;  // files another program holds open, not listed
    std::size_t folders = 0;  // folders the rule named for this browser
    bool stopped = false;
};

// Lists the target's files. Progress is reported per file met (category
// kCategoryUnset); stop, when given, is tested before every entry.
void ScanRule(const RuleTarget& target, IScanProgress* progress, const std::atomic<bool>* stop,
              RuleScanResult* result);

struct RuleCleanResult {
    CleanTotals totals;
    std::uint64_t inUse = 0;  // not removed: another program holds them open
    bool stopped = false;
};

// The special folders rules resolve below: a rule clean follows no link
// below them.
std::vector<std::wstring> RuleRoots();

// Deletes exactly the selected items' files by handle (never a folder, never
// through a link below the rule roots), read-only ones too.
void CleanRuleItems(const ResultList& items, IScanProgress* progress, const std::atomic<bool>* stop,
                    RuleCleanResult* result);

}  // namespace host
