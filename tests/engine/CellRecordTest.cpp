// Value cells: RK encoding, BOOLERR values, NUMBER, and the split of MULRK
// and MULBLANK records.
#include <gtest/gtest.h>

#include "RecordTestSupport.h"
#include "worksheet/UXlsCellRecords.h"

using namespace rectest;

TEST(RKCodes, EncodesInTheFirstFormThatFits)
{
    struct Case {
        double Value;
        std::uint32_t Code;
    };
    const Case cases[] = {
        {1.0, 0x3FF00000},       {0.01, 0x3FF00001},       {1.23, 0x405EC001},
        {1234567, 0x004B5A1E},   {-1234567, 0xFFB4A5E6},   {536870911, 0x7FFFFFFE},
        {536870912, 0x41C00000}, {0.0, 0x00000000},        {-536870912, 0xC1C00000},
        {123, 0x405EC000},       {-1, 0xBFF00000},         {1e6 + 0.5, 0x17D784CB},
    };
    for (const auto& c : cases) {
        std::uint32_t code = 0;
        ASSERT_TRUE(EncodeRK(c.Value, code)) << c.Value;
        EXPECT_EQ(code, c.Code) << c.Value;
        EXPECT_TRUE(IsRKValue(c.Value));
        EXPECT_EQ(DecodeRK(code), c.Value) << c.Value;
    }
    for (double x : {3735928559.0, 1e-300, 12345678.9, 0.1234567}) {
        std::uint32_t code = 0xDEADBEEF;
        EXPECT_FALSE(EncodeRK(x, code)) << x;
        EXPECT_FALSE(IsRKValue(x)) << x;
    }
}

TEST(RKCodes, Decodes)
{
    EXPECT_EQ(DecodeRK(0x00000003), 0.0);
    EXPECT_EQ(DecodeRK(0xFFFFFFFE), -1.0);
    EXPECT_EQ(DecodeRK(0x00000006), 1.0);
    EXPECT_EQ(DecodeRK(0x00000007), 0.01);
    EXPECT_EQ(DecodeRK(0x405EC001), 1.23);
}

TEST(CellRecords, NewCellsAreZeroAndTakeValues)
{
    auto number = TNumberRecord::CreateFromData(3, 4, 21);
    EXPECT_EQ(number->DataSize(), 14);
    EXPECT_EQ(number->Row(), 3);
    EXPECT_EQ(number->Column(), 4);
    EXPECT_EQ(number->XF(), 21);
    EXPECT_EQ(number->GetValue(), TXlsVariant(0.0));
    number->SetValue(std::int32_t(42));
    EXPECT_EQ(number->GetValue(), TXlsVariant(42.0));

    auto rk = TRKRecord::CreateFromData(0, 1, 15);
    EXPECT_EQ(rk->DataSize(), 10);
    rk->SetValue(1.23);
    EXPECT_EQ(GetCardinal(rk->Data(), 6), 0x405EC001u);
    EXPECT_EQ(rk->GetValue(), TXlsVariant(1.23));
    EXPECT_EQ(ErrorOf([&] { rk->SetValue(1e-300); }), R"(Invalid cell value: "1e-300")");
    EXPECT_EQ(rk->GetValue(), TXlsVariant(1.23));  // unchanged

    auto blank = TBlankRecord::CreateFromData(0, 1, 15);
    EXPECT_EQ(blank->DataSize(), 6);
    blank->SetValue(5.0);
    EXPECT_TRUE(VarIsEmpty(blank->GetValue()));
}

TEST(CellRecords, BoolErrValues)
{
    auto cell = TBoolErrRecord::CreateFromData(0, 0, 15);
    EXPECT_EQ(cell->GetValue(), TXlsVariant(false));

    struct Read {
        std::uint8_t Value, Kind;
        TXlsVariant Expected;
    };
    const Read reads[] = {
        {1, 0, true}, {0, 0, false}, {2, 0, true}, {0x2A, 1, TXlsString(u"#N/A")}, {0x07, 1, TXlsString(u"#DIV/0!")},
        {0x99, 1, TXlsString(u"#NULL!")}, {0x1D, 5, TXlsString(u"#NAME?")},
    };
    for (const auto& r : reads) {
        SetByte(cell->Data(), 6, r.Value);
        SetByte(cell->Data(), 7, r.Kind);
        EXPECT_EQ(cell->GetValue(), r.Expected) << int(r.Value) << "/" << int(r.Kind);
    }

    cell->SetValue(true);
    EXPECT_EQ(GetByte(cell->Data(), 6), 1);
    EXPECT_EQ(GetByte(cell->Data(), 7), 0);
    cell->SetValue(TXlsString(u"#REF!"));
    EXPECT_EQ(GetByte(cell->Data(), 6), 0x17);
    EXPECT_EQ(GetByte(cell->Data(), 7), 1);

    EXPECT_EQ(ErrorOf([&] { cell->SetValue(TXlsString(u"#ref!")); }), R"(Invalid cell error code: "#ref!")");
    EXPECT_EQ(ErrorOf([&] { cell->SetValue(TVarNull{}); }), R"(Invalid cell value: "")");
    EXPECT_EQ(ErrorOf([&] { cell->SetValue(3.5); }), R"(Invalid cell value: "3.5")");
    EXPECT_EQ(cell->GetValue(), TXlsVariant(TXlsString(u"#REF!")));
}

namespace {

TBytes MulRK(std::uint16_t aRow, std::uint16_t aFirstCol, std::initializer_list<std::pair<std::uint16_t, std::uint32_t>> aCells)
{
    TBytes d;
    AppendWord(d, aRow);
    AppendWord(d, aFirstCol);
    for (auto [xf, rk] : aCells) {
        AppendWord(d, xf);
        AppendCardinal(d, rk);
    }
    AppendWord(d, static_cast<std::uint16_t>(aFirstCol + aCells.size() - 1));
    return d;
}

}  // namespace

TEST(MultipleRecords, MulRKSplitsIntoRKCells)
{
    TMulRKRecord mul(xlr_MULRK, MulRK(7, 2, {{15, 0x3FF00000}, {16, 0x00000006}, {17, 0x405EC001}}));
    std::vector<std::unique_ptr<TCellRecord>> cells;
    while (!mul.Eof()) cells.push_back(mul.ExtractOneRecord());
    ASSERT_EQ(cells.size(), 3u);
    const double values[] = {1.0, 1.0, 1.23};
    for (std::size_t i = 0; i < 3; ++i) {
        ASSERT_EQ(typeid(*cells[i]), typeid(TRKRecord));
        EXPECT_EQ(cells[i]->Id(), xlr_RK);
        EXPECT_EQ(cells[i]->DataSize(), 10);
        EXPECT_EQ(cells[i]->Row(), 7);
        EXPECT_EQ(cells[i]->Column(), 2 + i);
        EXPECT_EQ(cells[i]->XF(), 15 + i);
        EXPECT_EQ(cells[i]->GetValue(), TXlsVariant(values[i]));
    }
    EXPECT_EQ(ErrorOf([&] { mul.ExtractOneRecord(); }), "Error reading record");

    for (std::size_t size : {4u, 6u, 9u}) {
        TMulRKRecord tooShort(xlr_MULRK, TBytes(size, 0));
        EXPECT_TRUE(tooShort.Eof()) << size;
    }
}

TEST(MultipleRecords, MulBlankSplitsIntoBlankCells)
{
    TBytes d;
    AppendWord(d, 3);
    AppendWord(d, 10);
    for (int xf = 20; xf <= 23; ++xf) AppendWord(d, static_cast<std::uint16_t>(xf));
    AppendWord(d, 13);
    TMulBlankRecord mul(xlr_MULBLANK, d);
    std::vector<std::unique_ptr<TCellRecord>> cells;
    while (!mul.Eof()) cells.push_back(mul.ExtractOneRecord());
    ASSERT_EQ(cells.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        ASSERT_EQ(typeid(*cells[i]), typeid(TBlankRecord));
        EXPECT_EQ(cells[i]->DataSize(), 6);
        EXPECT_EQ(cells[i]->Row(), 3);
        EXPECT_EQ(cells[i]->Column(), 10 + i);
        EXPECT_EQ(cells[i]->XF(), 20 + i);
    }
    TMulBlankRecord empty(xlr_MULBLANK, TBytes(6, 0));
    EXPECT_TRUE(empty.Eof());
}
