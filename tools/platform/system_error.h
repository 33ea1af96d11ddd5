// The system's text for an error code.
#pragma once

#include <windows.h>

#include <string>

namespace host {

// The text without the trailing line break; "error <code>" when the system
// has none.
std::wstring SystemErrorText(DWORD code);

}  // namespace host
