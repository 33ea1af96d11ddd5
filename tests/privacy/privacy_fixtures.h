// Keys and DACLs shared by the privacy tests.
#pragma once

#include <windows.h>

#include <string>

#include "fixtures/scan_test.h"
#include "fs/handles.h"

namespace pv {

inline const std::wstring kIntelliForms = L"Software\\Microsoft\\Internet Explorer\\IntelliForms";
// Puts a DACL given as text on a key ("D:" refuses everyone,
// "D:(A;;KR;;;WD)" lets everyone read); false when it cannot.
bool SetKeyDacl(HKEY root, const std::wstring& key, const wchar_t* dacl);
// Deletes a key tree even when some key refuses access: every key gets a
// null DACL first.
void ForceDeleteKey(HKEY root, const std::wstring& key);
// The key, existing and empty.
void ResetKey(HKEY root, const std::wstring& key);

}  // namespace pv
