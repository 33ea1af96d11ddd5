// The History page: the held cleans of the undo store, newest first, with
// Undo (the selected run's files go back, on the worker thread) and Free
// now (the selected run's files are deleted at once).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "undo/restore.h"
#include "undo/runs.h"
#include "undo/store.h"

namespace gui {

// The store this process's held cleans use: the machine's when elevated,
// else the user's.
undo::StoreKind UndoStoreKind();
// Opens (or makes) that store; why says what failed.
DWORD OpenUndoStore(undo::Store* store, std::wstring* why);

// What a job on the store (an undo or a Free now) did, posted by the worker.
struct UndoNote {
    std::wstring id;
    bool freed = false;  // Free now; else an undo
    DWORD error = ERROR_SUCCESS;
    std::wstring why;
    undo::RestoreResult result;
};

class HistoryPage {
public:
    void Create(HWND parent);
    HWND List() const { return list_; }
    HWND Status() const { return status_; }
    HWND UndoButton() const { return undo_; }
    HWND FreeButton() const { return free_; }
    // Lists the store's runs again; the bytes they hold now, all runs.
    std::uint64_t Load(UINT dpi);
    // Shows or hides the page's controls.
    void Show(bool shown);
    // Lays the page out in the tab's page rectangle.
    void Place(const RECT& page, UINT dpi);
    // The run selected in the list; null when none is.
    const undo::RunSummary* Selected() const;
    // Undo and Free now act on a selected run while nothing else runs.
    void Enable(bool idle);

    // The status line for a finished job on run, and, when some files went
    // beside their paths or stayed held, a message naming each.
    static std::wstring Summary(const undo::RunSummary& run, const UndoNote& note);
    static std::wstring Details(const UndoNote& note);

private:
    HWND list_ = nullptr, status_ = nullptr, undo_ = nullptr, free_ = nullptr;
    std::vector<undo::RunSummary> runs_;  // newest first, as listed
    bool idle_ = true;
};

// "2026-12-07 19:45" in local time, from FILETIME ticks (UTC).
std::wstring LocalTimeOf(std::uint64_t ticks);

}  // namespace gui
