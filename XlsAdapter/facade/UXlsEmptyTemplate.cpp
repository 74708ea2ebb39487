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

namespace xls {
namespace {

constexpr std::size_t kSectorSize = 512;
// Every stream is exactly the mini stream cutoff long, so all of them live in
// regular sectors and the file needs neither a mini stream nor a mini FAT.
constexpr std::uint32_t kStreamSize = 4096;

[[noreturn]] void RaiseBuildError() { RaiseXls(TXlsMsg::LogicalError); }

std::uint8_t HexDigit(char c)
{
    if (c >= '0' && c <= '9') return static_cast<std::uint8_t>(c - '0');
    if (c >= 'A' && c <= 'F') return static_cast<std::uint8_t>(c - 'A' + 10);
    RaiseBuildError();
}

// "00 06 10 00" -> {0x00, 0x06, 0x10, 0x00}
TBytes Hex(std::string_view text)
{
    TBytes out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == ' ') continue;
        if (i + 1 >= text.size()) RaiseBuildError();
        out.push_back(static_cast<std::uint8_t>(HexDigit(text[i]) << 4 | HexDigit(text[i + 1])));
        ++i;
    }
    return out;
}

void PadTo(TBytes& bytes, std::size_t size)
{
    if (bytes.size() > size) RaiseBuildError();
    bytes.resize(size, 0);
}

// ---------------------------------------------------------------------------
// BIFF8 records

struct TRecordRow {
    std::uint16_t Id;
    TBytes Data;
};
using TRecordTable = std::vector<TRecordRow>;

constexpr std::uint16_t kBoundSheet = 0x0085;
constexpr std::uint16_t kIndex = 0x020B;
constexpr std::uint16_t kDefColWidth = 0x0055;

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

void AppendRecords(TBytes& out, const TRecordTable& table)
{
    for (const auto& r : table) {
        AppendWord(out, r.Id);
        AppendWord(out, static_cast<std::uint16_t>(r.Data.size()));
        out.insert(out.end(), r.Data.begin(), r.Data.end());
    }
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
    TBytes d = Hex("C8 00 00 00 FF 7F 90 01 00 00 00 00 00 00");
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
        {0x0809, Hex("00 06 05 00 38 13 CD 07 C1 C0 00 00 06 03 00 00")},  // BOF: BIFF8 workbook globals
        {0x00E1, Hex("B0 04")},        // INTERFACEHDR: code page 1200
        {0x00C1, Hex("00 00")},        // MMS: no menu changes
        {0x00E2, {}},                  // INTERFACEEND
        {0x005C, WriteAccess("User")}, // WRITEACCESS
        {0x0042, Hex("B0 04")},        // CODEPAGE: 1200 (UTF-16)
        {0x0161, Hex("00 00")},        // DSF: single stream
        {0x01C0, {}},                  // EXCEL9FILE
        {0x013D, Hex("01 00")},        // TABID: the sheet's tab id
        {0x009C, Hex("0E 00")},        // FNGROUPCOUNT: the 14 built-in function groups
        {0x0019, Hex("00 00")},        // WINDOWPROTECT: off
        {0x0012, Hex("00 00")},        // PROTECT: off
        {0x0013, Hex("00 00")},        // PASSWORD: none
        {0x01AF, Hex("00 00")},        // PROT4REV: off
        {0x01BC, Hex("00 00")},        // PROT4REVPASS: none
        // WINDOW1: x 360, y 270, width 14940, height 9150 twips; scroll bars and tabs shown;
        // first sheet active and first tab shown; one tab selected; tab bar 60% of the width.
        {0x003D, Hex("68 01 0E 01 5C 3A BE 23 38 00 00 00 00 00 01 00 58 02")},
        {0x0040, Hex("00 00")},        // BACKUP: off
        {0x008D, Hex("00 00")},        // HIDEOBJ: show objects
        {0x0022, Hex("00 00")},        // DATEMODE: 1900 date system
        {0x000E, Hex("01 00")},        // PRECISION: full precision
        {0x01B7, Hex("00 00")},        // REFRESHALL: off
        {0x00DA, Hex("00 00")},        // BOOKBOOL: save external link values
    };
    for (int i = 0; i < 4; ++i) t.push_back({0x0031, FontArial10()});  // FONT 0-3
    for (const auto& [id, code] : kFormats) t.push_back({0x041E, Format(id, code)});
    for (const auto& xf : kXfs) t.push_back({0x00E0, Xf(xf)});
    t.insert(t.end(), {
        {0x0293, Hex("10 80 03 FF")},  // STYLE: XF 16 is built-in Comma
        {0x0293, Hex("11 80 06 FF")},  // STYLE: XF 17 is built-in Comma [0]
        {0x0293, Hex("12 80 04 FF")},  // STYLE: XF 18 is built-in Currency
        {0x0293, Hex("13 80 07 FF")},  // STYLE: XF 19 is built-in Currency [0]
        {0x0293, Hex("00 80 00 FF")},  // STYLE: XF 0 is built-in Normal
        {0x0293, Hex("14 80 05 FF")},  // STYLE: XF 20 is built-in Percent
        {0x0160, Hex("01 00")},        // USESELFS: natural language formulas
        {kBoundSheet, BoundSheet("Sheet1")},
        {0x008C, Hex("01 00 56 02")},  // COUNTRY: 1 (United States) and 598 (Uruguay)
        // RECALCID: a low calculation engine build, so that a reader recalculates on load
        {0x01C1, Hex("C1 01 00 00 01 00 00 00")},
        {0x00FC, Hex("00 00 00 00 00 00 00 00")},  // SST: no strings
        {0x00FF, Hex("08 00")},                    // EXTSST: 8 strings per bucket, no buckets
        // BOOKEXT: future record header, record size 21, no flags set
        {0x0863, Hex("63 08 00 00 00 00 00 00 00 00 00 00 15 00 00 00 00 00 00 00 00")},
        {0x000A, {}},  // EOF
    });
    return t;
}

TRecordTable SheetRecords()
{
    return {
        {0x0809, Hex("00 06 10 00 38 13 CD 07 C1 C0 00 00 06 03 00 00")},  // BOF: BIFF8 worksheet
        // INDEX: no rows; its last field (the DEFCOLWIDTH position) is filled in from the layout
        {kIndex, Hex("00 00 00 00 00 00 00 00 00 00 00 00 59 06 00 00")},
        {0x000D, Hex("01 00")},                    // CALCMODE: automatic
        {0x000C, Hex("64 00")},                    // CALCCOUNT: 100
        {0x000F, Hex("01 00")},                    // REFMODE: A1
        {0x0011, Hex("00 00")},                    // ITERATION: off
        {0x0010, Hex("FC A9 F1 D2 4D 62 50 3F")},  // DELTA: 0.001
        {0x005F, Hex("01 00")},                    // SAVERECALC: on
        {0x002A, Hex("00 00")},                    // PRINTHEADERS: off
        {0x002B, Hex("00 00")},                    // PRINTGRIDLINES: off
        {0x0082, Hex("01 00")},                    // GRIDSET
        {0x0080, Hex("00 00 00 00 00 00 00 00")},  // GUTS: no outline
        {0x0225, Hex("00 00 FF 00")},              // DEFAULTROWHEIGHT: 255 twips
        {0x0081, Hex("C1 04")},                    // WSBOOL
        {0x0014, {}},                              // HEADER: empty
        {0x0015, {}},                              // FOOTER: empty
        {0x0083, Hex("00 00")},                    // HCENTER: off
        {0x0084, Hex("00 00")},                    // VCENTER: off
        // SETUP: scale 255, start page 1, fit 1 x 1, no printer settings;
        // header and footer margins 0.5 inch; no copies given
        {0x00A1, Hex("00 00 FF 00 01 00 01 00 01 00 04 00 00 00 00 00 "
                     "00 00 00 00 00 00 E0 3F 00 00 00 00 00 00 E0 3F 00 00")},
        {kDefColWidth, Hex("08 00")},              // DEFCOLWIDTH: 8 characters
        {0x0200, Hex("00 00 00 00 00 00 00 00 00 00 00 00 00 00")},  // DIMENSIONS: empty sheet
        {0x023E, Hex("B6 06 00 00 00 00 40 00 00 00 00 00 00 00 00 00 00 00")},  // WINDOW2
        {0x001D, Hex("03 00 00 00 00 00 00 01 00 00 00 00 00 00 00")},  // SELECTION: A1
        {0x00EF, Hex("00 00 37 00 00 00")},        // PHONETICINFO
        {0x000A, {}},                              // EOF
    };
}

// Globals and sheet, with the two fields that hold stream positions filled in.
TBytes WorkbookStream()
{
    TRecordTable globals = GlobalsRecords();
    TRecordTable sheet = SheetRecords();
    const std::size_t sheetStart = RecordsSize(globals);
    SetCardinal(DataOf(globals, kBoundSheet), 0, static_cast<std::uint32_t>(sheetStart));
    SetCardinal(DataOf(sheet, kIndex), 12, static_cast<std::uint32_t>(sheetStart + OffsetOf(sheet, kDefColWidth)));

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

// ---------------------------------------------------------------------------
// Compound file, version 3: the header, one FAT sector (sector 0), one
// directory sector (sector 1), then the streams' sectors one stream after the other.

constexpr std::uint32_t kFreeSect = 0xFFFFFFFF;
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kFatSect = 0xFFFFFFFD;
constexpr std::uint32_t kNoStream = 0xFFFFFFFF;
constexpr std::uint32_t kFatSector = 0;
constexpr std::uint32_t kDirSector = 1;

struct TCfbStream {
    std::u16string Name;
    TBytes Data;  // a whole number of sectors, at least the mini stream cutoff
};

struct TDirEntry {
    std::u16string_view Name;
    std::uint8_t Type;  // 2 stream, 5 root
    std::uint32_t Left = kNoStream, Right = kNoStream, Child = kNoStream;
    TBytes ClassId = TBytes(16, 0);
    std::uint32_t Start = kEndOfChain;
    std::uint32_t Size = 0;
};

TBytes CfbHeader()
{
    TBytes h = Hex("D0 CF 11 E0 A1 B1 1A E1");  // signature
    h.resize(24, 0);                           // class id: none
    AppendWord(h, 0x003E);                     // minor version
    AppendWord(h, 0x0003);                     // major version 3: 512-byte sectors
    AppendWord(h, 0xFFFE);                     // byte order: little-endian
    AppendWord(h, 9);                          // sector size 2^9
    AppendWord(h, 6);                          // mini sector size 2^6
    h.resize(44, 0);                           // reserved; directory sector count (0 in version 3)
    AppendCardinal(h, 1);                      // FAT sectors
    AppendCardinal(h, kDirSector);             // first directory sector
    AppendCardinal(h, 0);                      // transaction signature
    AppendCardinal(h, kStreamSize);            // mini stream cutoff
    AppendCardinal(h, kEndOfChain);            // no mini FAT
    AppendCardinal(h, 0);
    AppendCardinal(h, kEndOfChain);  // no DIFAT sectors
    AppendCardinal(h, 0);
    AppendCardinal(h, kFatSector);  // the header's first DIFAT slot, the others free
    while (h.size() < kSectorSize) AppendCardinal(h, kFreeSect);
    return h;
}

void AppendDirEntry(TBytes& out, const TDirEntry& e)
{
    if (e.Name.size() > 31) RaiseBuildError();
    const std::size_t base = out.size();
    for (char16_t c : e.Name) AppendWord(out, c);
    out.resize(base + 64, 0);
    AppendWord(out, static_cast<std::uint16_t>((e.Name.size() + 1) * 2));  // terminating zero included
    AppendByte(out, e.Type);
    AppendByte(out, 1);  // black
    AppendCardinal(out, e.Left);
    AppendCardinal(out, e.Right);
    AppendCardinal(out, e.Child);
    out.insert(out.end(), e.ClassId.begin(), e.ClassId.end());
    out.resize(base + 116, 0);  // state bits and times: zero
    AppendCardinal(out, e.Start);
    AppendCardinal(out, e.Size);
    AppendCardinal(out, 0);  // size, high part
}

// Sibling order of a compound file: shorter names first, then by upper-cased name.
bool CfbNameLess(std::u16string_view a, std::u16string_view b)
{
    if (a.size() != b.size()) return a.size() < b.size();
    return AsciiUpperCase(a) < AsciiUpperCase(b);
}

TBytes CompoundFile(const std::array<TCfbStream, 3>& streams)
{
    std::vector<std::uint32_t> fat(kSectorSize / 4, kFreeSect);
    fat[kFatSector] = kFatSect;
    fat[kDirSector] = kEndOfChain;
    std::array<std::uint32_t, 3> starts{};
    std::uint32_t next = kDirSector + 1;
    for (std::size_t i = 0; i < streams.size(); ++i) {
        const auto& data = streams[i].Data;
        if (data.size() < kStreamSize || data.size() % kSectorSize != 0) RaiseBuildError();
        const auto count = static_cast<std::uint32_t>(data.size() / kSectorSize);
        if (next + count > fat.size()) RaiseBuildError();
        starts[i] = next;
        for (std::uint32_t k = 0; k < count; ++k) fat[next + k] = k + 1 < count ? next + k + 1 : kEndOfChain;
        next += count;
    }

    // Entries 1 to 3 are the streams. With three of them, the middle one in
    // sibling order is the root's child and the other two hang left and right
    // of it: a perfect tree, valid as a red-black tree with every node black.
    std::array<std::uint32_t, 3> order{1, 2, 3};
    std::sort(order.begin(), order.end(),
              [&](std::uint32_t a, std::uint32_t b) { return CfbNameLess(streams[a - 1].Name, streams[b - 1].Name); });
    std::array<TDirEntry, 4> dir{};
    dir[0] = {.Name = u"Root Entry", .Type = 5, .Child = order[1],
              // the class id of an Excel 97-2003 workbook
              .ClassId = Hex("20 08 02 00 00 00 00 00 C0 00 00 00 00 00 00 46")};
    for (std::uint32_t i = 1; i <= 3; ++i)
        dir[i] = {.Name = streams[i - 1].Name, .Type = 2, .Start = starts[i - 1],
                  .Size = static_cast<std::uint32_t>(streams[i - 1].Data.size())};
    dir[order[1]].Left = order[0];
    dir[order[1]].Right = order[2];

    TBytes file = CfbHeader();
    for (std::uint32_t entry : fat) AppendCardinal(file, entry);
    for (const auto& e : dir) AppendDirEntry(file, e);
    for (const auto& s : streams) file.insert(file.end(), s.Data.begin(), s.Data.end());
    return file;
}

TBytes BuildEmptyWorkbook()
{
    return CompoundFile({{
        {u"Workbook", WorkbookStream()},
        // format ids {F29F85E0-4FF9-1068-AB91-08002B27B3D9} and {D5CDD502-2E9C-101B-9397-08002B2CF9AE}
        {u"\x05" u"SummaryInformation", PropertySetStream(Hex("E0 85 9F F2 F9 4F 68 10 AB 91 08 00 2B 27 B3 D9"))},
        {u"\x05" u"DocumentSummaryInformation",
         PropertySetStream(Hex("02 D5 CD D5 9C 2E 1B 10 93 97 08 00 2B 2C F9 AE"))},
    }});
}

}  // namespace

const TBytes& EmptyWorkbookTemplate()
{
    static const TBytes bytes = BuildEmptyWorkbook();
    return bytes;
}

}  // namespace xls
