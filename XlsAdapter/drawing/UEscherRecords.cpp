#include "drawing/UEscherRecords.h"

#include <algorithm>
#include <utility>

#include "drawing/UEscherOtherRecords.h"
#include "drawing/UXlsBaseClientData.h"
#include "drawing/UXlsInflate.h"
#include "drawing/UXlsMD5.h"

namespace xls {

namespace {

// aNum / aDen rounded to the nearest whole number, halves to the even one.
std::int64_t DivRoundEven(std::int64_t aNum, std::int64_t aDen)
{
    if (aDen <= 0) return 0;
    const bool negative = aNum < 0;
    const std::int64_t num = negative ? -aNum : aNum;
    std::int64_t q = num / aDen;
    const std::int64_t twiceRest = 2 * (num % aDen);
    if (twiceRest > aDen || (twiceRest == aDen && (q & 1))) ++q;
    return negative ? -q : q;
}

std::vector<std::int64_t> RunningSums(const std::vector<std::int32_t>& aSizes)
{
    std::vector<std::int64_t> starts(aSizes.size() + 1, 0);
    for (std::size_t i = 0; i < aSizes.size(); ++i) starts[i + 1] = starts[i] + std::max(aSizes[i], 0);
    return starts;
}

std::int64_t Position(const std::vector<std::int64_t>& aStarts, std::int64_t aIndex, std::int64_t aOffset,
                      std::int64_t aFull)
{
    const std::size_t i = static_cast<std::size_t>(std::clamp<std::int64_t>(aIndex, 0, std::int64_t(aStarts.size()) - 2));
    return aStarts[i] + DivRoundEven(aOffset * (aStarts[i + 1] - aStarts[i]), aFull);
}

void FromPosition(const std::vector<std::int64_t>& aStarts, std::int64_t aPos, std::int64_t aFull,
                  std::uint16_t& aIndex, std::uint16_t& aOffset)
{
    // The last entry whose start is at or before aPos, of all but the end.
    auto it = std::upper_bound(aStarts.begin(), aStarts.end() - 1, aPos);
    const std::size_t i = it == aStarts.begin() ? 0 : static_cast<std::size_t>(it - aStarts.begin()) - 1;
    const std::int64_t size = aStarts[i + 1] - aStarts[i];
    aIndex = static_cast<std::uint16_t>(i);
    aOffset = static_cast<std::uint16_t>(
        size == 0 ? 0 : std::clamp<std::int64_t>(DivRoundEven((aPos - aStarts[i]) * aFull, size), 0, aFull));
}

template <class T>
void EraseValue(std::vector<T*>& aList, const T* aValue)
{
    std::erase(aList, aValue);
}

}  // namespace

// -------------------------------------------------------------- TSheetGeometry

TSheetGeometry::TSheetGeometry(const std::vector<std::int32_t>& aColWidths, const std::vector<std::int32_t>& aRowHeights)
    : FColStart(RunningSums(aColWidths)), FRowStart(RunningSums(aRowHeights))
{
    if (aColWidths.empty() || aRowHeights.empty()) RaiseXls(TXlsMsg::LogicalError);
}

std::int64_t TSheetGeometry::X(std::int32_t aCol, std::int32_t aDx) const { return Position(FColStart, aCol, aDx, 1024); }
std::int64_t TSheetGeometry::Y(std::int32_t aRow, std::int32_t aDy) const { return Position(FRowStart, aRow, aDy, 255); }

void TSheetGeometry::FromX(std::int64_t aX, std::uint16_t& aCol, std::uint16_t& aDx) const
{
    FromPosition(FColStart, aX, 1024, aCol, aDx);
}

void TSheetGeometry::FromY(std::int64_t aY, std::uint16_t& aRow, std::uint16_t& aDy) const
{
    FromPosition(FRowStart, aY, 255, aRow, aDy);
}

// ---------------------------------------------------------------------- caches

void TEscherShapeCache::Add(TEscherSPRecord* aShape)
{
    FItems.push_back(aShape);
    FSorted = false;
}

void TEscherShapeCache::Remove(const TEscherSPRecord* aShape)
{
    std::erase(FItems, aShape);
}

TEscherSPRecord* TEscherShapeCache::Find(std::uint32_t aShapeId)
{
    auto key = [](const TEscherSPRecord* s) { return s->Data().size() >= 4 ? s->ShapeId() : 0; };
    if (!FSorted) {
        std::stable_sort(FItems.begin(), FItems.end(), [&](auto* a, auto* b) { return key(a) < key(b); });
        FSorted = true;
    }
    auto it = std::lower_bound(FItems.begin(), FItems.end(), aShapeId,
                               [&](const TEscherSPRecord* s, std::uint32_t id) { return key(s) < id; });
    return it != FItems.end() && key(*it) == aShapeId ? *it : nullptr;
}

void TEscherDwgCache::Reset()
{
    MaxObjId = 0;
    Dg = nullptr;
    Solver = nullptr;
    Patriarch = nullptr;
    Anchor.clear();
    Shape.Clear();
    Obj.clear();
    Blip.clear();
}

// --------------------------------------------------------------- TEscherRecord

TEscherRecord::TEscherRecord(const TEscherRecordHeader& aHeader, const TEscherContext& aContext)
    : FTotalDataSize(aHeader.Size), FLoadedDataSize(0), FParent(aContext.Parent), FDwgCache(aContext.DwgCache),
      FGroupCache(aContext.GroupCache), FPre(aHeader.Pre), FId(aHeader.Id)
{
}

TEscherRecord::TEscherRecord(const TEscherRecord& aSource, const TEscherContext& aContext)
    : FTotalDataSize(aSource.FTotalDataSize), FLoadedDataSize(aSource.FLoadedDataSize), FParent(aContext.Parent),
      FDwgCache(aContext.DwgCache), FGroupCache(aContext.GroupCache), FPre(aSource.FPre), FId(aSource.FId)
{
}

bool TEscherRecord::Loaded() const
{
    if (FLoadedDataSize > FTotalDataSize) RaiseXls(TXlsMsg::LogicalError);
    return FLoadedDataSize == FTotalDataSize;
}

void TEscherRecord::SplitRecords(TSplitState& aState) const
{
    aState.BeginRecord();
    aState.Account(EscherHeaderSize);
}

void TEscherRecord::SaveToStream(TOle2File& DataStream, TBreakList& Breaks)
{
    if (!Loaded()) RaiseXls(TXlsMsg::EscherNotFullyLoaded);
    std::uint8_t header[EscherHeaderSize];
    SetWord(header, 0, FPre);
    SetWord(header, 2, FId);
    SetCardinal(header, 4, WrittenDataSize());
    Breaks.Write(DataStream, header);
    SaveBody(DataStream, Breaks);
}

std::unique_ptr<TEscherRecord> TEscherRecord::CopyTo(const TEscherContext& aContext) const
{
    if (!Loaded()) RaiseXls(TXlsMsg::EscherNotFullyLoaded);
    auto copy = DoCopyTo(aContext);
    FCopiedTo = copy.get();
    copy->CopyChildrenFrom(*this, aContext.NewObjIds);
    return copy;
}

void TEscherRecord::ArrangeInsertRowsAndCols(std::int32_t, std::int32_t, std::int32_t, std::int32_t, const TSheetInfo&) {}
void TEscherRecord::ArrangeCopySheet(const TSheetInfo&) {}
void TEscherRecord::ArrangeCopyRowsAndCols(std::int32_t, std::int32_t) {}

// ----------------------------------------------------------- TEscherDataRecord

TEscherDataRecord::TEscherDataRecord(const TEscherRecordHeader& aHeader, const TEscherContext& aContext)
    : TEscherRecord(aHeader, aContext)
{
}

TEscherDataRecord::TEscherDataRecord(std::uint16_t aPre, std::uint16_t aId, TBytes aData,
                                     const TEscherContext& aContext)
    : TEscherRecord(TEscherRecordHeader{aPre, aId, static_cast<std::uint32_t>(aData.size())}, aContext),
      FData(std::move(aData))
{
    FLoadedDataSize = FTotalDataSize;
}

TEscherDataRecord::TEscherDataRecord(const TEscherDataRecord& aSource, const TEscherContext& aContext)
    : TEscherRecord(aSource, aContext), FData(aSource.FData)
{
}

std::unique_ptr<TEscherRecord> TEscherDataRecord::DoCopyTo(const TEscherContext& aContext) const
{
    return std::make_unique<TEscherDataRecord>(*this, aContext);
}

void TEscherDataRecord::Load(TEscherReadPos& aPos, int)
{
    const std::int64_t missing = FTotalDataSize - FLoadedDataSize;
    if (missing <= 0) return;
    const std::int64_t available = aPos.BytesLeft();
    if (available <= 0) RaiseXls(TXlsMsg::EscherLoadError);
    const auto count = static_cast<std::size_t>(std::min(missing, available));
    const std::size_t start = FData.size();
    FData.resize(start + count);
    aPos.Read(FData.data() + start, count);
    FLoadedDataSize += std::int64_t(count);
}

void TEscherDataRecord::SplitRecords(TSplitState& aState) const
{
    TEscherRecord::SplitRecords(aState);
    aState.Account(FTotalDataSize);
}

void TEscherDataRecord::SaveBody(TOle2File& DataStream, TBreakList& Breaks)
{
    Breaks.Write(DataStream, FData);
}

void TEscherDataRecord::SetData(TBytes aData)
{
    FData = std::move(aData);
    FTotalDataSize = FLoadedDataSize = std::int64_t(FData.size());
}

// ------------------------------------------------------ TEscherContainerRecord

TEscherContainerRecord::TEscherContainerRecord(const TEscherRecordHeader& aHeader, const TEscherContext& aContext)
    : TEscherRecord(aHeader, aContext)
{
}

TEscherContainerRecord::TEscherContainerRecord(const TEscherContainerRecord& aSource, const TEscherContext& aContext)
    : TEscherRecord(aSource, aContext)
{
    // The children come once the copy is whole (CopyChildrenFrom), so that
    // the copy's own kind sees them join.
}

TEscherContainerRecord::~TEscherContainerRecord()
{
    // Children go last to first, so that later records (rules, shapes) that
    // refer to earlier ones leave first.
    while (!FContainedRecords.empty()) FContainedRecords.pop_back();
}

TEscherContext TEscherContainerRecord::ChildContext()
{
    return {this, DwgCache(), GroupCache(), false};
}

void TEscherContainerRecord::CopyChildrenFrom(const TEscherRecord& aSource, bool aNewObjIds)
{
    TEscherContext childContext = ChildContext();
    childContext.NewObjIds = aNewObjIds;
    for (const auto& child : static_cast<const TEscherContainerRecord&>(aSource).FContainedRecords)
        AddChild(child->CopyTo(childContext));
}

std::unique_ptr<TEscherRecord> TEscherContainerRecord::DoCopyTo(const TEscherContext& aContext) const
{
    return std::make_unique<TEscherContainerRecord>(*this, aContext);
}

TEscherRecord* TEscherContainerRecord::FindChild(std::uint16_t aId) const
{
    for (const auto& child : FContainedRecords)
        if (child->Id() == aId) return child.get();
    return nullptr;
}

std::size_t TEscherContainerRecord::IndexOf(const TEscherRecord* aChild) const
{
    for (std::size_t i = 0; i < FContainedRecords.size(); ++i)
        if (FContainedRecords[i].get() == aChild) return i;
    RaiseXls(TXlsMsg::LogicalError);
}

void TEscherContainerRecord::AddChild(std::unique_ptr<TEscherRecord> aChild)
{
    InsertChild(FContainedRecords.size(), std::move(aChild));
}

void TEscherContainerRecord::InsertChild(std::size_t aIndex, std::unique_ptr<TEscherRecord> aChild)
{
    if (!aChild || aChild->Parent() != this || aIndex > FContainedRecords.size()) RaiseXls(TXlsMsg::LogicalError);
    TEscherRecord& added = *aChild;
    FContainedRecords.insert(FContainedRecords.begin() + std::ptrdiff_t(aIndex), std::move(aChild));
    ChildAdded(added);
}

void TEscherContainerRecord::DeleteChild(std::size_t aIndex)
{
    if (aIndex >= FContainedRecords.size()) RaiseXls(TXlsMsg::LogicalError);
    ChildRemoved(*FContainedRecords[aIndex]);
    // Taken out first: the child's destructor may look at its siblings.
    std::unique_ptr<TEscherRecord> child = std::move(FContainedRecords[aIndex]);
    FContainedRecords.erase(FContainedRecords.begin() + std::ptrdiff_t(aIndex));
}

void TEscherContainerRecord::SortChildren(
    const std::function<bool(const TEscherRecord&, const TEscherRecord&)>& aLess)
{
    std::stable_sort(FContainedRecords.begin(), FContainedRecords.end(),
                     [&](const auto& a, const auto& b) { return aLess(*a, *b); });
}

std::int64_t TEscherContainerRecord::TotalSizeNoSplit() const
{
    return std::int64_t(EscherHeaderSize) + WrittenDataSize();
}

std::uint32_t TEscherContainerRecord::WrittenDataSize() const
{
    // Children may have been added or removed since the load: the size is theirs.
    std::int64_t size = 0;
    for (const auto& child : FContainedRecords) size += child->TotalSizeNoSplit();
    return static_cast<std::uint32_t>(size);
}

void TEscherContainerRecord::Load(TEscherReadPos& aPos, int aDepth)
{
    if (aDepth > MaxEscherDepth) RaiseXls(TXlsMsg::EscherLoadError);
    if (aPos.Pos > aPos.Record->DataSize()) RaiseXls(TXlsMsg::ExcelRecordsInvalid);
    while (!Loaded() && aPos.BytesLeft() > 0 && !WaitingClientData()) {
        if (FContainedRecords.empty() || FContainedRecords.back()->Loaded()) {
            std::uint8_t bytes[EscherHeaderSize];
            aPos.Read(bytes, EscherHeaderSize);
            const TEscherRecordHeader header{GetWord(bytes, 0), GetWord(bytes, 2), GetCardinal(bytes, 4)};
            // A child must fit into what its container has left.
            if (std::int64_t(EscherHeaderSize) + header.Size > FTotalDataSize - FLoadedDataSize)
                RaiseXls(TXlsMsg::EscherLoadError);
            AddChild(CreateEscherRecord(header, ChildContext()));
        }
        TEscherRecord& last = *FContainedRecords.back();
        last.Load(aPos, aDepth + 1);
        if (last.Loaded()) {
            FLoadedDataSize += last.TotalSizeNoSplit();
            last.AfterCreate();
        }
    }
}

bool TEscherContainerRecord::WaitingClientData() const
{
    return !FContainedRecords.empty() && FContainedRecords.back()->WaitingClientData();
}

void TEscherContainerRecord::SplitRecords(TSplitState& aState) const
{
    TEscherRecord::SplitRecords(aState);
    for (const auto& child : FContainedRecords) child->SplitRecords(aState);
}

void TEscherContainerRecord::SaveBody(TOle2File& DataStream, TBreakList& Breaks)
{
    for (const auto& child : FContainedRecords) child->SaveToStream(DataStream, Breaks);
}

void TEscherContainerRecord::ClearCopiedTo()
{
    TEscherRecord::ClearCopiedTo();
    for (const auto& child : FContainedRecords) child->ClearCopiedTo();
}

void TEscherContainerRecord::ArrangeInsertRowsAndCols(std::int32_t aRowPos, std::int32_t aRowCount,
                                                      std::int32_t aColPos, std::int32_t aColCount,
                                                      const TSheetInfo& SheetInfo)
{
    for (const auto& child : FContainedRecords)
        child->ArrangeInsertRowsAndCols(aRowPos, aRowCount, aColPos, aColCount, SheetInfo);
}

void TEscherContainerRecord::ArrangeCopySheet(const TSheetInfo& SheetInfo)
{
    for (const auto& child : FContainedRecords) child->ArrangeCopySheet(SheetInfo);
}

void TEscherContainerRecord::ArrangeCopyRowsAndCols(std::int32_t RowOffset, std::int32_t ColOffset)
{
    for (const auto& child : FContainedRecords) child->ArrangeCopyRowsAndCols(RowOffset, ColOffset);
}

// ------------------------------------------------------------- record factory

std::unique_ptr<TEscherRecord> CreateEscherRecord(const TEscherRecordHeader& aHeader, const TEscherContext& aContext)
{
    if (aHeader.IsContainer()) {
        switch (aHeader.Id) {
        case msofbtBstoreContainer: return std::make_unique<TEscherBStoreRecord>(aHeader, aContext);
        case msofbtSpgrContainer: return std::make_unique<TEscherSpgrContainerRecord>(aHeader, aContext);
        case msofbtSpContainer: return std::make_unique<TEscherSpContainerRecord>(aHeader, aContext);
        case msofbtSolverContainer: return std::make_unique<TEscherSolverContainerRecord>(aHeader, aContext);
        default: return std::make_unique<TEscherContainerRecord>(aHeader, aContext);
        }
    }
    switch (aHeader.Id) {
    case msofbtDgg: return std::make_unique<TEscherDggRecord>(aHeader, aContext);
    case msofbtBSE: return std::make_unique<TEscherBSERecord>(aHeader, aContext);
    case msofbtDg: return std::make_unique<TEscherDgRecord>(aHeader, aContext);
    case msofbtSp: return std::make_unique<TEscherSPRecord>(aHeader, aContext);
    case msofbtOPT: return std::make_unique<TEscherOPTRecord>(aHeader, aContext);
    case msofbtClientTextbox: return std::make_unique<TEscherClientTextBoxRecord>(aHeader, aContext);
    case msofbtClientAnchor: return std::make_unique<TEscherClientAnchorRecord>(aHeader, aContext);
    case msofbtClientData: return std::make_unique<TEscherClientDataRecord>(aHeader, aContext);
    case msofbtConnectorRule: return std::make_unique<TEscherConnectorRuleRecord>(aHeader, aContext);
    case msofbtAlignRule: return std::make_unique<TEscherAlignRuleRecord>(aHeader, aContext);
    case msofbtArcRule: return std::make_unique<TEscherArcRuleRecord>(aHeader, aContext);
    case msofbtCalloutRule: return std::make_unique<TEscherCalloutRuleRecord>(aHeader, aContext);
    case msofbtSplitMenuColors: return std::make_unique<TEscherSplitMenuRecord>(aHeader, aContext);
    default: return std::make_unique<TEscherDataRecord>(aHeader, aContext);
    }
}

TEscherSpContainerRecord* EnclosingShape(TEscherRecord& aRecord)
{
    for (TEscherRecord* r = &aRecord; r; r = r->Parent())
        if (auto* shape = dynamic_cast<TEscherSpContainerRecord*>(r)) return shape;
    return nullptr;
}

// ------------------------------------------------------------ TEscherBSERecord

namespace {

// The picture record's instance for each picture type (one uid).
std::uint16_t BlipInstance(TBlipType aType)
{
    switch (aType) {
    case TBlipType::EMF: return 0x3D4;
    case TBlipType::WMF: return 0x216;
    case TBlipType::PICT: return 0x542;
    case TBlipType::JPEG: return 0x46A;
    case TBlipType::PNG: return 0x6E0;
    case TBlipType::DIB: return 0x7A8;
    default: RaiseXls(TXlsMsg::LogicalError);
    }
}

bool IsMetafile(TBlipType aType)
{
    return aType == TBlipType::EMF || aType == TBlipType::WMF || aType == TBlipType::PICT;
}

constexpr std::size_t kBseHeaderSize = 36;
constexpr std::size_t kMetafileHeaderSize = 34;

}  // namespace

std::unique_ptr<TEscherBSERecord> TEscherBSERecord::CreateNew(TBlipType aType, const TBytes& aUid,
                                                              TByteView aBlipData, const TEscherContext& aContext)
{
    if (aUid.size() != 16) RaiseXls(TXlsMsg::LogicalError);
    TBytes d(kBseHeaderSize, 0);
    d[0] = d[1] = static_cast<std::uint8_t>(aType);  // btWin32, btMacOS
    std::copy(aUid.begin(), aUid.end(), d.begin() + 2);
    SetWord(d, 18, 0x00FF);                                                       // tag
    SetCardinal(d, 20, static_cast<std::uint32_t>(EscherHeaderSize + aBlipData.size()));  // size of the picture record
    AppendWord(d, static_cast<std::uint16_t>(BlipInstance(aType) << 4));
    AppendWord(d, static_cast<std::uint16_t>(msofbtBlipFirst + static_cast<std::uint16_t>(aType)));
    AppendCardinal(d, static_cast<std::uint32_t>(aBlipData.size()));
    d.insert(d.end(), aBlipData.begin(), aBlipData.end());
    const auto pre = static_cast<std::uint16_t>((static_cast<std::uint16_t>(aType) << 4) | 2);
    auto bse = std::make_unique<TEscherBSERecord>(TEscherRecordHeader{pre, msofbtBSE, 0}, aContext);
    bse->SetData(std::move(d));
    return bse;
}

TBlipType TEscherBSERecord::PictureType() const
{
    const std::uint8_t t = Data().empty() ? 0 : Data()[0];
    return t <= static_cast<std::uint8_t>(TBlipType::DIB) ? static_cast<TBlipType>(t) : TBlipType::Unknown;
}

TByteView TEscherBSERecord::Uid() const
{
    return Data().size() >= 18 ? Data().subspan(2, 16) : TByteView();
}

std::uint32_t TEscherBSERecord::CRef() const
{
    return Data().size() >= 28 ? GetCardinal(Data(), 24) : 0;
}

void TEscherBSERecord::SetCRef(std::uint32_t aValue)
{
    if (Data().size() >= 28) SetCardinal(MutableData(), 24, aValue);
}

TBytes TEscherBSERecord::PictureData() const
{
    // The picture record: its header at 36, its data from 44 on.
    TByteView d = Data();
    if (d.size() < kBseHeaderSize + EscherHeaderSize) return {};
    const std::uint16_t instance = static_cast<std::uint16_t>(GetWord(d, kBseHeaderSize) >> 4);
    const std::size_t size = std::min<std::size_t>(GetCardinal(d, kBseHeaderSize + 4),
                                                   d.size() - kBseHeaderSize - EscherHeaderSize);
    TByteView blip = d.subspan(kBseHeaderSize + EscherHeaderSize, size);
    // A second uid when the instance is odd; then a bitmap's tag byte, or a
    // metafile's header: its size at 0, its stored size at 28, the
    // compression at 32 (0 deflate, 0xFE none).
    const std::size_t uids = (instance & 1) ? 32 : 16;
    if (!IsMetafile(PictureType())) {
        if (blip.size() < uids + 1) return {};
        return TBytes(blip.begin() + std::ptrdiff_t(uids + 1), blip.end());
    }
    if (blip.size() < uids + kMetafileHeaderSize) return {};
    TByteView header = blip.subspan(uids, kMetafileHeaderSize);
    TByteView stored = blip.subspan(uids + kMetafileHeaderSize);
    stored = stored.first(std::min<std::size_t>(stored.size(), GetCardinal(header, 28)));
    if (header[32] != 0) return TBytes(stored.begin(), stored.end());
    constexpr std::size_t kLargestMetafile = 256u << 20;
    return Inflate(stored, std::min<std::size_t>(GetCardinal(header, 0), kLargestMetafile));
}

int TEscherBSERecord::CompareRec(const TEscherBSERecord& aOther) const
{
    if (FTotalDataSize != aOther.FTotalDataSize) return FTotalDataSize < aOther.FTotalDataSize ? -1 : 1;
    TByteView a = Uid(), b = aOther.Uid();
    if (std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end())) return -1;
    if (std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end())) return 1;
    return 0;
}

void TEscherBSERecord::AddRef()
{
    ++FRefs;
    SetCRef(CRef() + 1);
}

void TEscherBSERecord::Release()
{
    if (FRefs > 0) --FRefs;
    if (CRef() > 0) SetCRef(CRef() - 1);
    auto* store = GroupCache() ? GroupCache()->BStore : nullptr;
    if (FRefs == 0 && store) store->RemovePicture(*this);  // frees this record
}

// ---------------------------------------------------------- TEscherBStoreRecord

TEscherBStoreRecord::TEscherBStoreRecord(const TEscherRecordHeader& aHeader, const TEscherContext& aContext)
    : TEscherClass(aHeader, aContext)
{
    if (GroupCache()) {
        if (GroupCache()->BStore) RaiseXls(TXlsMsg::EscherDuplicatedBStore);
        GroupCache()->BStore = this;
    }
}

TEscherBStoreRecord::TEscherBStoreRecord(const TEscherBStoreRecord&, const TEscherContext& aContext)
    : TEscherClass(TEscherRecordHeader{}, aContext)
{
    // The picture store is the workbook's: it is never copied.
    RaiseXls(TXlsMsg::LogicalError);
}

TEscherBStoreRecord::~TEscherBStoreRecord()
{
    if (GroupCache() && GroupCache()->BStore == this) GroupCache()->BStore = nullptr;
}

void TEscherBStoreRecord::ChildAdded(TEscherRecord& aChild)
{
    if (auto* bse = dynamic_cast<TEscherBSERecord*>(&aChild)) bse->BStorePos = ChildCount();
    FSorted = false;
}

TEscherBSERecord& TEscherBStoreRecord::Picture(std::size_t aPos) const
{
    if (aPos == 0 || aPos > ChildCount()) RaiseXls(TXlsMsg::ExcelRecordsInvalid);
    auto* bse = dynamic_cast<TEscherBSERecord*>(Child(aPos - 1));
    if (!bse) RaiseXls(TXlsMsg::ExcelRecordsInvalid);
    return *bse;
}

void TEscherBStoreRecord::Renumber()
{
    for (std::size_t i = 0; i < ChildCount(); ++i)
        if (auto* bse = dynamic_cast<TEscherBSERecord*>(Child(i))) bse->BStorePos = i + 1;
}

void TEscherBStoreRecord::Sort()
{
    if (GroupCache() && GroupCache()->KeepStorePositions) return;
    for (std::size_t i = 0; i < ChildCount(); ++i)
        if (!dynamic_cast<TEscherBSERecord*>(Child(i))) return;  // a store of other records keeps its order
    SortChildren([](const TEscherRecord& a, const TEscherRecord& b) {
        return static_cast<const TEscherBSERecord&>(a).CompareRec(static_cast<const TEscherBSERecord&>(b)) < 0;
    });
    Renumber();
    FSorted = true;
}

std::size_t TEscherBStoreRecord::FindSorted(const TEscherBSERecord& aPicture, bool& aFound) const
{
    aFound = false;
    if (GroupCache() && GroupCache()->KeepStorePositions) {
        for (std::size_t i = 0; i < ChildCount(); ++i) {
            auto* bse = dynamic_cast<TEscherBSERecord*>(Child(i));
            if (bse && bse->CompareRec(aPicture) == 0) {
                aFound = true;
                return i;
            }
        }
        return ChildCount();
    }
    std::size_t lo = 0, hi = ChildCount();
    while (lo < hi) {
        const std::size_t mid = (lo + hi) / 2;
        const int c = static_cast<TEscherBSERecord*>(Child(mid))->CompareRec(aPicture);
        if (c == 0) {
            aFound = true;
            return mid;
        }
        if (c < 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

TEscherBSERecord& TEscherBStoreRecord::AddPicture(TBlipType aType, TByteView aImage)
{
    const TMd5Digest digest = Md5Of(aImage);
    const TBytes uid(digest.begin(), digest.end());
    TBytes blip = uid;
    if (IsMetafile(aType)) {
        // An uncompressed metafile: its size, no bounds, no compression (0xFE).
        TBytes header(kMetafileHeaderSize, 0);
        SetCardinal(header, 0, static_cast<std::uint32_t>(aImage.size()));
        SetCardinal(header, 28, static_cast<std::uint32_t>(aImage.size()));
        header[32] = 0xFE;
        header[33] = 0xFE;
        blip.insert(blip.end(), header.begin(), header.end());
    } else {
        blip.push_back(0xFF);
    }
    blip.insert(blip.end(), aImage.begin(), aImage.end());
    auto bse = TEscherBSERecord::CreateNew(aType, uid, blip, ChildContext());
    if (!FSorted) Sort();
    bool found = false;
    const std::size_t index = FindSorted(*bse, found);
    if (found) return Picture(index + 1);
    // Some writers' uids are no digest: the same image is found by its bytes.
    for (std::size_t i = 0; i < ChildCount(); ++i) {
        auto* same = dynamic_cast<TEscherBSERecord*>(Child(i));
        if (same && same->PictureType() == aType && std::ranges::equal(same->PictureData(), aImage)) return *same;
    }
    TEscherBSERecord& added = *bse;
    InsertChild(index, std::move(bse));
    Renumber();
    FSorted = !(GroupCache() && GroupCache()->KeepStorePositions);
    CountPictures();
    return added;
}

void TEscherBStoreRecord::RemovePicture(const TEscherBSERecord& aPicture)
{
    // Pictures that drawings the engine does not model may name by position stay.
    if (GroupCache() && GroupCache()->KeepStorePositions) return;
    DeleteChild(IndexOf(&aPicture));
    Renumber();
    CountPictures();
}

void TEscherBStoreRecord::CountPictures()
{
    // The instance counts the pictures; a store that is never changed keeps
    // the count it was read with, right or not.
    SetPre(static_cast<std::uint16_t>((ChildCount() << 4) | 0x000F));
}

// ------------------------------------------------------------ TEscherDggRecord

TEscherDggRecord::TEscherDggRecord(const TEscherRecordHeader& aHeader, const TEscherContext& aContext)
    : TEscherClass(aHeader, aContext)
{
    Register();
}

TEscherDggRecord::TEscherDggRecord(std::uint16_t aPre, std::uint16_t aId, TBytes aData, const TEscherContext& aContext)
    : TEscherClass(aPre, aId, std::move(aData), aContext)
{
    Register();
}

TEscherDggRecord::TEscherDggRecord(const TEscherDggRecord&, const TEscherContext& aContext)
    : TEscherClass(TEscherRecordHeader{}, aContext)
{
    // The shape id bookkeeping is the workbook's: it is never copied.
    RaiseXls(TXlsMsg::LogicalError);
}

void TEscherDggRecord::Register()
{
    if (!GroupCache()) return;
    if (GroupCache()->Dgg) RaiseXls(TXlsMsg::EscherDuplicatedDgg);
    GroupCache()->Dgg = this;
}

TEscherDggRecord::~TEscherDggRecord()
{
    if (GroupCache() && GroupCache()->Dgg == this) GroupCache()->Dgg = nullptr;
}

std::size_t TEscherDggRecord::ClusterCount() const
{
    return Data().size() < 16 ? 0 : (Data().size() - 16) / 8;
}

std::size_t TEscherDggRecord::AppendCluster(std::uint16_t aDgId)
{
    TBytes d(Data().begin(), Data().end());
    d.resize(16 + 8 * ClusterCount());  // a table that ends in half an entry loses that half
    AppendCardinal(d, aDgId);
    AppendCardinal(d, 0);
    SetData(std::move(d));
    SetField(4, static_cast<std::uint32_t>(ClusterCount() + 1));
    return ClusterCount() - 1;
}

void TEscherDggRecord::GetNewDgIdAndCluster(std::uint16_t& aDgId, std::uint32_t& aFirstShapeId)
{
    if (Data().size() < 16) RaiseXls(TXlsMsg::EscherLoadError);
    std::uint32_t largest = 0;
    for (std::size_t k = 0; k < ClusterCount(); ++k) largest = std::max(largest, ClusterDrawing(k));
    if (largest >= 0x0FFF) RaiseXls(TXlsMsg::TooManyEntries, {std::int64_t(largest) + 1, 0x0FFF});
    aDgId = static_cast<std::uint16_t>(largest + 1);
    std::size_t k = 0;
    while (k < ClusterCount() && ClusterDrawing(k) != 0) ++k;
    if (k < ClusterCount()) {
        SetField(16 + 8 * k, aDgId);
        SetField(20 + 8 * k, 0);
    } else {
        k = AppendCluster(aDgId);
    }
    SetField(12, CdgSaved() + 1);
    aFirstShapeId = static_cast<std::uint32_t>((k + 1) * 1024);
}

std::uint32_t TEscherDggRecord::AddImage(std::uint16_t aDgId, std::uint32_t aLastShapeId)
{
    if (Data().size() < 16) RaiseXls(TXlsMsg::EscherLoadError);
    std::size_t k = aLastShapeId / 1024;
    const bool current = k >= 1 && k <= ClusterCount() && ClusterDrawing(k - 1) == aDgId && ClusterUsed(k - 1) < 1024;
    if (current) {
        --k;
    } else {
        // Another cluster: the free one nearest to the end, looking no
        // further back than the drawing's last one, else a new one.
        std::size_t last = 0;
        for (std::size_t j = 0; j < ClusterCount(); ++j)
            if (ClusterDrawing(j) == aDgId) last = j;
        k = ClusterCount();
        for (std::size_t j = ClusterCount(); j-- > last;)
            if (ClusterDrawing(j) == 0) {
                k = j;
                break;
            }
        if (k == ClusterCount()) {
            k = AppendCluster(aDgId);
        } else {
            SetField(16 + 8 * k, aDgId);
            SetField(20 + 8 * k, 0);
        }
    }
    const std::uint32_t id = static_cast<std::uint32_t>((k + 1) * 1024 + ClusterUsed(k));
    SetField(20 + 8 * k, ClusterUsed(k) + 1);
    SetField(8, CspSaved() + 1);
    if (id + 1 > SpidMax()) SetField(0, id + 1);
    return id;
}

void TEscherDggRecord::ShapesRemoved(std::uint32_t aCount)
{
    if (Data().size() >= 16) SetField(8, CspSaved() - std::min(CspSaved(), aCount));
}

void TEscherDggRecord::DrawingRemoved(std::uint16_t aDgId, std::uint32_t aShapes)
{
    if (Data().size() < 16) return;
    for (std::size_t k = 0; k < ClusterCount(); ++k)
        if (ClusterDrawing(k) == aDgId) SetField(16 + 8 * k, 0);
    if (CdgSaved() > 0) SetField(12, CdgSaved() - 1);
    ShapesRemoved(aShapes);
}

// ------------------------------------------------------------- TEscherDgRecord

TEscherDgRecord::TEscherDgRecord(const TEscherRecordHeader& aHeader, const TEscherContext& aContext)
    : TEscherClass(aHeader, aContext)
{
    Register();
}

TEscherDgRecord::TEscherDgRecord(const TEscherContext& aContext)
    : TEscherClass(TEscherRecordHeader{0, msofbtDg, 0}, aContext)
{
    StartNewDrawing();
    Register();
}

TEscherDgRecord::TEscherDgRecord(const TEscherDgRecord& aSource, const TEscherContext& aContext)
    : TEscherClass(aSource, aContext)
{
    StartNewDrawing();
    Register();
}

void TEscherDgRecord::StartNewDrawing()
{
    TEscherDggRecord* dgg = GroupCache() ? GroupCache()->Dgg : nullptr;
    if (!dgg) RaiseXls(TXlsMsg::EscherLoadError);
    std::uint16_t dgId = 0;
    std::uint32_t first = 0;
    dgg->GetNewDgIdAndCluster(dgId, first);
    SetPre(static_cast<std::uint16_t>(dgId << 4));
    TBytes d;
    AppendCardinal(d, 0);          // csp
    AppendCardinal(d, first + 1);  // spidCur
    SetData(std::move(d));
}

void TEscherDgRecord::Register()
{
    if (!DwgCache()) return;
    if (DwgCache()->Dg) RaiseXls(TXlsMsg::EscherDuplicatedDg);
    DwgCache()->Dg = this;
}

TEscherDgRecord::~TEscherDgRecord()
{
    if (DwgCache() && DwgCache()->Dg == this) DwgCache()->Dg = nullptr;
}

std::uint32_t TEscherDgRecord::IncMaxShapeId()
{
    TEscherDggRecord* dgg = GroupCache() ? GroupCache()->Dgg : nullptr;
    if (!dgg || Data().size() < 8) RaiseXls(TXlsMsg::EscherLoadError);
    const std::uint32_t id = dgg->AddImage(DrawingId(), SpidCur());
    SetCardinal(MutableData(), 0, Csp() + 1);
    SetCardinal(MutableData(), 4, id);
    return id;
}

void TEscherDgRecord::ShapeRemoved()
{
    if (Data().size() >= 8 && Csp() > 0) SetCardinal(MutableData(), 0, Csp() - 1);
    if (GroupCache() && GroupCache()->Dgg) GroupCache()->Dgg->ShapesRemoved(1);
}

// ------------------------------------------------------------- TEscherSPRecord

TEscherSPRecord::TEscherSPRecord(const TEscherRecordHeader& aHeader, const TEscherContext& aContext)
    : TEscherClass(aHeader, aContext)
{
    if (DwgCache()) DwgCache()->Shape.Add(this);
}

TEscherSPRecord::TEscherSPRecord(std::uint16_t aPre, std::uint32_t aFlags, const TEscherContext& aContext)
    : TEscherClass(aPre, msofbtSp, TBytes(8, 0), aContext)
{
    SetCardinal(MutableData(), 4, aFlags);
    TakeNewShapeId();
}

TEscherSPRecord::TEscherSPRecord(const TEscherSPRecord& aSource, const TEscherContext& aContext)
    : TEscherClass(aSource, aContext)
{
    TakeNewShapeId();
}

void TEscherSPRecord::TakeNewShapeId()
{
    if (!DwgCache() || !DwgCache()->Dg || Data().size() < 4) RaiseXls(TXlsMsg::EscherLoadError);
    SetCardinal(MutableData(), 0, DwgCache()->Dg->IncMaxShapeId());
    DwgCache()->Shape.Add(this);
}

TEscherSPRecord::~TEscherSPRecord()
{
    if (!DwgCache() || DrawingDestroying()) return;
    DwgCache()->Shape.Remove(this);
    if (DwgCache()->Dg) DwgCache()->Dg->ShapeRemoved();
    if (DwgCache()->Solver) DwgCache()->Solver->DeleteRef(*this);
}

// ------------------------------------------------------------ TEscherOPTRecord

namespace {

constexpr std::uint16_t kPropertyIdMask = 0x3FFF;
constexpr std::uint16_t kPropertyIsBlip = 0x4000;
constexpr std::uint16_t kPropertyComplex = 0x8000;
constexpr std::uint16_t kPropertyShapeName = 0x0380;

}  // namespace

std::unique_ptr<TEscherOPTRecord> TEscherOPTRecord::CreateNew(const std::vector<TProperty>& aProperties,
                                                              TEscherBSERecord* aPicture,
                                                              const TEscherContext& aContext)
{
    TBytes table, complex;
    for (const TProperty& p : aProperties) {
        AppendWord(table, p.Id);
        AppendCardinal(table, (p.Id & kPropertyComplex) ? static_cast<std::uint32_t>(p.Complex.size()) : p.Value);
        complex.insert(complex.end(), p.Complex.begin(), p.Complex.end());
    }
    table.insert(table.end(), complex.begin(), complex.end());
    const auto pre = static_cast<std::uint16_t>((aProperties.size() << 4) | 3);
    auto opt = std::make_unique<TEscherOPTRecord>(pre, msofbtOPT, std::move(table), aContext);
    opt->ReadTable();
    for (TBlipRef& ref : opt->FBlips) {
        if (!aPicture) RaiseXls(TXlsMsg::LogicalError);
        ref.Bse = aPicture;
        aPicture->AddRef();
    }
    opt->RegisterInCache();
    return opt;
}

TEscherOPTRecord::TEscherOPTRecord(const TEscherOPTRecord& aSource, const TEscherContext& aContext)
    : TEscherClass(aSource, aContext), FBlips(aSource.FBlips), FShapeName(aSource.FShapeName)
{
    for (const TBlipRef& ref : FBlips) ref.Bse->AddRef();
    RegisterInCache();
}

TEscherOPTRecord::~TEscherOPTRecord()
{
    if (DwgCache() && !DrawingDestroying()) EraseValue(DwgCache()->Blip, this);
    // Pictures are the workbook's: they lose the reference even when the
    // whole drawing goes.
    for (const TBlipRef& ref : FBlips)
        if (ref.Bse) ref.Bse->Release();
}

void TEscherOPTRecord::AfterCreate()
{
    ReadTable();
    if (!DwgCache()) return;
    // References into the store are kept as pictures, not positions.
    for (TBlipRef& ref : FBlips) {
        TEscherBStoreRecord* store = GroupCache() ? GroupCache()->BStore : nullptr;
        if (!store) RaiseXls(TXlsMsg::ExcelRecordsInvalid);
        ref.Bse = &store->Picture(GetCardinal(Data(), ref.Offset));
        ref.Bse->Register();
    }
    RegisterInCache();
}

void TEscherOPTRecord::ReadTable()
{
    FBlips.clear();
    FShapeName.clear();
    TByteView d = Data();
    const std::size_t count = Instance();
    if (count * 6 > d.size()) RaiseXls(TXlsMsg::EscherLoadError);
    std::size_t complexPos = count * 6;
    for (std::size_t k = 0; k < count; ++k) {
        const std::uint16_t id = GetWord(d, 6 * k);
        const std::uint32_t value = GetCardinal(d, 6 * k + 2);
        if (id & kPropertyComplex) {
            // Complex values follow the table in its order; one that runs
            // past the data ends the search for the name.
            if (value > d.size() - complexPos) {
                complexPos = d.size();
                continue;
            }
            if ((id & kPropertyIdMask) == kPropertyShapeName) {
                for (std::size_t i = 0; i + 1 < value; i += 2) {
                    const char16_t c = GetWord(d, complexPos + i);
                    if (c == 0) break;
                    FShapeName.push_back(c);
                }
            }
            complexPos += value;
        } else if (id & kPropertyIsBlip) {
            if (DwgCache()) FBlips.push_back({6 * k + 2, nullptr});
        }
    }
}

void TEscherOPTRecord::RegisterInCache()
{
    if (DwgCache() && !FBlips.empty()) DwgCache()->Blip.push_back(this);
}

void TEscherOPTRecord::ReplacePicture(TEscherBSERecord& aPicture)
{
    for (TBlipRef& ref : FBlips) {
        // The new reference first: the old picture may be this one.
        aPicture.AddRef();
        TEscherBSERecord* old = std::exchange(ref.Bse, &aPicture);
        if (old) old->Release();
    }
}

const TEscherSpContainerRecord* TEscherOPTRecord::Shape() const
{
    return dynamic_cast<const TEscherSpContainerRecord*>(Parent());
}

void TEscherOPTRecord::SaveBody(TOle2File& DataStream, TBreakList& Breaks)
{
    if (FBlips.empty()) {
        TEscherDataRecord::SaveBody(DataStream, Breaks);
        return;
    }
    // Store positions change as pictures come and go: the current ones.
    TBytes d(Data().begin(), Data().end());
    for (const TBlipRef& ref : FBlips) SetCardinal(d, ref.Offset, static_cast<std::uint32_t>(ref.Bse->BStorePos));
    Breaks.Write(DataStream, d);
}

// --------------------------------------------------- TEscherClientAnchorRecord

TEscherClientAnchorRecord::TEscherClientAnchorRecord(const TEscherRecordHeader& aHeader,
                                                     const TEscherContext& aContext)
    : TEscherClass(aHeader, aContext)
{
    Register();
}

TEscherClientAnchorRecord::TEscherClientAnchorRecord(const TClientAnchor& aAnchor, const TEscherContext& aContext)
    : TEscherClass(0, msofbtClientAnchor, TBytes(18, 0), aContext)
{
    SetAnchor(aAnchor);
    Register();
}

TEscherClientAnchorRecord::TEscherClientAnchorRecord(const TEscherClientAnchorRecord& aSource,
                                                     const TEscherContext& aContext)
    : TEscherClass(aSource, aContext), FSavedRect(aSource.FSavedRect)
{
    Register();
}

void TEscherClientAnchorRecord::Register()
{
    if (DwgCache()) DwgCache()->Anchor.push_back(this);
}

TEscherClientAnchorRecord::~TEscherClientAnchorRecord()
{
    if (DwgCache() && !DrawingDestroying()) EraseValue(DwgCache()->Anchor, this);
}

TClientAnchor TEscherClientAnchorRecord::GetAnchor() const
{
    if (!HasAnchor()) return {};
    TByteView d = Data();
    return {GetWord(d, 0),  GetWord(d, 2),  GetWord(d, 4),  GetWord(d, 6), GetWord(d, 8),
            GetWord(d, 10), GetWord(d, 12), GetWord(d, 14), GetWord(d, 16)};
}

void TEscherClientAnchorRecord::SetAnchor(const TClientAnchor& aAnchor)
{
    if (!HasAnchor()) return;
    TByteSpan d = MutableData();
    const std::uint16_t fields[] = {aAnchor.Flag, aAnchor.Col1, aAnchor.Dx1, aAnchor.Row1, aAnchor.Dy1,
                                    aAnchor.Col2, aAnchor.Dx2,  aAnchor.Row2, aAnchor.Dy2};
    for (std::size_t i = 0; i < 9; ++i) SetWord(d, 2 * i, fields[i]);
}

namespace {

// A cell at or after aPos moves by aCount, kept between aPos and aMax; its
// offset goes when the cell was deleted.
void MoveCell(std::uint16_t& aCell, std::uint16_t* aOffset, std::int32_t aPos, std::int32_t aCount, std::int32_t aMax)
{
    if (aCell < aPos) return;
    if (aCount < 0 && aCell < std::int64_t(aPos) - aCount && aOffset) *aOffset = 0;
    aCell = static_cast<std::uint16_t>(std::clamp<std::int64_t>(std::int64_t(aCell) + aCount, aPos, aMax));
}

// Moves the first cell and keeps the second at its distance.
void MoveKeepingSize(std::uint16_t& aFirst, std::uint16_t& aLast, std::uint16_t* aOffset, std::int32_t aPos,
                     std::int32_t aCount, std::int32_t aMax)
{
    const std::int32_t before = aFirst;
    MoveCell(aFirst, aOffset, aPos, aCount, aMax);
    aLast = static_cast<std::uint16_t>(std::clamp<std::int64_t>(std::int64_t(aLast) + aFirst - before, 0, aMax));
}

}  // namespace

void TEscherClientAnchorRecord::Move(bool aRows, std::int32_t aPos, std::int32_t aCount, bool aForced)
{
    if (!HasAnchor() || aCount == 0) return;
    TClientAnchor a = GetAnchor();
    std::uint16_t& first = aRows ? a.Row1 : a.Col1;
    std::uint16_t& last = aRows ? a.Row2 : a.Col2;
    std::uint16_t& firstOffset = aRows ? a.Dy1 : a.Dx1;
    std::uint16_t& lastOffset = aRows ? a.Dy2 : a.Dx2;
    const auto max = static_cast<std::int32_t>(aRows ? MaxRow : MaxColumn);
    const std::uint16_t flag = aForced ? 2 : a.Flag;
    if (flag == 0) {
        MoveCell(first, &firstOffset, aPos, aCount, max);
        MoveCell(last, &lastOffset, aPos, aCount, max);
    } else if (flag == 1 || flag == 2) {
        MoveKeepingSize(first, last, &firstOffset, aPos, aCount, max);
    }
    SetAnchor(a);
    if (aForced) FSavedRect.reset();
}

void TEscherClientAnchorRecord::Offset(std::int32_t aRows, std::int32_t aCols)
{
    if (!HasAnchor()) return;
    TClientAnchor a = GetAnchor();
    a.Row1 = static_cast<std::uint16_t>(CheckedShift(a.Row1, aRows, MaxRow));
    a.Row2 = static_cast<std::uint16_t>(CheckedShift(a.Row2, aRows, MaxRow));
    a.Col1 = static_cast<std::uint16_t>(CheckedShift(a.Col1, aCols, MaxColumn));
    a.Col2 = static_cast<std::uint16_t>(CheckedShift(a.Col2, aCols, MaxColumn));
    SetAnchor(a);
    FSavedRect.reset();
}

void TEscherClientAnchorRecord::SaveRect(const TSheetGeometry& aGeometry)
{
    FSavedRect.reset();
    if (!HasAnchor()) return;
    const TClientAnchor a = GetAnchor();
    if ((a.Flag & 3) == 0) return;
    FSavedRect = TAbsoluteRect{aGeometry.X(a.Col1, a.Dx1), aGeometry.Y(a.Row1, a.Dy1), aGeometry.X(a.Col2, a.Dx2),
                               aGeometry.Y(a.Row2, a.Dy2)};
}

void TEscherClientAnchorRecord::RestoreRect(const TSheetGeometry& aGeometry)
{
    if (!FSavedRect || !HasAnchor()) return;
    TClientAnchor a = GetAnchor();
    const TAbsoluteRect& r = *FSavedRect;
    if (a.Flag == 1 || a.Flag == 2) {
        const std::int64_t x1 = aGeometry.X(a.Col1, a.Dx1), y1 = aGeometry.Y(a.Row1, a.Dy1);
        aGeometry.FromX(x1 + (r.X2 - r.X1), a.Col2, a.Dx2);
        aGeometry.FromY(y1 + (r.Y2 - r.Y1), a.Row2, a.Dy2);
    } else if (a.Flag == 3) {
        aGeometry.FromX(r.X1, a.Col1, a.Dx1);
        aGeometry.FromY(r.Y1, a.Row1, a.Dy1);
        aGeometry.FromX(r.X2, a.Col2, a.Dx2);
        aGeometry.FromY(r.Y2, a.Row2, a.Dy2);
    }
    SetAnchor(a);
}

// --------------------------------------------------------- TEscherClientRecord

TEscherClientRecord::TEscherClientRecord(const TEscherRecordHeader& aHeader, const TEscherContext& aContext)
    : TEscherDataRecord(aHeader, aContext)
{
    Register();
}

TEscherClientRecord::TEscherClientRecord(std::uint16_t aId, std::unique_ptr<TBaseClientData> aClientData,
                                         const TEscherContext& aContext)
    : TEscherDataRecord(0, aId, {}, aContext)
{
    Register();
    AssignClientData(std::move(aClientData));
}

TEscherClientRecord::TEscherClientRecord(const TEscherClientRecord& aSource, const TEscherContext& aContext)
    : TEscherDataRecord(aSource, aContext)
{
    Register();
    if (!aSource.FClientData) return;
    FClientData = aSource.FClientData->CopyTo();
    if (aContext.NewObjIds && DwgCache())
        FClientData->ArrangeId(DwgCache()->MaxObjId);
    else
        AssignClientData(std::move(FClientData));
}

void TEscherClientRecord::Register()
{
    if (DwgCache()) DwgCache()->Obj.push_back(this);
}

TEscherClientRecord::~TEscherClientRecord()
{
    if (DwgCache() && !DrawingDestroying()) EraseValue(DwgCache()->Obj, this);
}

std::uint16_t TEscherClientRecord::ExpectedRecord() const
{
    return Id() == msofbtClientTextbox ? xlr_TXO : xlr_OBJ;
}

void TEscherClientRecord::AssignClientData(std::unique_ptr<TBaseClientData> aClientData)
{
    FClientData = std::move(aClientData);
    if (FClientData && DwgCache()) DwgCache()->MaxObjId = std::max(DwgCache()->MaxObjId, FClientData->GetId());
}

std::uint16_t TEscherClientRecord::ObjId() const
{
    return FClientData ? FClientData->GetId() : 0;
}

void TEscherClientRecord::SplitRecords(TSplitState& aState) const
{
    TEscherDataRecord::SplitRecords(aState);
    if (!FClientData) RaiseXls(TXlsMsg::ExcelRecordsInvalid);
    aState.AddClientRecords(FClientData->TotalSize(), xlr_MSODRAWING);
}

void TEscherClientRecord::SaveBody(TOle2File& DataStream, TBreakList& Breaks)
{
    TEscherDataRecord::SaveBody(DataStream, Breaks);
    if (!FClientData) RaiseXls(TXlsMsg::ExcelRecordsInvalid);
    const std::int64_t start = StreamPosition(DataStream);
    FClientData->SaveToStream(DataStream);
    Breaks.AddToZeroPos(StreamPosition(DataStream) - start);
}

void TEscherClientRecord::ArrangeInsertRowsAndCols(std::int32_t aRowPos, std::int32_t aRowCount, std::int32_t aColPos,
                                                   std::int32_t aColCount, const TSheetInfo& SheetInfo)
{
    if (FClientData) FClientData->ArrangeInsertRowsAndCols(aRowPos, aRowCount, aColPos, aColCount, SheetInfo);
}

void TEscherClientRecord::ArrangeCopySheet(const TSheetInfo& SheetInfo)
{
    if (FClientData) FClientData->ArrangeCopySheet(SheetInfo);
}

void TEscherClientRecord::ArrangeCopyRowsAndCols(std::int32_t RowOffset, std::int32_t ColOffset)
{
    if (FClientData) FClientData->ArrangeCopyRowsAndCols(RowOffset, ColOffset);
}

// ---------------------------------------------------- TEscherSpContainerRecord

TEscherSpContainerRecord::TEscherSpContainerRecord(const TEscherContext& aContext)
    : TEscherClass(TEscherRecordHeader{0x000F, msofbtSpContainer, 0}, aContext)
{
}

void TEscherSpContainerRecord::ChildAdded(TEscherRecord& aChild)
{
    switch (aChild.Id()) {
    case msofbtSp: FSP = dynamic_cast<TEscherSPRecord*>(&aChild); break;
    case msofbtOPT: FOpt = dynamic_cast<TEscherOPTRecord*>(&aChild); break;
    case msofbtClientAnchor: FClientAnchor = dynamic_cast<TEscherClientAnchorRecord*>(&aChild); break;
    case msofbtClientData: FClientData = dynamic_cast<TEscherClientRecord*>(&aChild); break;
    case msofbtClientTextbox: FClientTextBox = dynamic_cast<TEscherClientRecord*>(&aChild); break;
    default: break;
    }
}

void TEscherSpContainerRecord::ChildRemoved(const TEscherRecord& aChild)
{
    if (&aChild == FSP) FSP = nullptr;
    if (&aChild == FOpt) FOpt = nullptr;
    if (&aChild == FClientAnchor) FClientAnchor = nullptr;
    if (&aChild == FClientData) FClientData = nullptr;
    if (&aChild == FClientTextBox) FClientTextBox = nullptr;
}

// -------------------------------------------------- TEscherSpgrContainerRecord

TEscherSpgrContainerRecord::TEscherSpgrContainerRecord(const TEscherRecordHeader& aHeader,
                                                       const TEscherContext& aContext)
    : TEscherClass(aHeader, aContext)
{
    Register();
}

TEscherSpgrContainerRecord::TEscherSpgrContainerRecord(const TEscherSpgrContainerRecord& aSource,
                                                       const TEscherContext& aContext)
    : TEscherClass(aSource, aContext)
{
    Register();
}

void TEscherSpgrContainerRecord::Register()
{
    if (DwgCache() && !DwgCache()->Patriarch) DwgCache()->Patriarch = this;
}

TEscherSpgrContainerRecord::~TEscherSpgrContainerRecord()
{
    if (DwgCache() && DwgCache()->Patriarch == this) DwgCache()->Patriarch = nullptr;
}

// ------------------------------------------------ TEscherSolverContainerRecord

TEscherSolverContainerRecord::TEscherSolverContainerRecord(const TEscherRecordHeader& aHeader,
                                                           const TEscherContext& aContext)
    : TEscherClass(aHeader, aContext)
{
    Register();
}

TEscherSolverContainerRecord::TEscherSolverContainerRecord(const TEscherSolverContainerRecord& aSource,
                                                           const TEscherContext& aContext)
    : TEscherClass(aSource, aContext)
{
    MaxRuleId = aSource.MaxRuleId;
    Register();
}

void TEscherSolverContainerRecord::Register()
{
    if (!DwgCache()) return;
    if (DwgCache()->Solver) RaiseXls(TXlsMsg::EscherDuplicatedSolver);
    DwgCache()->Solver = this;
}

TEscherSolverContainerRecord::~TEscherSolverContainerRecord()
{
    if (DwgCache() && DwgCache()->Solver == this) DwgCache()->Solver = nullptr;
}

void TEscherSolverContainerRecord::FixPointers(TEscherShapeCache& aShapes)
{
    for (std::size_t i = 0; i < ChildCount(); ++i)
        if (auto* rule = dynamic_cast<TRuleRecord*>(Child(i))) rule->FixPointers(aShapes);
}

void TEscherSolverContainerRecord::FixCopiedPointers()
{
    for (std::size_t i = 0; i < ChildCount(); ++i)
        if (auto* rule = dynamic_cast<TRuleRecord*>(Child(i))) rule->FixCopiedPointers();
}

void TEscherSolverContainerRecord::DeleteRef(const TEscherSPRecord& aShape)
{
    DeleteChildrenIf([&](const TEscherRecord& r) {
        const auto* rule = dynamic_cast<const TRuleRecord*>(&r);
        return rule && rule->DeleteRef(aShape);
    });
}

}  // namespace xls
