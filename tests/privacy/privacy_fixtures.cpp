#include "privacy_fixtures.h"

#include <sddl.h>

#include <gtest/gtest.h>

#include "fs/handles.h"

namespace pv {

bool SetKeyDacl(HKEY root, const std::wstring& key, const wchar_t* dacl) {
    ufc::unique_hkey open;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (RegOpenKeyW(root, key.c_str(), open.put()) ||
        !ConvertStringSecurityDescriptorToSecurityDescriptorW(dacl, SDDL_REVISION_1, &descriptor,
                                                              nullptr))
        return false;
    const bool set = !RegSetKeySecurity(open.get(), DACL_SECURITY_INFORMATION, descriptor);
    LocalFree(descriptor);
    return set;
}

static void OpenUpTree(HKEY root, const std::wstring& key) {
    SetKeyDacl(root, key, L"D:(A;;KA;;;WD)");
    for (const std::wstring& sub : fx::SubKeys(root, key)) OpenUpTree(root, key + L"\\" + sub);
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

}  // namespace pv
