// Saved profiles: a named choice of what scan and clean take (categories,
// rule ids, opt-in rule groups, keep patterns, an age limit), kept as one
// JSON file per profile in the user's application data, so that a clean can
// be repeated by name, by hand or from a scheduled task.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pipeline/undo_policy.h"
#include "rules/model.h"
#include "platform/user_files.h"

namespace host {

struct Profile {
    std::wstring name;
    std::vector<std::uint32_t> categories;  // as named, in order
    bool all = false;                       // every scan category and the default rules
    std::vector<std::wstring> ruleIds;
    std::vector<RuleGroup> withGroups;
    std::vector<std::wstring> keeps;
    std::vector<std::wstring> keptSites;  // whose cookies stay, beside the user's list
    bool noDefaultKeep = false;
    std::uint32_t olderThanDays = 0;  // 0: no age limit
    // The rules file the profile's rules come from, by full path; empty
    // when the built-in rules hold them.
    std::wstring rulesFile;
    UndoMode undo = UndoMode::Default;  // what its cleans hold for undo
};

std::wstring ProfileFile(const std::wstring& name);

// The profile as JSON text, and back. A fault (syntax, an unknown field, a
// value of the wrong kind, a category outside the table) fails the whole
// profile with "line <n>: <reason>".
std::string ProfileJson(const Profile& profile);
bool ParseProfile(const std::string& text, Profile* profile, std::wstring* error);

enum class ProfileStatus { Ok, Missing, Broken };

// Reads the named profile. Missing: no such profile; Broken: it cannot be
// read or parsed, or the rules file it keeps is gone. Either way error says
// which file and why.
ProfileStatus LoadProfile(const std::wstring& name, Profile* profile, std::wstring* error);
// Sets the rules file the profile must keep to find its rules again: the
// one named when it is saved (namedFile, made a full path), else the default
// one when a rule it names came from there. rules are those loaded for the
// save. False with the reason when that file cannot be found.
bool KeepRulesFile(Profile* profile, const std::wstring& namedFile,
                   const std::vector<CleaningRule>& rules, std::wstring* error);
// Writes it in place of one of the same name (letter case aside); false
// with a reason. The caller holds the RecordsLock.
bool SaveProfile(const Profile& profile, std::wstring* error);
bool DeleteProfile(const std::wstring& name, std::wstring* error);  // under the lock, too
// The names of the saved profiles, sorted.
std::vector<std::wstring> ProfileNames();

}  // namespace host
