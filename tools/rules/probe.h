// What one run of rules looks at on this machine, each folder listed and
// each registry level enumerated once.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace host {

// What one run of rules (a scan, a listing, a detection of many rules) looks
// at on this machine. Each folder is listed once and each registry level
// enumerated once, then answered from memory, so that thousands of rules
// cost a few listings instead of a system call each. A probe does not see
// changes made after it read a folder: make one per run.
class RuleProbe {
public:
    RuleProbe();
    ~RuleProbe();
    RuleProbe(const RuleProbe&) = delete;
    RuleProbe& operator=(const RuleProbe&) = delete;

    // The real folders that a pattern below root ("*\Cache") names: a
    // wildcard part stands for every folder there that a walk may enter, a
    // literal part must be a real folder (not a link). The root itself may
    // be reached through a link. Each ends in a backslash and fits a
    // 260-unit path.
    std::vector<std::wstring> ExpandFolders(const std::wstring& root, const std::wstring& below);
    // The files that a pattern below root names ("Profiles\*\parent.lock").
    std::vector<std::wstring> ExpandFiles(const std::wstring& root, const std::wstring& below);
    // Whether a file or folder matches the pattern below root: a detection.
    bool PatternExists(const std::wstring& root, const std::wstring& below);
    // "HKCU\Software\Discord" (HKCU, HKLM, HKCR, HKU or their long names):
    // whether the key exists, in either registry view.
    bool RegistryKeyExists(const std::wstring& key);
    // Whether a process of one of these program names ("Spotify.exe") runs.
    bool ProcessRuns(const std::vector<std::wstring>& names);

private:
    struct Memory;
    std::unique_ptr<Memory> memory_;
};

}  // namespace host
