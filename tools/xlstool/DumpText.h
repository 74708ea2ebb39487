// Text forms of the dump format, shared by the subcommands that print cells:
// escaped texts, numbers as the shortest text that reads back to the same
// double, A1 references and error texts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace xlstool {

// "\" as "\\", TAB, LF and CR as "\t", "\n", "\r", every other character
// below U+0020 as "\xHH" (lower-case hex), all else as UTF-8.
std::string EscapeDumpText(std::u16string_view aText);

// The shortest digits that read back to aValue, positional when the decimal
// exponent of the first digit is -4 to 15 ("1.0", "0.0001",
// "4022250974.0"), else with an exponent of at least two digits ("1e-05",
// "1.5e-300", "1e+16"); "0.0", "-0.0", "inf", "-inf", "nan".
std::string DumpNumber(double aValue);

// Column letters A..IV and the 1-based row: "A1", "IV65536".
std::string A1Reference(std::uint32_t aRow, std::uint32_t aCol);

// "#NULL!", "#DIV/0!", "#VALUE!", "#REF!", "#NAME?", "#NUM!", "#N/A"; any
// other code "#ERR" + the code in decimal.
std::string DumpErrorText(std::uint8_t aCode);

}  // namespace xlstool
