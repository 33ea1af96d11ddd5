// Keys, DACLs and the browser program swap shared by the privacy tests.
#pragma once

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/system_clean.h"
#include "fixtures/fixtures.h"
#include "util/handles.h"

namespace pv {

inline const std::wstring kTypedUrls = L"Software\\Microsoft\\Internet Explorer\\TypedURLs";
inline const std::wstring kRunMru =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RunMRU";
inline const std::wstring kIntelliForms = L"Software\\Microsoft\\Internet Explorer\\IntelliForms";
inline const std::wstring kStoreRoot = L"Software\\Microsoft\\Protected Storage System Provider\\";
inline const std::wstring kFormData = L"\\Data\\e161255a-37c3-11d2-bcaa-00c04fd929db";

// The current user's SID as a heap copy, and as "S-1-…" text.
std::vector<BYTE> CurrentUserSid();
std::wstring SidText(PSID sid);

// The DACL of a key as raw ACL bytes (empty when it cannot be read).
std::vector<BYTE> KeyDacl(HKEY root, const std::wstring& key);
// Puts a DACL on a key: one entry per SID with the given mask, or an empty
// DACL for no SIDs.
void SetKeyDacl(HKEY root, const std::wstring& key, const std::vector<PSID>& sids,
                DWORD mask = KEY_ALL_ACCESS);
// Deletes a key tree even when some key refuses access: every key gets a
// null DACL first.
void ForceDeleteKey(HKEY root, const std::wstring& key);
// The key, existing and empty.
void ResetKey(HKEY root, const std::wstring& key);

// Puts text on the clipboard; true when it is there.
inline bool PutClipboardText(const wchar_t* text) {
    if (!OpenClipboard(nullptr)) return false;
    EmptyClipboard();
    const std::size_t bytes = (wcslen(text) + 1) * sizeof(wchar_t);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes);
    memcpy(GlobalLock(block), text, bytes);
    GlobalUnlock(block);
    SetClipboardData(CF_UNICODETEXT, block);
    CloseClipboard();
    return IsClipboardFormatAvailable(CF_UNICODETEXT);
}

// Puts a program of the test's own (a file of the test program's folder;
// none: the program removed) in place of the browser's program file and puts
// the original back on destruction (also after a crashed run).
class BrowserProgramSwap {
public:
    BrowserProgramSwap();
    ~BrowserProgramSwap();
    void Replace(const wchar_t* standIn);

private:
    void Restore();
    std::wstring program_;
    std::wstring backup_;
};

}  // namespace pv
