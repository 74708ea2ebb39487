// Manual page breaks of a worksheet: HORIZONTALPAGEBREAKS (one entry per row
// break) and VERTICALPAGEBREAKS (one per column break). The records are split
// into entries on load and written back as one sorted record per list.
#pragma once

#include <vector>

#include "records/UXlsBaseRecords.h"

namespace xls {

// One 6-byte entry: the break position (row of a horizontal break, column of
// a vertical one) and the span it covers in the other direction.
struct TPageBreak {
    std::uint16_t Pos = 0;
    std::uint16_t First = 0;
    std::uint16_t Last = 0;
    bool operator==(const TPageBreak&) const = default;
};

// HORIZONTALPAGEBREAKS / VERTICALPAGEBREAKS: a 16-bit count, then the entries.
class THPageBreakRecord final : public TRecordClass<THPageBreakRecord> {
public:
    using TRecordClass::TRecordClass;
};
class TVPageBreakRecord final : public TRecordClass<TVPageBreakRecord> {
public:
    using TRecordClass::TRecordClass;
};

// The breaks of one direction, one per position, sorted by position when
// Sorted is set.
class TPageBreakList {
public:
    // More breaks than this fail with "Too many manual Page breaks for this sheet".
    static constexpr std::size_t MaxBreaks = 1026;

    std::size_t Count() const { return FList.size(); }
    const TPageBreak& Items(std::size_t aIndex) const;
    bool Sorted() const { return FSorted; }

    // Takes the entries of a page break record (a position already present
    // is dropped) and frees the record.
    void AddRecord(std::unique_ptr<TBaseRecord> aRecord);
    void AddBreak(std::int32_t aPos);
    void DeleteBreak(std::int32_t aPos);
    bool HasPageBreak(std::int32_t aPos);
    // Sorts when needed; true with the index of aPos, else false with the
    // index where it would be inserted.
    bool Find(std::int32_t aPos, std::size_t& aIndex);
    void CopyFrom(const TPageBreakList& aList);
    void Clear() { FList.clear(), FSorted = true; }

    // Nothing for an empty list, else one record with every entry in order.
    void SaveToStream(TOle2File& DataStream);
    std::int64_t TotalSize() const { return FList.empty() ? 0 : 6 * std::int64_t(FList.size()) + 6; }

protected:
    TPageBreakList(std::uint16_t aRecordId, std::int64_t aMaxPos, std::uint16_t aNewLast)
        : FRecordId(aRecordId), FMaxPos(aMaxPos), FNewLast(aNewLast)
    {
    }
    // Every break at or after aDestPos moves by aCount (checked against the sheet's limit).
    void ShiftBreaks(std::int32_t aDestPos, std::int32_t aCount);
    // Removes the breaks of [aDestPos, aDestPos + aCount) and moves later ones up.
    void DeleteBreaks(std::int32_t aDestPos, std::int32_t aCount);

private:
    void Sort();
    void InsertAt(std::size_t aIndex, const TPageBreak& aBreak);

    std::uint16_t FRecordId;
    std::int64_t FMaxPos;
    std::uint16_t FNewLast;  // span end of a new break: the last column or row
    std::vector<TPageBreak> FList;
    bool FSorted = true;
};

// Row breaks: new ones span columns 0 to 255.
class THPageBreakList final : public TPageBreakList {
public:
    THPageBreakList() : TPageBreakList(xlr_HPAGEBREAKS, MaxRow, 255) {}
    void InsertRows(std::int32_t aDestRow, std::int32_t aCount) { ShiftBreaks(aDestRow, aCount); }
    void DeleteRows(std::int32_t aDestRow, std::int32_t aCount) { DeleteBreaks(aDestRow, aCount); }
};

// Column breaks: new ones span rows 0 to 65535.
class TVPageBreakList final : public TPageBreakList {
public:
    TVPageBreakList() : TPageBreakList(xlr_VPAGEBREAKS, MaxColumn, 65535) {}
    void InsertCols(std::int32_t aDestCol, std::int32_t aCount) { ShiftBreaks(aDestCol, aCount); }
    void DeleteCols(std::int32_t aDestCol, std::int32_t aCount) { DeleteBreaks(aDestCol, aCount); }
};

}  // namespace xls
