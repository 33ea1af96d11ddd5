// Texts for people and files: UTF-8, sizes, dates, an item's path.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "UnusedFileClean.h"

namespace host {

// UTF-8 of a UTF-16 text; a lone surrogate becomes U+FFFD.
std::string Utf8(const std::wstring& text);
std::wstring Widen(const std::string& utf8);

// "0 B", "512 B", "1.5 KB", "23.4 MB" (powers of 1024).
std::wstring HumanSize(std::uint64_t bytes);

// The item's folder and name joined with one backslash.
std::wstring ItemPath(const FoundItem& item);

// "2026-12-06 04:10", or empty when the date is unset or not a valid date.
std::wstring FormatDate(const SYSTEMTIME& date);
// FILETIME ticks (UTC) as FormatDate says the local time.
std::wstring FormatTicks(std::uint64_t ticks);

// A whole number written in decimal digits alone, from 0 to max; false for
// any other text (a sign, a space, nothing, more than max).
bool ParseCount(const std::wstring& text, std::uint32_t max, std::uint32_t* value);

}  // namespace host
