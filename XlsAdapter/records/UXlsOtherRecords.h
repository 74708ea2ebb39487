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
    TSubListRecord(std::uint16_t aId, TByteView aData) : TRecordClass(aId, aData) {}

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
    TRowRecord(std::uint16_t aId, TByteView aData);
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
    static constexpr std::uint16_t TypeMacroSheet = 0x0040;

    TBOFRecord(std::uint16_t aId, TByteView aData);
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
    TObjRecord(std::uint16_t aId, TByteView aData);
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

// GUTS: outline gutters: row gutter width (0), column gutter width (2), row
// levels + 1 (4), column levels + 1 (6); RecalcNeeded asks the sheet to
// recompute it on save.
class TGutsRecord final : public TSizedRecordClass<TGutsRecord, 8> {
public:
    using TSizedRecordClass::TSizedRecordClass;
    // 8 zero bytes.
    static std::unique_ptr<TGutsRecord> CreateNew();
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

// WINDOW2: the sheet's window. Data: option word (0), first visible row (2)
// and column (4), ...; a copy is not selected.
class TWindow2Record final : public TSizedRecordClass<TWindow2Record, 2> {
public:
    static constexpr std::uint16_t OptShowGridLines = 0x0002;
    static constexpr std::uint16_t OptShowHeaders = 0x0004;
    static constexpr std::uint16_t OptFrozen = 0x0008;
    static constexpr std::uint16_t OptFrozenNoSplit = 0x0100;
    static constexpr std::uint16_t OptSelected = 0x0200;
    static constexpr std::uint16_t OptPaged = 0x0400;

    using TSizedRecordClass::TSizedRecordClass;
    TWindow2Record(const TWindow2Record& other);
    std::uint16_t Options() const { return GetWord(Data(), 0); }
    void SetOptions(std::uint16_t v) { SetWord(Data(), 0, v); }
    bool HasOption(std::uint16_t aMask) const { return (Options() & aMask) == aMask; }
    // Sets or clears every bit of aMask.
    void SetOption(std::uint16_t aMask, bool aValue);
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
    TCodeNameRecord(std::uint16_t aId, TByteView aData);
    static std::unique_ptr<TCodeNameRecord> CreateNew(std::u16string_view aName);
    TXlsString Value() const;
};

// Sheet settings records.

// Records that hold one 16-bit value at data offset 0.
class TWordValueRecord : public TBaseRecord {
public:
    using TBaseRecord::TBaseRecord;
    std::uint16_t Value() const { return GetWord(Data(), 0); }
    void SetValue(std::uint16_t v) { SetWord(Data(), 0, v); }
};

// PANE: column split (0), row split (2), first visible row (4) and column (6)
// of the lower and right panes, the active pane (8; 0 lower right, 1 upper
// right, 2 lower left, 3 upper left). Splits count frozen columns and rows,
// or twips when the panes are not frozen.
class TPaneRecord final : public TRecordClass<TPaneRecord> {
public:
    using TRecordClass::TRecordClass;
    // 10 zero bytes.
    static std::unique_ptr<TPaneRecord> CreateNew();

    std::uint16_t ColSplit() const { return GetWord(Data(), 0); }
    void SetColSplit(std::uint16_t v) { SetWord(Data(), 0, v); }
    std::uint16_t RowSplit() const { return GetWord(Data(), 2); }
    void SetRowSplit(std::uint16_t v) { SetWord(Data(), 2, v); }
    std::uint16_t FirstVisibleRow() const { return GetWord(Data(), 4); }
    void SetFirstVisibleRow(std::uint16_t v) { SetWord(Data(), 4, v); }
    std::uint16_t FirstVisibleCol() const { return GetWord(Data(), 6); }
    void SetFirstVisibleCol(std::uint16_t v) { SetWord(Data(), 6, v); }
    std::uint16_t ActivePane() const { return GetWord(Data(), 8); }
    void SetActivePane(std::uint16_t v) { SetWord(Data(), 8, v); }
};

// SCL: the zoom as numerator (0) over denominator (2).
class TSCLRecord final : public TRecordClass<TSCLRecord> {
public:
    using TRecordClass::TRecordClass;
    static std::unique_ptr<TSCLRecord> CreateNew(std::uint16_t aNumerator, std::uint16_t aDenominator);

    std::uint16_t Numerator() const { return GetWord(Data(), 0); }
    std::uint16_t Denominator() const { return GetWord(Data(), 2); }
    void SetZoom(std::uint16_t aNumerator, std::uint16_t aDenominator);
};

// SETUP, 34 data bytes: paper size (0), scale (2), first page number (4),
// fit width (6) and height (8) in pages, option word (10), horizontal (12)
// and vertical (14) resolution, header margin (16) and footer margin (24) as
// doubles in inches, copies (32).
class TSetupRecord final : public TRecordClass<TSetupRecord> {
public:
    static constexpr std::uint16_t OptPortrait = 0x0002;
    static constexpr std::uint16_t OptNoPrinterData = 0x0004;

    using TRecordClass::TRecordClass;

    std::uint16_t PaperSize() const { return GetWord(Data(), 0); }
    void SetPaperSize(std::uint16_t v) { SetWord(Data(), 0, v); }
    std::uint16_t Scale() const { return GetWord(Data(), 2); }
    void SetScale(std::uint16_t v) { SetWord(Data(), 2, v); }
    std::uint16_t FitWidth() const { return GetWord(Data(), 6); }
    void SetFitWidth(std::uint16_t v) { SetWord(Data(), 6, v); }
    std::uint16_t FitHeight() const { return GetWord(Data(), 8); }
    void SetFitHeight(std::uint16_t v) { SetWord(Data(), 8, v); }
    std::uint16_t GrBit() const { return GetWord(Data(), 10); }
    void SetGrBit(std::uint16_t v) { SetWord(Data(), 10, v); }
    std::uint16_t Resolution() const { return GetWord(Data(), 12); }
    void SetResolution(std::uint16_t v) { SetWord(Data(), 12, v); }
    std::uint16_t VResolution() const { return GetWord(Data(), 14); }
    void SetVResolution(std::uint16_t v) { SetWord(Data(), 14, v); }
    double HeaderMargin() const { return GetDouble(Data(), 16); }
    void SetHeaderMargin(double v) { SetDouble(Data(), 16, v); }
    double FooterMargin() const { return GetDouble(Data(), 24); }
    void SetFooterMargin(double v) { SetDouble(Data(), 24, v); }
    std::uint16_t Copies() const { return GetWord(Data(), 32); }
    void SetCopies(std::uint16_t v) { SetWord(Data(), 32, v); }
    // The printer fields (paper size, scale, resolutions, copies) count only
    // while this is false.
    bool NoPrinterData() const { return (GrBit() & OptNoPrinterData) != 0; }
    void SetNoPrinterData(bool aValue);
};

// PLS: the printer driver's settings: operating environment word (0), then
// the driver's bytes, which may go on in CONTINUE records.
class TPlsRecord final : public TRecordClass<TPlsRecord> {
public:
    using TRecordClass::TRecordClass;
    // Driver bytes beyond one record's room go into CONTINUE records.
    static std::unique_ptr<TPlsRecord> CreateNew(const TPrinterDriverSettings& aSettings);
    TPrinterDriverSettings Settings() const;
};

// LEFTMARGIN, RIGHTMARGIN, TOPMARGIN, BOTTOMMARGIN: the margin in inches, a double.
class TMarginRecord final : public TRecordClass<TMarginRecord> {
public:
    using TRecordClass::TRecordClass;
    static std::unique_ptr<TMarginRecord> CreateNew(std::uint16_t aId, double aValue);
    double Value() const { return GetDouble(Data(), 0); }
    void SetValue(double v) { SetDouble(Data(), 0, v); }
};

// HEADER and FOOTER: the text as a string with a 2-byte count; no data at
// all is an empty text.
class TPageHeaderFooterRecord : public TBaseRecord {
public:
    using TBaseRecord::TBaseRecord;
    TXlsString Text() const;
    // Rebuilds the data; the owner reports the size change to its list.
    void SetText(std::u16string_view aText);
};
class TPageHeaderRecord final : public TRecordClass<TPageHeaderRecord, TPageHeaderFooterRecord> {
public:
    using TRecordClass::TRecordClass;
};
class TPageFooterRecord final : public TRecordClass<TPageFooterRecord, TPageHeaderFooterRecord> {
public:
    using TRecordClass::TRecordClass;
};

// PRINTGRIDLINES: 1 prints the gridlines.
class TPrintGridLinesRecord final : public TRecordClass<TPrintGridLinesRecord, TWordValueRecord> {
public:
    using TRecordClass::TRecordClass;
};
// HCENTER, VCENTER: 1 centres the print on the page.
class TPrintCenteredRecord final : public TRecordClass<TPrintCenteredRecord, TWordValueRecord> {
public:
    using TRecordClass::TRecordClass;
};
// WSBOOL: sheet options; 0x0020 automatic outline styles, 0x0040 summary
// rows below the detail, 0x0080 summary columns right of it, 0x0100 fit the
// print to pages.
class TWsBoolRecord final : public TRecordClass<TWsBoolRecord, TWordValueRecord> {
public:
    static constexpr std::uint16_t OptAutoStyles = 0x0020;
    static constexpr std::uint16_t OptRowSumsBelow = 0x0040;
    static constexpr std::uint16_t OptColSumsRight = 0x0080;
    static constexpr std::uint16_t OptFitToPage = 0x0100;

    using TRecordClass::TRecordClass;
    bool HasOption(std::uint16_t aMask) const { return (Value() & aMask) != 0; }
    void SetOption(std::uint16_t aMask, bool aValue);
};
// REFMODE: 1 for A1 references, 0 for R1C1.
class TRefModeRecord final : public TRecordClass<TRefModeRecord, TWordValueRecord> {
public:
    using TRecordClass::TRecordClass;
};
// PROTECT: 1 when the sheet (in the globals: the workbook structure) is protected.
class TProtectRecord final : public TRecordClass<TProtectRecord, TWordValueRecord> {
public:
    using TRecordClass::TRecordClass;
};
// AUTOFILTERINFO: the number of drop-down buttons at 0.
class TAutoFilterInfoRecord final : public TRecordClass<TAutoFilterInfoRecord> {
public:
    using TRecordClass::TRecordClass;
    static std::unique_ptr<TAutoFilterInfoRecord> CreateNew() { return std::make_unique<TAutoFilterInfoRecord>(xlr_AUTOFILTERINFO, TBytes(2, 0)); }
    void SetDropDownCount(std::uint16_t aCount) { SetWord(Data(), 0, aCount); }
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
