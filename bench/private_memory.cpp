// Reading RssAnon from the status file of the program's own Unix process.
#include "private_memory.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "fs/handles.h"

namespace host {

PrivateMemory::PrivateMemory() {
    wchar_t path[MAX_PATH];
    DWORD n = GetEnvironmentVariableW(L"UFC_BENCH_STATUS", path, MAX_PATH);
    if (n > 0 && n < MAX_PATH) statusPath_ = path;
}

std::uint64_t PrivateMemory::Bytes() const {
    if (statusPath_.empty()) return 0;
    ufc::unique_hfile file(CreateFileW(statusPath_.c_str(), GENERIC_READ,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return 0;
    char text[8192];
    DWORD got = 0;
    if (!ReadFile(file.get(), text, sizeof text - 1, &got, nullptr)) return 0;
    text[got] = 0;
    const char* line = std::strstr(text, "RssAnon:");
    if (!line) return 0;
    return std::strtoull(line + 8, nullptr, 10) * 1024;  // the file counts kB
}

std::uint64_t PrivateMemory::SeenOfTouched32MiB() const {
    const std::size_t size = 32u << 20;
    std::uint64_t before = Bytes();
    void* block = VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (!block) return 0;
    std::memset(block, 1, size);
    std::uint64_t after = Bytes();
    VirtualFree(block, 0, MEM_RELEASE);
    return after > before ? after - before : 0;
}

}  // namespace host
