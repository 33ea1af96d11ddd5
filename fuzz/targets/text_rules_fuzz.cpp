// Extension filter splitting and extension taking of the folder scanner:
// tokens rebuild the filter, an extension is the text from the last dot or
// nothing, out is never written past its capacity nor touched on failure,
// and matching ignores the letter case of the file's extension only.
#include "fuzz_input.h"
#include "scan/text_rules.h"
#include "fs/path_text.h"

namespace {

void CheckSplit(const std::wstring& filter) {
    auto text = fuzz::ExactCopy(filter);
    ufc::ExtensionTokens tokens{L"kept"};
    FUZZ_CHECK(ufc::SplitExtensionFilter(text.get(), &tokens) == 1);
    FUZZ_CHECK(!tokens.empty() && tokens.front() == L"kept");  // appended, never cleared
    std::wstring joined;
    for (std::size_t i = 1; i < tokens.size(); ++i) {
        FUZZ_CHECK(tokens[i].find(L'|') == std::wstring::npos);
        joined += tokens[i] + L"|";
    }
    std::wstring expected = filter;
    if (!expected.empty() && expected.back() != L'|') expected += L"|";
    FUZZ_CHECK(joined == expected);
}

void CheckExtension(const std::wstring& name, std::size_t capacity) {
    auto text = fuzz::ExactCopy(name);
    std::unique_ptr<wchar_t[]> out(new wchar_t[capacity ? capacity : 1]);
    for (std::size_t i = 0; i < (capacity ? capacity : 1); ++i) out[i] = 0xBEEF;
    int found = ufc::GetFileExtension(text.get(), capacity, out.get());

    std::size_t dot = name.rfind(L'.');
    bool has = dot != std::wstring::npos && name.find(L'\\', dot) == std::wstring::npos;
    std::wstring extension = has ? name.substr(dot) : std::wstring();
    FUZZ_CHECK(found == (has && extension.size() < capacity ? 1 : 0));
    if (found)
        FUZZ_CHECK(extension == out.get());
    else
        FUZZ_CHECK(out[0] == 0xBEEF);  // out untouched
}

void CheckMatch(const std::wstring& name, const std::wstring& filter) {
    ufc::ExtensionTokens tokens;
    auto filterText = fuzz::ExactCopy(filter);
    ufc::SplitExtensionFilter(filterText.get(), &tokens);
    bool matches = ufc::ExtensionMatchesFilter(fuzz::ExactCopy(name).get(), tokens);

    // The same name with its ASCII letters raised matches alike.
    std::wstring upper = name;
    for (auto& c : upper)
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    FUZZ_CHECK(ufc::ExtensionMatchesFilter(fuzz::ExactCopy(upper).get(), tokens) == matches);

    // A name without an extension matches exactly when an empty token exists.
    if (name.find(L'.') == std::wstring::npos) {
        bool empty = false;
        for (const auto& t : tokens) empty = empty || t.empty();
        FUZZ_CHECK(matches == empty);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    std::size_t capacity = in.Take<std::uint16_t>() % (ufc::kPathUnits + 20);
    std::wstring name = in.Text(1000);
    std::wstring filter = in.Rest();
    CheckSplit(filter);
    CheckExtension(name, capacity);
    CheckExtension(name, ufc::kPathUnits);
    CheckMatch(name, filter);
    return 0;
}
