// The value types that cross the file interface: cell areas, rich text,
// sheet visibility, hyperlinks, margins, printer settings, named ranges and
// pictures. The engine's layers build and read them; callers of the file
// interface need nothing else of the engine to use them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/UXlsBytes.h"
#include "base/UXlsVariant.h"

namespace xls {

// A cell area, all bounds inclusive and 0-based.
struct TXlsCellRange {
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int32_t Right = 0;
    std::int32_t Bottom = 0;

    bool HasRow(std::int64_t aRow) const { return Top <= aRow && aRow <= Bottom; }
    bool HasColumn(std::int64_t aCol) const { return Left <= aCol && aCol <= Right; }
};
constexpr TXlsCellRange WholeSheetRange{0, 0, 255, 65535};

enum class TXlsSheetVisible { sv_Visible = 0, sv_Hidden = 1, sv_VeryHidden = 2 };

// One font run: the font applies from character FirstChar on.
struct TRTFRun {
    std::uint16_t FirstChar = 0;
    std::uint16_t FontIndex = 0;
    bool operator==(const TRTFRun&) const = default;
};
using TRTFRunList = std::vector<TRTFRun>;

struct TRichString {
    TXlsString Value;
    TRTFRunList RTFRuns;
    bool operator==(const TRichString&) const = default;
};

enum class THyperLinkType { hl_URL, hl_LocalFile, hl_UNC, hl_CurrentWorkbook };

struct THyperLink {
    THyperLinkType LinkType = THyperLinkType::hl_URL;
    TXlsString Description;
    TXlsString TargetFrame;
    TXlsString TextMark;
    TXlsString Text;  // the link target
    TXlsString Hint;
};

// Page margins in inches.
struct TXlsMargins {
    double Left = 0;
    double Top = 0;
    double Right = 0;
    double Bottom = 0;
    double Header = 0;
    double Footer = 0;
};

struct TPrinterDriverSettings {
    std::uint16_t OperatingEnviroment = 0;
    TBytes Data;
};

struct TXlsNamedRange {
    TXlsString Name;
    TXlsString RangeFormula;  // "=Sheet1!$A$1:$B$2"
    std::int32_t OptionFlags = 0;
    std::int32_t NameSheetIndex = -1;  // the sheet of a local name, -1 for a global one
};

enum class TXlsImgTypes { xli_Emf, xli_Wmf, xli_Jpeg, xli_Png, xli_Bmp, xli_Unknown };

// How a picture follows the cells it lies on when rows and columns are
// inserted, deleted or resized.
enum class TXlsAnchorType { at_MoveAndResize, at_MoveAndDontResize, at_DontMoveAndDontResize };

// Where a picture sits: its corners as cell (rows and columns counted from 1,
// as everywhere at the file interface) and offset within the cell (Dx in
// 1/1024 of the column's width, Dy in 1/255 of the row's height), and its
// name.
struct TImageProperties {
    std::int32_t Col1 = 1, Dx1 = 0, Row1 = 1, Dy1 = 0;
    std::int32_t Col2 = 1, Dx2 = 0, Row2 = 1, Dy2 = 0;
    TXlsString FileName;
    TXlsAnchorType AnchorType = TXlsAnchorType::at_MoveAndResize;
};

struct TXlsPicture {
    TBytes Data;
    TXlsImgTypes PicType = TXlsImgTypes::xli_Unknown;
    TImageProperties Properties;
};

}  // namespace xls
