// What the subcommands that change one worksheet share: their options, the
// workbook opened with the sheet made active, and the safe save.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "XlsToolCommands.h"
#include "facade/XLSAdapter.h"

namespace xlstool {

// The arguments split into positional ones, the options named with a value
// ("-o OUT") and the switches named ("--remove"). "--" ends the options;
// anything else is positional, so that a TEXT may read "-5".
struct TParsedArgs {
    std::vector<std::string> Positional;
    std::map<std::string, std::string> Values;
    std::set<std::string> Switches;

    std::string Value(const std::string& aOption) const;
    bool Has(const std::string& aSwitch) const { return Switches.contains(aSwitch); }
};
TParsedArgs ParseArgs(TArgs args, const std::set<std::string>& aValueOptions,
                      const std::set<std::string>& aSwitches = {});

// FILE opened for changes; saved to OUT (FILE without it) through the
// engine's safe save.
class TWorkbookEdit {
public:
    explicit TWorkbookEdit(const std::string& aFile);
    ~TWorkbookEdit();
    TWorkbookEdit(const TWorkbookEdit&) = delete;
    TWorkbookEdit& operator=(const TWorkbookEdit&) = delete;

    xls::TXLSFile& File() { return FXls; }
    void Save(const std::string& aOut);

private:
    std::string FFile;
    xls::TXLSFile FXls;
};

// FILE opened with worksheet SHEET active.
class TSheetEdit : public TWorkbookEdit {
public:
    TSheetEdit(const std::string& aFile, const std::string& aSheet);

    xls::TWorkSheet& Sheet();
};

// A whole number argument; anything else is a usage error naming aWhat.
std::int32_t ParseWholeNumber(const std::string& aText, const std::string& aWhat);

// A cell ("C7") or an area ("A1:C3") as the file interface counts it.
xls::TXlsCellRange ParseRangeReference(const std::string& aText);

}  // namespace xlstool
