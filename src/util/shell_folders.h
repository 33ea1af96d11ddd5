// Shell folders, folder emptying, registry value counts, version strings.
#pragma once

#include <windows.h>

#include <string>

namespace ufc {

// The folder of a CSIDL; empty when the shell cannot resolve it.
std::wstring GetSpecialFolderPath(int csidl, bool create);

// The folder of a CSIDL through its item identifier list, in one module-wide
// buffer of 1024 units that the next call overwrites; empty on failure.
const wchar_t* GetSpecialFolderPathByIdList(int csidl);

// Empties the folder at path by handle: files are deleted (read-only ones
// too), subfolders emptied and removed. Folders whose name begins with a dot
// stay, and a link to a folder (a reparse point), there from the start or
// swapped in while the walk runs, is never entered: at most the link itself
// goes. removeRoot also removes path itself.
void DeleteFolderTree(std::wstring path, bool removeRoot);

// Number of values of an open key; 0 when the query fails.
DWORD GetRegistryValueCount(HKEY key);

// The named version-resource string of a file into out (260 units at least),
// or an error text and false.
bool GetFileVersionString(wchar_t* out, const wchar_t* filePath, const wchar_t* valueName);

}  // namespace ufc
