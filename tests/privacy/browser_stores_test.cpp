// The browser's download and save folders, its tracks and its history, the
// Protected Storage data key and the key permissions it needs.
#include <gtest/gtest.h>

#include <objbase.h>
#include <sddl.h>
#include <shlobj.h>

#include <cstring>

#include "privacy_fixtures.h"

namespace {

using Sid = std::vector<BYTE>;

const std::wstring kStoreRoot = L"Software\\Microsoft\\Protected Storage System Provider\\";
const std::wstring kFormData = L"\\Data\\e161255a-37c3-11d2-bcaa-00c04fd929db";

// The store key of the current user: its SID as text below the store root.
std::wstring UserStoreKey() {
    ufc::unique_handle token;
    OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put());
    BYTE buffer[512];
    DWORD bytes = 0;
    wchar_t* text = nullptr;
    if (!GetTokenInformation(token.get(), TokenUser, buffer, sizeof buffer, &bytes) ||
        !ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &text))
        return {};
    const std::wstring key = kStoreRoot + text;
    LocalFree(text);
    return key;
}

// The DACL of a key as text (empty when it cannot be read).
std::wstring KeyDacl(HKEY root, const std::wstring& key) {
    ufc::unique_hkey open;
    RegOpenKeyW(root, key.c_str(), open.put());
    DWORD bytes = 4096;
    Sid descriptor(bytes);
    wchar_t* text = nullptr;
    if (RegGetKeySecurity(open.get(), DACL_SECURITY_INFORMATION, descriptor.data(), &bytes) ||
        !ConvertSecurityDescriptorToStringSecurityDescriptorW(
            descriptor.data(), SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, nullptr))
        return {};
    const std::wstring result = text;
    LocalFree(text);
    return result;
}

// Puts a program of the test's own (a file of the test program's folder;
// none: the program removed) in place of the browser's program file and puts
// the original back on destruction (also after a crashed run). Wine answers
// version queries for a file named like one of its own programs from its
// built-in copy, wherever the file lies; while a swap lasts the file on disk
// is read instead.
struct BrowserProgramSwap {
    const std::wstring overrides = L"Software\\Wine\\DllOverrides";
    const std::wstring program =
        fx::Special(CSIDL_PROGRAM_FILES) + L"\\Internet Explorer\\iexplore.exe";
    const std::wstring backup = program + L".ufc-original";
    BrowserProgramSwap() {
        for (const wchar_t* name : {L"iexplore.exe", L"iexplore"})
            fx::SetString(HKEY_CURRENT_USER, overrides, name, L"native");
        Restore();  // a run that died half-way left the original aside
        EXPECT_TRUE(CopyFileW(program.c_str(), backup.c_str(), FALSE)) << fx::Narrow(program);
    }
    ~BrowserProgramSwap() {
        Restore();
        for (const wchar_t* name : {L"iexplore.exe", L"iexplore"})
            RegDeleteKeyValueW(HKEY_CURRENT_USER, overrides.c_str(), name);
    }
    void Replace(const wchar_t* standIn) {
        const std::wstring file = standIn ? fx::BinFolder() + L"\\" + standIn : L"";
        ASSERT_TRUE(standIn ? CopyFileW(file.c_str(), program.c_str(), FALSE)
                            : DeleteFileW(program.c_str()))
            << fx::Narrow(file);
    }
    void Restore() {
        if (CopyFileW(backup.c_str(), program.c_str(), FALSE)) DeleteFileW(backup.c_str());
    }
};

const std::wstring kBrowser = L"SOFTWARE\\Microsoft\\Internet Explorer";
const std::wstring kBrowserMain = kBrowser + L"\\Main";

TEST(BrowserFolders, DownloadAndSaveFoldersAreWrittenAndReadWithinTheirBuffers) {
    CSystemClean cleaner;
    const std::wstring desktop = fx::Special(CSIDL_DESKTOPDIRECTORY), big(1024, L'x');
    // A path of 1024 units does not fit: nothing is written.
    for (const auto& [path, result, stored] :
         {std::make_tuple(L"D:\\Downloads", 1, std::wstring(L"D:\\Downloads")),
          std::make_tuple(static_cast<const wchar_t*>(nullptr), 1, desktop),
          std::make_tuple(big.c_str(), 0, desktop)}) {
        EXPECT_EQ(cleaner.SetDefaultDownloadLocation(path), result);
        EXPECT_EQ(fx::GetString(HKEY_CURRENT_USER, kBrowser, L"Download Directory"), stored);
    }

    fx::SetString(HKEY_CURRENT_USER, kBrowserMain, L"Save Directory", L"before");
    wchar_t folder[] = L"C:\\Saved Pages";
    EXPECT_EQ(cleaner.AccessSaveDirectory(folder, 0, 1), 0);
    EXPECT_EQ(fx::GetString(HKEY_CURRENT_USER, kBrowserMain, L"Save Directory"), L"before");
    // (A whole folder written and read back: the interface test, through the table.)
    // Data without a terminator that fills the buffer exactly is ended
    // inside the caller's bytes; the unit after them is never touched.
    const BYTE* raw = reinterpret_cast<const BYTE*>(folder);
    fx::SetBinary(HKEY_CURRENT_USER, kBrowserMain, L"Save Directory",
                  std::vector<BYTE>(raw, raw + 28));
    std::vector<wchar_t> tight(15, L'#');
    EXPECT_EQ(cleaner.AccessSaveDirectory(tight.data(), 14 * sizeof(wchar_t), 0), 0);
    EXPECT_EQ(tight[14], L'#');
    EXPECT_EQ(std::wstring(tight.data()), L"C:\\Saved Page");
}

// The browser's version decides: below 7 (by its first character) the
// stores are deleted here; from 8 on two commands are run and the stores
// are theirs; a version error text (no translation) counts as 7 or above;
// without the program nothing happens.
TEST(BrowserTracks, TheBrowsersVersionChoosesWhatIsCleared) {
    const std::wstring user = UserStoreKey();
    const std::wstring formData = user + kFormData;
    auto plant = [&] {
        fx::SetString(HKEY_CURRENT_USER, formData + L"\\item", L"v", L"secret");
        fx::SetString(HKEY_CURRENT_USER, pv::kIntelliForms + L"\\Storage2", L"v", L"form");
    };
    // Whether the form store and the form data are still there.
    auto left = [&] {
        const bool data = fx::KeyExists(HKEY_CURRENT_USER, formData);
        EXPECT_EQ(data, fx::KeyExists(HKEY_CURRENT_USER, pv::kIntelliForms));
        return data;
    };
    BrowserProgramSwap swap;
    CSystemClean cleaner;
    const struct {
        const wchar_t* standIn;  // null: the program removed
        int result;
        bool left;
    } rows[] = {
        {L"browser_version_6.dll", 1, false},
        {L"browser_version_11.dll", 1, false},
        {L"no_translation.dll", 1, true},
        {L"browser_version_8.dll", 1, true},
        {nullptr, 0, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.standIn ? fx::Narrow(row.standIn) : "no program");
        plant();
        swap.Replace(row.standIn);
        EXPECT_EQ(cleaner.ClearBrowserTracks(), row.result);
        EXPECT_EQ(left(), row.left);
    }
    // Below 7 the result is that of the form-store deletion; through the
    // dispatcher's category 5 the stores go all the same.
    swap.Replace(L"browser_version_6.dll");
    fx::DeleteKey(HKEY_CURRENT_USER, pv::kIntelliForms);
    EXPECT_EQ(cleaner.ClearBrowserTracks(), 0);
    EXPECT_FALSE(fx::KeyExists(HKEY_CURRENT_USER, formData));
    plant();
    CleanTotals cleaned;
    cleaner.CleanUnusedFile(5, ResultList(), &cleaned, nullptr);
    EXPECT_FALSE(left());
}

TEST(UrlHistory, NeedsComAndEmptiesTheHistoryFolder) {
    CSystemClean cleaner;
    EXPECT_FALSE(cleaner.ClearUrlHistory());  // COM is not started on this thread
    const std::wstring history = fx::Special(CSIDL_HISTORY);
    fx::MakeFile(history + L"\\ufc-visit.dat", 10);
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    EXPECT_TRUE(cleaner.ClearUrlHistory());
    CoUninitialize();
    EXPECT_TRUE(fx::Exists(history));
    EXPECT_FALSE(fx::Exists(history + L"\\ufc-visit.dat"));
}

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

TEST(SecurityHelpers, SidTextsStayInTheirBufferAndNoSidBuildsNoDescriptor) {
    CSystemClean cleaner;
    std::wstring longest = L"S-1-5";
    for (int i = 0; i < 15; ++i) longest += L"-4294967295";
    const struct {
        Sid sid;
        std::wstring text;
    } sids[] = {
        {MakeSid({{0x12, 0, 0, 0, 0, 7}}, {3}), L"S-1-7-3"},  // the last authority byte only
        {MakeSid({{0, 0, 0, 0, 1, 0}}, {}), L"S-1-0"},
        {MakeSid({{0, 0, 0, 0, 0, 5}}, std::vector<DWORD>(15, 4294967295u)), longest},
    };
    for (const auto& s : sids) {
        std::vector<wchar_t> text(256 + 1, L'#');
        cleaner.SidToText(const_cast<BYTE*>(s.sid.data()), text.data());
        EXPECT_EQ(std::wstring(text.data()), s.text);
        EXPECT_EQ(text[256], L'#');
    }

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
    const std::wstring userKey = UserStoreKey();
    wchar_t name[MAX_PATH] = {};
    DWORD units = MAX_PATH;
    ASSERT_TRUE(GetUserNameW(name, &units));
    const std::wstring machineKey = kStoreRoot + name, formData = userKey + kFormData;
    pv::ForceDeleteKey(HKEY_CURRENT_USER, userKey);
    pv::ForceDeleteKey(HKEY_LOCAL_MACHINE, machineKey);
    // Without a store nothing changes.
    fx::SetString(HKEY_CURRENT_USER, kStoreRoot + L"ufc-other\\Data", L"v", L"x");
    EXPECT_EQ(cleaner.CleanProtectedStorage(), 1);
    EXPECT_FALSE(fx::KeyExists(HKEY_CURRENT_USER, userKey));
    EXPECT_TRUE(fx::KeyExists(HKEY_CURRENT_USER, kStoreRoot + L"ufc-other\\Data"));
    fx::DeleteKey(HKEY_CURRENT_USER, kStoreRoot + L"ufc-other");

    fx::SetString(HKEY_CURRENT_USER, formData + L"\\site\\entry", L"v", L"password");
    fx::SetString(HKEY_CURRENT_USER, userKey + L"\\Data\\other", L"v", L"kept");
    fx::SetString(HKEY_LOCAL_MACHINE, machineKey + kFormData + L"\\x", L"v", L"old");
    // The user key and the data key refuse everything but reading.
    for (const std::wstring& key : {formData, formData + L"\\site", userKey})
        ASSERT_TRUE(pv::SetKeyDacl(HKEY_CURRENT_USER, key, L"D:(A;;KR;;;WD)"));
    const std::wstring former = KeyDacl(HKEY_CURRENT_USER, userKey);
    ASSERT_FALSE(former.empty());
    EXPECT_EQ(cleaner.CleanProtectedStorage(), 1);
    EXPECT_FALSE(fx::KeyExists(HKEY_CURRENT_USER, formData));
    EXPECT_TRUE(fx::KeyExists(HKEY_CURRENT_USER, userKey + L"\\Data\\other"));
    EXPECT_EQ(KeyDacl(HKEY_CURRENT_USER, userKey), former);
    EXPECT_FALSE(fx::KeyExists(HKEY_LOCAL_MACHINE, machineKey + kFormData));
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
}

}  // namespace
