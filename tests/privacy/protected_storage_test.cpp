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

std::wstring TextOf(CSystemClean& cleaner, Sid sid) {
    wchar_t text[256];
    std::fill(std::begin(text), std::end(text), L'#');
    cleaner.SidToText(sid.data(), text);
    return text;
}

TEST(SidToText, PrintsTheLastAuthorityByteAndEverySubAuthority) {
    CSystemClean cleaner;
    EXPECT_EQ(TextOf(cleaner, MakeSid({{0, 0, 0, 0, 0, 5}}, {21, 1, 4294967295u, 1001})),
              L"S-1-5-21-1-4294967295-1001");
    EXPECT_EQ(TextOf(cleaner, MakeSid({{0, 0, 0, 0, 0, 5}}, {18})), L"S-1-5-18");
    EXPECT_EQ(TextOf(cleaner, MakeSid({{0x12, 0, 0, 0, 0, 7}}, {3})), L"S-1-7-3");
    EXPECT_EQ(TextOf(cleaner, MakeSid({{0, 0, 0, 0, 1, 0}}, {})), L"S-1-0");
    Sid longest = MakeSid({{0, 0, 0, 0, 0, 5}}, std::vector<DWORD>(15, 4294967295u));
    EXPECT_EQ(TextOf(cleaner, longest).size(), 5u + 15u * 11u);

    Sid user = pv::CurrentUserSid();
    EXPECT_EQ(TextOf(cleaner, user), pv::SidText(user.data()));
}

TEST(SecurityHelpers, UserSidIsAHeapCopyOfTheTokenUser) {
    CSystemClean cleaner;
    PSID sid = reinterpret_cast<PSID>(0x1);
    ASSERT_EQ(cleaner.GetCurrentUserSid(&sid), 1);
    ASSERT_NE(sid, nullptr);
    Sid expected = pv::CurrentUserSid();
    EXPECT_TRUE(EqualSid(sid, expected.data()));
    EXPECT_TRUE(HeapFree(GetProcessHeap(), 0, sid));
}

TEST(SecurityHelpers, KeySecurityIsReadOrLeftNull) {
    CSystemClean cleaner;
    const std::wstring key = L"Software\\ufc-tests\\security";
    fx::DeleteKey(HKEY_CURRENT_USER, key);
    PSECURITY_DESCRIPTOR saved = reinterpret_cast<PSECURITY_DESCRIPTOR>(0x1);
    EXPECT_EQ(cleaner.GetKeySecurity(HKEY_CURRENT_USER, key.c_str(), &saved), 0);
    EXPECT_EQ(saved, nullptr);

    fx::SetString(HKEY_CURRENT_USER, key, L"v", L"x");
    Sid world = pv::WellKnownSid(WinWorldSid);
    pv::SetKeyDacl(HKEY_CURRENT_USER, key, {world.data()}, KEY_READ);
    ASSERT_EQ(cleaner.GetKeySecurity(HKEY_CURRENT_USER, key.c_str(), &saved), 1);
    ASSERT_NE(saved, nullptr);
    BOOL present = FALSE, defaulted = FALSE;
    PACL acl = nullptr;
    ASSERT_TRUE(GetSecurityDescriptorDacl(saved, &present, &acl, &defaulted));
    ASSERT_NE(acl, nullptr);
    EXPECT_EQ(acl->AceCount, 1);
    HeapFree(GetProcessHeap(), 0, saved);
    pv::ForceDeleteKey(HKEY_CURRENT_USER, L"Software\\ufc-tests");
}

// The entry at index i: allowed, flags 3, full key access, for sid.
void ExpectFullAccessEntry(PACL acl, DWORD index, PSID sid) {
    void* raw = nullptr;
    ASSERT_TRUE(GetAce(acl, index, &raw));
    auto* entry = static_cast<ACCESS_ALLOWED_ACE*>(raw);
    EXPECT_EQ(entry->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
    EXPECT_EQ(entry->Header.AceFlags, 3);
    EXPECT_EQ(entry->Header.AceSize, GetLengthSid(sid) + 8);
    EXPECT_EQ(entry->Mask, 0xF003Fu);
    EXPECT_TRUE(EqualSid(&entry->SidStart, sid));
}

void ExpectFullAccessDacl(const std::vector<BYTE>& bytes, PSID user) {
    ASSERT_GE(bytes.size(), sizeof(ACL));
    PACL acl = reinterpret_cast<PACL>(const_cast<BYTE*>(bytes.data()));
    Sid system = pv::WellKnownSid(WinLocalSystemSid);
    EXPECT_EQ(acl->AclRevision, 2);
    EXPECT_EQ(acl->AceCount, 2);
    EXPECT_EQ(acl->AclSize, GetLengthSid(user) + GetLengthSid(system.data()) + 24);
    ExpectFullAccessEntry(acl, 0, user);
    ExpectFullAccessEntry(acl, 1, system.data());
}

TEST(SecurityHelpers, FullAccessDescriptorHoldsUserThenSystem) {
    CSystemClean cleaner;
    Sid user = pv::CurrentUserSid();
    SECURITY_DESCRIPTOR descriptor;
    PACL dacl = reinterpret_cast<PACL>(0x1);
    ASSERT_EQ(cleaner.BuildUserFullAccessDescriptor(user.data(), &descriptor, &dacl), 1);
    ASSERT_NE(dacl, nullptr);
    EXPECT_TRUE(IsValidSecurityDescriptor(&descriptor));
    BOOL present = FALSE, defaulted = TRUE;
    PACL inDescriptor = nullptr;
    ASSERT_TRUE(GetSecurityDescriptorDacl(&descriptor, &present, &inDescriptor, &defaulted));
    EXPECT_TRUE(present);
    EXPECT_FALSE(defaulted);
    EXPECT_EQ(inDescriptor, dacl);
    const BYTE* start = reinterpret_cast<const BYTE*>(dacl);
    ExpectFullAccessDacl(std::vector<BYTE>(start, start + dacl->AclSize), user.data());
    HeapFree(GetProcessHeap(), 0, dacl);

    dacl = reinterpret_cast<PACL>(0x1);
    EXPECT_EQ(cleaner.BuildUserFullAccessDescriptor(nullptr, &descriptor, &dacl), 0);
    EXPECT_EQ(dacl, nullptr);
}

class KeyTree : public ::testing::Test {
protected:
    void SetUp() override {
        pv::ForceDeleteKey(HKEY_CURRENT_USER, kRoot);
        for (const wchar_t* key : {L"\\a\\a1", L"\\a\\a2\\deep", L"\\b"})
            fx::SetString(HKEY_CURRENT_USER, kRoot + key, L"v", L"x");
        // A DACL of their own on every key, so that a change shows.
        world_ = pv::WellKnownSid(WinWorldSid);
        for (const std::wstring& key : keys_)
            pv::SetKeyDacl(HKEY_CURRENT_USER, key, {world_.data()});
        user_ = pv::CurrentUserSid();
        ASSERT_EQ(cleaner_.BuildUserFullAccessDescriptor(user_.data(), &descriptor_, &dacl_), 1);
    }
    void TearDown() override {
        HeapFree(GetProcessHeap(), 0, dacl_);
        pv::ForceDeleteKey(HKEY_CURRENT_USER, L"Software\\ufc-tests");
    }

    const std::wstring kRoot = L"Software\\ufc-tests\\tree";
    const std::vector<std::wstring> keys_ = {kRoot,
                                             kRoot + L"\\a",
                                             kRoot + L"\\a\\a1",
                                             kRoot + L"\\a\\a2",
                                             kRoot + L"\\a\\a2\\deep",
                                             kRoot + L"\\b"};
    Sid world_, user_;
    SECURITY_DESCRIPTOR descriptor_;
    PACL dacl_ = nullptr;
    CSystemClean cleaner_;
};

TEST_F(KeyTree, RecursiveSetReachesEveryDescendant) {
    EXPECT_EQ(cleaner_.SetKeySecurityTree(HKEY_CURRENT_USER, kRoot.c_str(), &descriptor_, true), 1);
    for (const std::wstring& key : keys_) {
        SCOPED_TRACE(fx::Narrow(key));
        ExpectFullAccessDacl(pv::KeyDacl(HKEY_CURRENT_USER, key), user_.data());
    }
}

TEST_F(KeyTree, PlainSetTouchesOnlyTheKey) {
    std::vector<BYTE> before = pv::KeyDacl(HKEY_CURRENT_USER, keys_[1]);
    EXPECT_EQ(cleaner_.SetKeySecurityTree(HKEY_CURRENT_USER, kRoot.c_str(), &descriptor_, false),
              1);
    ExpectFullAccessDacl(pv::KeyDacl(HKEY_CURRENT_USER, kRoot), user_.data());
    EXPECT_EQ(pv::KeyDacl(HKEY_CURRENT_USER, keys_[1]), before);

    EXPECT_EQ(cleaner_.SetKeySecurityTree(HKEY_CURRENT_USER, nullptr, &descriptor_, true), 0);
    EXPECT_EQ(cleaner_.SetKeySecurityTree(HKEY_CURRENT_USER, (kRoot + L"\\missing").c_str(),
                                          &descriptor_, true),
              0);
}

class ProtectedStorage : public ::testing::Test {
protected:
    void SetUp() override {
        user_ = pv::CurrentUserSid();
        userKey_ = pv::kStoreRoot + pv::SidText(user_.data());
        wchar_t name[MAX_PATH] = {};
        DWORD units = MAX_PATH;
        ASSERT_TRUE(GetUserNameW(name, &units));
        machineKey_ = pv::kStoreRoot + name;
        pv::ForceDeleteKey(HKEY_CURRENT_USER, userKey_);
        pv::ForceDeleteKey(HKEY_LOCAL_MACHINE, machineKey_);
    }
    void TearDown() override {
        pv::ForceDeleteKey(HKEY_CURRENT_USER, userKey_);
        pv::ForceDeleteKey(HKEY_LOCAL_MACHINE, machineKey_);
    }
    Sid user_;
    std::wstring userKey_, machineKey_;
    CSystemClean cleaner_;
};

TEST_F(ProtectedStorage, DataKeyGoesAndTheUserKeyGetsItsDaclBack) {
    const std::wstring formData = userKey_ + pv::kFormData;
    fx::SetString(HKEY_CURRENT_USER, formData + L"\\site\\entry", L"v", L"password");
    fx::SetString(HKEY_CURRENT_USER, userKey_ + L"\\Data\\other", L"v", L"kept");
    fx::SetString(HKEY_LOCAL_MACHINE, machineKey_ + pv::kFormData + L"\\x", L"v", L"old");
    // The user key and the data key refuse everything but reading.
    Sid world = pv::WellKnownSid(WinWorldSid);
    pv::SetKeyDacl(HKEY_CURRENT_USER, formData, {world.data()}, KEY_READ);
    pv::SetKeyDacl(HKEY_CURRENT_USER, formData + L"\\site", {world.data()}, KEY_READ);
    pv::SetKeyDacl(HKEY_CURRENT_USER, userKey_, {world.data(), user_.data()}, KEY_READ);
    std::vector<BYTE> former = pv::KeyDacl(HKEY_CURRENT_USER, userKey_);
    ASSERT_FALSE(former.empty());

    EXPECT_EQ(cleaner_.CleanProtectedStorage(), 1);

    EXPECT_FALSE(fx::KeyExists(HKEY_CURRENT_USER, formData));
    EXPECT_TRUE(fx::KeyExists(HKEY_CURRENT_USER, userKey_ + L"\\Data\\other"));
    EXPECT_EQ(pv::KeyDacl(HKEY_CURRENT_USER, userKey_), former);
    ExpectFullAccessDacl(pv::KeyDacl(HKEY_CURRENT_USER, userKey_ + L"\\Data"), user_.data());
    EXPECT_FALSE(fx::KeyExists(HKEY_LOCAL_MACHINE, machineKey_ + pv::kFormData));
    EXPECT_TRUE(fx::KeyExists(HKEY_LOCAL_MACHINE, machineKey_ + L"\\Data"));
}

TEST_F(ProtectedStorage, WithoutAStoreNothingChanges) {
    fx::SetString(HKEY_CURRENT_USER, pv::kStoreRoot + L"ufc-other\\Data", L"v", L"x");
    EXPECT_EQ(cleaner_.CleanProtectedStorage(), 1);
    EXPECT_FALSE(fx::KeyExists(HKEY_CURRENT_USER, userKey_));
    EXPECT_TRUE(fx::KeyExists(HKEY_CURRENT_USER, pv::kStoreRoot + L"ufc-other\\Data"));
    fx::DeleteKey(HKEY_CURRENT_USER, pv::kStoreRoot + L"ufc-other");
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

TEST_F(ProtectedStorage, LeavesNoHeapBlockBehindOnAnyPath) {
    const std::wstring formData = userKey_ + pv::kFormData;
    auto run = [&](bool withStore) {
        if (withStore) fx::SetString(HKEY_CURRENT_USER, formData + L"\\e", L"v", L"x");
        cleaner_.CleanProtectedStorage();
        PSECURITY_DESCRIPTOR saved = nullptr;
        cleaner_.GetKeySecurity(HKEY_CURRENT_USER, L"Software\\ufc-missing", &saved);
    };
    run(true);  // first calls may set up caches of the system
    run(false);
    std::size_t before = BusyHeapBlocks();
    ASSERT_GT(before, 0u) << "HeapWalk sees no blocks: the count would prove nothing";
    for (int i = 0; i < 20; ++i) run(i % 2 == 0);
    EXPECT_LT(BusyHeapBlocks(), before + 20);
}

}  // namespace
