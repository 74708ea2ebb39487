#include "drawing/UXlsEscher.h"

#include <algorithm>

#include "drawing/UEscherOtherRecords.h"
#include "drawing/UXlsClientData.h"
#include "worksheet/UXlsRecordFactory.h"
#include "worksheet/UXlsSheet.h"

namespace xls {

namespace {

TEscherRecordHeader ReadEscherHeader(TEscherReadPos& aPos)
{
    std::uint8_t bytes[EscherHeaderSize];
    aPos.Read(bytes, EscherHeaderSize);
    return {GetWord(bytes, 0), GetWord(bytes, 2), GetCardinal(bytes, 4)};
}

// The root of a tree must be a container.
std::unique_ptr<TEscherContainerRecord> CreateRoot(const TEscherRecordHeader& aHeader, const TEscherContext& aContext)
{
    if (!aHeader.IsContainer()) RaiseXls(TXlsMsg::EscherLoadError);
    std::unique_ptr<TEscherRecord> root = CreateEscherRecord(aHeader, aContext);
    return std::unique_ptr<TEscherContainerRecord>(static_cast<TEscherContainerRecord*>(root.release()));
}

// When the drawing record at aPos is used up, the drawing goes on in the
// next record, which must be one of kind aId.
void ContinueIn(TOle2File& DataStream, TRecordHeader& RecordHeader, std::uint16_t aId,
                std::unique_ptr<TBaseRecord>& aCurrent, TEscherReadPos& aPos)
{
    if (aPos.BytesLeft() != 0) return;
    aCurrent = AtNextRecord(DataStream, RecordHeader, [&] {
        if (RecordHeader.StreamEnded || RecordHeader.Id != aId) RaiseXls(TXlsMsg::ExcelRecordsInvalid);
        return ReadRecord(DataStream, RecordHeader);
    });
    aPos = {aCurrent.get(), 0};
}

// The break list for a tree written from the stream's position on.
void SaveTree(TOle2File& DataStream, TEscherContainerRecord& aRoot, std::uint16_t aFirstRecord)
{
    TBreakList breaks(StreamPosition(DataStream));
    TSplitState state;
    state.NextDwg = aFirstRecord;
    state.Breaks = &breaks;
    aRoot.SplitRecords(state);
    state.Finish();
    aRoot.SaveToStream(DataStream, breaks);
}

std::int64_t TreeSize(const TEscherContainerRecord& aRoot, std::uint16_t aFirstRecord)
{
    TSplitState state;
    state.NextDwg = aFirstRecord;
    aRoot.SplitRecords(state);
    return state.RealSize;
}

// The position behind aRecord when it is a child of aRoot, else aDefault.
std::size_t PositionAfter(const TEscherContainerRecord& aRoot, const TEscherRecord* aRecord, std::size_t aDefault)
{
    return aRecord && aRecord->Parent() == &aRoot ? aRoot.IndexOf(aRecord) + 1 : aDefault;
}

}  // namespace

// --------------------------------------------------------------- TDrawingGroup

TDrawingGroup::~TDrawingGroup() = default;

void TDrawingGroup::LoadFromStream(TOle2File& DataStream, TRecordHeader& RecordHeader, std::unique_ptr<TBaseRecord> First)
{
    if (FDggContainer) RaiseXls(TXlsMsg::ExcelRecordsInvalid);
    std::unique_ptr<TBaseRecord> current = std::move(First);
    TEscherReadPos pos{current.get(), 0};
    FDggContainer = CreateRoot(ReadEscherHeader(pos), {nullptr, nullptr, &FRecordCache, false});
    // Each round reads one more record of a finite stream. Client data
    // belongs to a sheet's shapes: in the group nothing would ever follow it.
    while (!FDggContainer->Loaded()) {
        if (FDggContainer->WaitingClientData()) RaiseXls(TXlsMsg::EscherLoadError);
        ContinueIn(DataStream, RecordHeader, xlr_MSODRAWINGGROUP, current, pos);
        FDggContainer->Load(pos, 0);
    }
}

void TDrawingGroup::SaveToStream(TOle2File& DataStream)
{
    if (FDggContainer) SaveTree(DataStream, *FDggContainer, xlr_MSODRAWINGGROUP);
}

std::int64_t TDrawingGroup::TotalSize() const
{
    return FDggContainer ? TreeSize(*FDggContainer, xlr_MSODRAWINGGROUP) : 0;
}

void TDrawingGroup::Clear()
{
    FDggContainer.reset();
    FRecordCache = {};
}

void TDrawingGroup::EnsureDwgGroup()
{
    if (!FDggContainer)
        FDggContainer = std::make_unique<TEscherContainerRecord>(TEscherRecordHeader{0x000F, msofbtDggContainer, 0},
                                                                 TEscherContext{nullptr, nullptr, &FRecordCache, false});
    TEscherContainerRecord& root = *FDggContainer;
    const TEscherContext context = root.ChildContext();
    if (!FRecordCache.Dgg) {
        // spidMax 2, one cluster id (none used yet), no shapes, no drawings.
        root.InsertChild(0, std::make_unique<TEscherDggRecord>(
                                0x0000, msofbtDgg, BytesFromHex("02 00 00 00 01 00 00 00 00 00 00 00 00 00 00 00"), context));
    }
    if (!FRecordCache.BStore)
        root.InsertChild(PositionAfter(root, FRecordCache.Dgg, 0),
                         std::make_unique<TEscherBStoreRecord>(TEscherRecordHeader{0x002F, msofbtBstoreContainer, 0},
                                                               context));
    if (!root.FindChild(msofbtOPT)) {
        // The default properties of new shapes: text, fill and line colours.
        auto opt = std::make_unique<TEscherOPTRecord>(
            0x0033, msofbtOPT, BytesFromHex("BF 00 08 00 08 00 81 01 09 00 00 08 C0 01 40 00 00 08"), context);
        opt->AfterCreate();
        root.InsertChild(PositionAfter(root, FRecordCache.BStore, root.ChildCount()), std::move(opt));
    }
    if (!root.FindChild(msofbtSplitMenuColors))
        root.InsertChild(PositionAfter(root, root.FindChild(msofbtOPT), root.ChildCount()),
                         std::make_unique<TEscherSplitMenuRecord>(
                             0x0040, msofbtSplitMenuColors,
                             BytesFromHex("0D 00 00 08 0C 00 00 08 17 00 00 08 F7 00 00 10"), context));
}

void TDrawingGroup::SortPictureStore()
{
    if (FRecordCache.BStore) FRecordCache.BStore->Sort();
}

std::size_t TDrawingGroup::PictureCount() const
{
    std::size_t count = 0;
    if (const TEscherBStoreRecord* store = FRecordCache.BStore)
        for (std::size_t i = 1; i <= store->PictureCount(); ++i)
            if (!store->Picture(i).PictureData().empty()) ++count;
    return count;
}

std::int64_t TDrawingGroup::PictureBytes() const
{
    std::int64_t bytes = 0;
    if (const TEscherBStoreRecord* store = FRecordCache.BStore)
        for (std::size_t i = 1; i <= store->PictureCount(); ++i)
            bytes += std::int64_t(store->Picture(i).PictureData().size());
    return bytes;
}

TDrawingGroup& DrawingGroupOf(TWorkbookGlobals& aGlobals)
{
    return static_cast<TDrawingGroup&>(aGlobals.DrawingGroup());
}

// -------------------------------------------------------------------- pictures

namespace {

constexpr std::size_t kBmpFileHeaderSize = 14;

// A 1 x 1 white PNG: the picture of an empty image.
TBytes BlankPicture()
{
    return BytesFromHex("89 50 4E 47 0D 0A 1A 0A 00 00 00 0D 49 48 44 52 00 00 00 01 00 00 00 01 08 02 00 00 00 90 "
                        "77 53 DE 00 00 00 0C 49 44 41 54 78 DA 63 F8 FF FF 3F 00 05 FE 02 FE 33 12 95 14 00 00 00 "
                        "00 49 45 4E 44 AE 42 60 82");
}

// The bytes the store keeps of an image file: a BMP file without its file
// header, every other kind as it is.
TBytes StoredImage(TByteView aImage, TBlipType& aType)
{
    if (aImage.empty()) {
        aType = TBlipType::PNG;
        return BlankPicture();
    }
    if (aType == TBlipType::DIB && aImage.size() > kBmpFileHeaderSize && aImage[0] == 'B' && aImage[1] == 'M')
        return TBytes(aImage.begin() + kBmpFileHeaderSize, aImage.end());
    return TBytes(aImage.begin(), aImage.end());
}

// A BMP file of a stored bitmap: the file header goes in front again.
TBytes BmpFileOf(const TBytes& aDib)
{
    if (aDib.size() < 16) return aDib;
    const std::uint32_t headerSize = GetCardinal(aDib, 0);
    std::uint32_t colours = 0;
    if (headerSize >= 40 && aDib.size() >= 36) {
        const std::uint16_t bitCount = GetWord(aDib, 14);
        colours = GetCardinal(aDib, 32);
        if (colours == 0 && bitCount <= 8) colours = 1u << bitCount;
        if (GetCardinal(aDib, 16) == 3 && headerSize == 40) colours = 3;  // BI_BITFIELDS masks
    }
    TBytes bmp{'B', 'M'};
    AppendCardinal(bmp, static_cast<std::uint32_t>(kBmpFileHeaderSize + aDib.size()));
    AppendCardinal(bmp, 0);
    AppendCardinal(bmp, static_cast<std::uint32_t>(kBmpFileHeaderSize + headerSize + 4 * colours));
    bmp.insert(bmp.end(), aDib.begin(), aDib.end());
    return bmp;
}

// The anchor of a shape, or of the group it is a member of.
TEscherClientAnchorRecord* AnchorFor(const TEscherRecord* aRecord)
{
    for (const TEscherRecord* r = aRecord; r; r = r->Parent()) {
        if (const auto* shape = dynamic_cast<const TEscherSpContainerRecord*>(r); shape && shape->ClientAnchor())
            return shape->ClientAnchor();
        if (const auto* group = dynamic_cast<const TEscherSpgrContainerRecord*>(r); group && group->ChildCount() > 0)
            if (const auto* first = dynamic_cast<const TEscherSpContainerRecord*>(group->Child(0));
                first && first->ClientAnchor())
                return first->ClientAnchor();
    }
    return nullptr;
}

// The OBJ of a shape container, or none.
const TMsObj* ObjOf(const TEscherSpContainerRecord* aShape)
{
    return aShape && aShape->ClientData() ? dynamic_cast<const TMsObj*>(aShape->ClientData()->ClientData()) : nullptr;
}

bool IsComment(const TEscherSpContainerRecord* aShape)
{
    const TMsObj* obj = ObjOf(aShape);
    return obj && obj->ObjectType() == TMsObj::otComment;
}

bool IsFilterButton(const TEscherSpContainerRecord* aShape)
{
    const TMsObj* obj = ObjOf(aShape);
    return obj && obj->GetIsAutoFilter();
}

// The shape container of a top-level shape: itself, or a group's first one.
const TEscherSpContainerRecord* MainShape(const TEscherRecord* aShape)
{
    if (const auto* group = dynamic_cast<const TEscherSpgrContainerRecord*>(aShape))
        return group->ChildCount() > 0 ? dynamic_cast<const TEscherSpContainerRecord*>(group->Child(0)) : nullptr;
    return dynamic_cast<const TEscherSpContainerRecord*>(aShape);
}

// Comment boxes move with their notes, not with the cells.
bool MovesWithCells(const TEscherClientAnchorRecord* aAnchor)
{
    return aAnchor->HasAnchor() && !IsComment(dynamic_cast<const TEscherSpContainerRecord*>(aAnchor->Parent()));
}

// Whether the anchor lies wholly inside rows (columns) aFirst to aLast; an
// end at offset 0 of the next one is still inside.
bool AnchorInside(const TClientAnchor& a, bool aRows, std::int64_t aFirst, std::int64_t aLast)
{
    const std::int64_t first = aRows ? a.Row1 : a.Col1;
    const std::int64_t last = aRows ? a.Row2 : a.Col2;
    const std::int64_t lastOffset = aRows ? a.Dy2 : a.Dx2;
    return first >= aFirst && (last <= aLast || (last == aLast + 1 && lastOffset == 0));
}

}  // namespace

TBlipType DetectPictureType(TByteView aImage)
{
    auto startsWith = [&](std::initializer_list<std::uint8_t> aBytes, std::size_t aOfs = 0) {
        return aImage.size() >= aOfs + aBytes.size() && std::equal(aBytes.begin(), aBytes.end(), aImage.begin() + std::ptrdiff_t(aOfs));
    };
    if (startsWith({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A})) return TBlipType::PNG;
    if (startsWith({0xFF, 0xD8, 0xFF})) return TBlipType::JPEG;
    if (startsWith({'B', 'M'})) return TBlipType::DIB;
    if (startsWith({0x01, 0x00, 0x00, 0x00}) && startsWith({' ', 'E', 'M', 'F'}, 40)) return TBlipType::EMF;
    if (startsWith({0xD7, 0xCD, 0xC6, 0x9A}) || startsWith({0x01, 0x00, 0x09, 0x00}) || startsWith({0x02, 0x00, 0x09, 0x00}))
        return TBlipType::WMF;
    return TBlipType::Error;
}

// -------------------------------------------------------------------- TDrawing

TDrawing::TDrawing(TDrawingGroup& aDrawingGroup) : FDrawingGroup(&aDrawingGroup) {}

TDrawing::~TDrawing() { Clear(); }

bool TDrawing::StartsDrawing(std::uint16_t aId)
{
    return aId == xlr_MSODRAWING || aId == xlr_OBJ || aId == xlr_TXO;
}

TEscherContext TDrawing::RootContext()
{
    return {nullptr, &FRecordCache, &FDrawingGroup->Cache(), false};
}

void TDrawing::LoadFromStream(TOle2File& DataStream, TRecordHeader& RecordHeader, std::unique_ptr<TBaseRecord> First,
                              TSST& SST)
{
    ++FVersion;
    if (First->Id() == xlr_MSODRAWING)
        LoadTree(DataStream, RecordHeader, std::move(First), SST);
    else
        LoadLoose(DataStream, RecordHeader, std::move(First), SST);
}

namespace {

// The client atom the tree waits for: its last loaded descendant.
TEscherClientRecord* WaitingAtom(TEscherRecord& aRoot)
{
    TEscherRecord* r = &aRoot;
    while (auto* container = dynamic_cast<TEscherContainerRecord*>(r)) {
        if (container->ChildCount() == 0) return nullptr;
        r = container->Child(container->ChildCount() - 1);
    }
    return dynamic_cast<TEscherClientRecord*>(r);
}

}  // namespace

void TDrawing::LoadTree(TOle2File& DataStream, TRecordHeader& RecordHeader, std::unique_ptr<TBaseRecord> First,
                        TSST& SST)
{
    if (FDgContainer) RaiseXls(TXlsMsg::ExcelRecordsInvalid);
    FRecordCache.Reset();
    std::unique_ptr<TBaseRecord> current = std::move(First);
    TEscherReadPos pos{current.get(), 0};
    FDgContainer = CreateRoot(ReadEscherHeader(pos), RootContext());
    // Each round reads a record of a finite stream or completes a client atom.
    for (;;) {
        const bool waiting = FDgContainer->WaitingClientData();
        if (FDgContainer->Loaded() && !waiting) break;
        if (!waiting) {
            ContinueIn(DataStream, RecordHeader, xlr_MSODRAWING, current, pos);
            FDgContainer->Load(pos, 0);
            continue;
        }
        // The shape's client records follow the drawing record that ended with its atom.
        if (pos.BytesLeft() != 0) RaiseXls(TXlsMsg::ExcelRecordsInvalid);
        TEscherClientRecord* atom = WaitingAtom(*FDgContainer);
        std::unique_ptr<TBaseClientData> clientData = AtNextRecord(DataStream, RecordHeader, [&] {
            if (!atom || RecordHeader.StreamEnded || RecordHeader.Id != atom->ExpectedRecord())
                RaiseXls(TXlsMsg::UnsupportedDrawingRecord);
            std::unique_ptr<TBaseClientData> data = CreateClientData(RecordHeader.Id);
            data->LoadFromStream(DataStream, RecordHeader, ReadRecord(DataStream, RecordHeader), SST);
            return data;
        });
        std::unique_ptr<TBaseRecord> remaining = std::move(clientData->RemainingData);
        atom->AssignClientData(std::move(clientData));
        // Drawing data chained behind the client records goes on from there.
        if (remaining) {
            current = std::move(remaining);
            pos = {current.get(), 0};
        }
    }
    if (FRecordCache.Solver) FRecordCache.Solver->FixPointers(FRecordCache.Shape);
}

void TDrawing::LoadLoose(TOle2File& DataStream, TRecordHeader& RecordHeader, std::unique_ptr<TBaseRecord> First,
                         TSST& SST)
{
    const auto* obj = dynamic_cast<const TObjRecord*>(First.get());
    const bool chart = obj && obj->IsChart();
    FLooseParts.push_back({std::move(First), nullptr});
    if (chart) {
        auto bof = AtNextRecord(DataStream, RecordHeader, [&] {
            if (RecordHeader.Id != xlr_BOF || RecordHeader.StreamEnded) RaiseXls(TXlsMsg::ExcelRecordsInvalid);
            return TakeRecordAs<TBOFRecord>(ReadRecord(DataStream, RecordHeader));
        });
        auto loaded = std::make_unique<TTbrChart>(nullptr);
        loaded->LoadFromStream(DataStream, RecordHeader, std::move(bof), SST);
        std::unique_ptr<TBaseRecord> remaining = loaded->TakeRemainingData();
        FLooseParts.push_back({nullptr, std::move(loaded)});
        if (remaining) FLooseParts.push_back({std::move(remaining), nullptr});
    } else if (obj && RecordHeader.Id == xlr_IMDATA && !RecordHeader.StreamEnded) {
        // An old-style picture (some writers' OBJ has no common object data): its data follows the OBJ.
        FLooseParts.push_back({ReadRecord(DataStream, RecordHeader), nullptr});
    }
}

void TDrawing::SaveToStream(TOle2File& DataStream)
{
    if (FDgContainer) SaveTree(DataStream, *FDgContainer, xlr_MSODRAWING);
    for (auto& part : FLooseParts) {
        if (part.Record) part.Record->SaveToStream(DataStream);
        if (part.Chart) part.Chart->SaveToStream(DataStream);
    }
}

std::int64_t TDrawing::TotalSize() const
{
    std::int64_t size = FDgContainer ? TreeSize(*FDgContainer, xlr_MSODRAWING) : 0;
    for (const auto& part : FLooseParts) size += part.Record ? part.Record->TotalSize() : part.Chart->TotalSize();
    return size;
}

void TDrawing::Clear()
{
    ++FVersion;
    if (FDgContainer) {
        TEscherDggRecord* dgg = FDrawingGroup->Cache().Dgg;
        if (dgg && FRecordCache.Dg) dgg->DrawingRemoved(FRecordCache.Dg->DrawingId(), FRecordCache.Dg->Csp());
        FRecordCache.Destroying = true;
        FDgContainer.reset();
        FRecordCache.Destroying = false;
    }
    FRecordCache.Reset();
    FLooseParts.clear();
}

void TDrawing::CopyFrom(const TDrawing& aSource)
{
    ++FVersion;
    if (&aSource == this) RaiseXls(TXlsMsg::LogicalError);
    Clear();
    if (aSource.FDgContainer) {
        std::unique_ptr<TEscherRecord> copy = aSource.FDgContainer->CopyTo(RootContext());
        FDgContainer.reset(static_cast<TEscherContainerRecord*>(copy.release()));
        if (FRecordCache.Solver) FRecordCache.Solver->FixCopiedPointers();
        aSource.FDgContainer->ClearCopiedTo();
    }
    for (const auto& part : aSource.FLooseParts) {
        TLoosePart copy;
        copy.Record = part.Record ? part.Record->CopyTo() : nullptr;
        if (part.Chart) copy.Chart.reset(static_cast<TTbrChart*>(part.Chart->CopyTo().release()));
        FLooseParts.push_back(std::move(copy));
    }
}

// -------------------------------------------------------------------- pictures

TEscherOPTRecord& TDrawing::Picture(std::size_t aIndex) const
{
    if (aIndex >= FRecordCache.Blip.size()) RaiseListIndex(aIndex);
    return *FRecordCache.Blip[aIndex];
}

std::int32_t TDrawing::GetDrawingRow(std::size_t aIndex) const
{
    const TEscherClientAnchorRecord* anchor = AnchorFor(&Picture(aIndex));
    return anchor ? anchor->GetAnchor().Row1 : 0;
}

TXlsString TDrawing::GetDrawingName(std::size_t aIndex) const
{
    return Picture(aIndex).ShapeName();
}

TClientAnchor TDrawing::GetAnchor(std::size_t aIndex) const
{
    const TEscherClientAnchorRecord* anchor = AnchorFor(&Picture(aIndex));
    return anchor ? anchor->GetAnchor() : TClientAnchor{};
}

void TDrawing::SetAnchor(std::size_t aIndex, const TClientAnchor& aAnchor)
{
    ++FVersion;
    if (TEscherClientAnchorRecord* anchor = AnchorFor(&Picture(aIndex))) anchor->SetAnchor(aAnchor);
}

TBytes TDrawing::GetDrawingFromStream(std::size_t aIndex, TBlipType& aType) const
{
    const TEscherBSERecord* picture = Picture(aIndex).Picture();
    aType = picture->PictureType();
    TBytes data = picture->PictureData();
    return aType == TBlipType::DIB ? BmpFileOf(data) : data;
}

void TDrawing::AssignDrawing(std::size_t aIndex, TByteView aImage, TBlipType aType)
{
    ++FVersion;
    TEscherOPTRecord& opt = Picture(aIndex);
    FDrawingGroup->EnsureDwgGroup();
    const TBytes stored = StoredImage(aImage, aType);
    opt.ReplacePicture(FDrawingGroup->Cache().BStore->AddPicture(aType, stored));
}

void TDrawing::AddImage(TByteView aImage, TBlipType aType, const TClientAnchor& aAnchor, std::u16string_view aName)
{
    ++FVersion;
    FDrawingGroup->EnsureDwgGroup();
    const TBytes stored = StoredImage(aImage, aType);
    TEscherBSERecord& picture = FDrawingGroup->Cache().BStore->AddPicture(aType, stored);
    std::vector<TEscherOPTRecord::TProperty> properties = {
        {0x007F, 0x00800080, {}},  // the aspect ratio is kept
        {0x4104, 0, {}},           // the picture: a store position
    };
    if (!aName.empty()) {
        TBytes name;
        for (char16_t c : aName) AppendWord(name, c);
        AppendWord(name, 0);
        properties.push_back({0x8380, 0, std::move(name)});
    }
    AddShape(
        0x04B2,
        [&](const TEscherContext& aContext) { return TEscherOPTRecord::CreateNew(properties, &picture, aContext); },
        aAnchor, TMsObj::CreateEmptyImg(FRecordCache.MaxObjId), nullptr);
}

void TDrawing::DeleteImage(std::size_t aIndex)
{
    ++FVersion;
    TEscherRecord* shape = Picture(aIndex).Parent();
    if (!shape || !shape->Parent()) RaiseXls(TXlsMsg::EscherLoadError);
    TEscherContainerRecord& parent = *shape->Parent();
    parent.DeleteChild(parent.IndexOf(shape));
}

void TDrawing::SortPicturesByRow()
{
    ++FVersion;
    auto row = [](const TEscherOPTRecord* aOpt) {
        const TEscherClientAnchorRecord* anchor = AnchorFor(aOpt);
        return anchor ? anchor->GetAnchor().Row1 : 0;
    };
    std::stable_sort(FRecordCache.Blip.begin(), FRecordCache.Blip.end(),
                     [&](const auto* a, const auto* b) { return row(a) < row(b); });
}

// ------------------------------------------------------------------ new shapes

TEscherSpgrContainerRecord& TDrawing::EnsurePatriarch()
{
    if (FRecordCache.Patriarch) return *FRecordCache.Patriarch;
    if (!FDgContainer) {
        FRecordCache.Reset();
        FDgContainer = std::make_unique<TEscherContainerRecord>(TEscherRecordHeader{0x000F, msofbtDgContainer, 0},
                                                                RootContext());
        FDgContainer->AddChild(std::make_unique<TEscherDgRecord>(FDgContainer->ChildContext()));
    }
    // A drawing read without a group of shapes gets one; one without a Dg cannot.
    if (!FRecordCache.Dg) RaiseXls(TXlsMsg::EscherLoadError);
    TEscherContainerRecord& root = *FDgContainer;
    root.AddChild(std::make_unique<TEscherSpgrContainerRecord>(TEscherRecordHeader{0x000F, msofbtSpgrContainer, 0},
                                                               root.ChildContext()));
    TEscherSpgrContainerRecord& patriarch = *FRecordCache.Patriarch;
    // The patriarch's own shape: a group atom and a shape flagged group and patriarch.
    auto shape = std::make_unique<TEscherSpContainerRecord>(patriarch.ChildContext());
    shape->AddChild(std::make_unique<TEscherDataRecord>(0x0001, msofbtSpgr, TBytes(16, 0), shape->ChildContext()));
    shape->AddChild(std::make_unique<TEscherSPRecord>(0x0002, 0x00000005, shape->ChildContext()));
    patriarch.AddChild(std::move(shape));
    return patriarch;
}

void TDrawing::AddShape(std::uint16_t aSpPre,
                        const std::function<std::unique_ptr<TEscherOPTRecord>(const TEscherContext&)>& aMakeOpt,
                        const TClientAnchor& aAnchor, std::unique_ptr<TBaseClientData> aClientData,
                        std::unique_ptr<TBaseClientData> aTextBox)
{
    ++FVersion;
    TEscherSpgrContainerRecord& patriarch = EnsurePatriarch();
    auto shape = std::make_unique<TEscherSpContainerRecord>(patriarch.ChildContext());
    const TEscherContext inShape = shape->ChildContext();
    shape->AddChild(std::make_unique<TEscherSPRecord>(aSpPre, 0x00000A00, inShape));  // has an anchor and a type
    shape->AddChild(aMakeOpt(inShape));
    shape->AddChild(std::make_unique<TEscherClientAnchorRecord>(aAnchor, inShape));
    shape->AddChild(std::make_unique<TEscherClientDataRecord>(msofbtClientData, std::move(aClientData), inShape));
    if (aTextBox)
        shape->AddChild(std::make_unique<TEscherClientTextBoxRecord>(msofbtClientTextbox, std::move(aTextBox), inShape));
    patriarch.AddChild(std::move(shape));
}

namespace {

// Builds an OPT of plain properties given as (id, value) pairs.
std::unique_ptr<TEscherOPTRecord> PlainOpt(std::initializer_list<std::pair<std::uint16_t, std::uint32_t>> aProperties,
                                           const TEscherContext& aContext)
{
    std::vector<TEscherOPTRecord::TProperty> properties;
    for (const auto& [id, value] : aProperties) properties.push_back({id, value, {}});
    return TEscherOPTRecord::CreateNew(properties, nullptr, aContext);
}

}  // namespace

std::uint16_t TDrawing::AddNewComment(const TClientAnchor& aAnchor)
{
    FDrawingGroup->EnsureDwgGroup();
    TClientAnchor anchor = aAnchor;
    anchor.Flag = 3;  // the box neither moves nor sizes with the cells
    auto makeOpt = [](const TEscherContext& aContext) {
        // A hidden yellow text box with a shadow that fits its text.
        return PlainOpt({{0x0080, 0x00000000},
                         {0x00BF, 0x00080008},
                         {0x0158, 0x00000000},
                         {0x0181, 0x08000050},
                         {0x0183, 0x08000050},
                         {0x01BF, 0x00110010},
                         {0x0201, 0x00000000},
                         {0x023F, 0x00030003},
                         {0x03BF, 0x000A0002}},
                        aContext);
    };
    auto obj = TMsObj::CreateEmptyNote(FRecordCache.MaxObjId);
    const std::uint16_t id = obj->GetId();
    AddShape(0x0CA2, makeOpt, anchor, std::move(obj), TTXO::CreateFromData());
    return id;
}

TEscherClientRecord* TDrawing::FindObjId(std::uint16_t aObjId) const
{
    for (TEscherClientRecord* rec : FRecordCache.Obj)
        if (rec->Id() == msofbtClientData && rec->ObjId() == aObjId) return rec;
    return nullptr;
}

TEscherSpContainerRecord* TDrawing::ShapeOfObj(std::uint16_t aObjId) const
{
    TEscherClientRecord* rec = FindObjId(aObjId);
    return rec ? EnclosingShape(*rec) : nullptr;
}

TTXO* TDrawing::ShapeText(std::uint16_t aObjId) const
{
    const TEscherSpContainerRecord* shape = ShapeOfObj(aObjId);
    return shape && shape->ClientTextBox() ? dynamic_cast<TTXO*>(shape->ClientTextBox()->ClientData()) : nullptr;
}

void TDrawing::DeleteObject(std::uint16_t aObjId)
{
    ++FVersion;
    TEscherSpContainerRecord* shape = ShapeOfObj(aObjId);
    // A shape that is the root itself cannot leave the drawing.
    if (!shape || !shape->Parent()) return;
    TEscherContainerRecord& parent = *shape->Parent();
    parent.DeleteChild(parent.IndexOf(shape));
}

void TDrawing::MoveObjectRows(std::uint16_t aObjId, std::int32_t aPos, std::int32_t aCount)
{
    ++FVersion;
    if (TEscherClientAnchorRecord* anchor = AnchorFor(ShapeOfObj(aObjId))) anchor->MoveRows(aPos, aCount, true);
}

void TDrawing::MoveObjectCols(std::uint16_t aObjId, std::int32_t aPos, std::int32_t aCount)
{
    ++FVersion;
    if (TEscherClientAnchorRecord* anchor = AnchorFor(ShapeOfObj(aObjId))) anchor->MoveCols(aPos, aCount, true);
}

std::uint16_t TDrawing::CopyObject(std::uint16_t aObjId, std::int32_t aRowOffset, std::int32_t aColOffset)
{
    ++FVersion;
    TEscherSpContainerRecord* shape = ShapeOfObj(aObjId);
    if (!shape || !shape->Parent()) return 0;
    TEscherContainerRecord& parent = *shape->Parent();
    TEscherContext context = parent.ChildContext();
    context.NewObjIds = true;
    std::unique_ptr<TEscherRecord> copy = shape->CopyTo(context);
    shape->ClearCopiedTo();
    auto* copied = static_cast<TEscherSpContainerRecord*>(copy.get());
    if (copied->ClientAnchor()) copied->ClientAnchor()->Offset(aRowOffset, aColOffset);
    copied->ArrangeCopyRowsAndCols(aRowOffset, aColOffset);
    const std::uint16_t id = copied->ClientData() ? copied->ClientData()->ObjId() : 0;
    parent.AddChild(std::move(copy));
    return id;
}

// ------------------------------------------------------------------ auto filter

void TDrawing::AddAutoFilter(std::int32_t aRow, std::int32_t aCol1, std::int32_t aCol2)
{
    if (aCol2 < aCol1) return;
    if (aRow < 0 || aRow > MaxRow || aCol1 < 0 || aCol2 > MaxColumn) RaiseXls(TXlsMsg::InvalidInsertArguments);
    FDrawingGroup->EnsureDwgGroup();
    auto makeOpt = [](const TEscherContext& aContext) {
        return PlainOpt({{0x007F, 0x01040104},
                         {0x00BF, 0x00080008},
                         {0x01FF, 0x00080000},
                         {0x03BF, 0x00020000}},
                        aContext);
    };
    for (std::int32_t col = aCol1; col <= aCol2; ++col) {
        // The button covers its cell; in the last row or column it ends at its far edge.
        TClientAnchor anchor{1, static_cast<std::uint16_t>(col), 0, static_cast<std::uint16_t>(aRow), 0,
                             static_cast<std::uint16_t>(std::min<std::int64_t>(col + 1, MaxColumn)),
                             static_cast<std::uint16_t>(col == MaxColumn ? 1023 : 0),
                             static_cast<std::uint16_t>(std::min<std::int64_t>(aRow + 1, MaxRow)),
                             static_cast<std::uint16_t>(aRow == MaxRow ? 255 : 0)};
        AddShape(0x0C92, makeOpt, anchor, TMsObj::CreateEmptyAutoFilter(FRecordCache.MaxObjId), nullptr);
    }
}

void TDrawing::RemoveAutoFilter()
{
    ++FVersion;
    if (!FRecordCache.Patriarch) RaiseXls(TXlsMsg::EscherLoadError);
    FRecordCache.Patriarch->DeleteChildrenIf(
        [](const TEscherRecord& r) { return IsFilterButton(dynamic_cast<const TEscherSpContainerRecord*>(&r)); });
}

std::size_t TDrawing::AutoFilterCount() const
{
    std::size_t count = 0;
    for (const TEscherRecord* shape : TopLevelShapes())
        if (IsFilterButton(dynamic_cast<const TEscherSpContainerRecord*>(shape))) ++count;
    return count;
}

// ----------------------------------------------------------------- statistics

namespace {

// The OBJ records of the drawing's shapes and the kept ones that pass the test.
template <class F>
std::size_t CountObjects(const std::vector<TEscherClientRecord*>& aObj, const std::vector<const TObjRecord*>& aLoose,
                         F aTest)
{
    std::size_t count = 0;
    for (const TEscherClientRecord* r : aObj)
        if (const auto* obj = dynamic_cast<const TMsObj*>(r->ClientData()); r->Id() == msofbtClientData && obj)
            count += aTest(obj->ObjectType()) ? 1 : 0;
    for (const TObjRecord* obj : aLoose) count += aTest(obj->CmoId()) ? 1 : 0;
    return count;
}

}  // namespace

std::vector<const TObjRecord*> TDrawing::LooseObjects() const
{
    std::vector<const TObjRecord*> objects;
    for (const TLoosePart& part : FLooseParts)
        if (const auto* obj = dynamic_cast<const TObjRecord*>(part.Record.get())) objects.push_back(obj);
    return objects;
}

std::size_t TDrawing::ObjectCount() const
{
    return CountObjects(FRecordCache.Obj, LooseObjects(), [](std::uint16_t) { return true; });
}

std::size_t TDrawing::PictureObjectCount() const
{
    return CountObjects(FRecordCache.Obj, LooseObjects(), [](std::uint16_t t) { return t == TMsObj::otPicture; });
}

bool TDrawing::HoldsChartDrawings() const
{
    auto drawsInside = [](const TTbrChart* aChart) {
        if (!aChart) return false;
        const TChartRecordList& records = aChart->ChartRecords();
        for (std::size_t i = 0; i < records.Count(); ++i)
            if (records.GetItem(i)->Id() == xlr_MSODRAWING) return true;
        return false;
    };
    for (const TEscherClientRecord* r : FRecordCache.Obj)
        if (const auto* obj = dynamic_cast<const TMsObj*>(r->ClientData()); obj && drawsInside(obj->Chart())) return true;
    return std::any_of(FLooseParts.begin(), FLooseParts.end(),
                       [&](const TLoosePart& p) { return drawsInside(p.Chart.get()); });
}

// ------------------------------------------------------------------ structure

std::vector<TEscherRecord*> TDrawing::TopLevelShapes() const
{
    std::vector<TEscherRecord*> shapes;
    if (const TEscherSpgrContainerRecord* patriarch = FRecordCache.Patriarch)
        for (std::size_t i = 1; i < patriarch->ChildCount(); ++i) shapes.push_back(patriarch->Child(i));
    return shapes;
}

void TDrawing::ArrangeInsertRowsAndCols(std::int32_t aRowPos, std::int32_t aRowCount, std::int32_t aColPos,
                                        std::int32_t aColCount, const TSheetInfo& SheetInfo)
{
    ++FVersion;
    if (!FDgContainer) return;
    if (SheetInfo.MovesOwnCells()) {
        for (TEscherClientAnchorRecord* anchor : FRecordCache.Anchor) {
            if (!MovesWithCells(anchor)) continue;
            anchor->MoveRows(aRowPos, aRowCount, false);
            anchor->MoveCols(aColPos, aColCount, false);
        }
    }
    FDgContainer->ArrangeInsertRowsAndCols(aRowPos, aRowCount, aColPos, aColCount, SheetInfo);
}

void TDrawing::ArrangeCopySheet(const TSheetInfo& SheetInfo)
{
    if (FDgContainer) FDgContainer->ArrangeCopySheet(SheetInfo);
}

void TDrawing::CopyShapesInside(bool aRows, std::int32_t aFirst, std::int32_t aLast, std::int32_t aDest,
                                std::int32_t aCount)
{
    ++FVersion;
    const std::int32_t size = aLast - aFirst + 1;
    TEscherSpgrContainerRecord& patriarch = *FRecordCache.Patriarch;
    TEscherContext context = patriarch.ChildContext();
    context.NewObjIds = true;
    for (TEscherRecord* shape : TopLevelShapes()) {
        const TEscherSpContainerRecord* main = MainShape(shape);
        const TEscherClientAnchorRecord* anchor = main ? main->ClientAnchor() : nullptr;
        if (!anchor || !anchor->HasAnchor() || IsComment(main) || IsFilterButton(main)) continue;
        if (!AnchorInside(anchor->GetAnchor(), aRows, aFirst, aLast)) continue;
        for (std::int32_t k = 0; k < aCount; ++k) {
            const std::int32_t offset = aDest + k * size - aFirst;
            std::unique_ptr<TEscherRecord> copy = shape->CopyTo(context);
            shape->ClearCopiedTo();
            if (TEscherClientAnchorRecord* copied = AnchorFor(copy.get()))
                copied->Offset(aRows ? offset : 0, aRows ? 0 : offset);
            copy->ArrangeCopyRowsAndCols(aRows ? offset : 0, aRows ? 0 : offset);
            patriarch.AddChild(std::move(copy));
        }
    }
}

void TDrawing::InsertAndCopyRows(std::int32_t FirstRow, std::int32_t LastRow, std::int32_t DestRow,
                                 std::int32_t aCount, const TSheetInfo& SheetInfo)
{
    if (!FDgContainer || aCount <= 0 || LastRow < FirstRow) return;
    const std::int32_t inserted = aCount * (LastRow - FirstRow + 1);
    ArrangeInsertRowsAndCols(DestRow, inserted, 0, 0, SheetInfo);
    if (!SheetInfo.MovesOwnCells() || !FRecordCache.Patriarch) return;
    // The source at its place after the move.
    const std::int32_t moved = FirstRow >= DestRow ? inserted : 0;
    CopyShapesInside(true, FirstRow + moved, LastRow + moved, DestRow, aCount);
}

void TDrawing::InsertAndCopyCols(std::int32_t FirstCol, std::int32_t LastCol, std::int32_t DestCol,
                                 std::int32_t aCount, const TSheetInfo& SheetInfo)
{
    if (!FDgContainer || aCount <= 0 || LastCol < FirstCol) return;
    const std::int32_t inserted = aCount * (LastCol - FirstCol + 1);
    ArrangeInsertRowsAndCols(0, 0, DestCol, inserted, SheetInfo);
    if (!SheetInfo.MovesOwnCells() || !FRecordCache.Patriarch) return;
    const std::int32_t moved = FirstCol >= DestCol ? inserted : 0;
    CopyShapesInside(false, FirstCol + moved, LastCol + moved, DestCol, aCount);
}

void TDrawing::DeleteShapesInside(bool aRows, std::int32_t aFirst, std::int32_t aCount)
{
    ++FVersion;
    if (!FRecordCache.Patriarch) return;
    FRecordCache.Patriarch->DeleteChildrenIf([&](const TEscherRecord& shape) {
        const TEscherSpContainerRecord* main = MainShape(&shape);
        const TEscherClientAnchorRecord* anchor = main ? main->ClientAnchor() : nullptr;
        if (!anchor || !anchor->HasAnchor() || IsComment(main) || anchor->GetAnchor().Flag != 0) return false;
        return AnchorInside(anchor->GetAnchor(), aRows, aFirst, std::int64_t(aFirst) + aCount - 1);
    });
}

void TDrawing::DeleteRows(std::int32_t aRow, std::int32_t aCount, const TSheetInfo& SheetInfo)
{
    if (!FDgContainer || aCount <= 0) return;
    if (SheetInfo.MovesOwnCells()) DeleteShapesInside(true, aRow, aCount);
    ArrangeInsertRowsAndCols(aRow, -aCount, 0, 0, SheetInfo);
}

void TDrawing::DeleteCols(std::int32_t aCol, std::int32_t aCount, const TSheetInfo& SheetInfo)
{
    if (!FDgContainer || aCount <= 0) return;
    if (SheetInfo.MovesOwnCells()) DeleteShapesInside(false, aCol, aCount);
    ArrangeInsertRowsAndCols(0, 0, aCol, -aCount, SheetInfo);
}

void TDrawing::SaveObjectCoords(const TSheetGeometry& aGeometry)
{
    for (TEscherClientAnchorRecord* anchor : FRecordCache.Anchor)
        if (MovesWithCells(anchor)) anchor->SaveRect(aGeometry);
}

void TDrawing::RestoreObjectCoords(const TSheetGeometry& aGeometry)
{
    ++FVersion;
    for (TEscherClientAnchorRecord* anchor : FRecordCache.Anchor)
        if (MovesWithCells(anchor)) anchor->RestoreRect(aGeometry);
}

bool TDrawing::NeedsGeometry() const
{
    return std::any_of(FRecordCache.Anchor.begin(), FRecordCache.Anchor.end(), [](const auto* anchor) {
        return MovesWithCells(anchor) && (anchor->GetAnchor().Flag & 3) != 0;
    });
}

}  // namespace xls
