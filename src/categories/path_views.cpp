#include "categories/path_views.h"

namespace ufc {

namespace {

struct RewriteRule {
    const wchar_t* find;
    bool changesSecond;
    const wchar_t* with;
};

// Searched in this order; only the first rule that matches is applied.
constexpr RewriteRule kRules[] = {
    {L"program files (x86)", true, L"program files"},
    {L"program files", false, L"program files (x86)"},
    {L"ime (x86)", true, L"ime"},
    {L"ime", false, L"ime (x86)"},
    {L"system32", false, L"syswow64"},
    {L"syswow64", true, L"system32"},
};

// Only A-Z are lowered, as the C locale does: the rule texts are ASCII and
// the file system compares names without regard to case anyway.
std::wstring LowerAscii(std::wstring text) {
    for (auto& c : text)
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    return text;
}

// Replaces every occurrence, scanning on after each replacement so that a
// replacement containing the searched text cannot make the loop endless.
std::wstring ReplaceAll(std::wstring text, const std::wstring& find, const std::wstring& with) {
    for (std::size_t at = text.find(find); at != std::wstring::npos;
         at = text.find(find, at + with.size()))
        text.replace(at, find.size(), with);
    return text;
}

}  // namespace

PathViews RewritePathViews(const std::wstring& target) {
    PathViews views;
    views.first = views.second = LowerAscii(target);
    const std::wstring copy = views.first;
    for (const auto& rule : kRules) {
        if (copy.find(rule.find) == std::wstring::npos) continue;
        std::wstring& changed = rule.changesSecond ? views.second : views.first;
        changed = ReplaceAll(copy, rule.find, rule.with);
        break;
    }
    return views;
}

}  // namespace ufc
