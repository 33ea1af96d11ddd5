// The Windows Installer packages, installed as an administrator would:
// msiexec /qn in this program's prefix, then the files, the Start-menu
// shortcut, the Apps & features entry and ufclean run from where it landed;
// an upgrade from an older package; an uninstall that leaves the user's data
// unless asked.
#include <gtest/gtest.h>
#include <shlobj.h>

#include "categories/shortcuts.h"
#include "fixtures/fixtures.h"
#include "fixtures/run_program.h"
#include "schedule/profiles.h"
#include "platform/program_folder.h"
#include "platform/user_files.h"

namespace {

#ifdef UFC_MSI_NAME

const wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
// Where a 64-bit program sees the entries of 32-bit packages.
const wchar_t kUninstallKey32[] =
    L"Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const wchar_t kAppPathKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\ufclean.exe";
const wchar_t* const kInstalledFiles[] = {L"ufclean.exe",         L"ufclean-gui.exe",
                                          L"UnusedFileClean.dll", L"log.dll",
                                          L"README.md",           L"LICENSE.txt"};

std::wstring FullPath(const std::wstring& path) {
    wchar_t full[MAX_PATH] = {};
    GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
    return full;
}

// The packages of this build: bin\..\<name>.
std::wstring Package(const std::wstring& name) {
    return FullPath(host::ProgramFolder() + L"..\\" + name);
}

fx::RunResult Msiexec(const std::wstring& arguments) {
    return fx::RunProgram(fx::Special(CSIDL_SYSTEM) + L"\\msiexec.exe", arguments + L" /qn");
}

// The Apps & features entries of a product name: key name to version.
std::map<std::wstring, std::wstring> Entries(const std::wstring& productName,
                                             const wchar_t* uninstallKey = kUninstallKey) {
    std::map<std::wstring, std::wstring> entries;
    for (const std::wstring& key : fx::SubKeys(HKEY_LOCAL_MACHINE, uninstallKey)) {
        const std::wstring path = std::wstring(uninstallKey) + L"\\" + key;
        if (fx::GetString(HKEY_LOCAL_MACHINE, path, L"DisplayName") == productName)
            entries[path] = fx::GetString(HKEY_LOCAL_MACHINE, path, L"DisplayVersion");
    }
    return entries;
}

// The Start-menu shortcut's target, or empty when there is none. Wine puts
// a per-machine shortcut in the user's Start menu, Windows in the common one.
std::wstring ShortcutTarget() {
    for (int folder : {CSIDL_COMMON_PROGRAMS, CSIDL_PROGRAMS}) {
        const std::wstring link = fx::Special(folder) + L"\\UnusedFileClean.lnk";
        wchar_t target[MAX_PATH] = {};
        if (fx::Exists(link))
            return ufc::ResolveShortcutTarget(link, target, MAX_PATH) ? target
                                                                      : L"(unreadable shortcut)";
    }
    return {};
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

TEST(PackageTest, InstallUpgradeAndUninstallLeaveOneEntryThenNoneAndUserDataOnlyWhenAsked) {
    const std::wstring folder = fx::Special(CSIDL_PROGRAM_FILES) + L"\\UnusedFileClean";
    const std::wstring ufclean = folder + L"\\ufclean.exe";
#ifdef _WIN64
    const std::wstring product = L"UnusedFileClean (64-bit)";
#else
    const std::wstring product = L"UnusedFileClean";
#endif
    ASSERT_EQ(Msiexec(L"/i \"" + Package(UFC_MSI_OLDER_NAME) + L"\"").exitCode, 0u);
    EXPECT_EQ(Entries(product).size(), 1u);
    EXPECT_EQ(Entries(product).begin()->second, UFC_MSI_OLDER_VERSION);

    // The current package replaces the older one in place.
    ASSERT_EQ(Msiexec(L"/i \"" + Package(UFC_MSI_NAME) + L"\"").exitCode, 0u);
    const auto entries = Entries(product);
    ASSERT_EQ(entries.size(), 1u);
    const std::wstring entry = entries.begin()->first;
    EXPECT_EQ(entries.begin()->second, UFC_MSI_VERSION);
    // The entry's icon is the desktop host's own.
    const std::wstring icon = fx::GetString(HKEY_LOCAL_MACHINE, entry, L"DisplayIcon");
    ASSERT_GT(icon.size(), 2u);
    const std::wstring iconFile = icon.substr(0, icon.rfind(L','));
    EXPECT_TRUE(SamePath(iconFile, folder + L"\\ufclean-gui.exe")) << fx::Narrow(icon);
    EXPECT_GT(ExtractIconExW(iconFile.c_str(), -1, nullptr, nullptr, 0), 0u);

    for (const wchar_t* name : kInstalledFiles)
        EXPECT_TRUE(fx::Exists(folder + L"\\" + name)) << fx::Narrow(name);
    EXPECT_TRUE(SamePath(ShortcutTarget(), folder + L"\\ufclean-gui.exe"))
        << fx::Narrow(ShortcutTarget());
    EXPECT_TRUE(SamePath(fx::GetString(HKEY_LOCAL_MACHINE, kAppPathKey, L""), ufclean));

    // The installed console host works with its module: a profile saved and
    // cleaned with, the report naming it.
    const std::wstring temp = fx::Special(CSIDL_WINDOWS) + L"\\Temp\\ufc-package-junk.tmp";
    fx::MakeFile(temp, 300);
    ASSERT_EQ(fx::RunProgram(ufclean, L"profile save installed 9").exitCode, 0u);
    const std::wstring reports = fx::Scratch(L"package-reports");
    const fx::RunResult run = fx::RunProgram(
        ufclean, L"clean --profile installed --yes --json \"" + reports + L"\\run.json\"");
    EXPECT_EQ(run.exitCode, 0u) << run.out << run.err;
    EXPECT_FALSE(fx::Exists(temp));
    EXPECT_NE(fx::ReadFileText(reports + L"\\run.json").find("\"profile\":\"installed\""),
              std::string::npos);

    // A rules file of the user's beside the program is theirs: it stays.
    fx::MakeFileWithText(folder + L"\\ufclean-rules.json", "{\"rules\": []}\n");
    ASSERT_EQ(Msiexec(L"/x \"" + Package(UFC_MSI_NAME) + L"\"").exitCode, 0u);
    EXPECT_TRUE(Entries(product).empty());
    for (const wchar_t* name : kInstalledFiles)
        EXPECT_FALSE(fx::Exists(folder + L"\\" + name)) << fx::Narrow(name);
    EXPECT_EQ(ShortcutTarget(), L"");
    EXPECT_FALSE(fx::KeyExists(HKEY_LOCAL_MACHINE, kAppPathKey));
    EXPECT_TRUE(fx::Exists(host::ProfileFile(L"installed")));
    EXPECT_TRUE(fx::Exists(folder + L"\\ufclean-rules.json"));

    // Asked to, the uninstall takes the profiles, the schedules and their
    // tasks, and the rules file.
    ASSERT_EQ(Msiexec(L"/i \"" + Package(UFC_MSI_NAME) + L"\"").exitCode, 0u);
    const fx::RunResult added =
        fx::RunProgram(ufclean, L"schedule add leaving-daily --profile installed --daily");
    ASSERT_EQ(added.exitCode, 0u) << added.err;
    const std::wstring task =
        fx::Special(CSIDL_SYSTEM) + L"\\Tasks\\UnusedFileClean\\leaving-daily";
    EXPECT_TRUE(fx::Exists(task));
    ASSERT_EQ(Msiexec(L"/x \"" + Package(UFC_MSI_NAME) + L"\" REMOVEUSERDATA=1").exitCode, 0u);
    EXPECT_FALSE(fx::Exists(host::ProfileFile(L"installed")));
    EXPECT_FALSE(fx::Exists(host::UserDataFolder() + L"\\schedules.json"));
    EXPECT_FALSE(fx::Exists(task.substr(0, task.rfind(L'\\'))));  // the task folder too
    EXPECT_FALSE(fx::Exists(folder));
}

#ifdef _WIN64
TEST(PackageTest, The32BitPackageInstallsUnderProgramFilesX86) {
    // Made by the mingw-x86 build beside this one, when it ran.
    std::wstring name = UFC_MSI_NAME;
    name.replace(name.rfind(L"x64"), 3, L"x86");
    const std::wstring package = FullPath(host::ProgramFolder() + L"..\\..\\mingw-x86\\" + name);
    if (!fx::Exists(package)) GTEST_SKIP() << "no 32-bit package: " << fx::Narrow(package);
    const std::wstring folder = fx::Special(CSIDL_PROGRAM_FILESX86) + L"\\UnusedFileClean";
    ASSERT_EQ(Msiexec(L"/i \"" + package + L"\"").exitCode, 0u);
    EXPECT_EQ(Entries(L"UnusedFileClean", kUninstallKey32).size(), 1u);
    for (const wchar_t* file : kInstalledFiles)
        EXPECT_TRUE(fx::Exists(folder + L"\\" + file)) << fx::Narrow(file);
    ASSERT_EQ(Msiexec(L"/x \"" + package + L"\"").exitCode, 0u);
    EXPECT_TRUE(Entries(L"UnusedFileClean", kUninstallKey32).empty());
    EXPECT_FALSE(fx::Exists(folder));
}
#endif

#endif

}  // namespace
