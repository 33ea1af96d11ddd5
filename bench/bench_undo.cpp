// The three operations run on the same 100,000 files in each round: the
// plain clean deletes them (and they are written again, untimed), the held
// clean moves them into the user's undo store, the restore moves them back.
#include "bench_undo.h"

#include <cstdio>
#include <vector>

#include "bench_clock.h"
#include "core/system_clean.h"
#include "undo/held_run.h"
#include "undo/restore.h"
#include "undo/runs.h"
#include "fs/rooted_delete.h"

namespace bench {

namespace {

// The hosts' removal hands items over in chunks of this many.
constexpr std::size_t kChunk = 4096;

struct Round {
    double plain = 0, held = 0, undo = 0;
};

}  // namespace

bool CompareUndo(const SyntheticTree& tree, Report* report) {
    CSystemClean cleaner;
    ResultList found;
    ScanTotals totals;
    cleaner.GetUnusedFile(kCategoryWindowsTemp, &found, &totals, nullptr);
    std::vector<undo::PlannedFile> files;
    for (const FoundItem& item : found)
        files.push_back(
            {std::wstring(item.folder) + item.name, ufc::RecordIdentity(item.size, item.written)});
    undo::Store store;
    std::wstring why;
    if (store.Open(undo::Store::DefaultPath(undo::StoreKind::User), undo::StoreKind::User, &why) !=
        ERROR_SUCCESS) {
        std::printf("undo: the store cannot be opened: %ls\n", why.c_str());
        return false;
    }
    // Runs an earlier benchmark left.
    std::vector<undo::RunSummary> runs;
    undo::ListRuns(store, 7, &runs);
    for (const undo::RunSummary& run : runs) undo::PurgeRun(store, run.id);

    bool valid = files.size() == tree.Files(true);
    // The ratios are taken within each round, where the three operations
    // meet the machine alike, and their medians kept.
    std::vector<double> plainTimes, heldTimes, undoTimes, heldRatios, undoRatios;
    for (int round = 0; round <= kRuns; ++round) {
        Round r;
        std::uint64_t deleted = 0, held = 0, journalBytes = 0;
        undo::RestoreResult restored;
        auto plain = [&] {
            r.plain = TimeOf([&] {
                ufc::RootedDeleter deleter({tree.Temp()});
                for (const undo::PlannedFile& file : files)
                    deleted += deleter.DeleteFile(file.path.c_str(), file.expected) == 0;
            });
            for (const FoundItem& item : found) valid = tree.Recreate(item) && valid;
        };
        auto heldThenUndo = [&] {
            std::wstring id;
            r.held = TimeOf([&] {
                std::unique_ptr<undo::HeldRun> run;
                if (undo::HeldRun::Begin(store, {L"benchmark", {tree.Temp()}, 0}, &run, &why))
                    return;
                ufc::RootedDeleter deleter({tree.Temp()});
                for (std::size_t at = 0; at < files.size(); at += kChunk) {
                    const std::vector<undo::PlannedFile> chunk(
                        files.begin() + at, files.begin() + std::min(files.size(), at + kChunk));
                    std::uint32_t first = 0;
                    if (run->Plan(chunk, &first)) return;
                    for (std::uint32_t i = 0; i < chunk.size(); ++i)
                        held += run->Hold(first + i, deleter).held;
                    run->Commit();
                }
                run->Finish();
                id = run->Id();
            });
            WIN32_FILE_ATTRIBUTE_DATA journal;
            if (GetFileAttributesExW((store.Path() + L"\\" + id + L"\\journal").c_str(),
                                     GetFileExInfoStandard, &journal))
                journalBytes = journal.nFileSizeLow;
            r.undo = TimeOf([&] { undo::Restore(store, id, nullptr, &restored, &why); });
        };
        if (round % 2 == 0) {
            plain();
            heldThenUndo();
        } else {
            heldThenUndo();
            plain();
        }
        const bool ok = deleted == files.size() && held == files.size() &&
                        restored.restored == files.size() && restored.runRemoved;
        valid = valid && ok;
        std::printf(
            "  undo round %d: plain clean %.3f s, held clean %.3f s (%.2fx), undo %.3f s (%.2fx);"
            " journal %.1f bytes per file%s\n",
            round, r.plain, r.held, r.plain > 0 ? r.held / r.plain : 0, r.undo,
            r.held > 0 ? r.undo / r.held : 0,
            files.empty() ? 0.0 : static_cast<double>(journalBytes) / files.size(),
            ok ? "" : " (CHECK FAILED: not every file went and came back)");
        std::fflush(stdout);
        if (round == 0) continue;
        plainTimes.push_back(r.plain);
        heldTimes.push_back(r.held);
        undoTimes.push_back(r.undo);
        heldRatios.push_back(r.plain > 0 ? r.held / r.plain : 0);
        undoRatios.push_back(r.held > 0 ? r.undo / r.held : 0);
    }
    const double plainTime = Median(plainTimes), heldTime = Median(heldTimes),
                 undoTime = Median(undoTimes);
    report->Add({"held clean", files.size(), heldTime, plainTime});
    report->Add({"undo", files.size(), undoTime, heldTime});
    report->AddTarget("held/plain", Median(heldRatios), 1.1, false);
    report->AddTarget("undo/held", Median(undoRatios), 1.2, false);
    return valid;
}

}  // namespace bench
