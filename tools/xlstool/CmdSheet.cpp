// xlstool sheet FILE SHEET OPTION... [-o OUT]: changes column, row, merge,
// view and print settings of one worksheet and saves the workbook.
#include <array>
#include <charconv>
#include <cmath>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "CellReference.h"
#include "XlsToolCommands.h"
#include "base/UXlsUnicode.h"
#include "facade/XLSAdapter.h"

namespace xlstool {

namespace {

using xls::TXLSFile;

constexpr std::int32_t MinZoom = 10;
constexpr std::int32_t MaxZoom = 400;
constexpr std::int32_t OptPortrait = 0x02;
constexpr std::int32_t OptNoPrinterData = 0x04;
constexpr std::int32_t OptNoOrientation = 0x40;

double ParseNumber(const std::string& aText, const std::string& aOption)
{
    double value = 0;
    const auto [end, ec] = std::from_chars(aText.data(), aText.data() + aText.size(), value);
    if (ec != std::errc() || end != aText.data() + aText.size() || !std::isfinite(value))
        throw EUsageError(aOption + ": not a number: '" + aText + "'");
    return value;
}

std::int32_t ParseInteger(const std::string& aText, const std::string& aOption)
{
    std::int32_t value = 0;
    const auto [end, ec] = std::from_chars(aText.data(), aText.data() + aText.size(), value);
    if (ec != std::errc() || end != aText.data() + aText.size())
        throw EUsageError(aOption + ": not a whole number: '" + aText + "'");
    return value;
}

// "X" and "Y" of "X=Y".
std::pair<std::string, std::string> SplitAssignment(const std::string& aText, const std::string& aOption)
{
    const std::size_t eq = aText.find('=');
    if (eq == std::string::npos) throw EUsageError(aOption + " needs WHAT=VALUE, not '" + aText + "'");
    return {aText.substr(0, eq), aText.substr(eq + 1)};
}

std::int32_t ParseColumn(const std::string& aText) { return ParseCellReference(aText + "1").Col; }

std::int32_t ParseRow(const std::string& aText, const std::string& aOption) { return ParseInteger(aText, aOption); }

struct TArea {
    TCellRef First, Last;
};

TArea ParseArea(const std::string& aText)
{
    const std::size_t colon = aText.find(':');
    if (colon == std::string::npos) return {ParseCellReference(aText), ParseCellReference(aText)};
    return {ParseCellReference(aText.substr(0, colon)), ParseCellReference(aText.substr(colon + 1))};
}

std::vector<double> ParseList(const std::string& aText, const std::string& aOption)
{
    std::vector<double> values;
    for (std::size_t start = 0;;) {
        const std::size_t comma = aText.find(',', start);
        values.push_back(ParseNumber(aText.substr(start, comma - start), aOption));
        if (comma == std::string::npos) return values;
        start = comma + 1;
    }
}

bool ParseSwitch(const std::string& aText, const std::string& aOption)
{
    if (aText == "1" || aText == "on") return true;
    if (aText == "0" || aText == "off") return false;
    throw EUsageError(aOption + " needs on or off, not '" + aText + "'");
}

// A sheet without printer data ignores orientation and the printer fields:
// store the values it reads as, so that they count from now on.
void UsePrinterFields(TXLSFile& xls)
{
    if ((xls.PrintOptions() & OptNoPrinterData) == 0) return;
    xls.SetPrintScale(xls.PrintScale());
    xls.SetPrintCopies(xls.PrintCopies());
    xls.SetPrintXResolution(xls.PrintXResolution());
    xls.SetPrintYResolution(xls.PrintYResolution());
}

void SetOrientation(TXLSFile& xls, bool aLandscape)
{
    UsePrinterFields(xls);
    const std::int32_t options = xls.PrintOptions() & ~OptNoOrientation;
    xls.SetPrintOptions(aLandscape ? options & ~OptPortrait : options | OptPortrait);
}

using TApply = std::function<void(TXLSFile& xls, const std::string& aValue, const std::string& aOption)>;

struct TSheetOption {
    std::string_view Name;
    bool TakesValue;
    TApply Apply;
};

// An option that takes on or off for a setter of the file interface.
TSheetOption Switch(std::string_view aName, void (TXLSFile::*aSetter)(bool))
{
    return {aName, true,
            [aSetter](TXLSFile& xls, const std::string& v, const std::string& o) { (xls.*aSetter)(ParseSwitch(v, o)); }};
}

const std::vector<TSheetOption>& SheetOptions()
{
    static const std::vector<TSheetOption> options{
        {"--col-width", true,
         [](TXLSFile& xls, const std::string& v, const std::string& o) {
             const auto [col, width] = SplitAssignment(v, o);
             xls.SetColumnWidth(ParseColumn(col), static_cast<std::int32_t>(std::lround(ParseNumber(width, o) * 256)));
         }},
        {"--hide-col", true,
         [](TXLSFile& xls, const std::string& v, const std::string&) { xls.SetColumnHidden(ParseColumn(v), true); }},
        {"--show-col", true,
         [](TXLSFile& xls, const std::string& v, const std::string&) { xls.SetColumnHidden(ParseColumn(v), false); }},
        {"--col-level", true,
         [](TXLSFile& xls, const std::string& v, const std::string& o) {
             const auto [col, level] = SplitAssignment(v, o);
             xls.SetColOutlineLevel(ParseColumn(col), ParseColumn(col), ParseInteger(level, o));
         }},
        {"--row-height", true,
         [](TXLSFile& xls, const std::string& v, const std::string& o) {
             const auto [row, points] = SplitAssignment(v, o);
             xls.SetRowHeight(ParseRow(row, o), static_cast<std::int32_t>(std::lround(ParseNumber(points, o) * 20)));
         }},
        {"--hide-row", true,
         [](TXLSFile& xls, const std::string& v, const std::string& o) { xls.SetRowHidden(ParseRow(v, o), true); }},
        {"--show-row", true,
         [](TXLSFile& xls, const std::string& v, const std::string& o) { xls.SetRowHidden(ParseRow(v, o), false); }},
        {"--row-level", true,
         [](TXLSFile& xls, const std::string& v, const std::string& o) {
             const auto [row, level] = SplitAssignment(v, o);
             xls.SetRowOutlineLevel(ParseRow(row, o), ParseRow(row, o), ParseInteger(level, o));
         }},
        {"--merge", true,
         [](TXLSFile& xls, const std::string& v, const std::string&) {
             const TArea a = ParseArea(v);
             xls.MergeCells(a.First.Row, a.First.Col, a.Last.Row, a.Last.Col);
         }},
        {"--unmerge", true,
         [](TXLSFile& xls, const std::string& v, const std::string&) {
             const TArea a = ParseArea(v);
             xls.UnMergeCells(a.First.Row, a.First.Col, a.Last.Row, a.Last.Col);
         }},
        {"--freeze", true,
         [](TXLSFile& xls, const std::string& v, const std::string&) {
             const TCellRef cell = ParseCellReference(v);
             if (cell.Row < 1) xls::RaiseXls(xls::TXlsMsg::InvalidRow, {std::int64_t(cell.Row) - 1});
             if (cell.Col < 1) xls::RaiseXls(xls::TXlsMsg::InvalidColumn, {std::int64_t(cell.Col) - 1});
             xls.FreezePanes(cell.Row - 1, cell.Col - 1);
         }},
        {"--split", true,
         [](TXLSFile& xls, const std::string& v, const std::string& o) {
             const std::vector<double> xy = ParseList(v, o);
             if (xy.size() != 2) throw EUsageError(o + " needs X,Y in twips");
             xls.SplitWindow(static_cast<std::int32_t>(xy[0]), static_cast<std::int32_t>(xy[1]));
         }},
        {"--zoom", true,
         [](TXLSFile& xls, const std::string& v, const std::string& o) {
             const std::int32_t zoom = ParseInteger(v, o);
             if (zoom < MinZoom || zoom > MaxZoom)
                 xls::RaiseXls(xls::TXlsMsg::PropertyIndexOutOfRange, {std::int64_t(zoom), std::string("SheetZoom"),
                                                                       std::int64_t(MinZoom), std::int64_t(MaxZoom)});
             xls.SetSheetZoom(zoom);
         }},
        Switch("--gridlines", &TXLSFile::SetShowGridLines),
        Switch("--headings", &TXLSFile::SetShowGridHeaders),
        Switch("--print-gridlines", &TXLSFile::SetPrintGridLines),
        {"--header", true,
         [](TXLSFile& xls, const std::string& v, const std::string&) { xls.SetPageHeader(xls::Utf8ToUtf16(v)); }},
        {"--footer", true,
         [](TXLSFile& xls, const std::string& v, const std::string&) { xls.SetPageFooter(xls::Utf8ToUtf16(v)); }},
        {"--margins", true,
         [](TXLSFile& xls, const std::string& v, const std::string& o) {
             const std::vector<double> m = ParseList(v, o);
             if (m.size() != 4 && m.size() != 6) throw EUsageError(o + " needs LEFT,RIGHT,TOP,BOTTOM[,HEADER,FOOTER]");
             xls::TXlsMargins margins = xls.Margins();
             margins.Left = m[0], margins.Right = m[1], margins.Top = m[2], margins.Bottom = m[3];
             if (m.size() == 6) margins.Header = m[4], margins.Footer = m[5];
             xls.SetMargins(margins);
         }},
        {"--landscape", false,
         [](TXLSFile& xls, const std::string&, const std::string&) { SetOrientation(xls, true); }},
        {"--portrait", false,
         [](TXLSFile& xls, const std::string&, const std::string&) { SetOrientation(xls, false); }},
        {"--paper", true,
         [](TXLSFile& xls, const std::string& v, const std::string& o) {
             UsePrinterFields(xls);
             xls.SetPrintPaperSize(ParseInteger(v, o));
         }},
        {"--scale", true,
         [](TXLSFile& xls, const std::string& v, const std::string& o) {
             UsePrinterFields(xls);
             xls.SetPrintScale(ParseInteger(v, o));
         }},
        {"--copies", true,
         [](TXLSFile& xls, const std::string& v, const std::string& o) {
             UsePrinterFields(xls);
             xls.SetPrintCopies(ParseInteger(v, o));
         }},
        {"--fit", true,
         [](TXLSFile& xls, const std::string& v, const std::string& o) {
             const std::size_t x = v.find('x');
             if (x == std::string::npos) throw EUsageError(o + " needs WIDTHxHEIGHT in pages");
             xls.SetPrintNumberOfHorizontalPages(ParseInteger(v.substr(0, x), o));
             xls.SetPrintNumberOfVerticalPages(ParseInteger(v.substr(x + 1), o));
             xls.SetPrintToFit(true);
         }},
        Switch("--hcenter", &TXLSFile::SetPrintHCentered),
        Switch("--vcenter", &TXLSFile::SetPrintVCentered),
        Switch("--r1c1", &TXLSFile::SetOptionsR1C1),
    };
    return options;
}

const TSheetOption& FindOption(const std::string& aName)
{
    for (const auto& option : SheetOptions())
        if (option.Name == aName) return option;
    throw EUsageError("unknown option '" + aName + "'");
}

struct TChange {
    const TSheetOption* Option;
    std::string Value;
};

}  // namespace

int RunSheet(TArgs args)
{
    std::vector<std::string> positional;
    std::vector<TChange> changes;
    std::string out;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "-o") {
            if (i + 1 == args.size()) throw EUsageError("-o needs a file name");
            out = args[++i];
        } else if (arg.starts_with("--")) {
            const TSheetOption& option = FindOption(arg);
            if (option.TakesValue && i + 1 == args.size()) throw EUsageError(arg + " needs a value");
            changes.push_back({&option, option.TakesValue ? args[++i] : std::string()});
        } else {
            positional.push_back(arg);
        }
    }
    RequireArgCount(positional, 2, 2);
    if (changes.empty()) throw EUsageError("nothing to change");
    const std::string& file = positional[0];

    return OnFile(file, [&] {
        TXLSFile xls(nullptr, true);
        xls.Connect();
        xls.OpenFile(file);
        const std::int32_t sheet = FindSheetArgument(xls, positional[1]);
        if (!xls.IsWorksheet(sheet)) throw EFileError("Sheet " + positional[1] + " is not a worksheet");
        xls.SetActiveSheet(sheet);
        // Every change is made in memory first: a refused one leaves the file as it was.
        for (const auto& change : changes) change.Option->Apply(xls, change.Value, std::string(change.Option->Name));
        xls.Save(true, out.empty() ? file : out, nullptr, nullptr, nullptr);
        xls.Disconnect();
        return 0;
    });
}

}  // namespace xlstool
