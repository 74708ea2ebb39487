// Drawing data of the workbook. The drawing group (pictures and the shape id
// bookkeeping every sheet drawing refers to) is kept as the MSODRAWINGGROUP
// records it was read from, with their CONTINUE records, and written back
// unchanged.
#pragma once

#include <memory>
#include <vector>

#include "UXlsBaseRecords.h"

namespace xls {

constexpr std::uint16_t xlr_MSODRAWINGGROUP = 0x00EB;

class TDrawingGroup {
public:
    TDrawingGroup() = default;
    TDrawingGroup(const TDrawingGroup&) = delete;
    TDrawingGroup& operator=(const TDrawingGroup&) = delete;

    // First is an MSODRAWINGGROUP record with its CONTINUE chain. The group's
    // root container may go on in further MSODRAWINGGROUP records: they are
    // read until the root's size is reached. Fails with "Error reading Excel
    // records. File invalid" when the group is loaded already or a record of
    // another kind comes before the root is complete.
    void LoadFromStream(TOle2File& DataStream, TRecordHeader& RecordHeader, std::unique_ptr<TBaseRecord> First);
    void SaveToStream(TOle2File& DataStream);
    std::int64_t TotalSize() const;
    void Clear() { FRecords.clear(); }

    bool Empty() const { return FRecords.empty(); }
    std::size_t RecordCount() const { return FRecords.size(); }
    const TBaseRecord& Records(std::size_t aIndex) const { return *FRecords.at(aIndex); }

private:
    std::vector<std::unique_ptr<TBaseRecord>> FRecords;
};

}  // namespace xls
