// Bounded copies and progress arithmetic of util/text.h: a copy never writes
// past its buffer, never cuts a path into another one, never splits a
// surrogate pair; a percentage is the exact quotient.
#include <cstdio>
#include <cstdlib>

#include "fuzz_input.h"
#include "fs/path_text.h"
#include "util/percent.h"

namespace {

bool IsLowSurrogate(wchar_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

void CheckCopies(fuzz::Input& in) {
    std::size_t capacity = in.Take<std::uint8_t>() % 40;  // around the short texts
    if (in.Take<std::uint8_t>() & 1) capacity = ufc::kPathUnits;
    std::wstring first = in.Text(600), second = in.Text(600);
    auto src = fuzz::ExactCopy(first), more = fuzz::ExactCopy(second);
    // An exact-size block: one unit past it is a heap overflow.
    std::unique_ptr<wchar_t[]> dst(new wchar_t[capacity ? capacity : 1]);
    dst[0] = 0;

    bool copied = ufc::CopyExact(dst.get(), capacity, src.get());
    FUZZ_CHECK(copied == (capacity > 0 && first.size() < capacity));
    if (copied) FUZZ_CHECK(first == dst.get());
    if (!copied && capacity) FUZZ_CHECK(dst[0] == 0);
    if (capacity == 0) return;

    std::wstring before = dst.get();
    bool appended = ufc::AppendExact(dst.get(), capacity, more.get());
    FUZZ_CHECK(appended == (before.size() + second.size() < capacity));
    FUZZ_CHECK(std::wstring(dst.get()) == (appended ? before + second : before));

    std::size_t limit = in.Take<std::uint16_t>();
    ufc::CopyTruncated(dst.get(), capacity, src.get(), limit);
    std::wstring cut = dst.get();
    std::size_t max = capacity - 1 < limit ? capacity - 1 : limit;
    FUZZ_CHECK(cut.size() <= max);
    FUZZ_CHECK(first.compare(0, cut.size(), cut) == 0);
    if (cut.size() < first.size() && first.size() > 0) {
        // Either the whole room is used, or one unit less to keep a pair.
        FUZZ_CHECK(cut.size() == max ||
                   (cut.size() + 1 == max && ufc::IsHighSurrogate(first[max - 1])));
        // No pair is split: a kept high surrogate is not followed by a low one
        // in the source (a lone high surrogate may stay).
        if (!cut.empty())
            FUZZ_CHECK(!(ufc::IsHighSurrogate(cut.back()) && IsLowSurrogate(first[cut.size()])));
    }
    FUZZ_CHECK(ufc::EndsWithBackslash(src.get()) == (!first.empty() && first.back() == L'\\'));
}

void CheckPercents(fuzz::Input& in) {
    std::uint64_t examined = in.Take<std::uint64_t>() >> (in.Take<std::uint8_t>() % 64);
    std::uint64_t expected = in.Take<std::uint64_t>() >> (in.Take<std::uint8_t>() % 64);
    std::uint32_t walk = ufc::WalkPercent(examined, expected);
    if (expected == 0) {
        FUZZ_CHECK(walk == 0);
    } else {
        // 64-bit product, as the walk computes it; exact when it does not wrap.
        unsigned __int128 exact = static_cast<unsigned __int128>(examined) * 100u / expected;
        if (examined <= UINT64_MAX / 100u) FUZZ_CHECK(walk == static_cast<std::uint32_t>(exact));
        if (examined <= expected) FUZZ_CHECK(walk <= 100u);
    }

    std::uint32_t steps = in.Take<std::uint32_t>();
    std::uint32_t index = steps ? in.Take<std::uint32_t>() % steps : 0;
    std::uint32_t accumulator = 100u * (index + 1u);  // as the loops grow it
    std::uint32_t step = ufc::StepPercent(accumulator, steps);
    if (steps == 0) {
        FUZZ_CHECK(step == 0);
    } else if (index < UINT32_MAX / 100u) {
        FUZZ_CHECK(step == static_cast<std::uint64_t>(index + 1) * 100u / steps);
        FUZZ_CHECK(step <= 100u);
        if (index + 1 == steps) FUZZ_CHECK(step == 100u);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    CheckPercents(in);
    CheckCopies(in);
    return 0;
}
