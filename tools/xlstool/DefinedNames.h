// Defined names as the tools print and take them: the scope ("*" for a
// global name, else the sheet's name), built-in names by their English name
// (Print_Area, _FilterDatabase, ...), the hidden flag and the formula text.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace xls {
class TNameRecord;
class TWorkbookGlobals;
}

namespace xlstool {

struct TNameFields {
    std::string Scope;
    std::string Name;
    std::string Hidden;   // "0" or "1"
    std::string Formula;  // "=..." ("=" for a name without formula), "?" when it cannot be read
};

// The fields escaped as in the dump format.
TNameFields DescribeName(const xls::TNameRecord& aName, xls::TWorkbookGlobals& aGlobals);

// The code of a built-in name from its English name ("Print_Area" -> 6).
std::optional<char16_t> BuiltInNameCode(std::string_view aName);

}  // namespace xlstool
