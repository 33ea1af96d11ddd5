// The folder scanner and the folder counter. Both walk depth first in the
// order the enumeration delivers the entries, with every path in a 260-unit
// buffer on the stack; a scan allocates only the list node of each accepted
// file (and the filter's tokens, once per call).
#include "core/progress.h"
#include "core/system_clean.h"
#include "scan/file_helpers.h"
#include "fs/folder_walk.h"
#include "scan/text_rules.h"
#include "fs/handles.h"

namespace {

// What stays the same for every folder of one ScanFolder call.
struct ScanRun {
    CSystemClean& cleaner;
    ResultList* results;
    ScanTotals* totals;
    IScanProgress* callback;
    const ufc::ExtensionTokens* tokens;  // null: every file passes
    int recurse;
};

// The lock test: only a file that nobody else holds open, and that may be
// written, is offered for removal.
bool CanOpenExclusively(const wchar_t* path) {
    ufc::unique_hfile file(CreateFileW(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.valid();
}

void AcceptFile(const ScanRun& run, const wchar_t* prefix, const WIN32_FIND_DATAW& entry) {
    std::uint64_t size = ufc::EntrySize(entry);
    run.totals->count += 1;
    run.totals->bytes += size;
    FoundItem& item = run.results->emplace_back();
    item.category = run.cleaner.CurrentCategory;
    item.selected = 1;
    item.size = size;
    // The last write comes with the entry, as the size does: the clean
    // compares both with the file it opens, so a file changed since is left.
    FileTimeToSystemTime(&entry.ftLastWriteTime, &item.written);
    ufc::CopyExact(item.name, entry.cFileName);
    ufc::CopyExact(item.folder, prefix);
    run.cleaner.FoundCount += 1;
}

// The scan's answers to the shared walk.
struct ScanVisitor {
    const ScanRun& run;

    bool StopRequested() const { return run.cleaner.StopRequested(); }
    bool EnterFolder(const wchar_t*, const WIN32_FIND_DATAW&) const { return run.recurse != 0; }

    void VisitFile(const wchar_t* prefix, const WIN32_FIND_DATAW& entry) const {
        CSystemClean& cleaner = run.cleaner;
        cleaner.ExaminedCount += 1;
        wchar_t path[ufc::kPathUnits];
        if (!ufc::JoinPath(path, prefix, entry.cFileName)) return;  // too deep to name

        // Progress is reported before the tests below, so the host sees every
        // file met, also those that are then dropped.
        ufc::ReportProgress(run.callback, cleaner.CurrentCategory, path,
                            ufc::WalkPercent(cleaner.ExaminedCount, cleaner.ExpectedCount),
                            static_cast<std::uint32_t>(cleaner.FoundCount));
        if (!CanOpenExclusively(path)) return;
        if (run.tokens && !ufc::ExtensionMatchesFilter(entry.cFileName, *run.tokens)) return;
        AcceptFile(run, prefix, entry);
    }
};

// What the folder counter adds up.
struct MeasureVisitor {
    std::uint64_t* fileCount;
    std::uint64_t* folderCount;
    std::uint64_t* byteCount;
    int recurse;

    static bool StopRequested() { return false; }
    bool EnterFolder(const wchar_t*, const WIN32_FIND_DATAW&) const {
        *folderCount += 1;
        return recurse != 0;
    }
    void VisitFile(const wchar_t*, const WIN32_FIND_DATAW& entry) const {
        *fileCount += 1;
        *byteCount += ufc::EntrySize(entry);
    }
};

}  // namespace

std::uint32_t CSystemClean::ScanFolder(const wchar_t* folder, ResultList* results,
                                       ScanTotals* totals, IScanProgress* callback,
                                       const wchar_t* extensionFilter, int recurse) {
    if (!folder) return 0;
    // An empty filter text is taken as no filter.
    ufc::ExtensionTokens tokens;
    bool filtering = extensionFilter && extensionFilter[0];
    if (filtering) ufc::SplitExtensionFilter(extensionFilter, &tokens);

    // A bare drive such as D: is refused (it would name the drive's current
    // folder); D:\ is accepted. An empty text never turns into a root.
    wchar_t prefix[ufc::kPathUnits];
    if (ufc::TextLength(folder) < 3 || !ufc::CopyExact(prefix, folder)) return 1;
    if (!ufc::EndsWithBackslash(prefix) && !ufc::AppendExact(prefix, L"\\")) return 1;

    ScanRun run{*this, results, totals, callback, filtering ? &tokens : nullptr, recurse};
    ScanVisitor visitor{run};
    return ufc::WalkFolderTree(prefix, visitor).stopped ? 2 : 1;
}

namespace ufc {

DWORD MeasureFolder(const wchar_t* folder, std::uint64_t* fileCount, std::uint64_t* folderCount,
                    std::uint64_t* byteCount, int recurse) {
    if (!folder) return ERROR_INVALID_PARAMETER;
    // What a failed special-folder lookup yields: "\*.*" would count the
    // whole current drive, so there is nothing to count.
    if (!folder[0]) return ERROR_PATH_NOT_FOUND;
    // A backslash is always inserted: callers pass folders without one.
    wchar_t prefix[kPathUnits];
    if (!JoinPath(prefix, folder, L"\\")) return ERROR_FILENAME_EXCED_RANGE;
    MeasureVisitor visitor{fileCount, folderCount, byteCount, recurse};
    return WalkFolderTree(prefix, visitor).lastError;
}

void AddFileCount(const wchar_t* folder, std::uint64_t* fileCount, int recurse) {
    std::uint64_t folders = 0, bytes = 0;
    MeasureFolder(folder, fileCount, &folders, &bytes, recurse);
}

}  // namespace ufc
