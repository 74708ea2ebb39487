// External references of the workbook: the SUPBOOK records (each with the
// EXTERNNAME records that followed it) and the EXTERNSHEET table, whose
// entries (XTI: SUPBOOK position, first sheet, last sheet) 3-D references
// and external names point at.
//
// The records are kept as read and written back unchanged; the only
// interpretation is the one sheet insertion and deletion need, so that XTIs
// of this workbook keep naming the same sheets.
#pragma once

#include <memory>
#include <vector>

#include "records/UXlsBaseRecords.h"

namespace xls {

// The largest sheet index an XTI or the local SUPBOOK may hold after a shift.
constexpr std::int64_t MaxReferencedSheet = 65000;
// XTI sheet markers.
constexpr std::uint16_t XtiDeletedSheet = 0xFFFF;
constexpr std::uint16_t XtiWholeBook = 0xFFFE;

class TReferences {
public:
    TReferences() = default;
    TReferences(const TReferences&) = delete;
    TReferences& operator=(const TReferences&) = delete;

    void Clear();

    // Loading, in file order. A local SUPBOOK (data 4 bytes, marker 0x0401)
    // becomes the local book; a later one wins.
    void AddSupBook(std::unique_ptr<TBaseRecord> aRecord);
    // Belongs to the last SUPBOOK; without one fails with "Error reading
    // Excel records. File invalid".
    void AddExternName(std::unique_ptr<TBaseRecord> aRecord);
    // An EXTERNSHEET record with its CONTINUE chain; refuses a table that
    // does not fit its data.
    void AddExternRef(std::unique_ptr<TBaseRecord> aRecord);

    // Sheets BeforeSheet to BeforeSheet + SheetCount - 1 were inserted (a
    // negative count: -SheetCount sheets from BeforeSheet on were deleted).
    // XTIs of the local book follow their sheets, XTI sheets that were
    // deleted become 0xFFFF, and the local SUPBOOK's sheet count changes.
    // A sheet index beyond 65000 fails with "Too many entries ..." and
    // changes nothing.
    void InsertSheets(std::int32_t BeforeSheet, std::int32_t SheetCount);

    // The SUPBOOKs, each followed by its EXTERNNAMEs, then the EXTERNSHEET records.
    void SaveToStream(TOle2File& DataStream);
    std::int64_t TotalSize() const;

    std::size_t SupBookCount() const { return FSupBooks.size(); }
    const TBaseRecord& SupBook(std::size_t aIndex) const { return *FSupBooks.at(aIndex).Record; }
    std::size_t ExternNameCount(std::size_t aSupBook) const { return FSupBooks.at(aSupBook).ExternNames.size(); }
    std::int32_t LocalSupBook() const { return FLocalSupBook; }
    std::size_t ExternSheetCount() const { return FExternSheets.size(); }
    const TBaseRecord& ExternSheet(std::size_t aIndex) const { return *FExternSheets.at(aIndex); }

private:
    struct TSupBook {
        std::unique_ptr<TBaseRecord> Record;
        std::vector<std::unique_ptr<TBaseRecord>> ExternNames;
    };

    std::vector<TSupBook> FSupBooks;
    std::vector<std::unique_ptr<TBaseRecord>> FExternSheets;
    std::int32_t FLocalSupBook = -1;
};

}  // namespace xls
