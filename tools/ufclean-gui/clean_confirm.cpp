#include "clean_confirm.h"

#include "pipeline/held_clean.h"
#include "text/format.h"

namespace gui {

bool ConfirmClean(HWND owner, std::uint64_t count, std::uint64_t bytes, size_t actions,
                  const std::wstring& heldBinPath, bool holds) {
    std::wstring text =
        L"Remove " + std::to_wstring(count) + L" checked item(s), " + host::HumanSize(bytes) + L"?";
    if (actions) text += L"\nClean-only steps checked: " + std::to_wstring(actions) + L".";
    if (!heldBinPath.empty())
        text += L"\n\nThe recycle bin is emptied whole: \"" + heldBinPath +
                L"\" is unchecked, so the recycle bin stays as it is.";
    text += L"\n\nRemoved files do not go to the recycle bin.";
    if (holds)
        text += L" Those held for undo can be taken back for " +
                std::to_wstring(host::kDefaultKeepDays) + L" days on the History page.";
    return MessageBoxW(owner, text.c_str(), L"Clean", MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) ==
           IDYES;
}

}  // namespace gui
