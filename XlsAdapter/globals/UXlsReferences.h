// External references of the workbook: the SUPBOOK records (each with the
// EXTERNNAME records that followed it) and the EXTERNSHEET table, whose
// entries (XTI: SUPBOOK position, first sheet, last sheet) 3-D references
// and external names point at. The SUPBOOK of the workbook itself is the
// local one.
//
// They give the sheet mapping that token relocation uses, the sheet and name
// texts of formulas, and the entries the formula encoder adds for 3-D
// references; sheet insertion and deletion keep the entries of this
// workbook pointing at the same sheets.
#pragma once

#include <memory>
#include <vector>

#include "records/UXlsBaseRecordLists.h"

namespace xls {

class TNameRecordList;

// The largest sheet index an XTI or the local SUPBOOK may hold after a shift.
constexpr std::int64_t MaxReferencedSheet = 65000;
// XTI sheet markers.
constexpr std::uint16_t XtiDeletedSheet = 0xFFFF;
constexpr std::uint16_t XtiWholeBook = 0xFFFE;

// EXTERNNAME (0x0023, also read as 0x0223): a name of another book or an
// add-in function. Data: the name's character count at 6, its option byte at
// 7 (bit 0: 16-bit characters), the characters from 8; the rest is kept.
class TExternNameRecord final : public TRecordClass<TExternNameRecord> {
public:
    using TRecordClass::TRecordClass;

    std::uint8_t NameLength() const { return GetByte(Data(), 6); }
    TXlsString Name() const;
};

// SUPBOOK (0x01AE). Data: the sheet count (16-bit), then the marker 0x0401
// (this workbook) or 0x3A01 (add-in functions), each as the whole 4 bytes,
// or the book's encoded path as a string with a 2-byte count followed by
// one such string per sheet name.
class TSupBookRecord final : public TRecordClass<TSupBookRecord> {
public:
    // Refuses fewer than 4 data bytes.
    TSupBookRecord(std::uint16_t aId, TByteView aData);
    TSupBookRecord(const TSupBookRecord& other);
    // The local SUPBOOK of a workbook of SheetCount sheets.
    static std::unique_ptr<TSupBookRecord> CreateEmpty(std::uint16_t SheetCount);

    std::uint16_t SheetCount() const { return GetWord(Data(), 0); }
    bool IsLocal() const;
    bool IsAddIn() const;
    // The path of another book, decoded; empty for this workbook and add-ins.
    TXlsString BookName() const;
    // Empty outside the sheet count; this workbook's names come from
    // LocalSheets, whatever count its record holds.
    TXlsString SheetName(std::int32_t SheetIndex, const TBoundSheetRecordList& LocalSheets) const;

    void AddExternName(std::unique_ptr<TExternNameRecord> aRecord) { FExternNameList.push_back(std::move(aRecord)); }
    std::size_t ExternNameCount() const { return FExternNameList.size(); }
    const TExternNameRecord& ExternName(std::size_t aIndex) const { return *FExternNameList.at(aIndex); }
    // The sheet count of the local book grows by SheetCount (shrinks when
    // negative); beyond 65000 or below 0 fails with "Too many entries ...".
    void InsertSheets(std::int32_t SheetCount);

    // The SUPBOOK followed by its EXTERNNAMEs.
    void SaveToStream(TOle2File& Workbook) override;
    std::int64_t TotalSize() const override;
    std::int64_t TotalSizeNoHeaders() const override;

private:
    std::vector<std::unique_ptr<TExternNameRecord>> FExternNameList;
};

// One XTI: SUPBOOK position, first and last sheet in that book.
struct TExternRef {
    std::uint16_t SupBookRecord = 0;
    std::uint16_t FirstSheet = 0;
    std::uint16_t LastSheet = 0;
    bool operator==(const TExternRef&) const = default;
};

// The EXTERNSHEET table; position = EXTERNSHEET index.
class TExternRefList {
public:
    // XTIs per EXTERNSHEET record (8,220 bytes); the rest go into CONTINUE records.
    static constexpr std::size_t RefsPerRecord = 1370;

    // Appends the XTIs of an EXTERNSHEET record (a count, then 6 bytes each,
    // across its CONTINUE records).
    void Load(const TBaseRecord& aRecord);
    void Clear() { FList.clear(); }
    std::size_t Count() const { return FList.size(); }
    const TExternRef& Items(std::size_t aIndex) const { return FList[aIndex]; }
    // Beyond 65535 entries fails with "Too many entries ...".
    std::size_t Add(const TExternRef& aRef);

    // Nothing for an empty table.
    void SaveToStream(TOle2File& DataStream) const;
    std::int64_t TotalSize() const;
    // XTIs of the local book follow inserted (SheetCount > 0) or deleted
    // sheets; deleted ones become 0xFFFF. Fails before changing anything.
    void InsertSheets(std::int32_t BeforeSheet, std::int32_t SheetCount, std::int32_t LocalSupBook);

private:
    std::vector<TExternRef> FList;
};

class TReferences {
public:
    TReferences() = default;
    TReferences(const TReferences&) = delete;
    TReferences& operator=(const TReferences&) = delete;

    void Clear();

    // Loading, in file order. A local SUPBOOK becomes the local book; a later one wins.
    void AddSupBook(std::unique_ptr<TSupBookRecord> aRecord);
    // Belongs to the last SUPBOOK; without one fails with "Error reading
    // Excel records. File invalid".
    void AddExternName(std::unique_ptr<TExternNameRecord> aRecord);
    void AddExternRef(const TBaseRecord& aRecord) { FExternRefs.Load(aRecord); }

    // The sheet of an EXTERNSHEET entry: the sheet of a local XTI naming one
    // sheet, else -1. An index outside the table fails with "The index "%d"
    // of the property "Sheet Reference" is not in the range %d-%d".
    std::int32_t GetSheet(std::int32_t SheetRef) const;
    // Whether the entry exists and names sheets of this workbook.
    bool IsLocalRef(std::int32_t SheetRef) const;
    // The first local XTI for just Sheet, appended when there is none.
    std::int32_t SetSheet(std::int32_t Sheet);
    // The same for sheets FirstSheet to LastSheet; a workbook without a local
    // SUPBOOK first gets one for SheetCount sheets.
    std::int32_t AddSheet(std::int32_t SheetCount, std::int32_t FirstSheet, std::int32_t LastSheet);

    // The sheet part of a 3-D reference: "'Data'!", "'First:Last'!",
    // "'C:\Dir\[Book.xls]Data'!"; empty when there is none. Quotes inside
    // names are doubled, and a sheet that was deleted reads "#REF!".
    TXlsString GetSheetName(std::int32_t SheetRef, const TBoundSheetRecordList& LocalSheets) const;
    // The text of name NameIndex: of this workbook (Names) when SheetRef < 0
    // or its XTI is local, else the EXTERNNAME of that book.
    TXlsString GetName(std::int32_t SheetRef, std::int32_t NameIndex, const TNameRecordList& Names) const;

    // Sheets BeforeSheet to BeforeSheet + SheetCount - 1 were inserted (a
    // negative count: -SheetCount sheets from BeforeSheet on were deleted).
    // Fails, changing nothing, with "Too many entries ..." beyond 65000 and
    // with "Error reading Excel records. File invalid" when the local slot
    // holds another book.
    void InsertSheets(std::int32_t BeforeSheet, std::int32_t SheetCount);

    // The SUPBOOKs, each followed by its EXTERNNAMEs, then the EXTERNSHEET table.
    void SaveToStream(TOle2File& DataStream);
    std::int64_t TotalSize() const;

    std::size_t SupBookCount() const { return FSupBooks.size(); }
    const TSupBookRecord& SupBook(std::size_t aIndex) const { return *FSupBooks.at(aIndex); }
    std::int32_t LocalSupBook() const { return FLocalSupBook; }
    const TExternRefList& ExternRefs() const { return FExternRefs; }

private:
    const TExternRef& CheckedRef(std::int32_t SheetRef) const;
    // The first local XTI for these sheets, appended when there is none.
    std::int32_t LocalRef(std::int32_t FirstSheet, std::int32_t LastSheet);

    std::vector<std::unique_ptr<TSupBookRecord>> FSupBooks;
    TExternRefList FExternRefs;
    std::int32_t FLocalSupBook = -1;
};

}  // namespace xls
