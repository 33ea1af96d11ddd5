// The percentages of progress reports. No system calls: this header also
// compiles natively on Linux for the fuzz targets.
#pragma once

#include <cstdint>

namespace ufc {

// Progress of a walk: examined * 100 / expected, low 32 bits, 0 when nothing
// is expected. Never clamped.
inline std::uint32_t WalkPercent(std::uint64_t examined, std::uint64_t expected) {
    return expected == 0 ? 0u : static_cast<std::uint32_t>(examined * 100u / expected);
}

// Progress of a list: an accumulator that grows by 100 per step, divided by
// the number of steps (100 * (i + 1) / n). 0 when n is 0.
inline std::uint32_t StepPercent(std::uint32_t accumulator, std::uint64_t n) {
    return n == 0 ? 0u : static_cast<std::uint32_t>(accumulator / n);
}

}  // namespace ufc
