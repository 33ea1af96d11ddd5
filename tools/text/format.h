// Text helpers shared by the hosts: UTF-8, sizes for people, path globs.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "UnusedFileClean.h"

namespace host {

// UTF-8 of a UTF-16 text; a lone surrogate becomes U+FFFD.
std::string Utf8(const std::wstring& text);
std::wstring Widen(const std::string& utf8);

// The text of a file as its bytes hold it: UTF-8 (with or without its byte
// order mark), or UTF-16 little- or big-endian with its byte order mark or
// without one (told by the NUL bytes of the first characters). False for
// what is none of these (a sequence that is not UTF-8, an odd number of
// bytes of UTF-16, a NUL character: a binary file), with *line the first
// line that cannot be read (from 1) and *reason what is wrong there.
bool DecodeText(const std::string& bytes, std::wstring* text, std::size_t* line,
                std::wstring* reason);

// "0 B", "512 B", "1.5 KB", "23.4 MB" (powers of 1024).
std::wstring HumanSize(std::uint64_t bytes);

// The item's folder and name joined with one backslash.
std::wstring ItemPath(const FoundItem& item);

// "2026-12-06 04:10", or empty when the date is unset or not a valid date.
std::wstring FormatDate(const SYSTEMTIME& date);

// Whether two names are the same as the file system compares them: ordinal,
// case-insensitive.
bool SameText(const std::wstring& a, const std::wstring& b);
bool SameText(const std::wstring& a, const wchar_t* b);

// Glob match as Windows paths compare: case-insensitive, '*' any run of
// characters (backslashes included), '?' any one character.
bool GlobMatch(const std::wstring& pattern, const std::wstring& text);

// GlobMatch a part at a time, for patterns of at most kGlobStateUnits
// units: bit p of a state says that the first p units of the pattern can
// have matched the text fed so far (0: none can). A host feeds a folder
// once and each name in it after.
constexpr std::size_t kGlobStateUnits = 63;
std::uint64_t GlobStart(const std::wstring& pattern);
std::uint64_t GlobFeed(const std::wstring& pattern, std::uint64_t state, std::wstring_view text);
inline bool GlobAccepts(const std::wstring& pattern, std::uint64_t state) {
    return (state >> pattern.size()) & 1;
}

// Upper case of every UTF-16 unit: paths compare folded (GlobMatch too).
const wchar_t* FoldTable();
inline wchar_t FoldUnit(wchar_t unit) {
    return FoldTable()[static_cast<std::uint16_t>(unit)];
}
std::wstring Folded(std::wstring_view text);
// Whether text holds needle, case-insensitive; needle comes folded.
bool ContainsFolded(std::wstring_view text, std::wstring_view foldedNeedle);

}  // namespace host
