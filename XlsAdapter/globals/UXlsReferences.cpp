#include "globals/UXlsReferences.h"

namespace xls {

namespace {

constexpr std::uint16_t kLocalBookMarker = 0x0401;
constexpr std::size_t kXtiSize = 6;

bool IsLocalSupBook(const TBaseRecord& aRecord)
{
    return aRecord.DataSize() == 4 && GetWord(aRecord.Data(), 2) == kLocalBookMarker;
}

// The data of a record and its CONTINUE chain as one buffer.
TBytes ChainData(const TBaseRecord& aRecord)
{
    TBytes all;
    for (const TBaseRecord* r = &aRecord; r; r = r->Continue()) all.insert(all.end(), r->Data().begin(), r->Data().end());
    return all;
}

// A record like aRecord whose chain holds aData, cut into pieces of the same sizes.
std::unique_ptr<TBaseRecord> WithChainData(const TBaseRecord& aRecord, const TBytes& aData)
{
    std::size_t pos = 0;
    auto piece = [&](const TBaseRecord& r) {
        TBytes part(aData.begin() + std::ptrdiff_t(pos), aData.begin() + std::ptrdiff_t(pos + r.DataSize()));
        pos += r.DataSize();
        return part;
    };
    auto copy = std::make_unique<TBaseRecord>(aRecord.Id(), piece(aRecord));
    TBaseRecord* last = copy.get();
    for (const TContinueRecord* c = aRecord.Continue(); c; c = c->Continue()) {
        auto next = std::make_unique<TContinueRecord>(c->Id(), piece(*c));
        TBaseRecord* added = next.get();
        last->AddContinue(std::move(next));
        last = added;
    }
    return copy;
}

std::size_t XtiCount(TByteView aTable)
{
    const std::size_t count = GetWord(aTable, 0);
    CheckField(aTable.size(), 2, count * kXtiSize);
    return count;
}

// Moves one XTI sheet field for an insertion (SheetCount > 0) or deletion.
void MoveXtiSheet(TByteSpan aTable, std::size_t aOfs, std::int64_t BeforeSheet, std::int64_t SheetCount)
{
    const std::uint16_t sheet = GetWord(aTable, aOfs);
    if (SheetCount < 0 && sheet >= BeforeSheet && sheet < BeforeSheet - SheetCount) {
        SetWord(aTable, aOfs, XtiDeletedSheet);
        return;
    }
    if (sheet < XtiWholeBook && sheet >= BeforeSheet)
        SetWord(aTable, aOfs, static_cast<std::uint16_t>(CheckedShift(sheet, SheetCount, MaxReferencedSheet)));
}

}  // namespace

void TReferences::Clear()
{
    FSupBooks.clear();
    FExternSheets.clear();
    FLocalSupBook = -1;
}

void TReferences::AddSupBook(std::unique_ptr<TBaseRecord> aRecord)
{
    if (IsLocalSupBook(*aRecord)) FLocalSupBook = static_cast<std::int32_t>(FSupBooks.size());
    FSupBooks.push_back({std::move(aRecord), {}});
}

void TReferences::AddExternName(std::unique_ptr<TBaseRecord> aRecord)
{
    if (FSupBooks.empty()) RaiseXls(TXlsMsg::ExcelRecordsInvalid);
    FSupBooks.back().ExternNames.push_back(std::move(aRecord));
}

void TReferences::AddExternRef(std::unique_ptr<TBaseRecord> aRecord)
{
    XtiCount(ChainData(*aRecord));
    FExternSheets.push_back(std::move(aRecord));
}

void TReferences::InsertSheets(std::int32_t BeforeSheet, std::int32_t SheetCount)
{
    if (SheetCount == 0 || FLocalSupBook < 0) return;

    // Everything is computed before anything changes, so a failure leaves the references as they were.
    const std::uint16_t local = static_cast<std::uint16_t>(FLocalSupBook);
    std::vector<TBytes> tables;
    for (const auto& externSheet : FExternSheets) {
        TBytes table = ChainData(*externSheet);
        const std::size_t count = XtiCount(table);
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t ofs = 2 + kXtiSize * i;
            if (GetWord(table, ofs) != local) continue;
            MoveXtiSheet(table, ofs + 2, BeforeSheet, SheetCount);
            MoveXtiSheet(table, ofs + 4, BeforeSheet, SheetCount);
        }
        tables.push_back(std::move(table));
    }
    TBaseRecord& supBook = *FSupBooks[static_cast<std::size_t>(FLocalSupBook)].Record;
    const std::int64_t sheets = CheckedShift(GetWord(supBook.Data(), 0), SheetCount, MaxReferencedSheet);

    for (std::size_t k = 0; k < FExternSheets.size(); ++k)
        FExternSheets[k] = WithChainData(*FExternSheets[k], tables[k]);
    SetWord(supBook.Data(), 0, static_cast<std::uint16_t>(sheets));
}

void TReferences::SaveToStream(TOle2File& DataStream)
{
    for (auto& supBook : FSupBooks) {
        supBook.Record->SaveToStream(DataStream);
        for (auto& name : supBook.ExternNames) name->SaveToStream(DataStream);
    }
    for (auto& externSheet : FExternSheets) externSheet->SaveToStream(DataStream);
}

std::int64_t TReferences::TotalSize() const
{
    std::int64_t size = 0;
    for (const auto& supBook : FSupBooks) {
        size += supBook.Record->TotalSize();
        for (const auto& name : supBook.ExternNames) size += name->TotalSize();
    }
    for (const auto& externSheet : FExternSheets) size += externSheet->TotalSize();
    return size;
}

}  // namespace xls
