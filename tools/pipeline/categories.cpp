#include "pipeline/categories.h"

namespace host {

const std::vector<CategoryInfo>& Categories() {
    static const std::vector<CategoryInfo> table = {
        {1, L"Temporary internet files", CategoryKind::Scan},
        {2, L"Cookies", CategoryKind::Scan},
        {3, L"History", CategoryKind::Scan},
        {4, L"Typed addresses", CategoryKind::Scan},
        {5, L"Browser tracks", CategoryKind::Action},
        {6, L"Cache index files", CategoryKind::Scan},
        {7, L"Recent documents", CategoryKind::Scan},
        {8, L"Run history", CategoryKind::Scan},
        {9, L"Windows temporary files", CategoryKind::Scan},
        {10, L"Memory dumps", CategoryKind::Scan},
        {11, L"Disk-check fragments", CategoryKind::Scan},
        {12, L"Windows log files", CategoryKind::Scan},
        {13, L"Broken Start-menu shortcuts", CategoryKind::Scan},
        {14, L"Broken desktop and Quick Launch shortcuts", CategoryKind::Scan},
        {15, L"Office recent documents", CategoryKind::Scan},
        {16, L"Recycle bin", CategoryKind::Scan},
        {17, L"Clipboard", CategoryKind::Action},
        {18, L"Firefox cookies", CategoryKind::Scan},
        {19, L"Firefox downloads", CategoryKind::Scan},
        {20, L"Firefox caches", CategoryKind::Scan},
        {21, L"Firefox history", CategoryKind::Scan},
        {22, L"Firefox form history", CategoryKind::Scan},
        {23, L"Left-over uninstall folders", CategoryKind::Scan},
        {24, L"none", CategoryKind::None},
    };
    return table;
}

const CategoryInfo* FindCategory(std::uint32_t number) {
    for (const CategoryInfo& info : Categories())
        if (info.number == number) return &info;
    return nullptr;
}

const wchar_t* CategoryName(std::uint32_t number) {
    const CategoryInfo* info = FindCategory(number);
    return info ? info->name : L"unknown";
}

}  // namespace host
