// Cell formats: built-in number formats and their locale forms, FONT, FORMAT
// and XF records built from and read into TTbrFormat, sharing of equal
// records, used colours, and the palette.
#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "GlobalsTestSupport.h"

using namespace globtest;

namespace {

TXlsFormatSettings Locale(std::u16string_view aShortDate, char16_t aDateSep, char16_t aTimeSep)
{
    TXlsFormatSettings s;
    s.ShortDateFormat = TXlsString(aShortDate);
    s.DateSeparator = aDateSep;
    s.TimeSeparator = aTimeSep;
    return s;
}

void AddFonts(TFontRecordList& aList, std::initializer_list<std::string_view> aNames, bool aWide = true)
{
    for (std::string_view n : aNames) aList.Add(std::make_unique<TFontRecord>(xlr_FONT, FontBody(n, 200, aWide)));
}

void AddFormatRecords(TFormatRecordList& aList, std::initializer_list<std::pair<std::uint16_t, std::string_view>> aFormats)
{
    for (const auto& [id, code] : aFormats) aList.Add(std::make_unique<TFormatRecord>(xlr_FORMAT, FormatBody(id, code)));
}

TTbrFormat FullFormat()
{
    TTbrFormat f;
    f.Font.Name = u"Tahoma";
    f.Font.Size20 = 240;
    f.Font.ColorIndex = 3;
    f.Format = u"0.00";
    f.Locked = true;
    f.Hidden = true;
    f.HAlignment = THTbrAlignment::fha_center;
    f.WrapText = true;
    f.VAlignment = TVTbrAlignment::fva_center;
    f.Rotation = 90;
    f.Indent = 3;
    f.ShrinkToFit = true;
    f.Borders.Left = {TTbrBorderStyle::fbs_Thin, 1};
    f.Borders.Right = {TTbrBorderStyle::fbs_Medium, 100};
    f.Borders.Top = {TTbrBorderStyle::fbs_Dashed, 0};
    f.Borders.Bottom = {TTbrBorderStyle::fbs_Dotted, 57};
    f.Borders.Diagonal = {TTbrBorderStyle::fbs_Thick, 100};
    f.Borders.DiagonalStyle = TTbrDiagonalBorder::fdb_Both;
    f.FillPattern = {2, 10, 64};
    return f;
}

}  // namespace

TEST(BuiltInFormats, FixedCodesAndLocaleForms)
{
    TLocaleScope us(Locale(u"M/d/yyyy", u'/', u':'));
    const std::pair<std::uint16_t, std::u16string_view> fixed[] = {
        {0, u""}, {2, u"0.00"}, {5, u""}, {10, u"0.00%"}, {13, u"# ?\?/?\?"}, {15, u"DD-MMM-YY"},
        {38, u"#,##0 _$;[Red]-#,##0 _$"}, {47, u"mm:ss,0"}, {49, u"@"}, {50, u""}, {164, u""},
    };
    for (const auto& [id, code] : fixed) EXPECT_EQ(BuiltInFormat(id), code) << id;

    struct Case {
        std::u16string_view ShortDate;
        char16_t DateSep, TimeSep;
        std::u16string_view Id14, Id22;
    };
    const Case cases[] = {
        {u"dd.MM.yyyy", u'.', u':', u"dd.mm.YYYY", u"dd.mm.YYYY hh:mm"},
        {u"yyyy-MM-dd", u'-', u'.', u"YYYY-mm-dd", u"YYYY-mm-dd hh.mm"},
        {u"M/d/yy", u'/', u':', u"mm/dd/YYYY", u"mm/dd/YYYY hh:mm"},
        {u"Dd/mm", u'/', u':', u"dd/mm/YYYY", u"dd/mm/YYYY hh:mm"},
        {u"", u'.', u'.', u"mm/dd/YYYY", u"mm/dd/YYYY hh:mm"},  // no usable format: the fallbacks
        {u"ggg", u'.', u'.', u"mm/dd/YYYY", u"mm/dd/YYYY hh:mm"},
    };
    for (const auto& c : cases) {
        TLocaleScope scope(Locale(c.ShortDate, c.DateSep, c.TimeSep));
        EXPECT_EQ(BuiltInFormat(14), c.Id14);
        EXPECT_EQ(BuiltInFormat(22), c.Id22);
    }
}

TEST(FormatRecordList, AddFormatFindsRecordsThenBuiltInsThenAppends)
{
    TLocaleScope german(Locale(u"dd.MM.yyyy", u'.', u':'));
    TFormatRecordList empty;
    EXPECT_EQ(empty.AddFormat(u""), 0);
    EXPECT_EQ(empty.AddFormat(u"0.00"), 2);
    EXPECT_EQ(empty.AddFormat(u"dd.mm.YYYY"), 14);
    EXPECT_EQ(empty.AddFormat(u"dd.mm.YYYY hh:mm"), 22);
    EXPECT_EQ(empty.Count(), 0u);
    EXPECT_EQ(empty.AddFormat(u"0.000"), 164);
    EXPECT_EQ(empty.AddFormat(u"#,##0.000"), 165);
    EXPECT_EQ(empty.AddFormat(u"0.000"), 164);
    EXPECT_EQ(empty.AddFormat(u"0.000 \u20AC"), 166);  // a 16-bit code
    EXPECT_EQ(empty.Count(), 3u);
    EXPECT_EQ(empty.GetFormat(166), u"0.000 \u20AC");
    EXPECT_EQ(empty.Items(2)->Data()[4], 1);  // stored 16-bit

    // Records come before built-ins; ids continue behind the highest one;
    // the records keep their order.
    TFormatRecordList list;
    AddFormatRecords(list, {{180, "0.0"}, {170, "0.00"}, {5, "#,##0 \"DM\""}});
    EXPECT_EQ(list.AddFormat(u"0.00"), 170);
    EXPECT_EQ(list.AddFormat(u"0.0"), 180);
    EXPECT_EQ(list.AddFormat(u"0.0000"), 181);
    EXPECT_EQ(list.AddFormat(u"0.0%"), 182);
    EXPECT_EQ(list.AddFormat(u"#,##0 \"dm\""), 183);  // case-sensitive
    std::vector<std::uint16_t> order;
    for (std::size_t i = 0; i < list.Count(); ++i) order.push_back(list.Items(i)->FormatId());
    EXPECT_EQ(order, (std::vector<std::uint16_t>{180, 170, 5, 181, 182, 183}));

    EXPECT_EQ(list.GetFormat(5), u"#,##0 \"DM\"");  // a record overrides the built-in code
    EXPECT_EQ(list.GetFormat(3), u"#,##0");
    EXPECT_EQ(list.GetFormat(14), u"dd.mm.YYYY");
    EXPECT_EQ(list.GetFormat(200), u"");
    std::size_t pos = 99;
    EXPECT_TRUE(list.Find(181, pos));
    EXPECT_EQ(pos, 3u);
    EXPECT_FALSE(list.Find(171, pos));
}

TEST(FormatRecordList, RefusesWhatCannotBeWritten)
{
    TFormatRecordList full;
    AddFormatRecords(full, {{0xFFFF, "x"}});
    EXPECT_EQ(ErrorOf([&] { full.AddFormat(u"y"); }), "Too many entries for this kind of record (65536 out of a maximum of 65535)");
    EXPECT_EQ(full.Count(), 1u);
    EXPECT_EQ(ErrorOf([] { TFormatRecord::CreateFromData(TXlsString(9000, u'0'), 164); }), "Invalid String record");
    EXPECT_EQ(ErrorOf([] { TFormatRecord(xlr_FORMAT, B({1})); }), "Error reading record");
    EXPECT_EQ(ErrorOf([] { TXFRecord(xlr_XF, TBytes(19, 0)); }), "Record with ID 0xE0 is invalid");
    // Codes that cannot be read are refused when the record is read, not when a format is looked up.
    EXPECT_EQ(ErrorOf([] { TFormatRecord(xlr_FORMAT, B({164, 0, 2, 0, 8, 1, 0, 'a', 'b'})); }), "Error reading record");
    EXPECT_EQ(ErrorOf([] { TFontRecord(xlr_FONT, TBytes(15, 0)); }), "Error reading record");
}

// Codes other writers leave bent, read as other readers read them: one
// character short of its count; no characters with stray option bits.
TEST(FormatRecord, CodesOtherReadersAcceptAreRead)
{
    TFormatRecordList list;
    list.Add(std::make_unique<TFormatRecord>(xlr_FORMAT, B({42, 0, 5, 0, 0, '0', '.', '0', '0'})));
    list.Add(std::make_unique<TFormatRecord>(xlr_FORMAT, B({44, 0, 0, 0, 0x3A, 0x5F, 0x28, 0x22})));
    EXPECT_EQ(list.GetFormat(42), u"0.00");
    EXPECT_EQ(list.GetFormat(44), u"");
    EXPECT_EQ(list.AddFormat(u"0.00"), 42);
}

// A workbook without FONT or XF records formats what is added as a new workbook would.
TEST(WorkbookFormats, WithoutFontsOrXFsTheDefaultFormatStands)
{
    TWorkbookGlobals globals{std::make_unique<TDrawingGroup>()};
    EXPECT_EQ(globals.GetFormat(15), DefaultCellFormat());
    EXPECT_EQ(globals.AddFormat(globals.GetFormat(15)), 0u);
    EXPECT_EQ(globals.GetFormat(0).Font.Name, u"Arial");

    TFontRecordList fonts;
    TFormatRecordList formats;
    const auto xf = TXFRecord::CreateFromFormat(FullFormat(), fonts, formats);
    EXPECT_EQ(xf->TbrFormat(TFontRecordList(), formats).Font, DefaultCellFont());
}

TEST(FontRecord, BuildsAndReadsEveryStyle)
{
    TTbrFont font;
    font.Name = u"Arial";
    font.Size20 = 240;
    font.ColorIndex = 3;
    font.Style = {TTbrFontStyle::flsBold, TTbrFontStyle::flsItalic, TTbrFontStyle::flsStrikeOut,
                  TTbrFontStyle::flsSubscript, TTbrFontStyle::flsSuperscript};
    font.Underline = TTbrUnderline::fu_DoubleAccounting;
    font.Family = 2;
    font.CharSet = 0xA1;
    const auto rec = TFontRecord::CreateFromTbrFont(font);
    EXPECT_TRUE(SameBytes(TBytes(rec->Data().begin(), rec->Data().end()),
                          B({0xF0, 0x00, 0x0A, 0x00, 0x0A, 0x00, 0xBC, 0x02, 0x02, 0x00, 0x22, 0x02, 0xA1, 0x00, 5, 1,
                             'A', 0, 'r', 0, 'i', 0, 'a', 0, 'l', 0})));
    // Subscript wins over superscript in the one escapement field.
    TTbrFont back = font;
    back.Style.Exclude(TTbrFontStyle::flsSuperscript);
    EXPECT_EQ(rec->TbrFont(), back);

    const TTbrUnderline underlines[] = {TTbrUnderline::fu_None, TTbrUnderline::fu_Single, TTbrUnderline::fu_Double,
                                        TTbrUnderline::fu_SingleAccounting, TTbrUnderline::fu_DoubleAccounting};
    for (TTbrUnderline u : underlines) {
        TTbrFont f;
        f.Name = u"\u4E2D";
        f.Underline = u;
        f.ColorIndex = 57;
        f.Style = {TTbrFontStyle::flsSuperscript};
        EXPECT_EQ(TFontRecord::CreateFromTbrFont(f)->TbrFont(), f);
    }

    // As files store them: 8-bit names, weights other than 700, unknown underline codes.
    TBytes stored = FontBody("Courier New", 180);
    SetWord(stored, 6, 800);
    SetByte(stored, 10, 0x05);
    const TFontRecord read(xlr_FONT, stored);
    EXPECT_EQ(read.Name(), u"Courier New");
    EXPECT_EQ(read.Height(), 180);
    EXPECT_EQ(read.ColorIndex(), 0x7FFF - 7);
    EXPECT_EQ(read.Style(), SetOfTTbrFontStyle{});
    EXPECT_EQ(read.Underline(), TTbrUnderline::fu_None);

    TTbrFont longName;
    longName.Name = TXlsString(256, u'x');
    EXPECT_EQ(ErrorOf([&] { TFontRecord::CreateFromTbrFont(longName); }), "Invalid String record");
}

TEST(FontRecordList, AddFontSharesEqualFontsAndSkipsIndexFour)
{
    TFontRecordList fonts;
    AddFonts(fonts, {"Arial", "Courier", "Times"});
    TTbrFont verdana;
    verdana.Name = u"Verdana";
    verdana.Size20 = 200;
    verdana.ColorIndex = 0x7FFF - 7;
    EXPECT_EQ(fonts.AddFont(verdana), 3);  // position 3
    TTbrFont tahoma = verdana;
    tahoma.Name = u"Tahoma";
    EXPECT_EQ(fonts.AddFont(tahoma), 5);  // position 4 is font index 5
    EXPECT_EQ(fonts.AddFont(tahoma), 5);
    EXPECT_EQ(fonts.AddFont(verdana), 3);
    EXPECT_EQ(fonts.Count(), 5u);
    EXPECT_EQ(FontPositionOf(5), 4u);
    EXPECT_EQ(FontPositionOf(4), 3u);
    EXPECT_EQ(FontPositionOf(3), 3u);

    // A font read with an 8-bit name is not the 16-bit one a new font gets.
    TFontRecordList narrow;
    AddFonts(narrow, {"Arial"}, false);
    TTbrFont arial = narrow.Items(0)->TbrFont();
    EXPECT_EQ(narrow.AddFont(arial), 1);
    EXPECT_EQ(narrow.AddFont(arial), 1);
    EXPECT_EQ(narrow.Count(), 2u);
}

TEST(XFRecord, CreateFromFormatWritesEveryField)
{
    TFontRecordList fonts;
    AddFonts(fonts, {"Arial", "Arial", "Arial", "Arial"});
    TFormatRecordList formats;
    const auto xf = TXFRecord::CreateFromFormat(FullFormat(), fonts, formats);
    EXPECT_EQ(fonts.Count(), 5u);
    EXPECT_EQ(formats.Count(), 0u);
    TBytes expected(20, 0);
    SetWord(expected, 0, 5);       // font at position 4
    SetWord(expected, 2, 2);       // built-in "0.00"
    SetWord(expected, 4, 0x0003);  // locked, hidden, cell XF, parent 0
    SetWord(expected, 6, 0x5A1A);  // rotation 90, centred both ways, wrapped
    SetWord(expected, 8, 0xFC13);  // all attributes, shrink, indent 3
    SetWord(expected, 10, 0x4321);
    // Side colours clamped: 1 -> 8, 100 -> 107 -> 64; diagonal both.
    SetWord(expected, 12, 8 | 64 << 7 | 3 << 14);
    // Top 0 -> 7 -> 8, bottom 57 -> 64, diagonal colour 107 unclamped,
    // diagonal thick, pattern solid (stored 1).
    SetCardinal(expected, 14, 8u | 64u << 7 | 107u << 14 | 5u << 21 | 1u << 26);
    SetWord(expected, 18, 17 | 71 << 7);  // fill colours unclamped
    EXPECT_TRUE(SameBytes(TBytes(xf->Data().begin(), xf->Data().end()), expected));

    TTbrFormat back = xf->TbrFormat(fonts, formats);
    TTbrFormat want = FullFormat();
    want.Borders.Left.ColorIndex = 1;
    want.Borders.Right.ColorIndex = 57;
    want.Borders.Top.ColorIndex = 1;
    EXPECT_EQ(back, want);

    // Pattern 0 is written as no fill rather than a 63 in the 6-bit field.
    TTbrFormat noPattern = FullFormat();
    noPattern.FillPattern.Pattern = 0;
    EXPECT_EQ(TXFRecord::CreateFromFormat(noPattern, fonts, formats)->CellPattern(), 0);
}

TEST(XFRecord, TbrFormatReadsFontsAcrossTheGapAndBorderColours)
{
    TFontRecordList fonts;
    AddFonts(fonts, {"F0", "F1", "F2", "F3", "F5"});
    TFormatRecordList formats;
    AddFormatRecords(formats, {{170, "0.0"}});
    struct Case {
        std::uint16_t FontIndex;
        const char16_t* Font;
    };
    for (const Case& c : {Case{3, u"F3"}, Case{4, u"F3"}, Case{5, u"F5"}, Case{6, u"F0"}, Case{900, u"F0"}}) {
        const TXFRecord xf(xlr_XF, XFBody(c.FontIndex, 170));
        EXPECT_EQ(xf.TbrFormat(fonts, formats).Font.Name, c.Font) << c.FontIndex;
        EXPECT_EQ(xf.TbrFormat(fonts, formats).Format, u"0.0");
    }

    TBytes d = XFBody(0, 1);
    SetWord(d, 4, 0x00F4);  // a style XF's parent bits
    SetWord(d, 10, 0x1111);
    SetWord(d, 12, 0x0005 | 9 << 7);  // left colour 5 is no palette colour
    SetCardinal(d, 14, 0 | 64u << 7 | 3u << 14 | 7u << 21 | 63u << 26);
    SetWord(d, 18, 0 | 127 << 7);
    const TTbrFormat f = TXFRecord(xlr_XF, d).TbrFormat(fonts, formats);
    EXPECT_EQ(f.Parent, 0x00F0);
    EXPECT_EQ(f.Borders.Left, (TTbrOneBorder{TTbrBorderStyle::fbs_Thin, 1}));
    EXPECT_EQ(f.Borders.Right, (TTbrOneBorder{TTbrBorderStyle::fbs_Thin, 2}));
    EXPECT_EQ(f.Borders.Top, (TTbrOneBorder{TTbrBorderStyle::fbs_Thin, 1}));
    EXPECT_EQ(f.Borders.Bottom, (TTbrOneBorder{TTbrBorderStyle::fbs_Thin, 57}));
    EXPECT_EQ(f.Borders.Diagonal, (TTbrOneBorder{TTbrBorderStyle::fbs_Hair, -4}));  // not adjusted
    EXPECT_EQ(f.FillPattern, (TTbrFillPattern{64, -7, 120}));
    EXPECT_EQ(f.Format, u"0");
}

// Reading an XF and building it again gives its bytes back, but for the
// parent and style bits, the attribute bits, and two unused bits.
TEST(XFRecord, ReadingAndBuildingRoundTrips)
{
    TFontRecordList fonts;
    AddFonts(fonts, {"A", "B", "C", "D", "E", "F"});
    TFormatRecordList formats;
    AddFormatRecords(formats, {{164, "0.0"}, {165, "0.000"}});
    const std::uint16_t fontIndexes[] = {0, 1, 2, 3, 5, 6};  // no 4
    const std::uint16_t formatIds[] = {0, 2, 14, 49, 164, 165};
    std::mt19937 rnd(20240611);
    auto pick = [&](std::uint32_t lo, std::uint32_t hi) { return std::uniform_int_distribution<std::uint32_t>(lo, hi)(rnd); };
    for (int round = 0; round < 500; ++round) {
        TBytes d(20, 0);
        SetWord(d, 0, fontIndexes[pick(0, 5)]);
        SetWord(d, 2, formatIds[pick(0, 5)]);
        SetWord(d, 4, static_cast<std::uint16_t>(pick(0, 0xFFFF)));
        SetWord(d, 6, static_cast<std::uint16_t>(pick(0, 6) | pick(0, 1) << 3 | pick(0, 4) << 4 | pick(0, 255) << 8));
        SetWord(d, 8, static_cast<std::uint16_t>(pick(0, 0xFFFF)));
        SetWord(d, 10, static_cast<std::uint16_t>(pick(0, 0xFFFF)));
        SetWord(d, 12, static_cast<std::uint16_t>(pick(8, 64) | pick(8, 64) << 7 | pick(0, 3) << 14));
        SetCardinal(d, 14, pick(8, 64) | pick(8, 64) << 7 | pick(0, 127) << 14 | pick(0, 13) << 21 | pick(0, 1) << 25 |
                               pick(0, 18) << 26);
        SetWord(d, 18, static_cast<std::uint16_t>(pick(0, 127) | pick(0, 127) << 7 | pick(0, 3) << 14));
        const TXFRecord xf(xlr_XF, d);
        const auto rebuilt = TXFRecord::CreateFromFormat(xf.TbrFormat(fonts, formats), fonts, formats);
        TBytes want = d;
        SetWord(want, 4, static_cast<std::uint16_t>(GetWord(want, 4) & 0x0003));
        SetWord(want, 8, static_cast<std::uint16_t>((GetWord(want, 8) & 0x001F) | 0xFC00));
        SetCardinal(want, 14, GetCardinal(want, 14) & ~(1u << 25));
        SetWord(want, 18, static_cast<std::uint16_t>(GetWord(want, 18) & 0x3FFF));
        ASSERT_TRUE(SameBytes(TBytes(rebuilt->Data().begin(), rebuilt->Data().end()), want)) << round;
    }
    EXPECT_EQ(fonts.Count(), 6u);
    EXPECT_EQ(formats.Count(), 2u);
}

TEST(XFRecordList, FindFormatAndUsedColors)
{
    TFontRecordList fonts;
    AddFonts(fonts, {"A", "B"});
    TBytes colored = FontBody("C");
    SetWord(colored, 4, 9);  // palette colour 2
    fonts.Add(std::make_unique<TFontRecord>(xlr_FONT, colored));

    TXFRecordList xfs;
    xfs.Add(std::make_unique<TXFRecord>(xlr_XF, XFBody(0, 0)));
    TBytes d = XFBody(2, 0);
    SetWord(d, 10, 0x0001);                            // left thin, the others none
    SetWord(d, 12, 10 | 20 << 7);                      // left colour 3; right 13 has no line
    SetCardinal(d, 14, 30u | 40u << 7 | 1u << 26);     // solid fill: foreground only
    SetWord(d, 18, 12 | 13 << 7);
    xfs.Add(std::make_unique<TXFRecord>(xlr_XF, d));
    TBytes d2 = XFBody(0, 0);
    SetCardinal(d2, 14, 2u << 26 | 50u << 14 | 6u << 21);  // pattern 2: both colours; a diagonal
    SetWord(d2, 18, 15 | 16 << 7);
    xfs.Add(std::make_unique<TXFRecord>(xlr_XF, d2));

    std::vector<bool> used = xfs.GetUsedColors(20, fonts);
    std::vector<std::size_t> marked;
    for (std::size_t i = 0; i < used.size(); ++i)
        if (used[i]) marked.push_back(i);
    EXPECT_EQ(marked, (std::vector<std::size_t>{2, 3, 5, 8, 9}));  // 43 (diagonal) is outside the array
    EXPECT_EQ(xfs.GetUsedColors(50, fonts)[43], true);

    std::size_t index = 99;
    EXPECT_TRUE(xfs.FindFormat(TXFRecord(xlr_XF, d2), index));
    EXPECT_EQ(index, 2u);
    SetWord(d2, 18, 15);
    EXPECT_FALSE(xfs.FindFormat(TXFRecord(xlr_XF, d2), index));
}

TEST(Palette, StandardRecordDefaultsAndRangeErrors)
{
    const auto palette = TPaletteRecord::CreateStandard();
    EXPECT_EQ(palette->DataSize(), 226);
    EXPECT_EQ(palette->Count(), 56);
    for (std::int64_t i = 0; i < 56; ++i) EXPECT_EQ(palette->GetColor(i), DefaultColor(i)) << i;
    EXPECT_EQ(DefaultColor(0), 0x000000u);   // index 8 black
    EXPECT_EQ(DefaultColor(2), 0x0000FFu);   // index 10 red
    EXPECT_EQ(DefaultColor(4), 0xFF0000u);   // index 12 blue
    EXPECT_EQ(DefaultColor(55), 0x333333u);  // index 63

    palette->SetColor(55, 0x00123456);
    EXPECT_EQ(palette->GetColor(55), 0x00123456u);
    EXPECT_EQ(GetCardinal(palette->Data(), 2 + 4 * 55), 0x00123456u);

    const TBytes threeColours = B({3, 0, 1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0});
    TPaletteRecord read(xlr_PALETTE, threeColours);
    EXPECT_EQ(read.GetColor(2), 0x00090807u);
    TPaletteRecord shortRecord(xlr_PALETTE, B({3, 0, 1, 2, 3, 0}));

    const std::pair<std::function<void()>, std::string> errors[] = {
        {[&] { read.GetColor(3); }, R"(The index "3" of the property "Palette Color Index" is not in the range 0-2)"},
        {[&] { read.GetColor(-1); }, R"(The index "-1" of the property "Palette Color Index" is not in the range 0-2)"},
        {[&] { read.SetColor(3, 0); }, "Too many entries for this kind of record (3 out of a maximum of 2)"},
        {[] { DefaultColor(56); }, R"(The index "56" of the property "Palette index" is not in the range 0-55)"},
        {[&] { shortRecord.GetColor(2); }, "Error reading record"},
    };
    for (const auto& [f, message] : errors) EXPECT_EQ(ErrorOf(f), message);
}
