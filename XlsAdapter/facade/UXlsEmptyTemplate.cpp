// Assembles the empty workbook from readable record tables and wraps it in a
// minimal compound document. Nothing here is read from elsewhere: every byte
// comes from the tables below.
#include "facade/UXlsEmptyTemplate.h"

#include <algorithm>
#include <array>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/UXlsUnicode.h"
#include "cfb/UOle2Impl.h"
#include "worksheet/UXlsSheet.h"

namespace xls {
namespace {

// Every stream is exactly the mini stream cutoff long, so all of them live in
// regular sectors and the file needs neither a mini stream nor a mini FAT.
constexpr std::uint32_t kStreamSize = TOle2Header::MiniSectorCutoff;

[[noreturn]] void RaiseBuildError() { RaiseXls(TXlsMsg::LogicalError); }

void PadTo(TBytes& bytes, std::size_t size)
{
    if (bytes.size() > size) RaiseBuildError();
    bytes.resize(size, 0);
}

// ---------------------------------------------------------------------------
// BIFF8 records

std::size_t RecordsSize(const TRecordTable& table)
{
    std::size_t size = 0;
    for (const auto& r : table) size += 4 + r.Data.size();
    return size;
}

// Stream offset of the first record with this id, relative to the table's start.
std::size_t OffsetOf(const TRecordTable& table, std::uint16_t id)
{
    std::size_t ofs = 0;
    for (const auto& r : table) {
        if (r.Id == id) return ofs;
        ofs += 4 + r.Data.size();
    }
    RaiseBuildError();
}

TBytes& DataOf(TRecordTable& table, std::uint16_t id)
{
    auto it = std::find_if(table.begin(), table.end(), [id](const TRecordRow& r) { return r.Id == id; });
    if (it == table.end()) RaiseBuildError();
    return it->Data;
}

// XLUnicodeString with 8-bit characters: 16-bit length, flags 0, the characters.
TBytes EightBitString(std::string_view s)
{
    TBytes d;
    AppendWord(d, static_cast<std::uint16_t>(s.size()));
    AppendByte(d, 0);
    d.insert(d.end(), s.begin(), s.end());
    return d;
}

// WRITEACCESS: the user name, padded with blanks to the 112 bytes BIFF8 reserves for it.
TBytes WriteAccess(std::string_view user)
{
    TBytes d = EightBitString(user);
    d.resize(112, ' ');
    return d;
}

// FONT: 10 points (200 twips), regular, automatic colour; the name as UTF-16.
TBytes FontArial10()
{
    // height, attributes, colour 0x7FFF, weight 400, no escapement or underline,
    // default family and character set, reserved
    TBytes d = BytesFromHex("C8 00 00 00 FF 7F 90 01 00 00 00 00 00 00");
    const std::u16string name = u"Arial";
    AppendByte(d, static_cast<std::uint8_t>(name.size()));
    AppendByte(d, 1);  // 16-bit characters
    for (char16_t c : name) AppendWord(d, c);
    return d;
}

TBytes Format(std::uint16_t id, std::string_view code)
{
    TBytes d;
    AppendWord(d, id);
    TBytes text = EightBitString(code);
    d.insert(d.end(), text.begin(), text.end());
    return d;
}

// The currency and accounting formats, with "$U" before the amount and the
// minus sign after the currency, the way a workbook made in Uruguay (the
// COUNTRY record says 598) carries them.
constexpr std::array<std::pair<std::uint16_t, std::string_view>, 8> kFormats{{
    {5, R"("$U"\ #,##0;"$U"\ \-#,##0)"},
    {6, R"("$U"\ #,##0;[Red]"$U"\ \-#,##0)"},
    {7, R"("$U"\ #,##0.00;"$U"\ \-#,##0.00)"},
    {8, R"("$U"\ #,##0.00;[Red]"$U"\ \-#,##0.00)"},
    {42, R"(_ "$U"\ * #,##0_ ;_ "$U"\ * \-#,##0_ ;_ "$U"\ * "-"_ ;_ @_ )"},
    {41, R"(_ * #,##0_ ;_ * \-#,##0_ ;_ * "-"_ ;_ @_ )"},
    {44, R"(_ "$U"\ * #,##0.00_ ;_ "$U"\ * \-#,##0.00_ ;_ "$U"\ * "-"??_ ;_ @_ )"},
    {43, R"(_ * #,##0.00_ ;_ * \-#,##0.00_ ;_ * "-"??_ ;_ @_ )"},
}};

struct TXfRow {
    std::uint16_t Font;
    std::uint16_t Format;
    std::uint16_t TypeProt;     // locked, style flag, parent XF (0xFFF for a style XF)
    std::uint8_t UsedAttribs;   // in a style XF a set bit leaves that attribute out of the style
};

constexpr std::uint16_t kStyleXf = 0xFFF5;  // locked, style, no parent
constexpr std::uint16_t kCellXf = 0x0001;   // locked, cell XF of the Normal style

constexpr std::array<TXfRow, 21> kXfs{{
    {0, 0, kStyleXf, 0x00},  //  0 Normal
    {1, 0, kStyleXf, 0xF4},  //  1-14: the usual outline-level styles, font only
    {1, 0, kStyleXf, 0xF4},
    {2, 0, kStyleXf, 0xF4},
    {2, 0, kStyleXf, 0xF4},
    {0, 0, kStyleXf, 0xF4},
    {0, 0, kStyleXf, 0xF4},
    {0, 0, kStyleXf, 0xF4},
    {0, 0, kStyleXf, 0xF4},
    {0, 0, kStyleXf, 0xF4},
    {0, 0, kStyleXf, 0xF4},
    {0, 0, kStyleXf, 0xF4},
    {0, 0, kStyleXf, 0xF4},
    {0, 0, kStyleXf, 0xF4},
    {0, 0, kStyleXf, 0xF4},
    {0, 0, kCellXf, 0x00},   // 15 default cell format
    {1, 43, kStyleXf, 0xF8}, // 16 Comma: number format only
    {1, 41, kStyleXf, 0xF8}, // 17 Comma [0]
    {1, 44, kStyleXf, 0xF8}, // 18 Currency
    {1, 42, kStyleXf, 0xF8}, // 19 Currency [0]
    {1, 9, kStyleXf, 0xF8},  // 20 Percent
}};

TBytes Xf(const TXfRow& xf)
{
    TBytes d;
    AppendWord(d, xf.Font);
    AppendWord(d, xf.Format);
    AppendWord(d, xf.TypeProt);
    AppendByte(d, 0x20);  // general horizontal, bottom vertical alignment, no wrap
    AppendByte(d, 0);     // no rotation
    AppendByte(d, 0);     // no indent or shrink, context reading order
    AppendByte(d, xf.UsedAttribs);
    AppendCardinal(d, 0);   // no borders
    AppendCardinal(d, 0);   // no border colours, no fill pattern
    AppendWord(d, 0x20C0);  // pattern colours 64 and 65: system foreground and background
    return d;
}

// BOUNDSHEET: visible worksheet; its stream offset is filled in once the globals' size is known.
TBytes BoundSheet(std::string_view name)
{
    TBytes d(6, 0);  // stream offset, visible, worksheet
    AppendByte(d, static_cast<std::uint8_t>(name.size()));
    AppendByte(d, 0);  // 8-bit characters
    d.insert(d.end(), name.begin(), name.end());
    return d;
}

TRecordTable GlobalsRecords()
{
    TRecordTable t{
        {xlr_BOF, BytesFromHex("00 06 05 00 38 13 CD 07 C1 C0 00 00 06 03 00 00")},  // BOF: BIFF8 workbook globals
        {xlr_INTERFACEHDR, BytesFromHex("B0 04")},        // INTERFACEHDR: code page 1200
        {xlr_MMS, BytesFromHex("00 00")},        // MMS: no menu changes
        {xlr_INTERFACEEND, {}},                  // INTERFACEEND
        {xlr_WRITEACCESS, WriteAccess("User")}, // WRITEACCESS
        {xlr_CODEPAGE, BytesFromHex("B0 04")},        // CODEPAGE: 1200 (UTF-16)
        {xlr_DSF, BytesFromHex("00 00")},        // DSF: single stream
        {xlr_EXCEL9FILE, {}},                  // EXCEL9FILE
        {xlr_TABID, BytesFromHex("01 00")},        // TABID: the sheet's tab id
        {xlr_FNGROUPCOUNT, BytesFromHex("0E 00")},        // FNGROUPCOUNT: the 14 built-in function groups
        {xlr_WINDOWPROTECT, BytesFromHex("00 00")},        // WINDOWPROTECT: off
        {xlr_PROTECT, BytesFromHex("00 00")},        // PROTECT: off
        {xlr_PASSWORD, BytesFromHex("00 00")},        // PASSWORD: none
        {xlr_PROT4REV, BytesFromHex("00 00")},        // PROT4REV: off
        {xlr_PROT4REVPASS, BytesFromHex("00 00")},        // PROT4REVPASS: none
        // WINDOW1: x 360, y 270, width 14940, height 9150 twips; scroll bars and tabs shown;
        // first sheet active and first tab shown; one tab selected; tab bar 60% of the width.
        {xlr_WINDOW1, BytesFromHex("68 01 0E 01 5C 3A BE 23 38 00 00 00 00 00 01 00 58 02")},
        {xlr_BACKUP, BytesFromHex("00 00")},        // BACKUP: off
        {xlr_HIDEOBJ, BytesFromHex("00 00")},        // HIDEOBJ: show objects
        {xlr_DATEMODE, BytesFromHex("00 00")},        // DATEMODE: 1900 date system
        {xlr_PRECISION, BytesFromHex("01 00")},        // PRECISION: full precision
        {xlr_REFRESHALL, BytesFromHex("00 00")},        // REFRESHALL: off
        {xlr_BOOKBOOL, BytesFromHex("00 00")},        // BOOKBOOL: save external link values
    };
    for (int i = 0; i < 4; ++i) t.push_back({xlr_FONT, FontArial10()});  // FONT 0-3
    for (const auto& [id, code] : kFormats) t.push_back({xlr_FORMAT, Format(id, code)});
    for (const auto& xf : kXfs) t.push_back({xlr_XF, Xf(xf)});
    t.insert(t.end(), {
        {xlr_STYLE, BytesFromHex("10 80 03 FF")},  // STYLE: XF 16 is built-in Comma
        {xlr_STYLE, BytesFromHex("11 80 06 FF")},  // STYLE: XF 17 is built-in Comma [0]
        {xlr_STYLE, BytesFromHex("12 80 04 FF")},  // STYLE: XF 18 is built-in Currency
        {xlr_STYLE, BytesFromHex("13 80 07 FF")},  // STYLE: XF 19 is built-in Currency [0]
        {xlr_STYLE, BytesFromHex("00 80 00 FF")},  // STYLE: XF 0 is built-in Normal
        {xlr_STYLE, BytesFromHex("14 80 05 FF")},  // STYLE: XF 20 is built-in Percent
        {xlr_USESELFS, BytesFromHex("01 00")},        // USESELFS: natural language formulas
        {xlr_BOUNDSHEET, BoundSheet("Sheet1")},
        {xlr_COUNTRY, BytesFromHex("01 00 56 02")},  // COUNTRY: 1 (United States) and 598 (Uruguay)
        // RECALCID: a low calculation engine build, so that a reader recalculates on load
        {xlr_RECALCID, BytesFromHex("C1 01 00 00 01 00 00 00")},
        {xlr_SST, BytesFromHex("00 00 00 00 00 00 00 00")},  // SST: no strings
        {xlr_EXTSST, BytesFromHex("08 00")},                    // EXTSST: 8 strings per bucket, no buckets
        // BOOKEXT: future record header, record size 21, no flags set
        {xlr_BOOKEXT, BytesFromHex("63 08 00 00 00 00 00 00 00 00 00 00 15 00 00 00 00 00 00 00 00")},
        {xlr_EOF, {}},  // EOF
    });
    return t;
}

// Globals and sheet, with the two fields that hold stream positions filled in.
TBytes WorkbookStream()
{
    TRecordTable globals = GlobalsRecords();
    TRecordTable sheet = TWorkSheet::EmptySheetRecords();
    const std::size_t sheetStart = RecordsSize(globals);
    SetCardinal(DataOf(globals, xlr_BOUNDSHEET), 0, static_cast<std::uint32_t>(sheetStart));
    SetCardinal(DataOf(sheet, xlr_INDEX), 12, static_cast<std::uint32_t>(sheetStart + OffsetOf(sheet, xlr_DEFCOLWIDTH)));

    TBytes stream;
    AppendRecords(stream, globals);
    AppendRecords(stream, sheet);
    PadTo(stream, kStreamSize);
    return stream;
}

// ---------------------------------------------------------------------------
// Property set streams: one section holding only the code page (1200, UTF-16).

TBytes PropertySetStream(const TBytes& formatId)
{
    TBytes s;
    AppendWord(s, 0xFFFE);          // byte order
    AppendWord(s, 0);               // version
    AppendCardinal(s, 0x00020005);  // system identifier: Windows
    s.resize(s.size() + 16, 0);     // class id: none
    AppendCardinal(s, 1);           // one section
    s.insert(s.end(), formatId.begin(), formatId.end());
    AppendCardinal(s, static_cast<std::uint32_t>(s.size() + 4));  // the section follows at once
    AppendCardinal(s, 24);  // section size: 8 bytes header, one id/offset pair, one 8-byte value
    AppendCardinal(s, 1);   // one property
    AppendCardinal(s, 1);   // property id 1: code page
    AppendCardinal(s, 16);  // its value's offset in the section
    AppendWord(s, 0x0002);  // VT_I2
    AppendWord(s, 0);
    AppendWord(s, 1200);
    AppendWord(s, 0);  // padding to 4 bytes
    PadTo(s, kStreamSize);
    return s;
}

TBytes BuildEmptyWorkbook()
{
    const TNewStream streams[] = {
        {u"Workbook", WorkbookStream()},
        // format ids {F29F85E0-4FF9-1068-AB91-08002B27B3D9} and {D5CDD502-2E9C-101B-9397-08002B2CF9AE}
        {u"\x05" u"SummaryInformation", PropertySetStream(BytesFromHex("E0 85 9F F2 F9 4F 68 10 AB 91 08 00 2B 27 B3 D9"))},
        {u"\x05" u"DocumentSummaryInformation",
         PropertySetStream(BytesFromHex("02 D5 CD D5 9C 2E 1B 10 93 97 08 00 2B 2C F9 AE"))},
    };
    // the class id of an Excel 97-2003 workbook
    return BuildCompoundFile(streams, BytesFromHex("20 08 02 00 00 00 00 00 C0 00 00 00 00 00 00 46"));
}

}  // namespace

const TBytes& EmptyWorkbookTemplate()
{
    static const TBytes bytes = BuildEmptyWorkbook();
    return bytes;
}

}  // namespace xls
