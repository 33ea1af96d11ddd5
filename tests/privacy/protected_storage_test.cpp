// The Protected Storage data key and the key permissions it needs.
#include <gtest/gtest.h>

#include <cstring>

#include "privacy_fixtures.h"
#include "util/handles.h"

namespace {

using Sid = std::vector<BYTE>;

// Built byte by byte: the layout is fixed, and a SID of 15 sub-authorities
// is as valid as a short one.
Sid MakeSid(SID_IDENTIFIER_AUTHORITY authority, std::vector<DWORD> subs) {
    Sid sid(8 + 4 * subs.size());
    sid[0] = SID_REVISION;
    sid[1] = static_cast<BYTE>(subs.size());
    std::memcpy(&sid[2], authority.Value, 6);
    std::memcpy(&sid[8], subs.data(), 4 * subs.size());
    return sid;
}

TEST(SecurityHelpers, SidTextsStayInTheirBufferAndUserSidsAreHeapCopies) {
    CSystemClean cleaner;
    const Sid user = pv::CurrentUserSid();
    std::wstring longest = L"S-1-5";
    for (int i = 0; i < 15; ++i) longest += L"-4294967295";
    const struct {
        Sid sid;
        std::wstring text;
    } sids[] = {
        {MakeSid({{0x12, 0, 0, 0, 0, 7}}, {3}), L"S-1-7-3"},  // the last authority byte only
        {MakeSid({{0, 0, 0, 0, 1, 0}}, {}), L"S-1-0"},
        {MakeSid({{0, 0, 0, 0, 0, 5}}, std::vector<DWORD>(15, 4294967295u)), longest},
        {user, pv::SidText(const_cast<BYTE*>(user.data()))},
    };
    for (const auto& s : sids) {
        wchar_t text[256 + 1];
        std::fill(std::begin(text), std::end(text), L'#');
        cleaner.SidToText(const_cast<BYTE*>(s.sid.data()), text);
        EXPECT_EQ(std::wstring(text), s.text);
        EXPECT_EQ(text[256], L'#');
    }

    PSID sid = reinterpret_cast<PSID>(0x1);
    ASSERT_EQ(cleaner.GetCurrentUserSid(&sid), 1);
    EXPECT_TRUE(EqualSid(sid, const_cast<BYTE*>(user.data())));
    EXPECT_TRUE(HeapFree(GetProcessHeap(), 0, sid)) << "a copy on the process heap";

    PACL dacl = reinterpret_cast<PACL>(0x1);
    SECURITY_DESCRIPTOR descriptor;
    EXPECT_EQ(cleaner.BuildUserFullAccessDescriptor(nullptr, &descriptor, &dacl), 0);
    EXPECT_EQ(dacl, nullptr);
}

// Busy blocks of the process heap, which the helpers allocate from.
std::size_t BusyHeapBlocks() {
    HANDLE heap = GetProcessHeap();
    HeapLock(heap);
    PROCESS_HEAP_ENTRY entry = {};
    std::size_t busy = 0;
    while (HeapWalk(heap, &entry))
        if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) ++busy;
    HeapUnlock(heap);
    return busy;
}

TEST(ProtectedStorage, TheDataKeyGoesTheUserKeyGetsItsDaclBackAndNoHeapBlockIsLeft) {
    CSystemClean cleaner;
    Sid user = pv::CurrentUserSid();
    const std::wstring userKey = pv::kStoreRoot + pv::SidText(user.data());
    wchar_t name[MAX_PATH] = {};
    DWORD units = MAX_PATH;
    ASSERT_TRUE(GetUserNameW(name, &units));
    const std::wstring machineKey = pv::kStoreRoot + name, formData = userKey + pv::kFormData;
    pv::ForceDeleteKey(HKEY_CURRENT_USER, userKey);
    pv::ForceDeleteKey(HKEY_LOCAL_MACHINE, machineKey);
    // Without a store nothing changes.
    fx::SetString(HKEY_CURRENT_USER, pv::kStoreRoot + L"ufc-other\\Data", L"v", L"x");
    EXPECT_EQ(cleaner.CleanProtectedStorage(), 1);
    EXPECT_FALSE(fx::KeyExists(HKEY_CURRENT_USER, userKey));
    EXPECT_TRUE(fx::KeyExists(HKEY_CURRENT_USER, pv::kStoreRoot + L"ufc-other\\Data"));
    fx::DeleteKey(HKEY_CURRENT_USER, pv::kStoreRoot + L"ufc-other");

    fx::SetString(HKEY_CURRENT_USER, formData + L"\\site\\entry", L"v", L"password");
    fx::SetString(HKEY_CURRENT_USER, userKey + L"\\Data\\other", L"v", L"kept");
    fx::SetString(HKEY_LOCAL_MACHINE, machineKey + pv::kFormData + L"\\x", L"v", L"old");
    // The user key and the data key refuse everything but reading.
    Sid world = MakeSid({{0, 0, 0, 0, 0, 1}}, {0});
    pv::SetKeyDacl(HKEY_CURRENT_USER, formData, {world.data()}, KEY_READ);
    pv::SetKeyDacl(HKEY_CURRENT_USER, formData + L"\\site", {world.data()}, KEY_READ);
    pv::SetKeyDacl(HKEY_CURRENT_USER, userKey, {world.data(), user.data()}, KEY_READ);
    const std::vector<BYTE> former = pv::KeyDacl(HKEY_CURRENT_USER, userKey);
    ASSERT_FALSE(former.empty());
    EXPECT_EQ(cleaner.CleanProtectedStorage(), 1);
    EXPECT_FALSE(fx::KeyExists(HKEY_CURRENT_USER, formData));
    EXPECT_TRUE(fx::KeyExists(HKEY_CURRENT_USER, userKey + L"\\Data\\other"));
    EXPECT_EQ(pv::KeyDacl(HKEY_CURRENT_USER, userKey), former);
    EXPECT_FALSE(fx::KeyExists(HKEY_LOCAL_MACHINE, machineKey + pv::kFormData));
    EXPECT_TRUE(fx::KeyExists(HKEY_LOCAL_MACHINE, machineKey + L"\\Data"));

    pv::ForceDeleteKey(HKEY_CURRENT_USER, userKey);  // its DACL reads only
    auto run = [&](bool withStore) {
        if (withStore) fx::SetString(HKEY_CURRENT_USER, formData + L"\\e", L"v", L"x");
        cleaner.CleanProtectedStorage();
        PSECURITY_DESCRIPTOR saved = nullptr;
        cleaner.GetKeySecurity(HKEY_CURRENT_USER, L"Software\\ufc-missing", &saved);
    };
    run(false);  // first calls may set up caches of the system
    const std::size_t before = BusyHeapBlocks();
    ASSERT_GT(before, 0u) << "HeapWalk sees no blocks: the count would prove nothing";
    for (int i = 0; i < 20; ++i) run(i % 2 == 0);
    EXPECT_LT(BusyHeapBlocks(), before + 20);
    pv::ForceDeleteKey(HKEY_CURRENT_USER, userKey);
    pv::ForceDeleteKey(HKEY_LOCAL_MACHINE, machineKey);
}

}  // namespace
