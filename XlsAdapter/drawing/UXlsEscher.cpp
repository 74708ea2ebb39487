#include "drawing/UXlsEscher.h"

#include <algorithm>

#include "records/UXlsOtherRecords.h"
#include "worksheet/UXlsRecordFactory.h"
#include "worksheet/UXlsSheet.h"

namespace xls {

namespace {

constexpr std::size_t kEscherHeaderSize = 8;

// Appends the data of a record and its CONTINUE chain, up to aLimit bytes in all.
void AppendChainData(const TBaseRecord& aRecord, TBytes& aDest, std::size_t aLimit)
{
    for (const TBaseRecord* r = &aRecord; r && aDest.size() < aLimit; r = r->Continue()) {
        const std::size_t n = std::min<std::size_t>(r->DataSize(), aLimit - aDest.size());
        aDest.insert(aDest.end(), r->Data().begin(), r->Data().begin() + std::ptrdiff_t(n));
    }
}

}  // namespace

void TDrawingGroup::LoadFromStream(TOle2File& DataStream, TRecordHeader& RecordHeader, std::unique_ptr<TBaseRecord> First)
{
    if (!FRecords.empty()) RaiseXls(TXlsMsg::ExcelRecordsInvalid);
    std::vector<std::unique_ptr<TBaseRecord>> records;
    TBytes header;  // the root container's 8-byte header
    std::int64_t loaded = 0;
    std::int64_t rootSize = -1;
    for (std::unique_ptr<TBaseRecord> rec = std::move(First);;) {
        AppendChainData(*rec, header, kEscherHeaderSize);
        loaded += rec->TotalSizeNoHeaders();
        records.push_back(std::move(rec));
        if (rootSize < 0 && header.size() == kEscherHeaderSize)
            rootSize = std::int64_t(kEscherHeaderSize) + GetCardinal(header, 4);
        if (rootSize >= 0 && loaded >= rootSize) break;
        // Each round reads one more record of a finite stream.
        rec = AtNextRecord(DataStream, RecordHeader, [&] {
            if (RecordHeader.Id != xlr_MSODRAWINGGROUP) RaiseXls(TXlsMsg::ExcelRecordsInvalid);
            return ReadRecord(DataStream, RecordHeader);
        });
    }
    FRecords = std::move(records);
}

void TDrawingGroup::SaveToStream(TOle2File& DataStream)
{
    for (auto& rec : FRecords) rec->SaveToStream(DataStream);
}

std::int64_t TDrawingGroup::TotalSize() const
{
    std::int64_t size = 0;
    for (const auto& rec : FRecords) size += rec->TotalSize();
    return size;
}

TDrawingGroup& DrawingGroupOf(TWorkbookGlobals& aGlobals)
{
    return static_cast<TDrawingGroup&>(aGlobals.DrawingGroup());
}

// ------------------------------------------------------------------- TDrawing

TDrawing::TDrawing() = default;
TDrawing::~TDrawing() = default;

bool TDrawing::StartsDrawing(std::uint16_t aId)
{
    return aId == xlr_MSODRAWING || aId == xlr_OBJ || aId == xlr_TXO;
}

namespace {

// Records that go on a drawing: its own records, and the picture data that
// follows a picture's OBJ.
bool BelongsToDrawing(std::uint16_t aId)
{
    return TDrawing::StartsDrawing(aId) || aId == xlr_IMDATA;
}

bool IsChartObject(const TBaseRecord& aRecord)
{
    const auto* obj = dynamic_cast<const TObjRecord*>(&aRecord);
    return obj && obj->IsChart();
}

}  // namespace

void TDrawing::AddRecord(std::unique_ptr<TBaseRecord> aRecord)
{
    FParts.push_back({std::move(aRecord), nullptr});
}

void TDrawing::LoadChart(TOle2File& DataStream, TRecordHeader& RecordHeader, TSST& SST)
{
    std::unique_ptr<TBaseRecord> bof = AtNextRecord(DataStream, RecordHeader, [&] {
        if (RecordHeader.Id != xlr_BOF || RecordHeader.StreamEnded) RaiseXls(TXlsMsg::ExcelRecordsInvalid);
        return ReadRecord(DataStream, RecordHeader);
    });
    auto chart = std::make_unique<TTbrChart>(nullptr);
    chart->LoadFromStream(DataStream, RecordHeader, TakeRecordAs<TBOFRecord>(std::move(bof)), SST);
    std::unique_ptr<TBaseRecord> remaining = chart->TakeRemainingData();
    FParts.push_back({nullptr, std::move(chart)});
    // Drawing data that came in a CONTINUE behind the chart's EOF stays behind it.
    if (remaining) AddRecord(std::move(remaining));
}

void TDrawing::LoadFromStream(TOle2File& DataStream, TRecordHeader& RecordHeader, std::unique_ptr<TBaseRecord> First,
                              TSST& SST)
{
    for (std::unique_ptr<TBaseRecord> rec = std::move(First);;) {
        const bool chart = IsChartObject(*rec);
        AddRecord(std::move(rec));
        if (chart) LoadChart(DataStream, RecordHeader, SST);
        if (RecordHeader.StreamEnded || !BelongsToDrawing(RecordHeader.Id)) return;
        rec = ReadRecord(DataStream, RecordHeader);
    }
}

void TDrawing::SaveToStream(TOle2File& DataStream)
{
    for (auto& part : FParts) {
        if (part.Record) part.Record->SaveToStream(DataStream);
        if (part.Chart) part.Chart->SaveToStream(DataStream);
    }
}

std::int64_t TDrawing::TotalSize() const
{
    std::int64_t size = 0;
    for (const auto& part : FParts) size += part.Record ? part.Record->TotalSize() : part.Chart->TotalSize();
    return size;
}

void TDrawing::Clear()
{
    FParts.clear();
}

}  // namespace xls
