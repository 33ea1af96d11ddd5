// The three operations run on the same 100,000 files in each round: the
// plain clean deletes them (and they are written again, untimed), the held
// clean moves them into the user's undo store, the restore moves them back.
// Then the pipeline's clean of them as a host runs it: deleted by the
// module (plain) against held by the pipeline.
#include "bench_undo.h"

#include <shlobj.h>

#include <cstdio>
#include <vector>

#include "bench_clock.h"
#include "core/system_clean.h"
#include "undo/held_run.h"
#include "undo/restore.h"
#include "undo/runs.h"
#include "fs/rooted_delete.h"
#include "pipeline/pipeline.h"

extern "C" Function::IUnusedFileClean* FunCreate();

namespace bench {

namespace {

// The hosts' removal hands items over in chunks of this many.
constexpr std::size_t kChunk = 4096;

struct Round {
    double plain = 0, held = 0, undo = 0;
};

// The pipeline's clean of the Windows temporary files found, every item
// selected; the seconds of Clean alone.
double PipelineClean(Function::IUnusedFileClean* cleaner, const ResultList& found,
                     const ScanTotals& totals, host::UndoMode mode, host::UndoSummary* held,
                     host::Totals* sum) {
    host::StopSignal stop;
    stop.Attach(cleaner);
    host::Pipeline run(cleaner, &stop);
    run.SetRows({host::CategoryRow(kCategoryWindowsTemp, true)});
    ResultList items = found;
    run.TakeItems(0, &items, totals);
    host::SelectOptions select;
    select.defaultKeep = false;
    run.Select(select);
    run.Plan();
    const double seconds = TimeOf([&] { run.Clean(nullptr, {mode, L"benchmark"}); });
    *held = run.UndoHeld();
    *sum = run.Sum();
    return seconds;
}

// The pipeline's held clean against its plain clean, the same files in
// each round: deleted and written again, or held and restored (untimed).
bool ComparePipeline(const SyntheticTree& tree, const ResultList& found, const ScanTotals& totals,
                     Report* report) {
    Function::IUnusedFileClean* cleaner = FunCreate();
    bool valid = cleaner != nullptr;
    std::vector<double> plainTimes, heldTimes, ratios;
    for (int round = 0; valid && round <= kRuns; ++round) {
        host::UndoSummary none, held;
        host::Totals sum;
        const double plain =
            PipelineClean(cleaner, found, totals, host::UndoMode::None, &none, &sum);
        // The clean of the temporary files removed the folders it emptied.
        std::wstring folder;
        for (const FoundItem& item : found) {
            if (folder != item.folder) SHCreateDirectoryExW(nullptr, item.folder, nullptr);
            folder = item.folder;
            valid = tree.Recreate(item) && valid;
        }
        const double holding =
            PipelineClean(cleaner, found, totals, host::UndoMode::All, &held, &sum);
        host::OpenStores open;
        host::OpenUndoStores(&open);
        undo::RestoreResult restored;
        std::wstring why;
        for (const undo::Store& store : open.stores)
            for (const std::wstring& id : held.runs)
                undo::Restore(store, id, nullptr, &restored, &why);  // in the store that has it
        valid = valid && held.files == found.size() && restored.restored == found.size();
        std::printf("  pipeline round %d: plain clean %.3f s, held clean %.3f s (%.2fx)%s\n", round,
                    plain, holding, plain > 0 ? holding / plain : 0,
                    valid ? "" : " (CHECK FAILED: not every file was held and came back)");
        if (!valid)
            std::printf(
                "  of %zu (removed %llu, failed %llu, changed %llu, in use %llu): held %llu, "
                "not undoable %llu, restored %llu; %ls\n",
                found.size(), static_cast<unsigned long long>(sum.removed),
                static_cast<unsigned long long>(sum.failed),
                static_cast<unsigned long long>(sum.changed),
                static_cast<unsigned long long>(sum.inUse),
                static_cast<unsigned long long>(held.files),
                static_cast<unsigned long long>(held.notUndoable),
                static_cast<unsigned long long>(restored.restored), held.trouble.c_str());
        std::fflush(stdout);
        if (round == 0) continue;
        plainTimes.push_back(plain);
        heldTimes.push_back(holding);
        ratios.push_back(plain > 0 ? holding / plain : 0);
    }
    if (cleaner) cleaner->Release();
    report->Add({"pipeline held clean", found.size(), Median(heldTimes), Median(plainTimes)});
    std::printf("  pipeline held/plain %.2f\n", Median(ratios));
    return valid;
}

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
    return ComparePipeline(tree, found, totals, report) && valid;
}

}  // namespace bench
