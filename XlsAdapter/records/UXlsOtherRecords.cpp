#include "records/UXlsOtherRecords.h"

#include "records/UXlsBaseRecordLists.h"
#include "records/UXlsStrings.h"

namespace xls {

TXlsString TStringRecord::Value() const
{
    const TBaseRecord* rec = this;
    std::size_t pos = 0;
    return TExcelString(2, rec, pos).Value();
}

std::unique_ptr<TSubListRecord> TSubListRecord::CreateAndAssign(TBaseRecordList* aSubList)
{
    auto rec = std::make_unique<TSubListRecord>(0, TBytes{});
    rec->FSubList = aSubList;
    return rec;
}

void TSubListRecord::SaveToStream(TOle2File& Workbook)
{
    if (FSubList) FSubList->SaveToStream(Workbook);
}

// ------------------------------------------------------------------ TRowRecord

TRowRecord::TRowRecord(std::uint16_t aId, TByteView aData) : TRecordClass(aId, aData)
{
    if (DataSize() < 16) RaiseXls(TXlsMsg::RecordInvalid, {std::int64_t(Id())});
    SetWord(Data(), 8, 0);
}

std::unique_ptr<TRowRecord> TRowRecord::CreateStandard(std::uint16_t aRow)
{
    TBytes d(16, 0);
    SetWord(d, 0, aRow);
    SetWord(d, 6, 255);
    SetWord(d, 12, OptStandard);
    SetWord(d, 14, DefaultXF);
    return std::make_unique<TRowRecord>(xlr_ROW, std::move(d));
}

std::uint16_t TRowRecord::XF() const
{
    return IsFormatted() ? static_cast<std::uint16_t>(GetWord(Data(), 14) & 0x0FFF) : DefaultXF;
}

void TRowRecord::SetXF(std::uint16_t aXF)
{
    SetOptions(Options() | OptHasFormat | OptStandard);
    SetWord(Data(), 14, aXF);
}

void TRowRecord::SetAutoHeight(bool aAuto)
{
    std::uint16_t opt = Options();
    SetOptions(aAuto ? static_cast<std::uint16_t>(opt & ~OptHeightByHand) : static_cast<std::uint16_t>(opt | OptHeightByHand));
}

bool TRowRecord::IsModified() const
{
    std::uint16_t opt = Options();
    return (opt & 0xFF) != 0 || (opt >> 8) != 1;
}

// ---------------------------------------------------------------- small records

TBOFRecord::TBOFRecord(std::uint16_t aId, TByteView aData) : TRecordClass(aId, aData)
{
    if (GetWord(Data(), 0) != BiffVersion8) RaiseXls(TXlsMsg::InvalidExcelVersion);
}

TObjRecord::TObjRecord(std::uint16_t aId, TByteView aData) : TRecordClass(aId, aData)
{
    FObjId = GetWord(Data(), 0);
    if (FObjId == ftCmo) FCmoId = GetWord(Data(), 4);
}

std::unique_ptr<TTXORecord> TTXORecord::CreateFromData()
{
    TBytes d(18, 0);
    SetWord(d, 0, 0x0212);
    return std::make_unique<TTXORecord>(xlr_TXO, std::move(d));
}

void TGutsRecord::StoreLevel(std::size_t aGutterOfs, std::size_t aCountOfs, std::int32_t aLevel)
{
    std::uint16_t gutter = 0;
    std::uint16_t count = 0;
    if (aLevel > 7) {
        gutter = 113;
        count = 8;
    } else if (aLevel > 0) {
        gutter = static_cast<std::uint16_t>(29 + 12 * aLevel);
        count = static_cast<std::uint16_t>(aLevel + 1);
    }
    SetWord(Data(), aGutterOfs, gutter);
    SetWord(Data(), aCountOfs, count);
}

void TWindow1Record::SaveToStream(TOle2File& Workbook)
{
    // A window of zero width or height cannot be shown or resized.
    for (std::size_t ofs : {std::size_t(4), std::size_t(6)})
        if (GetWord(Data(), ofs) == 0) SetWord(Data(), ofs, 1);
    TRecordClass::SaveToStream(Workbook);
}

TWindow2Record::TWindow2Record(const TWindow2Record& other) : TSizedRecordClass(other)
{
    SetOption(OptSelected | OptPaged, false);
}

namespace {

std::uint16_t WithBits(std::uint16_t aWord, std::uint16_t aMask, bool aValue)
{
    return static_cast<std::uint16_t>(aValue ? aWord | aMask : aWord & ~aMask);
}

}  // namespace

void TWindow2Record::SetOption(std::uint16_t aMask, bool aValue)
{
    SetOptions(WithBits(Options(), aMask, aValue));
}

// ------------------------------------------------------------ sheet settings

std::unique_ptr<TGutsRecord> TGutsRecord::CreateNew()
{
    return std::make_unique<TGutsRecord>(xlr_GUTS, TBytes(8, 0));
}

std::unique_ptr<TPaneRecord> TPaneRecord::CreateNew()
{
    return std::make_unique<TPaneRecord>(xlr_PANE, TBytes(10, 0));
}

std::unique_ptr<TSCLRecord> TSCLRecord::CreateNew(std::uint16_t aNumerator, std::uint16_t aDenominator)
{
    auto rec = std::make_unique<TSCLRecord>(xlr_SCL, TBytes(4, 0));
    rec->SetZoom(aNumerator, aDenominator);
    return rec;
}

void TSCLRecord::SetZoom(std::uint16_t aNumerator, std::uint16_t aDenominator)
{
    SetWord(Data(), 0, aNumerator);
    SetWord(Data(), 2, aDenominator);
}

void TSetupRecord::SetNoPrinterData(bool aValue)
{
    SetGrBit(WithBits(GrBit(), OptNoPrinterData, aValue));
}

std::unique_ptr<TPlsRecord> TPlsRecord::CreateNew(const TPrinterDriverSettings& aSettings)
{
    TBytes all;
    AppendWord(all, aSettings.OperatingEnviroment);
    all.insert(all.end(), aSettings.Data.begin(), aSettings.Data.end());
    const std::size_t room = MaxRecordDataSize;
    auto chunk = [&](std::size_t aFrom) {
        return TBytes(all.begin() + static_cast<std::ptrdiff_t>(aFrom),
                      all.begin() + static_cast<std::ptrdiff_t>(std::min(all.size(), aFrom + room)));
    };
    auto rec = std::make_unique<TPlsRecord>(xlr_PLS, chunk(0));
    // Each CONTINUE carries the next one, so the chain is built from its end.
    std::unique_ptr<TContinueRecord> next;
    for (std::size_t from = (all.size() - 1) / room * room; from >= room; from -= room) {
        auto cont = std::make_unique<TContinueRecord>(xlr_CONTINUE, chunk(from));
        if (next) cont->AddContinue(std::move(next));
        next = std::move(cont);
    }
    if (next) rec->AddContinue(std::move(next));
    return rec;
}

TPrinterDriverSettings TPlsRecord::Settings() const
{
    const TBaseRecord* rec = this;
    std::size_t pos = 0;
    std::uint8_t word[2];
    ReadAcross(rec, pos, 2, word);
    TPrinterDriverSettings settings;
    settings.OperatingEnviroment = GetWord(word, 0);
    settings.Data.resize(static_cast<std::size_t>(BytesLeftAcross(rec, pos)));
    ReadAcross(rec, pos, settings.Data.size(), settings.Data.data());
    return settings;
}

std::unique_ptr<TMarginRecord> TMarginRecord::CreateNew(std::uint16_t aId, double aValue)
{
    auto rec = std::make_unique<TMarginRecord>(aId, TBytes(8, 0));
    rec->SetValue(aValue);
    return rec;
}

TXlsString TPageHeaderFooterRecord::Text() const
{
    if (DataSize() == 0) return {};
    const TBaseRecord* rec = this;
    std::size_t pos = 0;
    return TExcelString(2, rec, pos).Value();
}

void TPageHeaderFooterRecord::SetText(std::u16string_view aText)
{
    TBytes d;
    if (!aText.empty()) TExcelString(2, aText, false).AppendTo(d);
    SetData(std::move(d));
}

void TWsBoolRecord::SetOption(std::uint16_t aMask, bool aValue)
{
    SetValue(WithBits(Value(), aMask, aValue));
}

void TDefColWidthRecord::SaveToStream(TOle2File& Workbook)
{
    if (DataSize() >= 2 && Width() >= 256) SetWord(Data(), 0, 255);
    TRecordClass::SaveToStream(Workbook);
}

TDimensionsRec TDimensionsRecord::Dim() const
{
    TByteView d = Data();
    return {GetCardinal(d, 0), GetCardinal(d, 4), GetWord(d, 8), GetWord(d, 10), GetWord(d, 12)};
}

void TTemplateRecord::SaveNewRecord(TOle2File& Workbook)
{
    TTemplateRecord(xlr_TEMPLATE, {}).SaveToStream(Workbook);
}

// ------------------------------------------------------------------ BOUNDSHEET

std::unique_ptr<TBoundSheetRecord> TBoundSheetRecord::CreateNew(std::uint16_t aOptionFlags, std::u16string_view aName)
{
    TBytes d;
    AppendCardinal(d, 0);
    AppendWord(d, aOptionFlags);
    TExcelString(1, aName, false).AppendTo(d);
    return std::make_unique<TBoundSheetRecord>(xlr_BOUNDSHEET, std::move(d));
}

TXlsSheetVisible TBoundSheetRecord::Visible() const
{
    switch (OptionFlags() & 0x3) {
    case 1:
        return TXlsSheetVisible::sv_Hidden;
    case 2:
        return TXlsSheetVisible::sv_VeryHidden;
    default:
        return TXlsSheetVisible::sv_Visible;
    }
}

void TBoundSheetRecord::SetVisible(TXlsSheetVisible aVisible)
{
    SetOptionFlags(static_cast<std::uint16_t>((OptionFlags() & ~0x3) | static_cast<std::uint16_t>(aVisible)));
}

TXlsString TBoundSheetRecord::SheetName() const
{
    const TBaseRecord* rec = this;
    std::size_t pos = 6;
    return TExcelString(1, rec, pos).Value();
}

void TBoundSheetRecord::SetSheetName(std::u16string_view aName)
{
    TExcelString name(1, aName, false);  // refuses names too long for the count byte
    CheckField(DataSize(), 0, 6);
    TBytes d(Data().begin(), Data().begin() + 6);
    name.AppendTo(d);
    SetData(std::move(d));
}

TCodeNameRecord::TCodeNameRecord(std::uint16_t aId, TByteView aData) : TRecordClass(aId, aData)
{
    Value();
}

std::unique_ptr<TCodeNameRecord> TCodeNameRecord::CreateNew(std::u16string_view aName)
{
    TBytes d;
    TExcelString(2, aName, false).AppendTo(d);
    return std::make_unique<TCodeNameRecord>(xlr_CODENAME, std::move(d));
}

TXlsString TCodeNameRecord::Value() const
{
    const TBaseRecord* rec = this;
    std::size_t pos = 0;
    return TExcelString(2, rec, pos).Value();
}

}  // namespace xls
