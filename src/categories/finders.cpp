#include "categories/finders.h"

#include <windows.h>

#include "fs/handles.h"
#include "fs/path_text.h"

namespace ufc {

namespace {

// A link to a folder (junction, folder symlink) is never entered: a cycle
// of links could otherwise make a walk endless, and whatever it points to
// does not belong to the tree being collected.
bool IsEnterableFolder(const WIN32_FIND_DATAW& entry) {
    return (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
}

bool IsDotOrDotDot(const wchar_t* name) {
    return name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0));
}

// Every path handed on must fit a 260-unit buffer; deeper ones are skipped
// whole rather than cut into some other path.
bool FitsPathBuffer(const std::wstring& path) {
    return path.size() < kPathUnits;
}

// The extension of a name: from its last dot to the end. Empty when there is
// no dot or the dot is the last character.
std::wstring ExtensionOf(const wchar_t* name) {
    std::wstring text = name;
    std::size_t dot = text.rfind(L'.');
    if (dot == std::wstring::npos || dot + 1 == text.size()) return {};
    return text.substr(dot);
}

bool EndsWith(const std::wstring& text, const std::wstring& suffix) {
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// Opens the enumeration of prefix + "*.*" (prefix ends in a backslash); an
// invalid owner when the pattern does not fit or the folder cannot be read.
unique_hfind OpenFolder(const std::wstring& prefix, WIN32_FIND_DATAW* entry) {
    wchar_t pattern[kPathUnits];
    if (!CopyExact(pattern, prefix.c_str()) || !AppendExact(pattern, L"*.*")) return {};
    return unique_hfind(FindFirstFileW(pattern, entry));
}

}  // namespace

void FindFilesByExtension(const std::wstring& folder, std::list<std::wstring>* paths,
                          const std::vector<std::wstring>& extensions, bool filterByExtension,
                          bool recursive) {
    // A failed special-folder lookup gives an empty folder; "\*.*" would name
    // the root of the current drive.
    if (folder.empty() || !paths) return;
    std::wstring prefix = folder;
    if (prefix.back() != L'\\') prefix += L'\\';

    WIN32_FIND_DATAW entry;
    unique_hfind find = OpenFolder(prefix, &entry);
    if (!find) return;
    do {
        std::wstring full = prefix + entry.cFileName;
        if (!FitsPathBuffer(full)) continue;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (recursive && entry.cFileName[0] != L'.' && IsEnterableFolder(entry))
                FindFilesByExtension(full, paths, extensions, filterByExtension, true);
            continue;
        }
        if (!filterByExtension) {
            paths->push_back(full);
            continue;
        }
        std::wstring extension = ExtensionOf(entry.cFileName);
        if (extension.empty()) continue;
        // Every equal entry appends: the lists in use hold distinct entries.
        for (const auto& wanted : extensions)
            if (wanted == extension) paths->push_back(full);
    } while (FindNextFileW(find.get(), &entry));
}

void FindFilesBySuffix(const std::wstring& folder, std::list<std::wstring>* paths,
                       const std::wstring& suffix, bool recursive) {
    if (folder.empty() || !paths) return;
    std::wstring prefix = folder + L"\\";

    WIN32_FIND_DATAW entry;
    unique_hfind find = OpenFolder(prefix, &entry);
    if (!find) return;
    do {
        if (IsDotOrDotDot(entry.cFileName)) continue;
        std::wstring full = prefix + entry.cFileName;
        if (!FitsPathBuffer(full)) continue;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (recursive && IsEnterableFolder(entry)) FindFilesBySuffix(full, paths, suffix, true);
            continue;
        }
        if (suffix.empty() || EndsWith(entry.cFileName, suffix)) paths->push_back(full);
    } while (FindNextFileW(find.get(), &entry));
}

}  // namespace ufc
