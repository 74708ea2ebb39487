// The sections of the Workbook stream: the globals and the sheets each run
// from a BOF record to an EOF record and own both.
#pragma once

#include <memory>

#include "records/UXlsBaseRecordLists.h"
#include "records/UXlsOtherRecords.h"

namespace xls {

class TSST;

class TBaseSection {
public:
    TBaseSection() = default;
    virtual ~TBaseSection() = default;
    TBaseSection(const TBaseSection&) = delete;
    TBaseSection& operator=(const TBaseSection&) = delete;

    // Frees BOF and EOF; sections free their own content first.
    virtual void Clear();
    // The bytes SaveToStream writes (BOF and EOF here).
    virtual std::int64_t TotalSize() const;
    // The bytes SaveRangeToStream writes.
    virtual std::int64_t TotalRangeSize(std::int32_t SheetIndex, const TXlsCellRange& CellRange);
    // Reads the records after First (the section's BOF, already read by the
    // caller) up to and including the section's EOF. RecordHeader is the
    // caller's look-ahead header and holds the next one on return.
    virtual void LoadFromStream(TOle2File& DataStream, TRecordHeader& RecordHeader, std::unique_ptr<TBOFRecord> First,
                                TSST& SST) = 0;
    virtual void SaveToStream(TOle2File& DataStream) = 0;
    virtual void SaveRangeToStream(TOle2File& DataStream, std::int32_t SheetIndex, const TXlsCellRange& CellRange) = 0;

    const TBOFRecord* BOF() const { return FBOF.get(); }
    const TEOFRecord* EOFRecord() const { return FEOF.get(); }

protected:
    // Fails with "A section of the workbook is not loaded" without BOF or EOF.
    void CheckLoaded() const;

    std::unique_ptr<TBOFRecord> FBOF;
    std::unique_ptr<TEOFRecord> FEOF;
};

}  // namespace xls
