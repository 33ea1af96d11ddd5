// A held clean: the files a clean removes are moved into the undo store
// instead of deleted, through the clean's own deleter and identity check,
// with the store's journal written ahead of every batch of moves. A file
// that cannot be held (its volume has no store, the move failed for another
// reason than its use, the store cannot be opened) is deleted as a plain
// clean would and counted not undoable.
//
// The files of the user's places go into the user's store; an elevated
// clean holds the files of system places (outside the user's profile) in
// the machine's store.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "pipeline/undo_policy.h"
#include "rules/rule_clean.h"
#include "undo/held_run.h"
#include "undo/runs.h"
#include "undo/store.h"

namespace host {

constexpr std::uint32_t kDefaultKeepDays = 7;

struct UndoOptions {
    UndoMode mode = UndoMode::None;
    std::wstring what;  // what was chosen, as the history shows it
    std::uint32_t keepDays = kDefaultKeepDays;
};

// What a held clean held, for its reports.
struct UndoSummary {
    std::vector<std::wstring> runs;  // the runs it made, the user's store first
    std::uint64_t files = 0, bytes = 0;
    std::uint64_t notUndoable = 0;  // deleted for they could not be held
    std::uint64_t until = 0;        // FILETIME ticks, UTC: when the runs expire
    std::wstring trouble;           // why files could not be held, the first reason
};

class HeldClean : public FileTaker {
public:
    explicit HeldClean(const UndoOptions& options);
    HeldClean(const HeldClean&) = delete;
    HeldClean& operator=(const HeldClean&) = delete;

    void Announce(const ItemStore& store, const std::vector<std::uint32_t>& items) override;
    DWORD Take(ufc::RootedDeleter& deleter, const ItemStore& store, std::uint32_t item,
               bool* held) override;
    void Settle() override;
    // Why the row's files are not held (the mode's table), null when they are.
    const wchar_t* NotHeld(const Row& row) const { return NotHeldReason(row, options_.mode); }
    // Copies files (a database about to be edited, with its -wal and
    // -journal) into the user's run as they are now, so that undo puts them
    // back whole; false with why when they cannot all be held. bytes gets
    // what the copies hold.
    bool HoldCopies(const std::vector<std::wstring>& files, std::uint64_t* bytes,
                    std::wstring* why);
    // Marks the runs finished; the summary is then whole.
    void Finish();
    const UndoSummary& Summary() const { return summary_; }

private:
    struct Slot {
        undo::StoreKind kind;
        undo::Store store;
        std::unique_ptr<undo::HeldRun> run;
        bool tried = false;
    };
    undo::HeldRun* RunFor(Slot& slot);
    Slot& SlotFor(const std::wstring& path);
    void Trouble(const std::wstring& why);

    UndoOptions options_;
    bool elevated_;
    std::wstring profile_;  // folded, with a trailing backslash
    std::uint64_t started_;
    std::array<Slot, 2> slots_;
    // The items of the batch announced last: their slot and index there.
    std::unordered_map<std::uint32_t, std::pair<std::size_t, std::uint32_t>> batch_;
    UndoSummary summary_;
};

// The stores there are to read: the user's, and the machine's when this
// host is elevated; none is made when missing.
struct OpenStores {
    std::vector<undo::Store> stores;
    std::wstring why;  // why the user's cannot be opened, when it cannot
};
void OpenUndoStores(OpenStores* open);

// Lets go, in every store there is, the runs older than keepDays, then,
// while their volume's free space stays under minFreePercent, the oldest
// others. The bytes let go.
std::uint64_t PurgeUndoStores(std::uint32_t keepDays, std::uint32_t minFreePercent = 10);

}  // namespace host
