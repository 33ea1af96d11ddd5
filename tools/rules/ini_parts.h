// The pieces of the community format's reader that its files share.
#pragma once

#include <string>
#include <vector>

namespace host::ini {

// The text without leading and trailing blanks.
std::wstring Trim(const std::wstring& text);
// The fields between the separators, each trimmed.
std::vector<std::wstring> Split(const std::wstring& text, wchar_t separator);

}  // namespace host::ini
