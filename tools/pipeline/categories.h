// The dispatcher's categories as a host shows them.
#pragma once

#include <cstdint>
#include <vector>

namespace host {

enum class CategoryKind { Scan, Action, None };

struct CategoryInfo {
    std::uint32_t number;
    const wchar_t* name;
    CategoryKind kind;  // Action: nothing to scan, the clean runs a step
};

const std::vector<CategoryInfo>& Categories();
// Null for a number outside the table.
const CategoryInfo* FindCategory(std::uint32_t number);
const wchar_t* CategoryName(std::uint32_t number);

}  // namespace host
