// Control identifiers and the window's state property of ufclean-gui. The
// end-to-end tests find the controls by these numbers and wait on the state.
#pragma once

#include <windows.h>

namespace gui {

constexpr wchar_t kWindowClass[] = L"UfcleanGuiWindow";
// A window property holding one of the GuiState values, for whoever drives
// the window from outside (automation, the tests).
constexpr wchar_t kStateProperty[] = L"UfcleanGuiState";

enum GuiState : UINT_PTR {
    kStateReady = 1,    // nothing scanned yet
    kStateBusy = 2,     // a scan or a clean runs on the worker
    kStateScanned = 3,  // a scan ended (done or stopped)
    kStateCleaned = 4,  // a clean ended
};

enum ControlId : int {
    kIdTabs = 100,
    kIdCategories = 101,  // the tree of choices
    kIdItems = 102,
    kIdDrives = 103,
    kIdScan = 110,
    kIdStop = 111,
    kIdClean = 112,
    kIdProgress = 120,
    kIdStatus = 121,  // current path, running count, results
    kIdTotals = 122,  // found and selected sums
    kIdNotice = 123,  // why the recycle bin stays, when it does
    kIdFilter = 124,  // text in name or folder narrows the item list
    kIdFilterLabel = 125,
    kIdSpace = 126,    // the picture of the space; its text sums it up
    kIdCookies = 127,  // the sites holding cookies, a box each: kept
    kIdHistory = 140,  // the held cleans of the undo store
    kIdHistoryStatus = 141,
    kIdUndo = 142,
    kIdFreeNow = 143,
    kIdUndoMode = 144,  // what the next clean holds for undo: default, all, none
    kIdUndoModeLabel = 145,
    kIdUndoClean = 146,  // takes the last clean back
};

// The check box states of the tree's nodes (state image indices).
enum CheckState : int {
    kUnchecked = 1,
    kChecked = 2,
    kMixed = 3,
};

// Columns of the item list, in order.
enum ItemColumn : int {
    kColName,
    kColSize,
    kColType,
    kColCategory,
    kColWritten,
    kColCreated,
    kColAccessed,
    kColFolder,
    kColNote,
    kItemColumnCount
};

}  // namespace gui
