// The settings kind of the feature dump (S): a sheet's view, page and print
// settings, one line per key in a fixed order. Values come from the sheet's
// settings, the printer fields raw from its SETUP record.
#include "DefinedNames.h"
#include "DumpText.h"
#include "Features.h"

namespace xlstool {

using namespace xls;

namespace {

std::string Bit(bool aValue) { return aValue ? "1" : "0"; }

// 0, 1 or 2 for a text that starts with &L, &C or &R; 3 for any other.
std::size_t PartAt(std::u16string_view aText)
{
    if (aText[0] != u'&') return 3;
    switch (aText[1]) {
    case u'L': return 0;
    case u'C': return 1;
    case u'R': return 2;
    default: return 3;
    }
}

// The left, centre and right parts of a header or footer text: each starts
// at its code (&L, &C, &R) and runs to the next of the other two codes; a
// text that does not start with one of them is all centre.
std::string HeaderFooterParts(const std::u16string& aText)
{
    std::u16string parts[3];
    std::u16string text = aText;
    static constexpr std::u16string_view codes[3] = {u"&L", u"&C", u"&R"};
    while (text.size() > 1) {
        const std::size_t part = PartAt(text);
        if (part == 3) {
            parts[1] = text;
            break;
        }
        std::size_t end = text.size();
        for (std::size_t other = 0; other < 3; ++other)
            if (other != part) end = std::min(end, text.find(codes[other]));
        parts[part] = text.substr(2, end - 2);
        text = text.substr(end);
    }
    return EscapeDumpText(parts[0]) + "|" + EscapeDumpText(parts[1]) + "|" + EscapeDumpText(parts[2]);
}

std::string PaneText(const TSheet& aSheet, bool aFrozen)
{
    const TPaneRecord* pane = aSheet.Pane();
    const TWindow2Record* window = aSheet.Window2();
    if (!pane || !window || window->HasOption(TWindow2Record::OptFrozen) != aFrozen) return "-";
    return std::to_string(pane->ColSplit()) + "," + std::to_string(pane->RowSplit()) + "," +
           std::to_string(pane->FirstVisibleCol()) + "," + std::to_string(pane->FirstVisibleRow());
}

std::string MarginsText(const TXlsMargins& m)
{
    std::string text;
    for (double v : {m.Left, m.Right, m.Top, m.Bottom, m.Header, m.Footer})
        text += (text.empty() ? "" : ",") + DumpNumber(v);
    return text;
}

// The records the sheet keeps as they were read.
const TBaseRecordList* KeptRecords(const TSheet& aSheet)
{
    if (const auto* ws = dynamic_cast<const TWorkSheet*>(&aSheet)) return &ws->MiscRecords1();
    if (const auto* chart = dynamic_cast<const TTbrChart*>(&aSheet)) return &chart->ChartRecords();
    if (const auto* other = dynamic_cast<const TTbrUnsupportedSheet*>(&aSheet)) return &other->SheetRecords();
    return nullptr;
}

bool IsProtected(const TSheet& aSheet)
{
    const TBaseRecordList* records = KeptRecords(aSheet);
    for (std::size_t i = 0; records && i < records->Count(); ++i)
        if (const auto* protect = dynamic_cast<const TProtectRecord*>(records->GetItem(i)))
            return protect->Value() == 1;
    return false;
}

std::string Centered(const TPrintCenteredRecord* aRecord) { return Bit(aRecord && aRecord->Value() == 1); }

// The area of the sheet's first filter database name ("A1:C21", "B2" when
// its formula is one 3-D area or cell), else its formula; "-" without one.
std::string AutoFilterText(const TFeatureSheet& aSheet)
{
    TWorkbookGlobals& g = aSheet.Workbook.Globals();
    for (std::size_t i = 0; i < g.Names().Count(); ++i) {
        const TNameRecord* name = g.Names().Items(i);
        if (!name || name->RangeSheet() != aSheet.Index) continue;
        const TNameFields fields = DescribeName(*name, g);
        if (fields.Name != "_FilterDatabase") continue;
        constexpr std::uint16_t area3dSize = 11, ref3dSize = 7;
        const auto cell = [](std::int32_t aRow, std::int32_t aCol) {
            return A1Reference(std::uint32_t(aRow), std::uint32_t(aCol));
        };
        if (name->GetR1() >= 0 && name->FormulaSize() == area3dSize)
            return cell(name->GetR1(), name->GetC1()) + ":" + cell(name->GetR2(), name->GetC2());
        if (name->GetR1() >= 0 && name->FormulaSize() == ref3dSize) return cell(name->GetR1(), name->GetC1());
        return fields.Formula;
    }
    return "-";
}

}  // namespace

void SettingLines(const TFeatureSheet& aSheet, std::string& aOut)
{
    const TSheet& sheet = aSheet.Sheet;
    const TSetupRecord* setup = sheet.Setup();
    const TWsBoolRecord* wsBool = sheet.WSBool();
    // Without SETUP a sheet prints with the defaults: letter paper, 100 %,
    // one page wide and tall, portrait, one copy.
    auto setupField = [&](auto aField, const char* aDefault) { return setup ? aField(*setup) : std::string(aDefault); };
    const std::string fitFlag = Bit(wsBool && wsBool->HasOption(TWsBoolRecord::OptFitToPage));
    const TSCLRecord* zoom = sheet.Zoom();

    const std::pair<const char*, std::string> settings[] = {
        {"gridlines", Bit(sheet.ShowGridLines())},
        {"headings", Bit(sheet.ShowGridHeaders())},
        {"printgridlines", Bit(sheet.PrintGridLines())},
        {"zoom", zoom ? std::to_string(zoom->Numerator()) + "/" + std::to_string(zoom->Denominator()) : "-"},
        {"freeze", PaneText(sheet, true)},
        {"split", PaneText(sheet, false)},
        {"margins", MarginsText(sheet.Margins())},
        {"header", HeaderFooterParts(sheet.PageHeader())},
        {"footer", HeaderFooterParts(sheet.PageFooter())},
        {"paper", setupField([](const TSetupRecord& s) { return std::to_string(s.PaperSize()); }, "1")},
        {"scale", setupField([](const TSetupRecord& s) { return std::to_string(s.Scale()); }, "100")},
        {"fit",
         setupField(
             [](const TSetupRecord& s) { return std::to_string(s.FitWidth()) + "x" + std::to_string(s.FitHeight()); },
             "1x1") +
             "/" + fitFlag},
        {"landscape",
         setupField([](const TSetupRecord& s) { return Bit((s.GrBit() & TSetupRecord::OptPortrait) == 0); }, "0")},
        {"copies", setupField([](const TSetupRecord& s) { return std::to_string(s.Copies()); }, "1")},
        {"hcenter", Centered(sheet.HCenter())},
        {"vcenter", Centered(sheet.VCenter())},
        {"selected", Bit(sheet.Selected())},
        {"protected", Bit(IsProtected(sheet))},
        {"autofilter", AutoFilterText(aSheet)},
    };
    for (const auto& [key, value] : settings) aOut += "S\t" + aSheet.Name + "\t" + key + "\t" + value + "\n";
}

}  // namespace xlstool
