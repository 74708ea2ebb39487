// The feature dump (`xlstool features`): what a workbook holds beyond its
// cell values, one line per feature, in the format of the reference dump
// made with an independent reader (fields separated by TAB, texts escaped
// as in the cell dump). Each kind of line is one function; the command
// calls the workbook kinds once and the sheet kinds for every sheet.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

#include "facade/UExcelRecords.h"

namespace xlstool {

// One sheet as the dump shows it.
struct TFeatureSheet {
    xls::TWorkbook& Workbook;
    xls::TSheet& Sheet;
    std::int32_t Index;  // 0-based
    std::string Name;    // escaped
};

using TSheetFeatureKind = void (*)(const TFeatureSheet& aSheet, std::string& aOut);
using TWorkbookFeatureKind = void (*)(xls::TWorkbook& aWorkbook, std::string& aOut);

// One line: the fields joined by TAB.
void FeatureLine(std::string& aOut, std::initializer_list<std::string> aFields);

// W: the 1904 date system, the number of sheets, the sheet the file shows,
// the pictures of the workbook's picture store and their bytes.
// N: every defined name in file order (scope, name, hidden, formula).
void WorkbookLines(xls::TWorkbook& aWorkbook, std::string& aOut);
void NameLines(xls::TWorkbook& aWorkbook, std::string& aOut);

// F: the formulas of a worksheet by row, then column; "?" for one that
// cannot be read.
void FormulaLines(const TFeatureSheet& aSheet, std::string& aOut);

// M: merged areas in file order. C: column formats, one per COLINFO record
// written. R: rows off the default height, hidden or outlined. B: manual
// page breaks. S: view and print settings.
void MergedCellLines(const TFeatureSheet& aSheet, std::string& aOut);
void ColumnLines(const TFeatureSheet& aSheet, std::string& aOut);
void RowLines(const TFeatureSheet& aSheet, std::string& aOut);
void PageBreakLines(const TFeatureSheet& aSheet, std::string& aOut);
// L: hyperlinks by first row and column. K: comments by cell (sheets with a
// drawing only). P: the drawing's pictures and objects.
void LinkLines(const TFeatureSheet& aSheet, std::string& aOut);
void CommentLines(const TFeatureSheet& aSheet, std::string& aOut);
void DrawingLines(const TFeatureSheet& aSheet, std::string& aOut);
void SettingLines(const TFeatureSheet& aSheet, std::string& aOut);

// Column letters: A..IV and on (256 is IW).
std::string ColumnLetters(std::uint32_t aCol);

}  // namespace xlstool
