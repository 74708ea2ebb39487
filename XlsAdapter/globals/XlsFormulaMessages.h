// The built-in function table of BIFF8 formulas: for every function id 0 to
// 367 its name, argument counts, the class of its result and the classes of
// its arguments. The formula encoder finds functions by name here, the
// decoder by id.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace xls {

// The class an operand token gets: reference (0x2n), value (0x4n) or array (0x6n).
enum class TFmReturnType { fmValue, fmRef, fmArray };

struct TCellFuncData {
    std::uint16_t Index;
    std::string_view Name;
    std::uint8_t MinArgCount;
    std::uint8_t MaxArgCount;
    TFmReturnType ReturnType;
    // One letter per argument: "V" value, "R" reference, "A" array, "-" value;
    // arguments beyond the end take the last letter.
    std::string_view ParamType;
};

constexpr std::size_t FunctionCount = 368;

// Ids without a function are named "NotAFunction<id>" and take no argument.
std::span<const TCellFuncData, FunctionCount> FuncNameArray();

// The function of that upper-case name, if any.
std::optional<TCellFuncData> FindFunction(std::string_view aUpperName);

// The parameter class letter of argument aArg (counted from 0); '-' when
// the function takes no argument at all.
char ParamClass(const TCellFuncData& aFunc, std::size_t aArg);

}  // namespace xls
