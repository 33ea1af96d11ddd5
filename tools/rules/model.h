// Cleaning rules: what today's Windows and its applications leave behind,
// as data. A rule names places below the machine's known folders (or below
// each profile of an application family: one Chromium table serves Chrome
// and Discord alike), which files to take there, what to spare, how old a
// file must be, and how to tell that the application is installed. The
// rules run beside the module's categories, on the module's own link-safe
// folder walk.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

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

// A rule that edits a profile's databases instead of deleting files: one
// item per profile, the edit, previewed by the scan and made by the clean.
enum class DatabaseEdit : std::uint8_t {
    None,
    History,  // the family's history, bookmarks kept
    Cookies,  // the cookies of every site but the kept ones (with a keep list only)
};

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
    DatabaseEdit edit = DatabaseEdit::None;
};

// One rule applied to one application of its family, or a rule of its own
// (application null): what a report shows as a row, "Discord: cache".
struct RuleTarget {
    const CleaningRule* rule = nullptr;
    const Application* application = nullptr;
    std::wstring ApplicationName() const;
    std::wstring Title() const;
    // What to tell the user about files held open: "close Discord to clean
    // its cache".
    std::wstring InUseAdvice() const;
};

// Every target of the rules, rule by rule, applications in table order.
std::vector<RuleTarget> TargetsOf(const std::vector<const CleaningRule*>& rules);

// Whether a cleaning rule runs only when the person names it by itself
// (its id, or its own box in a tree of choices), never through a group:
// the credentials group, and the built-in rules a keep rule lets through.
bool ChosenOnlyById(const CleaningRule& rule);

}  // namespace host
