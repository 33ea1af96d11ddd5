// The name and group of a community section's rule, read from the words
// of its name and of its Section key.
#pragma once

#include <string>

#include "rules/model.h"

namespace host {

// Names a community section's rule: "Discord Cache *" is Discord's "cache"
// in group cache. Words anywhere in the name, or in the text of its Section
// key (sectionKey, empty when it has none), give the group: a section that
// says passwords, bookmarks or sync data is "credentials", one that says
// none of the groups' words "other".
void NameRule(const std::wstring& section, const std::wstring& sectionKey, CleaningRule* rule);

}  // namespace host
