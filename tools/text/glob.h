// Globs over paths, as Windows compares them: letter case aside (the one
// fold of fs/fold.h), '*' any run of units, backslashes included, '?' any
// one unit. Whole texts, or a part at a time.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace host {

// Whether the whole text matches the pattern.
bool GlobMatch(const std::wstring& pattern, const std::wstring& text);

// GlobMatch a part at a time, for patterns of at most kGlobStateUnits
// units: bit p of a state says that the first p units of the pattern can
// have matched the text fed so far (0: none can). A host feeds a folder
// once and each name in it after.
constexpr std::size_t kGlobStateUnits = 63;
std::uint64_t GlobStart(const std::wstring& pattern);
std::uint64_t GlobFeed(const std::wstring& pattern, std::uint64_t state, std::wstring_view text);
inline bool GlobAccepts(const std::wstring& pattern, std::uint64_t state) {
    return (state >> pattern.size()) & 1;
}

}  // namespace host
