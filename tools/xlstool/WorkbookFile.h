// Workbook files as the file interface handles them: open, load, keep an
// image of the compound file without its Workbook stream, and write the
// workbook together with that image.
#pragma once

#include <string>

#include "UExcelRecords.h"

namespace xlstool {

// Loads the workbook of the file at aPath. With aImage, also keeps the
// compound file with every stream but the Workbook stream's content.
void LoadWorkbookFile(const std::string& aPath, xls::TWorkbook& aWorkbook, xls::TBytes* aImage = nullptr);

// Writes aWorkbook with the streams of aImage into a new file at aPath
// (which must not be the file being written to elsewhere).
void SaveWorkbookFile(xls::TWorkbook& aWorkbook, const xls::TBytes& aImage, const std::string& aPath, bool NeedsRecalc);

}  // namespace xlstool
