#include "text/glob.h"

#include "fs/fold.h"

namespace host {

namespace {

bool SameUnit(wchar_t a, wchar_t b) {
    return ufc::FoldUnit(a) == ufc::FoldUnit(b);
}

}  // namespace

bool GlobMatch(const std::wstring& pattern, const std::wstring& text) {
    // Iterative match with one back-track point: linear in practice, and
    // no recursion depth to exhaust on hostile patterns.
    size_t p = 0, t = 0, star = std::wstring::npos, resume = 0;
    while (t < text.size()) {
        if (p < pattern.size() && (pattern[p] == L'?' || SameUnit(pattern[p], text[t]))) {
            ++p;
            ++t;
        } else if (p < pattern.size() && pattern[p] == L'*') {
            star = p++;
            resume = t;
        } else if (star != std::wstring::npos) {
            p = star + 1;
            t = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == L'*') ++p;
    return p == pattern.size();
}

namespace {

// A '*' may also be passed over without a unit.
std::uint64_t CloseStars(const std::wstring& pattern, std::uint64_t state) {
    for (size_t p = 0; p < pattern.size(); ++p)
        if (((state >> p) & 1) && pattern[p] == L'*') state |= std::uint64_t{1} << (p + 1);
    return state;
}

}  // namespace

std::uint64_t GlobStart(const std::wstring& pattern) {
    return pattern.size() > kGlobStateUnits ? 0 : CloseStars(pattern, 1);
}

std::uint64_t GlobFeed(const std::wstring& pattern, std::uint64_t state, std::wstring_view text) {
    for (wchar_t unit : text) {
        if (!state) return 0;
        std::uint64_t next = 0;
        for (size_t p = 0; p < pattern.size(); ++p) {
            if (!((state >> p) & 1)) continue;
            if (pattern[p] == L'*')
                next |= std::uint64_t{1} << p;
            else if (pattern[p] == L'?' || SameUnit(pattern[p], unit))
                next |= std::uint64_t{1} << (p + 1);
        }
        state = CloseStars(pattern, next);
    }
    return state;
}

}  // namespace host
