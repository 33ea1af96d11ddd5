// The text of a rules file in the encoding it was saved in: editors save
// the community file as UTF-8, as UTF-16 with a byte order mark, and
// sometimes as UTF-16 without one.
#include <windows.h>

#include <algorithm>

#include "text/format.h"

namespace host {

namespace {

// A rules file is a few megabytes; a larger one is no rules file.
constexpr std::size_t kLargestText = std::size_t{256} << 20;

std::size_t LineAt(const std::wstring& text, std::size_t end) {
    return 1 + static_cast<std::size_t>(std::count(text.begin(), text.begin() + end, L'\n'));
}

// The UTF-16 units of bytes from start on; an odd last byte is left out.
std::wstring Units(const std::string& bytes, std::size_t start, bool bigEndian) {
    std::wstring text((bytes.size() - start) / 2, L'\0');
    const auto* at = reinterpret_cast<const unsigned char*>(bytes.data()) + start;
    for (std::size_t i = 0; i < text.size(); ++i, at += 2)
        text[i] = static_cast<wchar_t>(bigEndian ? at[0] << 8 | at[1] : at[1] << 8 | at[0]);
    return text;
}

enum class Encoding { Utf8, Utf16Le, Utf16Be };

// Without a byte order mark: a text of Latin characters in UTF-16 has a NUL
// in every high byte, the second of each pair (little-endian) or the first.
Encoding ByNulPattern(const std::string& bytes) {
    const std::size_t pairs = std::min<std::size_t>(bytes.size() / 2, 4);
    bool little = pairs > 0, big = pairs > 0;
    for (std::size_t i = 0; i < pairs; ++i) {
        const bool lowNul = bytes[2 * i] == '\0', highNul = bytes[2 * i + 1] == '\0';
        little = little && !lowNul && highNul;
        big = big && lowNul && !highNul;
    }
    return little ? Encoding::Utf16Le : big ? Encoding::Utf16Be : Encoding::Utf8;
}

bool StartsWith(const std::string& bytes, const char* mark) {
    return bytes.compare(0, std::char_traits<char>::length(mark), mark) == 0;
}

// UTF-8 into text; false when a sequence is not UTF-8.
bool FromUtf8(const char* bytes, std::size_t length, std::wstring* text) {
    text->resize(length);
    const int made =
        length ? MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes, static_cast<int>(length),
                                     &(*text)[0], static_cast<int>(length))
               : 0;
    text->resize(static_cast<std::size_t>(made));
    return made > 0 || length == 0;
}

}  // namespace

bool DecodeText(const std::string& bytes, std::wstring* text, std::size_t* line,
                std::wstring* reason) {
    auto fail = [&](std::size_t at, const wchar_t* why) {
        text->clear();
        *line = at;
        *reason = why;
        return false;
    };
    if (bytes.size() > kLargestText) return fail(1, L"is too large for a text of rules (256 MB)");
    Encoding encoding = Encoding::Utf8;
    std::size_t start = 0;
    if (StartsWith(bytes, "\xFF\xFE")) {
        encoding = Encoding::Utf16Le;
        start = 2;
    } else if (StartsWith(bytes, "\xFE\xFF")) {
        encoding = Encoding::Utf16Be;
        start = 2;
    } else if (StartsWith(bytes, "\xEF\xBB\xBF")) {
        start = 3;
    } else {
        encoding = ByNulPattern(bytes);
    }
    if (encoding != Encoding::Utf8) {
        *text = Units(bytes, start, encoding == Encoding::Utf16Be);
        if ((bytes.size() - start) % 2)
            return fail(LineAt(*text, text->size()),
                        L"ends in half a UTF-16 character: the file is cut short or not UTF-16");
    } else if (!FromUtf8(bytes.data() + start, bytes.size() - start, text)) {
        // A UTF-8 sequence never holds a line feed: the first line that
        // fails alone is the one.
        std::size_t number = 1;
        for (std::size_t from = start; from <= bytes.size(); ++number) {
            std::size_t end = bytes.find('\n', from);
            if (end == std::string::npos) end = bytes.size();
            std::wstring one;
            if (!FromUtf8(bytes.data() + from, end - from, &one)) break;
            from = end + 1;
        }
        return fail(number, L"is not UTF-8 text (save the file as UTF-8 or UTF-16)");
    }
    const std::size_t nul = text->find(L'\0');
    if (nul != std::wstring::npos)
        return fail(LineAt(*text, nul), L"holds a NUL character: this is no text file");
    return true;
}

}  // namespace host
