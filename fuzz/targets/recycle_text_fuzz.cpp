// Reading back the recycle bin's size and date columns: any text ends in a
// defined result (no undefined conversion, no read past the text), and the
// documented shapes give the documented numbers.
#include <cmath>
#include <string>

#include "fuzz_input.h"
#include "scan/recycle_text.h"

namespace {

// std::to_wstring goes through glibc's 32-bit swprintf: format by hand.
std::wstring Decimal(std::uint64_t n) {
    std::wstring out;
    do {
        out.insert(out.begin(), static_cast<wchar_t>(L'0' + n % 10));
        n /= 10;
    } while (n);
    return out;
}

constexpr std::uint64_t kUntouched = 0xFEEDFACECAFEBEEFull;
constexpr std::uint16_t kUnset = 0xBEEF;

void CheckSizeAnyText(const std::wstring& text) {
    std::uint64_t size = kUntouched;
    FUZZ_CHECK(ufc::ParseSizeText(text, &size) == 1);
    std::size_t space = text.find(L' ');
    if (space != std::wstring::npos && space + 1 == text.size()) FUZZ_CHECK(size == kUntouched);
    if (space == std::wstring::npos)
        FUZZ_CHECK(size == static_cast<std::uint64_t>(wcstoll(text.c_str(), nullptr, 10)));
}

// "<n> <unit>..." with a whole number n: n scaled by the unit exactly.
void CheckSizeShape(std::uint32_t n, wchar_t unit, const std::wstring& tail) {
    n %= 1u << 20;  // exact in single precision
    std::wstring text = Decimal(n) + L" " + unit + tail;
    std::uint64_t size = kUntouched;
    ufc::ParseSizeText(text, &size);
    std::uint64_t factor = 1;
    if (unit == L'K' || unit == L'k') factor = 1024;
    if (unit == L'M' || unit == L'm') factor = 1024 * 1024;
    if (unit == L'G' || unit == L'g') factor = 1024ull * 1024 * 1024;
    FUZZ_CHECK(size == n * factor);
}

void CheckDateAnyText(const std::wstring& text) {
    std::uint16_t year = kUnset, month = kUnset, day = kUnset;
    int result = ufc::ParseDateText(text, &year, &month, &day);
    std::size_t first = text.find(L'/');
    std::size_t second = first == std::wstring::npos ? first : text.find(L'/', first + 1);
    bool complete =
        second != std::wstring::npos && text.find(L' ', second + 1) != std::wstring::npos;
    FUZZ_CHECK(result == (complete ? 1 : 0));
    // Fields are stored in order up to the failure, the rest stay as they were.
    if (first == std::wstring::npos) FUZZ_CHECK(year == kUnset);
    if (second == std::wstring::npos) FUZZ_CHECK(month == kUnset);
    if (!complete) FUZZ_CHECK(day == kUnset);
}

// "?Y/?M/?D hh:mm": the three numbers exactly.
void CheckDateShape(std::uint16_t y, std::uint16_t m, std::uint16_t d, wchar_t mark) {
    if (mark >= L'0' && mark <= L'9') mark = L'x';  // the mark is passed over
    y %= 10000;
    m %= 13;
    d %= 32;
    std::wstring text = std::wstring(1, mark) + Decimal(y) + L"/" + mark + Decimal(m) + L"/" +
                        mark + Decimal(d) + L" 10:30";
    std::uint16_t year = kUnset, month = kUnset, day = kUnset;
    FUZZ_CHECK(ufc::ParseDateText(text, &year, &month, &day) == 1);
    if (mark == L'/' || mark == L' ') return;  // the mark itself moves the separators
    FUZZ_CHECK(year == y && month == m && day == d);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    auto n = in.Take<std::uint32_t>();
    auto unit = in.Take<wchar_t>();
    auto y = in.Take<std::uint16_t>(), m = in.Take<std::uint16_t>(), d = in.Take<std::uint16_t>();
    auto mark = in.Take<wchar_t>();
    std::wstring tail = in.Text(8);
    std::wstring text = in.Rest();
    CheckSizeAnyText(text);
    CheckDateAnyText(text);
    if (unit != 0) CheckSizeShape(n, unit, tail);
    if (mark != 0) CheckDateShape(y, m, d, mark);
    return 0;
}
