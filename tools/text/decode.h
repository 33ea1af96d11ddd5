// Text files as their bytes hold them, in any of the encodings a file
// written by hand or by another program may have.
#pragma once

#include <cstddef>
#include <string>

namespace host {

// The text of a file as its bytes hold it: UTF-8 (with or without its byte
// order mark), or UTF-16 little- or big-endian with its byte order mark or
// without one (told by the NUL bytes of the first characters). False for
// what is none of these (a sequence that is not UTF-8, an odd number of
// bytes of UTF-16, a NUL character: a binary file), with *line the first
// line that cannot be read (from 1) and *reason what is wrong there.
bool DecodeText(const std::string& bytes, std::wstring* text, std::size_t* line,
                std::wstring* reason);

}  // namespace host
