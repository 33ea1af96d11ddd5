#include "privacy_fixtures.h"

#include <sddl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include "util/handles.h"

namespace pv {

std::vector<BYTE> CurrentUserSid() {
    ufc::unique_handle token;
    OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put());
    std::vector<BYTE> buffer(512);
    DWORD bytes = 0;
    if (!GetTokenInformation(token.get(), TokenUser, buffer.data(), 512, &bytes)) return {};
    PSID sid = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
    std::vector<BYTE> copy(GetLengthSid(sid));
    CopySid(static_cast<DWORD>(copy.size()), copy.data(), sid);
    return copy;
}

std::wstring SidText(PSID sid) {
    wchar_t* text = nullptr;
    if (!ConvertSidToStringSidW(sid, &text)) return {};
    std::wstring result = text;
    LocalFree(text);
    return result;
}

std::vector<BYTE> KeyDacl(HKEY root, const std::wstring& key) {
    ufc::unique_hkey open;
    if (RegOpenKeyW(root, key.c_str(), open.put()) != ERROR_SUCCESS) return {};
    DWORD bytes = 0;
    RegGetKeySecurity(open.get(), DACL_SECURITY_INFORMATION, nullptr, &bytes);
    std::vector<BYTE> descriptor(bytes ? bytes : 1);
    if (RegGetKeySecurity(open.get(), DACL_SECURITY_INFORMATION, descriptor.data(), &bytes) !=
        ERROR_SUCCESS)
        return {};
    BOOL present = FALSE, defaulted = FALSE;
    PACL acl = nullptr;
    if (!GetSecurityDescriptorDacl(descriptor.data(), &present, &acl, &defaulted) || !acl)
        return {};
    const BYTE* start = reinterpret_cast<const BYTE*>(acl);
    return std::vector<BYTE>(start, start + acl->AclSize);
}

void SetKeyDacl(HKEY root, const std::wstring& key, const std::vector<PSID>& sids, DWORD mask) {
    std::vector<BYTE> acl(1024);
    ASSERT_TRUE(InitializeAcl(reinterpret_cast<PACL>(acl.data()), 1024, ACL_REVISION));
    for (PSID sid : sids)
        ASSERT_TRUE(
            AddAccessAllowedAce(reinterpret_cast<PACL>(acl.data()), ACL_REVISION, mask, sid));
    SECURITY_DESCRIPTOR descriptor;
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&descriptor, TRUE, reinterpret_cast<PACL>(acl.data()), FALSE);
    ufc::unique_hkey open;
    ASSERT_EQ(RegOpenKeyW(root, key.c_str(), open.put()), ERROR_SUCCESS) << fx::Narrow(key);
    ASSERT_EQ(RegSetKeySecurity(open.get(), DACL_SECURITY_INFORMATION, &descriptor), ERROR_SUCCESS);
}

static void OpenUpTree(HKEY root, const std::wstring& key) {
    ufc::unique_hkey open;
    if (RegOpenKeyW(root, key.c_str(), open.put()) != ERROR_SUCCESS) return;
    SECURITY_DESCRIPTOR descriptor;
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE);
    RegSetKeySecurity(open.get(), DACL_SECURITY_INFORMATION, &descriptor);
    open.reset();
    if (RegOpenKeyW(root, key.c_str(), open.put()) != ERROR_SUCCESS) return;
    wchar_t name[300];
    for (DWORD i = 0; RegEnumKeyW(open.get(), i, name, 300) == ERROR_SUCCESS; ++i)
        OpenUpTree(root, key + L"\\" + name);
}

void ForceDeleteKey(HKEY root, const std::wstring& key) {
    OpenUpTree(root, key);
    fx::DeleteKey(root, key);
}

void ResetKey(HKEY root, const std::wstring& key) {
    ForceDeleteKey(root, key);
    ufc::unique_hkey open;
    ASSERT_EQ(RegCreateKeyW(root, key.c_str(), open.put()), ERROR_SUCCESS);
}

// Wine answers version queries for a file named like one of its own
// programs from its built-in copy, wherever the file lies; while a swap
// lasts the file on disk is read instead.
static const std::wstring kOverrides = L"Software\\Wine\\DllOverrides";
static const wchar_t* const kOverrideNames[] = {L"iexplore.exe", L"iexplore"};

BrowserProgramSwap::BrowserProgramSwap() {
    for (const wchar_t* name : kOverrideNames)
        fx::SetString(HKEY_CURRENT_USER, kOverrides, name, L"native");
    wchar_t folder[MAX_PATH] = {};
    SHGetSpecialFolderPathW(nullptr, folder, CSIDL_PROGRAM_FILES, FALSE);
    program_ = std::wstring(folder) + L"\\Internet Explorer\\iexplore.exe";
    backup_ = program_ + L".ufc-original";
    Restore();  // a run that died half-way left the original aside
    EXPECT_TRUE(CopyFileW(program_.c_str(), backup_.c_str(), FALSE)) << fx::Narrow(program_);
}

BrowserProgramSwap::~BrowserProgramSwap() {
    Restore();
    ufc::unique_hkey open;
    if (RegOpenKeyW(HKEY_CURRENT_USER, kOverrides.c_str(), open.put()) == ERROR_SUCCESS)
        for (const wchar_t* name : kOverrideNames) RegDeleteValueW(open.get(), name);
}

void BrowserProgramSwap::Replace(const wchar_t* standIn) {
    const std::wstring file = standIn ? fx::BinFolder() + L"\\" + standIn : L"";
    ASSERT_TRUE(standIn ? CopyFileW(file.c_str(), program_.c_str(), FALSE)
                        : DeleteFileW(program_.c_str()))
        << fx::Narrow(file);
}

void BrowserProgramSwap::Restore() {
    if (GetFileAttributesW(backup_.c_str()) == INVALID_FILE_ATTRIBUTES) return;
    CopyFileW(backup_.c_str(), program_.c_str(), FALSE);
    DeleteFileW(backup_.c_str());
}

}  // namespace pv
