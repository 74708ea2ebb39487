#include "globals/UXlsFormula.h"

#include <algorithm>
#include <array>

#include "base/UXlsUnicode.h"
#include "globals/UXlsEncodeFormula.h"
#include "records/UXlsStrings.h"

namespace xls {

namespace {

constexpr std::uint16_t NoResultMarker = 0xFFFF;  // bytes 12 to 13: bytes 6 to 8 say what the result is
constexpr std::uint8_t ResultText = 0;
constexpr std::uint8_t ResultBoolean = 1;
constexpr std::uint8_t ResultError = 2;
constexpr std::uint8_t ResultEmptyText = 3;

TXlsVariant ReadCachedResult(TByteView d)
{
    if (GetWord(d, 12) != NoResultMarker) return GetDouble(d, 6);
    switch (GetByte(d, 6)) {
    case ResultText:  // the STRING record after the formula gives the text
    case ResultEmptyText: return TXlsString();
    case ResultBoolean: return GetByte(d, 8) == 1;
    case ResultError: {
        const std::uint8_t code = GetByte(d, 8);
        if (IsKnownErrorCode(code)) return TXlsString(ErrorCodeText(code));
        return TVarEmpty{};
    }
    default: return TVarEmpty{};
    }
}

void SetResultKind(TByteSpan d, std::uint8_t aKind, std::uint8_t aValue)
{
    std::fill(d.begin() + 6, d.begin() + 14, std::uint8_t(0));
    SetByte(d, 6, aKind);
    SetByte(d, 8, aValue);
    SetWord(d, 12, NoResultMarker);
}

// Stores aValue in bytes 6 to 13; returns the value the cell then holds.
TXlsVariant WriteCachedResult(TByteSpan d, const TXlsVariant& aValue, bool Options1904)
{
    if (const auto* s = std::get_if<TXlsString>(&aValue)) {
        // It must fit the STRING record's count.
        if (s->size() > MaxStringChars) RaiseXls(TXlsMsg::InvalidStringRecord);
        SetResultKind(d, ResultText, 0);
        return *s;
    }
    if (const bool* b = std::get_if<bool>(&aValue)) {
        SetResultKind(d, ResultBoolean, *b ? 1 : 0);
        return *b;
    }
    std::fill(d.begin() + 6, d.begin() + 14, std::uint8_t(0));
    if (!VarIsNumeric(aValue)) return TVarEmpty{};
    double x = VarToDouble(aValue);
    if (Options1904 && std::holds_alternative<TVarDate>(aValue)) x -= 1462;
    SetDouble(d, 6, x);
    return x;
}

// The parts of a text result: the STRING record's data, then the pieces
// that go into CONTINUE records behind their option byte.
template <class F>
void ForEachStringPiece(std::size_t aSize, F aPiece)
{
    const std::size_t first = std::min(aSize, TFormulaRecord::StringRecordSize);
    aPiece(std::size_t(0), first);
    for (std::size_t pos = first; pos < aSize; pos += TFormulaRecord::StringContinueSize)
        aPiece(pos, std::min(aSize - pos, TFormulaRecord::StringContinueSize));
}

void WriteRecord(TOle2File& Workbook, std::uint16_t aId, TByteView aOptionByte, TByteView aData)
{
    std::uint8_t header[4];
    SetWord(header, 0, aId);
    SetWord(header, 2, static_cast<std::uint16_t>(aOptionByte.size() + aData.size()));
    StreamWrite(Workbook, header);
    StreamWrite(Workbook, aOptionByte);
    StreamWrite(Workbook, aData);
}

// Checked moves of a 16-bit row word and a column byte.
void MoveRowWord(TByteSpan d, std::size_t aOfs, std::int64_t aDelta)
{
    IncWord(d, aOfs, aDelta, MaxRow);
}

void MoveColByte(TByteSpan d, std::size_t aOfs, std::int64_t aDelta)
{
    IncByte(d, aOfs, aDelta, MaxColumn);
}

// The end of a token array whose size word is at aSizeOfs and whose tokens follow it.
std::size_t TokenArrayEnd(TByteView d, std::size_t aSizeOfs)
{
    const std::size_t end = aSizeOfs + 2 + GetWord(d, aSizeOfs);
    if (end > d.size()) RaiseXls(TXlsMsg::TokenArrayTruncated);
    return end;
}

}  // namespace

// ---------------------------------------------------------------- TArrayRecord

std::size_t TArrayRecord::TokensEnd() const
{
    return TokenArrayEnd(Data(), 12);
}

void TArrayRecord::ArrangeInsertRowsAndCols(std::int32_t aRowPos, std::int32_t aRowCount, std::int32_t aColPos,
                                            std::int32_t aColCount, const TSheetInfo& SheetInfo)
{
    if (SheetInfo.MovesOwnCells()) {
        std::int64_t r1 = GetWord(Data(), 0), r2 = GetWord(Data(), 2);
        std::int64_t c1 = GetByte(Data(), 4), c2 = GetByte(Data(), 5);
        // A range wholly in deleted rows goes with its master cell; nothing to keep.
        if (ArrangeSpan(r1, r2, aRowPos, aRowCount, -1) && ArrangeSpan(c1, c2, aColPos, aColCount, -1)) {
            MoveRowWord(Data(), 0, r1 - GetWord(Data(), 0));
            MoveRowWord(Data(), 2, r2 - GetWord(Data(), 2));
            MoveColByte(Data(), 4, c1 - GetByte(Data(), 4));
            MoveColByte(Data(), 5, c2 - GetByte(Data(), 5));
        }
    }
    TTokenMove move;
    move.aRowPos = aRowPos;
    move.aRowCount = aRowCount;
    move.aColPos = aColPos;
    move.aColCount = aColCount;
    ArrangeTokensInsertRowsAndCols(Data(), 14, TokensEnd(), move, SheetInfo);
}

void TArrayRecord::ArrangeCopyRowsAndCols(std::int32_t RowOffset, std::int32_t ColOffset)
{
    TTokenMove move;
    move.RowOffset = RowOffset;
    move.ColOffset = ColOffset;
    ArrangeTokensInsertRowsAndCols(Data(), 14, TokensEnd(), move, TSheetInfo{});
    MoveRowWord(Data(), 0, RowOffset);
    MoveRowWord(Data(), 2, RowOffset);
    MoveColByte(Data(), 4, ColOffset);
    MoveColByte(Data(), 5, ColOffset);
}

void TArrayRecord::ArrangeCopySheet(const TSheetInfo& SheetInfo)
{
    ArrangeTokensCopySheet(Data(), 14, TokensEnd(), SheetInfo);
}

void TArrayRecord::ArrangeDeletedNames(const TDeletedNames& Deleted)
{
    ArrangeTokensDeleteNames(Data(), 14, TokensEnd(), Deleted);
}

// ---------------------------------------------------------------- TTableRecord

TTableRecord::TTableRecord(std::uint16_t aId, TByteView aData) : TRecordClass(aId, aData)
{
    if (DataSize() < 16) RaiseXls(TXlsMsg::RecordInvalid, {std::int64_t(Id())});
    SetWord(Data(), 6, GetWord(Data(), 6) | 0x0003);
}

void TTableRecord::MoveRange(std::size_t aOfs, std::int32_t aPos, std::int32_t aCount, bool aIsRow)
{
    if (aIsRow) {
        const std::uint16_t v = GetWord(Data(), aOfs);
        if (v != 0xFFFF && v >= aPos) MoveRowWord(Data(), aOfs, aCount);
    } else {
        const std::uint8_t v = GetByte(Data(), aOfs);
        if (v != 0xFF && v >= aPos) MoveColByte(Data(), aOfs, aCount);
    }
}

void TTableRecord::MoveInputCell(std::size_t aRowOfs, std::int32_t aRowPos, std::int32_t aRowCount,
                                 std::int32_t aColPos, std::int32_t aColCount)
{
    std::int64_t row = GetWord(Data(), aRowOfs);
    std::int64_t col = GetWord(Data(), aRowOfs + 2);
    if (row != 0xFFFF && row >= aRowPos) row += aRowCount;
    if (col != 0xFF && col != 0xFFFF && col >= aColPos) col += aColCount;
    const bool rowOk = row == 0xFFFF || (row >= 0 && row <= MaxRow);
    const bool colOk = col == 0xFF || col == 0xFFFF || (col >= 0 && col <= MaxColumn);
    if (!rowOk || !colOk) row = col = 0xFFFF;
    SetWord(Data(), aRowOfs, static_cast<std::uint16_t>(row));
    SetWord(Data(), aRowOfs + 2, static_cast<std::uint16_t>(col));
}

void TTableRecord::ArrangeInsertRowsAndCols(std::int32_t aRowPos, std::int32_t aRowCount, std::int32_t aColPos,
                                            std::int32_t aColCount)
{
    MoveRange(0, aRowPos, aRowCount, true);
    MoveRange(2, aRowPos, aRowCount, true);
    MoveRange(4, aColPos, aColCount, false);
    MoveRange(5, aColPos, aColCount, false);
    MoveInputCell(8, aRowPos, aRowCount, aColPos, aColCount);
    MoveInputCell(12, aRowPos, aRowCount, aColPos, aColCount);
}

void TTableRecord::ArrangeCopyRowsAndCols(std::int32_t DeltaRow, std::int32_t DeltaCol)
{
    // Every field moves: position 0 takes them all.
    ArrangeInsertRowsAndCols(0, DeltaRow, 0, DeltaCol);
}

// ---------------------------------------------------------------- TFormulaRecord

TFormulaRecord::TFormulaRecord(std::uint16_t aId, TByteView aData) : TRecordClass(aId, aData)
{
    if (DataSize() < TokensOfs) RaiseXls(TXlsMsg::RecordInvalid, {std::int64_t(Id())});
    FormulaValue = ReadCachedResult(Data());
    SetWord(Data(), 14, OptionFlags() | OptRecalcOnLoad);
}

TFormulaRecord::TFormulaRecord(const TFormulaRecord& other)
    : TRecordClass(other),
      FormulaValue(other.FormulaValue),
      FTableRecord(CopyRecord(other.TableRecord())),
      FArrayRecord(CopyRecord(other.ArrayRecord()))
{
}

std::unique_ptr<TFormulaRecord> TFormulaRecord::CreateFromData(std::uint16_t aDataSize, std::uint16_t aRow,
                                                               std::uint16_t aCol, std::uint16_t aXF,
                                                               const TXlsVariant& aValue, bool Options1904)
{
    if (aDataSize < TokensOfs) RaiseXls(TXlsMsg::RecordInvalid, {std::int64_t(xlr_FORMULA)});
    auto rec = std::make_unique<TFormulaRecord>(xlr_FORMULA, CellData(aDataSize, aRow, aCol, aXF));
    SetWord(rec->Data(), 14, 0);
    rec->SetFormulaValue(aValue, Options1904);
    return rec;
}

void TFormulaRecord::SetFormulaValue(const TXlsVariant& aValue, bool Options1904)
{
    FormulaValue = WriteCachedResult(Data(), aValue, Options1904);
}

void TFormulaRecord::ResetCachedResult()
{
    SetResultKind(Data(), ResultError, 0);
    SetCardinal(Data(), 16, 0);
    FormulaValue = TVarEmpty{};
}

std::size_t TFormulaRecord::TokensEnd() const
{
    return TokenArrayEnd(Data(), 20);
}

bool TFormulaRecord::IsExp(std::uint32_t& Key) const
{
    if (DataSize() != 27 || TokensSize() != 5 || GetByte(Data(), TokensOfs) != ptgExp) return false;
    Key = SharedFormulaKey(GetWord(Data(), 23), GetWord(Data(), 25));
    return true;
}

template <class F>
void TFormulaRecord::WithCellContext(F aWalk)
{
    try {
        aWalk();
    } catch (const ETokenException& e) {
        RaiseXls(TXlsMsg::FormulaCellNotSupported,
                 {std::int64_t(Row()) + 1, std::int64_t(Column()) + 1, std::int64_t(e.Token)});
    }
}

void TFormulaRecord::MixShared(TByteView PData)
{
    // PData: the SHRFMLA data; its formula (cce, tokens, extra data) starts at 8.
    TokenArrayEnd(PData, 8);
    TBytes d(Data().begin(), Data().begin() + 20);
    d.insert(d.end(), PData.begin() + 8, PData.end());
    SetData(std::move(d));
    WithCellContext([&] { ArrangeTokensSharedFormula(Data(), TokensOfs, TokensEnd(), Row(), Column()); });
}

void TFormulaRecord::ArrangeInsertRowsAndCols(std::int32_t aRowPos, std::int32_t aRowCount, std::int32_t aColPos,
                                              std::int32_t aColCount, const TSheetInfo& SheetInfo)
{
    TRecordClass::ArrangeInsertRowsAndCols(aRowPos, aRowCount, aColPos, aColCount, SheetInfo);
    TTokenMove move;
    move.aRowPos = aRowPos;
    move.aRowCount = aRowCount;
    move.aColPos = aColPos;
    move.aColCount = aColCount;
    WithCellContext([&] {
        ArrangeTokensInsertRowsAndCols(Data(), TokensOfs, TokensEnd(), move, SheetInfo);
        if (FArrayRecord) FArrayRecord->ArrangeInsertRowsAndCols(aRowPos, aRowCount, aColPos, aColCount, SheetInfo);
    });
    if (FTableRecord && SheetInfo.MovesOwnCells())
        FTableRecord->ArrangeInsertRowsAndCols(aRowPos, aRowCount, aColPos, aColCount);
}

void TFormulaRecord::ArrangeCopyRowsAndCols(std::int32_t RowOffset, std::int32_t ColOffset)
{
    TTokenMove move;
    move.RowOffset = RowOffset;
    move.ColOffset = ColOffset;
    WithCellContext([&] {
        ArrangeTokensInsertRowsAndCols(Data(), TokensOfs, TokensEnd(), move, TSheetInfo{});
        if (FArrayRecord) FArrayRecord->ArrangeCopyRowsAndCols(RowOffset, ColOffset);
    });
    if (FTableRecord) FTableRecord->ArrangeCopyRowsAndCols(RowOffset, ColOffset);
    TRecordClass::ArrangeCopyRowsAndCols(RowOffset, ColOffset);
    ResetCachedResult();
}

void TFormulaRecord::ArrangeCopySheet(const TSheetInfo& SheetInfo)
{
    WithCellContext([&] {
        ArrangeTokensCopySheet(Data(), TokensOfs, TokensEnd(), SheetInfo);
        if (FArrayRecord) FArrayRecord->ArrangeCopySheet(SheetInfo);
    });
}

void TFormulaRecord::ArrangeDeletedNames(const TDeletedNames& Deleted)
{
    WithCellContext([&] {
        ArrangeTokensDeleteNames(Data(), TokensOfs, TokensEnd(), Deleted);
        if (FArrayRecord) FArrayRecord->ArrangeDeletedNames(Deleted);
    });
}

bool TFormulaRecord::HasStringResult() const
{
    return GetWord(Data(), 12) == NoResultMarker && GetByte(Data(), 6) == ResultText && VarIsString(FormulaValue);
}

void TFormulaRecord::SaveToStream(TOle2File& Workbook)
{
    TRecordClass::SaveToStream(Workbook);
    if (FArrayRecord) FArrayRecord->SaveToStream(Workbook);
    if (FTableRecord) FTableRecord->SaveToStream(Workbook);
    if (!HasStringResult()) return;
    TBytes s;
    TExcelString(2, std::get<TXlsString>(FormulaValue), false).AppendTo(s);
    const TByteView all(s);
    const TByteView optionByte = all.subspan(2, 1);
    ForEachStringPiece(s.size(), [&](std::size_t aPos, std::size_t aLen) {
        if (aPos == 0)
            WriteRecord(Workbook, xlr_STRING, {}, all.subspan(0, aLen));
        else
            WriteRecord(Workbook, xlr_CONTINUE, optionByte, all.subspan(aPos, aLen));
    });
}

std::int64_t TFormulaRecord::StringResultSize(bool WithHeaders) const
{
    if (!HasStringResult()) return 0;
    const TXlsString& text = std::get<TXlsString>(FormulaValue);
    std::int64_t size = 0;
    ForEachStringPiece(3 + text.size() * (NeedsWide(text) ? 2 : 1), [&](std::size_t aPos, std::size_t aLen) {
        size += std::int64_t(aLen) + (aPos > 0 ? 1 : 0) + (WithHeaders ? 4 : 0);
    });
    return size;
}

std::int64_t TFormulaRecord::TotalSizeNoHeaders() const
{
    std::int64_t size = TRecordClass::TotalSizeNoHeaders() + StringResultSize(false);
    if (FArrayRecord) size += FArrayRecord->TotalSizeNoHeaders();
    if (FTableRecord) size += FTableRecord->TotalSizeNoHeaders();
    return size;
}

std::int64_t TFormulaRecord::TotalSize() const
{
    std::int64_t size = TRecordClass::TotalSize() + StringResultSize(true);
    if (FArrayRecord) size += FArrayRecord->TotalSize();
    if (FTableRecord) size += FTableRecord->TotalSize();
    return size;
}

std::int64_t TFormulaRecord::FixTotalSize(bool NeedsRecalc)
{
    if (NeedsRecalc) ResetCachedResult();
    return TotalSize();
}

// ---------------------------------------------------------------- TNameRecord

// ---------------------------------------------------------------- TNameRecord

namespace {

constexpr std::size_t kNameCharsOfs = 15;
// The largest word a NAME record's sheet + 1 may hold.
constexpr std::int64_t kMaxNameSheetWord = 65001;

}  // namespace

std::unique_ptr<TNameRecord> TNameRecord::CreateFromData(const TXlsNamedRange& Range, std::u16string_view DefaultSheet,
                                                         TFormulaContext& CellList)
{
    if (Range.Name.size() > 255) RaiseXls(TXlsMsg::InvalidStringRecord);
    const std::u16string_view formula = TrimControls(Range.RangeFormula);
    TBytes tokens;
    if (!formula.empty()) {
        TParseString parser(formula, CellList, true, DefaultSheet, TFmReturnType::fmRef);
        parser.Parse();
        tokens.resize(parser.TotalSize() - 2);
        parser.CopyToPtrNoLen(tokens, 0);
    }
    const bool local = Range.NameSheetIndex >= 0;
    const auto sheetWord = static_cast<std::uint16_t>(local ? Range.NameSheetIndex + 1 : 0);
    const bool wide = NeedsWide(Range.Name);
    TBytes d;
    AppendWord(d, static_cast<std::uint16_t>(Range.OptionFlags));
    AppendByte(d, 0);  // keyboard shortcut
    AppendByte(d, static_cast<std::uint8_t>(Range.Name.size()));
    AppendWord(d, static_cast<std::uint16_t>(tokens.size()));
    AppendWord(d, sheetWord);
    AppendWord(d, sheetWord);
    AppendCardinal(d, 0);  // no menu, description, help or status text
    AppendByte(d, wide ? str_Wide : 0);
    AppendChars(d, Range.Name, wide);
    d.insert(d.end(), tokens.begin(), tokens.end());
    return std::make_unique<TNameRecord>(xlr_NAME, std::move(d));
}

TXlsString TNameRecord::Name() const
{
    const std::size_t length = GetByte(Data(), 3);
    const bool wide = (GetByte(Data(), 14) & str_Wide) != 0;
    CheckField(DataSize(), kNameCharsOfs, length * (wide ? 2 : 1));
    TXlsString name(length, u'\0');
    for (std::size_t i = 0; i < length; ++i)
        name[i] = wide ? static_cast<char16_t>(GetWord(Data(), kNameCharsOfs + 2 * i))
                       : char16_t(GetByte(Data(), kNameCharsOfs + i));
    return name;
}

std::size_t TNameRecord::FormulaOfs() const
{
    const std::size_t length = GetByte(Data(), 3);
    const bool wide = (GetByte(Data(), 14) & str_Wide) != 0;
    const std::size_t ofs = kNameCharsOfs + length * (wide ? 2 : 1);
    if (ofs + FormulaSize() > DataSize()) RaiseXls(TXlsMsg::TokenArrayTruncated);
    return ofs;
}

TXlsString TNameRecord::FormulaText(TFormulaContext& aContext) const
{
    if (FormulaSize() == 0) return u"=";
    return DecodeFormula(Data(), FormulaOfs(), FormulaSize(), aContext);
}

std::int32_t TNameRecord::Bound(int aWhich) const
{
    if (FormulaSize() == 0) return -1;
    const std::size_t ofs = FormulaOfs();
    const std::uint8_t id = BaseTokenId(GetByte(Data(), ofs));
    // ptgRef3d: ixti, row, column field; ptgArea3d: ixti, rows, column fields.
    if (id == ptgRef3d && FormulaSize() >= 7) {
        const std::uint16_t v = GetWord(Data(), ofs + (aWhich < 2 ? 3 : 5));
        return aWhich < 2 ? v : (v & 0xFF);
    }
    if (id == ptgArea3d && FormulaSize() >= 11) {
        const std::uint16_t v = GetWord(Data(), ofs + 3 + 2 * std::size_t(aWhich));
        return aWhich < 2 ? v : (v & 0xFF);
    }
    return -1;
}

void TNameRecord::SetBound(int aWhich, std::int32_t aValue)
{
    const std::int64_t max = aWhich < 2 ? MaxRow : MaxColumn;
    if (aValue < 0 || aValue > max) RaiseXls(TXlsMsg::TooManyEntries, {std::int64_t(aValue), max});
    if (Bound(aWhich) < 0) return;
    const std::size_t ofs = FormulaOfs();
    if (BaseTokenId(GetByte(Data(), ofs)) == ptgRef3d) {
        // Widened into an area of one cell: rows and column fields doubled.
        TBytes d(Data().begin(), Data().end());
        const auto doubled = [&](std::size_t aOfs) {
            const auto field = d.begin() + std::ptrdiff_t(aOfs);
            d.insert(field + 2, field, field + 2);
        };
        d[ofs] = static_cast<std::uint8_t>(d[ofs] + 1);
        doubled(ofs + 5);  // the column field, then the row
        doubled(ofs + 3);
        SetWord(d, 4, static_cast<std::uint16_t>(FormulaSize() + 4));
        SetData(std::move(d));
    }
    SetWord(Data(), ofs + 3 + 2 * std::size_t(aWhich), static_cast<std::uint16_t>(aValue));
}

std::int32_t TNameRecord::RefersToSheet(const std::function<std::int32_t(std::int32_t)>& GetSheet) const
{
    if (!GetSheet || FormulaSize() < 3) return -1;
    const std::size_t ofs = FormulaOfs();
    const std::uint8_t id = BaseTokenId(GetByte(Data(), ofs));
    if (id != ptgRef3d && id != ptgArea3d) return -1;
    return GetSheet(GetWord(Data(), ofs + 1));
}

template <class F>
void TNameRecord::WithNameContext(F aWalk)
{
    try {
        aWalk();
    } catch (const ETokenException& e) {
        RaiseXls(TXlsMsg::WorksheetNameTokenError, {Utf16ToUtf8(Name()), std::int64_t(e.Token)});
    }
}

void TNameRecord::ArrangeInsertRowsAndCols(std::int32_t aRowPos, std::int32_t aRowCount, std::int32_t aColPos,
                                           std::int32_t aColCount, const TSheetInfo& SheetInfo)
{
    if (FormulaSize() == 0) return;
    TTokenMove move;
    move.aRowPos = aRowPos;
    move.aRowCount = aRowCount;
    move.aColPos = aColPos;
    move.aColCount = aColCount;
    WithNameContext([&] { ArrangeTokensInsertRowsAndCols(Data(), FormulaOfs(), FormulaEnd(), move, SheetInfo); });
}

void TNameRecord::ArrangeInsertSheets(std::int32_t FirstSheet, std::int32_t SheetCount)
{
    const std::int32_t sheet = RangeSheet();
    if (sheet < 0 || sheet < FirstSheet) return;
    SetRangeSheet(static_cast<std::int32_t>(CheckedShift(sheet + 1, SheetCount, kMaxNameSheetWord) - 1));
}

void TNameRecord::ArrangeCopySheet(const TSheetInfo& SheetInfo)
{
    if (FormulaSize() == 0) return;
    WithNameContext([&] { ArrangeTokensCopySheet(Data(), FormulaOfs(), FormulaEnd(), SheetInfo); });
}

void TNameRecord::ArrangeDeletedNames(const TDeletedNames& Deleted)
{
    if (FormulaSize() == 0) return;
    WithNameContext([&] { ArrangeTokensDeleteNames(Data(), FormulaOfs(), FormulaEnd(), Deleted); });
}

void TFormulaRecord::AttachFollower(std::unique_ptr<TBaseRecord> aFollower)
{
    if (aFollower->Id() == xlr_TABLE)
        SetTableRecord(TakeRecordAs<TTableRecord>(std::move(aFollower)));
    else
        SetArrayRecord(TakeRecordAs<TArrayRecord>(std::move(aFollower)));
}

// ---------------------------------------------------------- the formula lists

void TNameRecordList::CheckItem(const TBaseRecord* aItem) const
{
    RequireKind<TNameRecord>(aItem);
}

std::int64_t TNameRecordList::GetTotalSize() const
{
    std::int64_t size = 0;
    for (std::size_t i = 0; i < Count(); ++i)
        if (const TNameRecord* name = Items(i)) size += name->TotalSize();
    return size;
}

void TNameRecordList::ArrangeInsertRowsAndCols(std::int32_t aRowPos, std::int32_t aRowCount, std::int32_t aColPos,
                                               std::int32_t aColCount, const TSheetInfo& SheetInfo)
{
    for (std::size_t i = 0; i < Count(); ++i)
        if (TNameRecord* name = Items(i))
            name->ArrangeInsertRowsAndCols(aRowPos, aRowCount, aColPos, aColCount, SheetInfo);
}

void TNameRecordList::CheckSheetShift(std::int32_t FirstSheet, std::int32_t SheetCount) const
{
    for (std::size_t i = 0; i < Count(); ++i) {
        const TNameRecord* name = Items(i);
        if (name && name->RangeSheet() >= 0 && name->RangeSheet() >= FirstSheet)
            CheckedShift(name->RangeSheet() + 1, SheetCount, kMaxNameSheetWord);
    }
}

void TNameRecordList::InsertSheets(std::int32_t CopyFrom, std::int32_t BeforeSheet, std::int32_t SheetCount,
                                   const TSheetInfo& SheetInfo)
{
    CheckSheetShift(BeforeSheet, SheetCount);
    // The copies are made before anything changes.
    std::vector<std::unique_ptr<TNameRecord>> copies;
    for (std::size_t i = 0; CopyFrom >= 0 && i < Count(); ++i) {
        const TNameRecord* name = Items(i);
        if (!name) continue;
        const bool ofSource = name->RangeSheet() == CopyFrom;
        const bool globalOnSource =
            name->RangeSheet() < 0 && name->RefersToSheet(SheetInfo.GetSheet) == SheetInfo.FormulaSheet;
        if (!ofSource && !globalOnSource) continue;
        for (std::int32_t k = 0; k < SheetCount; ++k) {
            std::unique_ptr<TNameRecord> copy = CopyRecord(name);
            TSheetInfo info = SheetInfo;
            info.InsSheet = BeforeSheet + k;
            copy->ArrangeCopySheet(info);
            copy->SetRangeSheet(info.InsSheet);
            copies.push_back(std::move(copy));
        }
    }
    for (std::size_t i = 0; i < Count(); ++i)
        if (TNameRecord* name = Items(i)) name->ArrangeInsertSheets(BeforeSheet, SheetCount);
    for (auto& copy : copies) Add(std::move(copy));
}

TDeletedNames TNameRecordList::NamesOfSheets(std::int32_t SheetIndex, std::int32_t SheetCount,
                                             std::function<bool(std::int32_t)> IsLocalRef) const
{
    TDeletedNames names{{}, std::move(IsLocalRef)};
    for (std::size_t i = 0; i < Count(); ++i) {
        const TNameRecord* name = Items(i);
        if (name && name->RangeSheet() >= SheetIndex && name->RangeSheet() < SheetIndex + SheetCount)
            names.Positions.push_back(i);
    }
    return names;
}

void TNameRecordList::ArrangeDeletedNames(const TDeletedNames& Deleted)
{
    for (std::size_t i = 0; i < Count(); ++i) {
        TNameRecord* name = Items(i);
        const bool deleted = std::binary_search(Deleted.Positions.begin(), Deleted.Positions.end(), i);
        if (name && !(Deleted.CheckOnly && deleted)) name->ArrangeDeletedNames(Deleted);
    }
}

void TNameRecordList::DeleteNames(const TDeletedNames& Deleted)
{
    for (auto it = Deleted.Positions.rbegin(); it != Deleted.Positions.rend(); ++it) Delete(*it);
    ArrangeDeletedNames(Deleted);
}

TDeletedNames TNameRecordList::DeleteSheets(std::int32_t SheetIndex, std::int32_t SheetCount,
                                            std::function<bool(std::int32_t)> IsLocalRef)
{
    TDeletedNames deleted = NamesOfSheets(SheetIndex, SheetCount, std::move(IsLocalRef));
    for (auto it = deleted.Positions.rbegin(); it != deleted.Positions.rend(); ++it) Delete(*it);
    for (std::size_t i = 0; i < Count(); ++i)
        if (TNameRecord* name = Items(i)) name->ArrangeInsertSheets(SheetIndex, -SheetCount);
    ArrangeDeletedNames(deleted);
    return deleted;
}

void TShrFmlaRecordList::CheckItem(const TBaseRecord* aItem) const
{
    RequireKind<TShrFmlaRecord>(aItem);
}

std::size_t TShrFmlaRecordList::Add(std::unique_ptr<TBaseRecord> aItem)
{
    FSorted = false;
    return TBaseRecordList::Add(std::move(aItem));
}

namespace {

std::uint64_t KeyOf(const std::unique_ptr<TBaseRecord>& aItem)
{
    return aItem ? static_cast<const TShrFmlaRecord&>(*aItem).Key : 0x100000000ull;
}

}  // namespace

void TShrFmlaRecordList::Sort()
{
    std::stable_sort(FList.begin(), FList.end(), [](const auto& a, const auto& b) { return KeyOf(a) < KeyOf(b); });
    FSorted = true;
}

bool TShrFmlaRecordList::Find(std::uint32_t aKey, std::size_t& aIndex)
{
    if (!FSorted) Sort();
    auto it = std::lower_bound(FList.begin(), FList.end(), aKey,
                               [](const auto& item, std::uint32_t key) { return KeyOf(item) < key; });
    aIndex = static_cast<std::size_t>(it - FList.begin());
    return it != FList.end() && KeyOf(*it) == aKey;
}

}  // namespace xls
