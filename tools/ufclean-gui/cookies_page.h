// The Cookies page: the sites that hold cookies in the browsers' profiles,
// with their counts and a check box each. A checked site is kept: its
// cookies stay when the cookie rules clean (the list the console's
// "ufclean cookies keep" edits, saved as soon as a box changes).
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

namespace gui {

class CookiesPage {
public:
    void Create(HWND parent);
    HWND Handle() const { return list_; }
    // Reads the sites again from the profiles' cookie databases.
    void Load(UINT dpi);
    // LVN_ITEMCHANGED of the list: a box checked or cleared saves the list.
    void OnItemChanged(const NMLISTVIEW& change);

private:
    HWND list_ = nullptr;
    std::vector<std::string> sites_;  // by row
    bool loading_ = false;
};

}  // namespace gui
