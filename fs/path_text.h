// The bounded path texts of the walk and the deleter: a path fits its
// 260-unit buffer whole or is not taken, never cut into another path. No
// system calls: this header also compiles natively on Linux for the fuzz
// targets.
#pragma once

#include <cstddef>
#include <cwchar>

namespace ufc {

constexpr std::size_t kPathUnits = 260;  // MAX_PATH, terminator included

inline std::size_t TextLength(const wchar_t* s) {
    std::size_t n = 0;
    if (s)
        while (s[n]) ++n;
    return n;
}

inline bool IsHighSurrogate(wchar_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}

// Copies src into dst (capacity units, terminator included). Returns false,
// leaving dst empty, when src does not fit: a path is never cut into another.
inline bool CopyExact(wchar_t* dst, std::size_t capacity, const wchar_t* src) {
    if (!dst || capacity == 0) return false;
    std::size_t n = TextLength(src);
    if (n >= capacity) {
        dst[0] = 0;
        return false;
    }
    for (std::size_t i = 0; i < n; ++i) dst[i] = src[i];
    dst[n] = 0;
    return true;
}

template <std::size_t N>
bool CopyExact(wchar_t (&dst)[N], const wchar_t* src) {
    return CopyExact(dst, N, src);
}

// Appends src to the text in dst. Returns false, leaving dst unchanged, when
// the result would not fit.
inline bool AppendExact(wchar_t* dst, std::size_t capacity, const wchar_t* src) {
    std::size_t have = TextLength(dst);
    std::size_t add = TextLength(src);
    if (have + add >= capacity) return false;
    for (std::size_t i = 0; i < add; ++i) dst[have + i] = src[i];
    dst[have + add] = 0;
    return true;
}

template <std::size_t N>
bool AppendExact(wchar_t (&dst)[N], const wchar_t* src) {
    return AppendExact(dst, N, src);
}

// Copies at most capacity - 1 units of src (the first `limit` units at most)
// and terminates. A cut never splits a surrogate pair. Used for display
// fields where a shortened text is what the record promises.
inline void CopyTruncated(wchar_t* dst, std::size_t capacity, const wchar_t* src,
                          std::size_t limit = static_cast<std::size_t>(-1)) {
    if (!dst || capacity == 0) return;
    std::size_t n = 0;
    std::size_t max = capacity - 1 < limit ? capacity - 1 : limit;
    if (src)
        while (n < max && src[n]) ++n;
    if (src && src[n] && n > 0 && IsHighSurrogate(src[n - 1])) --n;
    for (std::size_t i = 0; i < n; ++i) dst[i] = src[i];
    dst[n] = 0;
}

template <std::size_t N>
void CopyTruncated(wchar_t (&dst)[N], const wchar_t* src) {
    CopyTruncated(dst, N, src);
}

inline bool EndsWithBackslash(const wchar_t* s) {
    std::size_t n = TextLength(s);
    return n > 0 && s[n - 1] == L'\\';
}

}  // namespace ufc
