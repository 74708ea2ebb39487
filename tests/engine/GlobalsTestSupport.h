// Helpers for the format and globals tests: record bodies built byte by
// byte, a globals section loaded from a Workbook stream, and the records of
// a written stream.
#pragma once

#include <string_view>

#include "LocaleTestSupport.h"
#include "RecordTestSupport.h"
#include "drawing/UXlsEscher.h"
#include "globals/UXlsWorkbookGlobals.h"

namespace globtest {

using namespace rectest;
using localetest::TLocaleScope;

inline TBytes B(std::initializer_list<int> aBytes)
{
    TBytes b;
    for (int v : aBytes) b.push_back(static_cast<std::uint8_t>(v));
    return b;
}

inline TBytes Ascii(std::string_view s)
{
    return TBytes(s.begin(), s.end());
}

// Record bodies.
inline TBytes BofGlobals()
{
    return B({0x00, 0x06, 0x05, 0x00, 0xBB, 0x0D, 0xCC, 0x07, 0, 0, 0, 0, 0x06, 0x04, 0, 0});
}

// FONT with an 8-bit (aWide false) or 16-bit name.
inline TBytes FontBody(std::string_view aName, std::uint16_t aHeight = 200, bool aWide = false)
{
    TBytes d;
    AppendWord(d, aHeight);
    AppendWord(d, 0);
    AppendWord(d, 0x7FFF);
    AppendWord(d, 400);
    AppendWord(d, 0);
    d.insert(d.end(), {0, 0, 0, 0});
    AppendByte(d, static_cast<std::uint8_t>(aName.size()));
    AppendByte(d, aWide ? 1 : 0);
    for (char c : aName) {
        AppendByte(d, static_cast<std::uint8_t>(c));
        if (aWide) AppendByte(d, 0);
    }
    return d;
}

inline TBytes FormatBody(std::uint16_t aId, std::string_view aCode)
{
    TBytes d;
    AppendWord(d, aId);
    AppendWord(d, static_cast<std::uint16_t>(aCode.size()));
    AppendByte(d, 0);
    d.insert(d.end(), aCode.begin(), aCode.end());
    return d;
}

// A locked cell XF with font aFont and format aFormat, bottom aligned,
// without borders or fill, in the form the engine writes it.
inline TBytes XFBody(std::uint16_t aFont = 0, std::uint16_t aFormat = 0)
{
    TBytes d(20, 0);
    SetWord(d, 0, aFont);
    SetWord(d, 2, aFormat);
    SetWord(d, 4, 0x0001);
    SetWord(d, 6, 0x0020);
    SetWord(d, 8, 0xFC00);
    SetWord(d, 12, 8 | 8 << 7);
    SetCardinal(d, 14, 8 | 8 << 7);
    SetWord(d, 18, 0x20C0);
    return d;
}

inline TBytes StyleBody(std::uint8_t aBuiltIn)
{
    return B({0x00, 0x80, aBuiltIn, 0xFF});
}

// WINDOW1: position, size, options, active sheet, first tab, selected count, ratio.
inline TBytes Window1Body(std::uint16_t aActive = 0, std::uint16_t aWidth = 0x3000, std::uint16_t aFirstTab = 0)
{
    TBytes d;
    AppendWord(d, 0x0168);
    AppendWord(d, 0x001E);
    AppendWord(d, aWidth);
    AppendWord(d, 0x2000);
    AppendWord(d, 0x0038);
    AppendWord(d, aActive);
    AppendWord(d, aFirstTab);
    AppendWord(d, 1);
    AppendWord(d, 0x0258);
    return d;
}

inline TBytes BoundSheetBody(std::string_view aName, std::uint16_t aOptions = 0, std::uint32_t aOffset = 0)
{
    TBytes d;
    AppendCardinal(d, aOffset);
    AppendWord(d, aOptions);
    AppendByte(d, static_cast<std::uint8_t>(aName.size()));
    AppendByte(d, 0);
    d.insert(d.end(), aName.begin(), aName.end());
    return d;
}

inline TBytes LocalSupBookBody(std::uint16_t aSheets)
{
    TBytes d;
    AppendWord(d, aSheets);
    AppendWord(d, 0x0401);
    return d;
}

struct TXti {
    std::uint16_t SupBook, First, Last;
    bool operator==(const TXti&) const = default;
};

inline TBytes ExternSheetBody(const std::vector<TXti>& aXtis)
{
    TBytes d;
    AppendWord(d, static_cast<std::uint16_t>(aXtis.size()));
    for (const TXti& x : aXtis) {
        AppendWord(d, x.SupBook);
        AppendWord(d, x.First);
        AppendWord(d, x.Last);
    }
    return d;
}

// A NAME local to sheet aSheet (-1: global) holding a 3-D reference to one cell.
inline TBytes NameBody(std::string_view aName, std::int32_t aSheet, std::uint16_t aXti = 0)
{
    TBytes d;
    AppendWord(d, 0);
    AppendByte(d, 0);
    AppendByte(d, static_cast<std::uint8_t>(aName.size()));
    AppendWord(d, 7);  // ptgRef3d: id, ixti, row, column
    AppendWord(d, static_cast<std::uint16_t>(aSheet + 1));
    AppendWord(d, static_cast<std::uint16_t>(aSheet + 1));
    d.insert(d.end(), {0, 0, 0, 0});
    AppendByte(d, 0);
    d.insert(d.end(), aName.begin(), aName.end());
    AppendByte(d, 0x3A);
    AppendWord(d, aXti);
    AppendWord(d, 0);
    AppendWord(d, 0xC000);
    return d;
}

// EXTERNNAME of another book's name aName (8-bit).
inline TBytes ExternNameBody(std::string_view aName)
{
    TBytes d = B({0, 0, 0, 0, 0, 0});
    AppendByte(d, static_cast<std::uint8_t>(aName.size()));
    AppendByte(d, 0);
    d.insert(d.end(), aName.begin(), aName.end());
    return d;
}

inline TBytes SSTBody(const std::vector<std::string_view>& aStrings)
{
    TBytes d;
    AppendCardinal(d, static_cast<std::uint32_t>(aStrings.size()));
    AppendCardinal(d, static_cast<std::uint32_t>(aStrings.size()));
    for (std::string_view s : aStrings) {
        AppendWord(d, static_cast<std::uint16_t>(s.size()));
        AppendByte(d, 0);
        d.insert(d.end(), s.begin(), s.end());
    }
    return d;
}

// An Escher container header of a drawing group whose content is aContentSize bytes.
inline TBytes DggContainerHeader(std::uint32_t aContentSize)
{
    TBytes d;
    AppendWord(d, 0x000F);
    AppendWord(d, 0xF000);
    AppendCardinal(d, aContentSize);
    return d;
}

// A globals section: BOF, the given records, EOF.
inline TBytes GlobalsStream(std::initializer_list<TBytes> aRecords)
{
    TBytes s = Rec(xlr_BOF, BofGlobals());
    for (const TBytes& r : aRecords) s.insert(s.end(), r.begin(), r.end());
    const TBytes eof = Rec(xlr_EOF, {});
    s.insert(s.end(), eof.begin(), eof.end());
    return s;
}

// Loads the globals from the start of a Workbook stream.
inline void LoadGlobals(TWorkbookGlobals& aGlobals, TOle2File& aFile)
{
    TRecordHeader header;
    ReadHeader(aFile, header);
    std::unique_ptr<TBaseRecord> bof = ReadRecord(aFile, header);
    auto* typed = dynamic_cast<TBOFRecord*>(bof.get());
    ASSERT_NE(typed, nullptr);
    bof.release();
    TSST unused;
    aGlobals.LoadFromStream(aFile, header, std::unique_ptr<TBOFRecord>(typed), unused);
}

inline void LoadGlobals(TWorkbookGlobals& aGlobals, const TBytes& aStream)
{
    TStreamFixture f(aStream);
    LoadGlobals(aGlobals, f.File());
}

// The bytes SaveToStream writes; fails the test when TotalSize differs.
inline TBytes SavedGlobals(TWorkbookGlobals& aGlobals)
{
    TBytes out = Written([&](TOle2File& w) { aGlobals.SaveToStream(w); });
    EXPECT_EQ(aGlobals.TotalSize(), std::int64_t(out.size()));
    return out;
}

// One record of a stream together with the CONTINUE records that follow it.
struct TRecordChain {
    std::uint16_t Id = 0;
    TBytes Bytes;  // headers included
    bool operator==(const TRecordChain&) const = default;
};

// Splits a stream into records from aStart until aEnd or until (and with)
// the first EOF; CONTINUE records go to the record before them.
inline std::vector<TRecordChain> SplitRecordChains(const TBytes& aStream, std::size_t aStart = 0, std::size_t aEnd = SIZE_MAX)
{
    std::vector<TRecordChain> out;
    aEnd = std::min(aEnd, aStream.size());
    for (std::size_t pos = aStart; pos + 4 <= aEnd;) {
        const std::uint16_t id = GetWord(aStream, pos);
        const std::size_t next = pos + 4 + GetWord(aStream, pos + 2);
        if (next > aEnd) break;
        if (id != xlr_CONTINUE || out.empty()) out.push_back({id, {}});
        out.back().Bytes.insert(out.back().Bytes.end(), aStream.begin() + std::ptrdiff_t(pos),
                                aStream.begin() + std::ptrdiff_t(next));
        pos = next;
        if (id == xlr_EOF) break;
    }
    return out;
}

inline std::vector<std::uint16_t> Ids(const std::vector<TRecordChain>& aRecords)
{
    std::vector<std::uint16_t> ids;
    for (const auto& r : aRecords) ids.push_back(r.Id);
    return ids;
}

}  // namespace globtest
