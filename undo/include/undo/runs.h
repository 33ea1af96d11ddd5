// The runs a store holds: read back from their journals, listed, and let go
// when they expire, when the volume runs short of space, or on demand.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "undo/journal.h"
#include "undo/store.h"
#include "fs/handles.h"

namespace undo {

constexpr std::uint64_t kTicksPerDay = 864000000000ull;

// A run of a store as its journal and its folder show it.
struct StoredRun {
    Journal journal;
    ufc::unique_handle folder;
    ufc::unique_handle journalFile;  // open to append when asked for
};

// Reads run id of store. A file its journal announced without a mark is
// held when its folder holds that file's name with the size (and id) the
// scan listed; else it never moved. A damaged journal is refused
// (ERROR_FILE_CORRUPT) and why says where; why names every other failure too.
DWORD OpenRun(const Store& store, const std::wstring& id, bool append, StoredRun* run,
              std::wstring* why);

struct RunSummary {
    std::wstring id;
    std::uint64_t started = 0;  // FILETIME ticks, UTC (from the id when the journal is damaged)
    std::wstring what;
    std::uint64_t files = 0;  // held now
    std::uint64_t bytes = 0;  // held now
    std::uint64_t until = 0;  // when it expires
    bool finished = false;    // false: the clean was cut short
    std::wstring damage;      // why its journal is refused; empty when it was read
};

// The runs of store, oldest first. Folders of the store that are not runs
// are left out.
DWORD ListRuns(const Store& store, std::uint32_t keepDays, std::vector<RunSummary>* runs);

// Lets run id go: its journal first (so no restore starts on it), then its
// files and folder. ERROR_SHARING_VIOLATION while a clean or a restore has
// the run open.
DWORD PurgeRun(const Store& store, const std::wstring& id);

struct PurgePolicy {
    std::uint64_t now = 0;  // FILETIME ticks, UTC
    std::uint32_t keepDays = 7;
    std::uint32_t minFreePercent = 10;  // of the volume's size
};

struct VolumeSpace {
    std::uint64_t free = 0;
    std::uint64_t total = 0;
};

// The free space of the store's volume (as this user may use it) and its size.
DWORD MeasureSpace(const Store& store, VolumeSpace* space);

struct PurgeResult {
    std::vector<std::wstring> expired;   // older than the days kept
    std::vector<std::wstring> forSpace;  // let go early, oldest first, for free space
    std::uint64_t bytes = 0;             // the bytes they held
};

// Lets go the runs that expired, then, while space.free (with what those
// freed) stays under the policy's share of space.total, the oldest others.
void Purge(const Store& store, const PurgePolicy& policy, const VolumeSpace& space,
           PurgeResult* result);

}  // namespace undo
