#include "pipeline/edit_clean.h"

#include <algorithm>

#include "rules/probe.h"
#include "rules/rule_scan.h"

namespace host {

void CleanEdits(const ItemStore& store, const std::vector<std::uint32_t>& skip,
                IScanProgress* progress, const std::atomic<bool>* stop, Row* row,
                std::vector<ItemOutcome>* outcomes, HeldClean* held) {
    row->cleanResult = 1;
    ProgressInfo note = {};
    for (std::uint32_t i = row->first; i < row->end; ++i) {
        if (!store.Selected(i) || std::binary_search(skip.begin(), skip.end(), i)) continue;
        if (stop && stop->load()) {
            row->cleanResult = 2;
            return;
        }
        const std::wstring path = store.Path(i);
        auto edit = std::find_if(row->edits.begin(), row->edits.end(),
                                 [&](const RowEdit& e) { return e.database == path; });
        if (edit == row->edits.end()) continue;
        if (progress) {
            path.copy(note.path, std::min<std::size_t>(path.size(), kTextUnits - 1));
            note.count = static_cast<std::uint32_t>(row->cleanTotals.removed);
            progress->OnProgress(&note);
        }
        // The browser's lock file, asked again now: a running browser's
        // databases are left as they are.
        RuleProbe probe;
        const Application* application = row->target.application;
        const std::vector<std::wstring> files = EditFiles(*edit);
        std::uint64_t heldBytes = 0;
        edit->made = edit->inUse = false;
        if (application && LockHeld(*application, probe)) {
            edit->refused = row->target.InUseAdvice();
            edit->inUse = true;
        } else if (held && !held->NotHeld(*row) &&
                   !held->HoldCopies(files, &heldBytes, &edit->refused)) {
            edit->refused = L"its files cannot be held for undo: " + edit->refused;
        } else {
            // Held as they were: undo puts them back whole.
            if (heldBytes) {
                row->held += files.size();
                row->heldBytes += heldBytes;
            }
            MakeEdit(&*edit);
        }
        if (edit->made) {
            row->cleanTotals.removed += 1;
            row->cleanTotals.bytesFreed += Freed(*edit);
            (*outcomes)[i] = ItemOutcome::Removed;
        } else {
            // As a rule's clean counts files: one held open is in use, not failed.
            (edit->inUse ? row->inUse : row->cleanTotals.failed) += 1;
            (*outcomes)[i] = edit->inUse ? ItemOutcome::InUse : ItemOutcome::Remained;
        }
    }
}

}  // namespace host
