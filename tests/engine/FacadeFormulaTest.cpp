// The file interface's formulas and named ranges: writing and reading
// formula text, and formulas and names that follow rows, columns and sheets
// inserted, copied and deleted elsewhere in the workbook.
#include <gtest/gtest.h>

#include "RecordTestSupport.h"
#include "facade/UExcelRecords.h"
#include "facade/XLSAdapter.h"

using namespace rectest;

namespace {

// Three sheets; Sheet1 and Sheet2 point at each other, Sheet2 at itself;
// "Total" is global, "Local" belongs to Sheet2; both name Sheet2!$A$5.
class TCrossSheetBook {
public:
    TCrossSheetBook() : FFile(nullptr)
    {
        FFile.Connect();
        FFile.NewFile(3);
        Set(1, u"B1", u"=Sheet2!A5+A5");
        Set(1, u"C1", u"=SUM(Sheet2!A1:A10)");
        Set(2, u"B1", u"=Sheet1!A5+A5");
        Set(2, u"C1", u"=Sheet2!A5");
        FFile.AddRange(TXlsNamedRange{u"Total", u"=Sheet2!$A$5", 0, -1});
        FFile.AddRange(TXlsNamedRange{u"Local", u"=$A$5", 0, 1});
    }

    TXLSFile& File() { return FFile; }
    void Set(std::int32_t aSheet, std::u16string_view aCell, std::u16string_view aFormula)
    {
        FFile.SetActiveSheet(aSheet);
        FFile.SetCellFormula(1, aCell[0] - u'A' + 1, TXlsString(aFormula));
    }
    // The formula of row 1, column aCell of a sheet.
    std::string Formula(std::int32_t aSheet, char aCell)
    {
        FFile.SetActiveSheet(aSheet);
        return Utf16ToUtf8(FFile.GetCellFormula(1, aCell - 'A' + 1));
    }
    std::vector<std::string> Formulas(std::int32_t aSheet) { return {Formula(aSheet, 'B'), Formula(aSheet, 'C')}; }
    std::vector<std::string> Names()
    {
        std::vector<std::string> out;
        TWorkbookGlobals& g = FFile.Workbook().Globals();
        for (std::size_t i = 0; i < g.Names().Count(); ++i)
            out.push_back(std::to_string(g.Names().Items(i)->RangeSheet()) + " " +
                          Utf16ToUtf8(g.Names().Items(i)->Name()) + " " +
                          Utf16ToUtf8(g.Names().Items(i)->FormulaText(g)));
        return out;
    }
    void Reload()
    {
        TMemoryStream saved;
        FFile.Save(true, "", nullptr, nullptr, &saved);
        TMemoryStream in(saved.Bytes());
        FFile.LoadFromStream(in);
    }

private:
    TXLSFile FFile;
};

using TTexts = std::vector<std::string>;

}  // namespace

TEST(FileInterfaceFormulas, FormulasAreWrittenAndReadAsText)
{
    TCrossSheetBook b;
    EXPECT_EQ(b.Formulas(1), (TTexts{"='Sheet2'!A5+A5", "=SUM('Sheet2'!A1:A10)"}));
    EXPECT_EQ(b.Names(), (TTexts{"-1 Total ='Sheet2'!$A$5", "1 Local ='Sheet2'!$A$5"}));
    b.Reload();
    EXPECT_EQ(b.Formulas(2), (TTexts{"='Sheet1'!A5+A5", "='Sheet2'!A5"}));
    EXPECT_EQ(b.Names(), (TTexts{"-1 Total ='Sheet2'!$A$5", "1 Local ='Sheet2'!$A$5"}));

    TXLSFile& f = b.File();
    f.SetActiveSheet(1);
    EXPECT_EQ(f.GetCellFormula(5, 5), u"");
    f.SetCellValue(5, 5, 2.0);
    EXPECT_EQ(f.GetCellFormula(5, 5), u"");
    f.SetCellFormulaX(5, 5, u"=1/0", TXlsString(u"#DIV/0!"));
    EXPECT_EQ(f.GetCellFormula(5, 5), u"=1/0");
    EXPECT_TRUE(f.GetCellValueX(5, 5).IsFormula);
    EXPECT_EQ(ErrorOf([&] { f.SetCellFormula(5, 5, u"=SUM(1"); }), R"(Unexpected end of formula: "=SUM(1")");
    EXPECT_EQ(f.GetCellFormula(5, 5), u"=1/0");
    f.SetCellFormula(5, 5, u"");
    EXPECT_TRUE(VarIsEmpty(f.GetCellValue(5, 5)));
    EXPECT_EQ(ErrorOf([&] { f.GetCellFormula(65537, 1); }), "Invalid Row (65536)");
}

TEST(FileInterfaceFormulas, RowsInsertedAndDeletedOnOneSheetMoveEveryReferenceToIt)
{
    TCrossSheetBook b;
    TXLSFile& f = b.File();
    f.SetActiveSheet(2);
    f.InsertAndCopyRows(300, 300, 3, 2, false);  // two empty rows at row 3
    EXPECT_EQ(b.Formulas(1), (TTexts{"='Sheet2'!A7+A5", "=SUM('Sheet2'!A1:A12)"}));
    EXPECT_EQ(b.Formulas(2), (TTexts{"='Sheet1'!A5+A7", "='Sheet2'!A7"}));
    EXPECT_EQ(b.Names(), (TTexts{"-1 Total ='Sheet2'!$A$7", "1 Local ='Sheet2'!$A$7"}));

    f.SetActiveSheet(2);
    f.DeleteRows(3, 2);
    EXPECT_EQ(b.Formulas(1), (TTexts{"='Sheet2'!A5+A5", "=SUM('Sheet2'!A1:A10)"}));
    f.SetActiveSheet(2);
    f.DeleteRows(5, 1);
    EXPECT_EQ(b.Formulas(1), (TTexts{"=#REF!+A5", "=SUM('Sheet2'!A1:A9)"}));
    EXPECT_EQ(b.Formulas(2), (TTexts{"='Sheet1'!A5+#REF!", "=#REF!"}));
    EXPECT_EQ(b.Names(), (TTexts{"-1 Total =#REF!", "1 Local =#REF!"}));
    b.Reload();
    EXPECT_EQ(b.Formulas(1), (TTexts{"=#REF!+A5", "=SUM('Sheet2'!A1:A9)"}));
}

TEST(FileInterfaceFormulas, ColumnsInsertedOnOneSheetMoveEveryReferenceToIt)
{
    TCrossSheetBook b;
    TXLSFile& f = b.File();
    f.SetActiveSheet(2);
    f.InsertAndCopyCols(200, 200, 1, 1, false);  // an empty column at A
    EXPECT_EQ(b.Formulas(1), (TTexts{"='Sheet2'!B5+A5", "=SUM('Sheet2'!B1:B10)"}));
    f.SetActiveSheet(2);
    EXPECT_EQ(Utf16ToUtf8(f.GetCellFormula(1, 3)), "='Sheet1'!A5+B5");
    EXPECT_EQ(b.Names(), (TTexts{"-1 Total ='Sheet2'!$B$5", "1 Local ='Sheet2'!$B$5"}));
}

TEST(FileInterfaceFormulas, ACopiedSheetPointsAtItselfAndGetsTheNamesOfItsSource)
{
    TCrossSheetBook b;
    TXLSFile& f = b.File();
    // A copy of Sheet2 in front of Sheet1: the source moves behind it.
    f.InsertAndCopySheets(2, 1, 1);
    f.SetActiveSheet(1);
    EXPECT_EQ(f.ActiveSheetName(), u"Sheet");
    EXPECT_EQ(b.Formulas(1), (TTexts{"='Sheet1'!A5+A5", "='Sheet'!A5"}));
    EXPECT_EQ(b.Formulas(3), (TTexts{"='Sheet1'!A5+A5", "='Sheet2'!A5"}));
    EXPECT_EQ(b.Formulas(2), (TTexts{"='Sheet2'!A5+A5", "=SUM('Sheet2'!A1:A10)"}));
    EXPECT_EQ(b.Names(), (TTexts{"-1 Total ='Sheet2'!$A$5", "2 Local ='Sheet2'!$A$5", "0 Total ='Sheet'!$A$5",
                                 "0 Local ='Sheet'!$A$5"}));
    b.Reload();
    EXPECT_EQ(b.Formulas(1), (TTexts{"='Sheet1'!A5+A5", "='Sheet'!A5"}));
}

TEST(FileInterfaceFormulas, ADeletedSheetLeavesErrorsWhereItWasNamed)
{
    TCrossSheetBook b;
    TXLSFile& f = b.File();
    f.SetActiveSheet(1);
    f.DeleteSheet(1);
    EXPECT_EQ(b.Formulas(1), (TTexts{"=#REF!A5+A5", "='Sheet2'!A5"}));
    EXPECT_EQ(b.Names(), (TTexts{"-1 Total ='Sheet2'!$A$5", "0 Local ='Sheet2'!$A$5"}));
    f.SetActiveSheet(1);
    f.DeleteSheet(1);
    EXPECT_EQ(b.Names(), (TTexts{"-1 Total =#REF!$A$5"}));
    b.Reload();
    EXPECT_EQ(b.Names(), (TTexts{"-1 Total =#REF!$A$5"}));
}

TEST(FileInterfaceFormulas, NamedRangesCountFromOne)
{
    TCrossSheetBook b;
    TXLSFile& f = b.File();
    EXPECT_EQ(f.RangeCount(), 2);
    EXPECT_EQ(f.GetRangeName(1), u"Total");
    EXPECT_EQ(f.GetRangeSheet(1), 2);
    EXPECT_EQ((std::vector<std::int32_t>{f.GetRangeR1(2), f.GetRangeR2(2), f.GetRangeC1(2), f.GetRangeC2(2)}),
              (std::vector<std::int32_t>{5, 5, 1, 1}));
    f.SetRangeR2(2, 9);
    f.SetRangeC2(2, 3);
    EXPECT_EQ(b.Names()[1], "1 Local ='Sheet2'!$A$5:$C$9");
    f.AddRange(TXlsNamedRange{u"Rate", u"=0.19", 0, -1});
    EXPECT_EQ(f.RangeCount(), 3);
    EXPECT_EQ(f.GetRangeR1(3), 0);
    EXPECT_EQ(f.GetRangeSheet(3), 0);
    EXPECT_EQ(ErrorOf([&] { f.GetRangeName(4); }),
              R"(The index "4" of the property "Name Index" is not in the range 1-3)");
    EXPECT_EQ(ErrorOf([&] { f.AddRange(TXlsNamedRange{u"B2", u"=1", 0, -1}); }), R"(Invalid named range: "B2")");
    EXPECT_TRUE(f.IsFileModified());
}

namespace {

// Writes a formula cell of raw tokens at row 1, column 1 of a worksheet.
void PutTokens(TXLSFile& aFile, std::int32_t aSheet, const TBytes& aTokens)
{
    auto cell = TFormulaRecord::CreateFromData(static_cast<std::uint16_t>(TFormulaRecord::TokensOfs + aTokens.size()),
                                               0, 0, 15, TVarEmpty{}, false);
    SetWord(cell->Data(), TFormulaRecord::TokensOfs - 2, static_cast<std::uint16_t>(aTokens.size()));
    std::copy(aTokens.begin(), aTokens.end(), cell->Data().begin() + TFormulaRecord::TokensOfs);
    aFile.Workbook().GetWorkSheets(aSheet - 1).Cells().AddCell(std::move(cell));
}

}  // namespace

TEST(FileInterfaceFormulas, DeletingASheetRenumbersTheNamesFormulasUse)
{
    TXLSFile f(nullptr);
    f.Connect();
    f.NewFile(3);
    f.AddRange(TXlsNamedRange{u"Gone", u"=$A$1", 0, 1});
    f.AddRange(TXlsNamedRange{u"Kept", u"=Sheet3!$A$1", 0, -1});
    PutTokens(f, 3, {ptgName, 2, 0, 0, 0, ptgName, 1, 0, 0, 0, ptgAdd});
    f.SetActiveSheet(3);
    EXPECT_EQ(f.GetCellFormula(1, 1), u"=Kept+Gone");
    f.SetActiveSheet(2);
    f.DeleteSheet(1);
    f.SetActiveSheet(2);
    EXPECT_EQ(f.GetCellFormula(1, 1), u"=Kept+#REF!");

    // A formula the walk cannot read stops the deletion before anything changes.
    f.AddRange(TXlsNamedRange{u"Local", u"=$A$1", 0, 1});
    PutTokens(f, 1, {ptgSheet, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    f.SetActiveSheet(2);
    EXPECT_EQ(ErrorOf([&] { f.DeleteSheet(1); }), "Formula at Row 1, column 1 is not supported. Token Id: 0x1A");
    EXPECT_EQ(f.SheetCount(), 2);
    EXPECT_EQ(f.RangeCount(), 2);
    EXPECT_EQ(f.GetCellFormula(1, 1), u"=Kept+#REF!");
}

TEST(FileInterfaceFormulas, TheFirst3dReferenceBringsTheReferenceTables)
{
    TXLSFile f(nullptr);
    f.Connect();
    f.NewFile(2);
    const TReferences& refs = f.Workbook().Globals().References();
    f.SetCellFormula(1, 1, u"=A2*2");
    EXPECT_EQ(refs.SupBookCount(), 0u);
    EXPECT_EQ(refs.TotalSize(), 0);
    f.SetCellFormula(1, 2, u"=Sheet2!A1");
    f.SetCellFormula(1, 3, u"=SHEET2!B1");
    ASSERT_EQ(refs.SupBookCount(), 1u);
    EXPECT_TRUE(refs.SupBook(0).IsLocal());
    EXPECT_EQ(refs.SupBook(0).SheetCount(), 2);
    EXPECT_EQ(refs.ExternRefs().Count(), 1u);
    EXPECT_EQ(refs.TotalSize(), 8 + 12);
}
