#include "records/UXlsBaseRecords.h"

#include <algorithm>

#include "cfb/UOle2Impl.h"
#include "drawing/UXlsChart.h"
#include "globals/UXlsFormula.h"
#include "globals/UXlsPalette.h"
#include "globals/UXlsSST.h"
#include "globals/UXlsXF.h"
#include "records/UXlsOtherRecords.h"
#include "worksheet/UXlsCellRecords.h"
#include "worksheet/UXlsColInfo.h"
#include "worksheet/UXlsCondFmt.h"
#include "worksheet/UXlsHyperLink.h"
#include "worksheet/UXlsNotes.h"
#include "worksheet/UXlsPageBreaks.h"

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
    {xlr_FORMULA, Make<TFormulaRecord>},
    {xlr_EOF, Make<TEOFRecord>},
    {xlr_PRECISION, Make<TPrecisionRecord>},
    {xlr_REFMODE, Make<TRefModeRecord>},
    {xlr_HEADER, Make<TPageHeaderRecord>},
    {xlr_FOOTER, Make<TPageFooterRecord>},
    {xlr_EXTERNSHEET, Make<TBaseRecord>},  // later TExternSheetRecord
    {xlr_NAME, Make<TNameRecord>},
    {xlr_VPAGEBREAKS, Make<TVPageBreakRecord>},
    {xlr_HPAGEBREAKS, Make<THPageBreakRecord>},
    {xlr_NOTE, Make<TNoteRecord>},
    {xlr_DATEMODE, Make<T1904Record>},
    {xlr_EXTERNNAME, Make<TBaseRecord>},  // later TExternNameRecord
    {xlr_LEFTMARGIN, Make<TMarginRecord>},
    {xlr_RIGHTMARGIN, Make<TMarginRecord>},
    {xlr_TOPMARGIN, Make<TMarginRecord>},
    {xlr_BOTTOMMARGIN, Make<TMarginRecord>},
    {xlr_PRINTGRIDLINES, Make<TPrintGridLinesRecord>},
    {xlr_FILEPASS, RefuseEncrypted},  // encrypted workbooks cannot be read
    {xlr_FONT, Make<TFontRecord>},
    {xlr_CONTINUE, Make<TContinueRecord>},  // a CONTINUE with no record before it
    {xlr_WINDOW1, Make<TWindow1Record>},
    {xlr_PANE, Make<TPaneRecord>},
    {xlr_PLS, Make<TPlsRecord>},
    {xlr_DEFCOLWIDTH, Make<TDefColWidthRecord>},
    {0x0059, Make<TIgnoreRecord>},  // XCT
    {0x005A, Make<TIgnoreRecord>},  // CRN
    {xlr_OBJ, Make<TObjRecord>},
    {xlr_TEMPLATE, Make<TTemplateRecord>},
    {xlr_COLINFO, Make<TColInfoRecord>},
    {xlr_GUTS, Make<TGutsRecord>},
    {xlr_WSBOOL, Make<TWsBoolRecord>},
    {xlr_HCENTER, Make<TPrintCenteredRecord>},
    {xlr_VCENTER, Make<TPrintCenteredRecord>},
    {xlr_BOUNDSHEET, Make<TBoundSheetRecord>},
    {xlr_PALETTE, Make<TPaletteRecord>},
    {xlr_STANDARDWIDTH, Make<TStandardWidthRecord>},
    {xlr_AUTOFILTERINFO, Make<TAutoFilterInfoRecord>},
    {xlr_SCL, Make<TSCLRecord>},
    {xlr_SETUP, Make<TSetupRecord>},
    {xlr_MULRK, Make<TMulRKRecord>},
    {xlr_MULBLANK, Make<TMulBlankRecord>},
    {xlr_OBPROJ, Make<TObProjRecord>},
    {xlr_RSTRING, Make<TRStringRecord>},
    {0x00D7, Make<TIgnoreRecord>},  // DBCELL
    {xlr_BOOKBOOL, Make<TBookBoolRecord>},
    {xlr_XF, Make<TXFRecord>},
    {xlr_MERGECELLS, Make<TCellMergingRecord>},
    {xlr_MSODRAWINGGROUP, Make<TBaseRecord>},  // later TDrawingGroupRecord
    {xlr_MSODRAWING, Make<TBaseRecord>},  // later TDrawingRecord
    {0x00ED, Make<TIgnoreRecord>},  // MSODRAWINGSELECTION
    {xlr_SST, Make<TSSTRecord>},
    {xlr_LABELSST, Make<TLabelSSTRecord>},
    {xlr_EXTSST, Make<TIgnoreRecord>},
    {0x013D, Make<TIgnoreRecord>},  // TABID
    {xlr_SUPBOOK, Make<TBaseRecord>},  // later TSupBookRecord
    {xlr_CONDFMT, Make<TCondFmtRecord>},
    {xlr_CF, Make<TCFRecord>},
    {0x01B2, Make<TDValRecord>},
    {xlr_TXO, Make<TTXORecord>},
    {xlr_HLINK, Make<THLinkRecord>},
    {xlr_CODENAME, Make<TCodeNameRecord>},
    {0x01C1, Make<TIgnoreRecord>},  // RECALCID
    {xlr_DIMENSIONS, Make<TDimensionsRecord>},
    {xlr_BLANK, Make<TBlankRecord>},
    {xlr_NUMBER, Make<TNumberRecord>},
    {xlr_LABEL, Make<TLabelRecord>},
    {xlr_BOOLERR, Make<TBoolErrRecord>},
    {xlr_STRING, Make<TStringRecord>},
    {xlr_ROW, Make<TRowRecord>},
    {0x020B, Make<TIgnoreRecord>},  // INDEX
    {xlr_ARRAY, Make<TArrayRecord>},
    {xlr_EXTERNNAME2, Make<TBaseRecord>},  // later TExternNameRecord
    {xlr_DEFAULTROWHEIGHT, Make<TDefRowHeightRecord>},
    {xlr_TABLE, Make<TTableRecord>},
    {xlr_WINDOW2, Make<TWindow2Record>},
    {xlr_RK, Make<TRKRecord>},
    {xlr_STYLE, Make<TStyleRecord>},
    {xlr_FORMAT, Make<TFormatRecord>},
    {xlr_SHRFMLA, Make<TShrFmlaRecord>},
    {xlr_HLINKTOOLTIP, Make<TScreenTipRecord>},
    {xlr_BOF, Make<TBOFRecord>},
    {xlr_CHARTBEGIN, Make<TBeginRecord>},
    {xlr_CHARTEND, Make<TEndRecord>},
    {xlr_CHARTAI, Make<TChartAIRecord>},
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
