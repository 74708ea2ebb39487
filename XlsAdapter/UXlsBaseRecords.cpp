#include "UXlsBaseRecords.h"

#include <algorithm>

#include "UOle2Impl.h"
#include "UXlsCellRecords.h"
#include "UXlsChart.h"
#include "UXlsColInfo.h"
#include "UXlsCondFmt.h"
#include "UXlsFormula.h"
#include "UXlsHyperLink.h"
#include "UXlsNotes.h"
#include "UXlsOtherRecords.h"
#include "UXlsPageBreaks.h"
#include "UXlsPalette.h"
#include "UXlsSST.h"
#include "UXlsXF.h"

namespace xls {

// ---------------------------------------------------------------- TBaseRecord

TBaseRecord::TBaseRecord(std::uint16_t aId, TBytes aData) : FId(aId)
{
    SetData(std::move(aData));
}

TBaseRecord::TBaseRecord(const TBaseRecord& other) : FId(other.FId), FData(other.FData)
{
    // The chain is copied link by link: a long chain must not cost stack depth.
    std::unique_ptr<TContinueRecord>* tail = &FContinue;
    for (const TContinueRecord* c = other.Continue(); c; c = c->Continue()) {
        *tail = std::make_unique<TContinueRecord>(c->Id(), TBytes(c->Data().begin(), c->Data().end()));
        tail = &(*tail)->FContinue;
    }
}

TBaseRecord::~TBaseRecord()
{
    // Unlink the chain first so that destroying it does not recurse once per link.
    std::unique_ptr<TContinueRecord> next = std::move(FContinue);
    while (next) next = std::move(next->FContinue);
}

void TBaseRecord::SetData(TBytes aData)
{
    if (aData.size() > 0xFFFF) RaiseXls(TXlsMsg::RecordInvalid, {std::int64_t(FId)});
    FData = std::move(aData);
}

void TBaseRecord::AddContinue(std::unique_ptr<TContinueRecord> aContinue)
{
    if (FContinue) RaiseXls(TXlsMsg::MoreThanOneContinue);
    FContinue = std::move(aContinue);
}

std::unique_ptr<TBaseRecord> TBaseRecord::DoCopyTo() const
{
    return std::make_unique<TBaseRecord>(*this);
}

void TBaseRecord::SaveDataToStream(TOle2File& Workbook, TByteView aData) const
{
    std::uint8_t header[4];
    SetWord(header, 0, FId);
    SetWord(header, 2, static_cast<std::uint16_t>(aData.size()));
    StreamWrite(Workbook, header);
    if (!aData.empty()) StreamWrite(Workbook, aData);
}

void TBaseRecord::SaveContinueToStream(TOle2File& Workbook) const
{
    for (const TContinueRecord* c = Continue(); c; c = c->Continue()) c->SaveDataToStream(Workbook, c->Data());
}

void TBaseRecord::SaveToStream(TOle2File& Workbook)
{
    SaveDataToStream(Workbook, FData);
    SaveContinueToStream(Workbook);
}

std::int64_t TBaseRecord::TotalSize() const
{
    std::int64_t size = 0;
    for (const TBaseRecord* r = this; r; r = r->Continue()) size += 4 + r->DataSize();
    return size;
}

std::int64_t TBaseRecord::TotalSizeNoHeaders() const
{
    std::int64_t size = 0;
    for (const TBaseRecord* r = this; r; r = r->Continue()) size += r->DataSize();
    return size;
}

// ---------------------------------------------------------- TBaseRowColRecord

TBaseRowColRecord::TBaseRowColRecord(std::uint16_t aId, TBytes aData) : TBaseRecord(aId, std::move(aData))
{
    CheckRowCol();
}

void TBaseRowColRecord::CheckRowCol() const
{
    if (DataSize() < 4) RaiseXls(TXlsMsg::RecordInvalid, {std::int64_t(Id())});
}

void TBaseRowColRecord::ArrangeInsertRowsAndCols(std::int32_t aRowPos, std::int32_t aRowCount, std::int32_t aColPos,
                                                 std::int32_t aColCount, const TSheetInfo& SheetInfo)
{
    CheckRowCol();
    if (!SheetInfo.MovesOwnCells()) return;
    if (Row() >= aRowPos) IncWord(Data(), 0, aRowCount, MaxRow);
    if (Column() >= aColPos) IncWord(Data(), 2, aColCount, MaxColumn);
}

void TBaseRowColRecord::ArrangeCopyRowsAndCols(std::int32_t RowOffset, std::int32_t ColOffset)
{
    CheckRowCol();
    SetRow(static_cast<std::uint16_t>(Row() + RowOffset));
    SetColumn(static_cast<std::uint16_t>(Column() + ColOffset));
}

std::int64_t TBaseRowColRecord::FixTotalSize(bool)
{
    return TotalSize();
}

// ------------------------------------------------------------ stream access

void StreamRead(TOle2File& DataStream, TByteSpan aBuffer)
{
    if (!aBuffer.empty()) DataStream.ReadMem(aBuffer.data(), aBuffer.size());
}

void StreamWrite(TOle2File& DataStream, TByteView aBuffer)
{
    if (!aBuffer.empty()) DataStream.WriteMem(aBuffer.data(), aBuffer.size());
}

std::int64_t StreamPosition(TOle2File& DataStream)
{
    return DataStream.Position();
}

// ------------------------------------------------------------ record reading

void ReadHeader(TOle2File& DataStream, TRecordHeader& RecordHeader)
{
    std::uint8_t buf[4];
    StreamRead(DataStream, buf);
    RecordHeader = {GetWord(buf, 0), GetWord(buf, 2)};
}

void ReadNextHeader(TOle2File& DataStream, TRecordHeader& RecordHeader)
{
    // Some writers fill the stream behind the last EOF; three bytes or fewer
    // cannot hold a header and end the stream as if an EOF followed.
    if (DataStream.NextEof(3)) {
        RecordHeader = {xlr_EOF, 0, true};
        return;
    }
    ReadHeader(DataStream, RecordHeader);
}

namespace {

TBytes ReadData(TOle2File& DataStream, std::uint16_t aSize)
{
    TBytes data(aSize);
    StreamRead(DataStream, data);
    return data;
}

bool IsFormulaKind(const TBaseRecord& aRecord)
{
    return dynamic_cast<const TFormulaRecord*>(&aRecord) || dynamic_cast<const TShrFmlaRecord*>(&aRecord) ||
           dynamic_cast<const TArrayRecord*>(&aRecord) || dynamic_cast<const TTableRecord*>(&aRecord);
}

template <class T>
std::unique_ptr<T> ReadFollower(TOle2File& DataStream, TRecordHeader& RecordHeader)
{
    std::unique_ptr<TBaseRecord> rec = ReadRecord(DataStream, RecordHeader);
    auto* typed = dynamic_cast<T*>(rec.get());
    if (!typed) RaiseXls(TXlsMsg::ExcelRecordsInvalid);
    rec.release();
    return std::unique_ptr<T>(typed);
}

// TABLE and ARRAY belong to the FORMULA before them, HLINKTOOLTIP to the
// HLINK before it; a STRING may only follow a formula kind (its owner reads it
// as the next record).
void AttachFollower(TOle2File& DataStream, TBaseRecord& aRecord, TRecordHeader& RecordHeader)
{
    switch (RecordHeader.Id) {
    case xlr_TABLE:
    case xlr_ARRAY: {
        auto* formula = dynamic_cast<TFormulaRecord*>(&aRecord);
        if (!formula) RaiseXls(TXlsMsg::ExcelRecordsInvalid);
        if (RecordHeader.Id == xlr_TABLE)
            formula->SetTableRecord(ReadFollower<TTableRecord>(DataStream, RecordHeader));
        else
            formula->SetArrayRecord(ReadFollower<TArrayRecord>(DataStream, RecordHeader));
        break;
    }
    case xlr_HLINKTOOLTIP: {
        auto* link = dynamic_cast<THLinkRecord*>(&aRecord);
        if (!link) RaiseXls(TXlsMsg::ExcelRecordsInvalid);
        link->AddHint(ReadFollower<TScreenTipRecord>(DataStream, RecordHeader));
        break;
    }
    default:
        break;
    }
    if (RecordHeader.Id == xlr_STRING && !IsFormulaKind(aRecord)) RaiseXls(TXlsMsg::ExcelRecordsInvalid);
}

}  // namespace

std::uint16_t ReadContinueRecords(TOle2File& DataStream, TBaseRecord& aRecord, TRecordHeader& RecordHeader)
{
    TBaseRecord* last = &aRecord;
    while (RecordHeader.Id == xlr_CONTINUE) {
        auto cont = std::make_unique<TContinueRecord>(xlr_CONTINUE, ReadData(DataStream, RecordHeader.Size));
        TContinueRecord* added = cont.get();
        last->AddContinue(std::move(cont));
        last = added;
        ReadNextHeader(DataStream, RecordHeader);
    }
    return RecordHeader.Id;
}

std::unique_ptr<TBaseRecord> ReadRecord(TOle2File& DataStream, TRecordHeader& RecordHeader)
{
    std::unique_ptr<TBaseRecord> rec = CreateRecord(RecordHeader.Id, ReadData(DataStream, RecordHeader.Size));
    ReadNextHeader(DataStream, RecordHeader);
    // A record too large for one body carries its CONTINUE chain; a follower
    // record may still come after that chain.
    ReadContinueRecords(DataStream, *rec, RecordHeader);
    AttachFollower(DataStream, *rec, RecordHeader);
    return rec;
}

// ------------------------------------------------------ reading across CONTINUE

void ReadAcross(const TBaseRecord*& aRecord, std::size_t& aPos, std::size_t aCount, std::uint8_t* aDest)
{
    // Bounded by the chain: every round either copies bytes or moves to the next link.
    for (;;) {
        if (aPos > aRecord->DataSize()) RaiseXls(TXlsMsg::ErrorReadingRecord);
        if (aCount == 0) return;
        if (aPos == aRecord->DataSize()) {
            aRecord = aRecord->Continue();
            if (!aRecord) RaiseXls(TXlsMsg::ErrorReadingRecord);
            aPos = 0;
            continue;
        }
        std::size_t n = std::min<std::size_t>(aCount, aRecord->DataSize() - aPos);
        if (aDest) {
            std::copy_n(aRecord->Data().begin() + static_cast<std::ptrdiff_t>(aPos), n, aDest);
            aDest += n;
        }
        aPos += n;
        aCount -= n;
    }
}

std::int64_t BytesLeftAcross(const TBaseRecord* aRecord, std::size_t aPos)
{
    std::int64_t left = std::int64_t(aRecord->DataSize()) - std::int64_t(aPos);
    for (const TBaseRecord* c = aRecord->Continue(); c; c = c->Continue()) left += c->DataSize();
    return left;
}

namespace {

void WidenInto(std::u16string& aWide, TByteView aBytes)
{
    for (std::uint8_t b : aBytes) aWide.push_back(b);
}

// Moves to the next CONTINUE record, whose first byte is the option byte of
// the next piece of characters.
void StartNextPiece(const TBaseRecord*& aRecord, std::size_t& aPos, TBytes& aShort, std::u16string& aWide,
                    TCharsAcross& aState)
{
    aRecord = aRecord->Continue();
    if (!aRecord || aRecord->DataSize() < 1) RaiseXls(TXlsMsg::ErrorReadingRecord);
    aState.PieceOptions = aRecord->Data()[0];
    aPos = 1;
    if ((aState.PieceOptions & 1) && !aState.Wide) {
        WidenInto(aWide, aShort);
        aShort.clear();
        aState.Wide = true;
        aState.Widened = true;
    }
}

}  // namespace

void ReadCharsAcross(const TBaseRecord*& aRecord, std::size_t& aPos, TBytes& aShort, std::u16string& aWide,
                     TCharsAcross& aState)
{
    for (;;) {
        if (aPos > aRecord->DataSize()) RaiseXls(TXlsMsg::ErrorReadingRecord);
        if (aState.CharsRead >= aState.CharCount) return;
        if (aPos == aRecord->DataSize()) {
            StartNextPiece(aRecord, aPos, aShort, aWide, aState);
            continue;
        }
        const std::size_t charSize = (aState.PieceOptions & 1) ? 2 : 1;
        const std::size_t avail = (aRecord->DataSize() - aPos) / charSize;
        // A character cut in half by a record boundary cannot be read.
        if (avail == 0) RaiseXls(TXlsMsg::ErrorReadingRecord);
        const std::size_t n = std::min(avail, aState.CharCount - aState.CharsRead);
        TByteView bytes = aRecord->Data().subspan(aPos, n * charSize);
        if (charSize == 2) {
            for (std::size_t i = 0; i < n; ++i) aWide.push_back(GetWord(bytes, 2 * i));
        } else if (aState.Wide) {
            WidenInto(aWide, bytes);
        } else {
            aShort.insert(aShort.end(), bytes.begin(), bytes.end());
        }
        aPos += n * charSize;
        aState.CharsRead += n;
    }
}

// ------------------------------------------------------------- record factory

namespace {

using TRecordCreator = std::unique_ptr<TBaseRecord> (*)(std::uint16_t aId, TBytes aData);

template <class T>
std::unique_ptr<TBaseRecord> Make(std::uint16_t aId, TBytes aData)
{
    return std::make_unique<T>(aId, std::move(aData));
}

std::unique_ptr<TBaseRecord> RefuseEncrypted(std::uint16_t, TBytes)
{
    RaiseXls(TXlsMsg::FilePasswordProtected);
}

struct TFactoryEntry {
    std::uint16_t Id;
    TRecordCreator Create;
};

// Sorted by id. Ids not listed become plain TBaseRecord objects, kept and
// written back unchanged. Entries marked "later" are kinds whose own classes
// come with the sections that interpret them; until then their bytes are kept.
constexpr TFactoryEntry kFactory[] = {
    {0x0006, Make<TFormulaRecord>},
    {0x000A, Make<TEOFRecord>},
    {0x000E, Make<TPrecisionRecord>},
    {0x000F, Make<TRefModeRecord>},
    {0x0014, Make<TPageHeaderRecord>},
    {0x0015, Make<TPageFooterRecord>},
    {0x0017, Make<TBaseRecord>},  // EXTERNSHEET, later TExternSheetRecord
    {0x0018, Make<TNameRecord>},
    {0x001A, Make<TVPageBreakRecord>},
    {0x001B, Make<THPageBreakRecord>},
    {0x001C, Make<TNoteRecord>},
    {0x0022, Make<T1904Record>},
    {0x0023, Make<TBaseRecord>},  // EXTERNNAME, later TExternNameRecord
    {0x0026, Make<TMarginRecord>},
    {0x0027, Make<TMarginRecord>},
    {0x0028, Make<TMarginRecord>},
    {0x0029, Make<TMarginRecord>},
    {0x002B, Make<TPrintGridLinesRecord>},
    {0x002F, RefuseEncrypted},  // FILEPASS: encrypted workbooks cannot be read
    {0x0031, Make<TFontRecord>},
    {0x003C, Make<TContinueRecord>},  // a CONTINUE with no record before it
    {0x003D, Make<TWindow1Record>},
    {0x0041, Make<TPaneRecord>},
    {0x004D, Make<TPlsRecord>},
    {0x0055, Make<TDefColWidthRecord>},
    {0x0059, Make<TIgnoreRecord>},  // XCT
    {0x005A, Make<TIgnoreRecord>},  // CRN
    {0x005D, Make<TObjRecord>},
    {0x0060, Make<TTemplateRecord>},
    {0x007D, Make<TColInfoRecord>},
    {0x0080, Make<TGutsRecord>},
    {0x0081, Make<TWsBoolRecord>},
    {0x0083, Make<TPrintCenteredRecord>},
    {0x0084, Make<TPrintCenteredRecord>},
    {0x0085, Make<TBoundSheetRecord>},
    {0x0092, Make<TPaletteRecord>},
    {0x0099, Make<TStandardWidthRecord>},
    {0x009D, Make<TAutoFilterInfoRecord>},
    {0x00A0, Make<TSCLRecord>},
    {0x00A1, Make<TSetupRecord>},
    {0x00BD, Make<TMulRKRecord>},
    {0x00BE, Make<TMulBlankRecord>},
    {0x00D3, Make<TObProjRecord>},
    {0x00D6, Make<TRStringRecord>},
    {0x00D7, Make<TIgnoreRecord>},  // DBCELL
    {0x00DA, Make<TBookBoolRecord>},
    {0x00E0, Make<TXFRecord>},
    {0x00E5, Make<TCellMergingRecord>},
    {0x00EB, Make<TBaseRecord>},  // MSODRAWINGGROUP, later TDrawingGroupRecord
    {0x00EC, Make<TBaseRecord>},  // MSODRAWING, later TDrawingRecord
    {0x00ED, Make<TIgnoreRecord>},  // MSODRAWINGSELECTION
    {0x00FC, Make<TSSTRecord>},
    {0x00FD, Make<TLabelSSTRecord>},
    {0x00FF, Make<TIgnoreRecord>},  // EXTSST
    {0x013D, Make<TIgnoreRecord>},  // TABID
    {0x01AE, Make<TBaseRecord>},  // SUPBOOK, later TSupBookRecord
    {0x01B0, Make<TCondFmtRecord>},
    {0x01B1, Make<TCFRecord>},
    {0x01B2, Make<TDValRecord>},
    {0x01B6, Make<TTXORecord>},
    {0x01B8, Make<THLinkRecord>},
    {0x01BA, Make<TCodeNameRecord>},
    {0x01C1, Make<TIgnoreRecord>},  // RECALCID
    {0x0200, Make<TDimensionsRecord>},
    {0x0201, Make<TBlankRecord>},
    {0x0203, Make<TNumberRecord>},
    {0x0204, Make<TLabelRecord>},
    {0x0205, Make<TBoolErrRecord>},
    {0x0207, Make<TStringRecord>},
    {0x0208, Make<TRowRecord>},
    {0x020B, Make<TIgnoreRecord>},  // INDEX
    {0x0221, Make<TArrayRecord>},
    {0x0223, Make<TBaseRecord>},  // EXTERNNAME, later TExternNameRecord
    {0x0225, Make<TDefRowHeightRecord>},
    {0x0236, Make<TTableRecord>},
    {0x023E, Make<TWindow2Record>},
    {0x027E, Make<TRKRecord>},
    {0x0293, Make<TStyleRecord>},
    {0x041E, Make<TFormatRecord>},
    {0x04BC, Make<TShrFmlaRecord>},
    {0x0800, Make<TScreenTipRecord>},
    {0x0809, Make<TBOFRecord>},
    {0x1033, Make<TBeginRecord>},
    {0x1034, Make<TEndRecord>},
    {0x1051, Make<TChartAIRecord>},
    {0x1060, Make<TIgnoreRecord>},  // FBI (chart font basis)
};

constexpr bool FactoryIsSorted()
{
    for (std::size_t i = 1; i < std::size(kFactory); ++i)
        if (kFactory[i - 1].Id >= kFactory[i].Id) return false;
    return true;
}
static_assert(FactoryIsSorted(), "record factory table must be sorted by id");

}  // namespace

std::unique_ptr<TBaseRecord> CreateRecord(std::uint16_t aId, TBytes aData)
{
    auto it = std::lower_bound(std::begin(kFactory), std::end(kFactory), aId,
                               [](const TFactoryEntry& e, std::uint16_t id) { return e.Id < id; });
    if (it != std::end(kFactory) && it->Id == aId) return it->Create(aId, std::move(aData));
    return std::make_unique<TBaseRecord>(aId, std::move(aData));
}

}  // namespace xls
