// The workbook side of an entry: the workbook opened for it (its first sheet
// in memory), the search of a column for a chip number, and writing the
// entry's cells. All through the spreadsheet file interface; its failures
// come as exceptions with the engine's message.
#pragma once

#include <QDateTime>
#include <QString>
#include <memory>
#include <optional>
#include <string>

namespace xls {
class TXLSAdapter;
class TXLSFile;
}  // namespace xls

namespace tagstation {

// What one entry writes, 1-based: the chip number into (Row, Column), the UID
// text right of it and, when there is one, the time stamp right of that.
struct TEntryCells {
    int Row = 1;
    int Column = 1;
    QString ChipNumber;
    // A 7-byte UID's number can exceed what a number cell holds exactly.
    bool ChipNumberAsText = false;
    QString UidText;
    std::optional<QDateTime> TimeStamp;
};

class TEntryWorkbook {
public:
    static constexpr const char16_t* TimeStampFormat = u"DD.MM.YYYY hh:mm:ss";

    // Reads the workbook at `path`; its first sheet must be a worksheet.
    explicit TEntryWorkbook(const QString& path);
    ~TEntryWorkbook();
    TEntryWorkbook(const TEntryWorkbook&) = delete;
    TEntryWorkbook& operator=(const TEntryWorkbook&) = delete;

    // The first row whose cell in `column` holds the chip number, as a
    // number or as text; 0 when none does.
    int RowOf(int column, const QString& chipNumber);
    void Write(const TEntryCells& cells);
    // Saves in place; the file is replaced only when the save is complete.
    void Save();

private:
    void WriteTimeStamp(int row, int column, const QDateTime& time);

    std::string FPath;
    std::unique_ptr<xls::TXLSAdapter> FAdapter;
    std::unique_ptr<xls::TXLSFile> FFile;
};

// Days since 30 December 1899 with the time of day as the fraction, to the
// second: the date value of a spreadsheet cell.
double SpreadsheetDate(const QDateTime& time);

}  // namespace tagstation
