// xlstool rows FILE SHEET insert|copy|delete ... [-o OUT]: inserts empty
// rows, inserts copies of rows or deletes rows of a worksheet and saves.
#include "LineEdit.h"
#include "SheetEdit.h"

namespace xlstool {

namespace {

const TLineAxis kRows{
    65536,
    [](const std::string& aText) { return ParseWholeNumber(aText, "ROW"); },
    [](xls::TXLSFile& f, std::int32_t aFirst, std::int32_t aLast, std::int32_t aDest, std::int32_t aCount) {
        f.InsertAndCopyRows(aFirst, aLast, aDest, aCount, false);
    },
    [](xls::TXLSFile& f, std::int32_t aFirst, std::int32_t aCount) { f.DeleteRows(aFirst, aCount); },
};

}  // namespace

int RunRows(TArgs args) { return RunLineEdit(args, kRows); }

}  // namespace xlstool
