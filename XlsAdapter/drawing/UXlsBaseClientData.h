// The client data of a shape: the BIFF records (OBJ, TXO and what follows
// them) that stand behind a shape's client data or client text box atom in
// a sheet drawing, written right after the drawing record that holds the atom.
#pragma once

#include <memory>

#include "records/UXlsBaseRecords.h"

namespace xls {

class TSST;

class TBaseClientData {
public:
    TBaseClientData() = default;
    virtual ~TBaseClientData();
    TBaseClientData(const TBaseClientData&) = delete;
    TBaseClientData& operator=(const TBaseClientData&) = delete;

    // Drawing data found chained to the client records while loading; the
    // drawing loader takes it over right away.
    std::unique_ptr<TBaseRecord> RemainingData;

    // Gives the object the id MaxId + 1 and raises MaxId to it (nothing for
    // client data without an id).
    virtual void ArrangeId(std::uint16_t& MaxId);
    virtual void Clear() = 0;
    // A copy of the records; fails for objects that cannot be copied.
    virtual std::unique_ptr<TBaseClientData> CopyTo() const = 0;
    // First is the OBJ or TXO record the drawing loader read; the records
    // that belong to it are read from DataStream.
    virtual void LoadFromStream(TOle2File& DataStream, TRecordHeader& RecordHeader,
                                std::unique_ptr<TBaseRecord> First, TSST& SST) = 0;
    virtual void SaveToStream(TOle2File& DataStream) = 0;
    // The bytes SaveToStream writes, headers included.
    virtual std::int64_t TotalSize() const = 0;

    // References (of an embedded chart) follow rows and columns and copied sheets.
    virtual void ArrangeCopyRowsAndCols(std::int32_t /*RowOffset*/, std::int32_t /*ColOffset*/) {}
    virtual void ArrangeInsertRowsAndCols(std::int32_t /*aRowPos*/, std::int32_t /*aRowCount*/,
                                          std::int32_t /*aColPos*/, std::int32_t /*aColCount*/,
                                          const TSheetInfo& /*SheetInfo*/)
    {
    }
    virtual void ArrangeCopySheet(const TSheetInfo& /*SheetInfo*/) {}

    // The id of the BIFF record the client data starts with.
    virtual std::uint16_t ObjRecord() const = 0;
    // The object id (0 for client data without one).
    virtual std::uint16_t GetId() const { return 0; }
    virtual void SetId(std::uint16_t) {}
};

}  // namespace xls
