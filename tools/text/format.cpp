#include "text/format.h"

#include <cstdio>
#include <cwctype>
#include <vector>

namespace host {

namespace {

void AppendUtf8(std::string* out, std::uint32_t code) {
    if (code < 0x80) {
        out->push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out->push_back(static_cast<char>(0xC0 | (code >> 6)));
        out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out->push_back(static_cast<char>(0xE0 | (code >> 12)));
        out->push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out->push_back(static_cast<char>(0xF0 | (code >> 18)));
        out->push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

wchar_t Fold(wchar_t c) {
    return FoldUnit(c);
}

}  // namespace

const wchar_t* FoldTable() {
    // One table for every unit: a host folds millions of names.
    static const std::vector<wchar_t> table = [] {
        std::vector<wchar_t> made(0x10000);
        for (std::uint32_t c = 0; c < made.size(); ++c)
            made[c] = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c)));
        return made;
    }();
    return table.data();
}

std::wstring Folded(std::wstring_view text) {
    std::wstring out(text);
    for (wchar_t& unit : out) unit = FoldUnit(unit);
    return out;
}

bool ContainsFolded(std::wstring_view text, std::wstring_view foldedNeedle) {
    if (foldedNeedle.empty()) return true;
    if (text.size() < foldedNeedle.size()) return false;
    const wchar_t* fold = FoldTable();
    const std::size_t last = text.size() - foldedNeedle.size();
    for (std::size_t at = 0; at <= last; ++at) {
        if (fold[static_cast<std::uint16_t>(text[at])] != foldedNeedle[0]) continue;
        std::size_t k = 1;
        while (k < foldedNeedle.size() &&
               fold[static_cast<std::uint16_t>(text[at + k])] == foldedNeedle[k])
            ++k;
        if (k == foldedNeedle.size()) return true;
    }
    return false;
}

std::string Utf8(const std::wstring& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        std::uint32_t unit = static_cast<std::uint16_t>(text[i]);
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size()) {
            std::uint32_t low = static_cast<std::uint16_t>(text[i + 1]);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                AppendUtf8(&out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        if (unit >= 0xD800 && unit <= 0xDFFF) unit = 0xFFFD;
        AppendUtf8(&out, unit);
    }
    return out;
}

std::wstring Widen(const std::string& utf8) {
    if (utf8.empty()) return {};
    int length =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &out[0], length);
    return out;
}

std::wstring HumanSize(std::uint64_t bytes) {
    static const wchar_t* const units[] = {L"B", L"KB", L"MB", L"GB", L"TB", L"PB"};
    if (bytes < 1024) return std::to_wstring(bytes) + L" B";
    double value = static_cast<double>(bytes);
    size_t unit = 0;
    while (value >= 1024.0 && unit + 1 < sizeof(units) / sizeof(units[0])) {
        value /= 1024.0;
        ++unit;
    }
    wchar_t text[32];
    swprintf(text, 32, L"%.1f %ls", value, units[unit]);
    return text;
}

std::wstring ItemPath(const FoundItem& item) {
    std::wstring folder(item.folder, wcsnlen(item.folder, kTextUnits));
    std::wstring name(item.name, wcsnlen(item.name, kTextUnits));
    if (folder.empty()) return name;
    if (folder.back() != L'\\' && !name.empty()) folder.push_back(L'\\');
    return folder + name;
}

std::wstring FormatDate(const SYSTEMTIME& date) {
    // Unset or malformed dates are left out rather than shown as nonsense.
    if (date.wYear < 1601 || date.wMonth < 1 || date.wMonth > 12 || date.wDay < 1 ||
        date.wDay > 31 || date.wHour > 23 || date.wMinute > 59)
        return {};
    wchar_t text[32];
    swprintf(text, 32, L"%04u-%02u-%02u %02u:%02u", date.wYear, date.wMonth, date.wDay, date.wHour,
             date.wMinute);
    return text;
}

bool SameText(const std::wstring& a, const std::wstring& b) {
    return a.size() == b.size() &&
           CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

bool SameText(const std::wstring& a, const wchar_t* b) {
    const size_t length = wcslen(b);
    return a.size() == length && CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b,
                                                      static_cast<int>(length), TRUE) == CSTR_EQUAL;
}

bool GlobMatch(const std::wstring& pattern, const std::wstring& text) {
    // Iterative match with one back-track point: linear in practice, and
    // no recursion depth to exhaust on hostile patterns.
    size_t p = 0, t = 0, star = std::wstring::npos, resume = 0;
    while (t < text.size()) {
        if (p < pattern.size() && (pattern[p] == L'?' || Fold(pattern[p]) == Fold(text[t]))) {
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
            else if (pattern[p] == L'?' || Fold(pattern[p]) == Fold(unit))
                next |= std::uint64_t{1} << (p + 1);
        }
        state = CloseStars(pattern, next);
    }
    return state;
}

}  // namespace host
