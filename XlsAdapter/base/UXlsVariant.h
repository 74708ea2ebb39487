// The engine's cell value: a tagged value of the kinds a cell can be given or
// yield (empty, null, integers of several widths, single, double, currency,
// date, text, boolean, error), and TXlsCellValue, a value with its format.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>

namespace xls {

// Engine text is UTF-16, the form BIFF8 stores (lengths count code units).
using TXlsString = std::u16string;

struct TVarEmpty {
    bool operator==(const TVarEmpty&) const = default;
};
struct TVarNull {
    bool operator==(const TVarNull&) const = default;
};
// Fixed-point currency: the amount times 10,000.
struct TVarCurrency {
    std::int64_t Scaled = 0;
    bool operator==(const TVarCurrency&) const = default;
};
// Days since 30 December 1899, the time of day as the fraction.
struct TVarDate {
    double Days = 0;
    bool operator==(const TVarDate&) const = default;
};
// An error value of the variant type itself (not a spreadsheet error text).
struct TVarError {
    std::int32_t Code = 0;
    bool operator==(const TVarError&) const = default;
};

using TXlsVariant = std::variant<TVarEmpty, TVarNull, std::int8_t, std::uint8_t, std::int16_t, std::uint16_t, std::int32_t,
                                 std::uint32_t, std::int64_t, std::uint64_t, float, double, TVarCurrency, TVarDate,
                                 TXlsString, bool, TVarError>;

inline bool VarIsEmpty(const TXlsVariant& v) { return std::holds_alternative<TVarEmpty>(v); }
inline bool VarIsNull(const TXlsVariant& v) { return std::holds_alternative<TVarNull>(v); }
inline bool VarIsString(const TXlsVariant& v) { return std::holds_alternative<TXlsString>(v); }
inline bool VarIsBool(const TXlsVariant& v) { return std::holds_alternative<bool>(v); }

// Integers of every width, single, double, currency and date: the kinds stored as numbers.
bool VarIsNumeric(const TXlsVariant& v);

// The value as a double: numbers, dates and currency as they are, booleans as
// 1 or 0, texts through the invariant number reading. Empty and null give 0;
// a text that is no number and every other kind fail with "Invalid cell value".
double VarToDouble(const TXlsVariant& v);

// The value as text: texts as they are, numbers in their shortest decimal
// form, booleans as "TRUE"/"FALSE", empty and null as "".
TXlsString VarToText(const TXlsVariant& v);

struct TXlsCellValue {
    TXlsVariant Value;
    std::int32_t XF = -1;  // -1: the cell store keeps or chooses the format
    bool IsFormula = false;
};

// The cell error codes (BOOLERR, cached formula results) and their texts.
// ErrorCodeText reads unknown codes as "#NULL!".
std::u16string_view ErrorCodeText(std::uint8_t aCode);
bool IsKnownErrorCode(std::uint8_t aCode);
std::optional<std::uint8_t> ErrorCodeOf(std::u16string_view aText);

}  // namespace xls
