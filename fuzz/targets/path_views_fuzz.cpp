// The two spellings of a shortcut target: always ends, one candidate is the
// lowered target itself, the other differs only by whole rule rewrites.
#include "categories/path_views.h"
#include "fuzz_input.h"

namespace {

std::wstring LowerAscii(std::wstring text) {
    for (auto& c : text)
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    return text;
}

std::size_t Count(const std::wstring& text, const std::wstring& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::wstring::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    std::wstring target = in.Rest();
    ufc::PathViews views = ufc::RewritePathViews(target);
    const std::wstring lowered = LowerAscii(target);

    FUZZ_CHECK(views.first == lowered || views.second == lowered);
    bool anyRule = lowered.find(L"program files") != std::wstring::npos ||
                   lowered.find(L"ime") != std::wstring::npos ||
                   lowered.find(L"system32") != std::wstring::npos ||
                   lowered.find(L"syswow64") != std::wstring::npos;
    if (!anyRule) FUZZ_CHECK(views.first == lowered && views.second == lowered);
    // Rewrites add or drop " (x86)" (6 units) or swap equal-length names, at
    // most once per occurrence of the searched text.
    for (const std::wstring* view : {&views.first, &views.second}) {
        std::size_t a = view->size(), b = lowered.size();
        std::size_t diff = a > b ? a - b : b - a;
        FUZZ_CHECK(diff % 6 == 0);
        FUZZ_CHECK(diff <= 6 * (Count(lowered, L"ime") + Count(lowered, L"program files")));
        FUZZ_CHECK(LowerAscii(*view) == *view);
    }
    return 0;
}
