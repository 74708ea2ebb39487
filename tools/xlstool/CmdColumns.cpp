// xlstool columns FILE SHEET insert|copy|delete ... [-o OUT]: inserts empty
// columns, inserts copies of columns or deletes columns of a worksheet and
// saves.
#include <algorithm>

#include "CellReference.h"
#include "LineEdit.h"
#include "SheetEdit.h"

namespace xlstool {

namespace {

// Letters (B, AA) or a number from 1.
std::int32_t ParseColumnArgument(const std::string& aText)
{
    const bool letters = !aText.empty() && std::all_of(aText.begin(), aText.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    });
    if (!letters) return ParseWholeNumber(aText, "COL");
    return ParseCellReference(aText + "1").Col;
}

const TLineAxis kColumns{
    256,
    ParseColumnArgument,
    [](xls::TXLSFile& f, std::int32_t aFirst, std::int32_t aLast, std::int32_t aDest, std::int32_t aCount) {
        f.InsertAndCopyCols(aFirst, aLast, aDest, aCount, false);
    },
    [](xls::TXLSFile& f, std::int32_t aFirst, std::int32_t aCount) { f.DeleteCols(aFirst, aCount); },
};

}  // namespace

int RunColumns(TArgs args) { return RunLineEdit(args, kColumns); }

}  // namespace xlstool
