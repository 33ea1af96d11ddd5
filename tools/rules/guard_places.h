// The places the guard decides by, whatever a rule says: drive roots, the
// Windows folder and what Windows keeps there as disposable, programs, the
// user's libraries, other users' profiles, the tops of profiles and shared
// folders, temporary folders, and places no rule takes anything from. Each
// is resolved once and compared in one normal form.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace host {

// What the guard decided for a folder.
struct GuardDecision {
    const wchar_t* stop = nullptr;              // every file here stops for this reason
    const wchar_t* const* onlyNames = nullptr;  // else only names matching these pass
    bool programs = false;                      // programs, libraries and drivers stop
    bool exactOnly = false;                     // only the names the rule gives pass
    bool fresh = false;                         // files of the last day stop
};

// Why a file is stopped, for the reports: the reasons a folder alone does
// not give.
extern const wchar_t kStopWindowsFolder[];
extern const wchar_t kStopProgram[];
extern const wchar_t kStopTopFile[];
extern const wchar_t kStopFresh[];

// The decision for the files of a folder (it may end in a backslash), for a
// rule with that age limit, chosen by its id or not.
GuardDecision DecideFolder(std::wstring_view folder, std::uint32_t olderThanDays, bool chosenById);

// Whether the name, as Windows opens it (trailing dots and spaces dropped),
// is a program, library or driver, or matches one of names (null-ended).
bool IsProgramName(std::wstring_view name);
bool MatchesAnyName(const wchar_t* const* names, std::wstring_view name);

// For the load-time check: whether a folder pattern below the Windows
// folder (its parts there, which may hold wildcards) can reach a place
// Windows keeps as disposable. reachesBelow: the key takes the folders
// below the pattern too; patterns: the key's file patterns (none: every
// file), which a place that holds only named files must give.
bool ReachesDisposablePlace(const std::vector<std::wstring>& below, bool reachesBelow,
                            const std::vector<std::wstring>& patterns);

}  // namespace host
