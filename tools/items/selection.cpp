#include "items/selection.h"

#include <algorithm>

#include "fs/fold.h"
#include "items/keep_matcher.h"
#include "text/glob.h"
#include "items/keep_list.h"

namespace host {

FILETIME AgeLimit(std::uint32_t days) {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER ticks;
    ticks.LowPart = now.dwLowDateTime;
    ticks.HighPart = now.dwHighDateTime;
    const std::uint64_t age = static_cast<std::uint64_t>(days) * 864000000000ull;
    ticks.QuadPart = ticks.QuadPart > age ? ticks.QuadPart - age : 0;
    return {ticks.LowPart, ticks.HighPart};
}

std::wstring WholeBinReason(const std::wstring& cause) {
    return L"the recycle bin is always emptied whole, and " + cause;
}

std::uint64_t ApplyKeepRules(const std::vector<KeepRule>& rules, ItemStore* store,
                             std::uint32_t first, std::uint32_t end,
                             std::vector<std::uint64_t>* counts, const ChosenByItself* chosen) {
    if (counts) counts->resize(rules.size(), 0);
    KeepMatcher matcher(rules, chosen);
    // Per folder, where each rule of folder + name stands after the folder
    // and its backslash; a name then costs a few steps per rule that can
    // still match, and the files of folders no rule can reach cost nothing.
    // A name holds no backslash, so a rule whose rest still needs one cannot
    // match there.
    constexpr std::uint32_t kUntested = UINT32_MAX, kNoRule = UINT32_MAX - 1;
    constexpr std::uint64_t kWhole = ~std::uint64_t{0};  // too long for states: match whole paths
    std::vector<std::uint64_t> nameOnly(rules.size(), 0);
    // A rule that ends in a plain name ("*\\settings.json") is, once its
    // state stands at that name's start, a comparison of the name with it:
    // most names differ in length and cost one test.
    std::vector<std::uint64_t> tailStart(rules.size(), 0);
    std::vector<std::wstring> tail(rules.size());
    for (size_t r = 0; r < rules.size(); ++r) {
        const std::wstring& glob = rules[r].glob;
        for (size_t p = glob.size() + 1; p-- > 0 && p <= kGlobStateUnits;) {
            if (p < glob.size() && glob[p] == L'\\') break;
            nameOnly[r] |= std::uint64_t{1} << p;
        }
        const size_t start = glob.rfind(L'\\') + 1;  // 0 when there is none
        if (glob.size() <= kGlobStateUnits && start < glob.size() &&
            glob.find_first_of(L"*?", start) == std::wstring::npos) {
            tailStart[r] = std::uint64_t{1} << start;
            tail[r] = ufc::Folded(std::wstring_view(glob).substr(start));
        }
    }
    std::vector<std::uint32_t> slotOf(store->Folders().Count(), kUntested);
    std::vector<std::uint64_t> profileRulesOf(store->Folders().Count(), 0);
    std::vector<std::uint64_t> states;
    auto FolderSlot = [&](std::uint32_t i) {
        std::uint32_t& slot = slotOf[store->FolderId(i)];
        if (slot != kUntested) return slot;
        const std::wstring_view folder = store->Folder(i);
        profileRulesOf[store->FolderId(i)] = matcher.FolderRules(folder);
        const bool joint = !folder.empty() && folder.back() != L'\\';
        const auto base = static_cast<std::uint32_t>(states.size());
        bool any = false;
        for (size_t r = 0; r < rules.size(); ++r) {
            const std::wstring& glob = rules[r].glob;
            std::uint64_t state = kWhole;
            if (rules[r].place != KeepPlace::Anywhere || !matcher.Applies(r)) {
                state = 0;
            } else if (glob.size() <= kGlobStateUnits) {
                state = GlobFeed(glob, GlobStart(glob), folder);
                if (joint) state = GlobFeed(glob, state, L"\\");
                state &= nameOnly[r];
            }
            states.push_back(state);
            any = any || state != 0;
        }
        if (!any) states.resize(base);
        slot = any ? base : kNoRule;
        return slot;
    };
    std::uint64_t kept = 0;
    for (std::uint32_t i = first; i < end; ++i) {
        const std::wstring_view name = store->Name(i);
        int match = -1;
        // A registry value's name may hold a backslash: its path is matched whole.
        if (name.empty() || name.find(L'\\') != std::wstring_view::npos) {
            match = matcher.Match(store->Path(i));
        } else {
            const std::uint32_t slot = FolderSlot(i);
            for (size_t r = 0; slot != kNoRule && r < rules.size() && match < 0; ++r) {
                const std::uint64_t state = states[slot + r];
                const std::wstring& glob = rules[r].glob;
                if (!state) continue;
                if (state == tailStart[r]
                        ? name.size() == tail[r].size() && ufc::ContainsFolded(name, tail[r])
                    : state == kWhole ? GlobMatch(glob, store->Path(i))
                                      : GlobAccepts(glob, GlobFeed(glob, state, name)))
                    match = static_cast<int>(r);
            }
            const int inProfile =
                matcher.MatchInProfile(store->Folder(i), name, profileRulesOf[store->FolderId(i)]);
            if (inProfile >= 0 && (match < 0 || inProfile < match)) match = inProfile;
        }
        if (match < 0) continue;
        store->SetSelected(i, false);
        store->SetKeep(i, match);
        ++kept;
        if (counts) ++(*counts)[static_cast<std::size_t>(match)];
    }
    return kept;
}

std::uint64_t ApplyAgeLimit(std::uint32_t days, ItemStore* store, std::uint32_t first,
                            std::uint32_t end) {
    if (days == 0) return 0;
    const std::uint64_t limit = Ticks(AgeLimit(days));
    std::uint64_t kept = 0;
    for (std::uint32_t i = first; i < end; ++i) {
        if (!store->Selected(i) || store->Kept(i)) continue;
        std::uint64_t written = store->Time(i, ItemTime::Written);
        // Most scans of the module leave the dates out: the file tells.
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (written == 0 &&
            GetFileAttributesExW(store->Path(i).c_str(), GetFileExInfoStandard, &data)) {
            store->SetTime(i, ItemTime::Written, data.ftLastWriteTime);
            written = store->Time(i, ItemTime::Written);
        }
        if (written <= limit) continue;
        store->SetSelected(i, false);
        store->SetKeep(i, ItemStore::kKeptForAge);
        ++kept;
    }
    return kept;
}

std::vector<std::pair<std::uint32_t, std::uint32_t>> FindRepeats(
    const ItemStore& store, const std::vector<ItemRange>& ranges, bool selectedOnly) {
    struct Listing {
        std::uint64_t hash;
        std::uint32_t order;  // listings earlier in the ranges come first
        std::uint32_t item;
    };
    std::vector<Listing> listings;
    for (const ItemRange& range : ranges)
        for (std::uint32_t i = range.first; i < range.end; ++i)
            if (!selectedOnly || store.Selected(i))
                listings.push_back({TextHash(ufc::Folded(store.Path(i))),
                                    static_cast<std::uint32_t>(listings.size()), i});
    std::sort(listings.begin(), listings.end(), [](const Listing& a, const Listing& b) {
        return a.hash != b.hash ? a.hash < b.hash : a.order < b.order;
    });
    std::vector<std::pair<std::uint32_t, std::uint32_t>> repeats;
    for (std::size_t start = 0; start < listings.size();) {
        std::size_t stop = start + 1;
        while (stop < listings.size() && listings[stop].hash == listings[start].hash) ++stop;
        // Within one hash, each listing is compared with the first listings
        // of the paths seen before it.
        std::vector<std::pair<std::wstring, std::uint32_t>> firsts;
        for (std::size_t k = start; k < stop && stop - start > 1; ++k) {
            std::wstring path = ufc::Folded(store.Path(listings[k].item));
            auto same = std::find_if(firsts.begin(), firsts.end(),
                                     [&](const auto& seen) { return seen.first == path; });
            if (same != firsts.end())
                repeats.emplace_back(listings[k].item, same->second);
            else
                firsts.emplace_back(std::move(path), listings[k].item);
        }
        start = stop;
    }
    std::sort(repeats.begin(), repeats.end());
    return repeats;
}

}  // namespace host
