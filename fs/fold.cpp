#include "fs/fold.h"

#include <windows.h>

#include <vector>

namespace ufc {

namespace {

// Maps the units [first, last] in place; a lone surrogate has no case, so
// the surrogate range is never handed over.
void Upper(std::vector<wchar_t>* table, std::uint32_t first, std::uint32_t last) {
    const int units = static_cast<int>(last - first + 1);
    LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, &(*table)[first], units, &(*table)[first],
                  units, nullptr, nullptr, 0);
}

}  // namespace

const wchar_t* FoldTable() {
    // One table for every unit: a host folds millions of names.
    static const std::vector<wchar_t> table = [] {
        std::vector<wchar_t> made(0x10000);
        for (std::uint32_t unit = 0; unit < made.size(); ++unit)
            made[unit] = static_cast<wchar_t>(unit);
        Upper(&made, 1, 0xD7FF);
        Upper(&made, 0xE000, 0xFFFF);
        return made;
    }();
    return table.data();
}

std::wstring Folded(std::wstring_view text) {
    std::wstring out(text);
    const wchar_t* fold = FoldTable();
    for (wchar_t& unit : out) unit = fold[static_cast<std::uint16_t>(unit)];
    return out;
}

bool SameFolded(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) return false;
    const wchar_t* fold = FoldTable();
    for (std::size_t i = 0; i < a.size(); ++i)
        if (fold[static_cast<std::uint16_t>(a[i])] != fold[static_cast<std::uint16_t>(b[i])])
            return false;
    return true;
}

bool StartsFolded(std::wstring_view text, std::wstring_view foldedPrefix) {
    if (text.size() < foldedPrefix.size()) return false;
    const wchar_t* fold = FoldTable();
    for (std::size_t i = 0; i < foldedPrefix.size(); ++i)
        if (fold[static_cast<std::uint16_t>(text[i])] != foldedPrefix[i]) return false;
    return true;
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

}  // namespace ufc
