#include "scan/text_rules.h"

#include "fs/path_text.h"

namespace ufc {

int SplitExtensionFilter(const wchar_t* filterText, ExtensionTokens* tokens) {
    if (!filterText || !tokens) return 1;
    std::size_t start = 0;
    std::size_t length = TextLength(filterText);
    for (std::size_t i = 0; i < length; ++i) {
        if (filterText[i] != L'|') continue;
        tokens->emplace_back(filterText + start, i - start);
        start = i + 1;
    }
    // The piece after the last separator is a token unless it is empty.
    if (start < length) tokens->emplace_back(filterText + start, length - start);
    return 1;
}

int GetFileExtension(const wchar_t* name, std::size_t capacity, wchar_t* out) {
    if (!name) return 0;
    const wchar_t* dot = nullptr;
    const wchar_t* p = name;
    for (; *p; ++p)
        if (*p == L'.') dot = p;
    if (!dot) return 0;
    for (const wchar_t* q = dot; *q; ++q)
        if (*q == L'\\') return 0;  // the dot is part of a folder's name
    std::size_t units = static_cast<std::size_t>(p - dot);
    if (!out || units >= capacity) return 0;
    for (std::size_t i = 0; i < units; ++i) out[i] = dot[i];
    out[units] = 0;
    return 1;
}

bool ExtensionMatchesFilter(const wchar_t* name, const ExtensionTokens& tokens) {
    wchar_t extension[kPathUnits] = {};
    if (GetFileExtension(name, kPathUnits, extension))
        for (wchar_t* c = extension; *c; ++c)
            if (*c >= L'A' && *c <= L'Z') *c = static_cast<wchar_t>(*c - L'A' + L'a');
    for (const auto& token : tokens)
        if (token == extension) return true;
    return false;
}

}  // namespace ufc
