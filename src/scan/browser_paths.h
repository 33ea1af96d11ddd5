// Where the browsers keep their profiles and caches, below the user's
// application-data folders.
#pragma once

namespace ufc {

// Below the roaming (stores) and the local (caches) application data.
inline constexpr wchar_t kFirefoxProfilesTail[] = L"\\Mozilla\\Firefox\\Profiles\\";
// Below the local application data.
inline constexpr wchar_t kFixedFirefoxCacheTail[] =
    L"\\Mozilla\\Firefox\\Profiles\\vvvixlei.default\\Cache";
inline constexpr wchar_t kChromeProfileTail[] = L"\\Google\\Chrome\\User Data\\Default\\";
inline constexpr wchar_t kChromeCacheTail[] = L"\\Google\\Chrome\\User Data\\Default\\Cache";

}  // namespace ufc
