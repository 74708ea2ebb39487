// The engine's description of a cell format, independent of the records that
// store it, and the number formats every BIFF8 reader knows without a FORMAT
// record.
//
// Colour indexes in these structures are the BIFF8 colour index minus 7:
// 1 is the first palette colour (BIFF8 index 8), 56 the last (63),
// 57 the system foreground (64), 58 the system background (65).
#pragma once

#include <cstdint>
#include <initializer_list>

#include "base/UXlsLocale.h"
#include "base/UXlsVariant.h"

namespace xls {

enum class TTbrFontStyle : std::uint8_t { flsBold, flsItalic, flsStrikeOut, flsSuperscript, flsSubscript };

// A set of font styles.
class SetOfTTbrFontStyle {
public:
    SetOfTTbrFontStyle() = default;
    SetOfTTbrFontStyle(std::initializer_list<TTbrFontStyle> aStyles)
    {
        for (TTbrFontStyle s : aStyles) Include(s);
    }
    bool Contains(TTbrFontStyle s) const { return (FBits & Bit(s)) != 0; }
    void Include(TTbrFontStyle s) { FBits = static_cast<std::uint8_t>(FBits | Bit(s)); }
    void Exclude(TTbrFontStyle s) { FBits = static_cast<std::uint8_t>(FBits & ~Bit(s)); }
    bool operator==(const SetOfTTbrFontStyle&) const = default;

private:
    static std::uint8_t Bit(TTbrFontStyle s) { return static_cast<std::uint8_t>(1u << static_cast<unsigned>(s)); }
    std::uint8_t FBits = 0;
};

enum class TTbrUnderline : std::uint8_t { fu_None, fu_Single, fu_Double, fu_SingleAccounting, fu_DoubleAccounting };

struct TTbrFont {
    TXlsString Name;
    std::uint16_t Size20 = 0;  // height in twentieths of a point
    std::int32_t ColorIndex = 0;
    SetOfTTbrFontStyle Style;
    TTbrUnderline Underline = TTbrUnderline::fu_None;
    std::uint8_t Family = 0;
    std::uint8_t CharSet = 0;
    bool operator==(const TTbrFont&) const = default;
};

// Equal to the BIFF8 line-style codes.
enum class TTbrBorderStyle : std::uint8_t {
    fbs_None,
    fbs_Thin,
    fbs_Medium,
    fbs_Dashed,
    fbs_Dotted,
    fbs_Thick,
    fbs_Double,
    fbs_Hair,
    fbs_Medium_dashed,
    fbs_Dash_dot,
    fbs_Medium_dash_dot,
    fbs_Dash_dot_dot,
    fbs_Medium_dash_dot_dot,
    fbs_Slanted_dash_dot,
};

enum class TTbrDiagonalBorder : std::uint8_t { fdb_None, fdb_DiagDown, fdb_DiagUp, fdb_Both };

struct TTbrOneBorder {
    TTbrBorderStyle Style = TTbrBorderStyle::fbs_None;
    std::int32_t ColorIndex = 0;
    bool operator==(const TTbrOneBorder&) const = default;
};

struct TTbrBorders {
    TTbrOneBorder Left;
    TTbrOneBorder Right;
    TTbrOneBorder Top;
    TTbrOneBorder Bottom;
    TTbrOneBorder Diagonal;
    TTbrDiagonalBorder DiagonalStyle = TTbrDiagonalBorder::fdb_None;
    bool operator==(const TTbrBorders&) const = default;
};

// 1 no fill, 2 solid, up to 19; the XF stores Pattern - 1.
using TTbrPatternStyle = std::uint8_t;

struct TTbrFillPattern {
    TTbrPatternStyle Pattern = 1;
    std::int32_t FgColorIndex = 0;
    std::int32_t BgColorIndex = 0;
    bool operator==(const TTbrFillPattern&) const = default;
};

// Both equal the BIFF8 alignment codes.
enum class THTbrAlignment : std::uint8_t {
    fha_general,
    fha_left,
    fha_center,
    fha_right,
    fha_fill,
    fha_justify,
    fha_center_across_selection,
};
enum class TVTbrAlignment : std::uint8_t { fva_top, fva_center, fva_bottom, fva_justify, fva_distributed };

struct TTbrFormat {
    TTbrFont Font;
    TTbrBorders Borders;
    TXlsString Format;  // number format code, empty for General
    TTbrFillPattern FillPattern;
    THTbrAlignment HAlignment = THTbrAlignment::fha_general;
    TVTbrAlignment VAlignment = TVTbrAlignment::fva_top;
    bool Locked = false;
    bool Hidden = false;
    std::int32_t Parent = 0;  // read only: the XF's parent word, low 4 bits cleared
    bool WrapText = false;
    bool ShrinkToFit = false;
    std::uint8_t Rotation = 0;
    std::uint8_t Indent = 0;  // 0 to 15
    bool operator==(const TTbrFormat&) const = default;
};

// The font and format of a cell in a workbook that lacks the FONT or XF
// records to describe one: Arial 10 points in the automatic colour, General,
// as a new workbook formats its cells.
TTbrFont DefaultCellFont();
TTbrFormat DefaultCellFormat();

// Ids 0 to 49 need no FORMAT record.
constexpr std::uint16_t BuiltInFormatCount = 50;
// FORMAT ids from here on belong to the workbook.
constexpr std::uint16_t FirstUserFormatId = 164;

// The code of built-in format aId (0 to 49; empty for ids without a fixed
// code). Ids 14 and 22 follow the locale's short date order and separators.
TXlsString BuiltInFormat(std::uint16_t aId, const TXlsFormatSettings& aSettings = XlsFormatSettings());

// The locale date (id 14) or date and time (id 22) format.
TXlsString LocaleDateFormat(const TXlsFormatSettings& aSettings, bool aWithTime);

}  // namespace xls
