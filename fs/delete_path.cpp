#include "fs/delete_path.h"

#include <cwchar>

namespace ufc {

bool IsPathSeparator(wchar_t c) {
    return c == L'\\';
}

bool IsPlainName(const std::wstring& name) {
    if (name.empty() || name == L"." || name == L"..") return false;
    for (wchar_t c : name)
        if (c < 32 || std::wcschr(L"/:*?\"<>|", c)) return false;
    return true;
}

std::wstring PlainPath(const wchar_t* path) {
    std::wstring text = path ? path : L"";
    if (text.compare(0, 8, L"\\\\?\\UNC\\") == 0) return L"\\" + text.substr(7);
    if (text.compare(0, 4, L"\\\\?\\") == 0) return text.substr(4);
    return text;
}

std::wstring VolumeOf(const std::wstring& path) {
    if (path.size() >= 3 && path[1] == L':' && IsPathSeparator(path[2])) return path.substr(0, 3);
    if (path.compare(0, 2, L"\\\\") != 0) return {};
    const std::size_t server = path.find(L'\\', 2);
    // A server without a share names no volume; \\?\ and \\.\ are the
    // system's own namespaces, not servers.
    if (server == std::wstring::npos || server == 2 || server + 1 == path.size()) return {};
    if (server == 3 && (path[2] == L'?' || path[2] == L'.')) return {};
    const std::size_t share = path.find(L'\\', server + 1);
    if (share == server + 1) return {};
    return path.substr(0, share);
}

std::wstring NormalRoot(const std::wstring& root) {
    std::wstring text = PlainPath(root.c_str());
    if (text.size() == 2 && text[1] == L':') text += L'\\';
    while (text.size() > 3 && IsPathSeparator(text.back())) text.pop_back();
    if (text.empty() || VolumeOf(IsPathSeparator(text.back()) ? text : text + L"\\").empty())
        return {};
    return text;
}

bool HoldsPath(std::wstring_view root, std::wstring_view path, std::size_t* below) {
    if (root.empty() || path.size() < root.size() || path.compare(0, root.size(), root) != 0)
        return false;
    if (IsPathSeparator(root.back())) {
        *below = root.size();
    } else if (path.size() == root.size() || IsPathSeparator(path[root.size()])) {
        *below = root.size() + 1;
    } else {
        return false;
    }
    return true;
}

bool SplitNames(const std::wstring& path, std::size_t below, std::vector<std::wstring>* names) {
    names->clear();
    std::size_t start = below;
    while (start < path.size()) {
        std::size_t end = path.find(L'\\', start);
        if (end == std::wstring::npos) end = path.size();
        names->push_back(path.substr(start, end - start));
        if (!IsPlainName(names->back())) return false;
        start = end + 1;
    }
    if (!path.empty() && IsPathSeparator(path.back()) && below < path.size())
        names->push_back(std::wstring());
    return true;
}

}  // namespace ufc
