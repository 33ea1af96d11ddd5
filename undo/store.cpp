#include "undo/store.h"

#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>

#include <cwchar>
#include <vector>

#include "fs/nt_folder.h"
#include "fs/rooted_delete.h"

namespace undo {

namespace {

constexpr ACCESS_MASK kStoreAccess = FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_ADD_SUBDIRECTORY |
                                     FILE_READ_ATTRIBUTES | READ_CONTROL | SYNCHRONIZE;
constexpr ACCESS_MASK kRunAccess =
    FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_ADD_FILE | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
// Others may read and write beside a held folder, never rename or remove it.
constexpr ULONG kHeld = FILE_SHARE_READ | FILE_SHARE_WRITE;

// The SID of the user this process runs as, as text; empty when unknown.
std::wstring UserSid() {
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) return {};
    ufc::unique_handle token(raw);
    BYTE buffer[SECURITY_MAX_SID_SIZE + sizeof(TOKEN_USER)];
    DWORD bytes = 0;
    if (!GetTokenInformation(token.get(), TokenUser, buffer, sizeof buffer, &bytes)) return {};
    wchar_t* text = nullptr;
    if (!ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &text)) return {};
    ufc::unique_hlocal owner(text);
    return text;
}

// The access list a store is made with: those it serves, full control,
// passed on to every run folder and file made in it; nothing inherited.
std::wstring StoreSddl(StoreKind kind, const std::wstring& user) {
    if (kind == StoreKind::Machine) return L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
    return L"O:" + user + L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;" + user + L")";
}

// Whether sid is one of those a store may be open to: SYSTEM,
// administrators, the creator-owner entry that passes their rights on, and
// the user who opens it (the machine's store is opened by an elevated
// administrator; under Wine every access list reads back as the file's
// Unix mode gives it, owned by that user).
bool Serves(PSID sid, const std::wstring& user) {
    wchar_t* text = nullptr;
    if (!ConvertSidToStringSidW(sid, &text)) return false;
    ufc::unique_hlocal owner(text);
    const std::wstring sidText = text;
    for (const wchar_t* allowed : {L"S-1-5-18", L"S-1-5-32-544", L"S-1-3-0"})
        if (sidText == allowed) return true;
    return !user.empty() && sidText == user;
}

// Why the store held by folder is not what was made; empty when it is.
std::wstring Flaw(HANDLE folder, const std::wstring& user) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(folder, &info)) return L"it cannot be read";
    if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return L"it is a link";
    if (!(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return L"it is not a folder";
    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR raw = nullptr;
    if (GetSecurityInfo(folder, SE_FILE_OBJECT,
                        OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner, nullptr,
                        &dacl, nullptr, &raw) != ERROR_SUCCESS)
        return L"its access list cannot be read";
    ufc::unique_hlocal descriptor(raw);
    if (!owner || !Serves(owner, user)) return L"it belongs to someone else";
    if (!dacl) return L"it is open to everyone";
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        ACE_HEADER* ace = nullptr;
        if (!GetAce(dacl, i, reinterpret_cast<void**>(&ace))) return L"its access list is damaged";
        if (ace->AceType == ACCESS_DENIED_ACE_TYPE) continue;
        if (ace->AceType != ACCESS_ALLOWED_ACE_TYPE ||
            !Serves(&reinterpret_cast<ACCESS_ALLOWED_ACE*>(ace)->SidStart, user))
            return L"it is open to others";
    }
    return {};
}

std::wstring ParentOf(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

}  // namespace

std::wstring Store::DefaultPath(StoreKind kind) {
    wchar_t* folder = nullptr;
    const KNOWNFOLDERID& id =
        kind == StoreKind::Machine ? FOLDERID_ProgramData : FOLDERID_LocalAppData;
    std::wstring path;
    if (SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, &folder)))
        path = std::wstring(folder) + L"\\UnusedFileClean\\undo";
    CoTaskMemFree(folder);
    return path;
}

DWORD Store::Open(const std::wstring& path, StoreKind kind, std::wstring* why) {
    folder_.reset();
    path_ = path;
    kind_ = kind;
    const std::wstring user = UserSid();
    if (user.empty()) {
        *why = L"the user this program runs as is not known";
        return ERROR_NO_SUCH_USER;
    }
    PSECURITY_DESCRIPTOR raw = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(StoreSddl(kind, user).c_str(),
                                                              SDDL_REVISION_1, &raw, nullptr)) {
        *why = L"its access list cannot be built";
        return GetLastError();
    }
    ufc::unique_hlocal descriptor(raw);
    SECURITY_ATTRIBUTES made = {sizeof made, raw, FALSE};
    // Made with its access list, or found; either way it is checked below.
    CreateDirectoryW(ParentOf(path).c_str(), &made);
    if (!CreateDirectoryW(path.c_str(), &made) && GetLastError() != ERROR_ALREADY_EXISTS) {
        const DWORD error = GetLastError();
        *why = error == ERROR_INVALID_OWNER ? L"the machine's store is made by an elevated run"
                                            : L"it cannot be made";
        return error;
    }
    ufc::unique_hfile folder(CreateFileW(path.c_str(), kStoreAccess, kHeld, nullptr, OPEN_EXISTING,
                                         FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                         nullptr));
    if (!folder) {
        *why = L"it cannot be opened";
        return GetLastError();
    }
    *why = Flaw(folder.get(), user);
    if (!why->empty()) return ERROR_ACCESS_DENIED;
    folder_.reset(folder.release());
    return ERROR_SUCCESS;
}

DWORD Store::MakeRunFolder(std::uint64_t started, std::wstring* id,
                           ufc::unique_handle* folder) const {
    FILETIME time = {static_cast<DWORD>(started), static_cast<DWORD>(started >> 32)};
    SYSTEMTIME at;
    if (!FileTimeToSystemTime(&time, &at)) return ERROR_INVALID_PARAMETER;
    wchar_t base[32];
    swprintf(base, 32, L"%04u%02u%02u-%02u%02u%02u", at.wYear, at.wMonth, at.wDay, at.wHour,
             at.wMinute, at.wSecond);
    DWORD error = ERROR_ALREADY_EXISTS;
    for (int n = 1; n < 1000 && error == ERROR_ALREADY_EXISTS; ++n) {
        *id = n == 1 ? std::wstring(base) : base + (L"-" + std::to_wstring(n));
        *folder = ufc::OpenBelow(folder_.get(), *id, kRunAccess, kHeld, FILE_DIRECTORY_FILE, &error,
                                 FILE_CREATE);
    }
    return error;
}

DWORD Store::OpenRunFolder(const std::wstring& id, ufc::unique_handle* folder) const {
    // A run's id is a name of the store's own making, never a path.
    if (id.empty() || id.find_first_of(L"\\/:*?.") != std::wstring::npos) return ERROR_INVALID_NAME;
    DWORD error;
    *folder = ufc::OpenBelow(folder_.get(), id, kRunAccess, kHeld, FILE_DIRECTORY_FILE, &error);
    BY_HANDLE_FILE_INFORMATION info;
    if (*folder && GetFileInformationByHandle(folder->get(), &info) &&
        (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        folder->reset();
        return ufc::kLinkOnPath;
    }
    return error;
}

std::uint64_t NowTicks() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return static_cast<std::uint64_t>(now.dwHighDateTime) << 32 | now.dwLowDateTime;
}

std::uint64_t TicksOfRunId(const std::wstring& id) {
    SYSTEMTIME at = {};
    if (id.size() < 15 || id[8] != L'-' ||
        swscanf(id.c_str(), L"%4hu%2hu%2hu-%2hu%2hu%2hu", &at.wYear, &at.wMonth, &at.wDay,
                &at.wHour, &at.wMinute, &at.wSecond) != 6)
        return 0;
    FILETIME time;
    if (!SystemTimeToFileTime(&at, &time)) return 0;
    return static_cast<std::uint64_t>(time.dwHighDateTime) << 32 | time.dwLowDateTime;
}

}  // namespace undo
