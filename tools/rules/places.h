// Where cleaning rules look: the known folders of this machine, paths below
// them written with variables ("%LocalAppData%\Discord*\Cache"), and what
// exists on disk and in the registry.
#pragma once

#include <guiddef.h>

#include <cstdint>
#include <string>
#include <vector>

namespace host {

enum class KnownFolder : std::uint8_t {
    LocalAppData,
    RoamingAppData,
    LocalAppDataLow,
    ProgramData,
    Windows,
    Profile,
    UserTemp,  // GetTempPathW
    ProgramFiles,
    ProgramFilesX86,
    CommonFiles,
    CommonFilesX86,
    Public,
    SystemDrive,  // "C:"
    Documents,
    Pictures,
    Music,
    Videos,
    Desktop,
    Downloads,
    // A rule of an application family: the application's own root folder.
    Application,
};

// The folder on this machine without a trailing backslash, resolved once;
// empty when the system does not know it (and always for Application).
const std::wstring& KnownFolderPath(KnownFolder folder);

// A folder the shell knows by its id (FOLDERID_...); empty when it has none.
// flags: of SHGetKnownFolderPath (KF_FLAG_DONT_VERIFY: also when missing).
std::wstring ShellFolderPath(const GUID& id, unsigned long flags = 0);
// The path with its short names ("PROGRA~1") made long; false when the
// system cannot tell (the path does not exist).
bool LongPath(const std::wstring& path, std::wstring* out);

// Every distinct folder that a rule may lie below: the folders of every
// variable of the rule formats. What a rule's clean is anchored at.
std::vector<std::wstring> KnownRuleRoots();

// A known folder and a path below it whose parts may hold '*' and '?'.
struct RulePlace {
    KnownFolder root = KnownFolder::LocalAppData;
    std::wstring path;  // "Microsoft\Windows\Explorer"; empty: the folder itself
};

// "%LocalAppData%\Discord*\Cache" into places (%ProgramFiles% and
// %CommonProgramFiles% give the 64-bit and the 32-bit folder). False with a
// reason for a path without a leading variable, an unknown variable, an
// empty, "." or ".." part or a '/'.
bool ParsePlace(const std::wstring& text, std::vector<RulePlace>* places, std::wstring* reason);

// The variable form for people: "%LocalAppData%\D3DSCache".
std::wstring PlaceText(const RulePlace& place);

// Checks a relative path (a rule's path below a folder, or a file pattern
// with folders): backslash-separated, no empty, "." or ".." part, no ':'.
// wildcards: '*' and '?' may stand inside parts. False with a reason.
bool CheckRelativePath(const std::wstring& path, bool wildcards, std::wstring* reason);

// root + "\" + path, or root alone.
std::wstring JoinPlace(const std::wstring& root, const std::wstring& path);

std::vector<std::wstring> SplitParts(const std::wstring& path);
bool HasWildcard(const std::wstring& text);
// One name against one pattern part, case-insensitive; "*.*" is every name.
bool PartMatches(const std::wstring& pattern, const std::wstring& name);

}  // namespace host
