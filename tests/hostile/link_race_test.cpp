// A race against removal: while a clean of 1,000 found files runs, another
// process swaps the folder of half of them and a link to a folder holding
// files of the same names back and forth as fast as it can. Nothing behind
// the link may go. The items alternate between that folder and another, so
// the clean opens the raced folder anew for every second item. The swapper
// works on the Unix side, below Wine, so no sharing rule of the module's
// open folders can hold it back.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <cstdio>

#include "core/system_clean.h"
#include "fixtures/fixtures.h"
#include "hostile.h"
#include "util/handles.h"

namespace {

// Swaps folder and link until the stop file appears; counts the swaps.
const char kSwapper[] =
    "my ($folder, $aside, $link, $started, $stop, $count) = @ARGV;\n"
    "open(my $s, '>', $started); close $s;\n"
    "my $swaps = 0;\n"
    "until (-e $stop) {\n"
    "    rename($folder, $aside) or next;\n"
    "    rename($link, $folder); rename($folder, $link);\n"
    "    rename($aside, $folder); ++$swaps;\n"
    "}\n"
    "open(my $c, '>', $count); print $c $swaps; close $c;\n";

std::wstring Wide(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

class Swapper {
public:
    Swapper(const std::wstring& folder, const std::wstring& link, const std::wstring& work)
        : started_(work + L"\\started"), stop_(work + L"\\stop"), count_(work + L"\\count") {
        fx::MakeFileWithText(work + L"\\swap.pl", kSwapper);
        command_ = L"/usr/bin/perl '" + Wide(fx::UnixPath(work + L"\\swap.pl")) + L"'";
        for (const std::wstring& path : {folder, folder + L"-aside", link, started_, stop_, count_})
            command_ += L" '" + Wide(fx::UnixPath(path)) + L"'";
        for (const std::wstring& path : {started_, stop_, count_}) DeleteFileW(path.c_str());
        thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
        for (int waited = 0; waited < 10000 && !fx::Exists(started_); ++waited) Sleep(1);
    }
    // Stops the swapper (the folder is back in its place) and returns the
    // number of swaps it made.
    long Stop() {
        fx::MakeFile(stop_, 0);
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
        return std::atol(fx::ReadFileText(count_).c_str());
    }

private:
    static DWORD WINAPI Run(void* self) {
        auto* swapper = static_cast<Swapper*>(self);
        fx::RunUnix(swapper->command_);
        return 0;
    }
    std::wstring started_, stop_, count_, command_;
    HANDLE thread_ = nullptr;
};

TEST(LinkRace, ACleanRacingALinkSwapperDeletesNothingBehindTheLink) {
    const std::wstring place = fx::Special(CSIDL_WINDOWS) + L"\\Temp\\ufc-race";
    const std::wstring folder = place + L"\\found", other = place + L"\\other";
    const std::wstring victim = fx::Scratch(L"race-victim");
    const std::wstring work = fx::Scratch(L"race-work");
    std::vector<std::wstring> names;
    for (int i = 0; i < 500; ++i) names.push_back(L"f" + std::to_wstring(i) + L".tmp");
    fx::MakeVictims(victim, names);

    long swaps = 0;
    std::uint64_t removed = 0, failed = 0, rounds = 0, left = 0;
    while (swaps < 1000 && rounds < 20) {
        ++rounds;
        fx::RemoveTree(place);
        ResultList items;
        for (const std::wstring& name : names) {
            for (const std::wstring* in : {&folder, &other}) {
                fx::MakeFile(*in + L"\\" + name, 3);
                FoundItem& item = items.emplace_back();
                item.category = 9;
                wcscpy(item.folder, in->c_str());
                wcscpy(item.name, name.c_str());
            }
        }
        ASSERT_TRUE(fx::MakeFolderLink(victim, place + L"\\link"));
        CSystemClean cleaner;
        CleanTotals totals;
        Swapper swapper(folder, place + L"\\link", work);
        cleaner.CleanUnusedFile(9, items, &totals, nullptr);
        swaps += swapper.Stop();
        removed += totals.removed;
        failed += totals.failed;
        for (const std::wstring& name : names)
            left += fx::Exists(folder + L"\\" + name) + fx::Exists(other + L"\\" + name);
        ASSERT_EQ(fx::Intact(victim, names), names.size()) << "round " << rounds;
    }
    std::printf(
        "link race: %ld swaps in %llu rounds of 1,000 items; %llu removed, %llu failed, "
        "%llu found files still there; 0 of 500 files behind the link lost\n",
        swaps, static_cast<unsigned long long>(rounds), static_cast<unsigned long long>(removed),
        static_cast<unsigned long long>(failed), static_cast<unsigned long long>(left));
    EXPECT_GE(swaps, 1000);
    hostile::CountCase(rounds);
    hostile::CountFilesChecked(rounds * names.size());
    fx::RemoveTree(place);
}

}  // namespace
