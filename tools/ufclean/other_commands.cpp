// The listing, check, drive and settings commands.
#include "app.h"
#include "pipeline/categories.h"
#include "pipeline/defaults.h"
#include "platform/console.h"
#include "items/keep_list.h"
#include "text/format.h"

namespace ufclean {

namespace {

const wchar_t* KindText(host::CategoryKind kind) {
    switch (kind) {
        case host::CategoryKind::Scan:
            return L"scan";
        case host::CategoryKind::Action:
            return L"clean-only action";
        default:
            return L"no work";
    }
}

std::wstring UsageBar(std::uint64_t used, std::uint64_t total) {
    const int width = 20;
    const int filled = total ? static_cast<int>(used * width / total) : 0;
    return L"[" + std::wstring(static_cast<size_t>(filled), L'#') +
           std::wstring(static_cast<size_t>(width - filled), L'.') + L"]";
}

// " (taken only by gecko.form-history named by its id, or category 22
// named by its number)".
std::wstring TakenBy(const host::KeepRule& rule) {
    if (rule.takenBy.empty() && !rule.takenByCategory) return L"";
    std::wstring text = L" (taken only by ";
    if (!rule.takenBy.empty()) text += rule.takenBy + L" named by its id";
    if (!rule.takenBy.empty() && rule.takenByCategory) text += L", or ";
    if (rule.takenByCategory)
        text += L"category " + std::to_wstring(rule.takenByCategory) + L" named by its number";
    return text + L")";
}

// The browser's download folder as stored; the module only sets it.
std::wstring StoredDownloadFolder() {
    const wchar_t key[] = L"Software\\Microsoft\\Internet Explorer";
    DWORD bytes = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, key, L"Download Directory", RRF_RT_REG_SZ, nullptr, nullptr,
                     &bytes) != ERROR_SUCCESS)
        return std::wstring();
    std::wstring folder(bytes / sizeof(wchar_t) + 1, L'\0');
    bytes = static_cast<DWORD>(folder.size() * sizeof(wchar_t));
    if (RegGetValueW(HKEY_CURRENT_USER, key, L"Download Directory", RRF_RT_REG_SZ, nullptr,
                     &folder[0], &bytes) != ERROR_SUCCESS)
        return std::wstring();
    folder.resize(wcsnlen(folder.c_str(), folder.size()));
    return folder;
}

// The browser's save folder as stored (the module's reading returns 0
// whatever it read: the text tells).
std::wstring StoredSaveFolder(Function::IUnusedFileClean* cleaner) {
    wchar_t buffer[kTextUnits] = {};
    cleaner->AccessSaveDirectory(buffer, sizeof buffer, 0);
    return std::wstring(buffer, wcsnlen(buffer, kTextUnits));
}

// A folder given to download-dir or save-dir, made full; empty when it
// cannot be.
std::wstring FullFolder(const std::wstring& path) {
    wchar_t full[MAX_PATH] = {};
    const DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
    return length && length < MAX_PATH ? std::wstring(full) : std::wstring();
}

// Without a path download-dir and save-dir only show the folder: only a
// value given is stored.
int ShowFolder(const wchar_t* what, const std::wstring& folder) {
    host::Out(folder.empty() ? L"no " + std::wstring(what) + L" folder is set\n" : folder + L"\n");
    return kExitOk;
}

// "set to C:\new (was C:\old)": what a setting command did.
std::wstring Changed(const wchar_t* what, const std::wstring& now, const std::wstring& was) {
    return std::wstring(what) + L" set to " + now + (was.empty() ? L"" : L" (was " + was + L")") +
           L"\n";
}

}  // namespace

int RunCategories() {
    for (const host::CategoryInfo& info : host::Categories()) {
        std::wstring number = std::to_wstring(info.number);
        number.insert(0, 3 - number.size(), L' ');
        std::wstring line = number + L"  " + info.name + L"  (" + KindText(info.kind);
        // "opt-in with --with cookies: signs you out of sites"
        host::RuleGroup group;
        if (host::CategoryGroup(info.number, &group))
            line += std::wstring(L"; opt-in with --with ") + host::GroupName(group) + L":";
        if (const wchar_t* reason = host::CategoryOptIn(info.number))
            line += L" " + std::wstring(reason);
        host::Out(line + L")\n");
    }
    return kExitOk;
}

int RunKeepList() {
    host::Out(
        L"Built-in keep rules (case-insensitive, '*' crossing folders). A Chromium profile is any\n"
        L"folder holding Preferences with Login Data or Web Data, a Gecko profile any folder\n"
        L"holding prefs.js or times.json, wherever it lies; the other rules match folder + "
        L"name.\n");
    for (const host::KeepRule& rule : host::DefaultKeepRules())
        host::Out(L"  " + host::KeepRuleText(rule) + L"\n      " + rule.reason + TakenBy(rule) +
                  L"\n");
    return kExitOk;
}

int RunCheck(Function::IUnusedFileClean* cleaner) {
    auto yesNo = [](int value) { return value ? std::wstring(L"yes") : std::wstring(L"no"); };
    host::Out(L"clean needed:       " + yesNo(cleaner->IsCleanNeeded()) + L"\n");
    host::Out(L"deep clean needed:  " + yesNo(cleaner->IsDeepCleanNeeded()) + L"\n");
    host::Out(L"invalid shortcut:   " + yesNo(cleaner->HasInvalidShortcut()) + L"\n");
    return kExitOk;
}

int RunDrives(Function::IUnusedFileClean* cleaner) {
    std::vector<DriveDisplayEntry> drives;
    cleaner->GetDriveList(&drives);
    for (DriveDisplayEntry& drive : drives) {
        const std::uint64_t used =
            drive.totalBytes > drive.freeBytes ? drive.totalBytes - drive.freeBytes : 0;
        const std::uint64_t percent = drive.totalBytes ? used * 100 / drive.totalBytes : 0;
        host::Out(std::wstring(drive.displayText, wcsnlen(drive.displayText, kTextUnits)) +
                  L"  total " + host::HumanSize(drive.totalBytes) + L", free " +
                  host::HumanSize(drive.freeBytes) + L", used " + std::to_wstring(percent) + L"% " +
                  UsageBar(used, drive.totalBytes) + L"\n");
        // The icons were handed over: this host owns them now.
        if (drive.smallIcon) DestroyIcon(drive.smallIcon);
        if (drive.largeIcon) DestroyIcon(drive.largeIcon);
    }
    if (drives.empty()) host::Out(L"no fixed drives\n");
    return kExitOk;
}

int RunDownloadDir(Function::IUnusedFileClean* cleaner, const Options& options) {
    if (options.arguments.size() > 1) return UsageError(L"download-dir takes at most one path");
    const std::wstring was = StoredDownloadFolder();
    if (options.arguments.empty()) return ShowFolder(L"download", was);
    const std::wstring path = FullFolder(options.arguments[0]);
    if (path.empty()) return UsageError(L"not a folder path: " + options.arguments[0]);
    if (!cleaner->SetDefaultDownloadLocation(path.c_str()) || StoredDownloadFolder() != path) {
        host::Err(L"ufclean: the download folder could not be set\n");
        return kExitUsage;
    }
    host::Out(Changed(L"download folder", path, was));
    return kExitOk;
}

int RunSaveDir(Function::IUnusedFileClean* cleaner, const Options& options) {
    if (options.arguments.size() > 1) return UsageError(L"save-dir takes at most one path");
    const std::wstring was = StoredSaveFolder(cleaner);
    if (options.arguments.empty()) return ShowFolder(L"save", was);
    const std::wstring path = FullFolder(options.arguments[0]);
    if (path.empty()) return UsageError(L"not a folder path: " + options.arguments[0]);
    wchar_t buffer[kTextUnits] = {};
    path.copy(buffer, path.size());
    cleaner->AccessSaveDirectory(buffer, sizeof buffer, 1);
    if (StoredSaveFolder(cleaner) != path) {
        host::Err(L"ufclean: the save folder could not be set\n");
        return kExitUsage;
    }
    host::Out(Changed(L"save folder", path, was));
    return kExitOk;
}

std::wstring ActionOutcome(std::uint32_t number, bool done) {
    if (!done) return L"not done";
    return number == kCategoryClipboard ? L"emptied" : L"cleared";
}

}  // namespace ufclean
