// Removing found items: files one by one, registry values by key and name,
// recycle-bin entries by emptying the bin. The category of a clean selects
// the routine.
#include <windows.h>

#include <shellapi.h>
#include <shlwapi.h>

#include "core/progress.h"
#include "core/system_clean.h"
#include "fs/rooted_delete.h"
#include "fs/path_text.h"

namespace {

constexpr DWORD kQuietEmptying = SHERB_NOCONFIRMATION | SHERB_NOPROGRESSUI | SHERB_NOSOUND;

enum class Outcome { Skipped, Removed, Failed };

// The loop that file and registry-value removal share. attempt(item, report)
// handles one selected item and calls report(path) once it knows what to
// show. The percent grows only with each success: 100 * (removed + 1) / n.
template <typename Attempt>
std::uint32_t RemoveSelected(const CSystemClean& cleaner, const ResultList& items,
                             CleanTotals* totals, IScanProgress* callback, Attempt attempt) {
    std::uint64_t selected = 0;
    for (const FoundItem& item : items) selected += item.selected == 1;
    if (selected == 0) return 1;

    std::uint32_t accumulator = 100;
    std::uint32_t removedSoFar = 0;
    for (const FoundItem& item : items) {
        if (cleaner.StopRequested()) return 2;
        if (item.selected == 0) continue;
        auto report = [&](const wchar_t* path) {
            ufc::ReportProgress(callback, item.category, path,
                                ufc::StepPercent(accumulator, selected), removedSoFar);
        };
        switch (attempt(item, report)) {
            case Outcome::Skipped:
                break;
            case Outcome::Removed:
                totals->removed += 1;
                totals->bytesFreed += item.size;
                removedSoFar += 1;
                accumulator += 100;
                break;
            case Outcome::Failed:
                totals->failed += 1;
                break;
        }
    }
    return 1;
}

// Deletes folder + name, and only a file: a name that turns out to be a
// folder (or a link to one), a file reached through a link below the
// scan's folder, or a file whose size or last write is not what the scan
// recorded (rewritten or replaced since), is counted failed and left as it
// is. A record without a date is checked for links only.
template <typename Report>
Outcome DeleteItemFile(ufc::RootedDeleter& deleter, const FoundItem& item, Report report) {
    if (!item.folder[0]) return Outcome::Skipped;
    wchar_t path[ufc::kPathUnits];
    // A path that does not fit is never cut short into another file's name.
    if (!ufc::CopyExact(path, item.folder) ||
        (!ufc::EndsWithBackslash(path) && !ufc::AppendExact(path, L"\\")) ||
        !ufc::AppendExact(path, item.name))
        return Outcome::Failed;
    report(path);
    return deleter.DeleteFile(path, ufc::RecordIdentity(item.size, item.written)) == ERROR_SUCCESS
               ? Outcome::Removed
               : Outcome::Failed;
}

// folder holds the key below HKEY_CURRENT_USER, a backslash and the value name.
template <typename Report>
Outcome DeleteItemValue(const FoundItem& item, Report report) {
    report(item.name);
    const wchar_t* lastBackslash = wcsrchr(item.folder, L'\\');
    if (!lastBackslash) return Outcome::Skipped;
    wchar_t key[ufc::kPathUnits] = {};
    std::size_t keyUnits = static_cast<std::size_t>(lastBackslash - item.folder);
    for (std::size_t i = 0; i < keyUnits; ++i) key[i] = item.folder[i];
    key[keyUnits] = 0;
    return SHDeleteValueW(HKEY_CURRENT_USER, key, lastBackslash + 1) == ERROR_SUCCESS
               ? Outcome::Removed
               : Outcome::Failed;
}

// The removal routine of each category, 1 to 24.
using Routine = std::uint32_t (*)(CSystemClean&, const ResultList&, CleanTotals*, IScanProgress*);

std::uint32_t Files(CSystemClean& c, const ResultList& items, CleanTotals* t, IScanProgress* p) {
    return c.DeleteFoundFiles(items, t, p);
}
std::uint32_t Values(CSystemClean& c, const ResultList& items, CleanTotals* t, IScanProgress* p) {
    return c.DeleteFoundRegistryValues(items, t, p);
}
std::uint32_t Tracks(CSystemClean& c, const ResultList&, CleanTotals*, IScanProgress*) {
    return static_cast<std::uint32_t>(c.ClearBrowserTracks());
}
std::uint32_t Bins(CSystemClean& c, const ResultList& items, CleanTotals* t, IScanProgress*) {
    return static_cast<std::uint32_t>(c.EmptyRecycleBins(items, t, nullptr));
}
std::uint32_t Clipboard(CSystemClean& c, const ResultList&, CleanTotals*, IScanProgress*) {
    c.ClearClipboard();
    return 1;
}
std::uint32_t Nothing(CSystemClean&, const ResultList&, CleanTotals*, IScanProgress*) {
    return 1;
}

// clang-format off
const Routine kRoutines[] = {
    /*  1 */ Files,  /*  2 */ Files, /*  3 */ Files,  /*  4 */ Values,
    /*  5 */ Tracks, /*  6 */ Files, /*  7 */ Files,  /*  8 */ Values,
    /*  9 */ Files,  /* 10 */ Files, /* 11 */ Files,  /* 12 */ Files,
    /* 13 */ Files,  /* 14 */ Files, /* 15 */ Files,  /* 16 */ Bins,
    /* 17 */ Clipboard, /* 18 */ Files, /* 19 */ Files, /* 20 */ Files,
    /* 21 */ Files,  /* 22 */ Files, /* 23 */ Files,  /* 24 */ Nothing,
};
// clang-format on
static_assert(sizeof kRoutines / sizeof kRoutines[0] == kCategoryNone, "one routine per category");

}  // namespace

std::uint32_t CSystemClean::CleanUnusedFile(int category, const ResultList& items,
                                            CleanTotals* totals, IScanProgress* callback) {
    if (category < 1 || category > static_cast<int>(kCategoryNone)) return 1;
    return kRoutines[category - 1](*this, items, totals, callback);
}

std::uint32_t CSystemClean::CleanItems(ResultList items, CleanTotals* totals,
                                       IScanProgress* callback) {
    if (items.empty()) return 1;
    const FoundItem& first = items.front();
    if (first.category == kCategoryRecycleBin) {
        // The bin of the drive that held the first item; done either way.
        std::wstring root = first.folder;
        EmptyRecycleBins(std::move(items), totals, root.c_str());
        return 1;
    }
    return DeleteFoundFiles(std::move(items), totals, callback);
}

std::uint32_t CSystemClean::DeleteFoundFiles(ResultList items, CleanTotals* totals,
                                             IScanProgress* callback) {
    // Items of one folder follow each other: the deleter keeps that folder
    // open from one to the next.
    ufc::RootedDeleter deleter(ScanRoots());
    return RemoveSelected(*this, items, totals, callback,
                          [&deleter](const FoundItem& item, auto report) {
                              return DeleteItemFile(deleter, item, report);
                          });
}

std::uint32_t CSystemClean::DeleteFoundRegistryValues(ResultList items, CleanTotals* totals,
                                                      IScanProgress* callback) {
    return RemoveSelected(*this, items, totals, callback, [](const FoundItem& item, auto report) {
        return DeleteItemValue(item, report);
    });
}

int CSystemClean::EmptyRecycleBins(ResultList items, CleanTotals* totals, const wchar_t* root) {
    // The bin goes whole, deselected entries with it; the totals say so.
    std::uint64_t bytes = 0;
    for (const FoundItem& item : items) bytes += item.size;
    if (SHEmptyRecycleBinW(nullptr, root, kQuietEmptying) != S_OK) return 0;
    totals->removed = items.size();
    totals->bytesFreed = bytes;
    return 1;
}

int CSystemClean::QueryRecycleBins(ScanTotals* totals, const wchar_t* drive) {
    wchar_t first = L'C', last = L'Z';
    if (drive) {
        first = last = (drive[0] >= L'a' && drive[0] <= L'z')
                           ? static_cast<wchar_t>(drive[0] - L'a' + L'A')
                           : drive[0];
    }
    for (wchar_t letter = first; letter <= last && letter <= L'Z'; ++letter) {
        wchar_t root[] = {letter, L':', L'\\', 0};
        SHQUERYRBINFO info = {};
        info.cbSize = sizeof info;  // 20 in the 32-bit build, where the record is packed
        if (FAILED(SHQueryRecycleBinW(root, &info)) || info.i64NumItems == 0) continue;
        totals->bytes += static_cast<std::uint64_t>(info.i64Size);
        totals->count += static_cast<std::uint64_t>(info.i64NumItems);
    }
    return 1;
}

HRESULT CSystemClean::EmptyRecycleBin() {
    return SHEmptyRecycleBinW(nullptr, nullptr, kQuietEmptying);
}
