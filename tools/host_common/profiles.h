// Saved profiles: a named choice of what scan and clean take (categories,
// rule ids, opt-in rule groups, keep patterns, an age limit), kept as one
// JSON file per profile in the user's application data, so that a clean can
// be repeated by name, by hand or from a scheduled task.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "rules.h"

namespace host {

struct Profile {
    std::wstring name;
    std::vector<std::uint32_t> categories;  // as named, in order
    bool all = false;                       // every scan category and the default rules
    std::vector<std::wstring> ruleIds;
    std::vector<RuleGroup> withGroups;
    std::vector<std::wstring> keeps;
    bool noDefaultKeep = false;
    std::uint32_t olderThanDays = 0;  // 0: no age limit
};

// A profile's or a schedule's name is also a file or task name: 1 to 64 of
// A-Z, a-z, 0-9, '-', '_' and '.', starting with a letter or digit. False
// with the reason otherwise.
bool CheckName(const std::wstring& name, std::wstring* reason);

// <roaming application data>\UnusedFileClean, the home of the user's
// profiles and schedules; empty when the folder cannot be found.
std::wstring UserDataFolder();
std::wstring ProfileFile(const std::wstring& name);

// The profile as JSON text, and back. A fault (syntax, an unknown field, a
// value of the wrong kind, a category outside the table) fails the whole
// profile with "line <n>: <reason>".
std::string ProfileJson(const Profile& profile);
bool ParseProfile(const std::string& text, Profile* profile, std::wstring* error);

enum class ProfileStatus { Ok, Missing, Broken };

// Reads the named profile. Missing: no such profile; Broken: it cannot be
// read or parsed. Either way error says which file and why.
ProfileStatus LoadProfile(const std::wstring& name, Profile* profile, std::wstring* error);
// Writes it in place of one of the same name; false with a reason.
bool SaveProfile(const Profile& profile, std::wstring* error);
bool DeleteProfile(const std::wstring& name, std::wstring* error);
// The names of the saved profiles, sorted.
std::vector<std::wstring> ProfileNames();

// Makes the folder and every missing folder above it; false with a reason.
bool MakeFolder(const std::wstring& folder, std::wstring* error);

// Deletes the plain files of one folder that match pattern (never below it,
// never a link), then the folder when that leaves it empty. Returns the
// number of files deleted.
int DeleteFilesIn(const std::wstring& folder, const wchar_t* pattern);

// Whole small files: read into text (false for one over kLargestTextFile),
// or written through a temporary file and moved into place, so that a
// reader never sees half a file.
constexpr std::size_t kLargestTextFile = std::size_t{256} << 20;
bool ReadTextFile(const std::wstring& path, std::string* text);
bool WriteTextFile(const std::wstring& path, const std::string& text, std::wstring* error);

}  // namespace host
