#include "records/UXlsBaseRecords.h"

#include <algorithm>
#include <cstring>

#include "base/UXlsUnicode.h"
#include "cfb/UOle2Impl.h"
#include "records/UXlsOtherRecords.h"

namespace xls {

// --------------------------------------------------------------- TRecordBytes

TRecordBytes::TRecordBytes(TByteView aData) : FSize(static_cast<std::uint16_t>(aData.size()))
{
    if (aData.size() > 0xFFFF) RaiseXls(TXlsMsg::LogicalError);
    std::uint8_t* dest = FStore.data();
    if (OnHeap()) {
        dest = static_cast<std::uint8_t*>(PoolAllocate(FSize));
        std::memcpy(FStore.data(), &dest, sizeof dest);
    }
    if (!aData.empty()) std::memcpy(dest, aData.data(), aData.size());
}

TRecordBytes::TRecordBytes(TRecordBytes&& other) noexcept : FStore(other.FStore), FSize(other.FSize)
{
    other.FSize = 0;
}

TRecordBytes& TRecordBytes::operator=(TRecordBytes other) noexcept
{
    std::swap(FStore, other.FStore);
    std::swap(FSize, other.FSize);
    return *this;
}

TRecordBytes::~TRecordBytes()
{
    if (OnHeap()) PoolFree(HeapBlock(), FSize);
}

std::uint8_t* TRecordBytes::HeapBlock() const
{
    std::uint8_t* block;
    std::memcpy(&block, FStore.data(), sizeof block);
    return block;
}

// ---------------------------------------------------------------- TBaseRecord

// A sheet's cells are most of a workbook's memory; keep the base record small.
static_assert(sizeof(void*) != 8 || sizeof(TBaseRecord) <= 40);

TBaseRecord::TBaseRecord(std::uint16_t aId, TByteView aData) : FId(aId), FData(CheckedBody(aId, aData)) {}

TBaseRecord::TBaseRecord(const TBaseRecord& other) : FId(other.FId), FData(other.FData)
{
    // The chain is copied link by link: a long chain must not cost stack depth.
    std::unique_ptr<TContinueRecord>* tail = &FContinue;
    for (const TContinueRecord* c = other.Continue(); c; c = c->Continue()) {
        *tail = std::make_unique<TContinueRecord>(c->Id(), c->Data());
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
    FData = TRecordBytes(CheckedBody(FId, aData));
}

TByteView TBaseRecord::CheckedBody(std::uint16_t aId, TByteView aData)
{
    if (aData.size() > 0xFFFF) RaiseXls(TXlsMsg::RecordInvalid, {std::int64_t(aId)});
    return aData;
}

void TBaseRecord::AttachFollower(std::unique_ptr<TBaseRecord>)
{
    RaiseXls(TXlsMsg::ExcelRecordsInvalid);
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
    // A sheet writes a million small records: header and body go out in one write.
    std::array<std::uint8_t, 4 + 64> record;
    SetWord(record, 0, FId);
    SetWord(record, 2, static_cast<std::uint16_t>(aData.size()));
    if (aData.size() <= record.size() - 4) {
        if (!aData.empty()) std::memcpy(record.data() + 4, aData.data(), aData.size());
        StreamWrite(Workbook, TByteView(record.data(), 4 + aData.size()));
        return;
    }
    StreamWrite(Workbook, TByteView(record.data(), 4));
    StreamWrite(Workbook, aData);
}

void TBaseRecord::SaveContinueToStream(TOle2File& Workbook) const
{
    for (const TContinueRecord* c = Continue(); c; c = c->Continue()) c->SaveDataToStream(Workbook, c->Data());
}

void TBaseRecord::SaveToStream(TOle2File& Workbook)
{
    SaveDataToStream(Workbook, FData.View());
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

TBaseRowColRecord::TBaseRowColRecord(std::uint16_t aId, TByteView aData) : TBaseRecord(aId, aData)
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

// Reads a record body and hands it to aUse. Records are copied into their
// objects, so the body needs no heap block of its own unless it is large.
template <class F>
auto WithRecordBody(TOle2File& DataStream, std::uint16_t aSize, F&& aUse)
{
    std::array<std::uint8_t, 512> small;
    TBytes large;
    TByteSpan body(small.data(), aSize);
    if (aSize > small.size()) {
        large.resize(aSize);
        body = large;
    }
    StreamRead(DataStream, body);
    return aUse(TByteView(body));
}

bool IsFollowerId(std::uint16_t aId)
{
    return aId == xlr_TABLE || aId == xlr_ARRAY || aId == xlr_HLINKTOOLTIP;
}

}  // namespace

TRecordPlace NextRecordPlace(TOle2File& DataStream, const TRecordHeader& RecordHeader)
{
    const std::int64_t pos = StreamPosition(DataStream);
    if (RecordHeader.StreamEnded) return {0, pos, false};
    return {RecordHeader.Id, pos - 4, true};
}

void NameRecord(EXlsException& e, const TRecordPlace& aPlace, const TOle2File& DataStream)
{
    e.SetStream(Utf16ToUtf8(DataStream.StreamName()));
    if (aPlace.IsRecord)
        e.SetRecord(RecordName(aPlace.Id), aPlace.Id, aPlace.Offset);
    else
        e.SetOffset(aPlace.Offset);
}

std::uint16_t ReadContinueRecords(TOle2File& DataStream, TBaseRecord& aRecord, TRecordHeader& RecordHeader)
{
    TBaseRecord* last = &aRecord;
    while (RecordHeader.Id == xlr_CONTINUE) {
        AtNextRecord(DataStream, RecordHeader, [&] {
            auto cont = WithRecordBody(DataStream, RecordHeader.Size, [](TByteView aBody) {
                return std::make_unique<TContinueRecord>(xlr_CONTINUE, aBody);
            });
            TContinueRecord* added = cont.get();
            last->AddContinue(std::move(cont));
            last = added;
        });
        ReadNextHeader(DataStream, RecordHeader);
    }
    return RecordHeader.Id;
}

std::unique_ptr<TBaseRecord> ReadRecord(TOle2File& DataStream, TRecordHeader& RecordHeader, TRecordCreator aCreate)
{
    std::unique_ptr<TBaseRecord> rec = AtNextRecord(
        DataStream, RecordHeader, [&] {
        return WithRecordBody(DataStream, RecordHeader.Size,
                              [&](TByteView aBody) { return aCreate(RecordHeader.Id, aBody); });
    });
    ReadNextHeader(DataStream, RecordHeader);
    // A record too large for one body carries its CONTINUE chain; a follower
    // record may still come after that chain. A STRING is left for the owner
    // of the formula before it, which reads it as the next record.
    ReadContinueRecords(DataStream, *rec, RecordHeader);
    if (IsFollowerId(RecordHeader.Id))
        AtNextRecord(DataStream, RecordHeader,
                     [&] { rec->AttachFollower(ReadRecord(DataStream, RecordHeader, aCreate)); });
    if (RecordHeader.Id == xlr_STRING && !rec->IsFormulaKind())
        AtNextRecord(DataStream, RecordHeader, [] { RaiseXls(TXlsMsg::ExcelRecordsInvalid); });
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

void AppendRecords(TBytes& aOut, const TRecordTable& aTable)
{
    for (const auto& r : aTable) {
        if (r.Data.size() > MaxRecordDataSize) RaiseXls(TXlsMsg::LogicalError);
        AppendWord(aOut, r.Id);
        AppendWord(aOut, static_cast<std::uint16_t>(r.Data.size()));
        aOut.insert(aOut.end(), r.Data.begin(), r.Data.end());
    }
}

// ------------------------------------------------------------- record factory

namespace {

std::unique_ptr<TBaseRecord> RefuseEncrypted(std::uint16_t, TByteView)
{
    RaiseXls(TXlsMsg::FilePasswordProtected);
}

// Sorted by id.
constexpr TRecordKind kBaseRecordKinds[] = {
    {xlr_EOF, MakeRecord<TEOFRecord>},
    {xlr_PRECISION, MakeRecord<TPrecisionRecord>},
    {xlr_REFMODE, MakeRecord<TRefModeRecord>},
    {xlr_PROTECT, MakeRecord<TProtectRecord>},
    {xlr_HEADER, MakeRecord<TPageHeaderRecord>},
    {xlr_FOOTER, MakeRecord<TPageFooterRecord>},
    {xlr_DATEMODE, MakeRecord<T1904Record>},
    {xlr_LEFTMARGIN, MakeRecord<TMarginRecord>},
    {xlr_RIGHTMARGIN, MakeRecord<TMarginRecord>},
    {xlr_TOPMARGIN, MakeRecord<TMarginRecord>},
    {xlr_BOTTOMMARGIN, MakeRecord<TMarginRecord>},
    {xlr_PRINTGRIDLINES, MakeRecord<TPrintGridLinesRecord>},
    {xlr_FILEPASS, RefuseEncrypted},  // encrypted workbooks cannot be read
    {xlr_CONTINUE, MakeRecord<TContinueRecord>},  // a CONTINUE with no record before it
    {xlr_WINDOW1, MakeRecord<TWindow1Record>},
    {xlr_PANE, MakeRecord<TPaneRecord>},
    {xlr_PLS, MakeRecord<TPlsRecord>},
    {xlr_DEFCOLWIDTH, MakeRecord<TDefColWidthRecord>},
    {xlr_XCT, MakeRecord<TIgnoreRecord>},
    {xlr_CRN, MakeRecord<TIgnoreRecord>},
    {xlr_OBJ, MakeRecord<TObjRecord>},
    {xlr_TEMPLATE, MakeRecord<TTemplateRecord>},
    {xlr_GUTS, MakeRecord<TGutsRecord>},
    {xlr_WSBOOL, MakeRecord<TWsBoolRecord>},
    {xlr_HCENTER, MakeRecord<TPrintCenteredRecord>},
    {xlr_VCENTER, MakeRecord<TPrintCenteredRecord>},
    {xlr_BOUNDSHEET, MakeRecord<TBoundSheetRecord>},
    {xlr_STANDARDWIDTH, MakeRecord<TStandardWidthRecord>},
    {xlr_AUTOFILTERINFO, MakeRecord<TAutoFilterInfoRecord>},
    {xlr_SCL, MakeRecord<TSCLRecord>},
    {xlr_SETUP, MakeRecord<TSetupRecord>},
    {xlr_OBPROJ, MakeRecord<TObProjRecord>},
    {xlr_DBCELL, MakeRecord<TIgnoreRecord>},
    {xlr_BOOKBOOL, MakeRecord<TBookBoolRecord>},
    {xlr_MERGECELLS, MakeRecord<TCellMergingRecord>},
    {xlr_MSODRAWINGSELECTION, MakeRecord<TIgnoreRecord>},
    {xlr_EXTSST, MakeRecord<TIgnoreRecord>},
    {xlr_TABID, MakeRecord<TIgnoreRecord>},
    {xlr_DVAL, MakeRecord<TDValRecord>},
    {xlr_TXO, MakeRecord<TTXORecord>},
    {xlr_CODENAME, MakeRecord<TCodeNameRecord>},
    {xlr_RECALCID, MakeRecord<TIgnoreRecord>},
    {xlr_DIMENSIONS, MakeRecord<TDimensionsRecord>},
    {xlr_STRING, MakeRecord<TStringRecord>},
    {xlr_ROW, MakeRecord<TRowRecord>},
    {xlr_INDEX, MakeRecord<TIgnoreRecord>},
    {xlr_DEFAULTROWHEIGHT, MakeRecord<TDefRowHeightRecord>},
    {xlr_WINDOW2, MakeRecord<TWindow2Record>},
    {xlr_BOF, MakeRecord<TBOFRecord>},
    {xlr_FBI, MakeRecord<TIgnoreRecord>},  // chart font basis
};
static_assert(AreSortedById(kBaseRecordKinds), "record kinds must be sorted by id");

}  // namespace

std::unique_ptr<TBaseRecord> CreateFromKinds(std::span<const TRecordKind> aKinds, std::uint16_t aId, TByteView aData)
{
    auto it = std::lower_bound(aKinds.begin(), aKinds.end(), aId,
                               [](const TRecordKind& e, std::uint16_t id) { return e.Id < id; });
    if (it != aKinds.end() && it->Id == aId) return it->Create(aId, aData);
    return nullptr;
}

std::unique_ptr<TBaseRecord> CreateBaseRecord(std::uint16_t aId, TByteView aData)
{
    if (auto rec = CreateFromKinds(kBaseRecordKinds, aId, aData)) return rec;
    return std::make_unique<TBaseRecord>(aId, aData);
}

// ------------------------------------------------------------------ TCellRecord

TBytes TCellRecord::CellData(std::size_t aSize, std::uint16_t aRow, std::uint16_t aCol, std::uint16_t aXF)
{
    TBytes d(aSize, 0);
    SetWord(d, 0, aRow);
    SetWord(d, 2, aCol);
    SetWord(d, 4, aXF);
    return d;
}

bool TCellRecord::CanJoinNext(const TCellRecord*, std::int32_t) const
{
    return false;
}

void TCellRecord::SaveFirstMul(TOle2File& Workbook, std::int64_t)
{
    SaveToStream(Workbook);
}

}  // namespace xls
