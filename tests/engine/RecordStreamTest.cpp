// The record stream: reading with look-ahead and followers, the factory,
// reading across CONTINUE records, writing, copying and row/column shifts.
#include <typeinfo>

#include "RecordTestSupport.h"
#include "globals/UXlsPalette.h"
#include "globals/UXlsSST.h"
#include "globals/UXlsXF.h"
#include "records/UXlsOtherRecords.h"
#include "worksheet/UXlsCellRecords.h"
#include "worksheet/UXlsColInfo.h"

using namespace rectest;

namespace {

TBytes Bytes(std::size_t n, std::uint8_t first = 1)
{
    TBytes b(n);
    for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(first + i);
    return b;
}

TBytes BofData(std::uint16_t aVersion = 0x0600, std::uint16_t aType = 0x0010)
{
    TBytes d(16, 0);
    SetWord(d, 0, aVersion);
    SetWord(d, 2, aType);
    return d;
}

TBytes CellData(std::size_t aSize, std::uint16_t aRow = 0, std::uint16_t aCol = 0)
{
    TBytes d(aSize, 0);
    SetWord(d, 0, aRow);
    SetWord(d, 2, aCol);
    return d;
}

// FORMULA data as the engine writes it back: marked for recalculation.
TBytes FormulaData(std::size_t aSize, std::uint16_t aRow = 0, std::uint16_t aCol = 0)
{
    TBytes d = CellData(aSize, aRow, aCol);
    SetWord(d, 14, TFormulaRecord::OptRecalcOnLoad);
    return d;
}

int ChainLength(const TBaseRecord& r)
{
    int n = 0;
    for (const TContinueRecord* c = r.Continue(); c; c = c->Continue()) ++n;
    return n;
}

}  // namespace

TEST(RecordStream, UnknownRecordComesBackWithItsContinueChain)
{
    const TBytes stream = Cat({Rec(0x1234, Bytes(5)), Rec(xlr_CONTINUE, Bytes(3, 50)), Rec(xlr_CONTINUE, {}),
                               Rec(xlr_EOF, {})});
    TStreamFixture f(stream);
    auto records = ReadAll(f.File());
    ASSERT_EQ(records.size(), 2u);
    const TBaseRecord& rec = *records[0];
    EXPECT_EQ(typeid(rec), typeid(TBaseRecord));
    EXPECT_EQ(rec.Id(), 0x1234);
    EXPECT_EQ(ChainLength(rec), 2);
    EXPECT_EQ(rec.TotalSize(), 9 + 7 + 4);
    EXPECT_EQ(rec.TotalSizeNoHeaders(), 8);
    EXPECT_TRUE(SameBytes(Written([&](TOle2File& w) {
                              for (auto& r : records) r->SaveToStream(w);
                          }),
                          stream));
}

TEST(RecordStream, SSTWithThreeContinueRecordsIsOneRecord)
{
    TBytes sst(8, 0);
    const TBytes stream = Cat({Rec(xlr_SST, sst), Rec(xlr_CONTINUE, Bytes(10)), Rec(xlr_CONTINUE, Bytes(20)),
                               Rec(xlr_CONTINUE, Bytes(30))});
    TStreamFixture f(stream);
    auto records = ReadAll(f.File());
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(typeid(*records[0]), typeid(TSSTRecord));
    EXPECT_EQ(ChainLength(*records[0]), 3);
    EXPECT_EQ(records[0]->TotalSize(), 4 * 4 + 8 + 60);
}

// With three bytes or fewer behind a record the stream ends as if an EOF followed.
TEST(RecordStream, LookAheadEndsTheStreamWithThreeBytesOrFewerLeft)
{
    struct Case {
        std::size_t Trailing;
        TRecordHeader Expected;
        std::int64_t PositionAfter;
    };
    const Case cases[] = {
        {0, {xlr_EOF, 0}, 6}, {1, {xlr_EOF, 0}, 6}, {2, {xlr_EOF, 0}, 6}, {3, {xlr_EOF, 0}, 6}, {4, {0, 0}, 10},
    };
    for (const auto& c : cases) {
        TBytes stream = Rec(0x1234, Bytes(2));
        stream.resize(stream.size() + c.Trailing, 0);
        TStreamFixture f(stream);
        TRecordHeader header;
        ReadHeader(f.File(), header);
        ReadRecord(f.File(), header);
        EXPECT_EQ(header.Id, c.Expected.Id) << c.Trailing;
        EXPECT_EQ(header.Size, c.Expected.Size) << c.Trailing;
        EXPECT_EQ(f.File().Position(), c.PositionAfter) << c.Trailing;
    }
}

TEST(RecordStream, FormulaTakesItsArrayAndLeavesTheStringToTheCaller)
{
    TBytes stringData;
    AppendWord(stringData, 3);
    AppendByte(stringData, 0);
    for (char c : std::string("abc")) AppendByte(stringData, static_cast<std::uint8_t>(c));
    const TBytes formula = Rec(xlr_FORMULA, FormulaData(26, 4, 2));
    const TBytes array = Rec(xlr_ARRAY, Bytes(14));
    const TBytes stream = Cat({formula, array, Rec(xlr_STRING, stringData), Rec(xlr_EOF, {})});
    TStreamFixture f(stream);
    auto records = ReadAll(f.File());
    ASSERT_EQ(records.size(), 3u);

    const auto* cell = dynamic_cast<const TFormulaRecord*>(records[0].get());
    ASSERT_NE(cell, nullptr);
    ASSERT_NE(cell->ArrayRecord(), nullptr);
    EXPECT_EQ(cell->TableRecord(), nullptr);
    EXPECT_EQ(cell->ArrayRecord()->DataSize(), 14);
    EXPECT_EQ(cell->TotalSize(), 30 + 18);
    EXPECT_TRUE(SameBytes(Written([&](TOle2File& w) { records[0]->SaveToStream(w); }), Cat({formula, array})));

    const auto* str = dynamic_cast<const TStringRecord*>(records[1].get());
    ASSERT_NE(str, nullptr);
    EXPECT_EQ(str->Value(), u"abc");
    EXPECT_EQ(str->TotalSize(), 0);
    EXPECT_TRUE(Written([&](TOle2File& w) { records[1]->SaveToStream(w); }).empty());

    auto copy = CopyRecord(cell);
    EXPECT_NE(copy->ArrayRecord(), cell->ArrayRecord());
    EXPECT_TRUE(SameBytes(Written([&](TOle2File& w) { copy->SaveToStream(w); }), Cat({formula, array})));
}

TEST(RecordStream, FollowersAttachToTheirOwners)
{
    // A TABLE after a formula, a tooltip after a link, and an ARRAY behind a
    // formula's own CONTINUE record.
    const TBytes table = Rec(xlr_TABLE, Bytes(16));
    const TBytes link = Rec(0x01B8, Bytes(40));
    const TBytes tip = Rec(xlr_HLINKTOOLTIP, Bytes(14));
    const TBytes longFormula = Cat({Rec(xlr_FORMULA, FormulaData(30)), Rec(xlr_CONTINUE, Bytes(5))});
    const TBytes array = Rec(xlr_ARRAY, Bytes(12));
    const TBytes stream = Cat({Rec(xlr_FORMULA, FormulaData(26)), table, link, tip, longFormula, array, Rec(xlr_EOF, {})});
    TStreamFixture f(stream);
    auto records = ReadAll(f.File());
    ASSERT_EQ(records.size(), 4u);
    const auto* withTable = dynamic_cast<const TFormulaRecord*>(records[0].get());
    ASSERT_TRUE(withTable && withTable->TableRecord());
    const auto* hlink = dynamic_cast<const THLinkRecord*>(records[1].get());
    ASSERT_TRUE(hlink && hlink->Hint());
    EXPECT_EQ(hlink->TotalSize(), 44 + 18);
    const auto* withArray = dynamic_cast<const TFormulaRecord*>(records[2].get());
    ASSERT_TRUE(withArray && withArray->ArrayRecord());
    EXPECT_EQ(ChainLength(*withArray), 1);
    EXPECT_TRUE(SameBytes(Written([&](TOle2File& w) {
                              for (auto& r : records) r->SaveToStream(w);
                          }),
                          stream));
}

TEST(RecordStream, FollowerAfterTheWrongRecordIsRefused)
{
    struct Case {
        const char* What;
        TBytes First;
        std::uint16_t FollowerId;
        std::string Place;  // the follower's
    };
    const Case cases[] = {
        {"ARRAY after NUMBER", Rec(xlr_NUMBER, CellData(14)), xlr_ARRAY, "record ARRAY (0x0221) at offset 18"},
        {"TABLE after BLANK", Rec(xlr_BLANK, CellData(6)), xlr_TABLE, "record TABLE (0x0236) at offset 10"},
        {"HLINKTOOLTIP after LABELSST", Rec(xlr_LABELSST, CellData(10)), xlr_HLINKTOOLTIP,
         "record HLINKTOOLTIP (0x0800) at offset 14"},
        {"STRING after NUMBER", Rec(xlr_NUMBER, CellData(14)), xlr_STRING, "record STRING (0x0207) at offset 18"},
        {"STRING after an unknown record", Rec(0x1234, Bytes(4)), xlr_STRING, "record STRING (0x0207) at offset 8"},
    };
    for (const auto& c : cases) {
        TStreamFixture f(Cat({c.First, Rec(c.FollowerId, Bytes(16)), Rec(xlr_EOF, {})}));
        EXPECT_EQ(ErrorOf([&] { ReadAll(f.File()); }), "Error reading Excel records. File invalid (stream \"Workbook\", " + c.Place + ")")
            << c.What;
    }
    // After a shared formula the STRING is fine.
    TBytes str;
    AppendWord(str, 0);
    AppendByte(str, 0);
    TStreamFixture ok(Cat({Rec(0x04BC, Bytes(12)), Rec(xlr_STRING, str), Rec(xlr_EOF, {})}));
    EXPECT_EQ(ReadAll(ok.File()).size(), 3u);
}

TEST(RecordStream, RefusedRecords)
{
    struct Case {
        const char* What;
        TBytes Record;
        std::string Message;
    };
    // Each record follows a BOF of 20 bytes: every message names it at offset 20.
    const Case cases[] = {
        {"FILEPASS", Rec(xlr_FILEPASS, Bytes(54)), "File is password protected (stream \"Workbook\", record FILEPASS (0x002F)"},
        {"BLANK of 3 bytes", Rec(xlr_BLANK, Bytes(3)), "Record with ID 0x201 is invalid (stream \"Workbook\", record BLANK (0x0201)"},
        {"RK of 2 bytes", Rec(xlr_RK, Bytes(2)), "Record with ID 0x27E is invalid (stream \"Workbook\", record RK (0x027E)"},
        {"ROW of 10 bytes", Rec(0x0208, Bytes(10)), "Record with ID 0x208 is invalid (stream \"Workbook\", record ROW (0x0208)"},
        {"BIFF5 BOF", Rec(xlr_BOF, BofData(0x0500)),
         "Template file is saved with an invalid Excel version (stream \"Workbook\", record BOF (0x0809)"},
        {"SST too short for its count", Rec(xlr_SST, Bytes(6)), "Error reading record (stream \"Workbook\", record SST (0x00FC)"},
        {"record longer than the stream", TBytes{0x34, 0x12, 10, 0, 1, 2, 3, 4, 5, 6},
         "End of stream reached with 4 bytes left to read (stream \"Workbook\", record ? (0x1234)"},
        // Records too short for the fields the engine reads later, or whose
        // text cannot be read, are refused here rather than when the
        // workbook is changed or saved.
        {"DATEMODE of 1 byte", Rec(xlr_DATEMODE, Bytes(1)),
         "Record with ID 0x22 is invalid (stream \"Workbook\", record DATEMODE (0x0022)"},
        {"WINDOW1 of 14 bytes", Rec(xlr_WINDOW1, Bytes(14)),
         "Record with ID 0x3D is invalid (stream \"Workbook\", record WINDOW1 (0x003D)"},
        {"NUMBER of 13 bytes", Rec(xlr_NUMBER, Bytes(13)),
         "Record with ID 0x203 is invalid (stream \"Workbook\", record NUMBER (0x0203)"},
        {"LABEL whose text runs past it", Rec(xlr_LABEL, Cat({Bytes(6), TBytes{5, 0, 0, 'a', 'b'}})),
         "Error reading record (stream \"Workbook\", record LABEL (0x0204)"},
        {"FONT without a name", Rec(xlr_FONT, Bytes(14)), "Error reading record (stream \"Workbook\", record FONT (0x0031)"},
        {"CODENAME whose name runs past it", Rec(xlr_CODENAME, TBytes{9, 0, 0, 'a'}),
         "Error reading record (stream \"Workbook\", record CODENAME (0x01BA)"},
    };
    for (const auto& c : cases) {
        TStreamFixture f(Cat({Rec(xlr_BOF, BofData()), c.Record}));
        EXPECT_EQ(ErrorOf([&] { ReadAll(f.File()); }), c.Message + " at offset 20)") << c.What;
    }
}

TEST(RecordStream, DroppedKindsAreReadButNeverWritten)
{
    // XCT, CRN, DBCELL, MSODRAWINGSELECTION, EXTSST, TABID, RECALCID, INDEX, chart FBI
    for (std::uint16_t id : std::initializer_list<std::uint16_t>{0x0059, 0x005A, 0x00D7, 0x00ED, 0x00FF, 0x013D, 0x01C1, 0x020B, 0x1060}) {
        TStreamFixture f(Cat({Rec(id, Bytes(8)), Rec(xlr_CONTINUE, Bytes(4)), Rec(xlr_EOF, {})}));
        auto records = ReadAll(f.File());
        ASSERT_EQ(records.size(), 2u) << id;
        EXPECT_EQ(typeid(*records[0]), typeid(TIgnoreRecord)) << id;
        EXPECT_EQ(records[0]->TotalSize(), 0) << id;
        EXPECT_TRUE(Written([&](TOle2File& w) { records[0]->SaveToStream(w); }).empty()) << id;
    }
}

TEST(RecordFactory, CreatesTheClassOfTheId)
{
    struct Case {
        std::uint16_t Id;
        const std::type_info& Type;
    };
    const Case cases[] = {
        {0x0006, typeid(TFormulaRecord)},    {0x000A, typeid(TEOFRecord)},        {0x0018, typeid(TNameRecord)},
        {0x0026, typeid(TMarginRecord)},     {0x003C, typeid(TContinueRecord)},   {0x003D, typeid(TWindow1Record)},
        {0x0055, typeid(TDefColWidthRecord)}, {0x005D, typeid(TObjRecord)},        {0x0080, typeid(TGutsRecord)},
        {0x0085, typeid(TBoundSheetRecord)}, {0x00BD, typeid(TMulRKRecord)},      {0x00BE, typeid(TMulBlankRecord)},
        {0x00D6, typeid(TRStringRecord)},    {0x00E5, typeid(TCellMergingRecord)}, {0x00FC, typeid(TSSTRecord)},
        {0x00FD, typeid(TLabelSSTRecord)},   {0x01B8, typeid(THLinkRecord)},      {0x01BA, typeid(TCodeNameRecord)},
        {0x0200, typeid(TDimensionsRecord)}, {0x0201, typeid(TBlankRecord)},      {0x0203, typeid(TNumberRecord)},
        {0x0204, typeid(TLabelRecord)},      {0x0205, typeid(TBoolErrRecord)},    {0x0207, typeid(TStringRecord)},
        {0x0208, typeid(TRowRecord)},        {0x0221, typeid(TArrayRecord)},      {0x0236, typeid(TTableRecord)},
        {0x023E, typeid(TWindow2Record)},    {0x027E, typeid(TRKRecord)},         {0x04BC, typeid(TShrFmlaRecord)},
        {0x0800, typeid(TScreenTipRecord)},  {0x0809, typeid(TBOFRecord)},        {0x0031, typeid(TFontRecord)},
        {0x0092, typeid(TPaletteRecord)},    {0x0293, typeid(TStyleRecord)},      {0x041E, typeid(TFormatRecord)},
        {0x007D, typeid(TColInfoRecord)},
        {0x1234, typeid(TBaseRecord)},
    };
    for (const auto& c : cases) {
        // Long enough for every class (FORMULA has 22 bytes at least), its texts empty.
        TBytes data = c.Id == xlr_BOF ? BofData() : TBytes{};
        data.resize(24);
        auto rec = CreateRecord(c.Id, data);
        EXPECT_EQ(typeid(*rec), c.Type) << std::hex << c.Id;
    }
    EXPECT_EQ(typeid(*CreateRecord(0x00E0, TBytes(20, 0))), typeid(TXFRecord));
}

// Every class the factory makes copies itself as its own class, with its bytes and chain.
TEST(RecordFactory, CopiesKeepClassBytesAndChain)
{
    // Texts of no characters where records hold them: CODENAME at 0, FORMAT
    // at 2, LABEL and RSTRING at 6 (and RSTRING's run count at 9), FONT at 14.
    TBytes data(40, 0x11);
    for (std::size_t ofs : {0, 2, 6, 9}) SetWord(data, ofs, 0);
    data[14] = 0;
    TBytes bof = data;
    SetWord(bof, 0, 0x0600);  // a valid BOF version
    for (std::uint32_t id = 0; id < 0x1100; ++id) {
        if (id == xlr_FILEPASS) continue;
        auto rec = CreateRecord(static_cast<std::uint16_t>(id), id == xlr_BOF ? bof : data);
        rec->AddContinue(std::make_unique<TContinueRecord>(xlr_CONTINUE, Bytes(3)));
        auto copy = rec->CopyTo();
        ASSERT_EQ(typeid(*copy), typeid(*rec)) << std::hex << id;
        EXPECT_NE(copy->Continue(), rec->Continue());
        if (id == 0x023E) continue;  // a WINDOW2 copy is not selected (tested below)
        ASSERT_TRUE(SameBytes(Written([&](TOle2File& w) { copy->SaveToStream(w); }),
                              Written([&](TOle2File& w) { rec->SaveToStream(w); })))
            << std::hex << id;
    }
}

TEST(RecordStream, SecondContinueChainIsRefused)
{
    TBaseRecord rec(0x1234, Bytes(2));
    rec.AddContinue(std::make_unique<TContinueRecord>(xlr_CONTINUE, Bytes(2)));
    EXPECT_EQ(ErrorOf([&] { rec.AddContinue(std::make_unique<TContinueRecord>(xlr_CONTINUE, Bytes(2))); }),
              "Trying to add more than one CONTINUE record to the same record");
}

TEST(RecordStream, LongChainsCostNoStackDepth)
{
    // Copying, measuring, writing and freeing walk the chain without recursion.
    auto rec = std::make_unique<TBaseRecord>(0x1234, Bytes(1));
    TBaseRecord* last = rec.get();
    for (int i = 0; i < 200000; ++i) {
        auto c = std::make_unique<TContinueRecord>(xlr_CONTINUE, TBytes{});
        TContinueRecord* next = c.get();
        last->AddContinue(std::move(c));
        last = next;
    }
    auto copy = rec->CopyTo();
    EXPECT_EQ(copy->TotalSize(), 5 + 4 * 200000);
    EXPECT_EQ(copy->TotalSizeNoHeaders(), 1);
}

TEST(ReadAcross, ReadsAndSkipsAcrossTheChain)
{
    TBaseRecord rec(0x1234, TBytes{1, 2, 3});
    rec.AddContinue(std::make_unique<TContinueRecord>(xlr_CONTINUE, TBytes{4, 5}));
    const TBaseRecord* cur = &rec;
    std::size_t pos = 1;
    TBytes got(4);
    ReadAcross(cur, pos, 4, got.data());
    EXPECT_EQ(got, (TBytes{2, 3, 4, 5}));
    EXPECT_EQ(cur, rec.Continue());
    EXPECT_EQ(pos, 2u);

    cur = &rec;
    pos = 0;
    ReadAcross(cur, pos, 4, nullptr);  // skipped
    EXPECT_EQ(cur, rec.Continue());
    EXPECT_EQ(pos, 1u);

    cur = &rec;
    pos = 1;
    EXPECT_EQ(ErrorOf([&] { ReadAcross(cur, pos, 5, got.data()); }), "Error reading record");
    cur = &rec;
    pos = 4;
    EXPECT_EQ(ErrorOf([&] { ReadAcross(cur, pos, 0, nullptr); }), "Error reading record");
}

TEST(RecordWriters, SettingsRecordsFixInvalidValuesOnSave)
{
    struct Case {
        const char* What;
        std::uint16_t Id;
        TBytes Data;
        std::size_t Ofs;
        std::uint16_t Written;
    };
    TBytes window1(18, 0);
    SetWord(window1, 4, 0);
    SetWord(window1, 6, 0);
    TBytes colWidth(2, 0);
    SetWord(colWidth, 0, 300);
    TBytes colWidthOk(2, 0);
    SetWord(colWidthOk, 0, 255);
    const Case cases[] = {
        {"WINDOW1 width 0", 0x003D, window1, 4, 1},
        {"WINDOW1 height 0", 0x003D, window1, 6, 1},
        {"DEFCOLWIDTH 300", 0x0055, colWidth, 0, 255},
        {"DEFCOLWIDTH 255", 0x0055, colWidthOk, 0, 255},
    };
    for (const auto& c : cases) {
        auto rec = CreateRecord(c.Id, c.Data);
        TBytes out = Written([&](TOle2File& w) { rec->SaveToStream(w); });
        ASSERT_EQ(out.size(), 4 + c.Data.size()) << c.What;
        EXPECT_EQ(GetWord(out, 4 + c.Ofs), c.Written) << c.What;
    }
}

TEST(RecordCopies, Window2CopyIsNotSelectedGutsCopyKeepsItsFlag)
{
    TBytes w2(18, 0);
    SetWord(w2, 0, 0x06B6);
    TWindow2Record window(0x023E, w2);
    auto copy = CopyRecord(&window);
    EXPECT_EQ(copy->Options(), 0x00B6);
    EXPECT_EQ(window.Options(), 0x06B6);

    TGutsRecord guts(0x0080, TBytes(8, 0));
    guts.RecalcNeeded = true;
    EXPECT_TRUE(CopyRecord(&guts)->RecalcNeeded);
}

TEST(RowColRecords, ShiftsAreCheckedAgainstTheSheetLimits)
{
    TSheetInfo own;
    own.InsSheet = own.FormulaSheet = 2;
    TSheetInfo other;
    other.InsSheet = 2;
    other.FormulaSheet = 3;
    struct Case {
        std::uint16_t Row, Col;
        std::int32_t RowPos, RowCount, ColPos, ColCount;
        const TSheetInfo* Info;
        std::uint16_t ExpRow, ExpCol;
        std::string Error;
    };
    const Case cases[] = {
        {10, 5, 5, 3, 0, 2, &own, 13, 7, ""},
        {10, 5, 11, 3, 6, 2, &own, 10, 5, ""},  // before the insertion points
        {10, 5, 5, 3, 0, 2, &other, 10, 5, ""},  // another sheet's cells
        {10, 5, 5, -3, 0, 0, &own, 7, 5, ""},
        {65534, 0, 0, 2, 0, 0, &own, 0, 0, "Too many entries for this kind of record (65536 out of a maximum of 65535)"},
        {2, 0, 0, -3, 0, 0, &own, 0, 0, "Too many entries for this kind of record (-1 out of a maximum of 65535)"},
        {0, 255, 0, 0, 0, 1, &own, 0, 0, "Too many entries for this kind of record (256 out of a maximum of 255)"},
    };
    for (const auto& c : cases) {
        TBlankRecord cell(xlr_BLANK, CellData(6, c.Row, c.Col));
        std::string error = ErrorOf([&] { cell.ArrangeInsertRowsAndCols(c.RowPos, c.RowCount, c.ColPos, c.ColCount, *c.Info); });
        if (!c.Error.empty()) {
            EXPECT_EQ(error, c.Error);
            continue;
        }
        EXPECT_EQ(error, "(no error)");
        EXPECT_EQ(cell.Row(), c.ExpRow);
        EXPECT_EQ(cell.Column(), c.ExpCol);
    }
    TBlankRecord cell(xlr_BLANK, CellData(6, 1, 1));
    cell.ArrangeCopyRowsAndCols(-2, 3);  // 16-bit wrap-around, no check
    EXPECT_EQ(cell.Row(), 65535);
    EXPECT_EQ(cell.Column(), 4);
}

TEST(OtherRecords, RowRecordFields)
{
    TBytes d(16, 0);
    SetWord(d, 0, 7);
    SetWord(d, 8, 0xABCD);
    SetWord(d, 12, 0x0180);
    SetWord(d, 14, 0xF02A);
    TRowRecord row(0x0208, d);
    EXPECT_EQ(GetWord(row.Data(), 8), 0);  // cleared on load
    EXPECT_EQ(row.Row(), 7);
    EXPECT_EQ(row.XF(), 0x02A);
    EXPECT_TRUE(row.IsModified());

    auto standard = TRowRecord::CreateStandard(4);
    EXPECT_EQ(standard->Row(), 4);
    EXPECT_EQ(standard->MinCol(), 0);
    EXPECT_EQ(standard->MaxCol(), 0);
    EXPECT_EQ(standard->Height(), 255);
    EXPECT_EQ(standard->Options(), 0x0100);
    EXPECT_EQ(standard->XF(), 15);
    EXPECT_FALSE(standard->IsModified());
    EXPECT_TRUE(standard->IsAutoHeight());
    standard->SetXF(20);
    EXPECT_EQ(standard->Options(), 0x0180);
    EXPECT_EQ(standard->XF(), 20);
    EXPECT_TRUE(standard->IsModified());
}

TEST(OtherRecords, BoundSheetNameAndVisibility)
{
    auto sheet = TBoundSheetRecord::CreateNew(0x0001, u"Übersicht");
    EXPECT_EQ(sheet->DataSize(), 6 + 2 + 9);  // 8-bit name
    EXPECT_EQ(sheet->SheetName(), u"Übersicht");
    EXPECT_EQ(sheet->Visible(), TXlsSheetVisible::sv_Hidden);
    sheet->SetOffset(0x12345);
    sheet->SetSheetName(u"数据");
    EXPECT_EQ(sheet->DataSize(), 6 + 2 + 4);
    EXPECT_EQ(sheet->SheetName(), u"数据");
    EXPECT_EQ(sheet->Offset(), 0x12345u);
    sheet->SetVisible(TXlsSheetVisible::sv_VeryHidden);
    EXPECT_EQ(sheet->OptionFlags(), 0x0002);
    EXPECT_EQ(ErrorOf([&] { sheet->SetSheetName(std::u16string(256, u'x')); }), "Invalid String record");
    EXPECT_EQ(sheet->SheetName(), u"数据");
}

TEST(OtherRecords, GutsLevelsAndObjectIds)
{
    TGutsRecord guts(0x0080, TBytes(8, 0));
    struct Case {
        std::int32_t Level;
        std::uint16_t Gutter, Count;
    };
    for (const Case c : {Case{0, 0, 0}, Case{1, 41, 2}, Case{7, 113, 8}, Case{9, 113, 8}}) {
        guts.SetRowLevel(c.Level);
        EXPECT_EQ(GetWord(guts.Data(), 0), c.Gutter);
        EXPECT_EQ(GetWord(guts.Data(), 4), c.Count);
    }
    guts.SetColLevel(2);
    EXPECT_EQ(GetWord(guts.Data(), 2), 53);
    EXPECT_EQ(guts.ColLevel(), 2);

    TBytes obj(30, 0);
    SetWord(obj, 0, 0x15);
    SetWord(obj, 4, 0x19);
    TObjRecord comment(0x005D, obj);
    EXPECT_EQ(comment.ObjId(), 0x15);
    EXPECT_EQ(comment.CmoId(), 0x19);
    SetWord(obj, 0, 0x0C);
    EXPECT_EQ(TObjRecord(0x005D, obj).CmoId(), 0);

    auto txo = TTXORecord::CreateFromData();
    EXPECT_EQ(txo->Id(), 0x01B6);
    EXPECT_EQ(txo->DataSize(), 18);
    EXPECT_EQ(GetWord(txo->Data(), 0), 0x0212);
}
