#include "base/UXlsMessages.h"

#include <array>
#include <utility>

namespace xls {

namespace {

struct TMessageEntry {
    TXlsMsg Id;
    std::string_view Text;
};

constexpr std::array kMessages{
    TMessageEntry{TXlsMsg::FileInvalid, R"(The file "%s" is invalid)"},
    TMessageEntry{TXlsMsg::ExcelRecordsInvalid, "Error reading Excel records. File invalid"},
    TMessageEntry{TXlsMsg::OleStreamInvalid, R"(Invalid OLE Stream operation on stream: "%s")"},
    TMessageEntry{TXlsMsg::EndOfStream, "End of stream reached with %d bytes left to read"},
    TMessageEntry{TXlsMsg::CantReadProperties, "Tabora can't read the properties of this file."},
    TMessageEntry{TXlsMsg::NewStreamIoError, "New Stream IO Error"},
    TMessageEntry{TXlsMsg::CantDeleteRoot, "Can't delete root"},
    TMessageEntry{TXlsMsg::ListIndexOutOfBounds, "List index out of bounds (%d)"},

    TMessageEntry{TXlsMsg::TooManyEntries, "Too many entries for this kind of record (%d out of a maximum of %d)"},
    TMessageEntry{TXlsMsg::FilePasswordProtected, "File is password protected"},
    TMessageEntry{TXlsMsg::InvalidExcelVersion, "Template file is saved with an invalid Excel version"},
    TMessageEntry{TXlsMsg::RecordInvalid, "Record with ID 0x%x is invalid"},
    TMessageEntry{TXlsMsg::ErrorReadingRecord, "Error reading record"},
    TMessageEntry{TXlsMsg::MoreThanOneContinue, "Trying to add more than one CONTINUE record to the same record"},
    TMessageEntry{TXlsMsg::MissingRowRecord, "Missing ROW Record for row %d"},

    TMessageEntry{TXlsMsg::InvalidStringRecord, "Invalid String record"},
    TMessageEntry{TXlsMsg::StrLenLengthInvalid, "StrLenLength should be 1 or 2"},

    TMessageEntry{TXlsMsg::InvalidRow, "Invalid Row (%d)"},
    TMessageEntry{TXlsMsg::InvalidColumn, "Invalid Column (%d)"},
    TMessageEntry{TXlsMsg::InvalidCellValue, R"(Invalid cell value: "%s")"},
    TMessageEntry{TXlsMsg::InvalidCellErrorCode, R"(Invalid cell error code: "%s")"},
    TMessageEntry{TXlsMsg::CellTextTooLong, "Text too long for a cell (%d characters, the maximum is %d)"},
    TMessageEntry{TXlsMsg::PropertyIndexOutOfRange, R"(The index "%d" of the property "%s" is not in the range %d-%d)"},

    TMessageEntry{TXlsMsg::FormulaTokenNotSupported, "Error reading formula, Token Id: 0x%2x is not supported"},
    TMessageEntry{TXlsMsg::FormulaCellNotSupported, "Formula at Row %d, column %d is not supported. Token Id: 0x%2x"},
    TMessageEntry{TXlsMsg::TokenArrayTruncated, "Error reading formula: the token array runs past the end of its record"},
    TMessageEntry{TXlsMsg::SharedFormulaNotFound, "Can't find Shared Formula"},
    TMessageEntry{TXlsMsg::WorksheetNameTokenError, R"(Error in Worksheet name: "%s". Token Id: 0x%2x)"},
    TMessageEntry{TXlsMsg::ChartFormulaTokenError, "Error in Chart formula. Token Id: 0x%2x"},
    TMessageEntry{TXlsMsg::CondFmtTokenError, "Bad Conditional format. Token Id: 0x%2x"},
    TMessageEntry{TXlsMsg::ArrayFormulaNotSupported, "Writing array formulas is not yet supported"},
    TMessageEntry{TXlsMsg::FormulaMustStartWithEqual, R"(Formula must start with "=": "%s")"},
    TMessageEntry{TXlsMsg::FormulaTooLong, R"(Formula too long: "%s")"},
    TMessageEntry{TXlsMsg::FormulaUnexpectedChar, R"(Unexpected char "%s" at pos %d on formula: "%s")"},
    TMessageEntry{TXlsMsg::FormulaUnterminatedString, R"(Unterminated string on formula: "%s")"},
    TMessageEntry{TXlsMsg::FormulaUnexpectedEnd, R"(Unexpected end of formula: "%s")"},
    TMessageEntry{TXlsMsg::FormulaMissingParenthesis, R"(Missing closing parentheses on formula: "%s")"},
    TMessageEntry{TXlsMsg::FormulaUnexpectedIdentifier, R"(Unexpected Identifier: "%s" on formula "%s")"},
    TMessageEntry{TXlsMsg::FormulaFunctionNotFound, R"(Function not found: "%s" on formula "%s")"},
    TMessageEntry{TXlsMsg::FormulaInvalidParamCount, R"(Invalid number of parameters to function "%s": Expected %d and found %d)"},
    TMessageEntry{TXlsMsg::FormulaCantEvaluate, R"(Formula can't be evaluated: "%s")"},
    TMessageEntry{TXlsMsg::FormulaExternalNames, "External names are not supported: %s"},
    TMessageEntry{TXlsMsg::FormulaInvalidSheet, "Invalid sheet: %s"},
    TMessageEntry{TXlsMsg::StringStackEmpty, "String Stack is empty"},
    TMessageEntry{TXlsMsg::LogicalError, "Tabora: Logical Error"},

    TMessageEntry{TXlsMsg::SectionNotLoaded, "A section of the workbook is not loaded"},
    TMessageEntry{TXlsMsg::SheetNumberInvalid, R"(Sheet number "%d" invalid. Must be between %d and %d)"},
    TMessageEntry{TXlsMsg::SheetNameExists, "Sheet name already exists: %s"},
    TMessageEntry{TXlsMsg::InvalidSheetName, R"(Invalid sheet name: "%s")"},
    TMessageEntry{TXlsMsg::InvalidNamedRange, R"(Invalid named range: "%s")"},
    TMessageEntry{TXlsMsg::NoVisibleSheetSelected, "To save this file, you must select a visible sheet"},
    TMessageEntry{TXlsMsg::NoVisibleSheets, "There are not visible sheets on the file"},
    TMessageEntry{TXlsMsg::InvalidInsertArguments, "Ivalid arguments to call InsertAndCopyRows"},
    TMessageEntry{TXlsMsg::CantDeleteSheetWithMacros, "Can't delete a sheet on a file containing macros"},
    TMessageEntry{TXlsMsg::CantCopyOleObjects, "Can't copy OLE objects embedded on a sheet"},
    TMessageEntry{TXlsMsg::InvalidCondFmtRecord, "Invalid conditional format record"},
    TMessageEntry{TXlsMsg::TooManyPageBreaks, "Too many manual Page breaks for this sheet"},
    TMessageEntry{TXlsMsg::SectionWithoutEOF, "Error reading Excel records. A section has no EOF record"},
    TMessageEntry{TXlsMsg::NotAWorksheet, R"(Sheet number "%d" is not a worksheet)"},

    TMessageEntry{TXlsMsg::EscherLoadError, "Error loading Escher record"},
    TMessageEntry{TXlsMsg::EscherDuplicatedBStore, "Error loading Escher record. Duplicated BStore"},
    TMessageEntry{TXlsMsg::EscherDuplicatedDgg, "Error loading Escher record. Duplicated Dgg"},
    TMessageEntry{TXlsMsg::EscherDuplicatedDg, "Error loading Escher record. Duplicated Dg"},
    TMessageEntry{TXlsMsg::EscherDuplicatedSolver, "Error loading Escher record. Duplicated Solver container"},
    TMessageEntry{TXlsMsg::EscherNotFullyLoaded, "Escher record is not fully loaded"},
    TMessageEntry{TXlsMsg::UnsupportedDrawingRecord, "The file has an usupported drawing record"},
    TMessageEntry{TXlsMsg::UnsupportedPicture, "The picture is no PNG, JPEG, BMP, WMF or EMF image"},
    TMessageEntry{TXlsMsg::PictureDataInvalid, "The picture's data is damaged"},

    TMessageEntry{TXlsMsg::CantFindFile, R"(Can't find the file "%s")"},
    TMessageEntry{TXlsMsg::CantWriteToFile, R"(Can't write to file "%s". Check it is not in use by another user)"},
    TMessageEntry{TXlsMsg::FileOpenFailed, R"(Can't open file "%s": %s)"},
    TMessageEntry{TXlsMsg::FileIoFailed, R"(I/O error on file "%s": %s)"},
    TMessageEntry{TXlsMsg::NotConnected, "No workbook is connected to the file object"},
    TMessageEntry{TXlsMsg::NotAvailable, "%s is not available in this build"},
};

// The table is indexed by the enumeration: keep both in the same order.
constexpr bool TableMatchesEnum()
{
    for (std::size_t i = 0; i < kMessages.size(); ++i)
        if (static_cast<std::size_t>(kMessages[i].Id) != i) return false;
    return true;
}
static_assert(TableMatchesEnum(), "message table out of order");
static_assert(kMessages.size() == static_cast<std::size_t>(TXlsMsg::NotAvailable) + 1, "message missing");

std::string NumberText(std::int64_t v, bool hex)
{
    if (!hex) return std::to_string(v);
    static constexpr char kDigits[] = "0123456789ABCDEF";
    // Negative numbers print as their 32-bit two's complement, like a 32-bit %x.
    auto u = static_cast<std::uint64_t>(v);
    if (v < 0 && v >= INT32_MIN) u &= 0xFFFFFFFFu;
    std::string s;
    do {
        s.insert(s.begin(), kDigits[u & 0xF]);
        u >>= 4;
    } while (u != 0);
    return s;
}

std::string ArgText(const TMsgArg& arg, bool hex)
{
    if (const auto* n = std::get_if<std::int64_t>(&arg)) return NumberText(*n, hex);
    return std::get<std::string>(arg);
}

}  // namespace

std::string_view MessageText(TXlsMsg id)
{
    auto index = static_cast<std::size_t>(id);
    return index < kMessages.size() ? kMessages[index].Text : std::string_view{};
}

bool MessageNamesFile(TXlsMsg id)
{
    switch (id) {
    case TXlsMsg::FileInvalid:
    case TXlsMsg::CantFindFile:
    case TXlsMsg::CantWriteToFile:
    case TXlsMsg::FileOpenFailed:
    case TXlsMsg::FileIoFailed:
        return true;
    default:
        return false;
    }
}

std::string FormatText(std::string_view format, std::initializer_list<TMsgArg> args)
{
    std::string out;
    out.reserve(format.size() + 32);
    auto next = args.begin();
    for (std::size_t i = 0; i < format.size(); ++i) {
        char c = format[i];
        if (c != '%' || i + 1 >= format.size()) {
            out += c;
            continue;
        }
        std::size_t j = i + 1;
        std::size_t width = 0;
        while (j < format.size() && format[j] >= '0' && format[j] <= '9') width = width * 10 + std::size_t(format[j++] - '0');
        if (j >= format.size()) {
            out.append(format.substr(i));
            break;
        }
        char conv = format[j];
        if (conv == '%') {
            out += '%';
        } else if (conv == 's' || conv == 'd' || conv == 'x') {
            std::string text = next != args.end() ? ArgText(*next++, conv == 'x') : std::string{};
            if (text.size() < width) out.append(width - text.size(), ' ');
            out += text;
        } else {
            out.append(format.substr(i, j - i + 1));
        }
        i = j;
    }
    return out;
}

}  // namespace xls
