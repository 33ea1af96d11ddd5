// The category list: one checked row per category of the table, with the
// items and size a scan found and what the clean did.
#pragma once

#include <windows.h>

#include <cstdint>
#include <set>
#include <vector>

#include "worker.h"

namespace gui {

class CategoryList {
public:
    void Create(HWND parent, const std::set<std::uint32_t>& checked, bool rules);
    HWND Handle() const { return list_; }
    void SetDpi(UINT dpi);
    // The checked categories in table order.
    std::vector<std::uint32_t> Checked() const;
    void ResetFigures();
    void ShowRun(const CategoryRun& run);

private:
    int RowOf(std::uint32_t number) const;
    HWND list_ = nullptr;
};

}  // namespace gui
