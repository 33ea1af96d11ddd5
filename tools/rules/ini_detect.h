// What the sections of the community format detect beyond files and keys.
#pragma once

#include <string>

namespace host::ini {

// Whether the running Windows lies in a DetectOS range: "6.2|" (from 8 on),
// "|6.1" (up to 7), "6.1|6.3". False with a reason when it does not or the
// range cannot be read.
bool FitsWindows(const std::wstring& range, std::wstring* reason);

// The folder a SpecialDetect name stands for ("DET_CHROME": Chrome's user
// data), as a place with a variable; null for a name it does not know.
const wchar_t* SpecialDetectPath(const std::wstring& name);

}  // namespace host::ini
