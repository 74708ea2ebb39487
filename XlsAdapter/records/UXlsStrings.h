// The serialised BIFF8 string: character count, option byte, optional
// rich-text runs and far-east block, and the characters as single bytes or
// UTF-16 code units. Every record that holds text reads and writes it here.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/UXlsStreams.h"
#include "base/UXlsValueTypes.h"
#include "base/UXlsVariant.h"
#include "records/UXlsBaseRecords.h"

namespace xls {

using TStrLenLength = std::uint8_t;  // 1 or 2: width of the count prefix
using TCharSize = std::uint8_t;      // 1 or 2: bytes per character

constexpr std::uint8_t str_Wide = 0x01;      // characters are 16-bit
constexpr std::uint8_t str_FarEast = 0x04;   // far-east block present
constexpr std::uint8_t str_RichText = 0x08;  // rich-text runs present
constexpr std::size_t MaxStringChars = 0xFFFF;

// Shared strings may carry rich-text runs and a far-east block; the strings
// of other records hold characters only, their option byte telling just the
// character width. Both forms are read alike, except that a plain string of
// no characters ends behind its option byte whatever the byte says, as other
// readers take it: with nothing to format, no runs or far-east data follow.
// A plain string that ends its record (Trailing) and whose count is larger
// than the characters left in the record reads as those characters, again
// as other readers take it; nothing in the record comes after them.
enum class TStringKind { Plain, Trailing, RichExtended };

class TExcelString {
public:
    // An empty string, ready for Read.
    explicit TExcelString(TStrLenLength aStrLenLength);
    // Reads one string at data offset aOfs of aRecord's chain; aRecord and aOfs
    // end just behind it, so strings can be read one after another.
    TExcelString(TStrLenLength aStrLenLength, const TBaseRecord*& aRecord, std::size_t& aOfs,
                 TStringKind aKind = TStringKind::Plain);
    // From text, without runs or far-east block: 16-bit when ForceWide is set
    // or a character is above 255. More than 255 characters with a 1-byte
    // count (or more than 65535) fail with "Invalid String record".
    TExcelString(TStrLenLength aStrLenLength, std::u16string_view s, bool ForceWide);

    // Reads the next string, reusing this object's buffers.
    void Read(const TBaseRecord*& aRecord, std::size_t& aOfs, TStringKind aKind = TStringKind::Plain);

    TXlsString Value() const;
    TCharSize CharSize() const { return (OptionFlags & str_Wide) ? 2 : 1; }
    bool HasRichText() const { return (OptionFlags & str_RichText) != 0; }
    bool HasFarInfo() const { return (OptionFlags & str_FarEast) != 0; }
    TRTFRunList Runs() const;
    std::int64_t TotalSize() const;

    // Appends the serialised form, with or without the count prefix.
    void AppendTo(TBytes& aDest, bool IncludeLen = true) const;
    void SaveToStream(TStream& DataStream, bool IncludeLen = true) const;
    // Writes the serialised form into aPtr at aPos; fails when it does not fit.
    void CopyToPtr(TByteSpan aPtr, std::size_t aPos, bool IncludeLen = true) const;

    // Orders by count width, option byte, then text.
    int Compare(const TExcelString& Str2) const;

    TStrLenLength StrLenLength;
    std::uint16_t StrLen = 0;
    std::uint8_t OptionFlags = 0;
    std::u16string WideData;  // the text when 16-bit
    TBytes ShortData;         // the text when 8-bit, one byte per character
    std::uint16_t NumberRichTextFormats = 0;
    TBytes RichTextFormats;   // 4 bytes per run, as stored
    std::uint32_t FarEastDataSize = 0;
    TBytes FarEastData;

private:
    void CheckLenLength() const;
};

// Appends the characters of s to aDest as low bytes (8-bit) or UTF-16LE units.
void AppendChars(TBytes& aDest, std::u16string_view s, bool aWide);
// True when a character of s is above 255.
bool NeedsWide(std::u16string_view s);

}  // namespace xls
