// Text conversions at the engine's edges: UTF-8 outside, UTF-16 inside.
#pragma once

#include <string>
#include <string_view>

namespace xls {

// Invalid input sequences become U+FFFD; nothing is dropped silently.
std::u16string Utf8ToUtf16(std::string_view s);
std::string Utf16ToUtf8(std::u16string_view s);

// Upper-cases A-Z only, leaving every other character as it is.
std::u16string AsciiUpperCase(std::u16string_view s);
// Upper-cases the letters of the Latin, Greek and Cyrillic blocks of the
// first 0x0500 code points (the letters names of sheets and code names use),
// leaving every other character as it is.
std::u16string UnicodeUpperCase(std::u16string_view s);
// Case-insensitive comparison that folds A-Z/a-z only.
bool AsciiSameText(std::u16string_view a, std::u16string_view b);
// The text without the blanks and control characters around it, as typed
// text is read.
std::u16string_view TrimControls(std::u16string_view s);

}  // namespace xls
