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

// A run of one of the undo stores.
struct HeldRunRef {
    undo::StoreKind kind = undo::StoreKind::User;
    std::wstring id;
    bool finished = true;  // false: cut short, completed before it is taken back
};

// What a job on the stores (an undo or a Free now of one or more runs)
// did, posted by the worker: the restores' results added up, the first
// failure.
struct UndoNote {
    bool freed = false;  // Free now; else an undo
    DWORD error = ERROR_SUCCESS;
    std::wstring why;
    undo::RestoreResult result;
};

// Takes the runs back (free: lets them go), as the worker does.
void UndoRuns(const std::vector<HeldRunRef>& runs, bool free, UndoNote* note);

class HistoryPage {
public:
    void Create(HWND parent);
    HWND List() const { return list_; }
    HWND Status() const { return status_; }
    HWND UndoButton() const { return undo_; }
    HWND FreeButton() const { return free_; }
    // Lists the runs of the stores there are again (the user's, and the
    // machine's when elevated); the bytes they hold now, all runs.
    std::uint64_t Load(UINT dpi);
    // Shows or hides the page's controls.
    void Show(bool shown);
    // Lays the page out in the tab's page rectangle.
    void Place(const RECT& page, UINT dpi);
    // The run selected in the list; null when none is.
    const undo::RunSummary* Selected() const;
    // The listed runs named by ids, in whichever store holds them.
    std::vector<HeldRunRef> Find(const std::vector<std::wstring>& ids) const;
    // The runs a listed row stands for: one clean may hold files in both
    // stores.
    const std::vector<HeldRunRef>& RefsOf(const undo::RunSummary& run) const;
    // Undo and Free now act on a selected run while nothing else runs.
    void Enable(bool idle);

    // The status line for a finished job on the clean named (holding bytes),
    // and, when some files went beside their paths or stayed held, a message
    // naming each.
    static std::wstring Summary(const std::wstring& clean, std::uint64_t bytes,
                                const UndoNote& note);
    static std::wstring Details(const UndoNote& note);

private:
    HWND list_ = nullptr, status_ = nullptr, undo_ = nullptr, free_ = nullptr;
    std::vector<undo::RunSummary> runs_;         // newest first, as listed
    std::vector<std::vector<HeldRunRef>> refs_;  // the runs of each
    bool idle_ = true;
};

}  // namespace gui
