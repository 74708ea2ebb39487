// The small record classes: markers, workbook and sheet settings, ROW, BOF,
// BOUNDSHEET and the other records whose fields sit at fixed offsets.
// Settings accessors beyond the ones here belong to the sections that use them.
#pragma once

#include <string>

#include "base/UXlsValueTypes.h"
#include "base/UXlsVariant.h"
#include "records/UXlsBaseRecords.h"

namespace xls {

class TBaseRecordList;

// STRING: the cached text result of a formula. The formula cell
// writes its own STRING record, so this one writes and counts nothing.
class TStringRecord final : public TRecordClass<TStringRecord> {
public:
    using TRecordClass::TRecordClass;
    void SaveToStream(TOle2File&) override {}
    std::int64_t TotalSize() const override { return 0; }
    // The string at data offset 0 (2-byte count), read across CONTINUE records.
    TXlsString Value() const;
};

// Stands in a record list for a list kept elsewhere (FONT, FORMAT, XF blocks):
// saving it saves that list; its size is counted by the list's owner.
class TSubListRecord final : public TRecordClass<TSubListRecord> {
public:
    static std::unique_ptr<TSubListRecord> CreateAndAssign(TBaseRecordList* aSubList);
    TSubListRecord(std::uint16_t aId, TBytes aData) : TRecordClass(aId, std::move(aData)) {}

    TBaseRecordList* SubList() const { return FSubList; }
    void SaveToStream(TOle2File& Workbook) override;
    std::int64_t TotalSize() const override { return 0; }

private:
    TBaseRecordList* FSubList = nullptr;  // not owned
};

// ROW, 16 data bytes.
class TRowRecord final : public TRecordClass<TRowRecord, TBaseRowColRecord> {
public:
    static constexpr std::uint16_t OptOutlineMask = 0x0007;
    static constexpr std::uint16_t OptHidden = 0x0020;
    static constexpr std::uint16_t OptHeightByHand = 0x0040;
    static constexpr std::uint16_t OptHasFormat = 0x0080;
    static constexpr std::uint16_t OptStandard = 0x0100;
    static constexpr std::uint16_t DefaultXF = 15;

    // From the file: refuses fewer than 16 data bytes; the word at offset 8 is cleared.
    TRowRecord(std::uint16_t aId, TBytes aData);
    // Row r with MinCol 0, MaxCol 0, height 255, options 0x0100, XF word 15.
    static std::unique_ptr<TRowRecord> CreateStandard(std::uint16_t aRow);

    std::uint16_t MinCol() const { return GetWord(Data(), 2); }
    void SetMinCol(std::uint16_t v) { SetWord(Data(), 2, v); }
    std::uint16_t MaxCol() const { return GetWord(Data(), 4); }  // last column + 1
    void SetMaxCol(std::uint16_t v) { SetWord(Data(), 4, v); }
    std::uint16_t Height() const { return GetWord(Data(), 6); }  // twips
    void SetHeight(std::uint16_t v) { SetWord(Data(), 6, v); }
    std::uint16_t Options() const { return GetWord(Data(), 12); }
    void SetOptions(std::uint16_t v) { SetWord(Data(), 12, v); }

    // Bits 0 to 11 of the word at 14 when the row has a format, else 15.
    std::uint16_t XF() const;
    // Sets the format and standard bits and stores the whole word.
    void SetXF(std::uint16_t aXF);
    bool IsFormatted() const { return (Options() & OptHasFormat) != 0; }
    std::uint8_t OutlineLevel() const { return static_cast<std::uint8_t>(Options() & OptOutlineMask); }
    bool IsAutoHeight() const { return (Options() & OptHeightByHand) == 0; }
    void SetAutoHeight(bool aAuto);
    // The low byte of the options is not 0 or the high byte not 1.
    bool IsModified() const;
};

// BOF: only BIFF8 (version 0x0600) is read.
class TBOFRecord final : public TRecordClass<TBOFRecord> {
public:
    static constexpr std::uint16_t BiffVersion8 = 0x0600;
    static constexpr std::uint16_t TypeGlobals = 0x0005;
    static constexpr std::uint16_t TypeWorksheet = 0x0010;
    static constexpr std::uint16_t TypeChart = 0x0020;

    TBOFRecord(std::uint16_t aId, TBytes aData);
    std::uint16_t BOFType() const { return GetWord(Data(), 2); }
};

class TEOFRecord final : public TRecordClass<TEOFRecord> {
public:
    using TRecordClass::TRecordClass;
};

// OBJ: the first sub-record's type and, for a common-object
// sub-record (21), the object type.
class TObjRecord final : public TRecordClass<TObjRecord> {
public:
    TObjRecord(std::uint16_t aId, TBytes aData);
    static constexpr std::uint16_t ftCmo = 0x15;  // the common-object sub-record
    static constexpr std::uint16_t otChart = 5;   // its object type for a chart

    std::uint16_t ObjId() const { return FObjId; }
    std::uint16_t CmoId() const { return FCmoId; }
    // An embedded chart: its chart substream follows the OBJ record.
    bool IsChart() const { return FObjId == ftCmo && FCmoId == otChart; }

private:
    std::uint16_t FObjId = 0;
    std::uint16_t FCmoId = 0;
};

class TTXORecord final : public TRecordClass<TTXORecord> {
public:
    using TRecordClass::TRecordClass;
    // An 18-byte TXO whose first word is 0x0212, the rest zero.
    static std::unique_ptr<TTXORecord> CreateFromData();
};

// GUTS: outline gutters; RecalcNeeded asks the sheet to recompute it on save.
class TGutsRecord final : public TSizedRecordClass<TGutsRecord, 8> {
public:
    using TSizedRecordClass::TSizedRecordClass;
    bool RecalcNeeded = false;

    std::uint8_t RowLevel() const { return LevelOf(GetWord(Data(), 4)); }
    void SetRowLevel(std::int32_t aLevel) { StoreLevel(0, 4, aLevel); }
    std::uint8_t ColLevel() const { return LevelOf(GetWord(Data(), 6)); }
    void SetColLevel(std::int32_t aLevel) { StoreLevel(2, 6, aLevel); }

private:
    static std::uint8_t LevelOf(std::uint16_t aCount) { return static_cast<std::uint8_t>(aCount > 0 ? aCount - 1 : 0); }
    void StoreLevel(std::size_t aGutterOfs, std::size_t aCountOfs, std::int32_t aLevel);
};

// WINDOW1: a zero window width or height is written as 1.
// Data: position and size (4 words), options at 8, the active sheet at 10,
// the first visible tab at 12, the number of selected tabs at 14, the tab
// bar's width at 16.
class TWindow1Record final : public TSizedRecordClass<TWindow1Record, 16> {
public:
    using TSizedRecordClass::TSizedRecordClass;
    void SaveToStream(TOle2File& Workbook) override;

    std::uint16_t ActiveSheet() const { return GetWord(Data(), 10); }
    void SetActiveSheet(std::uint16_t aSheet) { SetWord(Data(), 10, aSheet); }
    std::uint16_t FirstTab() const { return GetWord(Data(), 12); }
    void SetFirstTab(std::uint16_t aSheet) { SetWord(Data(), 12, aSheet); }
    void SetSelectedTabs(std::uint16_t aCount) { SetWord(Data(), 14, aCount); }
};

// WINDOW2: a copy is not selected.
class TWindow2Record final : public TSizedRecordClass<TWindow2Record, 2> {
public:
    static constexpr std::uint16_t OptSelected = 0x0200;
    static constexpr std::uint16_t OptPaged = 0x0400;

    using TSizedRecordClass::TSizedRecordClass;
    TWindow2Record(const TWindow2Record& other);
    std::uint16_t Options() const { return GetWord(Data(), 0); }
    void SetOptions(std::uint16_t v) { SetWord(Data(), 0, v); }
};

// DEFCOLWIDTH: a width of 256 or more is written as 255.
class TDefColWidthRecord final : public TRecordClass<TDefColWidthRecord> {
public:
    using TRecordClass::TRecordClass;
    std::uint16_t Width() const { return GetWord(Data(), 0); }
    void SaveToStream(TOle2File& Workbook) override;
};

class TStandardWidthRecord final : public TRecordClass<TStandardWidthRecord> {
public:
    using TRecordClass::TRecordClass;
    std::uint16_t Width() const { return GetWord(Data(), 0); }
};

class TDefRowHeightRecord final : public TRecordClass<TDefRowHeightRecord> {
public:
    using TRecordClass::TRecordClass;
    std::uint16_t Height() const { return GetWord(Data(), 2); }
};

// The DIMENSIONS layout.
struct TDimensionsRec {
    std::uint32_t FirstRow = 0;
    std::uint32_t LastRow = 0;  // last row + 1
    std::uint16_t FirstCol = 0;
    std::uint16_t LastCol = 0;  // last column + 1
    std::uint16_t Extra = 0;
};

class TDimensionsRecord final : public TRecordClass<TDimensionsRecord> {
public:
    using TRecordClass::TRecordClass;
    TDimensionsRec Dim() const;
};

// TEMPLATE: a marker record with no data.
class TTemplateRecord final : public TRecordClass<TTemplateRecord> {
public:
    using TRecordClass::TRecordClass;
    static std::int64_t GetSize(bool HasTemplate) { return HasTemplate ? 4 : 0; }
    static void SaveNewRecord(TOle2File& Workbook);
};


// BOUNDSHEET: BOF offset (32-bit), option word, name with a 1-byte count.
class TBoundSheetRecord final : public TRecordClass<TBoundSheetRecord> {
public:
    using TRecordClass::TRecordClass;
    // Offset 0, the option word, the name (8-bit unless a character is above 255).
    static std::unique_ptr<TBoundSheetRecord> CreateNew(std::uint16_t aOptionFlags, std::u16string_view aName);

    std::uint32_t Offset() const { return GetCardinal(Data(), 0); }
    void SetOffset(std::uint32_t aOffset) { SetCardinal(Data(), 0, aOffset); }
    std::uint16_t OptionFlags() const { return GetWord(Data(), 4); }
    void SetOptionFlags(std::uint16_t v) { SetWord(Data(), 4, v); }
    TXlsSheetVisible Visible() const;
    void SetVisible(TXlsSheetVisible aVisible);

    TXlsString SheetName() const;
    // Rebuilds the data with the new name; offset and option word are kept.
    // Callers holding the record in a list report the size change to it.
    void SetSheetName(std::u16string_view aName);
};

// CODENAME: a string with a 2-byte count at offset 0.
class TCodeNameRecord final : public TRecordClass<TCodeNameRecord> {
public:
    // Refuses a name that cannot be read (see TSizedRecordClass).
    TCodeNameRecord(std::uint16_t aId, TBytes aData);
    static std::unique_ptr<TCodeNameRecord> CreateNew(std::u16string_view aName);
    TXlsString Value() const;
};

// Sheet settings records (their accessors live with the sheet settings).
class TPaneRecord final : public TRecordClass<TPaneRecord> {
public:
    using TRecordClass::TRecordClass;
};
class TSCLRecord final : public TRecordClass<TSCLRecord> {
public:
    using TRecordClass::TRecordClass;
};
class TSetupRecord final : public TRecordClass<TSetupRecord> {
public:
    using TRecordClass::TRecordClass;
};
class TPlsRecord final : public TRecordClass<TPlsRecord> {
public:
    using TRecordClass::TRecordClass;
};
class TMarginRecord final : public TRecordClass<TMarginRecord> {
public:
    using TRecordClass::TRecordClass;
};
class TPageHeaderRecord final : public TRecordClass<TPageHeaderRecord> {
public:
    using TRecordClass::TRecordClass;
};
class TPageFooterRecord final : public TRecordClass<TPageFooterRecord> {
public:
    using TRecordClass::TRecordClass;
};
class TPrintGridLinesRecord final : public TRecordClass<TPrintGridLinesRecord> {
public:
    using TRecordClass::TRecordClass;
};
class TPrintCenteredRecord final : public TRecordClass<TPrintCenteredRecord> {
public:
    using TRecordClass::TRecordClass;
};
class TWsBoolRecord final : public TRecordClass<TWsBoolRecord> {
public:
    using TRecordClass::TRecordClass;
};
class TRefModeRecord final : public TRecordClass<TRefModeRecord> {
public:
    using TRecordClass::TRecordClass;
};
class TAutoFilterInfoRecord final : public TRecordClass<TAutoFilterInfoRecord> {
public:
    using TRecordClass::TRecordClass;
};

// Workbook settings and markers.
// DATEMODE: word 0 is 1 for the 1904 date system, 0 for 1900.
class T1904Record final : public TSizedRecordClass<T1904Record, 2> {
public:
    using TSizedRecordClass::TSizedRecordClass;
    bool Is1904() const { return GetWord(Data(), 0) == 1; }
    void SetIs1904(bool aValue) { SetWord(Data(), 0, aValue ? 1 : 0); }
};
// PRECISION: word 0 is 0 when values are kept as displayed, 1 for full precision.
class TPrecisionRecord final : public TSizedRecordClass<TPrecisionRecord, 2> {
public:
    using TSizedRecordClass::TSizedRecordClass;
    bool AsDisplayed() const { return GetWord(Data(), 0) == 0; }
    void SetAsDisplayed(bool aValue) { SetWord(Data(), 0, aValue ? 0 : 1); }
};
// BOOKBOOL: word 0 is 1 when external link values are not saved.
class TBookBoolRecord final : public TSizedRecordClass<TBookBoolRecord, 2> {
public:
    using TSizedRecordClass::TSizedRecordClass;
    bool SaveExternalLinkValues() const { return GetWord(Data(), 0) != 1; }
    void SetSaveExternalLinkValues(bool aValue) { SetWord(Data(), 0, aValue ? 0 : 1); }
};
class TObProjRecord final : public TRecordClass<TObProjRecord> {
public:
    using TRecordClass::TRecordClass;
};

// Records that hold cell ranges (merged cells, validations).
class TRangeRecord : public TBaseRecord {
public:
    using TBaseRecord::TBaseRecord;
};
class TCellMergingRecord final : public TRecordClass<TCellMergingRecord, TRangeRecord> {
public:
    using TRecordClass::TRecordClass;
};
class TDValRecord final : public TRecordClass<TDValRecord, TRangeRecord> {
public:
    using TRecordClass::TRecordClass;
};

}  // namespace xls
