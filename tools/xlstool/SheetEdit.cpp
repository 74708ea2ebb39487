#include "SheetEdit.h"

#include <charconv>
#include <stdexcept>

#include "CellReference.h"
#include "facade/UExcelRecords.h"

namespace xlstool {

std::string TParsedArgs::Value(const std::string& aOption) const
{
    auto it = Values.find(aOption);
    return it == Values.end() ? std::string() : it->second;
}

TParsedArgs ParseArgs(TArgs args, const std::set<std::string>& aValueOptions, const std::set<std::string>& aSwitches)
{
    TParsedArgs parsed;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (!optionsEnded && a == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && aValueOptions.contains(a)) {
            if (i + 1 == args.size()) throw EUsageError(a + " needs a value");
            parsed.Values[a] = args[++i];
        } else if (!optionsEnded && aSwitches.contains(a)) {
            parsed.Switches.insert(a);
        } else {
            parsed.Positional.push_back(a);  // "-5" is a value, not an option
        }
    }
    return parsed;
}

TWorkbookEdit::TWorkbookEdit(const std::string& aFile) : FFile(aFile), FXls(nullptr, true)
{
    FXls.Connect();
    FXls.OpenFile(aFile);
}

TWorkbookEdit::~TWorkbookEdit() { FXls.Disconnect(); }

void TWorkbookEdit::Save(const std::string& aOut)
{
    FXls.Save(true, aOut.empty() ? FFile : aOut, nullptr, nullptr, nullptr);
}

TSheetEdit::TSheetEdit(const std::string& aFile, const std::string& aSheet) : TWorkbookEdit(aFile)
{
    const std::int32_t sheet = FindSheetArgument(File(), aSheet);
    if (!File().IsWorksheet(sheet)) throw EFileError("Sheet " + aSheet + " is not a worksheet");
    File().SetActiveSheet(sheet);
}

xls::TWorkSheet& TSheetEdit::Sheet() { return File().Workbook().GetWorkSheets(File().ActiveSheet() - 1); }

std::int32_t ParseWholeNumber(const std::string& aText, const std::string& aWhat)
{
    std::int32_t value = 0;
    const auto [end, ec] = std::from_chars(aText.data(), aText.data() + aText.size(), value);
    if (aText.empty() || ec != std::errc() || end != aText.data() + aText.size())
        throw EUsageError(aWhat + ": not a whole number: '" + aText + "'");
    return value;
}

xls::TXlsCellRange ParseRangeReference(const std::string& aText)
{
    const std::size_t colon = aText.find(':');
    const TCellRef first = ParseCellReference(aText.substr(0, colon));
    const TCellRef last = colon == std::string::npos ? first : ParseCellReference(aText.substr(colon + 1));
    if (last.Row < first.Row || last.Col < first.Col)
        throw EUsageError("not an area: '" + aText + "' (expected e.g. A1:C3)");
    return {first.Col, first.Row, last.Col, last.Row};
}

}  // namespace xlstool
