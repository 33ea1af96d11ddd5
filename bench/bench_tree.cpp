// Building, shrinking and restoring the synthetic tree.
#include "bench_tree.h"

#include <cstdio>

#include "fs/handles.h"
#include "util/shell_folders.h"
#include "fs/path_text.h"

namespace bench {

namespace {

const char kFiller[4096] = {};

std::wstring Numbered(const wchar_t* prefix, int n, const wchar_t* suffix = L"") {
    wchar_t text[32];
    swprintf(text, 32, L"%ls%03d%ls", prefix, n, suffix);
    return text;
}

}  // namespace

std::uint32_t SizeOfFile(std::uint64_t n) {
    // A multiplicative hash spreads the sizes without a pattern per folder.
    return static_cast<std::uint32_t>((n * 2654435761u) % 4097u);
}

bool WriteFileOfSize(const wchar_t* path, std::uint32_t size, const FILETIME* time) {
    ufc::unique_hfile file(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD written = 0;
    return (size == 0 ||
            (WriteFile(file.get(), kFiller, size, &written, nullptr) && written == size)) &&
           (!time || SetFileTime(file.get(), time, time, time));
}

SyntheticTree::SyntheticTree(std::wstring temp, std::wstring park, TreeShape shape)
    : temp_(std::move(temp)), park_(std::move(park)), shape_(shape) {}

std::wstring SyntheticTree::TopName(int top) const {
    return Numbered(L"top", top);
}

bool SyntheticTree::BuildTop(int top) const {
    std::wstring topPath = temp_ + L"\\" + TopName(top);
    CreateDirectoryW(topPath.c_str(), nullptr);
    std::uint64_t n = static_cast<std::uint64_t>(top) * shape_.FilesPerTop();
    for (int m = 0; m < shape_.middles; ++m) {
        std::wstring middle = topPath + L"\\" + Numbered(L"mid", m);
        CreateDirectoryW(middle.c_str(), nullptr);
        for (int l = 0; l < shape_.leaves; ++l) {
            std::wstring leaf = middle + L"\\" + Numbered(L"leaf", l);
            CreateDirectoryW(leaf.c_str(), nullptr);
            for (int f = 0; f < shape_.filesPerLeaf; ++f, ++n) {
                std::wstring file = leaf + L"\\" + Numbered(L"file", f, L".tmp");
                if (!WriteFileOfSize(file.c_str(), SizeOfFile(n))) return false;
            }
        }
    }
    return true;
}

bool SyntheticTree::Build() {
    Remove();
    CreateDirectoryW(temp_.c_str(), nullptr);
    for (int top = 0; top < shape_.tops; ++top)
        if (!BuildTop(top)) return false;
    return true;
}

bool SyntheticTree::SetFullSize(bool full) {
    CreateDirectoryW(park_.c_str(), nullptr);
    for (int top = 1; top < shape_.tops; ++top) {
        std::wstring inTemp = temp_ + L"\\" + TopName(top);
        std::wstring parked = park_ + L"\\" + TopName(top);
        const std::wstring& from = full ? parked : inTemp;
        const std::wstring& to = full ? inTemp : parked;
        if (!MoveFileW(from.c_str(), to.c_str())) return false;
    }
    return true;
}

bool SyntheticTree::Recreate(const FoundItem& item) const {
    wchar_t path[ufc::kPathUnits];
    if (!ufc::CopyExact(path, item.folder) || !ufc::AppendExact(path, item.name)) return false;
    // Dated as the scan saw it: the clean deletes only the file it listed.
    FILETIME written;
    return SystemTimeToFileTime(&item.written, &written) &&
           WriteFileOfSize(path, static_cast<std::uint32_t>(item.size), &written);
}

void SyntheticTree::Remove() const {
    // The temporary folder of the benchmark's own prefix: everything in it
    // goes, so that the scan sees the synthetic files only.
    ufc::DeleteFolderTree(temp_, false);
    ufc::DeleteFolderTree(park_, true);
}

}  // namespace bench
