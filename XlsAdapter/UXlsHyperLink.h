// Hyperlinks: HLINK records with the HLINKTOOLTIP (screen tip) record that
// follows them in the file. The record layer keeps their bytes and attaches
// the tip; link properties build on these classes.
#pragma once

#include "UXlsBaseRecords.h"

namespace xls {

// HLINKTOOLTIP (0x0800).
class TScreenTipRecord final : public TRecordClass<TScreenTipRecord> {
public:
    using TRecordClass::TRecordClass;
};

// HLINK (0x01B8). Writes itself, then its screen tip.
class THLinkRecord final : public TRecordClass<THLinkRecord> {
public:
    using TRecordClass::TRecordClass;
    THLinkRecord(const THLinkRecord& other);

    const TScreenTipRecord* Hint() const { return FHint.get(); }
    // Replaces (and frees) the tip held before.
    void AddHint(std::unique_ptr<TScreenTipRecord> aHint) { FHint = std::move(aHint); }

    void SaveToStream(TOle2File& Workbook) override;
    std::int64_t TotalSize() const override;
    std::int64_t TotalSizeNoHeaders() const override;

private:
    std::unique_ptr<TScreenTipRecord> FHint;
};

}  // namespace xls
