// Defined names: which names are valid, adding and replacing names with
// their formulas, the area a name is, and names following sheets that are
// copied and deleted.
#include <gtest/gtest.h>

#include "FormulaTestSupport.h"
#include "GlobalsTestSupport.h"

using namespace globtest;
using formulatest::HexOf;

namespace {

constexpr std::uint16_t kCountry = 0x008C;

// Sheets "Data", "Sheet2" and "Other", a WINDOW1 and a COUNTRY record.
TBytes ThreeSheets()
{
    return GlobalsStream({Rec(xlr_WINDOW1, Window1Body()), Rec(xlr_BOUNDSHEET, BoundSheetBody("Data")),
                          Rec(xlr_BOUNDSHEET, BoundSheetBody("Sheet2")), Rec(xlr_BOUNDSHEET, BoundSheetBody("Other")),
                          Rec(kCountry, B({1, 0, 49, 0}))});
}

// A global NAME record with the given tokens.
std::unique_ptr<TNameRecord> NameWithTokens(std::string_view aName, const TBytes& aTokens)
{
    TBytes d(14, 0);
    SetByte(d, 3, static_cast<std::uint8_t>(aName.size()));
    SetWord(d, 4, static_cast<std::uint16_t>(aTokens.size()));
    d.push_back(0);
    d.insert(d.end(), aName.begin(), aName.end());
    d.insert(d.end(), aTokens.begin(), aTokens.end());
    return std::make_unique<TNameRecord>(xlr_NAME, std::move(d));
}

struct TNamesFixture {
    TWorkbookGlobals Globals{std::make_unique<TDrawingGroup>()};
    TNamesFixture() { LoadGlobals(Globals, ThreeSheets()); }

    void Add(std::u16string_view aName, std::u16string_view aFormula, std::int32_t aSheet = -1, std::int32_t aFlags = 0)
    {
        Globals.AddName(TXlsNamedRange{TXlsString(aName), TXlsString(aFormula), aFlags, aSheet}, Globals);
    }
    TNameRecord& Name(std::size_t i) { return *Globals.Names().Items(i); }
    std::string Formula(std::size_t i) { return Utf16ToUtf8(Name(i).FormulaText(Globals)); }
    // Scope, text and formula of every name.
    std::vector<std::string> All()
    {
        std::vector<std::string> out;
        for (std::size_t i = 0; i < Globals.Names().Count(); ++i)
            out.push_back(std::to_string(Name(i).RangeSheet()) + " " + Utf16ToUtf8(Name(i).Name()) + " " + Formula(i));
        return out;
    }
};

}  // namespace

TEST(DefinedNames, WhichNamesAreValid)
{
    const struct {
        std::u16string_view Name;
        bool Valid;
    } cases[] = {
        {u"A1", false},     {u"AB12", false},  {u"R", false},         {u"r", false},      {u"my.name", false},
        {u"1abc", false},   {u"", false},      {u"a b", false},       {u"x~", false},     {u"?x", false},
        {u"IV65536", false}, {u"AB", true},    {u"A", true},          {u"ABC1", true},    {u"Name_1", true},
        {u"\\start", true}, {u"_x", true},     {u"\u00DCbersicht", true}, {u"\u00B5m", true}, {u"a\u00B4", false},
    };
    for (const auto& c : cases) {
        std::int32_t flags = 0;
        EXPECT_EQ(TWorkbookGlobals::IsValidRangeName(c.Name, flags), c.Valid) << Utf16ToUtf8(c.Name);
        EXPECT_EQ(flags, 0);
    }
    std::int32_t flags = 0;
    EXPECT_FALSE(TWorkbookGlobals::IsValidRangeName(std::u16string(255, u'n'), flags));
    EXPECT_TRUE(TWorkbookGlobals::IsValidRangeName(std::u16string(254, u'n'), flags));
    // A one-character name with a code up to 13 is built in (6: the print area).
    EXPECT_TRUE(TWorkbookGlobals::IsValidRangeName(std::u16string(1, u'\x06'), flags));
    EXPECT_EQ(flags, TNameRecord::OptBuiltIn);
}

TEST(DefinedNames, NewNamesHoldAbsolute3dReferencesToTheirSheet)
{
    TNamesFixture f;
    f.Add(u"Total", u"=Sheet2!$A$1:$B$2");
    f.Add(u"Here", u"  =A1:B3*2 ", 2);
    f.Add(u"Rate", u"=0.5");
    f.Add(u"Empty", u"");
    EXPECT_EQ(f.All(), (std::vector<std::string>{"-1 Total ='Sheet2'!$A$1:$B$2", "2 Here ='Other'!$A$1:$B$3*2",
                                                 "-1 Rate =0.5", "-1 Empty ="}));
    // Header, the name as 8-bit characters, the tokens.
    EXPECT_EQ(HexOf(f.Name(1).Data()),
              "00 00 00 04 0F 00 03 00 03 00 00 00 00 00 00 48 65 72 65 "
              "5B 01 00 00 00 02 00 00 00 01 00 1E 02 00 05");
    EXPECT_EQ(f.Globals.References().ExternRefs().Count(), 2u);
    const TBytes saved = SavedGlobals(f.Globals);
    TWorkbookGlobals again{std::make_unique<TDrawingGroup>()};
    LoadGlobals(again, saved);
    EXPECT_EQ(Utf16ToUtf8(again.Names().Items(0)->FormulaText(again)), "='Sheet2'!$A$1:$B$2");
}

TEST(DefinedNames, AddingReplacesTheNameOfTheSameSheetIgnoringCase)
{
    TNamesFixture f;
    f.Add(u"Total", u"=Data!A1");
    f.Add(u"Total", u"=Data!B1", 1);
    f.Add(u"TOTAL", u"=Data!C1");
    EXPECT_EQ(f.All(), (std::vector<std::string>{"-1 TOTAL ='Data'!C1", "1 Total ='Data'!B1"}));
    EXPECT_EQ(f.Globals.GetName(-1, u"total"), &f.Name(0));
    EXPECT_EQ(f.Globals.GetName(1, u"TOTAL"), &f.Name(1));
    EXPECT_EQ(f.Globals.GetName(2, u"Total"), nullptr);
}

TEST(DefinedNames, RefusedNamesAndFormulasChangeNothing)
{
    TNamesFixture f;
    f.Add(u"Keep", u"=1");
    const TBytes before = SavedGlobals(f.Globals);
    EXPECT_EQ(ErrorOf([&] { f.Add(u"A1", u"=1"); }), R"(Invalid named range: "A1")");
    EXPECT_EQ(ErrorOf([&] { f.Add(u"Keep", u"=FOO(1)"); }), R"m(Function not found: "FOO" on formula "=FOO(1)")m");
    EXPECT_EQ(ErrorOf([&] { f.Add(u"Other", u"=Nowhere!A1"); }), "Invalid sheet: Nowhere");
    EXPECT_EQ(ErrorOf([&] { f.Add(u"Wide", u"=1", 3); }), R"(Sheet number "3" invalid. Must be between 0 and 2)");
    EXPECT_TRUE(SameBytes(SavedGlobals(f.Globals), before));
}

TEST(DefinedNames, ABuiltInNameDropsTheCountryRecord)
{
    TNamesFixture f;
    const auto countries = [&] {
        const auto records = SplitRecordChains(SavedGlobals(f.Globals));
        return std::count_if(records.begin(), records.end(), [](const TRecordChain& r) { return r.Id == kCountry; });
    };
    f.Add(u"Plain", u"=1");
    EXPECT_EQ(countries(), 1);
    f.Add(std::u16string(1, u'\x06'), u"=Data!$A$1:$C$4", 0);
    EXPECT_EQ(countries(), 0);
    EXPECT_TRUE(f.Name(1).IsBuiltIn());
}

TEST(DefinedNames, TheAreaANameIsCanBeReadAndMoved)
{
    TNamesFixture f;
    f.Add(u"Area", u"=Data!$B$3:$D$9");
    f.Add(u"Cell", u"=Sheet2!$C$5");
    f.Add(u"Twice", u"=2*Data!A1");
    auto bounds = [&](std::size_t i) {
        const TNameRecord& n = f.Name(i);
        return std::vector<std::int32_t>{n.GetR1(), n.GetR2(), n.GetC1(), n.GetC2()};
    };
    EXPECT_EQ(bounds(0), (std::vector<std::int32_t>{2, 8, 1, 3}));
    EXPECT_EQ(bounds(1), (std::vector<std::int32_t>{4, 4, 2, 2}));
    EXPECT_EQ(bounds(2), (std::vector<std::int32_t>{-1, -1, -1, -1}));
    const auto getSheet = [&](std::int32_t ref) { return f.Globals.References().GetSheet(ref); };
    EXPECT_EQ(f.Name(1).RefersToSheet(getSheet), 1);
    EXPECT_EQ(f.Name(2).RefersToSheet(getSheet), -1);

    // A cell is widened into an area of one cell first.
    const std::int64_t sizeBefore = f.Globals.Names().TotalSize();
    f.Name(1).SetR2(9);
    f.Name(1).SetC1(0);
    EXPECT_EQ(f.Formula(1), "='Sheet2'!$A$5:$C$10");
    EXPECT_EQ(f.Globals.Names().TotalSize(), sizeBefore + 4);
    f.Name(2).SetR1(7);
    EXPECT_EQ(f.Formula(2), "=2*'Data'!A1");
    EXPECT_EQ(ErrorOf([&] { f.Name(0).SetC2(256); }), "Too many entries for this kind of record (256 out of a maximum of 255)");
    SavedGlobals(f.Globals);
}

TEST(DefinedNames, CopiedSheetsGetTheirOwnNames)
{
    TNamesFixture f;
    f.Add(std::u16string(1, u'\x06'), u"=Data!$A$1:$C$4", 0);  // the print area of Data
    f.Add(u"Total", u"=Data!$D$1");
    f.Add(u"Elsewhere", u"=Other!$A$1");
    f.Add(u"Late", u"=Other!$B$1", 2);
    // A copy of Data goes in front of Sheet2.
    f.Globals.InsertSheets(0, 1, 0, u"Sheet", 1);
    EXPECT_EQ(f.All(), (std::vector<std::string>{
                           "0 \x06 ='Data'!$A$1:$C$4", "-1 Total ='Data'!$D$1", "-1 Elsewhere ='Other'!$A$1",
                           "3 Late ='Other'!$B$1", "1 \x06 ='Sheet'!$A$1:$C$4", "1 Total ='Sheet'!$D$1"}));

    // The source behind the new sheets: its names are found at its new place.
    f.Globals.InsertSheets(3, 0, 0, u"Sheet", 1);
    EXPECT_EQ(f.All().back(), "0 Late ='Sheet1'!$B$1");
    SavedGlobals(f.Globals);
}

TEST(DefinedNames, DeletedSheetsTakeTheirNamesAlongAndNamesBehindFollow)
{
    TNamesFixture f;
    f.Add(u"Gone", u"=Sheet2!$A$1", 1);
    f.Add(u"Stays", u"=Other!$A$1", 2);
    f.Add(u"Global", u"=Sheet2!$B$2+Data!$C$3");
    // Names that use names, by position counted from 1: Stays and Global, and Gone.
    f.Globals.Names().Add(NameWithTokens("Uses", {ptgName, 2, 0, 0, 0, ptgName, 3, 0, 0, 0, ptgAdd}));
    f.Globals.Names().Add(NameWithTokens("UsesGone", {ptgName, 1, 0, 0, 0}));

    const TDeletedNames deleted = f.Globals.DeleteSheets(1, 1);
    EXPECT_EQ(deleted.Positions, std::vector<std::size_t>{0});
    EXPECT_EQ(f.All(), (std::vector<std::string>{"1 Stays ='Other'!$A$1", "-1 Global =#REF!$B$2+'Data'!$C$3",
                                                 "-1 Uses =Stays+Global", "-1 UsesGone =#REF!"}));
    SavedGlobals(f.Globals);
}

TEST(DefinedNames, DeletedNamesTakeTheirPlacesAlong)
{
    TNamesFixture f;
    f.Add(u"Gone", u"=Sheet2!$A$1", 1);
    f.Add(u"Stays", u"=Other!$A$1", 2);
    f.Globals.Names().Add(NameWithTokens("Uses", {ptgName, 2, 0, 0, 0, ptgName, 1, 0, 0, 0, ptgAdd}));

    f.Globals.DeleteNames(f.Globals.NamesAt({0}));
    EXPECT_EQ(f.All(), (std::vector<std::string>{"2 Stays ='Other'!$A$1", "-1 Uses =Stays+#REF!"}));
    SavedGlobals(f.Globals);
}

TEST(DefinedNames, ATokenThatCannotMoveNamesItsName)
{
    TNamesFixture f;
    f.Add(u"Odd", u"=1");
    TNameRecord& name = f.Name(0);
    TBytes data(name.Data().begin(), name.Data().end());
    data[data.size() - 3] = ptgSheet;  // the ptgInt becomes a token no walker knows
    name.SetData(data);
    TSheetInfo info = f.Globals.SheetInfo(0, 0);
    EXPECT_EQ(ErrorOf([&] { f.Globals.Names().ArrangeInsertRowsAndCols(0, 1, 0, 0, info); }),
              R"(Error in Worksheet name: "Odd". Token Id: 0x1A)");
}
