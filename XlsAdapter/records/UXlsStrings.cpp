#include "records/UXlsStrings.h"

#include <algorithm>

namespace xls {

bool NeedsWide(std::u16string_view s)
{
    return std::any_of(s.begin(), s.end(), [](char16_t c) { return c > 0xFF; });
}

void AppendChars(TBytes& aDest, std::u16string_view s, bool aWide)
{
    for (char16_t c : s) {
        if (aWide)
            AppendWord(aDest, c);
        else
            AppendByte(aDest, static_cast<std::uint8_t>(c));
    }
}

TExcelString::TExcelString(TStrLenLength aStrLenLength) : StrLenLength(aStrLenLength)
{
    CheckLenLength();
}

TExcelString::TExcelString(TStrLenLength aStrLenLength, const TBaseRecord*& aRecord, std::size_t& aOfs,
                           TStringKind aKind)
    : TExcelString(aStrLenLength)
{
    Read(aRecord, aOfs, aKind);
}

TExcelString::TExcelString(TStrLenLength aStrLenLength, std::u16string_view s, bool ForceWide)
    : TExcelString(aStrLenLength)
{
    const std::size_t maxChars = aStrLenLength == 1 ? 0xFF : MaxStringChars;
    if (s.size() > maxChars) RaiseXls(TXlsMsg::InvalidStringRecord);
    StrLen = static_cast<std::uint16_t>(s.size());
    if (ForceWide || NeedsWide(s)) {
        OptionFlags = str_Wide;
        WideData = s;
    } else {
        OptionFlags = 0;
        AppendChars(ShortData, s, false);
    }
}

void TExcelString::CheckLenLength() const
{
    if (StrLenLength != 1 && StrLenLength != 2) RaiseXls(TXlsMsg::StrLenLengthInvalid);
}

void TExcelString::Read(const TBaseRecord*& aRecord, std::size_t& aOfs, TStringKind aKind)
{
    std::uint8_t field[4] = {};
    ReadAcross(aRecord, aOfs, StrLenLength, field);
    StrLen = StrLenLength == 1 ? field[0] : GetWord(field, 0);
    ReadAcross(aRecord, aOfs, 1, &OptionFlags);

    ShortData.clear();
    WideData.clear();
    RichTextFormats.clear();
    FarEastData.clear();
    NumberRichTextFormats = 0;
    FarEastDataSize = 0;
    if (aKind != TStringKind::RichExtended) {
        if (StrLen == 0) {
            OptionFlags = static_cast<std::uint8_t>(OptionFlags & ~(str_RichText | str_FarEast));
            return;
        }
        const bool onlyCharacters = !HasRichText() && !HasFarInfo() && !aRecord->Continue();
        if (aKind == TStringKind::Trailing && onlyCharacters) {
            const std::size_t left = (aRecord->DataSize() - aOfs) / CharSize();
            if (left < StrLen) StrLen = static_cast<std::uint16_t>(left);
        }
    }

    if (HasRichText()) {
        ReadAcross(aRecord, aOfs, 2, field);
        NumberRichTextFormats = GetWord(field, 0);
    }
    if (HasFarInfo()) {
        ReadAcross(aRecord, aOfs, 4, field);
        FarEastDataSize = GetCardinal(field, 0);
    }

    TCharsAcross chars;
    chars.CharCount = StrLen;
    chars.PieceOptions = OptionFlags;
    chars.Wide = (OptionFlags & str_Wide) != 0;
    if (chars.Wide)
        WideData.reserve(StrLen);
    else
        ShortData.reserve(StrLen);
    ReadCharsAcross(aRecord, aOfs, ShortData, WideData, chars);
    if (chars.Widened) OptionFlags |= str_Wide;

    RichTextFormats.resize(std::size_t(4) * NumberRichTextFormats);
    ReadAcross(aRecord, aOfs, RichTextFormats.size(), RichTextFormats.data());
    // The far-east size is a 32-bit field of the file: check it before allocating.
    if (FarEastDataSize > std::size_t(aRecord->DataSize()) - aOfs && BytesLeftAcross(aRecord, aOfs) < FarEastDataSize)
        RaiseXls(TXlsMsg::ErrorReadingRecord);
    FarEastData.resize(FarEastDataSize);
    ReadAcross(aRecord, aOfs, FarEastData.size(), FarEastData.data());
}

TXlsString TExcelString::Value() const
{
    if (OptionFlags & str_Wide) return WideData;
    return TXlsString(ShortData.begin(), ShortData.end());
}

TRTFRunList TExcelString::Runs() const
{
    TRTFRunList runs(NumberRichTextFormats);
    for (std::size_t i = 0; i < runs.size(); ++i)
        runs[i] = {GetWord(RichTextFormats, 4 * i), GetWord(RichTextFormats, 4 * i + 2)};
    return runs;
}

std::int64_t TExcelString::TotalSize() const
{
    std::int64_t size = StrLenLength + 1 + std::int64_t(StrLen) * CharSize();
    if (HasRichText()) size += 2 + 4 * std::int64_t(NumberRichTextFormats);
    if (HasFarInfo()) size += 4 + std::int64_t(FarEastDataSize);
    return size;
}

void TExcelString::AppendTo(TBytes& aDest, bool IncludeLen) const
{
    CheckLenLength();
    if (IncludeLen) {
        if (StrLenLength == 1)
            AppendByte(aDest, static_cast<std::uint8_t>(StrLen));
        else
            AppendWord(aDest, StrLen);
    }
    AppendByte(aDest, OptionFlags);
    if (HasRichText()) AppendWord(aDest, NumberRichTextFormats);
    if (HasFarInfo()) AppendCardinal(aDest, FarEastDataSize);
    if (OptionFlags & str_Wide)
        AppendChars(aDest, WideData, true);
    else
        aDest.insert(aDest.end(), ShortData.begin(), ShortData.end());
    if (HasRichText()) aDest.insert(aDest.end(), RichTextFormats.begin(), RichTextFormats.end());
    if (HasFarInfo()) aDest.insert(aDest.end(), FarEastData.begin(), FarEastData.end());
}

void TExcelString::SaveToStream(TStream& DataStream, bool IncludeLen) const
{
    TBytes bytes;
    AppendTo(bytes, IncludeLen);
    DataStream.Write(bytes.data(), bytes.size());
}

void TExcelString::CopyToPtr(TByteSpan aPtr, std::size_t aPos, bool IncludeLen) const
{
    TBytes bytes;
    AppendTo(bytes, IncludeLen);
    CheckField(aPtr.size(), aPos, bytes.size());
    std::copy(bytes.begin(), bytes.end(), aPtr.begin() + static_cast<std::ptrdiff_t>(aPos));
}

namespace {

template <class T>
int Sign(T a, T b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

}  // namespace

int TExcelString::Compare(const TExcelString& Str2) const
{
    if (int c = Sign(StrLenLength, Str2.StrLenLength)) return c;
    if (int c = Sign(OptionFlags, Str2.OptionFlags)) return c;
    if (OptionFlags & str_Wide) return Sign(WideData.compare(Str2.WideData), 0);
    if (int c = Sign(ShortData.size(), Str2.ShortData.size())) return c;
    return Sign(ShortData, Str2.ShortData);
}

}  // namespace xls
