// The Drives page: the fixed drives from GetDriveList with their icons, the
// display text, sizes and a usage bar drawn into the last column.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <string>
#include <vector>

#include "UnusedFileClean.h"
#include "gdi_owners.h"

namespace gui {

class DrivesPage {
public:
    void Create(HWND parent);
    HWND Handle() const { return list_; }
    // Lists the drives again; the icons handed over are copied into the
    // page's image list and destroyed.
    void Load(Function::IUnusedFileClean* cleaner, UINT dpi);
    // NM_CUSTOMDRAW of the list: draws the usage bars.
    LRESULT OnCustomDraw(NMLVCUSTOMDRAW* draw);

private:
    struct Drive {
        std::uint64_t total = 0, free = 0;
    };
    HWND list_ = nullptr;
    std::vector<Drive> drives_;
    ImageListOwner images_;
};

}  // namespace gui
