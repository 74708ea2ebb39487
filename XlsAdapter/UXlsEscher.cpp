#include "UXlsEscher.h"

#include <algorithm>

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
        if (RecordHeader.Id != xlr_MSODRAWINGGROUP) RaiseXls(TXlsMsg::ExcelRecordsInvalid);
        rec = ReadRecord(DataStream, RecordHeader);
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

}  // namespace xls
