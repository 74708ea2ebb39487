// The shared string table and the text cells.
//
// Every shared string lives once in one contiguous byte store; the table is a
// list of entry offsets into it. Loading a large SST therefore allocates no
// object per string, lookups are binary searches over the sorted offsets, and
// cells refer to entries by offset, so sorting and purging never touch cells.
#pragma once

#include <vector>

#include "records/UXlsBaseRecords.h"
#include "records/UXlsStrings.h"

namespace xls {

// SST as read: Count is the number of unique strings at offset 4.
class TSSTRecord final : public TRecordClass<TSSTRecord> {
public:
    TSSTRecord(std::uint16_t aId, TByteView aData);
    std::uint32_t Count() const { return FCount; }

private:
    std::uint32_t FCount;
};

// An entry of the store is a 16-byte header followed by the string in
// serialised form with a 2-byte count:
//   0  reference count (32-bit; users of the entry, never wraps)
//   4  stream position of the string in the last save (32-bit)
//   8  offset of the string in its SST or CONTINUE record, header included (16-bit)
//  10  reserved
//  12  position of the entry in the last saved SST (32-bit)
// Entries are ordered by size, then by their string bytes.
using TSSTEntry = std::uint32_t;  // byte offset of an entry in the store
constexpr std::size_t SSTEntryHeaderSize = 16;

class TSST {
public:
    TSST() = default;
    TSST(const TSST&) = delete;
    TSST& operator=(const TSST&) = delete;

    std::size_t Count() const { return FEntries.size(); }
    TSSTEntry Items(std::size_t aIndex) const;

    // Appends all strings of an SST record and its CONTINUE chain, in file
    // order (list index = SST index of the file); reference counts start at 0.
    void Load(const TSSTRecord& aSSTRecord);
    // Adds the text (with runs) or finds an equal entry, and counts one more
    // user. Returns the list position (turn it into an entry at once).
    std::size_t AddString(std::u16string_view s, const TRTFRunList& RTFRuns = {});
    // Binary search of the sorted list for the entry at aEntry; aIndex gets
    // the position of the match or the insertion point.
    bool Find(TSSTEntry aEntry, std::size_t& aIndex);
    // Sorts the list into entry order (once, after the last sheet is read).
    void Sort();
    bool Sorted() const { return FSorted; }
    // Removes every entry that no cell uses.
    void FixRefs();

    // Writes SST, its CONTINUE records and EXTSST.
    void SaveToStream(TOle2File& DataStream);
    void WriteExtSST(TOle2File& DataStream) const;
    // The exact number of bytes SaveToStream writes.
    std::int64_t TotalSize() const;

    // Entry access.
    std::uint32_t RefCount(TSSTEntry aEntry) const;
    // Fails rather than wrapping when the count would pass 2^32 - 1.
    void AddRef(TSSTEntry aEntry);
    void ReleaseRef(TSSTEntry aEntry);
    std::uint32_t SaveIndex(TSSTEntry aEntry) const;
    TXlsString EntryText(TSSTEntry aEntry) const;
    TRichString EntryRichText(TSSTEntry aEntry) const;
    // The serialised string of an entry (from its count on).
    TByteView EntryString(TSSTEntry aEntry) const;
    std::size_t UsedSize() const { return FStore.size(); }

    static std::uint16_t ExtSSTBucketSize(std::size_t aEntryCount);
    static std::size_t ExtSSTBucketCount(std::size_t aEntryCount);

private:
    friend class TSSTWriter;
    // 16-bit text whose characters all fit 8 bits becomes 8-bit.
    static void NarrowWhenPossible(TExcelString& aString);
    TSSTEntry AppendEntry(const TExcelString& aString);
    TSSTEntry AppendTextEntry(std::u16string_view s, const TRTFRunList& RTFRuns);
    std::size_t EntrySize(TSSTEntry aEntry) const;
    bool EntryLess(TSSTEntry a, TSSTEntry b) const;
    void CheckEntry(TSSTEntry aEntry) const;

    TBytes FStore;                    // the entries, contiguous; grows only
    std::vector<TSSTEntry> FEntries;  // entry offsets: file order after Load, entry order once sorted
    bool FSorted = true;
};

// LABELSST: row, column, XF, 32-bit SST index; 10 data bytes.
class TLabelSSTRecord final : public TSizedRecordClass<TLabelSSTRecord, 10, TCellRecord> {
public:
    static constexpr std::int64_t NoEntry = -1;

    using TSizedRecordClass::TSizedRecordClass;
    TLabelSSTRecord(const TLabelSSTRecord& other);
    ~TLabelSSTRecord() override;
    // A new cell linked to aSST with no text yet; the caller sets it.
    static std::unique_ptr<TLabelSSTRecord> CreateFromData(std::uint16_t aRow, std::uint16_t aCol, std::uint16_t aXF,
                                                           TSST& aSST);

    // Resolves the stored SST index against a freshly loaded SST.
    void AttachToSST(TSST& aSST);
    TSST* SST() const { return FSST; }
    std::int64_t SSTEntry() const { return pSSTEntry; }

    TXlsString AsString() const;
    void SetAsString(std::u16string_view aValue);
    TRichString AsRichString() const;
    void SetAsRichString(const TRichString& aValue);
    TXlsVariant GetValue() const override;
    void SetValue(const TXlsVariant& Value) override;

    // Writes the index that the SST's last save gave the entry.
    void SaveToStream(TOle2File& Workbook) override;

private:
    void SetText(std::u16string_view aValue, const TRTFRunList& aRuns);
    void CheckLinked() const;

    // 32 bits are enough (entries lie in a store of at most 2 GiB) and fit the
    // room the base record leaves: a big sheet has hundreds of thousands.
    std::int32_t pSSTEntry = NoEntry;
    TSST* FSST = nullptr;  // not owned
};

// LABEL: a string with a 2-byte count at offset 6, kept as read.
class TLabelRecord final : public TRecordClass<TLabelRecord, TCellRecord> {
public:
    // Refuses a cell whose format or text cannot be read (see TSizedRecordClass).
    TLabelRecord(std::uint16_t aId, TByteView aData);
    TXlsVariant GetValue() const override;
};

// RSTRING: a string at offset 6, then a run count and its runs; kept as read.
class TRStringRecord final : public TRecordClass<TRStringRecord, TCellRecord> {
public:
    // Refuses a cell whose format, text or runs cannot be read.
    TRStringRecord(std::uint16_t aId, TByteView aData);
    TXlsVariant GetValue() const override;
    TRichString AsRichString() const;
};

}  // namespace xls
