// The client data of shapes: the OBJ record with what follows it (an
// embedded chart's substream or a picture's IMDATA) and the TXO record with
// the text of a text box.
//
// OBJ data is a run of sub-records (16-bit type, 16-bit length, data); the
// first one is the common object data (type 0x15): object type at data
// offset 4, object id at 6. Type 9 holds a picture's formula (an embedded OLE
// object), type 0 ends the run.
//
// TXO data: options 0, text length in characters at 10, length of the
// formatting runs in bytes at 12. The text follows in CONTINUE records, each
// starting with a byte that says whether its characters are 8 or 16 bits
// wide; the runs (8 bytes each: first character, font, 4 unused) follow in
// the next CONTINUE record.
#pragma once

#include "base/UXlsValueTypes.h"
#include "drawing/UXlsBaseClientData.h"
#include "records/UXlsOtherRecords.h"

namespace xls {

class TTbrChart;

class TMsObj final : public TBaseClientData {
public:
    // Object types of the common object data.
    static constexpr std::uint16_t otChart = 5;
    static constexpr std::uint16_t otPicture = 8;
    static constexpr std::uint16_t otDropDown = 0x14;
    static constexpr std::uint16_t otComment = 0x19;

    TMsObj();
    ~TMsObj() override;

    // New objects from their templates, with the id MaxId + 1.
    static std::unique_ptr<TMsObj> CreateEmptyImg(std::uint16_t& MaxId);
    static std::unique_ptr<TMsObj> CreateEmptyNote(std::uint16_t& MaxId);
    static std::unique_ptr<TMsObj> CreateEmptyAutoFilter(std::uint16_t& MaxId);

    void ArrangeId(std::uint16_t& MaxId) override;
    void Clear() override;
    // Fails with "Can't copy OLE objects embedded on a sheet" for an object
    // with a picture formula.
    std::unique_ptr<TBaseClientData> CopyTo() const override;
    // A chart's OBJ must be followed by the chart's BOF, else "Error reading
    // Excel records. File invalid".
    void LoadFromStream(TOle2File& DataStream, TRecordHeader& RecordHeader, std::unique_ptr<TBaseRecord> First,
                        TSST& SST) override;
    // OBJ, IMDATA, the chart substream; without OBJ "Error reading Excel
    // records. File invalid".
    void SaveToStream(TOle2File& DataStream) override;
    std::int64_t TotalSize() const override;

    void ArrangeCopyRowsAndCols(std::int32_t RowOffset, std::int32_t ColOffset) override;
    void ArrangeInsertRowsAndCols(std::int32_t aRowPos, std::int32_t aRowCount, std::int32_t aColPos,
                                  std::int32_t aColCount, const TSheetInfo& SheetInfo) override;
    void ArrangeCopySheet(const TSheetInfo& SheetInfo) override;

    std::uint16_t ObjRecord() const override { return xlr_OBJ; }
    std::uint16_t GetId() const override;
    void SetId(std::uint16_t aId) override;

    // The object type (0 without common object data).
    std::uint16_t ObjectType() const { return FObjRecord ? FObjRecord->CmoId() : 0; }
    // A drop-down button of an auto filter.
    bool GetIsAutoFilter() const;
    bool HasPictFmla() const { return FHasPictFmla; }
    const TTbrChart* Chart() const { return FChart.get(); }

private:
    static std::unique_ptr<TMsObj> FromTemplate(std::string_view aHex, std::uint16_t& MaxId);
    // Walks the sub-records; what the OBJ's CONTINUE chain holds behind them
    // is drawing data.
    void FindRemainingData();

    std::unique_ptr<TObjRecord> FObjRecord;
    std::unique_ptr<TTbrChart> FChart;
    std::unique_ptr<TBaseRecord> FImData;
    bool FHasPictFmla = false;
};

class TTXO final : public TBaseClientData {
public:
    TTXO() = default;
    // A new empty text box: left and top aligned, text locked.
    static std::unique_ptr<TTXO> CreateFromData();

    void Clear() override { FTXO.reset(); }
    std::unique_ptr<TBaseClientData> CopyTo() const override;
    void LoadFromStream(TOle2File& DataStream, TRecordHeader& RecordHeader, std::unique_ptr<TBaseRecord> First,
                        TSST& SST) override;
    void SaveToStream(TOle2File& DataStream) override;
    std::int64_t TotalSize() const override;
    std::uint16_t ObjRecord() const override { return xlr_TXO; }

    // The text and its font runs (without the run that closes them).
    TRichString GetValue() const;
    // Replaces the text; without runs of its own it gets font 0 throughout.
    void SetValue(const TRichString& aValue);

private:
    // Reads the text; aLast is the last record of the chain that belongs to it.
    TRichString ReadValue(const TBaseRecord*& aLast) const;

    std::unique_ptr<TTXORecord> FTXO;
};

// The client data that starts with the record aRecordId (OBJ or TXO).
std::unique_ptr<TBaseClientData> CreateClientData(std::uint16_t aRecordId);

}  // namespace xls
