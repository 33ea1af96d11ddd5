// Cleaning rules: what today's Windows and its applications leave behind,
// as data. A rule names places below the machine's known folders (or below
// each profile of an application family: one Chromium table serves Chrome
// and Discord alike), which files to take there, what to spare, how old a
// file must be, and how to tell that the application is installed. The
// rules run beside the module's categories, on the module's own link-safe
// folder walk.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "UnusedFileClean.h"
#include "items/item_store.h"
#include "rules/guard.h"
#include "rules/places.h"

namespace host {

enum class RuleGroup {
    Cache,
    Logs,
    CrashReports,
    System,
    Developer,
    Cookies,
    History,
    Session,
    SiteData,     // what sites stored: web and local storage, form data, autofill
    Credentials,  // passwords, keys, bookmarks, sync data: chosen only by a rule's id
    Other,        // a community section whose name says nothing of what it cleans
};
// The families whose applications share one layout of their profiles.
enum class RuleFamily { None, Chromium, Gecko };

// "cache", "logs", "crash-reports", "system", "developer", "cookies",
// "history", "session", "site-data", "credentials", "other".
const wchar_t* GroupName(RuleGroup group);
// For sentences: "crash reports".
std::wstring GroupText(RuleGroup group);
bool ParseGroup(const std::wstring& text, RuleGroup* group);
// Every group, in the order the reports show them.
const std::vector<RuleGroup>& AllGroups();

// An application whose profiles follow its family's layout.
struct Application {
    RuleFamily family;
    const wchar_t* name;      // for people: "Chrome", "Discord"
    KnownFolder root;         // where its user data lies
    const wchar_t* userData;  // below root: "Google\Chrome\User Data", "discord"
    // Below the user data folder, the profiles: "*" (every folder there),
    // "Profiles\*", or "" (the user data folder is the one profile).
    const wchar_t* profiles;
    // Below the user data folder: a file the running application holds
    // open ("lockfile", "Profiles\*\parent.lock").
    const wchar_t* lockFile;
    bool browser;  // the cookie, history and session rules apply to it
};

// The application name of Windows' own places.
constexpr const wchar_t* kWindowsApplication = L"Windows";

// Every application of every family, in the order the reports show them.
const std::vector<Application>& Applications();

// One place a rule takes files from.
struct RuleKey {
    // Of a family rule: Application (the application's own root) or the
    // known folder that stands in for it (Firefox keeps its caches in local
    // app data); the path then lies below each profile, or with perProfile
    // false below the user data folder.
    KnownFolder root = KnownFolder::LocalAppData;
    std::wstring path;  // below root; parts may hold '*' and '?'
    // File name patterns ("thumbcache_*.db"), or names with folders below
    // the place ("Network\Cookies"). Empty: every file.
    std::vector<std::wstring> patterns;
    bool recurse = false;     // patterns apply in every folder below, too
    bool removeSelf = false;  // the emptied folders are removed as well
    bool perProfile = true;
};

enum class RuleSource { BuiltIn, File, Imported };

struct CleaningRule {
    std::wstring id;           // "chromium.code-cache", "windows.thumbnail-cache"
    std::wstring name;         // "code cache"
    std::wstring application;  // "Windows"; empty for a family rule
    RuleGroup group = RuleGroup::Cache;
    RuleFamily family = RuleFamily::None;
    std::vector<RuleKey> keys;
    // Files whose full path matches one of these globs ('*' crossing
    // folders, case-insensitive) are never listed.
    std::vector<std::wstring> excludes;
    // Younger files (by their last write) are not listed.
    std::uint32_t olderThanDays = 0;
    // The application is installed when one of these exists (files,
    // folders, registry keys such as "HKCU\Software\Discord"). Both empty:
    // when one of the rule's folders exists.
    std::vector<RulePlace> detectPaths;
    std::vector<std::wstring> detectKeys;
    std::vector<std::wstring> processes;  // "Spotify.exe": it holds the files
    bool onByDefault = false;
    bool needsAdmin = false;  // only an elevated host may clean the places
    std::wstring warning;     // shown beside the rule
    RuleSource source = RuleSource::BuiltIn;
};

// The built-in rules: caches and Windows' own places on by default; the
// privacy groups and the developers' caches opt-in.
const std::vector<CleaningRule>& BuiltInRules();

// The known folders a rule clean is anchored at: every folder a rule of
// any source may lie below.
std::vector<std::wstring> RuleRoots();

// Where a host looks for the user's rules: "ufclean-rules.json" beside it.
std::wstring DefaultRulesFile();

// Why one key of the rule may not run as written: it takes a drive root,
// the Windows folder, Program Files or a profile as a whole, a user library
// without an age limit, a place in the Windows folder that is not
// disposable, or (a family rule) each whole profile: see ProtectedReach and
// FamilyReach. Empty when it may.
std::wstring KeyRefusal(const CleaningRule& rule, const RuleKey& key);
// The first key's refusal, naming the key ("the key %WinDir% reaches ...");
// empty when every key may run.
std::wstring RuleRefusal(const CleaningRule& rule);

// Parses a rules file (UTF-8 JSON) and appends its rules. On any fault
// (syntax, an unknown or missing field, a bad value, an id already taken, a
// path that leaves its folder or takes a protected folder) appends nothing
// and sets error to "<file> line <n>: <reason>".
bool ParseRules(const std::string& text, const std::wstring& fileName,
                std::vector<CleaningRule>* rules, std::wstring* error);

// A key of a community section that was left out, or a section skipped as
// a whole, and why.
struct ImportFault {
    std::size_t at = 0;    // the section's place in the file: 1 for the first
    std::wstring section;  // "Discord Cache *"
    std::wstring key;      // "FileKey2=%Steam%\logs|*.*"; may be empty for a section
    std::wstring reason;   // "uses the unknown variable %Steam%"
};

// What a community rule file gave: every key dropped and every section
// skipped, with its reason.
struct ImportReport {
    std::size_t sections = 0;
    std::size_t rulesMade = 0;
    std::size_t registryKeys = 0;          // RegKey and REG| lines: not supported
    std::vector<ImportFault> droppedKeys;  // left out; their sections kept the other keys
    std::vector<ImportFault> skipped;      // sections left out as a whole
};

// Faults of one kind: the reason with what differs from key to key (a
// quoted text, the name of an unknown variable) left out, and how many keys
// and sections it struck. example is the first fault of the kind.
struct ReasonGroup {
    std::wstring kind;     // "uses the unknown variable %...%"
    bool skipped = false;  // the sections were skipped (else keys were dropped)
    std::size_t keys = 0, sections = 0;
    const ImportFault* example = nullptr;
};

// The report's reasons grouped by kind, the most frequent first (then in
// the order met); the dropped keys and the skipped sections group apart.
std::vector<ReasonGroup> GroupReasons(const ImportReport& report);

// Reads a community rule file (the winapp2.ini format) and appends one rule
// per usable section, each off by default. A key that cannot be used (it
// cannot be read, or would take a protected folder as a whole) is dropped
// with its reason and the section keeps its other keys; a section is
// skipped when no usable FileKey remains, or when an exclusion, its
// Windows version or every detection cannot be read. The text is UTF-8 or
// UTF-16 (see DecodeText): a text that is neither appends nothing and sets
// error to "<file> line <n>: <reason>".
bool ImportCommunityRules(const std::string& bytes, const std::wstring& fileName,
                          std::vector<CleaningRule>* rules, ImportReport* report,
                          std::wstring* error);

// Names a community section's rule: "Discord Cache *" is Discord's "cache"
// in group cache. Words anywhere in the name, or in the text of its Section
// key (sectionKey, empty when it has none), give the group: a section that
// says passwords, bookmarks or sync data is "credentials", one that says
// none of the groups' words "other".
void NameRule(const std::wstring& section, const std::wstring& sectionKey, CleaningRule* rule);

// The built-in rules plus those of file: JSON, or the community format for
// a file ending in ".ini" (report, when given, says what was read). An
// empty file names the default one beside the host, which may be missing.
// error: "<file>: no such file", or "bad rules file: <file> line <n>:
// <reason>" (nothing of the file is added).
bool LoadRules(const std::wstring& file, std::vector<CleaningRule>* rules, std::wstring* error,
               ImportReport* report = nullptr);

// One rule applied to one application of its family, or a rule of its own
// (application null): what a report shows as a row, "Discord: cache".
struct RuleTarget {
    const CleaningRule* rule = nullptr;
    const Application* application = nullptr;
    // The person chose the rule by its id (not on by default, not by its
    // group): with an age limit it may then reach the user's libraries.
    bool chosenById = false;
    std::wstring ApplicationName() const;
    std::wstring Title() const;
    // What to tell the user about files held open: "close Discord to clean
    // its cache".
    std::wstring InUseAdvice() const;
};

// Every target of the rules, rule by rule, applications in table order.
std::vector<RuleTarget> TargetsOf(const std::vector<const CleaningRule*>& rules);

// A folder a target takes files from (ending in a backslash) and the key
// that named it.
struct RuleFolder {
    std::wstring path;
    const RuleKey* key = nullptr;
};

// The target's folders on this machine: "*" parts expanded over real
// folders, no part a link, nothing a protected folder as a whole, names
// that do not fit a 260-unit path left out. A probe, when given, is shared
// by the targets of one run (see RuleProbe).
std::vector<RuleFolder> ResolveRuleFolders(const RuleTarget& target, RuleProbe* probe = nullptr);

// Whether the target's application is on this machine (its detection, or
// one of its folders).
bool IsDetected(const RuleTarget& target, RuleProbe* probe = nullptr);

// Whether this process may clean places that need an elevated host.
bool HostIsElevated();

// What a rule's scan found beside its items.
struct RuleScanResult {
    std::uint32_t first = 0, end = 0;  // the items: [first, end) of the store
    ScanTotals totals;
    std::size_t folders = 0;  // folders the rule named for this target
    bool running = false;     // the application runs: some files may be held
    // Folders to remove once the clean has emptied them (a key's
    // removeSelf), deepest first.
    std::vector<std::wstring> emptiedFolders;
    GuardCounts stoppedByGuard;  // files the rule reached that the guard kept out
    bool stopped = false;
};

// Lists the target's files into the store, straight from their directory
// entries (category kCategoryUnset, run 0), each that passes the guard. Progress is reported per
// file met (category kCategoryUnset); stop, when given, is tested before every entry. Files are not
// opened: whether the application runs is asked once. One probe serves all targets of a scan.
void ScanRule(const RuleTarget& target, IScanProgress* progress, const std::atomic<bool>* stop,
              ItemStore* store, RuleScanResult* result, RuleProbe* probe = nullptr);

struct RuleCleanResult {
    CleanTotals totals;
    std::uint64_t inUse = 0;    // not removed: another program holds them open
    std::uint64_t changed = 0;  // not removed: rewritten or replaced since the scan
    std::uint64_t foldersRemoved = 0;
    GuardCounts stoppedByGuard;  // selected files the guard kept
    // The folders of the files removed (as the items name them), in order.
    std::vector<std::wstring> removedFrom;
    bool stopped = false;
};

// Deletes exactly the selected items' files by handle (never a folder, never
// through a link below the rule roots), read-only ones too; each asked of
// the guard (with the rule's context) just before, and deleted only while
// the handle shows what the scan listed: the item's size and last write
// and, beside each item, the tag of its file id (idTags, 0 or missing:
// none). A file changed since is left and counted apart.
void CleanRuleItems(const ResultList& items, const std::vector<std::uint32_t>& idTags,
                    const GuardContext& guard, IScanProgress* progress,
                    const std::atomic<bool>* stop, RuleCleanResult* result);

// Removes each folder of a scan's emptiedFolders (deepest first) that this
// clean emptied: it held a file the clean removed (removedFrom) or a folder
// that went before it, it is empty now and still a real folder.
void RemoveEmptiedFolders(const std::vector<std::wstring>& folders,
                          const std::vector<std::wstring>& removedFrom, RuleCleanResult* result);

}  // namespace host
