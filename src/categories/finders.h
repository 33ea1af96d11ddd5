// Recursive path collectors of the file-category scans: a folder tree turned
// into a flat list of full file paths, depth first in enumeration order.
#pragma once

#include <list>
#include <string>
#include <vector>

namespace ufc {

// Appends every file below folder whose extension (last dot to the end) is
// one of `extensions`, compared exactly; with filterByExtension false every
// file. Folders whose name begins with a dot are not entered.
void FindFilesByExtension(const std::wstring& folder, std::list<std::wstring>* paths,
                          const std::vector<std::wstring>& extensions, bool filterByExtension,
                          bool recursive);

// Appends every file below folder whose name ends in suffix (case-sensitive);
// an empty suffix lists every file. Only "." and ".." are passed over.
void FindFilesBySuffix(const std::wstring& folder, std::list<std::wstring>* paths,
                       const std::wstring& suffix, bool recursive);

}  // namespace ufc
