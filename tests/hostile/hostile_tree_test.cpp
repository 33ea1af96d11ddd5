// The hostile fixtures planted in every place the module walks or empties:
// links out of the tree, back into it and to a drive root; paths beyond 260
// units, 255-unit names, non-BMP names, names with trailing dots and spaces
// beside their plain twins, empty and sparse 5 GiB files. Every scan
// category, removal and one-step cleaner then runs over them; nothing
// outside the selected junk may change.
#include <gtest/gtest.h>
#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
#include <map>

#include "fixtures/scan_test.h"
#include "hostile.h"

namespace {

constexpr std::uint64_t kSparseBytes = 5ull << 30;
const std::wstring kRoot = L"C:\\ufc-hostile";
const std::wstring kOutside = kRoot + L"\\outside";
const std::wstring kDriveFolder = kRoot + L"\\ydrive";
const wchar_t* const kLinks[] = {L"hostile-out", L"hostile-cycle", L"hostile-ydrive"};

std::wstring Long(const std::wstring& path) {
    return L"\\\\?\\" + path;
}

// Files under their exact names, whatever their length or last character.
void WriteExact(const std::wstring& path, const std::string& content) {
    fx::MakeFileWithText(Long(path), content);
}

// What must not change in a kept file: its bytes, or for a large one (a
// sparse file an earlier run left) its size, so that a second run in the
// same prefix does not read gigabytes into memory.
std::string Fingerprint(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (GetFileAttributesExW(Long(path).c_str(), GetFileExInfoStandard, &data) &&
        (data.nFileSizeHigh != 0 || data.nFileSizeLow > (1u << 20)))
        return "size " + std::to_string((static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) |
                                        data.nFileSizeLow);
    return fx::ReadFileText(Long(path));
}

// The folders of a new run in every place the module walks or empties.
std::vector<std::wstring> Places() {
    // Wine keeps a folder emptied from the Unix side in view for a while, so
    // each run plants under names of its own and removes the last runs'.
    static int runs = 0;
    const std::wstring windows = fx::Special(CSIDL_WINDOWS),
                       run = L"hostile-" + std::to_wstring(GetTickCount64()) + L"-" +
                             std::to_wstring(++runs);
    const std::wstring cache = fx::Special(CSIDL_INTERNET_CACHE) + L"\\",
                       roaming = fx::Special(CSIDL_APPDATA) + L"\\",
                       local = fx::Special(CSIDL_LOCAL_APPDATA) + L"\\";
    return {windows + L"\\Temp\\" + run,
            cache + run,
            cache + L"Content.IE5\\" + run,
            fx::Special(CSIDL_COOKIES) + L"\\" + run,
            fx::Special(CSIDL_HISTORY) + L"\\" + run,
            fx::Special(CSIDL_RECENT) + L"\\" + run,
            roaming + L"Microsoft\\Office\\Recent\\" + run,
            local + L"Mozilla\\Firefox\\Profiles\\" + run + L".default\\cache",
            roaming + L"Mozilla\\Firefox\\Profiles\\" + run + L".default",
            local + L"Google\\Chrome\\User Data\\Default\\Cache\\" + run,
            windows + L"\\$NtUninstallKB" + run.substr(8) + L"$",
            windows + L"\\SoftwareDistribution\\Download\\" + run,
            fx::Special(CSIDL_DESKTOP) + L"\\" + run,
            fx::Special(CSIDL_STARTMENU) + L"\\" + run};
}

// Every file whose content must stay byte-for-byte, with that content.
std::map<std::wstring, std::string> guards;

void Guard(const std::wstring& path, const std::string& content) {
    WriteExact(path, content);
    guards[path] = content;
}

void PlantAll(const std::vector<std::wstring>& places) {
    guards.clear();
    fx::MakeDirs(kOutside + L"\\sub");
    for (const auto* name : {L"\\doc1.txt", L"\\doc2.log", L"\\sub\\doc3.dat"})
        Guard(kOutside + name, "outside " + fx::Narrow(name));
    for (const auto* name : {L"\\root1.txt", L"\\root2.dmp"})
        Guard(kDriveFolder + name, "drive root " + fx::Narrow(name));
    // scripts/wine-run maps the spare letter Y: to kDriveFolder, never Z:
    // or C:; Wine reads the letters when the process starts.
    const bool haveY = fx::Exists(L"Y:\\root1.txt");
    if (!haveY) std::printf("Y: is not mapped: no link to a drive root is planted\n");

    for (const std::wstring& f : places) {
        std::wstring parent = f.substr(0, f.find_last_of(L'\\'));
        std::wstring name = fx::NameOf(f);
        if (name == L"cache") name = fx::NameOf(parent);
        // rm never follows the links planted inside; find does not either.
        const std::string unix = fx::UnixPath(parent);
        if (unix.find("/dosdevices/c:/") != std::string::npos)
            fx::RunUnix(L"/usr/bin/find '" + std::wstring(unix.begin(), unix.end()) +
                        L"' -maxdepth 1 -name 'hostile-*' ! -name '" +
                        name.substr(0, name.find(L'.')) + L"*' -exec /bin/rm -rf {} +");
        fx::MakeDirs(f);
        ASSERT_TRUE(fx::MakeFolderLink(kOutside, f + L"\\hostile-out"));
        ASSERT_TRUE(fx::MakeFolderLink(f, f + L"\\hostile-cycle")) << fx::Narrow(f);
        ASSERT_TRUE(!haveY || fx::MakeFolderLink(L"Y:\\", f + L"\\hostile-ydrive"));
        std::wstring deep = f;
        while (deep.size() < 320) deep += L"\\" + std::wstring(40, L'd');
        WriteExact(deep + L"\\bottom.txt", "deep");
        WriteExact(f + L"\\" + std::wstring(251, L'n') + L".txt", "long name");
        WriteExact(f + L"\\\U0001F600 smile.txt", "non-BMP");
        Guard(f + L"\\twin.txt", "twin without dot");
        WriteExact(f + L"\\twin.txt.", "twin with dot");
        Guard(f + L"\\pair.log", "pair without space");
        WriteExact(f + L"\\pair.log ", "pair with space");
        WriteExact(f + L"\\empty.dat", "");
        fx::MakeSparseFile(f + L"\\sparse.dat", kSparseBytes);
    }
}

// Guards unchanged, links still links, their targets' files untouched.
void ExpectGuardsIntact(const std::string& after) {
    for (const auto& [path, content] : guards) {
        if (path.find(kRoot) != 0 && !fx::Exists(path)) continue;  // emptied on purpose
        EXPECT_EQ(fx::ReadFileText(Long(path)), content) << fx::Narrow(path) << " after " << after;
        ++hostile::filesChecked;
    }
}

using HostileTree = fx::ScanTest;

TEST_F(HostileTree, EveryCategoryRemovalAndOneStepCleanerKeepsWhatWasNotSelected) {
    const auto places = Places();
    PlantAll(places);
    if (HasFatalFailure()) return;
    hostile::Cleaner c;
    auto planted = [&](const std::wstring& path) {
        for (const std::wstring& place : places)
            if (path.rfind(place + L"\\", 0) == 0) return true;
        return false;
    };
    for (int category = 1; category <= 24; ++category) {
        ResultList results;
        ScanTotals totals;
        fx::Recorder recorder;
        std::uint32_t result = c->GetUnusedFile(category, &results, &totals, &recorder);
        EXPECT_TRUE(result == 0u || result == 1u) << category;
        // Every walk ended: no cycle made it report without end.
        EXPECT_LT(recorder.reports.size(), 100000u) << category;
        std::uint64_t bytes = 0;
        std::vector<std::wstring> keptPaths;
        for (auto& item : results) {
            bytes += item.size;
            ASSERT_LT(wcsnlen(item.folder, kTextUnits), kTextUnits);
            const std::wstring folder = item.folder;
            const std::wstring path =
                folder + (folder.empty() || folder.back() == L'\\' ? L"" : L"\\") + item.name;
            for (const wchar_t* link : kLinks)
                EXPECT_EQ(path.find(link), std::wstring::npos) << fx::Narrow(path);
            // Only planted junk stays selected; the twins and everything
            // that belongs to the system are kept.
            const bool kept = path.back() != L'.' && path.back() != L' ' &&
                              (!planted(path) || path.find(L"\\twin.txt") != path.npos ||
                               path.find(L"\\pair.log") != path.npos);
            if (kept && item.category != 4 && item.category != 8 && item.category != 16) {
                item.selected = 0;
                if (fx::Exists(path)) keptPaths.push_back(path);
            }
        }
        EXPECT_TRUE(category == 4 || category == 8 || totals.count == results.size()) << category;
        if (category == 9) {
            // Windows Temp: each reachable file once; the deep file and the
            // 255-unit name do not fit 260 units and are skipped.
            std::vector<std::wstring> names;
            for (const auto& item : results)
                if (std::wstring(item.folder) == places.front() + L"\\") names.push_back(item.name);
            std::sort(names.begin(), names.end());
            EXPECT_EQ(names, (std::vector<std::wstring>{L"empty.dat", L"pair.log", L"pair.log ",
                                                        L"sparse.dat", L"twin.txt", L"twin.txt.",
                                                        L"\U0001F600 smile.txt"}));
            const FoundItem* sparse = fx::FindByName(results, L"sparse.dat");
            ASSERT_NE(sparse, nullptr);
            EXPECT_EQ(sparse->size, kSparseBytes);
            ++hostile::casesTried;
        }
        EXPECT_TRUE(category == 16 || totals.bytes == bytes) << category;
        std::map<std::wstring, std::string> keptContent;
        for (const auto& path : keptPaths) keptContent[path] = Fingerprint(path);

        CleanTotals clean;
        c->CleanUnusedFile(category, results, &clean, nullptr);
        for (const auto& [path, content] : keptContent)
            EXPECT_EQ(Fingerprint(path), content)
                << "deselected " << fx::Narrow(path) << " lost by category " << category;
        hostile::filesChecked += keptContent.size();
        ExpectGuardsIntact("category " + std::to_string(category));
        ++hostile::casesTried;
    }

    // The one-step cleaners, on a new plant, never leave their folder.
    PlantAll(Places());
    if (HasFatalFailure()) return;
    cleaner.ScanDesktopShortcuts(&results, &totals, nullptr);
    cleaner.ScanStartMenuShortcuts(&results, &totals, nullptr);
    cleaner.ScanDumpFiles(&results, &totals, nullptr);
    PathList downloads;
    cleaner.ListUpdateDownloads(&downloads);
    for (const auto& path : downloads)
        for (const wchar_t* link : kLinks)
            EXPECT_EQ(path.find(link), std::wstring::npos) << fx::Narrow(path);
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const struct {
        const char* name;
        void (*run)(CSystemClean&);
    } steps[] = {
        {"CleanWindowsTemp", [](CSystemClean& s) { s.CleanWindowsTemp(); }},
        {"CleanUpdateDownloads", [](CSystemClean& s) { s.CleanUpdateDownloads(); }},
        {"CleanRecentDocuments", [](CSystemClean& s) { s.CleanRecentDocuments(); }},
        {"CleanOfficeRecent", [](CSystemClean& s) { s.CleanOfficeRecent(); }},
        {"ClearUrlHistory", [](CSystemClean& s) { s.ClearUrlHistory(); }},
        {"DeleteListedDesktopShortcuts", [](CSystemClean& s) { s.DeleteListedDesktopShortcuts(); }},
        {"DeleteListedStartMenuShortcuts",
         [](CSystemClean& s) { s.DeleteListedStartMenuShortcuts(); }},
        {"DeleteListedDumpFiles", [](CSystemClean& s) { s.DeleteListedDumpFiles(); }},
        {"EmptyRecycleBin", [](CSystemClean& s) { s.EmptyRecycleBin(); }},
    };
    for (const auto& step : steps) {
        step.run(cleaner);
        ExpectGuardsIntact(step.name);
        ++hostile::casesTried;
    }
    CoUninitialize();
}

}  // namespace
