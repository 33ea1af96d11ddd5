// Fixtures of the composite operations: recycled files, broken shortcuts and
// the places of the log files.
#pragma once

#include <string>

namespace ifx {

// Moves a file into the recycle bin as the shell's delete does.
bool Recycle(const std::wstring& path);
// Empties the recycle bin of this test program's private home.
void EmptyBin();
// Items in the bin as the shell counts them for the root C:\.
unsigned long long BinItemCount();

// A shortcut at linkPath whose target file existed when it was saved and has
// been deleted since.
bool MakeBrokenShortcut(const std::wstring& linkPath, const std::wstring& target);

// The file that log.dll writes for a log name.
std::wstring LogFilePath(const std::wstring& name);

}  // namespace ifx
