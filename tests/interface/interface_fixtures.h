// Fixtures of the composite operations: broken shortcuts, the bin's count and
// the places of the log files.
#pragma once

#include <string>

namespace ifx {

// Items in the bin as the shell counts them for the root C:\.
unsigned long long BinItemCount();

// A shortcut at linkPath whose target file existed when it was saved and has
// been deleted since.
bool MakeBrokenShortcut(const std::wstring& linkPath, const std::wstring& target);

// The file that log.dll writes for a log name.
std::wstring LogFilePath(const std::wstring& name);

}  // namespace ifx
