// The workbook globals on small hand-built sections: load and the fixed save
// order, sizes, settings, palette, formats, sheet names and the sheet
// operations with their references and names.
#include <gtest/gtest.h>

#include "EscherTestSupport.h"
#include "GlobalsTestSupport.h"

using namespace globtest;
using eschertest::DggAtom;
using eschertest::EscherHeader;
using eschertest::GroupTree;

namespace {

constexpr std::uint16_t kInterfaceHdr = 0x00E1;
constexpr std::uint16_t kCountry = 0x008C;
constexpr std::uint16_t kStyleExt = 0x0892;

TBytes ExternalSupBookBody()
{
    TBytes d;
    AppendWord(d, 1);
    for (std::string_view s : {"\x01" "Cbook.xls", "S1"}) {
        AppendWord(d, static_cast<std::uint16_t>(s.size()));
        AppendByte(d, 0);
        d.insert(d.end(), s.begin(), s.end());
    }
    return d;
}

std::vector<TXti> XtisOf(const TReferences& aRefs)
{
    std::vector<TXti> xtis;
    for (std::size_t i = 0; i < aRefs.ExternRefs().Count(); ++i) {
        const TExternRef& r = aRefs.ExternRefs().Items(i);
        xtis.push_back({r.SupBookRecord, r.FirstSheet, r.LastSheet});
    }
    return xtis;
}

std::vector<TXlsString> SheetNames(const TWorkbookGlobals& aGlobals)
{
    std::vector<TXlsString> names;
    for (std::size_t i = 0; i < aGlobals.SheetCount(); ++i) names.push_back(aGlobals.SheetName(static_cast<std::int32_t>(i)));
    return names;
}

// Name text and sheet word of every NAME.
std::vector<std::pair<std::string, std::uint16_t>> NamesOf(TWorkbookGlobals& aGlobals)
{
    std::vector<std::pair<std::string, std::uint16_t>> names;
    for (std::size_t i = 0; i < aGlobals.Names().Count(); ++i) {
        TByteView d = aGlobals.Names().Items(i)->Data();
        names.emplace_back(std::string(d.begin() + 15, d.begin() + 15 + d[3]), GetWord(d, 8));
    }
    return names;
}

// Three sheets, an external and a local book, XTIs into both, a global and two local names.
TBytes ThreeSheetBook(std::initializer_list<TBytes> aExtra = {})
{
    std::vector<TBytes> records{
        Rec(0x003D, Window1Body()),
        Rec(xlr_FONT, FontBody("Arial")),
        Rec(xlr_XF, XFBody()),
        Rec(0x0085, BoundSheetBody("A")),
        Rec(0x0085, BoundSheetBody("B")),
        Rec(0x0085, BoundSheetBody("C")),
        Rec(xlr_SUPBOOK, ExternalSupBookBody()),
        Rec(xlr_SUPBOOK, LocalSupBookBody(3)),
        Rec(xlr_EXTERNSHEET,
            ExternSheetBody({{1, 0, 0}, {1, 1, 1}, {1, 2, 2}, {0, 1, 1}, {1, 0, 2}, {1, 0xFFFE, 0xFFFE}})),
        Rec(0x0018, NameBody("g", -1, 0)),
        Rec(0x0018, NameBody("l1", 1, 1)),
        Rec(0x0018, NameBody("l2", 2, 2)),
    };
    records.insert(records.end(), aExtra.begin(), aExtra.end());
    TBytes s = Rec(xlr_BOF, BofGlobals());
    for (const auto& r : records) s.insert(s.end(), r.begin(), r.end());
    const TBytes eof = Rec(xlr_EOF, {});
    s.insert(s.end(), eof.begin(), eof.end());
    return s;
}

}  // namespace

TEST(WorkbookGlobals, SavesEveryBlockInTheFixedOrder)
{
    const TBytes interfaceHdr = Rec(kInterfaceHdr, B({0xB0, 0x04}));
    const TBytes window = Rec(0x003D, Window1Body(0, 0));
    const TBytes arial = Rec(xlr_FONT, FontBody("Arial"));
    const TBytes courier = Rec(xlr_FONT, FontBody("Courier", 180, true));
    const TBytes first = Rec(0x0085, BoundSheetBody("First"));
    const TBytes second = Rec(0x0085, BoundSheetBody("Second", 0x0100));
    const TBytes format = Rec(xlr_FORMAT, FormatBody(164, "0.0"));
    const TBytes supBook = Rec(xlr_SUPBOOK, LocalSupBookBody(2));
    const TBytes externName = Rec(xlr_EXTERNNAME, ExternNameBody("f"));
    const TBytes xf0 = Rec(xlr_XF, XFBody(0));
    const TBytes xf1 = Rec(xlr_XF, XFBody(1, 164));
    const TBytes style = Rec(xlr_STYLE, StyleBody(0));
    const TBytes name = Rec(0x0018, NameBody("Local", 1));
    const TBytes externSheet = Rec(xlr_EXTERNSHEET, ExternSheetBody({{0, 0, 0}, {0, 1, 1}}));
    const TBytes drawing = Rec(xlr_MSODRAWINGGROUP, GroupTree(DggAtom(1026, 2, 1, {{1, 2}})));
    const TBytes country = Rec(kCountry, B({1, 0, 49, 0}));
    const TBytes stream = GlobalsStream({interfaceHdr, window, arial, first, format, supBook, xf0, externName, courier,
                                         xf1, style, name, externSheet, second, drawing,
                                         Rec(xlr_SST, SSTBody({"a", "b"})), Rec(xlr_EXTSST, B({8, 0})), country,
                                         Rec(xlr_TEMPLATE, {})});
    TWorkbookGlobals g{std::make_unique<TDrawingGroup>()};
    LoadGlobals(g, stream);
    EXPECT_TRUE(g.IsXltTemplate());
    EXPECT_EQ(g.SheetCount(), 2u);
    EXPECT_EQ(g.SST().Count(), 2u);
    EXPECT_EQ(g.References().SupBookCount(), 1u);
    EXPECT_EQ(g.References().SupBook(0).ExternNameCount(), 1u);
    EXPECT_FALSE(DrawingGroupOf(g).Empty());

    const TBytes saved = SavedGlobals(g);
    TBytes windowFixed = window;
    SetWord(windowFixed, 4 + 4, 1);  // a zero window width is written as 1
    const TBytes expectedHead = Cat({Rec(xlr_BOF, BofGlobals()), Rec(xlr_TEMPLATE, {}), interfaceHdr,
                                     windowFixed, arial, courier, format, xf0, xf1, style, country, first, second,
                                     supBook, externName, externSheet, name, drawing});
    ASSERT_GT(saved.size(), expectedHead.size());
    EXPECT_TRUE(SameBytes(TBytes(saved.begin(), saved.begin() + std::ptrdiff_t(expectedHead.size())), expectedHead));
    const auto tail = SplitRecordChains(saved, expectedHead.size());
    EXPECT_EQ(Ids(tail), (std::vector<std::uint16_t>{xlr_SST, xlr_EXTSST, xlr_EOF}));

    // Loading the written section again gives the same section.
    TWorkbookGlobals again{std::make_unique<TDrawingGroup>()};
    LoadGlobals(again, saved);
    EXPECT_TRUE(SameBytes(SavedGlobals(again), saved));
}

TEST(WorkbookGlobals, DrawingGroupSpanningSeveralRecords)
{
    // The root goes on in a CONTINUE record and in a second MSODRAWINGGROUP;
    // it is written back as one record.
    const TBytes tree = GroupTree(DggAtom(1026, 2, 1, {{1, 2}}));
    auto piece = [&](std::size_t aFrom, std::size_t aTo) {
        return TBytes(tree.begin() + std::ptrdiff_t(aFrom), tree.begin() + std::ptrdiff_t(aTo));
    };
    const TBytes group = Cat({Rec(xlr_MSODRAWINGGROUP, piece(0, 10)), Rec(xlr_CONTINUE, piece(10, 21)),
                              Rec(xlr_MSODRAWINGGROUP, piece(21, tree.size()))});
    TWorkbookGlobals g{std::make_unique<TDrawingGroup>()};
    LoadGlobals(g, GlobalsStream({Rec(0x0085, BoundSheetBody("S")), group, Rec(kCountry, B({1, 0, 1, 0}))}));
    const TBytes whole = Rec(xlr_MSODRAWINGGROUP, tree);
    EXPECT_EQ(DrawingGroupOf(g).TotalSize(), std::int64_t(whole.size()));
    const TBytes saved = SavedGlobals(g);
    EXPECT_NE(std::search(saved.begin(), saved.end(), whole.begin(), whole.end()), saved.end());
}

TEST(WorkbookGlobals, RefusesBrokenSections)
{
    const TBytes sheet = Rec(0x0085, BoundSheetBody("S"));
    // Each message names the record it stopped at.
    const std::string invalid = "Error reading Excel records. File invalid (stream \"Workbook\", record ";
    const std::pair<TBytes, std::string> cases[] = {
        {GlobalsStream({sheet, Rec(xlr_BOF, BofGlobals())}), invalid + "BOF (0x0809) at offset 33)"},
        {GlobalsStream({sheet, Rec(0x0085, BoundSheetBody("S"))}),
         "Sheet name already exists: S (stream \"Workbook\", record BOUNDSHEET (0x0085) at offset 33)"},
        {GlobalsStream({Rec(xlr_EXTERNNAME, ExternNameBody("f"))}), invalid + "EXTERNNAME (0x0023) at offset 20)"},
        // The drawing group announces 30 bytes and has 10: the record after it should carry the rest.
        {GlobalsStream({Rec(xlr_MSODRAWINGGROUP, Cat({DggContainerHeader(30), EscherHeader(0, 0xF006, 22), B({1, 2})})),
                        sheet}),
         invalid + "BOUNDSHEET (0x0085) at offset 42)"},
        {GlobalsStream({Rec(xlr_MSODRAWINGGROUP, DggContainerHeader(0)), sheet, Rec(xlr_MSODRAWINGGROUP, DggContainerHeader(0))}),
         invalid + "MSODRAWINGGROUP (0x00EB) at offset 45)"},
        {GlobalsStream({Rec(xlr_EXTERNSHEET, B({3, 0, 0, 0, 0, 0, 0, 0}))}),
         "Error reading record (stream \"Workbook\", record EXTERNSHEET (0x0017) at offset 20)"},  // 3 XTIs announced
        {GlobalsStream({Rec(xlr_XF, TBytes(12, 0))}), "Record with ID 0xE0 is invalid (stream \"Workbook\", record XF (0x00E0) at offset 20)"},
    };
    for (const auto& [stream, message] : cases) {
        TWorkbookGlobals g{std::make_unique<TDrawingGroup>()};
        EXPECT_EQ(ErrorOf([&] { LoadGlobals(g, stream); }), message);
    }

    TWorkbookGlobals empty{std::make_unique<TDrawingGroup>()};
    EXPECT_EQ(ErrorOf([&] { SavedGlobals(empty); }), "A section of the workbook is not loaded");
}

TEST(WorkbookGlobals, TemplateFlagCostsFourBytes)
{
    TWorkbookGlobals g{std::make_unique<TDrawingGroup>()};
    LoadGlobals(g, GlobalsStream({Rec(0x0085, BoundSheetBody("S"))}));
    EXPECT_FALSE(g.IsXltTemplate());
    const std::int64_t plain = std::int64_t(SavedGlobals(g).size());
    g.SetIsXltTemplate(true);
    const TBytes saved = SavedGlobals(g);
    EXPECT_EQ(std::int64_t(saved.size()), plain + 4);
    EXPECT_EQ(Ids(SplitRecordChains(saved)).at(1), xlr_TEMPLATE);

    TWorkbookGlobals loaded{std::make_unique<TDrawingGroup>()};
    LoadGlobals(loaded, saved);
    EXPECT_TRUE(loaded.IsXltTemplate());
    EXPECT_TRUE(SameBytes(SavedGlobals(loaded), saved));
}

TEST(WorkbookGlobals, ActiveSheetAndFirstTab)
{
    TWorkbookGlobals none{std::make_unique<TDrawingGroup>()};
    const TBytes sheets = Cat({Rec(0x0085, BoundSheetBody("A")), Rec(0x0085, BoundSheetBody("B")), Rec(0x0085, BoundSheetBody("C"))});
    LoadGlobals(none, GlobalsStream({sheets}));
    const TBytes before = SavedGlobals(none);
    EXPECT_EQ(none.ActiveSheet(), 0);
    none.SetActiveSheet(2);
    none.SetFirstSheetVisible(1);
    EXPECT_EQ(none.ActiveSheet(), 0);
    EXPECT_TRUE(SameBytes(SavedGlobals(none), before));

    TWorkbookGlobals g{std::make_unique<TDrawingGroup>()};
    LoadGlobals(g, GlobalsStream({Rec(0x003D, Window1Body(1, 0x3000, 1)), sheets}));
    EXPECT_EQ(g.ActiveSheet(), 1);
    g.SetActiveSheet(2);
    TByteView window = g.MiscRecords().GetItem(0)->Data();
    EXPECT_EQ(GetWord(window, 10), 2);
    EXPECT_EQ(GetWord(window, 12), 0);
    EXPECT_EQ(GetWord(window, 14), 1);
    g.SetFirstSheetVisible(1);
    EXPECT_EQ(GetWord(window, 12), 1);
    EXPECT_EQ(ErrorOf([&] { g.SetActiveSheet(3); }), R"(Sheet number "3" invalid. Must be between 0 and 2)");
    EXPECT_EQ(ErrorOf([&] { g.SetFirstSheetVisible(-1); }), R"(Sheet number "-1" invalid. Must be between 0 and 2)");
}

TEST(WorkbookGlobals, DateSystemPrecisionAndLinkFlags)
{
    TWorkbookGlobals g{std::make_unique<TDrawingGroup>()};
    LoadGlobals(g, GlobalsStream({Rec(0x0022, B({1, 0})), Rec(0x000E, B({1, 0})), Rec(0x00DA, B({0, 0})),
                                  Rec(0x0085, BoundSheetBody("S"))}));
    EXPECT_TRUE(g.Is1904());
    EXPECT_FALSE(g.PrecisionAsDisplayed());
    EXPECT_TRUE(g.SaveExternalLinkValues());
    g.SetIs1904(false);
    g.SetPrecisionAsDisplayed(true);
    g.SetSaveExternalLinkValues(false);
    EXPECT_FALSE(g.Is1904());
    EXPECT_TRUE(g.PrecisionAsDisplayed());
    EXPECT_FALSE(g.SaveExternalLinkValues());
    const auto records = SplitRecordChains(SavedGlobals(g));
    EXPECT_EQ(records.at(1).Bytes, Rec(0x0022, B({0, 0})));
    EXPECT_EQ(records.at(2).Bytes, Rec(0x000E, B({0, 0})));
    EXPECT_EQ(records.at(3).Bytes, Rec(0x00DA, B({1, 0})));

    TWorkbookGlobals bare{std::make_unique<TDrawingGroup>()};
    LoadGlobals(bare, GlobalsStream({Rec(0x0085, BoundSheetBody("S"))}));
    const TBytes before = SavedGlobals(bare);
    bare.SetIs1904(true);
    bare.SetPrecisionAsDisplayed(true);
    bare.SetSaveExternalLinkValues(true);
    EXPECT_FALSE(bare.Is1904());
    EXPECT_FALSE(bare.PrecisionAsDisplayed());
    EXPECT_FALSE(bare.SaveExternalLinkValues());
    EXPECT_TRUE(SameBytes(SavedGlobals(bare), before));
}

TEST(WorkbookGlobals, NewPaletteGoesBehindTheFormattingRecords)
{
    const TBytes sheet = Rec(0x0085, BoundSheetBody("S"));
    struct Case {
        const char* What;
        TBytes Stream;
        std::vector<std::uint16_t> Ids;
    };
    const Case cases[] = {
        {"styles follow the XFs",
         GlobalsStream({Rec(xlr_FONT, FontBody("A")), Rec(xlr_XF, XFBody()), Rec(xlr_XF, XFBody()),
                        Rec(xlr_STYLE, StyleBody(0)), Rec(kStyleExt, B({0x92, 8})), Rec(xlr_STYLE, StyleBody(3)),
                        Rec(kCountry, B({1, 0, 1, 0})), sheet}),
         {xlr_BOF, xlr_FONT, xlr_XF, xlr_XF, xlr_STYLE, kStyleExt, xlr_STYLE, xlr_PALETTE, kCountry, 0x0085, xlr_SST,
          xlr_EXTSST, xlr_EOF}},
        {"no styles",
         GlobalsStream({Rec(xlr_FONT, FontBody("A")), Rec(xlr_XF, XFBody()), Rec(kCountry, B({1, 0, 1, 0})), sheet}),
         {xlr_BOF, xlr_FONT, xlr_XF, xlr_PALETTE, kCountry, 0x0085, xlr_SST, xlr_EXTSST, xlr_EOF}},
        {"no formatting records",
         GlobalsStream({Rec(kCountry, B({1, 0, 1, 0})), sheet}),
         {xlr_BOF, kCountry, xlr_PALETTE, 0x0085, xlr_SST, xlr_EXTSST, xlr_EOF}},
    };
    for (const auto& c : cases) {
        TWorkbookGlobals g{std::make_unique<TDrawingGroup>()};
        LoadGlobals(g, c.Stream);
        EXPECT_EQ(g.ColorPalette(3), DefaultColor(3)) << c.What;
        EXPECT_EQ(ErrorOf([&] { g.SetColorPalette(56, 0); }), "Too many entries for this kind of record (56 out of a maximum of 55)");
        g.SetColorPalette(3, 0x00ABCDEF);
        g.SetColorPalette(55, 0x00010203);
        EXPECT_EQ(g.ColorPalette(3), 0x00ABCDEFu) << c.What;
        EXPECT_EQ(g.ColorPalette(4), DefaultColor(4)) << c.What;
        const auto records = SplitRecordChains(SavedGlobals(g));
        EXPECT_EQ(Ids(records), c.Ids) << c.What;
        for (const auto& r : records) {
            if (r.Id != xlr_PALETTE) continue;
            TPaletteRecord written(xlr_PALETTE, TBytes(r.Bytes.begin() + 4, r.Bytes.end()));
            EXPECT_EQ(written.GetColor(3), 0x00ABCDEFu);
            EXPECT_EQ(written.GetColor(55), 0x00010203u);
            EXPECT_EQ(written.GetColor(0), DefaultColor(0));
        }
    }

    // A workbook's own palette is read and written in place.
    TWorkbookGlobals own{std::make_unique<TDrawingGroup>()};
    LoadGlobals(own, GlobalsStream({Rec(xlr_PALETTE, B({3, 0, 1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0})), sheet}));
    EXPECT_EQ(own.ColorPalette(1), 0x00060504u);
    own.SetColorPalette(2, 0x00FFFFFF);
    EXPECT_EQ(ErrorOf([&] { own.SetColorPalette(3, 0); }), "Too many entries for this kind of record (3 out of a maximum of 2)");
    EXPECT_EQ(ErrorOf([&] { own.ColorPalette(3); }), R"(The index "3" of the property "Palette Color Index" is not in the range 0-2)");
    EXPECT_EQ(SplitRecordChains(SavedGlobals(own)).at(1).Bytes, Rec(xlr_PALETTE, B({3, 0, 1, 2, 3, 0, 4, 5, 6, 0, 0xFF, 0xFF, 0xFF, 0})));
}

TEST(WorkbookGlobals, EqualFormatsShareOneXF)
{
    TWorkbookGlobals g{std::make_unique<TDrawingGroup>()};
    LoadGlobals(g, GlobalsStream({Rec(xlr_FONT, FontBody("Arial")), Rec(xlr_FONT, FontBody("Arial", 200, true)),
                                  Rec(xlr_FORMAT, FormatBody(170, "0.0")), Rec(xlr_XF, XFBody(0, 0)),
                                  Rec(xlr_XF, XFBody(1, 170)), Rec(0x0085, BoundSheetBody("S"))}));
    EXPECT_EQ(g.GetFormat(1).Format, u"0.0");
    EXPECT_EQ(g.GetFormat(99), g.GetFormat(0));  // outside the list: XF 0
    EXPECT_EQ(g.GetFormat(-1), g.GetFormat(0));

    TTbrFormat f = g.GetFormat(1);
    EXPECT_EQ(g.AddFormat(f), 1u);  // the 16-bit font and the FORMAT exist: XF 1 itself
    f.Format = u"0.00";
    f.FillPattern = {2, 10, 9};
    const std::size_t added = g.AddFormat(f);
    EXPECT_EQ(added, 2u);
    EXPECT_EQ(g.AddFormat(f), added);
    EXPECT_EQ(g.XF().Count(), 3u);
    EXPECT_EQ(g.Fonts().Count(), 2u);
    EXPECT_EQ(g.Formats().Count(), 1u);  // "0.00" is built in
    f.Format = u"0.000";
    f.Font.Size20 = 400;
    EXPECT_EQ(g.AddFormat(f), 3u);
    EXPECT_EQ(g.AddFormat(f), 3u);
    EXPECT_EQ(g.Fonts().Count(), 3u);
    EXPECT_EQ(g.Formats().Count(), 2u);
    EXPECT_EQ(g.Formats().Items(1)->FormatId(), 171);
    EXPECT_EQ(g.AddFont(f.Font), 2);

    TWorkbookGlobals again{std::make_unique<TDrawingGroup>()};
    LoadGlobals(again, SavedGlobals(g));
    EXPECT_EQ(again.GetFormat(3), f);
}

TEST(WorkbookGlobals, FormatsAddedToAWorkbookWithoutFormatRecordsAreWritten)
{
    TWorkbookGlobals g{std::make_unique<TDrawingGroup>()};
    LoadGlobals(g, GlobalsStream({Rec(kCountry, B({1, 0, 1, 0})), Rec(0x0085, BoundSheetBody("S"))}));
    TTbrFormat f;
    f.Font.Name = u"Arial";
    f.Font.Size20 = 200;
    f.Format = u"0.0";
    EXPECT_EQ(g.AddFormat(f), 0u);
    const TBytes saved = SavedGlobals(g);
    TTbrFormat want = f;  // border colours 0 are written as the first palette colour
    for (TTbrOneBorder* b : {&want.Borders.Left, &want.Borders.Right, &want.Borders.Top, &want.Borders.Bottom}) b->ColorIndex = 1;
    EXPECT_EQ(Ids(SplitRecordChains(saved)), (std::vector<std::uint16_t>{xlr_BOF, kCountry, xlr_FONT, xlr_FORMAT, xlr_XF,
                                                                      0x0085, xlr_SST, xlr_EXTSST, xlr_EOF}));
    TWorkbookGlobals again{std::make_unique<TDrawingGroup>()};
    LoadGlobals(again, saved);
    EXPECT_EQ(again.GetFormat(0), want);
}

TEST(SheetNameList, NamesStayUnique)
{
    TSheetNameList names;
    names.Add(u"Data");
    names.Add(u"data");  // a file may hold names that differ in case only
    EXPECT_EQ(ErrorOf([&] { names.Add(u"Data"); }), "Sheet name already exists: Data");
    EXPECT_EQ(names.AddUniqueName(u"Data"), u"Data1");
    EXPECT_EQ(names.AddUniqueName(u"Data"), u"Data2");
    EXPECT_EQ(names.AddUniqueName(u"DATA"), u"DATA3");  // "DATA", "DATA1", "DATA2" are taken, ignoring case
    EXPECT_EQ(names.AddUniqueName(u"Data1"), u"Data11");
    EXPECT_EQ(names.AddUniqueName(u"Sheet"), u"Sheet");
    EXPECT_EQ(names.AddUniqueName(u"Sheet"), u"Sheet1");
    EXPECT_EQ(names.AddUniqueName(u"\u00DCbersicht"), u"\u00DCbersicht");
    EXPECT_EQ(names.AddUniqueName(u"\u00FCBERSICHT"), u"\u00FCBERSICHT1");

    std::size_t index = 0;
    EXPECT_TRUE(names.FindFullString(u"Data2", index));
    EXPECT_EQ(names.Items(index).S, u"Data");
    EXPECT_EQ(names.Items(index).n, 2);
    EXPECT_FALSE(names.FindFullString(u"Data3", index));
    EXPECT_TRUE(names.FindRootString(u"Data", index));
    EXPECT_EQ(names.Items(index).n, 2);
    for (std::size_t i = 1; i < names.Count(); ++i) {
        const TXlsString a = names.Items(i - 1).FullName(), b = names.Items(i).FullName();
        EXPECT_TRUE(a.size() < b.size() || (a.size() == b.size() && a < b));
    }

    names.Rename(u"Sheet", u"Sheet");
    EXPECT_EQ(ErrorOf([&] { names.Rename(u"Sheet", u"Data2"); }), "Sheet name already exists: Data2");
    EXPECT_EQ(ErrorOf([&] { names.Rename(u"Sheet", u"SHEET1"); }), "Sheet name already exists: SHEET1");
    names.Rename(u"Sheet", u"SHEET");  // a change of case of the same sheet
    EXPECT_TRUE(names.FindFullString(u"SHEET", index));
    EXPECT_FALSE(names.FindFullString(u"Sheet", index));
    names.DeleteSheet(u"SHEET");
    EXPECT_EQ(names.AddUniqueName(u"sheet"), u"sheet");
    EXPECT_EQ(names.AddUniqueName(u"sheet"), u"sheet2");  // "Sheet1" is taken

    const std::pair<std::u16string_view, std::u16string_view> valid[] = {
        {u"a/b\\c?d[e]f*g:h", u"a_b_c_d_e_f_g.h"},
        {u"1234567890123456789012345678901234567890", u"1234567890123456789012345678901"},
        {u"\u00C4rger", u"\u00C4rger"},
        {u"123456789012345678901234567890\U0001F600", u"123456789012345678901234567890"},  // no half character
    };
    for (const auto& [in, out] : valid) EXPECT_EQ(TSheetNameList::MakeValidSheetName(in), out);
}

TEST(WorkbookGlobals, SheetNamesVisibilityAndOffsets)
{
    TWorkbookGlobals g{std::make_unique<TDrawingGroup>()};
    LoadGlobals(g, GlobalsStream({Rec(0x0085, BoundSheetBody("Sheet1", 0x0100)), Rec(0x0085, BoundSheetBody("Sheet2", 0x0003))}));
    g.SetSheetName(0, u"Sheet1");
    EXPECT_EQ(ErrorOf([&] { g.SetSheetName(0, u"Sheet2"); }), "Sheet name already exists: Sheet2");
    g.SetSheetName(0, u"Umsatz/2024: Q1 und Q2 und Q3 und Q4");
    EXPECT_EQ(g.SheetName(0), u"Umsatz_2024. Q1 und Q2 und Q3 u");
    g.SetSheetName(1, u"\u6570\u636E");
    EXPECT_EQ(g.SheetName(1), u"\u6570\u636E");
    EXPECT_EQ(ErrorOf([&] { g.SheetName(2); }), R"(Sheet number "2" invalid. Must be between 0 and 1)");

    EXPECT_EQ(g.SheetVisible(1), TXlsSheetVisible::sv_Visible);  // bits 0 to 1 set: visible
    g.SetSheetVisible(0, TXlsSheetVisible::sv_VeryHidden);
    EXPECT_EQ(g.SheetVisible(0), TXlsSheetVisible::sv_VeryHidden);
    EXPECT_EQ(g.SheetOptionFlags(0), 0x0102);
    g.SetSheetVisible(1, TXlsSheetVisible::sv_Hidden);
    EXPECT_EQ(g.SheetOptionFlags(1), 0x0001);
    g.SheetSetOffset(1, 0xFFFFFFFF);
    EXPECT_EQ(ErrorOf([&] { g.SheetSetOffset(1, 0x100000000); }),
              "Too many entries for this kind of record (4294967296 out of a maximum of 4294967295)");

    TWorkbookGlobals again{std::make_unique<TDrawingGroup>()};
    LoadGlobals(again, SavedGlobals(g));
    EXPECT_EQ(SheetNames(again), (std::vector<TXlsString>{u"Umsatz_2024. Q1 und Q2 und Q3 u", u"\u6570\u636E"}));
    EXPECT_EQ(again.BoundSheets().BoundSheets().Items(1)->Offset(), 0xFFFFFFFFu);
    EXPECT_EQ(again.SheetOptionFlags(0), 0x0102);
}

TEST(WorkbookGlobals, InsertingAndDeletingSheetsMovesReferencesAndNames)
{
    TWorkbookGlobals g{std::make_unique<TDrawingGroup>()};
    LoadGlobals(g, ThreeSheetBook());

    g.InsertSheets(-1, 1, 0x0000, u"Sheet", 2);
    EXPECT_EQ(SheetNames(g), (std::vector<TXlsString>{u"A", u"Sheet", u"Sheet1", u"B", u"C"}));
    EXPECT_EQ(XtisOf(g.References()),
              (std::vector<TXti>{{1, 0, 0}, {1, 3, 3}, {1, 4, 4}, {0, 1, 1}, {1, 0, 4}, {1, 0xFFFE, 0xFFFE}}));
    EXPECT_EQ(GetWord(g.References().SupBook(1).Data(), 0), 5);
    EXPECT_EQ(NamesOf(g), (std::vector<std::pair<std::string, std::uint16_t>>{{"g", 0}, {"l1", 4}, {"l2", 5}}));
    SavedGlobals(g);

    g.DeleteSheets(3, 1);  // B
    EXPECT_EQ(SheetNames(g), (std::vector<TXlsString>{u"A", u"Sheet", u"Sheet1", u"C"}));
    EXPECT_EQ(XtisOf(g.References()),
              (std::vector<TXti>{{1, 0, 0}, {1, 0xFFFF, 0xFFFF}, {1, 3, 3}, {0, 1, 1}, {1, 0, 3}, {1, 0xFFFE, 0xFFFE}}));
    EXPECT_EQ(GetWord(g.References().SupBook(1).Data(), 0), 4);
    EXPECT_EQ(NamesOf(g), (std::vector<std::pair<std::string, std::uint16_t>>{{"g", 0}, {"l2", 4}}));

    g.DeleteSheets(2, 10);  // up to the last sheet
    EXPECT_EQ(SheetNames(g), (std::vector<TXlsString>{u"A", u"Sheet"}));
    EXPECT_EQ(NamesOf(g), (std::vector<std::pair<std::string, std::uint16_t>>{{"g", 0}}));
    EXPECT_EQ(ErrorOf([&] { g.DeleteSheets(3, 1); }), R"(Sheet number "3" invalid. Must be between 0 and 2)");
    EXPECT_EQ(ErrorOf([&] { g.InsertSheets(-1, 3, 0, u"X", 1); }), R"(Sheet number "3" invalid. Must be between 0 and 2)");

    TWorkbookGlobals again{std::make_unique<TDrawingGroup>()};
    LoadGlobals(again, SavedGlobals(g));
    EXPECT_EQ(SheetNames(again), SheetNames(g));
}

TEST(WorkbookGlobals, AFailedSheetInsertionChangesNothing)
{
    TWorkbookGlobals g{std::make_unique<TDrawingGroup>()};
    LoadGlobals(g, ThreeSheetBook());
    const TBytes before = SavedGlobals(g);

    // The second copy of a 255-character name needs a 256th character.
    const TXlsString longName(255, u'x');
    EXPECT_EQ(ErrorOf([&] { g.InsertSheets(-1, 0, 0, longName, 2); }), "Invalid String record");
    EXPECT_TRUE(SameBytes(SavedGlobals(g), before));
    g.InsertSheets(-1, 0, 0, longName, 1);
    EXPECT_EQ(g.SheetName(0), longName);
    g.DeleteSheets(0, 1);
    EXPECT_TRUE(SameBytes(SavedGlobals(g), before));

    // A sheet-local name pushed past its limit.
    TBytes farName = NameBody("far", 65000);
    TWorkbookGlobals names{std::make_unique<TDrawingGroup>()};
    LoadGlobals(names, ThreeSheetBook({Rec(0x0018, farName)}));
    const TBytes namesBefore = SavedGlobals(names);
    EXPECT_EQ(ErrorOf([&] { names.InsertSheets(-1, 0, 0, u"S", 1); }),
              "Too many entries for this kind of record (65002 out of a maximum of 65001)");
    EXPECT_TRUE(SameBytes(SavedGlobals(names), namesBefore));
}

TEST(WorkbookGlobals, MacroWorkbookRefusesSheetDeletion)
{
    TWorkbookGlobals g{std::make_unique<TDrawingGroup>()};
    TBytes codeName;
    AppendWord(codeName, 12);
    AppendByte(codeName, 0);
    for (char c : std::string("DieseArbeits")) AppendByte(codeName, static_cast<std::uint8_t>(c));
    LoadGlobals(g, GlobalsStream({Rec(0x00D3, {}), Rec(xlr_CODENAME, codeName),
                                  Rec(0x0085, BoundSheetBody("A")), Rec(0x0085, BoundSheetBody("B"))}));
    EXPECT_TRUE(g.HasMacro());
    EXPECT_EQ(g.CodeName(), u"DieseArbeits");
    EXPECT_EQ(ErrorOf([&] { g.DeleteSheets(0, 1); }), "Can't delete a sheet on a file containing macros");
    EXPECT_EQ(g.SheetCount(), 2u);
    g.InsertSheets(-1, 2, 0, u"A", 1);
    g.SetSheetName(0, u"Erste");
    EXPECT_EQ(SheetNames(g), (std::vector<TXlsString>{u"Erste", u"B", u"A1"}));
    const auto records = SplitRecordChains(SavedGlobals(g));
    EXPECT_EQ(records.at(2).Bytes, Rec(xlr_CODENAME, codeName));
}

TEST(References, InsertSheetsMovesTheLocalEntriesAndChecksLimits)
{
    TReferences refs;
    refs.AddSupBook(std::make_unique<TSupBookRecord>(xlr_SUPBOOK, LocalSupBookBody(3)));
    const TBytes table = ExternSheetBody({{0, 0, 0}, {0, 1, 2}, {0, 2, 64999}});
    // The second XTI's first sheet is cut in half by the record boundary.
    auto externSheet = std::make_unique<TBaseRecord>(xlr_EXTERNSHEET, TBytes(table.begin(), table.begin() + 11));
    externSheet->AddContinue(std::make_unique<TContinueRecord>(xlr_CONTINUE, TBytes(table.begin() + 11, table.end())));
    refs.AddExternRef(*externSheet);
    EXPECT_EQ(refs.TotalSize(), 8 + 4 + 2 + 18);

    const TBytes before = Written([&](TOle2File& w) { refs.SaveToStream(w); });
    EXPECT_EQ(ErrorOf([&] { refs.InsertSheets(1, 2); }), "Too many entries for this kind of record (65001 out of a maximum of 65000)");
    EXPECT_TRUE(SameBytes(Written([&](TOle2File& w) { refs.SaveToStream(w); }), before));

    refs.InsertSheets(1, 1);
    EXPECT_EQ(XtisOf(refs), (std::vector<TXti>{{0, 0, 0}, {0, 2, 3}, {0, 3, 65000}}));
    EXPECT_EQ(GetWord(refs.SupBook(0).Data(), 0), 4);
    refs.InsertSheets(2, -2);
    EXPECT_EQ(XtisOf(refs), (std::vector<TXti>{{0, 0, 0}, {0, 0xFFFF, 0xFFFF}, {0, 0xFFFF, 64998}}));
    EXPECT_EQ(GetWord(refs.SupBook(0).Data(), 0), 2);
    EXPECT_EQ(refs.TotalSize(), std::int64_t(Written([&](TOle2File& w) { refs.SaveToStream(w); }).size()));

    TReferences noSupBook;
    EXPECT_EQ(ErrorOf([&] { noSupBook.AddExternName(std::make_unique<TExternNameRecord>(xlr_EXTERNNAME, ExternNameBody("f"))); }),
              "Error reading Excel records. File invalid");
}

TEST(WorkbookGlobals, RangeSaveHoldsOneSheetAndNoDrawingGroup)
{
    TWorkbookGlobals g{std::make_unique<TDrawingGroup>()};
    const TBytes drawing = Rec(xlr_MSODRAWINGGROUP, DggContainerHeader(0));
    LoadGlobals(g, ThreeSheetBook({drawing}));
    const TXlsCellRange range{0, 0, 3, 3};
    const TBytes saved = Written([&](TOle2File& w) { g.SaveRangeToStream(w, 1, range); });
    EXPECT_EQ(g.TotalRangeSize(1, range), std::int64_t(saved.size()));
    std::vector<TXlsString> sheets;
    for (const auto& r : SplitRecordChains(saved)) {
        EXPECT_NE(r.Id, xlr_MSODRAWINGGROUP);
        if (r.Id == xlr_BOUNDSHEET)
            sheets.push_back(TBoundSheetRecord(r.Id, TBytes(r.Bytes.begin() + 4, r.Bytes.end())).SheetName());
    }
    EXPECT_EQ(sheets, std::vector<TXlsString>{u"B"});
    EXPECT_EQ(ErrorOf([&] { Written([&](TOle2File& w) { g.SaveRangeToStream(w, 3, range); }); }),
              R"(Sheet number "3" invalid. Must be between 0 and 2)");
    EXPECT_EQ(ErrorOf([&] { g.TotalRangeSize(-1, range); }), R"(Sheet number "-1" invalid. Must be between 0 and 2)");
}
