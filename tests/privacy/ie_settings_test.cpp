// The browser's download and save folders, its tracks and its history.
#include <gtest/gtest.h>

#include <objbase.h>
#include <shlobj.h>

#include "privacy_fixtures.h"

namespace {

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
    EXPECT_EQ(cleaner.AccessSaveDirectory(folder, sizeof(folder), 1), 0);
    wchar_t read[64];
    std::fill(std::begin(read), std::end(read), L'#');
    EXPECT_EQ(cleaner.AccessSaveDirectory(read, sizeof(read), 0), 0);
    EXPECT_EQ(std::wstring(read), L"C:\\Saved Pages");
    // Data without a terminator that fills the buffer exactly is ended
    // inside the caller's bytes; the unit after them is never touched.
    const BYTE* raw = reinterpret_cast<const BYTE*>(folder);
    fx::SetBinary(HKEY_CURRENT_USER, kBrowserMain, L"Save Directory",
                  std::vector<BYTE>(raw, raw + 28));
    wchar_t tight[15];
    std::fill(std::begin(tight), std::end(tight), L'#');
    EXPECT_EQ(cleaner.AccessSaveDirectory(tight, 14 * sizeof(wchar_t), 0), 0);
    EXPECT_EQ(tight[14], L'#');
    EXPECT_EQ(std::wstring(tight), L"C:\\Saved Page");
}

// The browser's version decides: below 7 (by its first character) the
// stores are deleted here; from 8 on two commands are run and the stores
// are theirs; a version error text (no translation) counts as 7 or above;
// without the program nothing happens.
TEST(BrowserTracks, TheBrowsersVersionChoosesWhatIsCleared) {
    const std::vector<BYTE> sid = pv::CurrentUserSid();
    ASSERT_FALSE(sid.empty());
    const std::wstring user = pv::kStoreRoot + pv::SidText(const_cast<BYTE*>(sid.data()));
    const std::wstring formData = user + pv::kFormData;
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
    pv::BrowserProgramSwap swap;
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
    pv::ForceDeleteKey(HKEY_CURRENT_USER, user);
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

}  // namespace
