#include "worksheet/UXlsHyperLink.h"

#include <algorithm>

namespace xls {

namespace {

constexpr std::size_t kFlagsOffset = 28;
constexpr std::size_t kPartsOffset = 32;

// Option flags of the hyperlink object.
constexpr std::uint16_t hlHasMoniker = 0x0001;
constexpr std::uint16_t hlIsAbsolute = 0x0002;
constexpr std::uint16_t hlDisplayNameFlags = 0x0014;  // a display name, given by the site
constexpr std::uint16_t hlHasDisplayName = 0x0010;
constexpr std::uint16_t hlHasLocation = 0x0008;
constexpr std::uint16_t hlHasFrameName = 0x0080;
constexpr std::uint16_t hlMonikerSavedAsString = 0x0100;

const TBytes kHyperLinkClassId = BytesFromHex("D0 C9 EA 79 F9 BA CE 11 8C 82 00 AA 00 4B A9 0B");
const TBytes kUrlMonikerClassId = BytesFromHex("E0 C9 EA 79 F9 BA CE 11 8C 82 00 AA 00 4B A9 0B");
const TBytes kFileMonikerClassId = BytesFromHex("03 03 00 00 00 00 00 00 C0 00 00 00 00 00 00 46");

// Reads the parts of a hyperlink object, each checked against the data.
class TLinkReader {
public:
    TLinkReader(TByteView aData, std::size_t aPos) : FData(aData), FPos(aPos) {}

    std::uint16_t Word() { return GetWord(FData, Take(2)); }
    std::uint32_t Cardinal() { return GetCardinal(FData, Take(4)); }
    TByteView Bytes(std::size_t aCount) { return FData.subspan(Take(aCount), aCount); }
    bool Next(const TBytes& aBytes) const
    {
        return FPos + aBytes.size() <= FData.size() &&
               std::equal(aBytes.begin(), aBytes.end(), FData.begin() + std::ptrdiff_t(FPos));
    }
    // UTF-16 units up to the first NUL.
    static TXlsString Text(TByteView aUnits)
    {
        TXlsString text;
        for (std::size_t i = 0; i + 1 < aUnits.size(); i += 2) {
            const char16_t c = GetWord(aUnits, i);
            if (c == 0) break;
            text.push_back(c);
        }
        return text;
    }
    // A 32-bit count of UTF-16 units, then the units.
    TXlsString CountedText() { return Text(Bytes(2 * std::size_t(Cardinal()))); }

private:
    std::size_t Take(std::size_t aCount)
    {
        CheckField(FData.size(), FPos, aCount);
        const std::size_t at = FPos;
        FPos += aCount;
        return at;
    }

    TByteView FData;
    std::size_t FPos;
};

// The path of a file moniker: "..\" for each level up, then the Unicode
// path when there is one, else the 8-bit one.
TXlsString FileMonikerPath(TLinkReader& aReader, std::uint16_t* aUpLevels)
{
    const std::uint16_t upLevels = aReader.Word();
    if (aUpLevels) *aUpLevels = upLevels;
    const TByteView ansi = aReader.Bytes(aReader.Cardinal());
    aReader.Bytes(24);
    TXlsString path;
    for (std::uint16_t i = 0; i < upLevels; ++i) path += u"..\\";
    const std::uint32_t unicodeSize = aReader.Cardinal();
    if (unicodeSize == 0) {
        for (std::uint8_t c : ansi) {
            if (c == 0) break;
            path.push_back(c);
        }
        return path;
    }
    const std::uint32_t bytes = aReader.Cardinal();
    aReader.Word();  // the key value 3
    return path + TLinkReader::Text(aReader.Bytes(bytes));
}

void AppendUnits(TBytes& aDest, std::u16string_view aText)
{
    for (char16_t c : aText) AppendWord(aDest, c);
    AppendWord(aDest, 0);
}

void AppendCountedText(TBytes& aDest, std::u16string_view aText)
{
    AppendCardinal(aDest, static_cast<std::uint32_t>(aText.size() + 1));
    AppendUnits(aDest, aText);
}

void AppendFileMoniker(TBytes& aDest, std::u16string_view aPath)
{
    std::uint16_t upLevels = 0;
    while (aPath.substr(0, 3) == u"..\\") {
        ++upLevels;
        aPath.remove_prefix(3);
    }
    aDest.insert(aDest.end(), kFileMonikerClassId.begin(), kFileMonikerClassId.end());
    AppendWord(aDest, upLevels);
    AppendCardinal(aDest, static_cast<std::uint32_t>(aPath.size() + 1));
    bool wide = false;
    for (char16_t c : aPath) {
        wide = wide || c > 0xFF;
        AppendByte(aDest, c > 0xFF ? static_cast<std::uint8_t>('?') : static_cast<std::uint8_t>(c));
    }
    AppendByte(aDest, 0);
    AppendCardinal(aDest, 0xDEADFFFF);
    aDest.resize(aDest.size() + 20, 0);
    if (!wide) {
        AppendCardinal(aDest, 0);
        return;
    }
    AppendCardinal(aDest, static_cast<std::uint32_t>(2 * aPath.size() + 6));
    AppendCardinal(aDest, static_cast<std::uint32_t>(2 * aPath.size()));
    AppendWord(aDest, 3);
    for (char16_t c : aPath) AppendWord(aDest, c);
}

}  // namespace

// ------------------------------------------------------------ TScreenTipRecord

std::unique_ptr<TScreenTipRecord> TScreenTipRecord::CreateNew(std::u16string_view aDescription)
{
    auto tip = std::make_unique<TScreenTipRecord>(xlr_HLINKTOOLTIP, TBytes(10, 0));
    tip->SetText(aDescription);
    return tip;
}

TXlsString TScreenTipRecord::Text() const
{
    return DataSize() > 10 ? TLinkReader::Text(Data().subspan(10)) : TXlsString();
}

void TScreenTipRecord::SetText(std::u16string_view aDescription)
{
    if (2 * aDescription.size() + 12 > MaxRecordDataSize)
        RaiseXls(TXlsMsg::TooManyEntries, {std::int64_t(aDescription.size()), std::int64_t(MaxRecordDataSize - 12) / 2});
    TBytes d(10, 0);
    std::copy_n(Data().begin(), std::min<std::size_t>(DataSize(), 10), d.begin());
    SetWord(d, 0, xlr_HLINKTOOLTIP);
    AppendUnits(d, aDescription);
    SetData(std::move(d));
}

THLinkRecord::THLinkRecord(std::uint16_t aId, TByteView aData) : TRecordClass(aId, aData)
{
    if (DataSize() < 8) RaiseXls(TXlsMsg::RecordInvalid, {std::int64_t(Id())});
}

THLinkRecord::THLinkRecord(const THLinkRecord& other) : TRecordClass(other), FHint(CopyRecord(other.Hint())) {}

std::unique_ptr<THLinkRecord> THLinkRecord::CreateNew(const TXlsCellRange& CellRange, const THyperLink& HLink)
{
    TBytes d(kPartsOffset, 0);
    std::copy(kHyperLinkClassId.begin(), kHyperLinkClassId.end(), d.begin() + 8);
    SetCardinal(d, 24, 2);  // stream version
    auto link = std::make_unique<THLinkRecord>(xlr_HLINK, std::move(d));
    link->SetCellRange(CellRange);
    link->SetProperties(HLink);
    return link;
}

THyperLink THLinkRecord::GetProperties() const
{
    return ReadLink(nullptr);
}

std::uint16_t THLinkRecord::FileUpLevels() const
{
    std::uint16_t upLevels = 0;
    ReadLink(&upLevels);
    return upLevels;
}

THyperLink THLinkRecord::ReadLink(std::uint16_t* aUpLevels) const
{
    THyperLink link;
    link.LinkType = THyperLinkType::hl_CurrentWorkbook;
    link.Hint = FHint ? FHint->Text() : TXlsString();
    TByteView d = Data();
    const std::uint16_t flags = GetWord(d, kFlagsOffset);
    TLinkReader reader(d, kPartsOffset);
    if (flags & hlHasDisplayName) link.Description = reader.CountedText();
    if (flags & hlHasFrameName) link.TargetFrame = reader.CountedText();
    if (flags & hlHasMoniker) {
        if (flags & hlMonikerSavedAsString) {
            link.LinkType = THyperLinkType::hl_UNC;
            link.Text = reader.CountedText();
        } else if (reader.Next(kUrlMonikerClassId)) {
            reader.Bytes(kUrlMonikerClassId.size());
            link.LinkType = THyperLinkType::hl_URL;
            link.Text = TLinkReader::Text(reader.Bytes(reader.Cardinal()));
        } else if (reader.Next(kFileMonikerClassId)) {
            reader.Bytes(kFileMonikerClassId.size());
            link.LinkType = THyperLinkType::hl_LocalFile;
            link.Text = FileMonikerPath(reader, aUpLevels);
        } else {
            return link;  // a moniker of another kind: its length is unknown, so nothing after it is read
        }
    }
    if (flags & hlHasLocation) link.TextMark = reader.CountedText();
    return link;
}

void THLinkRecord::SetProperties(const THyperLink& value)
{
    TBytes d(Data().begin(), Data().begin() + kPartsOffset);
    std::uint16_t flags = 0;
    if (!value.Description.empty()) {
        flags |= hlDisplayNameFlags;
        AppendCountedText(d, value.Description);
    }
    if (!value.TargetFrame.empty()) {
        flags |= hlHasFrameName;
        AppendCountedText(d, value.TargetFrame);
    }
    switch (value.LinkType) {
    case THyperLinkType::hl_URL:
        flags |= hlHasMoniker | hlIsAbsolute;
        d.insert(d.end(), kUrlMonikerClassId.begin(), kUrlMonikerClassId.end());
        AppendCardinal(d, static_cast<std::uint32_t>(2 * (value.Text.size() + 1)));
        AppendUnits(d, value.Text);
        break;
    case THyperLinkType::hl_LocalFile:
        flags |= hlHasMoniker;
        AppendFileMoniker(d, value.Text);
        break;
    case THyperLinkType::hl_UNC:
        flags |= hlHasMoniker | hlIsAbsolute | hlMonikerSavedAsString;
        AppendCountedText(d, value.Text);
        break;
    case THyperLinkType::hl_CurrentWorkbook: break;
    }
    if (!value.TextMark.empty()) {
        flags |= hlHasLocation;
        AppendCountedText(d, value.TextMark);
    }
    if (d.size() > MaxRecordDataSize)
        RaiseXls(TXlsMsg::TooManyEntries, {std::int64_t(d.size()), std::int64_t(MaxRecordDataSize)});
    SetWord(d, kFlagsOffset, flags);
    SetWord(d, kFlagsOffset + 2, 0);
    if (value.Hint.empty())
        FHint.reset();
    else if (FHint)
        FHint->SetText(value.Hint);
    else
        FHint = TScreenTipRecord::CreateNew(value.Hint);
    SetData(std::move(d));
}

TXlsCellRange THLinkRecord::GetCellRange() const
{
    TByteView d = Data();
    return {GetWord(d, 4), GetWord(d, 0), GetWord(d, 6), GetWord(d, 2)};
}

void THLinkRecord::SetCellRange(const TXlsCellRange& CellRange)
{
    for (std::int64_t row : {CellRange.Top, CellRange.Bottom})
        if (row < 0 || row > MaxRow) RaiseXls(TXlsMsg::TooManyEntries, {row, MaxRow});
    for (std::int64_t col : {CellRange.Left, CellRange.Right})
        if (col < 0 || col > MaxColumn) RaiseXls(TXlsMsg::TooManyEntries, {col, MaxColumn});
    TByteSpan d = Data();
    SetWord(d, 0, static_cast<std::uint16_t>(CellRange.Top));
    SetWord(d, 2, static_cast<std::uint16_t>(CellRange.Bottom));
    SetWord(d, 4, static_cast<std::uint16_t>(CellRange.Left));
    SetWord(d, 6, static_cast<std::uint16_t>(CellRange.Right));
}

void THLinkRecord::Offset(std::int32_t DeltaRow, std::int32_t DeltaCol)
{
    TXlsCellRange r = GetCellRange();
    r.Top += DeltaRow;
    r.Bottom += DeltaRow;
    r.Left += DeltaCol;
    r.Right += DeltaCol;
    SetCellRange(r);
}

void THLinkRecord::ArrangeInsertRange(const TXlsCellRange& CellRange, std::int32_t aRowCount, std::int32_t aColCount,
                                      const TSheetInfo& SheetInfo)
{
    if (!SheetInfo.MovesOwnCells()) return;
    TXlsCellRange r = GetCellRange();
    const std::int32_t rows = aRowCount * (CellRange.Bottom - CellRange.Top + 1);
    const std::int32_t cols = aColCount * (CellRange.Right - CellRange.Left + 1);
    if (aRowCount != 0 && r.Left >= CellRange.Left && r.Right <= CellRange.Right) {
        if (r.Top >= CellRange.Top) r.Top += rows;
        if (r.Bottom >= CellRange.Top) r.Bottom += rows;
    }
    if (aColCount != 0 && r.Top >= CellRange.Top && r.Bottom <= CellRange.Bottom) {
        if (r.Left >= CellRange.Left) r.Left += cols;
        if (r.Right >= CellRange.Left) r.Right += cols;
    }
    SetCellRange(r);
}

void THLinkRecord::SyncHintRange()
{
    if (FHint && FHint->DataSize() >= 10) std::copy_n(Data().begin(), 8, FHint->Data().begin() + 2);
}

void THLinkRecord::SaveToStream(TOle2File& Workbook)
{
    TRecordClass::SaveToStream(Workbook);
    if (FHint) FHint->SaveToStream(Workbook);
}

std::int64_t THLinkRecord::TotalSize() const
{
    return TRecordClass::TotalSize() + (FHint ? FHint->TotalSize() : 0);
}

std::int64_t THLinkRecord::TotalSizeNoHeaders() const
{
    return TRecordClass::TotalSizeNoHeaders() + (FHint ? FHint->TotalSizeNoHeaders() : 0);
}

// ----------------------------------------------------------------- THLinkList

void THLinkList::CheckItem(const TBaseRecord* aItem) const
{
    if (!dynamic_cast<const THLinkRecord*>(aItem)) RaiseXls(TXlsMsg::LogicalError);
}

void THLinkList::Sort()
{
    std::stable_sort(FList.begin(), FList.end(), [](const auto& a, const auto& b) {
        const TXlsCellRange ra = static_cast<const THLinkRecord&>(*a).GetCellRange();
        const TXlsCellRange rb = static_cast<const THLinkRecord&>(*b).GetCellRange();
        return ra.Top != rb.Top ? ra.Top < rb.Top : ra.Left < rb.Left;
    });
}

std::int64_t THLinkList::GetTotalSize() const
{
    std::int64_t size = 0;
    for (const auto& link : FList) size += link->TotalSize();
    return size;
}

void THLinkList::SaveToStream(TOle2File& DataStream)
{
    Sort();
    for (std::size_t i = 0; i < Count(); ++i) Items(i)->SyncHintRange();
    TBaseRecordList::SaveToStream(DataStream);
}

namespace {

bool Inside(const TXlsCellRange& aInner, const TXlsCellRange& aOuter)
{
    return aInner.Top >= aOuter.Top && aInner.Bottom <= aOuter.Bottom && aInner.Left >= aOuter.Left &&
           aInner.Right <= aOuter.Right;
}

}  // namespace

void THLinkList::CopyObjectsFrom(const THLinkList& aHLinkList, const TXlsCellRange& CopyRange, std::int32_t RowOfs,
                                 std::int32_t ColOfs)
{
    if (&aHLinkList == this) RaiseXls(TXlsMsg::LogicalError);
    for (std::size_t i = 0; i < aHLinkList.Count(); ++i) {
        const THLinkRecord* link = aHLinkList.Items(i);
        if (!Inside(link->GetCellRange(), CopyRange)) continue;
        auto copy = CopyRecord(link);
        copy->Offset(RowOfs, ColOfs);
        Add(std::move(copy));
    }
}

void THLinkList::InsertAndCopyRange(const TXlsCellRange& SourceRange, std::int32_t DestRow, std::int32_t DestCol,
                                    std::int32_t aRowCount, std::int32_t aColCount, const TSheetInfo& SheetInfo)
{
    if (!SheetInfo.MovesOwnCells() || (aRowCount <= 0 && aColCount <= 0)) return;
    const std::int32_t height = SourceRange.Bottom - SourceRange.Top + 1;
    const std::int32_t width = SourceRange.Right - SourceRange.Left + 1;
    TXlsCellRange insertion = SourceRange;
    TXlsCellRange source = SourceRange;
    if (aRowCount > 0) {
        insertion.Top = DestRow;
        insertion.Bottom = DestRow + height - 1;
        if (source.Top >= DestRow) source.Top += aRowCount * height, source.Bottom += aRowCount * height;
    } else {
        insertion.Left = DestCol;
        insertion.Right = DestCol + width - 1;
        if (source.Left >= DestCol) source.Left += aColCount * width, source.Right += aColCount * width;
    }
    for (std::size_t i = 0; i < Count(); ++i) Items(i)->ArrangeInsertRange(insertion, aRowCount, aColCount, SheetInfo);

    const std::size_t existing = Count();
    for (std::size_t i = 0; i < existing; ++i) {
        if (!Inside(Items(i)->GetCellRange(), source)) continue;
        for (std::int32_t k = 0; k < std::max(aRowCount, aColCount); ++k) {
            auto copy = CopyRecord(Items(i));
            if (aRowCount > 0)
                copy->Offset(DestRow + k * height - source.Top, 0);
            else
                copy->Offset(0, DestCol + k * width - source.Left);
            Add(std::move(copy));
        }
    }
}

namespace {

// A bound before the deleted block stays, one behind it moves back by the
// block's size, one inside it goes to the block's start (first bound) or just
// before it (last bound).
std::int32_t FirstAfterDelete(std::int32_t aValue, std::int32_t aStart, std::int32_t aEnd)
{
    if (aValue < aStart) return aValue;
    return aValue > aEnd ? aValue - (aEnd - aStart + 1) : aStart;
}

std::int32_t LastAfterDelete(std::int32_t aValue, std::int32_t aStart, std::int32_t aEnd)
{
    if (aValue < aStart) return aValue;
    return aValue > aEnd ? aValue - (aEnd - aStart + 1) : aStart - 1;
}

}  // namespace

void THLinkList::DeleteRange(const TXlsCellRange& CellRange, std::int32_t aRowCount, std::int32_t aColCount,
                             const TSheetInfo& SheetInfo)
{
    if (!SheetInfo.MovesOwnCells() || (aRowCount <= 0 && aColCount <= 0)) return;
    for (std::size_t i = Count(); i-- > 0;) {
        THLinkRecord* link = Items(i);
        TXlsCellRange r = link->GetCellRange();
        if (Inside(r, CellRange)) {
            Delete(i);
            continue;
        }
        if (aRowCount > 0 && r.Left >= CellRange.Left && r.Right <= CellRange.Right) {
            r.Top = FirstAfterDelete(r.Top, CellRange.Top, CellRange.Bottom);
            r.Bottom = LastAfterDelete(r.Bottom, CellRange.Top, CellRange.Bottom);
        }
        if (aColCount > 0 && r.Top >= CellRange.Top && r.Bottom <= CellRange.Bottom) {
            r.Left = FirstAfterDelete(r.Left, CellRange.Left, CellRange.Right);
            r.Right = LastAfterDelete(r.Right, CellRange.Left, CellRange.Right);
        }
        if (r.Bottom < r.Top || r.Right < r.Left)
            Delete(i);
        else
            link->SetCellRange(r);
    }
}

void THLinkRecord::AttachFollower(std::unique_ptr<TBaseRecord> aFollower)
{
    AddHint(TakeRecordAs<TScreenTipRecord>(std::move(aFollower)));
}

}  // namespace xls
