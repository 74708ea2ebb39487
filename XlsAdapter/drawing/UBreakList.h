// Where a drawing's Escher stream is cut into BIFF records. The tree is
// measured first: every cut becomes an entry (the record that starts there
// and the size of the piece before it). Writing then puts each BIFF header
// in at its position, so the tree writes itself in one pass. A shape's OBJ
// and TXO records go between the pieces; their bytes move the later cuts.
#pragma once

#include <cstdint>
#include <vector>

#include "base/UXlsBytes.h"

namespace xls {

class TOle2File;

// The largest data size of one BIFF record of drawing data.
constexpr std::int64_t MaxDrawingPieceSize = 8224;

class TBreakList {
public:
    // ZeroPos is the stream position where the drawing data starts.
    explicit TBreakList(std::int64_t ZeroPos) : FZeroPos(ZeroPos) {}

    // A cut: record aId starts after a piece of aPreviousSize bytes.
    void Add(std::uint16_t aId, std::int64_t aPreviousSize);
    // aBytes of client records were written between two pieces.
    void AddToZeroPos(std::int64_t aBytes) { FZeroPos += aBytes; }

    // Writes aData, putting in every BIFF header that falls due before or
    // inside it. Fails with "Tabora: Logical Error" when the stream has
    // passed a due header.
    void Write(TOle2File& DataStream, TByteView aData);

private:
    struct TEntry {
        std::uint16_t Id;
        std::int64_t PreviousSize;
        std::int64_t Total;  // the sizes of the pieces up to this cut
    };
    // Stream position of the header of the entry to be written next.
    std::int64_t DuePosition() const;
    bool HasDueHeader() const { return FCurrentPos + 1 < FEntries.size(); }

    std::vector<TEntry> FEntries;
    std::int64_t FZeroPos;
    std::size_t FCurrentPos = 0;
};

// The walk that measures a drawing: bytes in the current BIFF record, bytes
// written in all (BIFF headers and client records included), and the record
// to open before the next Escher record (none after -1).
struct TSplitState {
    std::int64_t NextPos = 0;
    std::int64_t RealSize = 0;
    std::int32_t NextDwg = -1;
    TBreakList* Breaks = nullptr;  // none when only measuring

    // Opens the pending BIFF record, if any, before an Escher record.
    void BeginRecord();
    // Accounts for aCount bytes of drawing data, cutting CONTINUE records at
    // the size limit.
    void Account(std::int64_t aCount);
    // Client records of aSize bytes follow; the next Escher record opens a
    // new aNextRecord.
    void AddClientRecords(std::int64_t aSize, std::uint16_t aNextRecord);
    // The closing entry: the size of the last piece.
    void Finish();
};

}  // namespace xls
