#include "clean_confirm.h"

#include "text/format.h"

namespace gui {

bool ConfirmClean(HWND owner, std::uint64_t count, std::uint64_t bytes, size_t actions,
                  const std::wstring& heldBinPath) {
    std::wstring text =
        L"Remove " + std::to_wstring(count) + L" checked item(s), " + host::HumanSize(bytes) + L"?";
    if (actions) text += L"\nClean-only steps checked: " + std::to_wstring(actions) + L".";
    if (!heldBinPath.empty())
        text += L"\n\nThe recycle bin is emptied whole: \"" + heldBinPath +
                L"\" is unchecked, so the recycle bin stays as it is.";
    text += L"\n\nRemoved files do not go to the recycle bin.";
    return MessageBoxW(owner, text.c_str(), L"Clean", MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) ==
           IDYES;
}

}  // namespace gui
