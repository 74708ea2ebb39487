// The engine's English message table and its formatter.
//
// Every message the engine raises lives in this one table, with its
// %s / %d / %x placeholders exactly as callers and users know them.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

namespace xls {

enum class TXlsMsg {
    // Compound document
    FileInvalid,              // The file "%s" is invalid
    ExcelRecordsInvalid,      // Error reading Excel records. File invalid
    OleStreamInvalid,         // Invalid OLE Stream operation on stream: "%s"
    EndOfStream,              // End of stream reached with %d bytes left to read
    CantReadProperties,       // backwards seek on a property stream
    NewStreamIoError,
    CantDeleteRoot,
    ListIndexOutOfBounds,
    // Records
    TooManyEntries,
    FilePasswordProtected,
    InvalidExcelVersion,
    RecordInvalid,
    ErrorReadingRecord,
    MoreThanOneContinue,
    MissingRowRecord,
    // Strings
    InvalidStringRecord,
    StrLenLengthInvalid,
    // Cells and values
    InvalidRow,
    InvalidColumn,
    InvalidCellValue,
    InvalidCellErrorCode,
    CellTextTooLong,
    PropertyIndexOutOfRange,
    // Formulas
    FormulaTokenNotSupported,
    FormulaCellNotSupported,
    TokenArrayTruncated,
    SharedFormulaNotFound,
    WorksheetNameTokenError,
    ChartFormulaTokenError,
    CondFmtTokenError,
    ArrayFormulaNotSupported,
    FormulaMustStartWithEqual,
    FormulaTooLong,
    FormulaUnexpectedChar,
    FormulaUnterminatedString,
    FormulaUnexpectedEnd,
    FormulaMissingParenthesis,
    FormulaUnexpectedIdentifier,
    FormulaFunctionNotFound,
    FormulaInvalidParamCount,
    FormulaCantEvaluate,
    FormulaExternalNames,
    FormulaInvalidSheet,
    StringStackEmpty,
    LogicalError,
    // Sheets, names and workbook structure
    SectionNotLoaded,
    SheetNumberInvalid,
    SheetNameExists,
    InvalidSheetName,
    InvalidNamedRange,
    NoVisibleSheetSelected,
    NoVisibleSheets,
    InvalidInsertArguments,
    CantDeleteSheetWithMacros,
    CantCopyOleObjects,
    InvalidCondFmtRecord,
    TooManyPageBreaks,
    SectionWithoutEOF,
    NotAWorksheet,
    // Drawings
    EscherLoadError,
    EscherDuplicatedBStore,
    EscherDuplicatedDgg,
    EscherDuplicatedDg,
    EscherDuplicatedSolver,
    EscherNotFullyLoaded,
    UnsupportedDrawingRecord,
    UnsupportedPicture,
    PictureDataInvalid,
    // File interface
    CantFindFile,
    CantWriteToFile,
    FileOpenFailed,
    FileIoFailed,
    NotConnected,
    NotAvailable,
};

// One formatter argument: a number (for %d / %x) or a text (for %s).
using TMsgArg = std::variant<std::int64_t, std::string>;

// The message's text with its placeholders, as stored in the table.
std::string_view MessageText(TXlsMsg id);
// Whether the message's first %s is the name of the file it is about.
bool MessageNamesFile(TXlsMsg id);

// Fills the placeholders of a format text: %s (text), %d (decimal), %x
// (upper-case hexadecimal), an optional width before d/x (space padded, as
// "%2x"), and %%. Missing arguments leave the placeholder empty; a number
// given for %s prints in decimal.
std::string FormatText(std::string_view format, std::initializer_list<TMsgArg> args);

inline std::string FormatMessage(TXlsMsg id, std::initializer_list<TMsgArg> args = {})
{
    return FormatText(MessageText(id), args);
}

}  // namespace xls
