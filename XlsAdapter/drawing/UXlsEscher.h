// Drawing data of the workbook. The drawing group (pictures and the shape id
// bookkeeping every sheet drawing refers to) is kept as the MSODRAWINGGROUP
// records it was read from, with their CONTINUE records, and written back
// unchanged; so is each sheet's drawing with the client records of its
// shapes.
#pragma once

#include <memory>
#include <vector>

#include "globals/UXlsWorkbookGlobals.h"

namespace xls {

class TSST;
class TTbrChart;

class TDrawingGroup final : public TBaseDrawingGroup {
public:
    TDrawingGroup() = default;
    TDrawingGroup(const TDrawingGroup&) = delete;
    TDrawingGroup& operator=(const TDrawingGroup&) = delete;

    // First is an MSODRAWINGGROUP record with its CONTINUE chain. The group's
    // root container may go on in further MSODRAWINGGROUP records: they are
    // read until the root's size is reached. Fails with "Error reading Excel
    // records. File invalid" when the group is loaded already or a record of
    // another kind comes before the root is complete.
    void LoadFromStream(TOle2File& DataStream, TRecordHeader& RecordHeader, std::unique_ptr<TBaseRecord> First) override;
    void SaveToStream(TOle2File& DataStream) override;
    std::int64_t TotalSize() const override;
    void Clear() override { FRecords.clear(); }

    bool Empty() const { return FRecords.empty(); }
    std::size_t RecordCount() const { return FRecords.size(); }
    const TBaseRecord& Records(std::size_t aIndex) const { return *FRecords.at(aIndex); }

private:
    std::vector<std::unique_ptr<TBaseRecord>> FRecords;
};

// The workbook's drawing group, which the workbook gives its globals.
TDrawingGroup& DrawingGroupOf(TWorkbookGlobals& aGlobals);

// The drawing of a sheet: its MSODRAWING records and the records that belong
// to its shapes, kept in file order and written back as read. An OBJ record
// may be followed by the picture data (IMDATA) or, for a chart, by the whole
// chart substream; a TXO record carries its text in CONTINUE records.
class TDrawing {
public:
    TDrawing();
    ~TDrawing();
    TDrawing(const TDrawing&) = delete;
    TDrawing& operator=(const TDrawing&) = delete;

    // MSODRAWING, OBJ and TXO start (or continue) a drawing.
    static bool StartsDrawing(std::uint16_t aId);

    // First is the record that starts the drawing; the records that belong
    // to it are read up to the first one that does not. An OBJ of a chart
    // must be followed by the chart's BOF, else "Error reading Excel records.
    // File invalid". Text cells of an embedded chart join SST.
    void LoadFromStream(TOle2File& DataStream, TRecordHeader& RecordHeader, std::unique_ptr<TBaseRecord> First,
                        TSST& SST);
    void SaveToStream(TOle2File& DataStream);
    std::int64_t TotalSize() const;
    void Clear();
    bool Empty() const { return FParts.empty(); }

    // The parts in file order: a record, or an embedded chart.
    std::size_t PartCount() const { return FParts.size(); }
    const TBaseRecord* PartRecord(std::size_t aIndex) const { return FParts.at(aIndex).Record.get(); }
    const TTbrChart* PartChart(std::size_t aIndex) const { return FParts.at(aIndex).Chart.get(); }

private:
    struct TPart {
        std::unique_ptr<TBaseRecord> Record;
        std::unique_ptr<TTbrChart> Chart;
    };
    void AddRecord(std::unique_ptr<TBaseRecord> aRecord);
    void LoadChart(TOle2File& DataStream, TRecordHeader& RecordHeader, TSST& SST);

    std::vector<TPart> FParts;
};

}  // namespace xls
