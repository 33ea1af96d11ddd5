// The Protected Storage data key of the current user, and the key
// permissions needed to delete it: the user and the local system account
// get full access on the way down, and the user key gets its former DACL
// back afterwards.
#include <shlwapi.h>

#include "core/system_clean.h"
#include "fs/handles.h"
#include "fs/path_text.h"

namespace {

using ufc::unique_heap_ptr;
using ufc::unique_hkey;

constexpr wchar_t kStoreRoot[] = L"Software\\Microsoft\\Protected Storage System Provider\\";
constexpr wchar_t kDataKey[] = L"\\Data";
constexpr wchar_t kFormDataKey[] = L"\\Data\\e161255a-37c3-11d2-bcaa-00c04fd929db";
constexpr DWORD kFullAccessFlags = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;

void* HeapZeroed(std::size_t bytes) {
    return HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, bytes);
}

// Appends one access-allowed entry for sid with full key access. The entry
// is built in a zeroed block of SID length + 8 bytes, freed afterwards.
bool AddFullAccessEntry(PACL acl, PSID sid) {
    const DWORD sidBytes = GetLengthSid(sid);
    const DWORD entryBytes = sidBytes + 8;
    unique_heap_ptr block(HeapZeroed(entryBytes));
    if (!block) return false;
    auto* entry = static_cast<ACCESS_ALLOWED_ACE*>(block.get());
    entry->Header.AceType = ACCESS_ALLOWED_ACE_TYPE;
    entry->Header.AceFlags = static_cast<BYTE>(kFullAccessFlags);
    entry->Header.AceSize = static_cast<WORD>(entryBytes);
    entry->Mask = KEY_ALL_ACCESS;
    if (!CopySid(sidBytes, &entry->SidStart, sid)) return false;
    return AddAce(acl, ACL_REVISION, MAXDWORD, entry, entryBytes) != FALSE;
}

}  // namespace

int CSystemClean::CleanProtectedStorage() {
    if (IsNtVersion5OrLater() || IsNtBelowVersion5()) {
        PSID sid = nullptr;
        if (GetCurrentUserSid(&sid)) {
            unique_heap_ptr sidOwner(sid);
            wchar_t sidText[256] = {};
            SidToText(sid, sidText);
            const std::wstring userKey = std::wstring(kStoreRoot) + sidText;

            PSECURITY_DESCRIPTOR saved = nullptr;
            GetKeySecurity(HKEY_CURRENT_USER, userKey.c_str(), &saved);
            unique_heap_ptr savedOwner(saved);

            SECURITY_DESCRIPTOR fullAccess;
            PACL dacl = nullptr;
            const bool built = BuildUserFullAccessDescriptor(sid, &fullAccess, &dacl) != 0;
            unique_heap_ptr daclOwner(dacl);
            if (built) {
                const std::wstring formData = userKey + kFormDataKey;
                SetKeySecurityTree(HKEY_CURRENT_USER, userKey.c_str(), &fullAccess, false);
                SetKeySecurityTree(HKEY_CURRENT_USER, (userKey + kDataKey).c_str(), &fullAccess,
                                   false);
                SetKeySecurityTree(HKEY_CURRENT_USER, formData.c_str(), &fullAccess, true);
                SHDeleteKeyW(HKEY_CURRENT_USER, formData.c_str());
            }
            daclOwner.reset();

            // The Data key keeps the full-access DACL; only the user key
            // gets its former one back.
            if (saved) SetKeySecurityTree(HKEY_CURRENT_USER, userKey.c_str(), saved, false);
        }
    }

    wchar_t userName[MAX_PATH] = {};
    DWORD nameUnits = MAX_PATH;
    if (GetUserNameW(userName, &nameUnits)) {
        const std::wstring machineKey = std::wstring(kStoreRoot) + userName + kFormDataKey;
        SHDeleteKeyW(HKEY_LOCAL_MACHINE, machineKey.c_str());
    }
    return 1;
}

int CSystemClean::GetCurrentUserSid(PSID* sid) {
    *sid = nullptr;
    ufc::unique_handle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) return 0;
    DWORD bytes = 0;
    if (GetTokenInformation(token.get(), TokenUser, nullptr, 0, &bytes) ||
        GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        return 0;
    unique_heap_ptr tokenUser(HeapZeroed(bytes));
    if (!tokenUser || !GetTokenInformation(token.get(), TokenUser, tokenUser.get(), bytes, &bytes))
        return 0;
    PSID user = static_cast<TOKEN_USER*>(tokenUser.get())->User.Sid;
    if (!IsValidSid(user)) return 0;
    const DWORD sidBytes = GetLengthSid(user);
    unique_heap_ptr copy(HeapZeroed(sidBytes));
    if (!copy || !CopySid(sidBytes, copy.get(), user)) return 0;
    *sid = copy.release();
    return 1;
}

// Only the last of the authority's six bytes is printed.
void CSystemClean::SidToText(PSID sid, wchar_t* text) {
    text[0] = 0;
    if (!sid || !IsValidSid(sid)) return;
    constexpr std::size_t kTextUnits = 256;
    wchar_t part[32];
    wsprintfW(part, L"S-1-%lu",
              static_cast<unsigned long>(GetSidIdentifierAuthority(sid)->Value[5]));
    ufc::AppendExact(text, kTextUnits, part);
    const BYTE count = *GetSidSubAuthorityCount(sid);
    for (BYTE i = 0; i < count; ++i) {
        wsprintfW(part, L"-%lu", static_cast<unsigned long>(*GetSidSubAuthority(sid, i)));
        if (!ufc::AppendExact(text, kTextUnits, part)) return;
    }
}

int CSystemClean::GetKeySecurity(HKEY root, const wchar_t* subkey, PSECURITY_DESCRIPTOR* saved) {
    *saved = nullptr;
    unique_hkey key;
    if (RegOpenKeyExW(root, subkey, 0, READ_CONTROL, key.put()) != ERROR_SUCCESS) return 0;
    DWORD bytes = 0;
    if (RegGetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, nullptr, &bytes) !=
        ERROR_INSUFFICIENT_BUFFER)
        return 0;
    unique_heap_ptr descriptor(HeapZeroed(bytes));
    if (!descriptor || RegGetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, descriptor.get(),
                                         &bytes) != ERROR_SUCCESS)
        return 0;
    *saved = descriptor.release();
    return 1;
}

int CSystemClean::BuildUserFullAccessDescriptor(PSID user, PSECURITY_DESCRIPTOR descriptor,
                                                PACL* dacl) {
    *dacl = nullptr;
    if (!user || !IsValidSid(user) || !descriptor) return 0;
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    ufc::unique_sid system;
    if (!AllocateAndInitializeSid(&ntAuthority, 1, SECURITY_LOCAL_SYSTEM_RID, 0, 0, 0, 0, 0, 0, 0,
                                  system.put()))
        return 0;
    // The ACL header and two entry headers (8 bytes each) before the SIDs.
    const DWORD aclBytes = GetLengthSid(user) + GetLengthSid(system.get()) + 24;
    unique_heap_ptr acl(HeapZeroed(aclBytes));
    if (!acl) return 0;
    auto* list = static_cast<PACL>(acl.get());
    if (!InitializeAcl(list, aclBytes, ACL_REVISION) || !AddFullAccessEntry(list, user) ||
        !AddFullAccessEntry(list, system.get()))
        return 0;
    if (!InitializeSecurityDescriptor(descriptor, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorDacl(descriptor, TRUE, list, FALSE))
        return 0;
    *dacl = static_cast<PACL>(acl.release());
    return 1;
}

int CSystemClean::SetKeySecurityTree(HKEY root, const wchar_t* subkey,
                                     PSECURITY_DESCRIPTOR descriptor, bool recursive) {
    if (!subkey) return 0;
    unique_hkey key;
    if (RegOpenKeyExW(root, subkey, 0, WRITE_DAC, key.put()) != ERROR_SUCCESS ||
        RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, descriptor) != ERROR_SUCCESS)
        return 0;
    if (!recursive) return 1;

    DWORD subkeys = 0;
    if (RegOpenKeyExW(root, subkey, 0, KEY_READ, key.put()) != ERROR_SUCCESS ||
        RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr,
                         nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return 0;
    for (DWORD i = 0; i < subkeys; ++i) {
        wchar_t name[261] = {};
        LSTATUS status = RegEnumKeyW(key.get(), i, name, 261);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status != ERROR_SUCCESS) continue;
        SetKeySecurityTree(key.get(), name, descriptor, true);
    }
    return 1;
}
