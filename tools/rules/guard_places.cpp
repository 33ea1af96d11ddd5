#include "rules/guard_places.h"

#include <windows.h>

#include <shlobj.h>

#include <knownfolders.h>

#include <algorithm>
#include <array>

#include "fs/fold.h"
#include "rules/places.h"
#include "text/glob.h"

namespace host {

const wchar_t kStopWindowsFolder[] = L"the Windows folder";
const wchar_t kStopProgram[] = L"a program, library or driver";
const wchar_t kStopTopFile[] =
    L"the top of a profile or shared folder, a file the rule does not name";
const wchar_t kStopFresh[] = L"a temporary file of the last day (a program may be using it)";

namespace {

// Why a file is stopped, the reasons a folder alone gives.
const wchar_t kDriveRoot[] = L"a drive root";
const wchar_t kOtherUser[] = L"another user's profile";
const wchar_t kUnreadable[] = L"a path that cannot be read as written";
const wchar_t kNetwork[] = L"a network path outside the folders rules lie below";

// The places below the Windows folder that Windows keeps as disposable; a
// rule may take their files (never programs). names: only files of these
// names, in that folder alone; none: every file there and below.
struct Disposable {
    const wchar_t* below;
    std::array<const wchar_t*, 3> names;
};

const Disposable kDisposable[] = {
    // Temporary files of services and installers.
    {L"Temp", {}},
    // Windows' own logs (CBS, DISM, update): written anew.
    {L"Logs", {}},
    // Update packages: Windows fetches again what it still needs.
    {L"SoftwareDistribution\\Download", {}},
    // The download cache updates share between machines, in its two places.
    {L"SoftwareDistribution\\DeliveryOptimization", {}},
    {L"ServiceProfiles\\NetworkService\\AppData\\Local\\Microsoft\\Windows\\"
     L"DeliveryOptimization\\Cache",
     {}},
    // Temporary folders of the service accounts.
    {L"ServiceProfiles\\LocalService\\AppData\\Local\\Temp", {}},
    {L"ServiceProfiles\\NetworkService\\AppData\\Local\\Temp", {}},
    // Small crash dumps, and dumps of kernel hangs.
    {L"Minidump", {}},
    {L"LiveKernelReports", {}},
    // The full crash dump, and the setup and update logs at the top.
    {L"", {L"MEMORY.DMP", L"*.log"}},
    // Logs of device installs, and of setup and the domain join.
    {L"inf", {L"*.log"}},
    {L"Debug", {L"*.log"}},
};

// Programs, libraries and drivers, and the files that load or install
// them: never taken from a folder of programs.
const wchar_t* const kProgramExtensions[] = {
    L".exe", L".dll", L".sys", L".ocx", L".drv", L".cpl", L".scr",   L".efi",      L".mui",
    L".mun", L".com", L".ax",  L".tlb", L".msi", L".msp", L".msu",   L".cat",      L".inf",
    L".pnf", L".ps1", L".bat", L".cmd", L".vbs", L".js",  L".winmd", L".manifest",
};

// Where programs live (the Windows folder is one too).
const GUID* const kProgramFolders[] = {
    &FOLDERID_ProgramFilesX86,
    &FOLDERID_ProgramFilesCommonX86,
    &FOLDERID_UserProgramFiles,
    &FOLDERID_UserProgramFilesCommon,
};

// The user's documents, never taken but by a rule chosen by its id with an
// age limit.
struct Library {
    const GUID* id;
    const wchar_t* what;
};

const Library kLibraries[] = {
    {&FOLDERID_Documents, L"the Documents library"},
    {&FOLDERID_Pictures, L"the Pictures library"},
    {&FOLDERID_Music, L"the Music library"},
    {&FOLDERID_Videos, L"the Videos library"},
    {&FOLDERID_Desktop, L"the Desktop"},
    {&FOLDERID_Downloads, L"the Downloads folder"},
    {&FOLDERID_PublicDocuments, L"the public Documents"},
    {&FOLDERID_PublicPictures, L"the public Pictures"},
    {&FOLDERID_PublicMusic, L"the public Music"},
    {&FOLDERID_PublicVideos, L"the public Videos"},
    {&FOLDERID_PublicDesktop, L"the public Desktop"},
    {&FOLDERID_PublicDownloads, L"the public Downloads"},
    // The user's files as a cloud keeps them, and games' saves.
    {&FOLDERID_SkyDrive, L"the OneDrive folder"},
    {&FOLDERID_SavedGames, L"the Saved Games folder"},
};

// Places no rule takes anything from, below a known folder.
struct Never {
    KnownFolder root;
    const wchar_t* below;
    const wchar_t* what;
};

const Never kNever[] = {
    {KnownFolder::RoamingAppData, L"UnusedFileClean", L"this program's own data"},
    {KnownFolder::LocalAppData, L"UnusedFileClean", L"this program's own data"},
    // The undo store of elevated cleans (the user's lies in the folder above).
    {KnownFolder::ProgramData, L"UnusedFileClean", L"this program's own data"},
    // Windows Installer and bundles repair and remove programs from here.
    {KnownFolder::ProgramData, L"Package Cache", L"installers kept to repair or remove programs"},
    {KnownFolder::LocalAppData, L"Package Cache", L"installers kept to repair or remove programs"},
    {KnownFolder::SystemDrive, L"System Volume Information", L"restore points"},
};

// Folders whose own files (not those below) pass only when the rule names
// them: a profile, app data, the tops of shared and program folders.
const KnownFolder kTops[] = {
    KnownFolder::Profile,         KnownFolder::LocalAppData,    KnownFolder::RoamingAppData,
    KnownFolder::LocalAppDataLow, KnownFolder::ProgramData,     KnownFolder::Public,
    KnownFolder::ProgramFiles,    KnownFolder::ProgramFilesX86, KnownFolder::CommonFiles,
    KnownFolder::CommonFilesX86,
};

// Temporary folders, where a file of the last day may be a running
// installer's.
const RulePlace kTempFolders[] = {
    {KnownFolder::UserTemp, L""},
    {KnownFolder::LocalAppData, L"Temp"},
    {KnownFolder::Windows, L"Temp"},
    {KnownFolder::Windows, L"ServiceProfiles\\LocalService\\AppData\\Local\\Temp"},
    {KnownFolder::Windows, L"ServiceProfiles\\NetworkService\\AppData\\Local\\Temp"},
};

// The folder as the guard compares it: "\\?\" forms undone, '/' read as
// '\', each part without the trailing dots and spaces Windows drops when it
// opens a path, short names ("PROGRA~1") made long, folded, ending in '\'.
// False when it cannot be read so: not a drive or share path, a "." or ".."
// part, a short name that does not resolve. parts: how many below the root.
bool Normalise(std::wstring_view folder, bool resolveShort, std::wstring* out, size_t* parts) {
    std::wstring path(folder);
    std::replace(path.begin(), path.end(), L'/', L'\\');
    if (ufc::StartsFolded(path, L"\\\\?\\UNC\\") || ufc::StartsFolded(path, L"\\??\\UNC\\"))
        path.replace(0, 8, L"\\\\");
    else if (ufc::StartsFolded(path, L"\\\\?\\") || ufc::StartsFolded(path, L"\\??\\") ||
             ufc::StartsFolded(path, L"\\\\.\\"))
        path.erase(0, 4);
    size_t at = 0;
    const wchar_t drive = path.empty() ? 0 : static_cast<wchar_t>(path[0] | 0x20);
    if (path.size() >= 2 && path[1] == L':' && drive >= L'a' && drive <= L'z') {
        at = 2;
    } else if (path.size() > 3 && path[0] == L'\\' && path[1] == L'\\' && path[2] != L'\\') {
        const size_t server = path.find(L'\\', 2);  // \\server\share
        if (server != std::wstring::npos && server + 1 < path.size() && path[server + 1] != L'\\')
            at = std::min(path.find(L'\\', server + 1), path.size());
    }
    if (at == 0 || (at < path.size() && path[at] != L'\\')) return false;
    std::wstring normal = path.substr(0, at);
    *parts = 0;
    bool shortName = false;
    for (size_t start = at; start < path.size();) {
        size_t end = path.find(L'\\', start);
        if (end == std::wstring::npos) end = path.size();
        size_t last = end;
        while (last > start && (path[last - 1] == L'.' || path[last - 1] == L' ')) --last;
        if (last == start && end > start) return false;  // ".", "..", " "
        if (last > start) {
            normal += L'\\';
            normal.append(path, start, last - start);
            shortName = shortName || path.find(L'~', start) < last;
            ++*parts;
        }
        start = end + 1;
    }
    std::wstring longer;
    if (shortName && resolveShort)
        return LongPath(normal, &longer) && Normalise(longer, false, out, parts);
    *out = ufc::Folded(normal) + L'\\';
    return true;
}

std::wstring NormalFolder(const std::wstring& folder) {
    std::wstring out;
    size_t parts = 0;
    return !folder.empty() && Normalise(folder, true, &out, &parts) ? out : std::wstring();
}

// A known folder as the guard compares it; empty when the system has none.
std::wstring Place(KnownFolder root, const wchar_t* below = L"") {
    const std::wstring& path = KnownFolderPath(root);
    return path.empty() ? path : NormalFolder(JoinPlace(path, below));
}

bool Under(const std::wstring& folder, const std::wstring& place) {
    return !place.empty() && folder.compare(0, place.size(), place) == 0;
}

// Every folder the guard compares with, resolved once.
struct Places {
    std::wstring windows, profile, profiles, publicProfile;
    std::vector<std::wstring> disposable;  // as kDisposable
    std::vector<std::wstring> programs;
    std::vector<std::wstring> libraries;  // as kLibraries
    std::vector<std::wstring> never;      // as kNever
    std::vector<std::wstring> tops;
    std::vector<std::wstring> temps;
    // Known folders on a share (a redirected profile): the only network
    // paths a rule walk gives. Another (\\host\C$\Windows) may be any folder.
    std::vector<std::wstring> shares;
};

const Places& ThePlaces() {
    static const Places places = [] {
        Places made;
        made.windows = Place(KnownFolder::Windows);
        made.profile = Place(KnownFolder::Profile);
        made.profiles = NormalFolder(ShellFolderPath(FOLDERID_UserProfiles, KF_FLAG_DONT_VERIFY));
        made.publicProfile = Place(KnownFolder::Public);
        for (const Disposable& row : kDisposable)
            made.disposable.push_back(Place(KnownFolder::Windows, row.below));
        made.programs = {made.windows, Place(KnownFolder::ProgramFiles),
                         Place(KnownFolder::CommonFiles)};
        for (const GUID* id : kProgramFolders)
            made.programs.push_back(NormalFolder(ShellFolderPath(*id, KF_FLAG_DONT_VERIFY)));
        for (const Library& library : kLibraries)
            made.libraries.push_back(
                NormalFolder(ShellFolderPath(*library.id, KF_FLAG_DONT_VERIFY)));
        for (const Never& row : kNever) made.never.push_back(Place(row.root, row.below));
        for (KnownFolder top : kTops) made.tops.push_back(Place(top));
        made.tops.push_back(made.profiles);
        for (const RulePlace& temp : kTempFolders)
            made.temps.push_back(Place(temp.root, temp.path.c_str()));
        for (const std::wstring& root : KnownRuleRoots())
            if (root.rfind(L"\\\\", 0) == 0) made.shares.push_back(NormalFolder(root));
        return made;
    }();
    return places;
}

// The name as Windows opens it: without trailing dots and spaces.
std::wstring_view OpenedName(std::wstring_view name) {
    while (!name.empty() && (name.back() == L'.' || name.back() == L' ')) name.remove_suffix(1);
    return name;
}

}  // namespace

GuardDecision DecideFolder(std::wstring_view folder, std::uint32_t olderThanDays, bool chosenById) {
    GuardDecision decision;
    std::wstring normal;
    size_t parts = 0;
    if (!Normalise(folder, true, &normal, &parts)) return {kUnreadable};
    if (parts == 0) return {kDriveRoot};
    const Places& places = ThePlaces();
    if (normal.rfind(L"\\\\", 0) == 0 &&
        std::none_of(places.shares.begin(), places.shares.end(),
                     [&](const std::wstring& share) { return Under(normal, share); }))
        return {kNetwork};
    for (size_t i = 0; i < std::size(kNever); ++i)
        if (Under(normal, places.never[i])) return {kNever[i].what};
    const bool libraryAllowed = olderThanDays > 0 && chosenById;
    for (size_t i = 0; i < std::size(kLibraries); ++i)
        if (!libraryAllowed && Under(normal, places.libraries[i])) return {kLibraries[i].what};
    if (Under(normal, places.profiles) && !Under(normal, places.profile) &&
        !Under(normal, places.publicProfile))
        return {kOtherUser};
    if (Under(normal, places.windows)) {
        decision.stop = kStopWindowsFolder;
        for (size_t i = 0; i < std::size(kDisposable) && decision.stop; ++i) {
            const bool whole = !kDisposable[i].names[0];
            if (whole ? Under(normal, places.disposable[i]) : normal == places.disposable[i]) {
                decision.stop = nullptr;
                if (!whole) decision.onlyNames = kDisposable[i].names.data();
            }
        }
        if (decision.stop) return decision;
    }
    for (const std::wstring& programs : places.programs)
        decision.programs = decision.programs || Under(normal, programs);
    for (const std::wstring& top : places.tops)
        decision.exactOnly = decision.exactOnly || normal == top;
    for (const std::wstring& temp : places.temps)
        decision.fresh = decision.fresh || Under(normal, temp);
    return decision;
}

bool IsProgramName(std::wstring_view name) {
    name = OpenedName(name);
    const size_t dot = name.rfind(L'.');
    if (dot == std::wstring_view::npos) return false;
    const std::wstring extension(name.substr(dot));
    for (const wchar_t* program : kProgramExtensions)
        if (ufc::SameFolded(extension, program)) return true;
    return false;
}

bool MatchesAnyName(const wchar_t* const* names, std::wstring_view name) {
    const std::wstring opened(OpenedName(name));
    for (; *names; ++names)
        if (GlobMatch(*names, opened)) return true;
    return false;
}

bool ReachesDisposablePlace(const std::vector<std::wstring>& below, bool reachesBelow,
                            const std::vector<std::wstring>& patterns) {
    for (const Disposable& row : kDisposable) {
        const std::vector<std::wstring> place = SplitParts(row.below);
        bool matches = true;
        for (size_t i = 0; i < below.size() && i < place.size() && matches; ++i)
            matches = PartMatches(below[i], place[i]);
        if (!matches) continue;
        if (below.size() < place.size()) {
            if (reachesBelow) return true;
            continue;
        }
        if (!row.names[0]) return true;
        if (below.size() > place.size() || reachesBelow) continue;
        for (const std::wstring& pattern : patterns)
            for (const wchar_t* name : row.names)
                if (name && (ufc::SameFolded(pattern, name) ||
                             (!HasWildcard(pattern) && GlobMatch(name, pattern))))
                    return true;
    }
    return false;
}

}  // namespace host
