#include "hostile.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <string>

#include "fixtures/fixtures.h"

namespace hostile {

namespace {
std::atomic<std::uint64_t> casesTried{0}, filesChecked{0};

// Prints the figures once the whole program has run.
class Figures : public testing::Environment {
public:
    void TearDown() override {
        std::printf("hostile figures: %llu cases tried, %llu files checked\n",
                    static_cast<unsigned long long>(casesTried.load()),
                    static_cast<unsigned long long>(filesChecked.load()));
    }
};
testing::Environment* const figures = testing::AddGlobalTestEnvironment(new Figures);

}  // namespace

void CountCase(std::uint64_t n) {
    casesTried += n;
}
void CountFilesChecked(std::uint64_t n) {
    filesChecked += n;
}

std::size_t CountHandles() {
    std::size_t n = 0;
    DWORD flags = 0;
    for (std::uintptr_t value = 4; value < 0x8000; value += 4)
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++n;
    return n;
}

std::uint64_t AnonymousMemoryKiB() {
    // scripts/wine-run names the status file: P: maps /proc, and the program
    // keeps the pid of the shell that started it.
    wchar_t path[MAX_PATH] = {};
    const DWORD n = GetEnvironmentVariableW(L"UFC_OWN_STATUS", path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return 0;
    const std::string status = fx::ReadFileText(path);
    const std::size_t at = status.find("RssAnon:");
    return at == std::string::npos ? 0 : std::strtoull(status.c_str() + at + 8, nullptr, 10);
}

}  // namespace hostile
