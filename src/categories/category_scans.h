// Selections of the category scan family that are more than an extension.
#pragma once

#include <string>

namespace ufc {

// Disk-check fragments are named FILEnnnn.CHK: true when the four characters
// after the path's last backslash spell FILE in any letter case.
bool IsChkFragmentName(const std::wstring& path);

}  // namespace ufc
