// A held clean: the files a clean removes are moved into a run folder of
// the undo store instead of being deleted, each by the handle that proved
// it is the file the scan listed. The run's journal announces every file
// before it moves, and marks what became of it after.
//
// A clean drives it a batch at a time:
//     Plan(files)            the batch's records, flushed: nothing has moved yet
//     Hold(first + k, ...)   each file of the batch, through the clean's deleter
//     Commit()               the marks of the moves, flushed
// and Finish() at the end. Plan only what is to go: a run cut short is
// completed by moving what its journal announced.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "undo/journal.h"
#include "undo/store.h"
#include "fs/handles.h"
#include "fs/rooted_delete.h"

namespace undo {

// The folders of a run's folder that hold its files, kHeldPerFolder each.
// One folder for a whole run would make every move slower than the one
// before under Wine, which reads every name of a folder before it adds one.
class HeldFolders {
public:
    explicit HeldFolders(HANDLE run = nullptr) : run_(run) {}
    // The folder item index is held in (made first when make), kept open
    // until another is asked for; null, with error, when there is none.
    HANDLE For(std::uint32_t index, bool make, DWORD* error);

private:
    HANDLE run_;
    std::uint32_t number_ = UINT32_MAX;
    ufc::unique_handle folder_;
    DWORD error_ = ERROR_SUCCESS;
};

// Holds the file at path as item index of a run whose held folders are
// folders (made as needed), through deleter; state and error get its mark.
ufc::HoldOutcome HoldItem(ufc::RootedDeleter& deleter, HeldFolders& folders, std::uint32_t index,
                          const std::wstring& path, const ufc::FileIdentity& expected,
                          ItemState* state, DWORD* error);

struct RunStart {
    std::wstring what;                // what was chosen, as the report says it
    std::vector<std::wstring> roots;  // the roots of the clean's deleter
    std::uint64_t started = 0;        // FILETIME ticks, UTC; 0: now
};

struct PlannedFile {
    std::wstring path;           // the full path the clean deletes
    ufc::FileIdentity expected;  // what the scan listed
    bool copy = false;           // held as a copy (Copy), the file staying
};

class HeldRun {
public:
    // Makes the run's folder and journal in store and writes the run's
    // record. why says what failed.
    static DWORD Begin(const Store& store, const RunStart& start, std::unique_ptr<HeldRun>* run,
                       std::wstring* why);
    ~HeldRun();
    HeldRun(const HeldRun&) = delete;
    HeldRun& operator=(const HeldRun&) = delete;

    const std::wstring& Id() const { return run_.id; }

    // Announces files, written and flushed before any of them moves; they
    // get the indices *first, *first + 1, ... A new plan ends the batch of
    // the one before.
    DWORD Plan(const std::vector<PlannedFile>& files, std::uint32_t* first);

    // Holds file index of the latest plan through deleter (anchored at the
    // run's roots): moved into the run's folder, or deleted when the move
    // fails for another reason than its use (not undoable: moveError says
    // why; ERROR_NOT_SAME_DEVICE when its volume is not the store's).
    ufc::HoldOutcome Hold(std::uint32_t index, ufc::RootedDeleter& deleter);

    // Holds a copy of file index of the latest plan (planned as a copy): its
    // bytes, dates and attributes as they are now, read through deleter's
    // folders, the file itself left in place. held false, with error, when
    // no whole copy could be made. A restore puts the copy back over the
    // file. Commit before the file is changed.
    ufc::HoldOutcome Copy(std::uint32_t index, ufc::RootedDeleter& deleter);

    // Writes the marks of the files held since the last commit, flushed.
    DWORD Commit();
    // Commits and marks the run finished.
    DWORD Finish();

private:
    struct Planned {
        std::wstring path;
        std::uint32_t folder;  // its folder's number in the journal
        std::size_t nameAt;    // where its name starts in path
        ufc::FileIdentity expected;
    };

    HeldRun() = default;
    void NoteFolder(const Planned& file, ufc::RootedDeleter& deleter);

    Journal run_;  // the run's own record
    ufc::unique_handle folder_;
    HeldFolders held_;
    ufc::unique_handle journalFile_;
    std::unique_ptr<JournalWriter> writer_;
    std::vector<Planned> batch_;
    std::uint32_t batchFirst_ = 0;  // the index of batch_[0]
    std::uint32_t folders_ = 0;     // folder numbers given so far
    std::wstring lastFolder_;       // the folder of the last file planned
    std::uint32_t notedFolder_ = UINT32_MAX;
    std::size_t marks_ = 0;  // marks written since the last flush
};

// The journal file of a run, opened below its folder to append to.
DWORD OpenJournalToAppend(HANDLE runFolder, bool create, ufc::unique_handle* file);
// Ends a journal read back (opened by OpenJournalToAppend) after its last
// whole record and appends from there: a record appended after one a crash
// cut short would make the journal unreadable.
DWORD CutToWholeRecords(HANDLE file, std::uint64_t wholeBytes);

}  // namespace undo
