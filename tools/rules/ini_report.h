// What a community rule file gave: the keys dropped and the sections
// skipped, with their reasons, and those reasons grouped by kind.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace host {

// A key of a community section that was left out, or a section skipped as
// a whole, and why.
struct ImportFault {
    std::size_t at = 0;    // the section's place in the file: 1 for the first
    std::wstring section;  // "Discord Cache *"
    std::wstring key;      // "FileKey2=%Steam%\logs|*.*"; may be empty for a section
    std::wstring reason;   // "uses the unknown variable %Steam%"
};

// What a community rule file gave: every key dropped and every section
// skipped, with its reason.
struct ImportReport {
    std::size_t sections = 0;
    std::size_t rulesMade = 0;
    std::size_t registryKeys = 0;          // RegKey and REG| lines: not supported
    std::vector<ImportFault> droppedKeys;  // left out; their sections kept the other keys
    std::vector<ImportFault> skipped;      // sections left out as a whole
};

// Faults of one kind: the reason with what differs from key to key (a
// quoted text, the name of an unknown variable) left out, and how many keys
// and sections it struck. example is the first fault of the kind.
struct ReasonGroup {
    std::wstring kind;     // "uses the unknown variable %...%"
    bool skipped = false;  // the sections were skipped (else keys were dropped)
    std::size_t keys = 0, sections = 0;
    const ImportFault* example = nullptr;
};

// The report's reasons grouped by kind, the most frequent first (then in
// the order met); the dropped keys and the skipped sections group apart.
std::vector<ReasonGroup> GroupReasons(const ImportReport& report);

}  // namespace host
