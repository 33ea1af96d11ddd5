// Taking a held run back, and completing one a crash cut short.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "undo/store.h"

namespace undo {

// Which files to take back, by their original full path; empty: all.
using PathFilter = std::function<bool(const std::wstring& path)>;

struct RestoreResult {
    std::uint64_t restored = 0;  // back at their own paths
    std::uint64_t bytes = 0;     // of all restored, beside ones too
    // Restored beside their paths, which were taken again: original path
    // and the name the file got there ("name (restored).ext").
    std::vector<std::pair<std::wstring, std::wstring>> beside;
    // Still held: original path and why (a link on its way, a folder that
    // cannot be made, a held file that is not the one moved).
    std::vector<std::pair<std::wstring, DWORD>> failed;
    bool runRemoved = false;  // nothing was left held: the run is gone
};

// Puts the held files of run id (those only accepts) back at their paths:
// each moved by its handle into its folder, reached and remade as a clean
// reaches it (anchored at the run's roots, never through a link), its
// dates and attributes set as they were; folders made again get theirs
// once their files are back. A file whose name is taken is put beside it.
// why names a failure to read the run (a damaged journal among them).
DWORD Restore(const Store& store, const std::wstring& id, const PathFilter& only,
              RestoreResult* result, std::wstring* why);

// "name (restored).ext" for n 1, "name (restored n).ext" after. A name
// whose only dot starts or ends it has no extension.
std::wstring BesideName(const std::wstring& name, unsigned n);

struct CompleteResult {
    std::uint64_t held = 0;     // moved now, or found moved
    std::uint64_t deleted = 0;  // could not be moved: deleted, not undoable
    std::uint64_t left = 0;     // still in place (in use, changed, gone)
};

// Completes a run cut short: every file its journal announced and no mark
// settles is held now (as the clean would have), or found already held;
// the run is then marked finished. result counts every file of the run.
DWORD Complete(const Store& store, const std::wstring& id, CompleteResult* result,
               std::wstring* why);

}  // namespace undo
