#include "CellReference.h"

#include <stdexcept>

#include "XlsToolCommands.h"
#include "base/UXlsUnicode.h"
#include "facade/UExcelAdapter.h"

namespace xlstool {

namespace {

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }

// One to nine digits (so no overflow); false for anything else.
bool ReadNumber(std::string_view s, std::int32_t& value)
{
    if (s.empty() || s.size() > 9) return false;
    value = 0;
    for (char c : s) {
        if (!IsAsciiDigit(c)) return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

}  // namespace

TCellRef ParseCellReference(std::string_view text)
{
    const auto bad = [&] { return EUsageError("not a cell reference: '" + std::string(text) + "' (expected e.g. C7)"); };
    std::string_view s = text;
    if (s.starts_with('$')) s.remove_prefix(1);
    TCellRef ref;
    std::size_t letters = 0;
    for (; letters < s.size() && IsAsciiLetter(s[letters]); ++letters) {
        if (letters == 3) throw bad();
        ref.Col = ref.Col * 26 + ((s[letters] | 0x20) - 'a' + 1);
    }
    if (letters == 0) throw bad();
    s.remove_prefix(letters);
    if (s.starts_with('$')) s.remove_prefix(1);
    if (!ReadNumber(s, ref.Row)) throw bad();
    return ref;
}

std::int32_t FindSheetArgument(xls::TExcelFile& file, const std::string& sheet)
{
    const std::int32_t count = file.SheetCount();
    std::int32_t number = 0;
    const bool isNumber = ReadNumber(sheet, number);
    if (isNumber && number >= 1 && number <= count) return number;

    const std::u16string name = xls::Utf8ToUtf16(sheet);
    std::int32_t caseless = 0;
    for (std::int32_t i = 1; i <= count; ++i) {
        file.SetActiveSheet(i);
        const std::u16string candidate = file.ActiveSheetName();
        if (candidate == name) return i;
        if (caseless == 0 && xls::AsciiSameText(candidate, name)) caseless = i;
    }
    if (caseless != 0) return caseless;
    if (isNumber) xls::RaiseXls(xls::TXlsMsg::SheetNumberInvalid, {std::int64_t(number), std::int64_t(1), std::int64_t(count)});
    throw EFileError("There is no sheet \"" + sheet + "\"");
}

}  // namespace xlstool
