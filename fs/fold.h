// Letter case folded as the file system compares names: every UTF-16 unit
// to the system's upper case of it (the invariant one, the table ordinal
// comparisons use), one unit for one unit, so a folded text keeps its
// length and every offset. The one way the module's helpers, the deleter
// and the hosts compare names, globs and paths letter case aside.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ufc {

// The folded unit of every unit, 65536 of them, made once.
const wchar_t* FoldTable();

inline wchar_t FoldUnit(wchar_t unit) {
    return FoldTable()[static_cast<std::uint16_t>(unit)];
}

std::wstring Folded(std::wstring_view text);

// Whether two texts are the same, letter case aside.
bool SameFolded(std::wstring_view a, std::wstring_view b);

// Whether text starts with, or holds, a needle that comes folded.
bool StartsFolded(std::wstring_view text, std::wstring_view foldedPrefix);
bool ContainsFolded(std::wstring_view text, std::wstring_view foldedNeedle);

}  // namespace ufc
