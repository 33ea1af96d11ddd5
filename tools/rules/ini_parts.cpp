#include "rules/ini_parts.h"

namespace host::ini {

std::wstring Trim(const std::wstring& text) {
    const size_t first = text.find_first_not_of(L" \t\r\n");
    if (first == std::wstring::npos) return {};
    return text.substr(first, text.find_last_not_of(L" \t\r\n") - first + 1);
}

std::vector<std::wstring> Split(const std::wstring& text, wchar_t separator) {
    std::vector<std::wstring> fields;
    size_t start = 0;
    while (true) {
        const size_t end = text.find(separator, start);
        fields.push_back(Trim(text.substr(start, end - start)));
        if (end == std::wstring::npos) return fields;
        start = end + 1;
    }
}

}  // namespace host::ini
