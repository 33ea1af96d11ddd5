// The window's choice saved as a profile of the console host, so that a
// choice made here can be cleaned by name or on a schedule.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace gui {

// Saves the checked rows (categories, and the rules of rule rows) under
// name. The text for the notice line: what was saved, or why not.
bool SaveChoiceAsProfile(const std::wstring& name, const std::vector<std::uint32_t>& checked,
                         std::wstring* message);

}  // namespace gui
