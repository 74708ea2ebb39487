// External references: the sheet mapping, the sheet and name texts of
// formulas (local sheets, sheet ranges, other books with their encoded
// paths), new entries, and the EXTERNSHEET table written in pieces.
#include <gtest/gtest.h>

#include "GlobalsTestSupport.h"

using namespace globtest;

namespace {

// SUPBOOK of another book: its encoded path, then its sheet names.
TBytes ExternalSupBook(std::string_view aPath, std::initializer_list<std::string_view> aSheets)
{
    TBytes d;
    AppendWord(d, static_cast<std::uint16_t>(aSheets.size()));
    auto add = [&](std::string_view s) {
        AppendWord(d, static_cast<std::uint16_t>(s.size()));
        AppendByte(d, 0);
        d.insert(d.end(), s.begin(), s.end());
    };
    add(aPath);
    for (std::string_view s : aSheets) add(s);
    return d;
}

// Sheets "Data", "O'Brien", "Last"; SUPBOOK 0 another book with two sheets
// and an external name, SUPBOOK 1 this workbook, SUPBOOK 2 add-ins.
TBytes ReferencesBook(std::string_view aPath, const std::vector<TXti>& aXtis)
{
    return GlobalsStream({Rec(xlr_BOUNDSHEET, BoundSheetBody("Data")), Rec(xlr_BOUNDSHEET, BoundSheetBody("O'Brien")),
                          Rec(xlr_BOUNDSHEET, BoundSheetBody("Last")),
                          Rec(xlr_SUPBOOK, ExternalSupBook(aPath, {"Jan", "Feb"})), Rec(xlr_EXTERNNAME, ExternNameBody("Rate")),
                          Rec(xlr_SUPBOOK, LocalSupBookBody(3)), Rec(xlr_SUPBOOK, B({1, 0, 0x01, 0x3A})),
                          Rec(xlr_EXTERNNAME, ExternNameBody("EUROCONVERT")), Rec(xlr_EXTERNSHEET, ExternSheetBody(aXtis)),
                          Rec(xlr_NAME, NameBody("Total", -1, 1))});
}

std::string SheetText(TWorkbookGlobals& g, std::int32_t aRef)
{
    return Utf16ToUtf8(g.References().GetSheetName(aRef, g.BoundSheets().BoundSheets()));
}

}  // namespace

TEST(References, SheetTextsOfFormulas)
{
    TWorkbookGlobals g{std::make_unique<TDrawingGroup>()};
    LoadGlobals(g, ReferencesBook("\x01\x01" "CDaten\x03" "Umsatz.xls",
                                  {{1, 0, 0}, {1, 1, 1}, {1, 0, 2}, {0, 1, 1}, {0, 0, 1}, {1, 0xFFFF, 0xFFFF},
                                   {2, 0xFFFE, 0xFFFE}, {1, 0xFFFE, 0xFFFE}}));
    const struct {
        std::int32_t Ref;
        const char* Text;
    } cases[] = {
        {0, "'Data'!"},
        {1, "'O''Brien'!"},
        {2, "'Data:Last'!"},
        {3, R"('C:\Daten\[Umsatz.xls]Feb'!)"},
        {4, R"('C:\Daten\[Umsatz.xls]Jan:Feb'!)"},
        {5, "#REF!"},
        {6, ""},
        {7, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(SheetText(g, c.Ref), c.Text) << c.Ref;
    EXPECT_EQ(ErrorOf([&] { SheetText(g, 8); }),
              R"(The index "8" of the property "Sheet Reference" is not in the range 0-7)");

    const TReferences& refs = g.References();
    EXPECT_EQ(refs.GetSheet(0), 0);
    EXPECT_EQ(refs.GetSheet(2), -1);  // a sheet range
    EXPECT_EQ(refs.GetSheet(3), -1);  // another book
    EXPECT_EQ(ErrorOf([&] { refs.GetSheet(-1); }),
              R"(The index "-1" of the property "Sheet Reference" is not in the range 0-7)");
}

TEST(References, BookPathsAreDecoded)
{
    const struct {
        std::string_view Path;
        const char* Text;
    } cases[] = {
        {"\x01\x01@server\x03share\x03" "a.xls", R"('\\server\share\[a.xls]Jan'!)"},
        {"\x01\x04" "b.xls", R"('..\[b.xls]Jan'!)"},
        {"\x01\x02" "c.xls", R"('\[c.xls]Jan'!)"},
        {"d.xls", "'[d.xls]Jan'!"},
    };
    for (const auto& c : cases) {
        TWorkbookGlobals g{std::make_unique<TDrawingGroup>()};
        LoadGlobals(g, ReferencesBook(c.Path, {{0, 0, 0}}));
        EXPECT_EQ(SheetText(g, 0), c.Text) << c.Path;
    }
}

TEST(References, NameTextsOfThisAndOtherBooks)
{
    TWorkbookGlobals g{std::make_unique<TDrawingGroup>()};
    LoadGlobals(g, ReferencesBook("x.xls", {{1, 0, 0}, {0, 0, 0}, {2, 0xFFFE, 0xFFFE}}));
    const TReferences& refs = g.References();
    EXPECT_EQ(refs.GetName(-1, 0, g.Names()), u"Total");
    EXPECT_EQ(refs.GetName(0, 0, g.Names()), u"Total");
    EXPECT_EQ(refs.GetName(1, 0, g.Names()), u"Rate");
    EXPECT_EQ(refs.GetName(2, 0, g.Names()), u"EUROCONVERT");
    EXPECT_EQ(ErrorOf([&] { refs.GetName(-1, 1, g.Names()); }),
              R"(The index "1" of the property "Name Index" is not in the range 0-0)");
    EXPECT_EQ(ErrorOf([&] { refs.GetName(1, 3, g.Names()); }),
              R"(The index "3" of the property "Name Index" is not in the range 0-0)");
}

TEST(References, NewEntriesAreSharedAndCreateTheLocalBook)
{
    TReferences refs;
    EXPECT_EQ(refs.TotalSize(), 0);
    EXPECT_EQ(refs.AddSheet(3, 1, 1), 0);
    EXPECT_EQ(refs.AddSheet(3, 0, 2), 1);
    EXPECT_EQ(refs.AddSheet(3, 1, 1), 0);
    EXPECT_EQ(refs.SetSheet(2), 2);
    EXPECT_EQ(refs.SetSheet(1), 0);
    ASSERT_EQ(refs.SupBookCount(), 1u);
    EXPECT_TRUE(refs.SupBook(0).IsLocal());
    EXPECT_EQ(refs.SupBook(0).SheetCount(), 3);
    EXPECT_EQ(refs.GetSheet(2), 2);
    const TBytes written = Written([&](TOle2File& w) { refs.SaveToStream(w); });
    EXPECT_EQ(written, Cat({Rec(xlr_SUPBOOK, LocalSupBookBody(3)),
                            Rec(xlr_EXTERNSHEET, ExternSheetBody({{0, 1, 1}, {0, 0, 2}, {0, 2, 2}}))}));
    EXPECT_EQ(refs.TotalSize(), std::int64_t(written.size()));
}

TEST(References, TheTableIsWrittenInRecordsOf1370Entries)
{
    for (std::size_t count : {1370u, 1371u, 2741u}) {
        TReferences refs;
        for (std::size_t i = 0; i < count; ++i)
            refs.AddSheet(3, static_cast<std::int32_t>(i % 60000), static_cast<std::int32_t>(i % 60000));
        const TBytes written = Written([&](TOle2File& w) { refs.SaveToStream(w); });
        EXPECT_EQ(refs.TotalSize(), std::int64_t(written.size())) << count;
        const auto records = SplitRecords(written);
        ASSERT_EQ(records.size(), 2 + (count - 1) / 1370) << count;
        EXPECT_EQ(records[1].Id, xlr_EXTERNSHEET);
        EXPECT_EQ(records[1].Data.size(), 2 + 6 * std::min<std::size_t>(count, 1370));
        if (count == 1371) {
            EXPECT_EQ(records[1].Data.size(), 8222u);
            EXPECT_EQ(records[2].Id, xlr_CONTINUE);
            EXPECT_EQ(records[2].Data.size(), 6u);
        }

        // Read back across the CONTINUE records.
        TBytes table;
        for (std::size_t r = 1; r < records.size(); ++r) table.insert(table.end(), records[r].Data.begin(), records[r].Data.end());
        TExternRefList loaded;
        loaded.Load(TBaseRecord(xlr_EXTERNSHEET, table));
        EXPECT_EQ(loaded.Count(), count);
        EXPECT_EQ(loaded.Items(count - 1).FirstSheet, (count - 1) % 60000);
    }
}

TEST(References, BrokenRecordsAreRefused)
{
    TExternRefList list;
    EXPECT_EQ(ErrorOf([&] { list.Load(TBaseRecord(xlr_EXTERNSHEET, B({2, 0, 0, 0, 0, 0, 0, 0}))); }),
              "Error reading record");
    EXPECT_EQ(ErrorOf([&] { list.Load(TBaseRecord(xlr_EXTERNSHEET, B({1}))); }), "Error reading record");
    EXPECT_EQ(ErrorOf([&] { TSupBookRecord(xlr_SUPBOOK, B({1, 0})); }), "Record with ID 0x1AE is invalid");
    const TSupBookRecord cut(xlr_SUPBOOK, B({1, 0, 9, 0, 0, 'a'}));
    TBoundSheetRecordList none;
    EXPECT_EQ(ErrorOf([&] { cut.BookName(); }), "Error reading record");
    EXPECT_EQ(ErrorOf([&] { cut.SheetName(0, none); }), "Error reading record");
    EXPECT_EQ(ErrorOf([&] { TExternNameRecord(xlr_EXTERNNAME, B({0, 0, 0, 0, 0, 0, 5, 0, 'a'})).Name(); }),
              "Error reading record");
}
