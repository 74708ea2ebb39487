// Column formats: the COLINFO records of a sheet, held one entry per column.
//
// A COLINFO record covers a run of columns; reading splits it into one entry
// per column, writing joins neighbouring equal entries back into runs. So a
// change to one column of a run changes only that column. The cell store asks
// the entries for the format of a new cell's column. Inserted columns move
// the entries; deleted columns do not (a column format stays where it was).
#pragma once

#include <vector>

#include "records/UXlsBaseRecordLists.h"

namespace xls {

// COLINFO, 12 data bytes: first column (0), last column (2), width in 1/256
// of a character (4), XF (6), options (8: 0x0001 hidden, bits 8 to 10
// outline level), reserved (10); all 16-bit.
class TColInfoRecord final : public TRecordClass<TColInfoRecord> {
public:
    // Refuses fewer than the 10 data bytes that hold the fields read here.
    TColInfoRecord(std::uint16_t aId, TByteView aData);
    static std::unique_ptr<TColInfoRecord> CreateNew(std::uint16_t aFirstColumn, std::uint16_t aLastColumn,
                                                     std::uint16_t aWidth, std::uint16_t aXF, std::uint16_t aOptions);

    std::uint16_t FirstColumn() const { return GetWord(Data(), 0); }
    std::uint16_t LastColumn() const { return GetWord(Data(), 2); }
    std::uint16_t Width() const { return GetWord(Data(), 4); }
    std::uint16_t XF() const { return GetWord(Data(), 6); }
    std::uint16_t Options() const { return GetWord(Data(), 8); }
};

// The format of one column.
class TColInfo {
public:
    static constexpr std::uint16_t OptHidden = 0x0001;
    static constexpr std::uint16_t OptOutlineMask = 0x0700;
    static constexpr std::uint16_t DefaultXF = 15;

    TColInfo(std::uint16_t aColumn, std::uint16_t aWidth, std::uint16_t aXF, std::uint16_t aOptions)
        : Column(aColumn), Width(aWidth), XF(aXF), Options(aOptions)
    {
    }

    std::uint16_t Column;
    std::uint16_t Width;  // 1/256 of a character
    std::uint16_t XF;
    std::uint16_t Options;

    // Width, XF and options equal: the two columns can share a record.
    bool IsEqual(const TColInfo& aColInfo) const;
    bool Hidden() const { return (Options & OptHidden) != 0; }
    void SetHidden(bool aValue);
    std::int32_t GetColOutlineLevel() const { return (Options & OptOutlineMask) >> 8; }
    // Keeps the low 3 bits of Level.
    void SetColOutlineLevel(std::int32_t Level);
};

// A run of neighbouring equal entries: what one COLINFO record holds.
struct TColInfoRun {
    std::uint16_t FirstColumn;
    std::uint16_t LastColumn;
    const TColInfo* Format;  // the first entry; all of the run are equal to it
};

class TColInfoList : public TBaseList<TColInfo> {
public:
    // Entries beyond this column are never written (a run is cut there), so
    // they are not kept.
    static constexpr std::int64_t LastKeptColumn = 256;

    TColInfo* Items(std::size_t aIndex) const { return GetItem(aIndex); }

    std::size_t Add(std::unique_ptr<TColInfo> aItem) override;
    // Splits a COLINFO record into its columns' entries and frees it.
    void AddRecord(std::unique_ptr<TColInfoRecord> R);
    void Sort();
    // Sorts first when needed; true with the position of aColumn, else false
    // with the position where it would be inserted.
    bool Find(std::int64_t aColumn, std::size_t& Index);
    // The entry of aColumn, null when it has none.
    TColInfo* Column(std::int64_t aColumn);
    // The entry of aColumn, created with these fields when it has none.
    TColInfo& EnsureColumn(std::uint16_t aColumn, std::uint16_t aWidth);
    // The XF of aColumn's entry, -1 when it has none.
    std::int32_t ColumnXF(std::int64_t aColumn);
    void CopyFrom(const TColInfoList& aList);

    // The runs of neighbouring equal entries, sorted; a run's last column is
    // capped at 256 and no run starts beyond column 255.
    std::vector<TColInfoRun> Runs();
    // One COLINFO per run.
    void SaveToStream(TOle2File& DataStream);
    std::int64_t TotalSize();

    // aColCount columns inserted at DestCol: entries at or right of it move
    // right. Only for the sheet's own columns (SheetInfo).
    void ArrangeInsertCols(std::int32_t DestCol, std::int32_t aColCount, const TSheetInfo& SheetInfo);
    // After ArrangeInsertCols: the aColCount inserted blocks from DestCol on
    // take the entries of the columns FirstCol to LastCol (a source at or
    // right of DestCol is read at its moved place).
    void CopyCols(std::int32_t FirstCol, std::int32_t LastCol, std::int32_t DestCol, std::int32_t aColCount,
                  const TSheetInfo& SheetInfo);
    // The largest outline level of the entries becomes GUTS' column level.
    void CalcGuts(TGutsRecord& Guts) const;

protected:
    void CheckItem(const TColInfo* aItem) const override;

private:
    bool FSorted = true;
};

}  // namespace xls
