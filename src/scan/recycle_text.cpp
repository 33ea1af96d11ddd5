#include "scan/recycle_text.h"

#include <cmath>
#include <cstdlib>
#include <cwchar>
#include <limits>

namespace ufc {

namespace {

// The C runtime's text-to-number readers. They stop at the first character
// that cannot belong to a number and give 0 when none is there.
#if defined(_WIN32)
int ReadInt(const wchar_t* text) {
    return _wtoi(text);
}
std::int64_t ReadInt64(const wchar_t* text) {
    return _wtoi64(text);
}
double ReadDouble(const wchar_t* text) {
    return _wtof(text);
}
#else
// Native builds (fuzzing) map them onto the standard readers, saturating an
// out-of-range int instead of narrowing it.
int ReadInt(const wchar_t* text) {
    long value = std::wcstol(text, nullptr, 10);
    if (value > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
    if (value < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
    return static_cast<int>(value);
}
std::int64_t ReadInt64(const wchar_t* text) {
    return std::wcstoll(text, nullptr, 10);
}
double ReadDouble(const wchar_t* text) {
    return std::wcstod(text, nullptr);
}
#endif

constexpr std::int64_t kInt64Max = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kInt64Min = std::numeric_limits<std::int64_t>::min();

// Truncation toward zero. Converting NaN or a value outside the 64-bit range
// is undefined in C++, so those saturate: NaN gives 0, the rest the nearest
// end of the range.
std::int64_t TruncateToInt64(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 9223372036854775808.0) return kInt64Max;  // 2^63
    if (value < -9223372036854775808.0) return kInt64Min;
    return static_cast<std::int64_t>(value);
}

// A signed multiplication that overflows is undefined in C++: it saturates.
std::int64_t MultiplySaturated(std::int64_t value, std::int64_t factor) {
    if (value > kInt64Max / factor) return kInt64Max;
    if (value < kInt64Min / factor) return kInt64Min;
    return value * factor;
}

// The text between two positions, empty when they leave no room.
std::wstring Between(const std::wstring& text, std::size_t begin, std::size_t end) {
    return begin < end ? text.substr(begin, end - begin) : std::wstring();
}

}  // namespace

int ParseSizeText(std::wstring text, std::uint64_t* size) {
    if (!size) return 1;
    std::size_t space = text.find(L' ');
    if (space == std::wstring::npos) {
        *size = static_cast<std::uint64_t>(ReadInt64(text.c_str()));
        return 1;
    }
    // The number is held in single precision, as the displayed value is.
    const float number = static_cast<float>(ReadDouble(text.substr(0, space).c_str()));
    if (space + 1 >= text.size()) return 1;

    std::int64_t bytes;
    switch (text[space + 1]) {
        case L'G':
        case L'g':
            bytes = MultiplySaturated(TruncateToInt64(number * 1024.0), 1048576);
            break;
        case L'M':
        case L'm':
            bytes = MultiplySaturated(TruncateToInt64(number * 1024.0), 1024);
            break;
        case L'K':
        case L'k':
            bytes = TruncateToInt64(number * 1024.0);
            break;
        default:
            bytes = TruncateToInt64(number);
            break;
    }
    // A negative count wraps into the unsigned field, as it always has.
    *size = static_cast<std::uint64_t>(bytes);
    return 1;
}

int ParseDateText(std::wstring text, std::uint16_t* year, std::uint16_t* month,
                  std::uint16_t* day) {
    if (text.empty() || !year || !month || !day) return 0;
    // Each number is read from one character after the start or separator;
    // a number wider than the field keeps its low 16 bits.
    std::size_t first = text.find(L'/');
    if (first == std::wstring::npos) return 0;
    *year = static_cast<std::uint16_t>(ReadInt(Between(text, 1, first).c_str()));

    std::size_t second = text.find(L'/', first + 1);
    if (second == std::wstring::npos) return 0;
    *month = static_cast<std::uint16_t>(ReadInt(Between(text, first + 2, second).c_str()));

    std::size_t blank = text.find(L' ', second + 1);
    if (blank == std::wstring::npos) return 0;
    *day = static_cast<std::uint16_t>(ReadInt(Between(text, second + 2, blank).c_str()));
    return 1;
}

}  // namespace ufc
