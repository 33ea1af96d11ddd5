// The browser's download and save folders, its tracks and its history.
#include <gtest/gtest.h>

#include <objbase.h>
#include <shlobj.h>

#include "privacy_fixtures.h"

namespace {

const std::wstring kBrowser = L"SOFTWARE\\Microsoft\\Internet Explorer";
const std::wstring kBrowserMain = kBrowser + L"\\Main";

// The stored text of a value. The registry of Wine adds the terminator that
// the writer leaves out, so trailing zeros are not part of the text.
std::wstring StoredText(const std::wstring& key, const wchar_t* name) {
    ufc::unique_hkey open;
    if (RegOpenKeyW(HKEY_CURRENT_USER, key.c_str(), open.put()) != ERROR_SUCCESS) return L"<none>";
    wchar_t data[2048] = {};
    DWORD size = sizeof(data) - sizeof(wchar_t);
    if (RegQueryValueExW(open.get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(data),
                         &size) != ERROR_SUCCESS)
        return L"<none>";
    std::wstring text(data, size / sizeof(wchar_t));
    while (!text.empty() && text.back() == 0) text.pop_back();
    return text;
}

std::wstring Folder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    SHGetSpecialFolderPathW(nullptr, path, csidl, FALSE);
    return path;
}

TEST(DownloadLocation, StoresThePathOrTheDesktopWithoutTerminator) {
    fx::SetString(HKEY_CURRENT_USER, kBrowser, L"Download Directory", L"old");
    CSystemClean cleaner;

    EXPECT_EQ(cleaner.SetDefaultDownloadLocation(L"D:\\Downloads"), 1);
    EXPECT_EQ(StoredText(kBrowser, L"Download Directory"), L"D:\\Downloads");

    EXPECT_EQ(cleaner.SetDefaultDownloadLocation(nullptr), 1);
    std::wstring desktop = Folder(CSIDL_DESKTOPDIRECTORY);
    ASSERT_FALSE(desktop.empty());
    EXPECT_EQ(StoredText(kBrowser, L"Download Directory"), desktop);

    // A path of 1024 units does not fit: nothing is written.
    EXPECT_EQ(cleaner.SetDefaultDownloadLocation(std::wstring(1024, L'x').c_str()), 0);
    EXPECT_EQ(StoredText(kBrowser, L"Download Directory"), desktop);
}

TEST(SaveDirectory, WritesReadsAndIgnoresEmptyBuffers) {
    fx::SetString(HKEY_CURRENT_USER, kBrowserMain, L"Save Directory", L"before");
    CSystemClean cleaner;
    wchar_t folder[] = L"C:\\Saved Pages";

    EXPECT_EQ(cleaner.AccessSaveDirectory(folder, 0, 1), 0);
    EXPECT_EQ(cleaner.AccessSaveDirectory(nullptr, 100, 1), 0);
    EXPECT_EQ(StoredText(kBrowserMain, L"Save Directory"), L"before");

    EXPECT_EQ(cleaner.AccessSaveDirectory(folder, sizeof(folder), 1), 0);
    EXPECT_EQ(StoredText(kBrowserMain, L"Save Directory"), L"C:\\Saved Pages");

    wchar_t read[64];
    std::fill(std::begin(read), std::end(read), L'#');
    EXPECT_EQ(cleaner.AccessSaveDirectory(read, sizeof(read), 0), 0);
    EXPECT_EQ(std::wstring(read), L"C:\\Saved Pages");

    // Data without a terminator that fills the buffer exactly is still ended
    // inside the caller's bytes; the unit after them is never touched.
    const std::wstring unterminated = L"C:\\Saved Pages";
    const BYTE* raw = reinterpret_cast<const BYTE*>(unterminated.data());
    fx::SetBinary(HKEY_CURRENT_USER, kBrowserMain, L"Save Directory",
                  std::vector<BYTE>(raw, raw + 28));
    wchar_t tight[15];
    std::fill(std::begin(tight), std::end(tight), L'#');
    EXPECT_EQ(cleaner.AccessSaveDirectory(tight, 14 * sizeof(wchar_t), 0), 0);
    EXPECT_EQ(tight[14], L'#');
    EXPECT_EQ(std::wstring(tight), L"C:\\Saved Page");

    // Size 0 on a read touches nothing either.
    wchar_t untouched[4] = {L'#', L'#', L'#', 0};
    EXPECT_EQ(cleaner.AccessSaveDirectory(untouched, 0, 0), 0);
    EXPECT_EQ(std::wstring(untouched), L"###");
}

class BrowserTracks : public ::testing::Test {
protected:
    void SetUp() override {
        sid_ = pv::CurrentUserSid();
        ASSERT_FALSE(sid_.empty());
        formData_ = pv::kStoreRoot + pv::SidText(sid_.data()) + pv::kFormData;
        pv::ForceDeleteKey(HKEY_CURRENT_USER, pv::kStoreRoot + pv::SidText(sid_.data()));
        fx::SetString(HKEY_CURRENT_USER, formData_ + L"\\item", L"v", L"secret");
        fx::SetString(HKEY_CURRENT_USER, pv::kIntelliForms + L"\\Storage2", L"v", L"form");
    }
    void TearDown() override {
        pv::ForceDeleteKey(HKEY_CURRENT_USER, pv::kStoreRoot + pv::SidText(sid_.data()));
    }
    bool FormDataLeft() { return fx::KeyExists(HKEY_CURRENT_USER, formData_); }
    bool IntelliFormsLeft() { return fx::KeyExists(HKEY_CURRENT_USER, pv::kIntelliForms); }

    std::vector<BYTE> sid_;
    std::wstring formData_;
    pv::BrowserProgramSwap swap_;
    CSystemClean cleaner_;
};

TEST_F(BrowserTracks, WithoutTheBrowserProgramNothingHappens) {
    swap_.Remove();
    EXPECT_EQ(cleaner_.ClearBrowserTracks(), 0);
    EXPECT_TRUE(FormDataLeft());
    EXPECT_TRUE(IntelliFormsLeft());
}

TEST_F(BrowserTracks, VersionsBelowSevenByFirstCharacterDeleteTheStores) {
    for (const wchar_t* standIn : {L"browser_version_6.dll", L"browser_version_11.dll"}) {
        SCOPED_TRACE(fx::Narrow(standIn));
        fx::SetString(HKEY_CURRENT_USER, formData_ + L"\\item", L"v", L"secret");
        fx::SetString(HKEY_CURRENT_USER, pv::kIntelliForms + L"\\Storage2", L"v", L"form");
        swap_.Replace(pv::BinFolder() + L"\\" + standIn);
        EXPECT_EQ(cleaner_.ClearBrowserTracks(), 1);
        EXPECT_FALSE(FormDataLeft());
        EXPECT_FALSE(IntelliFormsLeft());
    }
    // The result is that of the form-store deletion.
    fx::SetString(HKEY_CURRENT_USER, formData_ + L"\\item", L"v", L"secret");
    EXPECT_EQ(cleaner_.ClearBrowserTracks(), 0);
    EXPECT_FALSE(FormDataLeft());
}

// Without a translation table the version text is an error message, which
// begins with a capital letter: that counts as 7 or above.
TEST_F(BrowserTracks, AVersionErrorTextCountsAsSevenOrAbove) {
    swap_.Replace(pv::BinFolder() + L"\\no_translation.dll");
    EXPECT_EQ(cleaner_.ClearBrowserTracks(), 1);
    EXPECT_TRUE(FormDataLeft());
    EXPECT_TRUE(IntelliFormsLeft());
}

TEST_F(BrowserTracks, VersionEightAndLaterRunTheTwoCommands) {
    for (bool standIn : {true, false}) {
        SCOPED_TRACE(standIn ? "version 8 stand-in" : "the prefix's own browser");
        if (standIn) swap_.Replace(pv::BinFolder() + L"\\browser_version_8.dll");
        DWORD start = GetTickCount();
        EXPECT_EQ(cleaner_.ClearBrowserTracks(), 1);
        std::printf("two commands took %lu ms\n",
                    static_cast<unsigned long>(GetTickCount() - start));
        // The stores are the commands' business, not deleted here.
        EXPECT_TRUE(FormDataLeft());
        EXPECT_TRUE(IntelliFormsLeft());
        swap_.Replace(swap_.Program() + L".ufc-original");
    }
}

TEST(UrlHistory, NeedsComAndEmptiesTheHistoryFolder) {
    CSystemClean cleaner;
    EXPECT_FALSE(cleaner.ClearUrlHistory());  // COM is not started on this thread

    std::wstring history = Folder(CSIDL_HISTORY);
    ASSERT_FALSE(history.empty());
    fx::MakeFile(history + L"\\ufc-visit.dat", 10);
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    bool created = cleaner.ClearUrlHistory();
    CoUninitialize();
    if (!created) GTEST_SKIP() << "this Wine has no URL history object";
    EXPECT_TRUE(fx::Exists(history));
    EXPECT_FALSE(fx::Exists(history + L"\\ufc-visit.dat"));
}

}  // namespace
