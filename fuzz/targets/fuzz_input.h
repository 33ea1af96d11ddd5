// Turns a fuzzer's bytes into the inputs of the module's text routines.
// Every text lives in a heap block of exactly its own size, so a read one
// unit past its terminator is caught by AddressSanitizer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace fuzz {

// Reads the fuzzer's bytes front to back; runs dry gracefully.
class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::size_t Left() const { return size_ - pos_; }

    template <typename T>
    T Take() {
        T value{};
        std::size_t n = Left() < sizeof(T) ? Left() : sizeof(T);
        std::memcpy(&value, data_ + pos_, n);
        pos_ += n;
        return value;
    }

    // A text of up to maxUnits 16-bit units, ending at the first zero unit
    // of the input or where the input runs out.
    std::wstring Text(std::size_t maxUnits) {
        std::wstring out;
        while (out.size() < maxUnits && Left() >= 2) {
            wchar_t unit = Take<wchar_t>();
            if (unit == 0) break;
            out.push_back(unit);
        }
        return out;
    }

    // The rest of the input as one text (zero units become 'x').
    std::wstring Rest() {
        std::wstring out;
        while (Left() >= 2) {
            wchar_t unit = Take<wchar_t>();
            out.push_back(unit ? unit : L'x');
        }
        return out;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

// A terminated copy of text in a block of exactly text.size() + 1 units.
inline std::unique_ptr<wchar_t[]> ExactCopy(const std::wstring& text) {
    std::unique_ptr<wchar_t[]> block(new wchar_t[text.size() + 1]);
    std::memcpy(block.get(), text.data(), text.size() * sizeof(wchar_t));
    block[text.size()] = 0;
    return block;
}

[[noreturn]] inline void Fail(const char* what) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

#define FUZZ_CHECK(condition)                       \
    do {                                            \
        if (!(condition)) ::fuzz::Fail(#condition); \
    } while (0)

}  // namespace fuzz
