#include "globals/UTbrFormats.h"

#include <array>
#include <string_view>

namespace xls {

namespace {

// Codes of ids 0 to 49; 14 and 22 hold the fallbacks for a locale without a
// usable short date format.
constexpr std::array<std::u16string_view, BuiltInFormatCount> kBuiltInFormats{
    u"",                                // 0 General
    u"0",                               // 1
    u"0.00",                            // 2
    u"#,##0",                           // 3
    u"#,##0.00",                        // 4
    u"", u"", u"", u"",                 // 5 to 8
    u"0%",                              // 9
    u"0.00%",                           // 10
    u"0.00E+00",                        // 11
    u"?/?",                             // 12
    u"# ?\?/?\?",                     // 13 (escaped: no trigraph)
    u"mm/dd/YYYY",                      // 14
    u"DD-MMM-YY",                       // 15
    u"DD-MMM",                          // 16
    u"MMM-YY",                          // 17
    u"h:mm AM/PM",                      // 18
    u"h:mm:ss AM/PM",                   // 19
    u"hh:mm",                           // 20
    u"hh:mm:ss",                        // 21
    u"mm/dd/YYYY hh:mm",                // 22
    u"", u"", u"", u"", u"", u"", u"",  // 23 to 29
    u"", u"", u"", u"", u"", u"", u"",  // 30 to 36
    u"#,##0 _$;-#,##0 _$",              // 37
    u"#,##0 _$;[Red]-#,##0 _$",         // 38
    u"#,##0.00 _$;-#,##0.00 _$",        // 39
    u"#,##0.00 _$;[Red]-#,##0.00 _$",   // 40
    u"", u"", u"", u"",                 // 41 to 44
    u"mm:ss",                           // 45
    u"[h]:mm:ss",                       // 46
    u"mm:ss,0",                         // 47
    u"##0.0E+0",                        // 48
    u"@",                               // 49
};

constexpr std::uint16_t kLocaleDate = 14;
constexpr std::uint16_t kLocaleDateTime = 22;

// The first of the letters y, m, d in the short date format, lower case; 0 when none.
char16_t FirstDatePart(std::u16string_view aShortDate)
{
    for (char16_t c : aShortDate) {
        const char16_t lower = (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
        if (lower == u'y' || lower == u'm' || lower == u'd') return lower;
    }
    return 0;
}

}  // namespace

TXlsString LocaleDateFormat(const TXlsFormatSettings& aSettings, bool aWithTime)
{
    const char16_t first = FirstDatePart(aSettings.ShortDateFormat);
    if (!first) return TXlsString(kBuiltInFormats[aWithTime ? kLocaleDateTime : kLocaleDate]);

    const TXlsString sep(1, aSettings.DateSeparator);
    TXlsString code;
    switch (first) {
    case u'y':
        code = u"YYYY" + sep + u"mm" + sep + u"dd";
        break;
    case u'm':
        code = u"mm" + sep + u"dd" + sep + u"YYYY";
        break;
    default:
        code = u"dd" + sep + u"mm" + sep + u"YYYY";
        break;
    }
    if (aWithTime) code += u" hh" + TXlsString(1, aSettings.TimeSeparator) + u"mm";
    return code;
}

TTbrFont DefaultCellFont()
{
    TTbrFont font;
    font.Name = u"Arial";
    font.Size20 = 200;
    font.ColorIndex = 0x7FFF - 7;  // automatic, on the scale of colour indexes minus 7
    return font;
}

TTbrFormat DefaultCellFormat()
{
    TTbrFormat format;
    format.Font = DefaultCellFont();
    format.Locked = true;
    return format;
}

TXlsString BuiltInFormat(std::uint16_t aId, const TXlsFormatSettings& aSettings)
{
    if (aId == kLocaleDate || aId == kLocaleDateTime) return LocaleDateFormat(aSettings, aId == kLocaleDateTime);
    if (aId < BuiltInFormatCount) return TXlsString(kBuiltInFormats[aId]);
    return {};
}

}  // namespace xls
