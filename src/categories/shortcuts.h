// Broken-shortcut checks: reading the path a shortcut stores and deciding
// whether it still exists.
#pragma once

#include <string>

namespace ufc {

// Loads the shortcut file and reads the target path it stores into target
// (capacity units). The link is never resolved: nothing searches for a moved
// target. True when the file loaded and its path was read; the path may be
// empty (a link to a web address or a shell object).
bool ResolveShortcutTarget(const std::wstring& shortcutPath, wchar_t* target, int capacity);

// 1 when target exists as stored or under its other 32/64-bit spelling, with
// file-system redirection first off, then on; 0 otherwise; 1 for null.
// Redirection is switched back on before returning.
int TargetExistsInAnyView(const wchar_t* target);

}  // namespace ufc
