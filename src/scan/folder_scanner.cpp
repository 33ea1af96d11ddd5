// The folder scanner and the folder counter. Both walk depth first in the
// order the enumeration delivers the entries, with every path in a 260-unit
// buffer on the stack; a scan allocates only the list node of each accepted
// file (and the filter's tokens, once per call).
#include "core/progress.h"
#include "core/system_clean.h"
#include "scan/file_helpers.h"
#include "scan/text_rules.h"
#include "scan/walk_rules.h"
#include "util/handles.h"

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
    std::uint64_t size =
        (static_cast<std::uint64_t>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
    run.totals->count += 1;
    run.totals->bytes += size;
    FoundItem& item = run.results->emplace_back();
    item.category = run.cleaner.CurrentCategory;
    item.selected = 1;
    item.size = size;
    ufc::CopyExact(item.name, entry.cFileName);
    ufc::CopyExact(item.folder, prefix);
    run.cleaner.FoundCount += 1;
}

void HandleFile(const ScanRun& run, const wchar_t* prefix, const WIN32_FIND_DATAW& entry) {
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

// prefix: the folder with its trailing backslash. 2 when stopped, else 1.
std::uint32_t WalkFolder(const ScanRun& run, const wchar_t* prefix) {
    wchar_t pattern[ufc::kPathUnits];
    if (!ufc::JoinPath(pattern, prefix, L"*.*")) return 1;
    WIN32_FIND_DATAW entry;
    ufc::unique_hfind find(FindFirstFileW(pattern, &entry));
    if (!find) return 1;
    do {
        if (run.cleaner.StopRequested()) return 2;
        if (ufc::IsFolderEntry(entry)) {
            wchar_t child[ufc::kPathUnits];
            // A stopped subfolder is not examined here: the flag is seen
            // again before the next entry.
            if (run.recurse && ufc::IsWalkableFolder(entry) &&
                ufc::JoinPath(child, prefix, entry.cFileName, L"\\"))
                WalkFolder(run, child);
            continue;
        }
        HandleFile(run, prefix, entry);
    } while (FindNextFileW(find.get(), &entry));
    return 1;
}

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
    return WalkFolder(run, prefix);
}

namespace ufc {

DWORD MeasureFolder(const wchar_t* folder, std::uint64_t* fileCount, std::uint64_t* folderCount,
                    std::uint64_t* byteCount, int recurse) {
    if (!folder) return ERROR_INVALID_PARAMETER;
    // What a failed special-folder lookup yields: "\*.*" would count the
    // whole current drive, so there is nothing to count.
    if (!folder[0]) return ERROR_PATH_NOT_FOUND;
    wchar_t pattern[kPathUnits];
    if (!JoinPath(pattern, folder, L"\\*.*")) return ERROR_FILENAME_EXCED_RANGE;
    WIN32_FIND_DATAW entry;
    unique_hfind find(FindFirstFileW(pattern, &entry));
    if (!find) return GetLastError();
    do {
        if (IsFolderEntry(entry)) {
            if (!IsWalkableFolder(entry)) continue;
            *folderCount += 1;
            wchar_t child[kPathUnits];
            if (recurse && JoinPath(child, folder, L"\\", entry.cFileName))
                MeasureFolder(child, fileCount, folderCount, byteCount, 1);
            continue;
        }
        *fileCount += 1;
        *byteCount += (static_cast<std::uint64_t>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
    } while (FindNextFileW(find.get(), &entry));
    return GetLastError();
}

void AddFileCount(const wchar_t* folder, std::uint64_t* fileCount, int recurse) {
    std::uint64_t folders = 0, bytes = 0;
    MeasureFolder(folder, fileCount, &folders, &bytes, recurse);
}

}  // namespace ufc
