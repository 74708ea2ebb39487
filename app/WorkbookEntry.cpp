#include "WorkbookEntry.h"

#include <QFile>

#include "facade/XLSAdapter.h"

namespace tagstation {

namespace {

constexpr qint64 SecondsPerDay = 24 * 60 * 60;

bool HoldsChipNumber(const xls::TXlsVariant& value, const xls::TXlsString& chipNumber)
{
    if (const auto* text = std::get_if<xls::TXlsString>(&value))
        return QString::fromStdU16String(*text).trimmed() == QString::fromStdU16String(chipNumber);
    return xls::VarIsNumeric(value) && xls::VarToText(value) == chipNumber;
}

}  // namespace

double SpreadsheetDate(const QDateTime& time)
{
    const qint64 days = QDate(1899, 12, 30).daysTo(time.date());
    const qint64 seconds = time.time().msecsSinceStartOfDay() / 1000;
    return static_cast<double>(days) + static_cast<double>(seconds) / SecondsPerDay;
}

TEntryWorkbook::TEntryWorkbook(const QString& path)
    : FPath(QFile::encodeName(path).toStdString()), FAdapter(std::make_unique<xls::TXLSAdapter>()),
      FFile(std::make_unique<xls::TXLSFile>(FAdapter.get(), true))
{
    FFile->Connect();
    FFile->OpenFile(FPath);
    FFile->SetActiveSheet(1);
    // On a chart sheet the cells would silently go nowhere.
    if (!FFile->IsWorksheet(1)) xls::RaiseXls(xls::TXlsMsg::NotAWorksheet, {std::int64_t(1)});
}

TEntryWorkbook::~TEntryWorkbook() { FFile->Disconnect(); }

int TEntryWorkbook::RowOf(int column, const QString& chipNumber)
{
    const xls::TXlsString wanted = chipNumber.toStdU16String();
    const std::int32_t lastRow = FFile->MaxRow();
    for (std::int32_t row = 1; row <= lastRow; ++row)
        if (HoldsChipNumber(FFile->GetCellValue(row, column), wanted)) return row;
    return 0;
}

void TEntryWorkbook::Write(const TEntryCells& cells)
{
    if (cells.ChipNumberAsText)
        FFile->SetCellValue(cells.Row, cells.Column, xls::TXlsVariant(cells.ChipNumber.toStdU16String()));
    else
        FFile->SetCellString(cells.Row, cells.Column, cells.ChipNumber.toStdU16String(), u"", u"");
    FFile->SetCellString(cells.Row, cells.Column + 1, cells.UidText.toStdU16String(), u"", u"");
    if (cells.TimeStamp) WriteTimeStamp(cells.Row, cells.Column + 2, *cells.TimeStamp);
}

void TEntryWorkbook::WriteTimeStamp(int row, int column, const QDateTime& time)
{
    // The cell keeps its font, borders and fill; only the number format changes.
    xls::TTbrFormat format = FFile->GetFormatList(FFile->GetCellFormat(row, column));
    format.Format = TimeStampFormat;
    const std::int32_t xf = FFile->AddFormat(format);
    FFile->SetCellValueX(row, column, xls::TXlsCellValue{xls::TVarDate{SpreadsheetDate(time)}, xf, false});
}

void TEntryWorkbook::Save() { FFile->Save(true, FPath, nullptr, nullptr, nullptr); }

}  // namespace tagstation
