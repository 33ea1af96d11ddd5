#include "text/format.h"

#include <cstdio>
#include <cwchar>
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

}  // namespace

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

std::wstring FormatTicks(std::uint64_t ticks) {
    const FILETIME utc = {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    SYSTEMTIME system = {}, local = {};
    if (!FileTimeToSystemTime(&utc, &system) ||
        !SystemTimeToTzSpecificLocalTime(nullptr, &system, &local))
        return {};
    return FormatDate(local);
}

bool ParseCount(const std::wstring& text, std::uint32_t max, std::uint32_t* value) {
    if (text.empty() || text.size() > 10 ||
        text.find_first_not_of(L"0123456789") != std::wstring::npos)
        return false;
    const unsigned long long number = std::wcstoull(text.c_str(), nullptr, 10);
    if (number > max) return false;
    *value = static_cast<std::uint32_t>(number);
    return true;
}

}  // namespace host
