// Internet Explorer's download and save folders, its stored tracks and its
// browsing history.
#include <shlobj.h>
#include <shlwapi.h>
#include <urlhist.h>

#include "core/system_clean.h"
#include "privacy/privacy_folders.h"
#include "fs/handles.h"
#include "util/shell_folders.h"
#include "fs/path_text.h"

// The shipped build is 32-bit; its start-up record is 68 bytes.
#if defined(_WIN64)
static_assert(sizeof(STARTUPINFOW) == 104, "64-bit STARTUPINFOW");
#else
static_assert(sizeof(STARTUPINFOW) == 68, "32-bit STARTUPINFOW");
#endif

namespace {

constexpr wchar_t kBrowserKey[] = L"SOFTWARE\\Microsoft\\Internet Explorer";
constexpr wchar_t kBrowserMainKey[] = L"SOFTWARE\\Microsoft\\Internet Explorer\\Main";
constexpr wchar_t kBrowserProgram[] = L"Internet Explorer\\iexplore.exe";

// Form data first, then stored passwords.
constexpr const wchar_t* kClearTrackCommands[] = {
    L"rundll32.exe inetcpl.cpl,ClearMyTracksByProcess 16",
    L"rundll32.exe inetcpl.cpl,ClearMyTracksByProcess 32",
};

// {3C374A40-BAE4-11CF-BF7D-00AA006946EE}
constexpr CLSID kUrlHistoryClass = {
    0x3c374a40, 0xbae4, 0x11cf, {0xbf, 0x7d, 0x00, 0xaa, 0x00, 0x69, 0x46, 0xee}};
// {AFA0DC11-C313-11D0-831A-00C04FD5AE38}
constexpr IID kUrlHistoryStg2 = {
    0xafa0dc11, 0xc313, 0x11d0, {0x83, 0x1a, 0x00, 0xc0, 0x4f, 0xd5, 0xae, 0x38}};

// The stated length of a stored folder text: its bytes without the
// terminating zero.
DWORD TextBytes(std::size_t units) {
    return static_cast<DWORD>(units * sizeof(wchar_t));
}

// The browser's program file, or false when the Program Files folder cannot
// be resolved or the path does not fit.
bool BrowserProgramPath(wchar_t (&path)[MAX_PATH]) {
    std::wstring folder = ufc::GetSpecialFolderPath(CSIDL_PROGRAM_FILES, false);
    if (folder.empty()) return false;
    if (!ufc::CopyExact(path, folder.c_str())) return false;
    if (!ufc::EndsWithBackslash(path) && !ufc::AppendExact(path, L"\\")) return false;
    return ufc::AppendExact(path, kBrowserProgram);
}

// Starts one command line and waits for its process to end.
bool RunAndWait(const wchar_t* command) {
    wchar_t commandLine[MAX_PATH] = {};
    if (!ufc::CopyExact(commandLine, command)) return false;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(STARTUPINFOW);
    PROCESS_INFORMATION started = {};
    if (!CreateProcessW(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &started))
        return false;
    ufc::unique_handle process(started.hProcess);
    ufc::unique_handle thread(started.hThread);
    WaitForSingleObject(process.get(), INFINITE);
    return true;
}

}  // namespace

int CSystemClean::SetDefaultDownloadLocation(const wchar_t* path) {
    std::wstring desktop;
    if (!path) {
        desktop = ufc::GetSpecialFolderPath(CSIDL_DESKTOPDIRECTORY, false);
        path = desktop.c_str();
    }
    ufc::unique_hkey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kBrowserKey, 0, KEY_ALL_ACCESS, key.put()) !=
        ERROR_SUCCESS)
        return 0;
    wchar_t folder[1024] = {};
    if (!ufc::CopyExact(folder, path)) return 0;
    DWORD bytes = TextBytes(ufc::TextLength(folder));
    if (RegSetValueExW(key.get(), L"Download Directory", 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(folder), bytes) != ERROR_SUCCESS)
        return 0;
    return 1;
}

int CSystemClean::AccessSaveDirectory(wchar_t* buffer, int size, int write) {
    if (!buffer || size <= 0) return 0;
    ufc::unique_hkey key;
    if (RegOpenKeyW(HKEY_CURRENT_USER, kBrowserMainKey, key.put()) != ERROR_SUCCESS) return 0;
    const std::size_t units = static_cast<std::size_t>(size) / sizeof(wchar_t);
    if (write) {
        // The caller's text is measured only within the bytes it gave.
        std::size_t length = 0;
        while (length < units && buffer[length]) ++length;
        RegSetValueExW(key.get(), L"Save Directory", 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(buffer), TextBytes(length));
        return 0;
    }
    DWORD bytes = static_cast<DWORD>(size);
    if (RegQueryValueExW(key.get(), L"Save Directory", nullptr, nullptr,
                         reinterpret_cast<BYTE*>(buffer), &bytes) == ERROR_SUCCESS &&
        units > 0) {
        // Stored text carries no terminator: end it inside the caller's
        // buffer, at the cost of the last unit when the text fills it.
        std::size_t got = bytes / sizeof(wchar_t);
        buffer[got < units ? got : units - 1] = 0;
    }
    return 0;
}

// When the Program Files folder cannot be resolved there is no browser to
// ask for its version: the result is 0 and nothing is started or deleted,
// as for a missing program file.
int CSystemClean::ClearBrowserTracks() {
    wchar_t program[MAX_PATH];
    if (!BrowserProgramPath(program) || !PathFileExistsW(program)) return 0;

    wchar_t version[512] = {};
    ufc::GetFileVersionString(version, program, L"FileVersion");
    // Only the first character counts: "10." and "11." compare below "7".
    if (static_cast<std::uint16_t>(version[0]) < 0x37) {
        CleanProtectedStorage();
        return DeleteIntelliForms() ? 1 : 0;
    }
    for (const wchar_t* command : kClearTrackCommands)
        if (!RunAndWait(command)) return 0;
    return 1;
}

// COM must already be initialised on the calling thread.
bool CSystemClean::ClearUrlHistory() {
    ufc::com_ptr<IUrlHistoryStg2> history;
    if (FAILED(CoCreateInstance(kUrlHistoryClass, nullptr, CLSCTX_INPROC_SERVER, kUrlHistoryStg2,
                                history.put_void())) ||
        !history)
        return false;
    history->ClearHistory();
    ufc::EmptyFolderBelow(ufc::GetSpecialFolderPathByIdList(CSIDL_HISTORY));
    return true;
}
