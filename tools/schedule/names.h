// What a profile or a schedule may be called, and the paths kept in them.
#pragma once

#include <string>

namespace host {

// A profile's or a schedule's name is also a file and a task name, compared
// as Windows compares those: letter case aside. It is 1 to 64 of A-Z, a-z,
// 0-9, '-', '_' and '.', starting with a letter or digit, not ending with a
// dot (Windows drops it: "a." would be "a"), and no device name (CON, PRN,
// AUX, NUL, COM0-9, LPT0-9, also with an extension: "con.txt"). False with
// the reason otherwise.
bool CheckName(const std::wstring& name, std::wstring* reason);

// A path kept in a record or handed to Task Scheduler: full (C:\... or
// \\server\share\...), shorter than MAX_PATH, without control characters or
// any of " < > | ? *. False with the reason, naming what the path is for.
bool CheckFullPath(const std::wstring& path, const wchar_t* what, std::wstring* reason);

}  // namespace host
