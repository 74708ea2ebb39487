// BIFF8 record objects and the record stream.
//
// A record keeps its data bytes exactly as read together with the CONTINUE
// records that followed it; record classes only add typed access to fields
// inside those bytes. Unchanged records are written back byte for byte with
// the same CONTINUE fragmentation.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "base/UXlsBytes.h"
#include "base/UXlsObjectPool.h"
#include "base/UXlsVariant.h"
#include "records/UXlsRecordIds.h"

namespace xls {

class TOle2File;
class TCellRecord;
class TContinueRecord;
class TNameRecordList;


constexpr std::size_t MaxRecordDataSize = 8224;  // the largest record body BIFF8 writers produce
constexpr std::int64_t MaxRow = 65535;
constexpr std::int64_t MaxColumn = 255;

// The 4-byte header in front of every record.
struct TRecordHeader {
    std::uint16_t Id = 0;
    std::uint16_t Size = 0;  // data bytes that follow the header
    // Set when the stream ended and the header stands for an EOF that was not
    // read: section loaders tell a section that lacks its EOF by it.
    bool StreamEnded = false;
};

// Context of a row, column or sheet insertion, deletion or copy. A record
// moves its own rows and columns only when InsSheet >= 0 and
// FormulaSheet == InsSheet.
struct TSheetInfo {
    std::int32_t InsSheet = -1;
    std::int32_t FormulaSheet = -1;
    std::function<std::int32_t(std::int32_t)> GetSheet;  // EXTERNSHEET index -> sheet index
    std::function<std::int32_t(std::int32_t)> SetSheet;  // sheet index -> EXTERNSHEET index
    TNameRecordList* Names = nullptr;                    // not owned

    bool MovesOwnCells() const { return InsSheet >= 0 && FormulaSheet == InsSheet; }
};

// A record's data bytes. Bodies of up to InlineSize bytes (every plain cell,
// every ROW) stay inside the record object; longer ones get a block of their
// own. A big sheet holds a million records, so the layout is tight: the bytes
// or the block's address, then the size, which tells the two apart.
class TRecordBytes {
public:
    static constexpr std::size_t InlineSize = 16;

    TRecordBytes() = default;
    explicit TRecordBytes(TByteView aData);
    TRecordBytes(const TRecordBytes& other) : TRecordBytes(other.View()) {}
    TRecordBytes(TRecordBytes&& other) noexcept;
    TRecordBytes& operator=(TRecordBytes other) noexcept;
    ~TRecordBytes();

    TByteView View() const { return {Begin(), FSize}; }
    TByteSpan Span() { return {Begin(), FSize}; }
    std::uint16_t Size() const { return FSize; }

private:
    bool OnHeap() const { return FSize > InlineSize; }
    std::uint8_t* HeapBlock() const;
    const std::uint8_t* Begin() const { return OnHeap() ? HeapBlock() : FStore.data(); }
    std::uint8_t* Begin() { return OnHeap() ? HeapBlock() : FStore.data(); }

    std::array<std::uint8_t, InlineSize> FStore{};
    std::uint16_t FSize = 0;
};

class TBaseRecord : public TPooledObject {
public:
    TBaseRecord(std::uint16_t aId, TByteView aData);
    // Copies the bytes and the CONTINUE chain; use CopyTo to keep the class.
    TBaseRecord(const TBaseRecord& other);
    virtual ~TBaseRecord();
    TBaseRecord& operator=(const TBaseRecord&) = delete;

    std::uint16_t Id() const { return FId; }
    std::uint16_t DataSize() const { return FData.Size(); }
    TByteView Data() const { return FData.View(); }
    // In-place changes keep the size; SetData replaces bytes and size together.
    TByteSpan Data() { return FData.Span(); }
    void SetData(TBytes aData);

    const TContinueRecord* Continue() const { return FContinue.get(); }
    TContinueRecord* Continue() { return FContinue.get(); }
    // Fails when the record already has a CONTINUE chain.
    void AddContinue(std::unique_ptr<TContinueRecord> aContinue);
    // Takes the CONTINUE chain off the record (none when it has none).
    std::unique_ptr<TContinueRecord> DetachContinue() { return std::move(FContinue); }

    // A deep copy of the same class, with a copy of the CONTINUE chain.
    std::unique_ptr<TBaseRecord> CopyTo() const { return DoCopyTo(); }

    // Followers: a record read right behind this one that belongs to it
    // (TABLE or ARRAY after a formula, HLINKTOOLTIP after a hyperlink).
    // Records that take none refuse with "Error reading Excel records. File invalid".
    virtual void AttachFollower(std::unique_ptr<TBaseRecord> aFollower);
    // Formula kinds may be followed by a STRING record holding their text result.
    virtual bool IsFormulaKind() const { return false; }
    // The record as a cell, none for other records: a load asks it of every
    // record, and a failing dynamic_cast costs a walk up the class tree.
    virtual TCellRecord* AsCell() { return nullptr; }
    const TCellRecord* AsCell() const { return const_cast<TBaseRecord*>(this)->AsCell(); }

    // Writes the record and its CONTINUE chain.
    virtual void SaveToStream(TOle2File& Workbook);
    // Bytes SaveToStream writes.
    virtual std::int64_t TotalSize() const;
    // Data bytes of the record and its CONTINUE chain.
    virtual std::int64_t TotalSizeNoHeaders() const;

protected:
    // The virtual constructor for copies: every class returns a copy of its own type.
    virtual std::unique_ptr<TBaseRecord> DoCopyTo() const;

    // Writes Id, the size of aData and aData.
    void SaveDataToStream(TOle2File& Workbook, TByteView aData) const;
    void SaveContinueToStream(TOle2File& Workbook) const;

private:
    // aData; longer than a record header can state is refused as an invalid record.
    static TByteView CheckedBody(std::uint16_t aId, TByteView aData);

    // In this order the fields leave 4 bytes at the end that a derived class's
    // first field can take (a shared-string cell keeps its entry there).
    std::unique_ptr<TContinueRecord> FContinue;
    std::uint16_t FId;
    TRecordBytes FData;
};

// Copies a record of a known class; none for none.
template <class T>
std::unique_ptr<T> CopyRecord(const T* aRecord)
{
    if (!aRecord) return nullptr;
    return std::unique_ptr<T>(static_cast<T*>(aRecord->CopyTo().release()));
}

// Gives a record class its virtual copy constructor: DoCopyTo returns a copy
// of Self made by Self's copy constructor, so no class can be copied as its
// base by mistake. Classes with fields to adjust in a copy say so in their
// copy constructor.
template <class Self, class Base = TBaseRecord>
class TRecordClass : public Base {
public:
    using Base::Base;

protected:
    std::unique_ptr<TBaseRecord> DoCopyTo() const override
    {
        return std::make_unique<Self>(static_cast<const Self&>(*this));
    }
};

// A record class whose fields lie in its first MinSize data bytes. A shorter
// record is refused with "Record with ID 0x%x is invalid" when it is read:
// a field found missing later, when the workbook is changed or saved, could
// no longer be refused with the place it was read from.
template <class Self, std::size_t MinSize, class Base = TBaseRecord>
class TSizedRecordClass : public TRecordClass<Self, Base> {
public:
    TSizedRecordClass(std::uint16_t aId, TByteView aData) : TRecordClass<Self, Base>(aId, aData)
    {
        if (this->DataSize() < MinSize) RaiseXls(TXlsMsg::RecordInvalid, {std::int64_t(aId)});
    }

protected:
    TSizedRecordClass(const TSizedRecordClass&) = default;
};

// A record read as one of class T; a record of another class fails with
// "Error reading Excel records. File invalid".
template <class T>
std::unique_ptr<T> TakeRecordAs(std::unique_ptr<TBaseRecord> aRecord)
{
    auto* typed = dynamic_cast<T*>(aRecord.get());
    if (!typed) RaiseXls(TXlsMsg::ExcelRecordsInvalid);
    aRecord.release();
    return std::unique_ptr<T>(typed);
}

class TContinueRecord final : public TRecordClass<TContinueRecord> {
public:
    using TRecordClass::TRecordClass;
};

// A record that is read and dropped: it writes nothing and counts nothing.
class TIgnoreRecord final : public TRecordClass<TIgnoreRecord> {
public:
    using TRecordClass::TRecordClass;
    void SaveToStream(TOle2File&) override {}
    std::int64_t TotalSize() const override { return 0; }
};

// Base of records whose data starts with a row word and a column word.
class TBaseRowColRecord : public TBaseRecord {
public:
    // Refuses fewer than 4 data bytes.
    TBaseRowColRecord(std::uint16_t aId, TByteView aData);

    std::uint16_t Row() const { return GetWord(Data(), 0); }
    std::uint16_t Column() const { return GetWord(Data(), 2); }
    void SetRow(std::uint16_t aRow) { SetWord(Data(), 0, aRow); }
    void SetColumn(std::uint16_t aCol) { SetWord(Data(), 2, aCol); }

    // Moves Row by aRowCount when Row >= aRowPos and Column by aColCount when
    // Column >= aColPos, only when SheetInfo says these are the sheet's own cells.
    virtual void ArrangeInsertRowsAndCols(std::int32_t aRowPos, std::int32_t aRowCount, std::int32_t aColPos,
                                          std::int32_t aColCount, const TSheetInfo& SheetInfo);
    // Adds the offsets with 16-bit wrap-around.
    virtual void ArrangeCopyRowsAndCols(std::int32_t RowOffset, std::int32_t ColOffset);
    virtual std::int64_t FixTotalSize(bool NeedsRecalc);

protected:
    TBaseRowColRecord(const TBaseRowColRecord&) = default;
    std::unique_ptr<TBaseRecord> DoCopyTo() const override = 0;
    void CheckRowCol() const;
};

// Base of every cell: row, column and XF words at data offsets 0, 2 and 4.
class TCellRecord : public TBaseRowColRecord {
public:
    using TBaseRowColRecord::TBaseRowColRecord;

    TCellRecord* AsCell() override { return this; }
    using TBaseRowColRecord::AsCell;

    std::uint16_t XF() const { return GetWord(Data(), 4); }
    void SetXF(std::uint16_t aXF) { SetWord(Data(), 4, aXF); }

    virtual TXlsVariant GetValue() const { return TVarEmpty{}; }
    virtual void SetValue(const TXlsVariant&) {}

    // Joining on save: the row's cell list asks each cell whether it can form
    // one multiple record with the next, then writes the run through the
    // *Mul operations and measures it with the TotalSize* operations.
    virtual bool CanJoinNext(const TCellRecord* NextRecord, std::int32_t MaxCol) const;
    virtual void SaveFirstMul(TOle2File& Workbook, std::int64_t JoinedRecordSize);
    virtual void SaveMidMul(TOle2File&) {}
    virtual void SaveLastMul(TOle2File&) {}
    virtual std::int64_t TotalSizeFirst() const { return TotalSize(); }
    virtual std::int64_t TotalSizeMid() const { return TotalSize(); }
    virtual std::int64_t TotalSizeLast() const { return TotalSize(); }

protected:
    TCellRecord(const TCellRecord&) = default;
    // aSize zero bytes with row, column and XF set.
    static TBytes CellData(std::size_t aSize, std::uint16_t aRow, std::uint16_t aCol, std::uint16_t aXF);
    // Whether NextRecord is of the same class as this one, right behind it and within MaxCol.
    template <class T>
    bool IsNextOfKind(const TCellRecord* NextRecord, std::int32_t MaxCol) const
    {
        return dynamic_cast<const T*>(NextRecord) && NextRecord->Column() == Column() + 1 &&
               NextRecord->Column() <= MaxCol;
    }
};

// Raw access to the compound stream for record code (the one place that
// knows the stream's calling conventions).
void StreamRead(TOle2File& DataStream, TByteSpan aBuffer);
void StreamWrite(TOle2File& DataStream, TByteView aBuffer);
std::int64_t StreamPosition(TOle2File& DataStream);

// Reads a 4-byte header from the stream.
void ReadHeader(TOle2File& DataStream, TRecordHeader& RecordHeader);
// Reads the look-ahead header: with three or fewer bytes left in the stream
// it becomes an EOF header of size 0 marked StreamEnded, without reading.
void ReadNextHeader(TOle2File& DataStream, TRecordHeader& RecordHeader);

// A record of the engine's own record tables (the empty workbook's): id and data.
struct TRecordRow {
    std::uint16_t Id;
    TBytes Data;
};
using TRecordTable = std::vector<TRecordRow>;

// Appends each row as a record: header, then data.
void AppendRecords(TBytes& aOut, const TRecordTable& aTable);

// The record factory: the record object of the class its table gives for an
// id. Each layer has a table of its own record classes and hands ids it does
// not know down to the layer below; ids no table knows become plain records,
// kept and written back unchanged.
using TRecordCreator = std::unique_ptr<TBaseRecord> (*)(std::uint16_t aId, TByteView aData);

// The record kinds of this layer. FILEPASS fails with "File is password protected".
std::unique_ptr<TBaseRecord> CreateBaseRecord(std::uint16_t aId, TByteView aData);

// One row of a layer's table: the class an id is created as.
struct TRecordKind {
    std::uint16_t Id;
    TRecordCreator Create;
};

template <class T>
std::unique_ptr<TBaseRecord> MakeRecord(std::uint16_t aId, TByteView aData)
{
    return std::make_unique<T>(aId, aData);
}

template <std::size_t N>
constexpr bool AreSortedById(const TRecordKind (&aKinds)[N])
{
    for (std::size_t i = 1; i < N; ++i)
        if (aKinds[i - 1].Id >= aKinds[i].Id) return false;
    return true;
}

// The record of the kind aKinds (sorted by id) lists for aId, taking aData;
// none when the table lacks the id.
std::unique_ptr<TBaseRecord> CreateFromKinds(std::span<const TRecordKind> aKinds, std::uint16_t aId, TByteView aData);

// Reads the record whose header is in RecordHeader (already consumed) and its
// followers, creating them with aCreate; on exit RecordHeader holds the
// header of the next record. Its errors name the record and its offset.
std::unique_ptr<TBaseRecord> ReadRecord(TOle2File& DataStream, TRecordHeader& RecordHeader, TRecordCreator aCreate);

// The record whose header RecordHeader holds (already consumed): its id and
// the stream offset of its header; for the EOF that stands for the end of
// the stream, only that end.
struct TRecordPlace {
    std::uint16_t Id = 0;
    std::int64_t Offset = -1;
    bool IsRecord = true;
};
TRecordPlace NextRecordPlace(TOle2File& DataStream, const TRecordHeader& RecordHeader);
// Names the stream and the record of aPlace in e's place, unless e names them already.
void NameRecord(EXlsException& e, const TRecordPlace& aPlace, const TOle2File& DataStream);

// Runs aStep, which reads (and places) the record whose header RecordHeader
// holds; an engine error in it that names no record of its own names this one.
template <class F>
decltype(auto) AtNextRecord(TOle2File& DataStream, const TRecordHeader& RecordHeader, F&& aStep)
{
    const TRecordPlace place = NextRecordPlace(DataStream, RecordHeader);
    return WithErrorPlace(aStep, [&](EXlsException& e) { NameRecord(e, place, DataStream); });
}

// Hangs every CONTINUE record that follows onto aRecord's chain; returns the
// id of the next record that is not a CONTINUE.
std::uint16_t ReadContinueRecords(TOle2File& DataStream, TBaseRecord& aRecord, TRecordHeader& RecordHeader);

// Reads aCount bytes from data offset aPos of aRecord on into its CONTINUE
// chain. aRecord and aPos end just behind the bytes read. aDest may be null:
// the bytes are then skipped.
void ReadAcross(const TBaseRecord*& aRecord, std::size_t& aPos, std::size_t aCount, std::uint8_t* aDest);

// Data bytes left in aRecord's chain from aPos on.
std::int64_t BytesLeftAcross(const TBaseRecord* aRecord, std::size_t aPos);

// State of a string's characters being read across CONTINUE records.
struct TCharsAcross {
    std::size_t CharCount = 0;     // characters of the string
    std::size_t CharsRead = 0;     // characters done
    std::uint8_t PieceOptions = 0; // option byte of the current piece (bit 0: 16-bit)
    bool Wide = false;             // the characters are kept 16-bit
    bool Widened = false;          // an 8-bit string turned 16-bit on the way
};

// Reads the characters of a string whose text may be split over CONTINUE
// records; each CONTINUE starts with the option byte of its piece. Characters
// go to aShort while the string is 8-bit, to aWide once it is 16-bit.
void ReadCharsAcross(const TBaseRecord*& aRecord, std::size_t& aPos, TBytes& aShort, std::u16string& aWide,
                     TCharsAcross& aState);

}  // namespace xls
