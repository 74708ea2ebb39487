// Text escaping of the dump format, shared by the subcommands that print cell
// texts: "\" as "\\", TAB, LF and CR as "\t", "\n", "\r", every other
// character below U+0020 as "\xHH" (lower-case hex), all else as UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace xlstool {

std::string EscapeDumpText(std::u16string_view aText);

}  // namespace xlstool
