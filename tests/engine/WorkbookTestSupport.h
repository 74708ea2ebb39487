// Helpers for the sheet and workbook tests: Workbook streams built record by
// record, loaded into a TWorkbook and saved back.
#pragma once

#include "GlobalsTestSupport.h"
#include "facade/UExcelRecords.h"

namespace booktest {

using namespace globtest;

constexpr std::uint16_t kWorksheet = 0x0010;
constexpr std::uint16_t kChart = 0x0020;
constexpr std::uint16_t kMacroSheet = 0x0040;

inline TBytes BofBody(std::uint16_t aType)
{
    TBytes d = BofGlobals();
    SetWord(d, 2, aType);
    return d;
}

// WINDOW2 of a sheet, selected or not.
inline TBytes Window2Body(bool aSelected)
{
    TBytes d(18, 0);
    SetWord(d, 0, aSelected ? 0x06B6 : 0x04B6);
    return d;
}

// A string with a 2-byte count, 8-bit.
inline TBytes Str2(std::string_view s)
{
    TBytes d;
    AppendWord(d, static_cast<std::uint16_t>(s.size()));
    AppendByte(d, 0);
    d.insert(d.end(), s.begin(), s.end());
    return d;
}

inline TBytes CellBody(std::uint16_t aRow, std::uint16_t aCol, std::uint16_t aXF = 15)
{
    TBytes d;
    AppendWord(d, aRow);
    AppendWord(d, aCol);
    AppendWord(d, aXF);
    return d;
}

inline TBytes NumberBody(std::uint16_t aRow, std::uint16_t aCol, double aValue)
{
    TBytes d = CellBody(aRow, aCol);
    AppendDouble(d, aValue);
    return d;
}

inline TBytes LabelSSTBody(std::uint16_t aRow, std::uint16_t aCol, std::uint32_t aIndex)
{
    TBytes d = CellBody(aRow, aCol);
    AppendCardinal(d, aIndex);
    return d;
}

inline TBytes RowBody(std::uint16_t aRow, std::uint16_t aMaxCol)
{
    TBytes d(16, 0);
    SetWord(d, 0, aRow);
    SetWord(d, 4, aMaxCol);
    SetWord(d, 6, 255);
    SetWord(d, 12, 0x0100);
    SetWord(d, 14, 15);
    return d;
}

// OBJ with a common-object sub-record of object type aType and id aId, then the end sub-record.
inline TBytes ObjBody(std::uint16_t aType, std::uint16_t aId)
{
    TBytes d;
    AppendWord(d, 0x15);
    AppendWord(d, 0x12);
    AppendWord(d, aType);
    AppendWord(d, aId);
    d.resize(d.size() + 14, 0);
    AppendCardinal(d, 0);
    return d;
}

// A sheet section: BOF of aType, the records, EOF.
inline TBytes Section(std::uint16_t aType, std::initializer_list<TBytes> aRecords)
{
    TBytes s = Rec(xlr_BOF, BofBody(aType));
    for (const TBytes& r : aRecords) s.insert(s.end(), r.begin(), r.end());
    const TBytes eof = Rec(xlr_EOF, {});
    s.insert(s.end(), eof.begin(), eof.end());
    return s;
}

// A worksheet with one number cell at A1 and a WINDOW2.
inline TBytes SimpleSheet(bool aSelected = false)
{
    return Section(kWorksheet, {Rec(0x0208, RowBody(0, 1)), Rec(0x0203, NumberBody(0, 0, 1.5)),
                                Rec(0x023E, Window2Body(aSelected))});
}

inline void LoadWorkbook(TWorkbook& aWorkbook, const TBytes& aStream)
{
    TStreamFixture f(aStream);
    aWorkbook.LoadFromStream(f.File());
}

inline TBytes SavedWorkbook(TWorkbook& aWorkbook, bool NeedsRecalc = false)
{
    return Written([&](TOle2File& w) { aWorkbook.SaveToStream(w, NeedsRecalc); });
}

// Every record of a stream (CONTINUE records with the record before them),
// each with its offset.
struct TStreamRecord {
    std::size_t Offset = 0;
    std::uint16_t Id = 0;
    TBytes Bytes;  // headers included
};

inline std::vector<TStreamRecord> AllRecords(const TBytes& aStream)
{
    std::vector<TStreamRecord> out;
    for (std::size_t pos = 0; pos + 4 <= aStream.size();) {
        const std::uint16_t id = GetWord(aStream, pos);
        const std::size_t next = pos + 4 + GetWord(aStream, pos + 2);
        if (next > aStream.size()) break;
        if (id != xlr_CONTINUE || out.empty()) out.push_back({pos, id, {}});
        TBytes& bytes = out.back().Bytes;
        bytes.insert(bytes.end(), aStream.begin() + std::ptrdiff_t(pos), aStream.begin() + std::ptrdiff_t(next));
        pos = next;
    }
    return out;
}

inline std::vector<std::uint16_t> AllIds(const TBytes& aStream)
{
    std::vector<std::uint16_t> ids;
    for (const auto& r : AllRecords(aStream)) ids.push_back(r.Id);
    return ids;
}

// A workbook stream of one sheet with these globals records.
inline TBytes OneSheetBook(const TBytes& aSheet, std::initializer_list<TBytes> aGlobals = {})
{
    TBytes globals = Rec(xlr_BOF, BofGlobals());
    for (const TBytes& r : aGlobals) globals.insert(globals.end(), r.begin(), r.end());
    for (const TBytes& r : {Rec(0x003D, Window1Body()), Rec(0x0085, BoundSheetBody("Sheet1")), Rec(xlr_EOF, {})})
        globals.insert(globals.end(), r.begin(), r.end());
    return Cat({globals, aSheet});
}

// The records of sheet 0 of a saved workbook: from its BOF on, to the end.
inline std::vector<TStreamRecord> SavedSheetRecords(TWorkbook& aBook)
{
    const TBytes saved = SavedWorkbook(aBook);
    const std::uint32_t offset = aBook.Globals().BoundSheets().BoundSheets().Items(0)->Offset();
    std::vector<TStreamRecord> records;
    for (auto& r : AllRecords(saved))
        if (r.Offset >= offset) records.push_back(r);
    return records;
}

inline std::vector<std::uint16_t> IdsOf(const std::vector<TStreamRecord>& aRecords)
{
    std::vector<std::uint16_t> ids;
    for (const auto& r : aRecords) ids.push_back(r.Id);
    return ids;
}

inline const TStreamRecord& Find(const std::vector<TStreamRecord>& aRecords, std::uint16_t aId)
{
    for (const auto& r : aRecords)
        if (r.Id == aId) return r;
    throw std::runtime_error("record missing");
}

}  // namespace booktest
