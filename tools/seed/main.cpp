// Seeds the demo prefix with a realistic profile of junk and traces.
#include <cstdio>
#include <exception>

#include "fixtures/demo_profile.h"
#include "fixtures/fixtures.h"

int wmain() {
    try {
        const std::vector<fx::SeededFile> made = fx::SeedDemoProfile();
        std::uint64_t bytes = 0;
        for (const fx::SeededFile& file : made) bytes += file.size;
        std::printf("seeded the demo profile: %u files, %llu bytes\n",
                    static_cast<unsigned>(made.size()), static_cast<unsigned long long>(bytes));
        return 0;
    } catch (const std::exception& error) {
        // The builders throw when the prefix refuses a file or key.
        std::fprintf(stderr, "seeding failed: %s\n", error.what());
        return 1;
    }
}
