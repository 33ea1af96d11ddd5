#include "item_view.h"

#include <algorithm>
#include <numeric>

#include "gui_ids.h"
#include "text/format.h"
#include "fs/fold.h"

namespace gui {

namespace {

int CompareFolded(std::wstring_view a, std::wstring_view b) {
    const wchar_t* fold = ufc::FoldTable();
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t k = 0; k < common; ++k) {
        const wchar_t x = fold[static_cast<std::uint16_t>(a[k])];
        const wchar_t y = fold[static_cast<std::uint16_t>(b[k])];
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

// The order of the folders by their text: sorting by folder compares numbers.
std::vector<std::uint32_t> FolderRanks(const host::ItemStore& store) {
    const host::TextInterner& folders = store.Folders();
    std::vector<std::uint32_t> ids(folders.Count());
    std::iota(ids.begin(), ids.end(), 0u);
    std::sort(ids.begin(), ids.end(), [&](std::uint32_t a, std::uint32_t b) {
        return CompareFolded(folders.Text(a), folders.Text(b)) < 0;
    });
    std::vector<std::uint32_t> ranks(ids.size());
    for (std::uint32_t rank = 0; rank < ids.size(); ++rank) ranks[ids[rank]] = rank;
    return ranks;
}

bool IsText(int column) {
    return column == kColName || column == kColType;
}

// The number a row sorts by in a column that is not a text.
struct NumberKey {
    const ScanModel& model;
    int column;
    std::vector<std::uint32_t> folderRanks;

    std::uint64_t operator()(std::uint32_t i) const {
        const host::ItemStore& store = model.Store();
        switch (column) {
            case kColSize:
                return store.Bytes(i);
            case kColCategory:
                return store.Run(i);
            case kColWritten:
                return store.Time(i, host::ItemTime::Written);
            case kColCreated:
                return store.Time(i, host::ItemTime::Created);
            case kColAccessed:
                return store.Time(i, host::ItemTime::Accessed);
            case kColFolder:
                return folderRanks[store.FolderId(i)];
            case kColNote:
                // Plain rows, then protected ones, then failed ones.
                return store.Keep(i) >= 0 ? 1 : store.Outcome(i) != host::ItemOutcome::None ? 2 : 0;
            default:
                return 0;
        }
    }
};

}  // namespace

void ItemView::Reset(const ScanModel& model) {
    order_.clear();
    Append(model, 0);
}

void ItemView::Append(const ScanModel& model, std::uint32_t from) {
    const std::size_t old = order_.size();
    // A file two rows list is one row, under the first.
    for (std::uint32_t i = from; i < model.Store().Count(); ++i)
        if (!model.IsRepeat(i)) order_.push_back(i);
    // The new items come after the equal rows already there.
    if (column_ >= 0 && order_.size() > old) Sort(model, order_.begin(), order_.end());
    ApplyFilter(model);
}

void ItemView::SortBy(const ScanModel& model, int column, bool ascending) {
    column_ = column;
    ascending_ = ascending;
    Sort(model, order_.begin(), order_.end());
    ApplyFilter(model);
}

void ItemView::Sort(const ScanModel& model, Iterator begin, Iterator end) {
    const host::ItemStore& store = model.Store();
    const bool up = ascending_;
    if (IsText(column_)) {
        auto text = [&](std::uint32_t i) {
            return column_ == kColName ? store.Name(i) : store.TypeText(i);
        };
        std::stable_sort(begin, end, [&](std::uint32_t a, std::uint32_t b) {
            const int order = CompareFolded(text(a), text(b));
            return up ? order < 0 : order > 0;
        });
        return;
    }
    // Keys side by side with the items: the sort reads memory in order.
    NumberKey key{model, column_,
                  column_ == kColFolder ? FolderRanks(store) : std::vector<std::uint32_t>()};
    std::vector<std::pair<std::uint64_t, std::uint32_t>> keyed;
    keyed.reserve(static_cast<std::size_t>(end - begin));
    for (Iterator at = begin; at != end; ++at) keyed.emplace_back(key(*at), *at);
    std::stable_sort(keyed.begin(), keyed.end(), [up](const auto& a, const auto& b) {
        return up ? a.first < b.first : a.first > b.first;
    });
    for (const auto& [value, item] : keyed) *begin++ = item;
}

void ItemView::SetFilter(const ScanModel& model, const std::wstring& text) {
    filter_ = ufc::Folded(text);
    ApplyFilter(model);
}

void ItemView::ApplyFilter(const ScanModel& model) {
    shown_.clear();
    if (filter_.empty()) return;
    const host::ItemStore& store = model.Store();
    // Each folder is tested once: 0 not yet, 1 no, 2 yes.
    std::vector<std::uint8_t> folderHas(store.Folders().Count(), 0);
    for (std::uint32_t i : order_) {
        std::uint8_t& folder = folderHas[store.FolderId(i)];
        if (folder == 0) folder = ufc::ContainsFolded(store.Folder(i), filter_) ? 2 : 1;
        if (folder == 2 || ufc::ContainsFolded(store.Name(i), filter_)) shown_.push_back(i);
    }
}

}  // namespace gui
