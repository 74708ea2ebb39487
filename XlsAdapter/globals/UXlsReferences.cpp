#include "globals/UXlsReferences.h"

#include "globals/UXlsFormula.h"
#include "records/UXlsStrings.h"

namespace xls {

namespace {

constexpr std::uint16_t kLocalBookMarker = 0x0401;
constexpr std::uint16_t kAddInMarker = 0x3A01;
constexpr std::size_t kXtiSize = 6;
constexpr std::size_t kRecordHeaderSize = 4;

void WriteRecord(TOle2File& DataStream, std::uint16_t aId, TByteView aData)
{
    TBytes header;
    AppendWord(header, aId);
    AppendWord(header, static_cast<std::uint16_t>(aData.size()));
    StreamWrite(DataStream, header);
    StreamWrite(DataStream, aData);
}

[[noreturn]] void RaiseIndex(std::int64_t aIndex, const char* aProperty, std::int64_t aCount)
{
    RaiseXls(TXlsMsg::PropertyIndexOutOfRange, {aIndex, std::string(aProperty), std::int64_t(0), aCount - 1});
}

// A book path as SUPBOOK stores it: after the marker 0x01, "@" stands for a
// network path, a letter for that drive, 0x02 and 0x03 for "\", 0x04 for
// "..\"; 0x00 and 0x02 as first character mean no path.
TXlsString DecodeBookPath(const TXlsString& aPath)
{
    if (aPath.empty()) return aPath;
    if (aPath[0] == 0x00 || aPath[0] == 0x02) return {};
    if (aPath[0] != 0x01) return aPath;
    TXlsString out;
    for (std::size_t i = 1; i < aPath.size(); ++i) {
        const char16_t c = aPath[i];
        if (c == 0x01 && i + 1 < aPath.size()) {
            const char16_t next = aPath[++i];
            if (next == u'@')
                out += u"\\\\";
            else
                out += TXlsString{next, u':', u'\\'};
        } else if (c == 0x02 || c == 0x03) {
            out += u'\\';
        } else if (c == 0x04) {
            out += u"..\\";
        } else {
            out += c;
        }
    }
    return out;
}

// "C:\Dir\Book.xls" -> "C:\Dir\[Book.xls]".
TXlsString BracketFileName(TXlsString aPath)
{
    const std::size_t cut = aPath.find_last_of(u"\\:");
    aPath.insert(cut == TXlsString::npos ? 0 : cut + 1, 1, u'[');
    aPath += u']';
    return aPath;
}

void AppendQuotedName(TXlsString& aText, std::u16string_view aName)
{
    for (char16_t c : aName) {
        if (c == u'\'') aText += u'\'';
        aText += c;
    }
}

}  // namespace

// ------------------------------------------------------------ TExternNameRecord

TXlsString TExternNameRecord::Name() const
{
    const std::size_t length = NameLength();
    const bool wide = (GetByte(Data(), 7) & str_Wide) != 0;
    CheckField(DataSize(), 8, length * (wide ? 2 : 1));
    TXlsString name(length, u'\0');
    for (std::size_t i = 0; i < length; ++i)
        name[i] = wide ? static_cast<char16_t>(GetWord(Data(), 8 + 2 * i)) : char16_t(GetByte(Data(), 8 + i));
    return name;
}

// --------------------------------------------------------------- TSupBookRecord

TSupBookRecord::TSupBookRecord(std::uint16_t aId, TByteView aData) : TRecordClass(aId, aData)
{
    if (DataSize() < 4) RaiseXls(TXlsMsg::RecordInvalid, {std::int64_t(Id())});
}

TSupBookRecord::TSupBookRecord(const TSupBookRecord& other) : TRecordClass(other)
{
    for (const auto& name : other.FExternNameList) FExternNameList.push_back(CopyRecord(name.get()));
}

std::unique_ptr<TSupBookRecord> TSupBookRecord::CreateEmpty(std::uint16_t SheetCount)
{
    TBytes data;
    AppendWord(data, SheetCount);
    AppendWord(data, kLocalBookMarker);
    return std::make_unique<TSupBookRecord>(xlr_SUPBOOK, std::move(data));
}

bool TSupBookRecord::IsLocal() const
{
    return DataSize() == 4 && GetWord(Data(), 2) == kLocalBookMarker;
}

bool TSupBookRecord::IsAddIn() const
{
    return DataSize() == 4 && GetWord(Data(), 2) == kAddInMarker;
}

TXlsString TSupBookRecord::BookName() const
{
    if (IsLocal() || IsAddIn()) return {};
    const TBaseRecord* rec = this;
    std::size_t ofs = 2;
    return DecodeBookPath(TExcelString(2, rec, ofs).Value());
}

TXlsString TSupBookRecord::SheetName(std::int32_t SheetIndex, const TBoundSheetRecordList& LocalSheets) const
{
    if (SheetIndex < 0) return {};
    // Writers leave the local book's own sheet count behind (one writer keeps
    // it at 1): this workbook's sheets are the ones it has.
    if (IsLocal()) {
        if (static_cast<std::size_t>(SheetIndex) >= LocalSheets.Count()) return {};
        return LocalSheets.GetSheetName(static_cast<std::size_t>(SheetIndex));
    }
    if (SheetIndex >= SheetCount() || IsAddIn()) return {};
    const TBaseRecord* rec = this;
    std::size_t ofs = 2;
    TExcelString s(2, rec, ofs);  // the path
    for (std::int32_t i = 0; i <= SheetIndex; ++i) s.Read(rec, ofs);
    return s.Value();
}

void TSupBookRecord::InsertSheets(std::int32_t SheetCount)
{
    SetWord(Data(), 0, static_cast<std::uint16_t>(CheckedShift(this->SheetCount(), SheetCount, MaxReferencedSheet)));
}

void TSupBookRecord::SaveToStream(TOle2File& Workbook)
{
    TRecordClass::SaveToStream(Workbook);
    for (auto& name : FExternNameList) name->SaveToStream(Workbook);
}

std::int64_t TSupBookRecord::TotalSize() const
{
    std::int64_t size = TRecordClass::TotalSize();
    for (const auto& name : FExternNameList) size += name->TotalSize();
    return size;
}

std::int64_t TSupBookRecord::TotalSizeNoHeaders() const
{
    std::int64_t size = TRecordClass::TotalSizeNoHeaders();
    for (const auto& name : FExternNameList) size += name->TotalSizeNoHeaders();
    return size;
}

// --------------------------------------------------------------- TExternRefList

void TExternRefList::Load(const TBaseRecord& aRecord)
{
    const TBaseRecord* rec = &aRecord;
    std::size_t pos = 0;
    std::uint8_t word[2];
    ReadAcross(rec, pos, 2, word);
    const std::size_t count = GetWord(word, 0);
    if (BytesLeftAcross(rec, pos) < std::int64_t(count * kXtiSize)) RaiseXls(TXlsMsg::ErrorReadingRecord);
    FList.reserve(FList.size() + count);
    for (std::size_t i = 0; i < count; ++i) {
        std::uint8_t xti[kXtiSize];
        ReadAcross(rec, pos, kXtiSize, xti);
        FList.push_back({GetWord(xti, 0), GetWord(xti, 2), GetWord(xti, 4)});
    }
}

std::size_t TExternRefList::Add(const TExternRef& aRef)
{
    // Tokens and the table's count hold an index in 16 bits.
    if (FList.size() >= 0xFFFF)
        RaiseXls(TXlsMsg::TooManyEntries, {std::int64_t(FList.size()) + 1, std::int64_t(0xFFFF)});
    FList.push_back(aRef);
    return FList.size() - 1;
}

void TExternRefList::SaveToStream(TOle2File& DataStream) const
{
    if (FList.empty()) return;
    TBytes data;
    AppendWord(data, static_cast<std::uint16_t>(FList.size()));
    std::uint16_t id = xlr_EXTERNSHEET;
    for (std::size_t i = 0; i < FList.size(); ++i) {
        if (i > 0 && i % RefsPerRecord == 0) {
            WriteRecord(DataStream, id, data);
            data.clear();
            id = xlr_CONTINUE;
        }
        AppendWord(data, FList[i].SupBookRecord);
        AppendWord(data, FList[i].FirstSheet);
        AppendWord(data, FList[i].LastSheet);
    }
    WriteRecord(DataStream, id, data);
}

std::int64_t TExternRefList::TotalSize() const
{
    if (FList.empty()) return 0;
    const std::int64_t bytes = std::int64_t(kXtiSize * FList.size());
    const std::int64_t continues = (bytes - 1) / std::int64_t(kXtiSize * RefsPerRecord);
    return std::int64_t(kRecordHeaderSize) + 2 + bytes + std::int64_t(kRecordHeaderSize) * continues;
}

namespace {

// One XTI sheet field for an insertion (SheetCount > 0) or deletion.
std::uint16_t MovedXtiSheet(std::uint16_t aSheet, std::int64_t BeforeSheet, std::int64_t SheetCount)
{
    if (SheetCount < 0 && aSheet >= BeforeSheet && aSheet < BeforeSheet - SheetCount) return XtiDeletedSheet;
    if (aSheet < XtiWholeBook && aSheet >= BeforeSheet)
        return static_cast<std::uint16_t>(CheckedShift(aSheet, SheetCount, MaxReferencedSheet));
    return aSheet;
}

}  // namespace

void TExternRefList::InsertSheets(std::int32_t BeforeSheet, std::int32_t SheetCount, std::int32_t LocalSupBook)
{
    std::vector<TExternRef> moved = FList;
    for (auto& ref : moved) {
        if (ref.SupBookRecord != LocalSupBook) continue;
        ref.FirstSheet = MovedXtiSheet(ref.FirstSheet, BeforeSheet, SheetCount);
        ref.LastSheet = MovedXtiSheet(ref.LastSheet, BeforeSheet, SheetCount);
    }
    FList = std::move(moved);
}

// ------------------------------------------------------------------ TReferences

void TReferences::Clear()
{
    FSupBooks.clear();
    FExternRefs.Clear();
    FLocalSupBook = -1;
}

void TReferences::AddSupBook(std::unique_ptr<TSupBookRecord> aRecord)
{
    if (aRecord->IsLocal()) FLocalSupBook = static_cast<std::int32_t>(FSupBooks.size());
    FSupBooks.push_back(std::move(aRecord));
}

void TReferences::AddExternName(std::unique_ptr<TExternNameRecord> aRecord)
{
    if (FSupBooks.empty()) RaiseXls(TXlsMsg::ExcelRecordsInvalid);
    FSupBooks.back()->AddExternName(std::move(aRecord));
}

const TExternRef& TReferences::CheckedRef(std::int32_t SheetRef) const
{
    if (SheetRef < 0 || static_cast<std::size_t>(SheetRef) >= FExternRefs.Count())
        RaiseIndex(SheetRef, "Sheet Reference", std::int64_t(FExternRefs.Count()));
    return FExternRefs.Items(static_cast<std::size_t>(SheetRef));
}

std::int32_t TReferences::GetSheet(std::int32_t SheetRef) const
{
    const TExternRef& ref = CheckedRef(SheetRef);
    if (FLocalSupBook < 0 || ref.SupBookRecord != FLocalSupBook || ref.FirstSheet != ref.LastSheet) return -1;
    return ref.FirstSheet;
}

bool TReferences::IsLocalRef(std::int32_t SheetRef) const
{
    return SheetRef >= 0 && static_cast<std::size_t>(SheetRef) < FExternRefs.Count() && FLocalSupBook >= 0 &&
           FExternRefs.Items(static_cast<std::size_t>(SheetRef)).SupBookRecord == FLocalSupBook;
}

std::int32_t TReferences::LocalRef(std::int32_t FirstSheet, std::int32_t LastSheet)
{
    const TExternRef wanted{static_cast<std::uint16_t>(FLocalSupBook), static_cast<std::uint16_t>(FirstSheet),
                            static_cast<std::uint16_t>(LastSheet)};
    for (std::size_t i = 0; i < FExternRefs.Count(); ++i)
        if (FExternRefs.Items(i) == wanted) return static_cast<std::int32_t>(i);
    return static_cast<std::int32_t>(FExternRefs.Add(wanted));
}

std::int32_t TReferences::SetSheet(std::int32_t Sheet)
{
    return LocalRef(Sheet, Sheet);
}

std::int32_t TReferences::AddSheet(std::int32_t SheetCount, std::int32_t FirstSheet, std::int32_t LastSheet)
{
    if (FLocalSupBook < 0) {
        FLocalSupBook = static_cast<std::int32_t>(FSupBooks.size());
        FSupBooks.push_back(TSupBookRecord::CreateEmpty(static_cast<std::uint16_t>(SheetCount)));
    }
    return LocalRef(FirstSheet, LastSheet);
}

TXlsString TReferences::GetSheetName(std::int32_t SheetRef, const TBoundSheetRecordList& LocalSheets) const
{
    const TExternRef& ref = CheckedRef(SheetRef);
    if (ref.SupBookRecord >= FSupBooks.size()) RaiseIndex(ref.SupBookRecord, "idx", std::int64_t(FSupBooks.size()));
    const TSupBookRecord& book = *FSupBooks[ref.SupBookRecord];
    const bool local = static_cast<std::int32_t>(ref.SupBookRecord) == FLocalSupBook;
    // A deleted sheet leaves nothing to name: the reference is an error.
    if (local && (ref.FirstSheet == XtiDeletedSheet || ref.LastSheet == XtiDeletedSheet)) return u"#REF!";

    TXlsString sheets = book.SheetName(ref.FirstSheet, LocalSheets);
    if (ref.LastSheet != ref.FirstSheet) sheets += u":" + book.SheetName(ref.LastSheet, LocalSheets);
    TXlsString bookPart = local ? TXlsString() : book.BookName();
    if (!bookPart.empty() && !sheets.empty()) bookPart = BracketFileName(std::move(bookPart));
    if (bookPart.empty() && sheets.empty()) return {};
    TXlsString text = u"'";
    AppendQuotedName(text, bookPart + sheets);
    text += u"'!";
    return text;
}

TXlsString TReferences::GetName(std::int32_t SheetRef, std::int32_t NameIndex, const TNameRecordList& Names) const
{
    std::int64_t book = FLocalSupBook;
    if (SheetRef >= 0) book = CheckedRef(SheetRef).SupBookRecord;
    if (SheetRef < 0 || book == FLocalSupBook) {
        if (NameIndex < 0 || static_cast<std::size_t>(NameIndex) >= Names.Count())
            RaiseIndex(NameIndex, "Name Index", std::int64_t(Names.Count()));
        return Names.Items(static_cast<std::size_t>(NameIndex))->Name();
    }
    if (book < 0 || static_cast<std::size_t>(book) >= FSupBooks.size())
        RaiseIndex(book, "idx", std::int64_t(FSupBooks.size()));
    const TSupBookRecord& supBook = *FSupBooks[static_cast<std::size_t>(book)];
    if (NameIndex < 0 || static_cast<std::size_t>(NameIndex) >= supBook.ExternNameCount())
        RaiseIndex(NameIndex, "Name Index", std::int64_t(supBook.ExternNameCount()));
    return supBook.ExternName(static_cast<std::size_t>(NameIndex)).Name();
}

void TReferences::InsertSheets(std::int32_t BeforeSheet, std::int32_t SheetCount)
{
    if (SheetCount == 0 || FLocalSupBook < 0) return;
    TSupBookRecord& local = *FSupBooks[static_cast<std::size_t>(FLocalSupBook)];
    if (!local.IsLocal()) RaiseXls(TXlsMsg::ExcelRecordsInvalid);
    // Both steps check before they change: the sheet count first, then the table.
    CheckedShift(local.SheetCount(), SheetCount, MaxReferencedSheet);
    FExternRefs.InsertSheets(BeforeSheet, SheetCount, FLocalSupBook);
    local.InsertSheets(SheetCount);
}

void TReferences::SaveToStream(TOle2File& DataStream)
{
    for (auto& supBook : FSupBooks) supBook->SaveToStream(DataStream);
    FExternRefs.SaveToStream(DataStream);
}

std::int64_t TReferences::TotalSize() const
{
    std::int64_t size = FExternRefs.TotalSize();
    for (const auto& supBook : FSupBooks) size += supBook->TotalSize();
    return size;
}

}  // namespace xls
