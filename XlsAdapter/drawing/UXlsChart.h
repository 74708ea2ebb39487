// Records of a chart substream (a chart sheet or a chart embedded in a
// drawing): kept as read, with the begin/end nesting and the series data
// references (AI records) known to the list that holds them.
#pragma once

#include <vector>

#include "records/UXlsBaseRecordLists.h"

namespace xls {

class TChartRecord : public TBaseRecord {
public:
    using TBaseRecord::TBaseRecord;
};

// BEGIN and END bracket the records that belong to the
// record before BEGIN.
class TBeginRecord final : public TRecordClass<TBeginRecord, TChartRecord> {
public:
    using TRecordClass::TRecordClass;
};
class TEndRecord final : public TRecordClass<TEndRecord, TChartRecord> {
public:
    using TRecordClass::TRecordClass;
};

// AI: where a series takes its data from: Flags at data offset 0, the
// formula length at 6 and the formula tokens from 8 on.
class TChartAIRecord final : public TRecordClass<TChartAIRecord, TChartRecord> {
public:
    using TRecordClass::TRecordClass;

    std::uint16_t Flags() const { return GetWord(Data(), 0); }
    std::uint16_t FLen() const { return GetWord(Data(), 6); }
    // Fails when the formula runs past the data.
    TByteView Formula() const;

    // The series' references follow inserted or deleted rows and columns, a
    // copy by an offset, and a copied sheet. A token that cannot be moved
    // fails with "Error in Chart formula. Token Id: 0x%2x".
    void ArrangeInsertRowsAndCols(std::int32_t aRowPos, std::int32_t aRowCount, std::int32_t aColPos,
                                  std::int32_t aColCount, const TSheetInfo& SheetInfo);
    void ArrangeCopyRowsAndCols(std::int32_t RowOffset, std::int32_t ColOffset);
    void ArrangeCopySheet(const TSheetInfo& SheetInfo);

private:
    template <class F>
    void ChangeFormula(F aChange);
};

// The records of one chart in file order. Its AI records are indexed as they
// enter and leave.
class TChartRecordList final : public TBaseRecordList {
public:
    const std::vector<TChartAIRecord*>& AICache() const { return FAICache; }

protected:
    void Notify(const TBaseRecord* aItem, bool aAdded) override;

private:
    std::vector<TChartAIRecord*> FAICache;  // not owned
};

}  // namespace xls
