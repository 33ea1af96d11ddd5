// How the rooted deleter reads a path: pure text work, no system call, so
// that it can be tested and fuzzed alone. A path is split into the root
// that anchors it and the plain names below; a name the system would read
// as anything but one entry of a folder is refused.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace ufc {

bool IsPathSeparator(wchar_t c);

// A name the deleter opens: one real name, nothing the system would read as
// a wildcard, a stream, another separator or a step up.
bool IsPlainName(const std::wstring& name);

// path without a leading \\?\ (\\?\UNC\ becomes \\); null reads as empty.
std::wstring PlainPath(const wchar_t* path);

// The root of the volume holding path ("C:\" or "\\server\share"), or empty.
std::wstring VolumeOf(const std::wstring& path);

// A root as compared: plain, "C:" made "C:\", no trailing backslash beyond
// a drive's own; empty for a text that names no volume.
std::wstring NormalRoot(const std::wstring& root);

// Whether root holds path (both letter case folded alike), and where the
// part below it starts.
bool HoldsPath(std::wstring_view root, std::wstring_view path, std::size_t* below);

// The names of path from below on, in order; a trailing backslash leaves an
// empty last name. False when a name is not plain (names then holds those
// read so far).
bool SplitNames(const std::wstring& path, std::size_t below, std::vector<std::wstring>* names);

}  // namespace ufc
