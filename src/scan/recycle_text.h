// Reading back the size and date texts that the shell shows for recycle-bin
// items. No system calls: this compiles natively for the fuzz targets.
#pragma once

#include <cstdint>
#include <string>

namespace ufc {

// "12 KB", "1.5 MB", "2 GB", "4096": the number before the first space,
// scaled by the unit letter right after it (K, M, G in either case; any
// other letter keeps the number). Scaled units count in 1024ths first, so a
// digit-group separator ends the number ("1,234 KB" is 1024). Without a
// space the whole text is an integer; with nothing after the space size is
// left unchanged. Always 1.
int ParseSizeText(std::wstring text, std::uint64_t* size);

// "?2011/?1/?18 10:30": year, month and day, each number preceded by one
// character that is passed over (the shell puts direction marks there).
// 1 when all three were found; fields found before a failure stay stored.
int ParseDateText(std::wstring text, std::uint16_t* year, std::uint16_t* month, std::uint16_t* day);

}  // namespace ufc
