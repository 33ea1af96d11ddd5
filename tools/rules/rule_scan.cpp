#include "rules/rule_scan.h"

#include <windows.h>

#include <algorithm>
#include <set>

#include "fs/file_identity.h"
#include "fs/fold.h"
#include "fs/folder_walk.h"
#include "items/selection.h"
#include "rules/refusal.h"
#include "text/glob.h"
#include "rules/guard.h"
#include "rules/model.h"
#include "rules/places.h"
#include "rules/probe.h"

namespace host {

namespace {

std::uint64_t Newest(const WIN32_FIND_DATAW& entry) {
    return std::max(Ticks(entry.ftLastWriteTime), Ticks(entry.ftCreationTime));
}

bool IsInUse(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

// root's path and the pattern below it where the key's folders lie.
struct KeyBase {
    std::wstring root;
    std::wstring below;
};

KeyBase BaseOf(const RuleTarget& target, const RuleKey& key) {
    const Application* application = target.application;
    if (!application) return {KnownFolderPath(key.root), key.path};
    const KnownFolder root = key.root == KnownFolder::Application ? application->root : key.root;
    std::wstring below = application->userData;
    for (const wchar_t* part : {key.perProfile ? application->profiles : L"", key.path.c_str()})
        if (*part) below += std::wstring(L"\\") + part;
    return {KnownFolderPath(root), below};
}

}  // namespace

bool LockHeld(const Application& application, RuleProbe& probe) {
    const std::wstring lock = std::wstring(application.userData) + L"\\" + application.lockFile;
    for (const std::wstring& path : probe.ExpandFiles(KnownFolderPath(application.root), lock)) {
        ufc::unique_hfile file(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file && IsInUse(GetLastError())) return true;
    }
    return false;
}

namespace {

// Which names a key takes in one folder.
struct NameFilter {
    std::vector<std::wstring> patterns;  // empty: every name
    bool Matches(const wchar_t* name) const {
        if (patterns.empty()) return true;
        for (const std::wstring& pattern : patterns)
            if (PartMatches(pattern, name)) return true;
        return false;
    }
};

struct Collector {
    RuleScanResult* result;
    ItemStore* store;
    IScanProgress* progress;
    const std::atomic<bool>* stop;
    const CleaningRule& rule;
    FileGuard guard;
    // The folder the guard decided last. A walk reuses a buffer for sibling
    // folders: each folder entered (and each new walk) resets it.
    const wchar_t* guarded = nullptr;
    std::uint64_t youngAfter = ~0ull;        // files written later are too young
    std::set<std::wstring>* seen = nullptr;  // when two folders overlap
    std::uint32_t percent = 0;
    ProgressInfo note = {};  // made once: its path is each file's, joined in place

    bool StopRequested() {
        result->stopped = result->stopped || (stop && stop->load());
        return result->stopped;
    }

    void Take(const wchar_t* folder, const ufc::FolderEntry& entry) {
        wchar_t(&path)[ufc::kPathUnits] = note.path;
        const bool fits = ufc::JoinPath(path, folder, entry.cFileName);
        if (progress) {
            if (!fits) ufc::CopyTruncated(note.path, folder);
            note.percent = percent;
            note.count = static_cast<std::uint32_t>(result->totals.count);
            progress->OnProgress(&note);
        }
        if (!fits) return;  // too deep to name
        if (Ticks(entry.ftLastWriteTime) > youngAfter) return;
        for (const std::wstring& exclude : rule.excludes)
            if (GlobMatch(exclude, path)) return;
        if (folder != guarded) guard.Enter(guarded = folder);
        const GuardVerdict verdict = guard.CheckName(entry.cFileName, Newest(entry));
        if (verdict.Stopped()) return result->stoppedByGuard.Add(verdict.reason);
        if (seen && !seen->insert(ufc::Folded(path)).second) return;
        // The clean deletes the file only if it is still the one listed.
        store->AddFile(folder, entry, static_cast<std::uint8_t>(kCategoryUnset),
                       ufc::FileIdTag(entry.fileId));
        result->totals.count += 1;
        result->totals.bytes += ufc::EntrySize(entry);
    }
};

// The walk's answers for one key in one folder.
struct KeyVisitor {
    Collector& collector;
    const RuleKey& key;
    const NameFilter& names;
    bool StopRequested() { return collector.StopRequested(); }
    bool EnterFolder(const wchar_t* prefix, const WIN32_FIND_DATAW& entry) {
        collector.guarded = nullptr;
        if (!key.recurse) return false;
        if (key.removeSelf)
            collector.result->emptiedFolders.push_back(std::wstring(prefix) + entry.cFileName +
                                                       L"\\");
        return true;
    }
    void VisitFile(const wchar_t* prefix, const ufc::FolderEntry& entry) {
        if (names.Matches(entry.cFileName)) collector.Take(prefix, entry);
    }
};

// The key's patterns by the folder below the place they name: "" for plain
// names, "Network" for "Network\Cookies".
std::vector<std::pair<std::wstring, NameFilter>> FiltersOf(const RuleKey& key) {
    std::vector<std::pair<std::wstring, NameFilter>> filters;
    if (key.patterns.empty()) filters.push_back({L"", {}});
    for (const std::wstring& pattern : key.patterns) {
        const size_t slash = pattern.find_last_of(L'\\');
        const std::wstring folder = slash == std::wstring::npos ? L"" : pattern.substr(0, slash);
        const std::wstring name = slash == std::wstring::npos ? pattern : pattern.substr(slash + 1);
        auto same = filters.begin();
        while (same != filters.end() && same->first != folder) ++same;
        if (same == filters.end()) same = filters.insert(filters.end(), {folder, {}});
        same->second.patterns.push_back(name);
    }
    return filters;
}

bool Overlap(const std::vector<RuleFolder>& folders) {
    for (size_t i = 0; i < folders.size(); ++i)
        for (size_t j = 0; j < folders.size(); ++j) {
            const std::wstring& a = folders[i].path;
            const std::wstring& b = folders[j].path;
            if (i != j && b.size() >= a.size() &&
                CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                     static_cast<int>(a.size()), TRUE) == CSTR_EQUAL)
                return true;
        }
    return false;
}

}  // namespace

std::vector<RuleFolder> ResolveRuleFolders(const RuleTarget& target, RuleProbe* probe) {
    RuleProbe own;
    RuleProbe& probing = probe ? *probe : own;
    std::vector<RuleFolder> folders;
    if (!RuleRefusal(*target.rule).empty()) return folders;
    for (const RuleKey& key : target.rule->keys) {
        const KeyBase base = BaseOf(target, key);
        for (std::wstring& path : probing.ExpandFolders(base.root, base.below)) {
            bool repeated = false;
            for (const RuleFolder& folder : folders)
                repeated = repeated || (folder.key == &key && folder.path == path);
            if (!repeated) folders.push_back({std::move(path), &key});
        }
    }
    return folders;
}

bool IsDetected(const RuleTarget& target, RuleProbe* probe) {
    RuleProbe own;
    RuleProbe& probing = probe ? *probe : own;
    const CleaningRule& rule = *target.rule;
    if (const Application* application = target.application)
        return !probing.ExpandFolders(KnownFolderPath(application->root), application->userData)
                    .empty();
    if (rule.detectPaths.empty() && rule.detectKeys.empty())
        return !ResolveRuleFolders(target, &probing).empty();
    for (const RulePlace& place : rule.detectPaths)
        if (probing.PatternExists(KnownFolderPath(place.root), place.path)) return true;
    for (const std::wstring& key : rule.detectKeys)
        if (probing.RegistryKeyExists(key)) return true;
    return false;
}

void ScanRule(const RuleTarget& target, bool chosenById, IScanProgress* progress,
              const std::atomic<bool>* stop, ItemStore* store, RuleScanResult* result,
              RuleProbe* probe, const std::vector<std::string>* keptSites) {
    result->first = result->end = store->Count();
    RuleProbe own;
    RuleProbe& probing = probe ? *probe : own;
    const CleaningRule& rule = *target.rule;
    // Without a detection of its own, a rule is there when its folders are.
    const bool detects =
        target.application || !rule.detectPaths.empty() || !rule.detectKeys.empty();
    std::vector<RuleFolder> folders;
    if (!detects || IsDetected(target, &probing)) folders = ResolveRuleFolders(target, &probing);
    result->folders = folders.size();
    if (folders.empty()) return;
    // Whether files may be held is asked once, not per file: the clean's
    // own delete reports each file held open.
    result->running = target.application
                          ? LockHeld(*target.application, probing)
                          : !rule.processes.empty() && probing.ProcessRuns(rule.processes);
    static const std::vector<std::string> noSites;
    if ((result->editsDatabases = EditsDatabases(rule, keptSites ? *keptSites : noSites))) {
        std::vector<std::wstring> paths;
        for (const RuleFolder& folder : folders) paths.push_back(folder.path);
        PreviewEdits(target, paths, keptSites ? *keptSites : noSites, result->running, store,
                     &result->edits, &result->totals);
        result->end = store->Count();
        return;
    }

    const GuardContext guard = GuardContextOf(target, chosenById);
    Collector collector{result, store, progress, stop, rule, FileGuard(guard)};
    if (rule.olderThanDays > 0) collector.youngAfter = Ticks(AgeLimit(rule.olderThanDays));
    std::set<std::wstring> seen;
    if (Overlap(folders)) collector.seen = &seen;
    for (size_t i = 0; i < folders.size(); ++i) {
        if (collector.StopRequested()) break;
        collector.percent = static_cast<std::uint32_t>(i * 100 / folders.size());
        const RuleKey& key = *folders[i].key;
        if (key.removeSelf) result->emptiedFolders.push_back(folders[i].path);
        for (const auto& filter : FiltersOf(key)) {
            const std::wstring& root = folders[i].path;
            std::vector<std::wstring> places = {root};
            if (!filter.first.empty())
                places = probing.ExpandFolders(root.substr(0, root.size() - 1), filter.first);
            for (const std::wstring& place : places) {
                KeyVisitor visitor{collector, key, filter.second};
                collector.guarded = nullptr;
                ufc::WalkFolderTreeWithIds(place.c_str(), visitor);
            }
        }
    }
    result->end = store->Count();
    // Children were met after their parents: the deepest go first.
    std::reverse(result->emptiedFolders.begin(), result->emptiedFolders.end());
}

}  // namespace host
