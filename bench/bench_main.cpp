// The benchmark program: each operation of the module against its floor,
// the bare system calls it is made of, in one process on one tree. Every
// figure is the median of five runs after a warm-up run; module and floor
// alternate within each run so that drift of the machine hits both alike.
//
//   ufc_bench.exe           100,000 files (and the 10,000-file tree)
//   ufc_bench.exe --quick   10,000 files (and 1,000), for trying it out
//   ufc_bench.exe --rules   the cleaning rules' figures alone
//   ufc_bench.exe --undo    a held clean and its undo against the plain clean
#include <windows.h>

#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench_clock.h"
#include "bench_floors.h"
#include "bench_report.h"
#include "bench_rules.h"
#include "bench_tree.h"
#include "bench_undo.h"
#include "core/system_clean.h"
#include "private_memory.h"
#include "scan/file_helpers.h"
#include "util/shell_folders.h"

namespace {

constexpr std::size_t kCleanChunk = 1000;  // items deleted per timed slice

// The host's side of a scan: counts the reports, keeps nothing.
class CountingProgress : public IScanProgress {
public:
    void OnProgress(const ProgressInfo*) override { ++reports; }
    std::uint64_t reports = 0;
};

// Counts like CountingProgress and samples the program's private memory
// every few thousand reports, so that a peak during the walk is seen.
class SamplingProgress : public CountingProgress {
public:
    explicit SamplingProgress(const host::PrivateMemory& memory) : memory_(memory) {}
    void OnProgress(const ProgressInfo* info) override {
        CountingProgress::OnProgress(info);
        if (reports % 5000 == 0) Sample();
    }
    void Sample() {
        std::uint64_t now = memory_.Bytes();
        if (now > peak) peak = now;
    }
    std::uint64_t peak = 0;

private:
    const host::PrivateMemory& memory_;
};

void Say(const char* format, ...) __attribute__((format(gnu_printf, 1, 2)));
void Say(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
    std::fflush(stdout);
}

class Benchmark {
public:
    Benchmark(std::wstring temp, std::wstring park, bench::TreeShape shape)
        : tree_(temp, std::move(park), shape), temp_(std::move(temp)) {}

    // rulesOnly: the cleaning rules' figures alone; undoOnly: undo's.
    bool Run(bool rulesOnly, bool undoOnly);

private:
    bool MeasureMemory();
    void CompareWalks(bool full);
    bool CompareClean();
    void CompareRules();
    void Check(bool ok, const char* what);

    bench::SyntheticTree tree_;
    std::wstring temp_;
    CSystemClean cleaner_;
    host::PrivateMemory memory_;
    ResultList found_;  // the full tree's scan result, cleaned at the end
    bench::Report report_;
    bool valid_ = true;
};

void Benchmark::CompareRules() {
    Say("cleaning rules:\n");
    bench::CompareRuleLoad(4000, &report_);
    Check(bench::CompareRuleScan(tree_.Files(true), &report_),
          "the rules listed and the walk met every file of the profile");
}

void Benchmark::Check(bool ok, const char* what) {
    if (ok) return;
    Say("  CHECK FAILED: %s\n", what);
    valid_ = false;
}

bool Benchmark::MeasureMemory() {
    if (!memory_.Available()) {
        Say("memory: UFC_BENCH_STATUS is not set; not measured\n");
        return true;
    }
    std::uint64_t seen = memory_.SeenOfTouched32MiB();
    Say("memory: touching 32 MiB moved RssAnon by %.1f MiB\n", seen / 1048576.0);
    if (seen < (30u << 20)) {
        Say("memory: the status file does not follow this process; not measured\n");
        return true;
    }
    SamplingProgress progress(memory_);
    ScanTotals totals;
    std::uint64_t before = memory_.Bytes();
    cleaner_.GetUnusedFile(kCategoryWindowsTemp, &found_, &totals, &progress);
    progress.Sample();
    Check(found_.size() == tree_.Files(true), "the scan found every file of the tree");
    if (found_.empty()) return false;
    report_.SetMemory(found_.size(), progress.peak - before, sizeof(std::_List_node<FoundItem>));
    return true;
}

void Benchmark::CompareWalks(bool full) {
    std::uint64_t files = tree_.Files(full);
    std::uint64_t moduleFiles = 0, floorFiles = 0;
    report_.Add(bench::Compare(
        "measure", files,
        [&] {
            std::uint64_t count = 0, folders = 0, bytes = 0;
            double t = bench::TimeOf(
                [&] { ufc::MeasureFolder(temp_.c_str(), &count, &folders, &bytes, 1); });
            moduleFiles = count;
            return t;
        },
        [&] {
            bench::WalkCount count;
            double t = bench::TimeOf([&] { count = bench::WalkTree(temp_, false); });
            floorFiles = count.files;
            return t;
        }));
    Check(moduleFiles == files && floorFiles == files, "both walks counted every file");

    ResultList results;
    CountingProgress progress;
    ScanTotals totals;
    std::uint64_t opened = 0;
    report_.Add(bench::Compare(
        "scan", files,
        [&] {
            results.clear();  // the host's work, outside the timed part
            progress.reports = 0;
            totals = ScanTotals();
            return bench::TimeOf([&] {
                cleaner_.GetUnusedFile(kCategoryWindowsTemp, &results, &totals, &progress);
            });
        },
        [&] {
            return bench::TimeOf([&] {
                bench::WalkTree(temp_, false);
                opened = bench::WalkTree(temp_, true).opened;
            });
        }));
    Check(totals.count == files && progress.reports == files && opened == files,
          "the scan and the floor each accepted every file");
}

bool Benchmark::CompareClean() {
    // Slices of the found list, each with its paths for the bare loop.
    std::vector<ResultList> chunks;
    std::vector<std::vector<std::wstring>> paths;
    while (!found_.empty()) {
        ResultList chunk;
        auto end = found_.begin();
        std::advance(end, std::min(kCleanChunk, found_.size()));
        chunk.splice(chunk.end(), found_, found_.begin(), end);
        std::vector<std::wstring> chunkPaths;
        for (const FoundItem& item : chunk)
            chunkPaths.push_back(std::wstring(item.folder) + item.name);
        chunks.push_back(std::move(chunk));
        paths.push_back(std::move(chunkPaths));
    }
    std::uint64_t files = 0;
    for (const ResultList& chunk : chunks) files += chunk.size();

    auto recreate = [&](const ResultList& chunk) {
        bool ok = true;
        for (const FoundItem& item : chunk) ok = tree_.Recreate(item) && ok;
        Check(ok, "the deleted files were written again");
    };
    std::vector<double> moduleTimes, floorTimes;
    for (int run = 0; run <= bench::kRuns; ++run) {
        double m = 0, f = 0;
        for (std::size_t c = 0; c < chunks.size(); ++c) {
            CleanTotals totals;
            CountingProgress progress;
            std::uint64_t deleted = 0;
            auto module = [&] {
                m += bench::TimeOf([&] {
                    cleaner_.CleanUnusedFile(kCategoryWindowsTemp, chunks[c], &totals, &progress);
                });
                recreate(chunks[c]);
            };
            auto floor = [&] {
                f += bench::TimeOf([&] { deleted = bench::DeletePaths(paths[c]); });
                recreate(chunks[c]);
            };
            // Module and floor delete the same paths back to back; which
            // goes first alternates so that neither always meets a warmer
            // server.
            if ((run + c) % 2 == 0) {
                module();
                floor();
            } else {
                floor();
                module();
            }
            Check(totals.removed == chunks[c].size() && totals.failed == 0 &&
                      deleted == chunks[c].size(),
                  "module and floor deleted every file of the slice");
        }
        Say("  clean run %d: module %.3f s, floor %.3f s\n", run, m, f);
        if (run == 0) continue;
        moduleTimes.push_back(m);
        floorTimes.push_back(f);
    }
    report_.Add({"clean", files, bench::Median(moduleTimes), bench::Median(floorTimes)});
    return true;
}

bool Benchmark::Run(bool rulesOnly, bool undoOnly) {
    if (rulesOnly) {
        CompareRules();
        report_.Print(valid_);
        return valid_;
    }
    Say("building %llu files in %ls ...\n", static_cast<unsigned long long>(tree_.Files(true)),
        temp_.c_str());
    double built = 0;
    bool ok = false;
    built = bench::TimeOf([&] { ok = tree_.Build(); });
    if (!ok) {
        Say("could not write the tree\n");
        return false;
    }
    Say("built in %.1f s\n", built);
    if (undoOnly) {
        Say("undo, in chunks as the hosts hand items over:\n");
        Check(bench::CompareUndo(tree_, &report_), "every file went and came back");
        tree_.Remove();
        report_.Print(valid_);
        return valid_;
    }
    if (!MeasureMemory()) return false;

    Say("small tree:\n");
    if (!tree_.SetFullSize(false)) return false;
    CompareWalks(false);
    Say("full tree:\n");
    if (!tree_.SetFullSize(true)) return false;
    CompareWalks(true);
    if (found_.empty()) {
        ScanTotals totals;
        cleaner_.GetUnusedFile(kCategoryWindowsTemp, &found_, &totals, nullptr);
    }
    Say("removal, in slices of %zu files:\n", kCleanChunk);
    CompareClean();
    tree_.Remove();
    CompareRules();

    report_.Print(valid_);
    return valid_;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    bench::TreeShape shape;
    bool rulesOnly = false, undoOnly = false;
    for (int i = 1; i < argc; ++i) {
        if (std::wcscmp(argv[i], L"--quick") == 0) shape.filesPerLeaf = 10;
        if (std::wcscmp(argv[i], L"--rules") == 0) rulesOnly = true;
        if (std::wcscmp(argv[i], L"--undo") == 0) undoOnly = true;
    }

    DWORD_PTR processMask = 0, systemMask = 0;
    GetProcessAffinityMask(GetCurrentProcess(), &processMask, &systemMask);
    Say("CPU affinity mask 0x%llx of 0x%llx\n", static_cast<unsigned long long>(processMask),
        static_cast<unsigned long long>(systemMask));

    std::wstring windows = ufc::GetSpecialFolderPath(CSIDL_WINDOWS, true);
    if (windows.empty()) {
        Say("the Windows folder cannot be resolved\n");
        return 1;
    }
    std::wstring temp = windows + L"\\Temp";
    std::wstring park = windows.substr(0, 3) + L"ufc-bench-park";
    Benchmark benchmark(temp, park, shape);
    return benchmark.Run(rulesOnly, undoOnly) ? 0 : 1;
}
