// The lock under which the user's records are read, changed and written
// back.
#pragma once

#include <string>

#include "fs/handles.h"

namespace host {

// Held while the records (profiles, schedules.json and the schedules' tasks)
// are read, changed and written back: an exclusive open of records.lock in
// the user's data folder, deleted when let go. Commands of one user, in any
// session, take turns; a process that dies lets go. Not reentrant: a
// command takes it once.
class RecordsLock {
public:
    RecordsLock() = default;
    RecordsLock(const RecordsLock&) = delete;
    RecordsLock& operator=(const RecordsLock&) = delete;

    // Waits up to a minute for another command to finish; false with the
    // reason.
    bool Acquire(std::wstring* error);

private:
    ufc::unique_hfile file_;  // the lock file goes with its handle
};

}  // namespace host
