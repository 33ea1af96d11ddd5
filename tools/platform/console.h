// Console output that stays readable on any code page: WriteConsoleW to a
// real console, UTF-8 bytes to a file or pipe.
#pragma once

#include <windows.h>

#include <string>

namespace host {

// True when the handle is a console (GetConsoleMode succeeds); anything
// else counts as redirected.
bool IsConsole(HANDLE handle);

void Write(HANDLE handle, const std::wstring& text);
inline void Out(const std::wstring& text) {
    Write(GetStdHandle(STD_OUTPUT_HANDLE), text);
}
inline void Err(const std::wstring& text) {
    Write(GetStdHandle(STD_ERROR_HANDLE), text);
}

// The console's width in columns, 80 when it cannot be read.
int ConsoleWidth(HANDLE handle);

}  // namespace host
