// Seeds the demo prefix with a realistic profile of junk and traces.
#include <cstdio>

#include "fixtures/demo_profile.h"
#include "fixtures/fixtures.h"

int wmain() {
    const std::vector<fx::SeededFile> made = fx::SeedDemoProfile();
    std::uint64_t bytes = 0;
    for (const fx::SeededFile& file : made) bytes += file.size;
    std::printf("seeded the demo profile: %u files, %llu bytes\n",
                static_cast<unsigned>(made.size()), static_cast<unsigned long long>(bytes));
    return 0;
}
