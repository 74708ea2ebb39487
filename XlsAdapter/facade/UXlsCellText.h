// Reading a typed cell text the way a user's typing is taken: a number (with
// percent, currency and exponent forms and the number format they call for),
// a boolean, a date (with its date format) or else text.
//
// This is the part of writing a text into a cell that depends only on the
// text and the locale; the workbook facade applies the result:
//
//   Number, Date: F := the caller's format, or else the cell's present format
//       (for a cell that does not exist yet, the format of XF 0). When
//       FormatCode is set, F.Format := *FormatCode; otherwise F stays as it is.
//       Write {Value, AddFormat(F)}. Should taking the cell's present format
//       fail, the facade drops that error and writes
//       ReadCellTextAsNonNumber(...) instead (a number text then mostly ends
//       up as text).
//   Boolean, Text: with a caller's format write {Value, AddFormat(format)},
//       otherwise write Value with format -1 (the cell store chooses).
#pragma once

#include <optional>
#include <string_view>

#include "base/UXlsLocale.h"
#include "base/UXlsVariant.h"

namespace xls {

enum class TCellTextKind { Number, Boolean, Date, Text };

struct TCellTextReading {
    TCellTextKind Kind = TCellTextKind::Text;
    // double for Number and Date (days since 30 December 1899), bool for
    // Boolean, the caller's text unchanged (blanks kept) for Text.
    TXlsVariant Value;
    // Number and Date: the number format code to put into the cell's format;
    // nothing means the format stays as it is (a plain number).
    std::optional<TXlsString> FormatCode;
};

// Reads `text` under the locale `fs`. dateFormat and timeFormat are the codes
// given to a recognised date ("" = the locale's short date / time format);
// currentYear completes a date typed without a year.
TCellTextReading ReadCellText(std::u16string_view text, const TXlsFormatSettings& fs, std::u16string_view dateFormat,
                              std::u16string_view timeFormat, int currentYear);

// The same reading with the number step left out: boolean, date or text.
TCellTextReading ReadCellTextAsNonNumber(std::u16string_view text, const TXlsFormatSettings& fs,
                                         std::u16string_view dateFormat, std::u16string_view timeFormat,
                                         int currentYear);

// The locale's currency format code ("###,###\ €;[Red]-###,###\ €"), with
// CurrencyDecimals decimals when withDecimals is set.
TXlsString CurrencyFormatCode(const TXlsFormatSettings& fs, bool withDecimals);

// A locale time format as a number format code: every "AMPM" (any case, not
// inside double quotes) becomes "AM/PM".
TXlsString TimeFormatCode(std::u16string_view timeFormat);

}  // namespace xls
