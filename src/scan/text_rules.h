// The text rules of the folder scanner: splitting an extension filter and
// taking a file's extension. No system calls and no windows.h: these also
// compile natively on Linux with a 16-bit wchar_t for the fuzz targets.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace ufc {

using ExtensionTokens = std::vector<std::wstring>;

// Appends the "|"-separated pieces of filterText to tokens, in order. A final
// "|" adds no empty token; two adjacent ones make an empty token. A null
// filter adds nothing. Always 1.
int SplitExtensionFilter(const wchar_t* filterText, ExtensionTokens* tokens);

// The extension of name, dot included, into out (capacity units with the
// terminator). 1 when the name has one; 0, leaving out untouched, when it
// has none, when its last dot belongs to a folder, or when it does not fit.
int GetFileExtension(const wchar_t* name, std::size_t capacity, wchar_t* out);

// Whether a file name passes the tokens: its extension (empty when it has
// none), with the letters A to Z lowered, equals one token exactly. Tokens
// are compared as given, so a token with an upper-case letter never matches.
bool ExtensionMatchesFilter(const wchar_t* name, const ExtensionTokens& tokens);

}  // namespace ufc
