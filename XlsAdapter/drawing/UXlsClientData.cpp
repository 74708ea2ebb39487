#include "drawing/UXlsClientData.h"

#include <algorithm>

#include "worksheet/UXlsRecordFactory.h"
#include "worksheet/UXlsSheet.h"

namespace xls {

namespace {

constexpr std::uint16_t ftEnd = 0x00;
constexpr std::uint16_t ftPictFmla = 0x09;
constexpr std::size_t kObjIdOffset = 6;

// The OBJ records of new objects; their object id is set afterwards.
constexpr std::string_view kPictureObj =
    "15 00 12 00 08 00 01 00 11 60 00 00 00 00 00 00 00 00 00 00 00 00 07 00 02 00 FF FF 08 00 02 00 01 00 00 00 "
    "00 00";
constexpr std::string_view kCommentObj =
    "15 00 12 00 19 00 01 00 11 40 00 00 00 00 00 00 00 00 00 00 00 00 0D 00 16 00 00 12 23 8C 6C 50 8B 4D A8 C5 "
    "7B 64 FF A8 C5 A3 00 00 10 00 00 00 00 00 00 00";
constexpr std::string_view kDropDownObj =
    "15 00 12 00 14 00 01 00 01 21 00 00 00 00 00 00 00 00 00 00 00 00 0C 00 14 00 00 00 00 00 00 00 00 00 64 00 "
    "01 00 0A 00 00 00 10 00 01 00 13 00 EE 1F 00 00 00 00 04 00 01 03 00 00 02 00 08 00 6C 00 00 00 00 00";

// Cuts the chain behind aLast off its first record: that part is drawing data.
std::unique_ptr<TBaseRecord> CutChainAfter(TBaseRecord& aFirst, const TBaseRecord* aLast)
{
    for (TBaseRecord* r = &aFirst; r; r = r->Continue())
        if (r == aLast) return r->DetachContinue();
    return nullptr;
}

}  // namespace

// ---------------------------------------------------------------------- TMsObj

TMsObj::TMsObj() = default;
TMsObj::~TMsObj() = default;

std::unique_ptr<TMsObj> TMsObj::FromTemplate(std::string_view aHex, std::uint16_t& MaxId)
{
    auto obj = std::make_unique<TMsObj>();
    obj->FObjRecord = std::make_unique<TObjRecord>(xlr_OBJ, BytesFromHex(aHex));
    obj->ArrangeId(MaxId);
    return obj;
}

std::unique_ptr<TMsObj> TMsObj::CreateEmptyImg(std::uint16_t& MaxId) { return FromTemplate(kPictureObj, MaxId); }
std::unique_ptr<TMsObj> TMsObj::CreateEmptyNote(std::uint16_t& MaxId) { return FromTemplate(kCommentObj, MaxId); }
std::unique_ptr<TMsObj> TMsObj::CreateEmptyAutoFilter(std::uint16_t& MaxId)
{
    return FromTemplate(kDropDownObj, MaxId);
}

void TMsObj::ArrangeId(std::uint16_t& MaxId)
{
    if (MaxId == 0xFFFF) RaiseXls(TXlsMsg::TooManyEntries, {std::int64_t(MaxId) + 1, 0xFFFF});
    ++MaxId;
    SetId(MaxId);
}

void TMsObj::Clear()
{
    FObjRecord.reset();
    FChart.reset();
    FImData.reset();
    FHasPictFmla = false;
    RemainingData.reset();
}

std::uint16_t TMsObj::GetId() const
{
    return FObjRecord && FObjRecord->ObjId() == TObjRecord::ftCmo ? GetWord(FObjRecord->Data(), kObjIdOffset) : 0;
}

void TMsObj::SetId(std::uint16_t aId)
{
    if (FObjRecord && FObjRecord->ObjId() == TObjRecord::ftCmo) SetWord(FObjRecord->Data(), kObjIdOffset, aId);
}

bool TMsObj::GetIsAutoFilter() const
{
    if (!FObjRecord || FObjRecord->DataSize() != 70) return false;
    TByteView d = FObjRecord->Data();
    return d[0] == 0x15 && d[22] == 0x0C && d[46] == 0x13 && d[56] == 1 && d[57] == 3;
}

std::unique_ptr<TBaseClientData> TMsObj::CopyTo() const
{
    if (FHasPictFmla) RaiseXls(TXlsMsg::CantCopyOleObjects);
    auto copy = std::make_unique<TMsObj>();
    copy->FObjRecord = CopyRecord(FObjRecord.get());
    copy->FImData = CopyRecord(FImData.get());
    if (FChart) copy->FChart.reset(static_cast<TTbrChart*>(FChart->CopyTo().release()));
    return copy;
}

void TMsObj::LoadFromStream(TOle2File& DataStream, TRecordHeader& RecordHeader, std::unique_ptr<TBaseRecord> First,
                            TSST& SST)
{
    Clear();
    FObjRecord = TakeRecordAs<TObjRecord>(std::move(First));
    if (FObjRecord->IsChart()) {
        if (RecordHeader.Id != xlr_BOF || RecordHeader.StreamEnded) RaiseXls(TXlsMsg::ExcelRecordsInvalid);
        auto bof = TakeRecordAs<TBOFRecord>(ReadRecord(DataStream, RecordHeader));
        FChart = std::make_unique<TTbrChart>(nullptr);
        FChart->LoadFromStream(DataStream, RecordHeader, std::move(bof), SST);
    } else if (ObjectType() == otPicture && RecordHeader.Id == xlr_IMDATA && !RecordHeader.StreamEnded) {
        FImData = ReadRecord(DataStream, RecordHeader);
    }
    FindRemainingData();
    // Drawing data that came behind the chart's EOF.
    if (FChart && !RemainingData) RemainingData = FChart->TakeRemainingData();
}

void TMsObj::FindRemainingData()
{
    const TBaseRecord* rec = FObjRecord.get();
    std::size_t pos = 0;
    try {
        for (;;) {
            if (BytesLeftAcross(rec, pos) < 4) break;
            std::uint8_t head[4];
            ReadAcross(rec, pos, 4, head);
            const std::uint16_t type = GetWord(head, 0);
            const std::uint16_t len = GetWord(head, 2);
            if (type == ftPictFmla) FHasPictFmla = true;
            if (type == ftEnd || pos + len > rec->DataSize()) break;
            pos += len;
        }
    } catch (const EXlsException&) {
        return;  // sub-records that cannot be walked keep the whole chain
    }
    RemainingData = CutChainAfter(*FObjRecord, rec);
}

void TMsObj::SaveToStream(TOle2File& DataStream)
{
    if (!FObjRecord) RaiseXls(TXlsMsg::ExcelRecordsInvalid);
    FObjRecord->SaveToStream(DataStream);
    if (FImData) FImData->SaveToStream(DataStream);
    if (FChart) FChart->SaveToStream(DataStream);
}

std::int64_t TMsObj::TotalSize() const
{
    if (!FObjRecord) RaiseXls(TXlsMsg::ExcelRecordsInvalid);
    return FObjRecord->TotalSize() + (FImData ? FImData->TotalSize() : 0) + (FChart ? FChart->TotalSize() : 0);
}

void TMsObj::ArrangeCopyRowsAndCols(std::int32_t RowOffset, std::int32_t ColOffset)
{
    if (FChart) FChart->ArrangeCopyRowsAndCols(RowOffset, ColOffset);
}

void TMsObj::ArrangeInsertRowsAndCols(std::int32_t aRowPos, std::int32_t aRowCount, std::int32_t aColPos,
                                      std::int32_t aColCount, const TSheetInfo& SheetInfo)
{
    if (FChart) FChart->ArrangeInsertRowsAndCols(aRowPos, aRowCount, aColPos, aColCount, SheetInfo);
}

void TMsObj::ArrangeCopySheet(const TSheetInfo& SheetInfo)
{
    if (FChart) FChart->ArrangeCopySheet(SheetInfo);
}

// ------------------------------------------------------------------------ TTXO

namespace {

constexpr std::size_t kTextLengthOffset = 10;
constexpr std::size_t kRunsLengthOffset = 12;
constexpr std::size_t kRunSize = 8;

}  // namespace

std::unique_ptr<TTXO> TTXO::CreateFromData()
{
    auto txo = std::make_unique<TTXO>();
    txo->FTXO = TTXORecord::CreateFromData();
    return txo;
}

std::unique_ptr<TBaseClientData> TTXO::CopyTo() const
{
    auto copy = std::make_unique<TTXO>();
    copy->FTXO = CopyRecord(FTXO.get());
    return copy;
}

void TTXO::LoadFromStream(TOle2File&, TRecordHeader&, std::unique_ptr<TBaseRecord> First, TSST&)
{
    Clear();
    RemainingData.reset();
    FTXO = TakeRecordAs<TTXORecord>(std::move(First));
    const TBaseRecord* last = FTXO.get();
    try {
        ReadValue(last);
    } catch (const EXlsException&) {
        return;  // a text that cannot be read keeps the whole chain
    }
    RemainingData = CutChainAfter(*FTXO, last);
}

TRichString TTXO::ReadValue(const TBaseRecord*& aLast) const
{
    TRichString value;
    aLast = FTXO.get();
    TByteView d = FTXO->Data();
    if (d.size() < kRunsLengthOffset + 2 || !FTXO->Continue()) return value;
    const std::uint16_t length = GetWord(d, kTextLengthOffset);
    const std::uint16_t runsLength = GetWord(d, kRunsLengthOffset);
    if (length == 0) return value;  // every CONTINUE is drawing data

    const TBaseRecord* rec = FTXO.get();
    std::size_t pos = rec->DataSize();
    TCharsAcross state;
    state.CharCount = length;
    TBytes narrow;
    ReadCharsAcross(rec, pos, narrow, value.Value, state);
    if (!state.Wide) value.Value.assign(narrow.begin(), narrow.end());

    // The runs follow the text, normally in a CONTINUE of their own.
    if (runsLength > 0) {
        if (pos == rec->DataSize()) {
            rec = rec->Continue();
            pos = 0;
            if (!rec) RaiseXls(TXlsMsg::ErrorReadingRecord);
        }
        TBytes runs(runsLength);
        ReadAcross(rec, pos, runs.size(), runs.data());
        for (std::size_t i = 0; i + kRunSize <= runs.size(); i += kRunSize)
            value.RTFRuns.push_back({GetWord(runs, i), GetWord(runs, i + 2)});
        if (!value.RTFRuns.empty()) value.RTFRuns.pop_back();  // the run that closes the text
    }
    aLast = rec;
    return value;
}

TRichString TTXO::GetValue() const
{
    if (!FTXO) return {};
    const TBaseRecord* last = nullptr;
    return ReadValue(last);
}

namespace {

bool NeedsWideChars(std::u16string_view aText)
{
    return std::any_of(aText.begin(), aText.end(), [](char16_t c) { return c > 0xFF; });
}

// The text in CONTINUE records of at most the record size limit, each
// starting with its width byte.
std::vector<TBytes> TextPieces(std::u16string_view aText)
{
    const bool wide = NeedsWideChars(aText);
    const std::size_t perPiece = (MaxRecordDataSize - 1) / (wide ? 2 : 1);
    std::vector<TBytes> pieces;
    for (std::size_t start = 0; start < aText.size(); start += perPiece) {
        TBytes piece{static_cast<std::uint8_t>(wide ? 1 : 0)};
        for (char16_t c : aText.substr(start, perPiece)) {
            if (wide)
                AppendWord(piece, c);
            else
                AppendByte(piece, static_cast<std::uint8_t>(c));
        }
        pieces.push_back(std::move(piece));
    }
    return pieces;
}

// The font runs of the text: they start at character 0 and end with a run
// at the text's end.
TRTFRunList TextRuns(const TRichString& aValue)
{
    const auto length = static_cast<std::uint16_t>(aValue.Value.size());
    TRTFRunList runs;
    for (const TRTFRun& r : aValue.RTFRuns)
        if (r.FirstChar < length && (runs.empty() || r.FirstChar > runs.back().FirstChar)) runs.push_back(r);
    if (runs.empty() || runs.front().FirstChar != 0) runs.insert(runs.begin(), {0, 0});
    runs.push_back({length, 0});
    return runs;
}

}  // namespace

void TTXO::SetValue(const TRichString& aValue)
{
    if (!FTXO || FTXO->DataSize() < kRunsLengthOffset + 2) RaiseXls(TXlsMsg::ExcelRecordsInvalid);
    if (aValue.Value.size() > 0xFFFF)
        RaiseXls(TXlsMsg::CellTextTooLong, {std::int64_t(aValue.Value.size()), 0xFFFF});
    const auto length = static_cast<std::uint16_t>(aValue.Value.size());
    const TRTFRunList runs = length > 0 ? TextRuns(aValue) : TRTFRunList{};
    if (runs.size() * kRunSize > MaxRecordDataSize) RaiseXls(TXlsMsg::TooManyEntries, {std::int64_t(runs.size()), 1028});
    SetWord(FTXO->Data(), kTextLengthOffset, length);
    SetWord(FTXO->Data(), kRunsLengthOffset, static_cast<std::uint16_t>(runs.size() * kRunSize));
    FTXO->DetachContinue();
    if (length == 0) return;

    std::vector<TBytes> pieces = TextPieces(aValue.Value);
    TBytes runBytes;
    for (const TRTFRun& r : runs) {
        AppendWord(runBytes, r.FirstChar);
        AppendWord(runBytes, r.FontIndex);
        AppendCardinal(runBytes, 0);
    }
    pieces.push_back(std::move(runBytes));
    TBaseRecord* last = FTXO.get();
    for (TBytes& piece : pieces) {
        last->AddContinue(std::make_unique<TContinueRecord>(xlr_CONTINUE, std::move(piece)));
        last = last->Continue();
    }
}

void TTXO::SaveToStream(TOle2File& DataStream)
{
    if (!FTXO) RaiseXls(TXlsMsg::ExcelRecordsInvalid);
    FTXO->SaveToStream(DataStream);
}

std::int64_t TTXO::TotalSize() const
{
    if (!FTXO) RaiseXls(TXlsMsg::ExcelRecordsInvalid);
    return FTXO->TotalSize();
}

std::unique_ptr<TBaseClientData> CreateClientData(std::uint16_t aRecordId)
{
    if (aRecordId == xlr_TXO) return std::make_unique<TTXO>();
    return std::make_unique<TMsObj>();
}

}  // namespace xls
