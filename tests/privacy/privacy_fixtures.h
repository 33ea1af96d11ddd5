// Keys, DACLs and the browser program swap shared by the privacy tests.
#pragma once

#include <windows.h>

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
// A well-known SID (WinWorldSid, WinLocalSystemSid, …).
std::vector<BYTE> WellKnownSid(WELL_KNOWN_SID_TYPE type);
// Deletes a key tree even when some key refuses access: every key gets a
// null DACL first.
void ForceDeleteKey(HKEY root, const std::wstring& key);

// Puts a program of the test's own in place of the browser's program file
// and puts the original back on destruction (also after a crashed run).
class BrowserProgramSwap {
public:
    BrowserProgramSwap();
    ~BrowserProgramSwap();
    void Replace(const std::wstring& stand_in);
    void Remove();
    const std::wstring& Program() const { return program_; }

private:
    void Restore();
    std::wstring program_;
    std::wstring backup_;
};

}  // namespace pv
