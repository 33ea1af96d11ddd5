// Running a rule: its folders resolved below the browser's data folder, its
// files listed on the module's folder walk, and exactly those files deleted.
#include <shlobj.h>

#include "rules.h"
#include "scan/folder_walk.h"
#include "text_format.h"
#include "util/rooted_delete.h"

namespace host {

namespace {

std::wstring SpecialFolder(RuleFolder folder) {
    wchar_t path[MAX_PATH] = {};
    const int csidl = folder == RuleFolder::LocalAppData ? CSIDL_LOCAL_APPDATA : CSIDL_APPDATA;
    if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return {};
    return path;
}

std::vector<std::wstring> SplitParts(const std::wstring& path) {
    std::vector<std::wstring> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find(L'\\', start);
        if (end == std::wstring::npos) end = path.size();
        if (end > start) parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

bool FitsPath(const std::wstring& path) {
    return path.size() < ufc::kPathUnits;
}

// A real folder: not a link, not a file. The walk would refuse to enter a
// link, and so does the resolution of a rule's own parts.
bool IsRealFolder(std::wstring path) {
    if (path.size() > 3 && path.back() == L'\\') path.pop_back();
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
           !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// The folders below prefix that "*" stands for: every folder the walk may
// enter.
void AddEveryFolder(const std::wstring& prefix, std::vector<std::wstring>* out) {
    WIN32_FIND_DATAW entry;
    ufc::unique_hfind find = ufc::OpenFolderEntries(prefix.c_str(), &entry);
    if (!find) return;
    do {
        if (!ufc::IsWalkableFolder(entry)) continue;
        const std::wstring child = prefix + entry.cFileName + L"\\";
        if (FitsPath(child)) out->push_back(child);
    } while (FindNextFileW(find.get(), &entry));
}

bool IsInUse(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

// Files that another program holds open are not offered: their count is
// reported instead, with the advice to close the browser.
bool HeldOpen(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
        return false;
    }
    return IsInUse(GetLastError());
}

void SetTime(const FILETIME& time, SYSTEMTIME* out) {
    SYSTEMTIME converted;
    if (FileTimeToSystemTime(&time, &converted)) *out = converted;
}

struct Collector {
    RuleScanResult* result;
    IScanProgress* progress;
    const std::atomic<bool>* stop;
    std::uint64_t expected = 0;
    std::uint64_t examined = 0;

    bool StopRequested() {
        result->stopped = result->stopped || (stop && stop->load());
        return result->stopped;
    }

    // folder ends in a backslash; data holds the file's size and times.
    void Take(const std::wstring& folder, const std::wstring& name,
              const WIN32_FILE_ATTRIBUTE_DATA& data) {
        const std::wstring path = folder + name;
        ++examined;
        if (progress) {
            ProgressInfo info;
            info.category = kCategoryUnset;
            ufc::CopyTruncated(info.path, path.c_str());
            info.percent = ufc::WalkPercent(examined, expected);
            info.count = static_cast<std::uint32_t>(result->items.size());
            progress->OnProgress(&info);
        }
        if (!FitsPath(path)) return;  // too deep to name
        if (HeldOpen(path)) {
            ++result->inUse;
            return;
        }
        FoundItem& item = result->items.emplace_back();
        item.category = kCategoryUnset;
        item.selected = 1;
        item.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        ufc::CopyExact(item.name, name.c_str());
        ufc::CopyExact(item.folder, folder.c_str());
        SetTime(data.ftCreationTime, &item.created);
        SetTime(data.ftLastAccessTime, &item.accessed);
        SetTime(data.ftLastWriteTime, &item.written);
        result->totals.count += 1;
        result->totals.bytes += item.size;
    }
};

// The walk's answers for a rule that takes every file below its folder.
struct TreeVisitor {
    Collector& collector;
    bool StopRequested() { return collector.StopRequested(); }
    bool EnterFolder(const wchar_t*, const WIN32_FIND_DATAW&) { return true; }
    void VisitFile(const wchar_t* prefix, const WIN32_FIND_DATAW& entry) {
        WIN32_FILE_ATTRIBUTE_DATA data = {};
        data.nFileSizeHigh = entry.nFileSizeHigh;
        data.nFileSizeLow = entry.nFileSizeLow;
        data.ftCreationTime = entry.ftCreationTime;
        data.ftLastAccessTime = entry.ftLastAccessTime;
        data.ftLastWriteTime = entry.ftLastWriteTime;
        collector.Take(prefix, entry.cFileName, data);
    }
};

// Counts the files a tree walk will meet: the progress denominator.
struct CountVisitor {
    std::uint64_t files = 0;
    static bool StopRequested() { return false; }
    static bool EnterFolder(const wchar_t*, const WIN32_FIND_DATAW&) { return true; }
    void VisitFile(const wchar_t*, const WIN32_FIND_DATAW&) { ++files; }
};

// One named file ("Network\Cookies") below folder: every folder on the way
// must be real, and the name a file.
void TakeNamedFile(const std::wstring& folder, const std::wstring& relative, Collector* collector) {
    std::vector<std::wstring> parts = SplitParts(relative);
    if (parts.empty()) return;
    std::wstring parent = folder;
    for (size_t i = 0; i + 1 < parts.size(); ++i) {
        if (!IsRealFolder(parent + parts[i])) return;
        parent += parts[i] + L"\\";
    }
    WIN32_FILE_ATTRIBUTE_DATA data;
    const std::wstring path = parent + parts.back();
    if (!FitsPath(path) || !GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return;
    collector->Take(parent, parts.back(), data);
}

}  // namespace

std::vector<std::wstring> RuleRoots() {
    std::vector<std::wstring> roots;
    for (RuleFolder folder : {RuleFolder::LocalAppData, RuleFolder::RoamingAppData}) {
        std::wstring path = SpecialFolder(folder);
        if (!path.empty()) roots.push_back(std::move(path));
    }
    return roots;
}

std::vector<std::wstring> ResolveRuleFolders(const RuleTarget& target) {
    const std::wstring base = SpecialFolder(target.rule->folder);
    if (base.empty()) return {};
    std::vector<std::wstring> parts = SplitParts(target.browser->dataFolder);
    for (std::wstring& part : SplitParts(target.rule->path)) parts.push_back(std::move(part));

    std::vector<std::wstring> folders = {base + L"\\"};
    for (const std::wstring& part : parts) {
        std::vector<std::wstring> next;
        for (const std::wstring& prefix : folders) {
            if (part == L"*") {
                AddEveryFolder(prefix, &next);
            } else if (part[0] != L'.' && FitsPath(prefix + part + L"\\") &&
                       IsRealFolder(prefix + part)) {
                next.push_back(prefix + part + L"\\");
            }
        }
        folders.swap(next);
    }
    return folders;
}

void ScanRule(const RuleTarget& target, IScanProgress* progress, const std::atomic<bool>* stop,
              RuleScanResult* result) {
    const std::vector<std::wstring> folders = ResolveRuleFolders(target);
    result->folders = folders.size();
    const std::vector<std::wstring>& files = target.rule->files;
    Collector collector{result, progress, stop};
    for (const std::wstring& folder : folders) {
        if (files.empty()) {
            CountVisitor counter;
            ufc::WalkFolderTree(folder.c_str(), counter);
            collector.expected += counter.files;
        } else {
            collector.expected += files.size();
        }
    }
    for (const std::wstring& folder : folders) {
        if (collector.StopRequested()) return;
        if (files.empty()) {
            TreeVisitor visitor{collector};
            ufc::WalkFolderTree(folder.c_str(), visitor);
            continue;
        }
        for (const std::wstring& relative : files) TakeNamedFile(folder, relative, &collector);
    }
}

void CleanRuleItems(const ResultList& items, IScanProgress* progress, const std::atomic<bool>* stop,
                    RuleCleanResult* result) {
    std::uint64_t selected = 0;
    for (const FoundItem& item : items) selected += item.selected ? 1 : 0;
    std::uint64_t done = 0;
    ufc::RootedDeleter deleter(RuleRoots());
    for (const FoundItem& item : items) {
        if (!item.selected) continue;
        if (stop && stop->load()) {
            result->stopped = true;
            return;
        }
        const std::wstring path = ItemPath(item);
        ++done;
        if (progress) {
            ProgressInfo info;
            info.category = kCategoryUnset;
            ufc::CopyTruncated(info.path, path.c_str());
            info.percent = static_cast<std::uint32_t>(done * 100 / selected);
            info.count = static_cast<std::uint32_t>(result->totals.removed);
            progress->OnProgress(&info);
        }
        // Below the special folder no link is followed: one put in place of
        // a listed folder since the scan would lead the delete elsewhere.
        const DWORD error =
            FitsPath(path) ? deleter.DeleteFile(path.c_str()) : ERROR_FILENAME_EXCED_RANGE;
        if (error == ERROR_SUCCESS) {
            result->totals.removed += 1;
            result->totals.bytesFreed += item.size;
        } else if (IsInUse(error)) {
            ++result->inUse;
        } else {
            result->totals.failed += 1;
        }
    }
}

}  // namespace host
