// The listing, check, drive and settings commands.
#include "app.h"
#include "pipeline/categories.h"
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

}  // namespace

int RunCategories() {
    for (const host::CategoryInfo& info : host::Categories()) {
        std::wstring number = std::to_wstring(info.number);
        number.insert(0, 3 - number.size(), L' ');
        host::Out(number + L"  " + info.name + L"  (" + KindText(info.kind) + L")\n");
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
    const wchar_t* path = options.arguments.empty() ? nullptr : options.arguments[0].c_str();
    const int done = cleaner->SetDefaultDownloadLocation(path);
    host::Out(done ? L"download folder set to " +
                         (path ? std::wstring(path) : std::wstring(L"the desktop")) + L"\n"
                   : std::wstring(L"download folder not set\n"));
    return done ? kExitOk : kExitUsage;
}

int RunSaveDir(Function::IUnusedFileClean* cleaner, const Options& options) {
    if (options.arguments.size() > 1) return UsageError(L"save-dir takes at most one path");
    wchar_t buffer[kTextUnits] = {};
    if (options.arguments.empty()) {
        const int done = cleaner->AccessSaveDirectory(buffer, sizeof buffer, 0);
        host::Out(done ? std::wstring(buffer, wcsnlen(buffer, kTextUnits)) + L"\n"
                       : std::wstring(L"no save folder is set\n"));
        return kExitOk;
    }
    const std::wstring& path = options.arguments[0];
    if (path.size() >= kTextUnits) return UsageError(L"the path is longer than 259 characters");
    path.copy(buffer, path.size());
    const int done = cleaner->AccessSaveDirectory(buffer, sizeof buffer, 1);
    host::Out(done ? L"save folder set to " + path + L"\n"
                   : std::wstring(L"save folder not set\n"));
    return done ? kExitOk : kExitUsage;
}

}  // namespace ufclean
