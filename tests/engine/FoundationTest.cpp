#include <gtest/gtest.h>

#include "base/UXlsBytes.h"
#include "base/UXlsExceptions.h"
#include "base/UXlsMessages.h"
#include "base/UXlsStreams.h"
#include "base/UXlsUnicode.h"
#include "base/UXlsVariant.h"

using namespace xls;

TEST(MessageFormat, FillsPlaceholders)
{
    struct Case {
        std::string_view Format;
        std::initializer_list<TMsgArg> Args;
        std::string Expected;
    };
    const Case cases[] = {
        {"Record with ID 0x%x is invalid", {std::int64_t(0x201)}, "Record with ID 0x201 is invalid"},
        {"Token Id: 0x%2x", {std::int64_t(0x5)}, "Token Id: 0x 5"},
        {"Token Id: 0x%2x", {std::int64_t(0x3A)}, "Token Id: 0x3A"},
        {"(%d out of a maximum of %d)", {std::int64_t(-1), std::int64_t(65535)}, "(-1 out of a maximum of 65535)"},
        {R"(The file "%s" is invalid)", {}, R"(The file "" is invalid)"},
        {"%s and %s", {std::string("a"), std::int64_t(7)}, "a and 7"},
        {"100%% %d", {std::int64_t(3)}, "100% 3"},
        {"trailing %", {}, "trailing %"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatText(c.Format, c.Args), c.Expected) << c.Format;
}

TEST(MessageFormat, TableTextsAreVerbatim)
{
    EXPECT_EQ(FormatMessage(TXlsMsg::TooManyEntries, {std::int64_t(65536), std::int64_t(65535)}),
              "Too many entries for this kind of record (65536 out of a maximum of 65535)");
    EXPECT_EQ(FormatMessage(TXlsMsg::OleStreamInvalid, {std::string("Workbook")}),
              R"(Invalid OLE Stream operation on stream: "Workbook")");
    EXPECT_EQ(FormatMessage(TXlsMsg::SheetNumberInvalid, {std::int64_t(5), std::int64_t(0), std::int64_t(2)}),
              R"(Sheet number "5" invalid. Must be between 0 and 2)");
}

// The place follows the message, in a fixed order; each part is filled in
// once, by the first layer that knows it (the one nearest to the fault).
TEST(ErrorPlace, FollowsTheMessageAndIsFilledInOnce)
{
    EXlsException e(TXlsMsg::ErrorReadingRecord);
    EXPECT_STREQ(e.what(), "Error reading record");
    e.SetSheet(2, "Daten");
    e.SetRecord("FORMAT", 0x041E, 432);
    e.SetStream("Workbook");
    e.SetFile("a.xls");
    e.SetRecord("BOF", 0x0809, 0);
    e.SetSheet(0, "");
    e.SetFile("b.xls");
    EXPECT_STREQ(e.what(),
                 R"(Error reading record (file "a.xls", stream "Workbook", record FORMAT (0x041E) at offset 432, sheet 2 "Daten"))");
    EXPECT_EQ(e.Text(false), R"(Error reading record (stream "Workbook", record FORMAT (0x041E) at offset 432, sheet 2 "Daten"))");
    EXPECT_EQ(e.Message(), "Error reading record");

    // The end of the stream is a place of its own: the record around it does not replace it.
    EXlsException end(TXlsMsg::SectionWithoutEOF);
    end.SetOffset(84);
    end.SetRecord("OBJ", 0x005D, 60);
    end.SetSheet(0, "");
    EXPECT_STREQ(end.what(), "Error reading Excel records. A section has no EOF record (offset 84, workbook globals)");

    // A message with a place for the file's name gets it there, and only there.
    EXlsException invalid(TXlsMsg::FileInvalid);
    EXPECT_STREQ(invalid.what(), R"(The file "" is invalid)");
    invalid.SetFile("c.xls");
    invalid.SetSector(2, 1536);
    EXPECT_STREQ(invalid.what(), R"(The file "c.xls" is invalid (sector 2 at file offset 1536))");
}

TEST(LittleEndian, ReadsAndWritesFields)
{
    TBytes b(12, 0);
    SetWord(b, 0, 0x1234);
    SetCardinal(b, 2, 0xA1B2C3D4);
    SetDouble(b, 4, 1.5);  // overwrites the upper half of the cardinal on purpose
    EXPECT_EQ(b[0], 0x34);
    EXPECT_EQ(b[1], 0x12);
    EXPECT_EQ(GetWord(b, 0), 0x1234);
    EXPECT_EQ(GetWord(b, 2), 0xC3D4);
    EXPECT_EQ(GetDouble(b, 4), 1.5);
    EXPECT_EQ(GetInteger(TBytes{0xFF, 0xFF, 0xFF, 0xFF}, 0), -1);
}

TEST(LittleEndian, RefusesFieldsOutsideTheBuffer)
{
    TBytes b(4, 0);
    EXPECT_NO_THROW(GetCardinal(b, 0));
    EXPECT_THROW(GetCardinal(b, 1), EXlsException);
    EXPECT_THROW(GetWord(b, 3), EXlsException);
    EXPECT_THROW(GetByte(b, 4), EXlsException);
    EXPECT_THROW(GetWord(b, SIZE_MAX), EXlsException);
    EXPECT_THROW(SetWord(b, 3, 1), EXlsException);
    try {
        GetDouble(b, 0);
        FAIL();
    } catch (const EXlsException& e) {
        EXPECT_STREQ(e.what(), "Error reading record");
    }
}

TEST(CheckedShift, MovesWithinRangeAndRefusesOutside)
{
    TBytes b{10, 0, 250};
    IncWord(b, 0, -10, 65535);
    EXPECT_EQ(GetWord(b, 0), 0);
    IncByte(b, 2, 5, 255);
    EXPECT_EQ(b[2], 255);
    try {
        IncWord(b, 0, -1, 65535);
        FAIL();
    } catch (const EXlsException& e) {
        EXPECT_STREQ(e.what(), "Too many entries for this kind of record (-1 out of a maximum of 65535)");
    }
    EXPECT_THROW(IncByte(b, 2, 1, 255), EXlsException);
    SetWord(b, 0, 65535);
    EXPECT_THROW(IncWord(b, 0, 1, 65535), EXlsException);
    EXPECT_EQ(GetWord(b, 0), 65535) << "a refused shift leaves the field unchanged";
}

TEST(MemoryStream, ReadsWritesAndSeeks)
{
    TMemoryStream s;
    s.Write("abcdef", 6);
    EXPECT_EQ(s.Size(), 6);
    s.SetPosition(2);
    char buf[8] = {};
    EXPECT_EQ(s.Read(buf, 8), 4u);
    EXPECT_STREQ(buf, "cdef");
    s.SetPosition(4);
    EXPECT_THROW(s.ReadBuffer(buf, 3), EXlsException);
    s.Seek(8, TSeekOrigin::Begin);
    s.Write("z", 1);
    EXPECT_EQ(s.Size(), 9) << "writing behind the end fills the gap";
}

TEST(Variant, ConvertsToDoubleAndText)
{
    EXPECT_EQ(VarToDouble(TXlsVariant{std::int32_t(-7)}), -7.0);
    EXPECT_EQ(VarToDouble(TXlsVariant{TVarCurrency{125000}}), 12.5);
    EXPECT_EQ(VarToDouble(TXlsVariant{TVarDate{45000.5}}), 45000.5);
    EXPECT_EQ(VarToDouble(TXlsVariant{true}), 1.0);
    EXPECT_EQ(VarToDouble(TXlsVariant{TXlsString(u"2.5e3")}), 2500.0);
    EXPECT_THROW(VarToDouble(TXlsVariant{TXlsString(u"12x")}), EXlsException);
    EXPECT_THROW(VarToDouble(TXlsVariant{TVarError{5}}), EXlsException);
    EXPECT_EQ(VarToText(TXlsVariant{4022250974.0}), u"4022250974");
    EXPECT_EQ(VarToText(TXlsVariant{0.1}), u"0.1");
    EXPECT_EQ(VarToText(TXlsVariant{TVarNull{}}), u"");
    EXPECT_TRUE(VarIsNumeric(TXlsVariant{std::uint64_t(1)}));
    EXPECT_FALSE(VarIsNumeric(TXlsVariant{false}));
}

TEST(Unicode, RoundTripsAndReplacesInvalidInput)
{
    const std::string text = "Bl\xC3\xA4tt1 \xD0\x96 \xF0\x9F\x98\x80";  // Blätt1 Ж and an emoji
    std::u16string wide = Utf8ToUtf16(text);
    EXPECT_EQ(wide, u"Bl\u00E4tt1 \u0416 \U0001F600");
    EXPECT_EQ(Utf16ToUtf8(wide), text);
    EXPECT_EQ(Utf8ToUtf16("a\xFF" "b\xC3"), u"a\uFFFDb\uFFFD");
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
    EXPECT_TRUE(AsciiSameText(u"WORKBOOK", u"Workbook"));
    EXPECT_FALSE(AsciiSameText(u"\u00C4", u"\u00E4")) << "only A-Z fold";
    EXPECT_EQ(AsciiUpperCase(u"data\u00E4"), u"DATA\u00E4");
}
