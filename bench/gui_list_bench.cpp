// --bench-items N: the window's list at real scale. N synthetic found items
// with typical paths arrive as one category's scan result; the program times
// the way from the scan's end to a usable list, a sort by size and a filter,
// reads how much memory the window keeps per item, prints the four figures
// and exits.
#include <cstdio>

#include "bench_clock.h"
#include "gui_ids.h"
#include "main_window.h"
#include "private_memory.h"

namespace gui {

namespace {

// What a scan of a busy profile lists: a user temp folder with installer
// leftovers, a browser cache, logs; about 1,000 folders, names of 8 to 24
// units.
void MakeItems(std::size_t count, ResultList* items, ScanTotals* totals) {
    static const wchar_t* const kPlaces[] = {
        L"C:\\Users\\someone\\AppData\\Local\\Temp\\setup-%04u\\data\\",
        L"C:\\Users\\someone\\AppData\\Local\\Google\\Chrome\\User Data\\Profile %u\\Cache\\"
        L"Cache_Data\\",
        L"C:\\Users\\someone\\AppData\\Local\\Microsoft\\Windows\\INetCache\\IE\\%04X\\",
        L"C:\\Windows\\Logs\\CBS\\%u\\",
    };
    static const wchar_t* const kNames[] = {L"f_%06x", L"~DF%04X.tmp", L"setup-log-%u.txt",
                                            L"data_%u"};
    static const wchar_t* const kTypes[] = {L"", L"TMP File", L"Text Document", L""};
    FILETIME base = {0xD53E8000u, 0x01DB0000u};
    for (std::size_t i = 0; i < count; ++i) {
        FoundItem& item = items->emplace_back();
        // In walk order: the files of a folder one after another.
        const unsigned folder = static_cast<unsigned>(i * 1000 / count);
        const unsigned kind = folder % 4;
        swprintf(item.folder, kTextUnits, kPlaces[kind], folder);
        swprintf(item.name, kTextUnits, kNames[kind], static_cast<unsigned>(i));
        lstrcpynW(item.typeText, kTypes[kind], kTextUnits);
        item.category = kCategoryWindowsTemp;
        item.size = (i * 7919u) % (4u << 20);
        ULARGE_INTEGER time = {{base.dwLowDateTime, base.dwHighDateTime}};
        time.QuadPart += static_cast<std::uint64_t>(i) * 10000000u;
        const FILETIME written = {time.LowPart, time.HighPart};
        FileTimeToSystemTime(&written, &item.written);
        item.created = item.accessed = item.written;
        totals->bytes += item.size;
        ++totals->count;
    }
}

// The window thread's own CPU time: on a machine that others share, the
// wall-clock figure also counts their turns.
double ThreadSeconds() {
    FILETIME created, ended, kernel, user;
    if (!GetThreadTimes(GetCurrentThread(), &created, &ended, &kernel, &user)) return 0;
    const auto ticks = [](const FILETIME& time) {
        return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 1e7;
}

struct Span {
    double wall, cpu;
};

template <typename Step>
Span Time(Step step) {
    const double wall = bench::Now(), cpu = ThreadSeconds();
    step();
    return {bench::Now() - wall, ThreadSeconds() - cpu};
}

void Say(const char* what, Span span, double goal) {
    std::printf("list bench: %s %.3f s (window thread CPU %.3f s; goal under %.1f s: %s)\n", what,
                span.wall, span.cpu, goal, span.wall < goal ? "met" : "MISSED");
}

}  // namespace

void MainWindow::RunBenchmark() {
    const std::size_t count = options_.benchItems;
    host::PrivateMemory memory;
    auto paint = [&] { RedrawWindow(window_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN); };
    paint();
    const std::uint64_t before = memory.Bytes();
    ResultList items;
    ScanTotals totals;
    const double made = bench::Now();
    MakeItems(count, &items, &totals);
    std::printf("list bench: %zu synthetic items made in %.2f s\n", count, bench::Now() - made);

    // From the scan's end, as the worker hands the list over, to the rows
    // painted and the window ready.
    const Span usable = Time([&] {
        model_.Start({kCategoryWindowsTemp});
        model_.Pipeline().TakeItems(0, &items, totals);
        model_.Pipeline().Select({});
        OnScanDone(false);
        paint();
    });
    const std::uint64_t after = memory.Bytes();
    const Span sorted = Time([&] {
        items_.SortBy(model_, kColSize);
        paint();
    });
    bool ordered = true;
    for (std::size_t row = 1; row < items_.Rows(); ++row)
        ordered = ordered && model_.Store().Bytes(items_.ItemAt(row - 1)) <=
                                 model_.Store().Bytes(items_.ItemAt(row));
    const Span filtered = Time([&] {
        items_.SetFilter(model_, L"cache");
        paint();
    });

    Say("scan end to usable list", usable, 1.0);
    Say("sort by size", sorted, 1.0);
    Say("filter 'cache'", filtered, 0.3);
    std::printf("list bench: filter kept %zu of %zu rows\n", items_.Rows(),
                static_cast<std::size_t>(model_.Store().Count()));
    const double storeBytes =
        static_cast<double>(model_.Store().BytesHeld()) / static_cast<double>(count);
    if (memory.Available() && after > before) {
        const double perItem = static_cast<double>(after - before) / static_cast<double>(count);
        std::printf(
            "list bench: memory %.1f bytes per item (RssAnon %+.1f MiB for %zu items; goal at "
            "most 200: %s); the store's own count %.1f\n",
            perItem, static_cast<double>(after - before) / 1048576.0, count,
            perItem <= 200 ? "met" : "MISSED", storeBytes);
    } else {
        std::printf(
            "list bench: memory not read (UFC_BENCH_STATUS unset); the store holds %.1f "
            "bytes per item\n",
            storeBytes);
    }
    if (!ordered) std::printf("list bench: CHECK FAILED: the rows are not in order of size\n");
    std::fflush(stdout);
    DestroyWindow(window_);
}

}  // namespace gui
