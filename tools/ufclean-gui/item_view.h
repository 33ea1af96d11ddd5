// The order of the item list's rows: every item of the store (a file two
// rows list once, under the first), sorted by a
// column (stably: equal rows keep their order) and narrowed by a filter
// text (in the name or the folder, case-insensitive). It works on the
// store's numbers and pools, never on the list control's rows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "scan_model.h"

namespace gui {

class ItemView {
public:
    // Every item of the model anew, sorted and filtered as before.
    void Reset(const ScanModel& model);
    // Items from `from` on are new: they are sorted in among the others.
    void Append(const ScanModel& model, std::uint32_t from);
    void SortBy(const ScanModel& model, int column, bool ascending);
    void SetFilter(const ScanModel& model, const std::wstring& text);

    std::size_t Rows() const { return filter_.empty() ? order_.size() : shown_.size(); }
    std::uint32_t ItemAt(std::size_t row) const {
        return filter_.empty() ? order_[row] : shown_[row];
    }
    int Column() const { return column_; }
    bool Ascending() const { return ascending_; }

private:
    using Iterator = std::vector<std::uint32_t>::iterator;
    void Sort(const ScanModel& model, Iterator begin, Iterator end);
    void ApplyFilter(const ScanModel& model);

    std::vector<std::uint32_t> order_;  // every item, sorted
    std::vector<std::uint32_t> shown_;  // the rows that pass the filter
    std::wstring filter_;               // folded
    int column_ = -1;
    bool ascending_ = true;
};

}  // namespace gui
