// Strings read across CONTINUE records, the shared string table (load, add,
// sort, purge, save with CONTINUE splitting and EXTSST) and the text cells.
#include <gtest/gtest.h>

#include "RecordTestSupport.h"
#include "base/UXlsUnicode.h"
#include "globals/UXlsSST.h"

using namespace rectest;

namespace {

// A record with a CONTINUE chain: pieces[0] is its data, the rest the CONTINUE data.
template <class T = TBaseRecord>
std::unique_ptr<T> Chain(std::uint16_t aId, const std::vector<TBytes>& aPieces)
{
    auto rec = std::make_unique<T>(aId, aPieces.at(0));
    TBaseRecord* last = rec.get();
    for (std::size_t i = 1; i < aPieces.size(); ++i) {
        auto c = std::make_unique<TContinueRecord>(xlr_CONTINUE, aPieces[i]);
        TBaseRecord* next = c.get();
        last->AddContinue(std::move(c));
        last = next;
    }
    return rec;
}

TBytes B(std::initializer_list<int> aBytes)
{
    TBytes b;
    for (int v : aBytes) b.push_back(static_cast<std::uint8_t>(v));
    return b;
}

// A serialised 8-bit string with a 2-byte count.
TBytes Str8(std::string_view s)
{
    TBytes b;
    AppendWord(b, static_cast<std::uint16_t>(s.size()));
    AppendByte(b, 0);
    b.insert(b.end(), s.begin(), s.end());
    return b;
}

TBytes Str16(std::u16string_view s)
{
    TBytes b;
    AppendWord(b, static_cast<std::uint16_t>(s.size()));
    AppendByte(b, 1);
    AppendChars(b, s, true);
    return b;
}

TBytes SSTHeader(std::uint32_t aCount)
{
    TBytes b;
    AppendCardinal(b, aCount);
    AppendCardinal(b, aCount);
    return b;
}

TXlsString Repeat(std::u16string_view s, std::size_t n)
{
    TXlsString r;
    for (std::size_t i = 0; i < n; ++i) r += s;
    return r;
}

std::vector<TRichString> Texts(const TSST& aSST)
{
    std::vector<TRichString> t;
    for (std::size_t i = 0; i < aSST.Count(); ++i) t.push_back(aSST.EntryRichText(aSST.Items(i)));
    return t;
}

}  // namespace

TEST(ExcelString, ReadsAcrossContinueRecords)
{
    struct Case {
        const char* What;
        std::vector<TBytes> Pieces;
        TXlsString Value;
        bool Wide;
        TRTFRunList Runs;
        std::uint32_t FarEast;
    };
    const Case cases[] = {
        {"one record", {Str8("abc")}, u"abc", false, {}, 0},
        {"8-bit in two pieces", {B({5, 0, 0, 'a', 'b'}), B({0, 'c', 'd', 'e'})}, u"abcde", false, {}, 0},
        {"8-bit, then a 16-bit piece", {B({4, 0, 0, 'a', 'b'}), B({1, 'c', 0, 0x2D, 0x4E})}, u"abc\u4E2D", true, {}, 0},
        {"16-bit, then an 8-bit piece", {B({3, 0, 1, 'a', 0}), B({0, 'b', 'c'})}, u"abc", true, {}, 0},
        {"header at the record end", {B({2, 0, 0}), B({0, 'x', 'y'})}, u"xy", false, {}, 0},
        {"runs and far-east data split without option byte",
         {B({2, 0, 0x0C, 1, 0, 3, 0, 0, 0, 'x', 'y', 0, 0}), B({5, 0, 0xFA, 0xFB}), B({0xFC})},
         u"xy",
         false,
         {{0, 5}},
         3},
    };
    for (const auto& c : cases) {
        auto rec = Chain(0x1234, c.Pieces);
        const TBaseRecord* cur = rec.get();
        std::size_t pos = 0;
        TExcelString s(2, cur, pos);
        EXPECT_EQ(s.Value(), c.Value) << c.What;
        EXPECT_EQ(s.CharSize(), c.Wide ? 2 : 1) << c.What;
        EXPECT_EQ(s.Runs(), c.Runs) << c.What;
        EXPECT_EQ(s.FarEastDataSize, c.FarEast) << c.What;
        EXPECT_EQ(s.TotalSize(), 3 + std::int64_t(c.Value.size()) * s.CharSize() +
                                     (c.Runs.empty() ? 0 : 2 + 4 * std::int64_t(c.Runs.size())) +
                                     (c.FarEast ? 4 + c.FarEast : 0))
            << c.What;
        // The cursor stands behind the string.
        EXPECT_EQ(BytesLeftAcross(cur, pos), 0) << c.What;
        TBytes out;
        s.AppendTo(out);
        EXPECT_EQ(std::int64_t(out.size()), s.TotalSize()) << c.What;
    }
}

TEST(ExcelString, ReadsStringsOneAfterAnother)
{
    auto rec = Chain(0x1234, {B({2, 0, 0, 'a', 'b', 1, 0, 0}), B({1, 'Z', 0, 3, 0, 'q', 'r', 's'})});
    const TBaseRecord* cur = rec.get();
    std::size_t pos = 0;
    EXPECT_EQ(TExcelString(2, cur, pos).Value(), u"ab");
    EXPECT_EQ(TExcelString(2, cur, pos).Value(), u"Z");
    EXPECT_EQ(TExcelString(1, cur, pos).Value(), u"qrs");
}

TEST(ExcelString, BadChainsAreRefused)
{
    struct Case {
        const char* What;
        std::vector<TBytes> Pieces;
    };
    const Case cases[] = {
        {"count beyond the chain", {B({9, 0, 0, 'a', 'b'})}},
        {"count beyond the CONTINUE records", {B({9, 0, 0, 'a', 'b'}), B({0, 'c'})}},
        {"a 16-bit character cut by the record end", {B({2, 0, 1, 'a'}), B({1, 0, 'b', 0})}},
        {"empty CONTINUE where the characters go on", {B({2, 0, 0, 'a'}), TBytes{}}},
        {"far-east size beyond the chain", {B({1, 0, 4, 0xFF, 0xFF, 0xFF, 0xFF, 'a'})}},
        {"run count beyond the chain", {B({1, 0, 8, 0xFF, 0xFF, 'a', 0, 0, 1, 0})}},
        {"no option byte", {B({1, 0})}},
    };
    for (const auto& c : cases) {
        auto rec = Chain(0x1234, c.Pieces);
        const TBaseRecord* cur = rec.get();
        std::size_t pos = 0;
        EXPECT_EQ(ErrorOf([&] { TExcelString(2, cur, pos); }), "Error reading record") << c.What;
    }
}

// What other readers take from strings that bend the form: a plain string of
// no characters ends behind its option byte, whatever bits it has; a
// shared string reads the runs its bits announce; a trailing string holds
// the characters its record has, where its count claims more.
TEST(ExcelString, StringsThatBendTheFormReadAsOtherReadersTakeThem)
{
    struct Case {
        const char* What;
        TStringKind Kind;
        std::vector<TBytes> Pieces;
        std::u16string Text;
        std::size_t End;  // the position behind the string in the last piece read
    };
    const Case cases[] = {
        {"plain, no characters, rich and far-east bits", TStringKind::Plain, {B({0, 0, 0x3A, 0x5F, 0x28, 9, 9})}, u"", 3},
        {"shared, no characters, one run", TStringKind::RichExtended, {B({0, 0, 8, 1, 0, 0, 0, 1, 0})}, u"", 9},
        {"trailing, one character short", TStringKind::Trailing, {B({3, 0, 0, 'a', 'b'})}, u"ab", 5},
        {"trailing, 16-bit, one character short", TStringKind::Trailing, {B({2, 0, 1, 'a', 0})}, u"a", 5},
        {"trailing, the rest in a CONTINUE", TStringKind::Trailing, {B({3, 0, 0, 'a', 'b'}), B({0, 'c'})}, u"abc", 2},
    };
    for (const auto& c : cases) {
        auto rec = Chain(0x1234, c.Pieces);
        const TBaseRecord* cur = rec.get();
        std::size_t pos = 0;
        EXPECT_EQ(TExcelString(2, cur, pos, c.Kind).Value(), c.Text) << c.What;
        EXPECT_EQ(pos, c.End) << c.What;
    }
    // Short of what its bits announce, a trailing string is still refused.
    auto rich = Chain(0x1234, {B({3, 0, 8, 1, 0, 'a', 'b'})});
    const TBaseRecord* cur = rich.get();
    std::size_t pos = 0;
    EXPECT_EQ(ErrorOf([&] { TExcelString(2, cur, pos, TStringKind::Trailing); }), "Error reading record");
}

TEST(ExcelString, BuildsFromText)
{
    struct Case {
        TStrLenLength LenLength;
        std::u16string Text;
        bool ForceWide;
        TBytes Expected;
    };
    const Case cases[] = {
        {2, u"abc", false, B({3, 0, 0, 'a', 'b', 'c'})},
        {2, u"ab", true, B({2, 0, 1, 'a', 0, 'b', 0})},
        {1, u"\u00E4\u4E2D", false, B({2, 1, 0xE4, 0, 0x2D, 0x4E})},
        {1, u"", false, B({0, 0})},
    };
    for (const auto& c : cases) {
        TExcelString s(c.LenLength, c.Text, c.ForceWide);
        EXPECT_EQ(s.Value(), c.Text);
        TBytes out;
        s.AppendTo(out);
        EXPECT_EQ(out, c.Expected);
        EXPECT_EQ(std::int64_t(out.size()), s.TotalSize());
        TBytes noLen;
        s.AppendTo(noLen, false);
        EXPECT_EQ(noLen, TBytes(c.Expected.begin() + c.LenLength, c.Expected.end()));
        TMemoryStream stream;
        s.SaveToStream(stream);
        EXPECT_EQ(stream.Bytes(), c.Expected);
        TBytes block(c.Expected.size() + 3, 0xEE);
        s.CopyToPtr(block, 3);
        EXPECT_EQ(TBytes(block.begin() + 3, block.end()), c.Expected);
        EXPECT_EQ(ErrorOf([&] { s.CopyToPtr(block, 4); }), "Error reading record");
    }
    EXPECT_NO_THROW(TExcelString(1, std::u16string(255, u'x'), false));
    EXPECT_EQ(ErrorOf([] { TExcelString(1, std::u16string(256, u'x'), false); }), "Invalid String record");
    EXPECT_EQ(ErrorOf([] { TExcelString(2, std::u16string(65536, u'x'), false); }), "Invalid String record");
    EXPECT_EQ(ErrorOf([] { TExcelString(3, u"x", false); }), "StrLenLength should be 1 or 2");
}

TEST(ExcelString, Compare)
{
    auto cmp = [](TExcelString a, TExcelString b) { return a.Compare(b); };
    EXPECT_EQ(cmp(TExcelString(2, u"abc", false), TExcelString(2, u"abc", false)), 0);
    EXPECT_EQ(cmp(TExcelString(1, u"abc", false), TExcelString(2, u"abc", false)), -1);
    EXPECT_EQ(cmp(TExcelString(2, u"abc", true), TExcelString(2, u"abc", false)), 1);
    EXPECT_EQ(cmp(TExcelString(2, u"zz", false), TExcelString(2, u"abc", false)), -1);  // shorter first
    EXPECT_EQ(cmp(TExcelString(2, u"abd", false), TExcelString(2, u"abc", false)), 1);
    EXPECT_EQ(cmp(TExcelString(2, u"b", true), TExcelString(2, u"ab", true)), 1);  // ordinal for 16-bit
}

TEST(SST, AddStringSharesEqualEntries)
{
    TSST sst;
    const std::size_t first = sst.AddString(u"Chip");
    const std::size_t used = sst.UsedSize();
    EXPECT_EQ(sst.AddString(u"Chip"), first);
    EXPECT_EQ(sst.UsedSize(), used);  // the tentative bytes were given back
    EXPECT_EQ(sst.Count(), 1u);
    EXPECT_EQ(sst.RefCount(sst.Items(first)), 2u);

    sst.AddString(u"Chip", {{0, 1}});  // runs make a distinct entry
    sst.AddString(u"Ch\u00EFp");
    EXPECT_EQ(sst.Count(), 3u);
    TSaved saved = SaveAndReload(sst);
    EXPECT_EQ(GetCardinal(saved.Bytes, 4), 4u);  // total references
    EXPECT_EQ(GetCardinal(saved.Bytes, 8), 3u);  // unique strings
}

// A 16-bit string whose characters fit 8 bits is written 8-bit; it is held
// that way from the load on, so that a saved table reads back in the order
// it was written.
TEST(SST, SameTextEightAndSixteenBitFromAFileStaysThreeEightBitEntries)
{
    auto rec = Chain<TSSTRecord>(xlr_SST, {Cat({SSTHeader(3), Str8("ab"), Str16(u"ab"), Str8("ab")})});
    TSST sst;
    sst.Load(*rec);
    EXPECT_EQ(sst.Count(), 3u);
    EXPECT_FALSE(sst.Sorted());
    sst.Sort();
    EXPECT_EQ(sst.EntryText(sst.Items(0)), u"ab");
    for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(sst.EntryString(sst.Items(i)).size(), 5u) << i;
    EXPECT_EQ(sst.RefCount(sst.Items(0)) + sst.RefCount(sst.Items(1)) + sst.RefCount(sst.Items(2)), 0u);
    const std::size_t hit = sst.AddString(u"ab");
    EXPECT_LE(hit, 1u);  // the first of the equal 8-bit entries
    EXPECT_EQ(sst.Count(), 3u);
    EXPECT_EQ(sst.RefCount(sst.Items(hit)), 1u);
}

TEST(SST, CellsFollowTheirEntriesThroughSortPurgeAndSave)
{
    TSST sst;
    auto a = TLabelSSTRecord::CreateFromData(0, 0, 15, sst);
    auto b = TLabelSSTRecord::CreateFromData(1, 0, 15, sst);
    auto c = TLabelSSTRecord::CreateFromData(2, 0, 15, sst);
    a->SetAsString(u"zebra");
    b->SetAsString(u"apple");
    c->SetValue(TXlsString(u"mm"));
    EXPECT_EQ(a->GetValue(), TXlsVariant(TXlsString(u"zebra")));

    // Setting a cell to its own text leaves the table as it is.
    const std::size_t used = sst.UsedSize();
    a->SetAsString(u"zebra");
    EXPECT_EQ(sst.UsedSize(), used);
    EXPECT_EQ(sst.Count(), 3u);
    EXPECT_EQ(sst.RefCount(static_cast<TSSTEntry>(a->SSTEntry())), 1u);

    auto cellIndex = [&](TLabelSSTRecord& cell) {
        TBytes out = Written([&](TOle2File& w) { cell.SaveToStream(w); });
        return GetCardinal(out, 4 + 6);
    };
    sst.FixRefs();
    TSaved saved = SaveAndReload(sst);
    // Entry order: shorter strings first, then by bytes.
    EXPECT_EQ(saved.Strings, (std::vector<TRichString>{{u"mm", {}}, {u"apple", {}}, {u"zebra", {}}}));
    EXPECT_EQ(cellIndex(*c), 0u);
    EXPECT_EQ(cellIndex(*b), 1u);
    EXPECT_EQ(cellIndex(*a), 2u);

    // "zebra" loses its only user: the next save leaves it out and renumbers.
    a->SetAsString(u"mm");
    EXPECT_EQ(sst.RefCount(sst.Items(0)), 2u);
    sst.FixRefs();
    saved = SaveAndReload(sst);
    EXPECT_EQ(saved.Strings, (std::vector<TRichString>{{u"mm", {}}, {u"apple", {}}}));
    EXPECT_EQ(cellIndex(*a), 0u);
    EXPECT_EQ(cellIndex(*b), 1u);

    // Copies count as users; destroying a cell releases its entry.
    auto copy = CopyRecord(b.get());
    EXPECT_EQ(sst.RefCount(sst.Items(1)), 2u);
    copy.reset();
    b.reset();
    EXPECT_EQ(sst.RefCount(sst.Items(1)), 0u);
    sst.FixRefs();
    EXPECT_EQ(sst.Count(), 1u);
}

TEST(SST, ReferenceCountsGoPastSixteenBits)
{
    TSST sst;
    for (int i = 0; i < 70000; ++i) sst.AddString(u"x");
    EXPECT_EQ(sst.RefCount(sst.Items(0)), 70000u);
    TSaved saved = SaveAndReload(sst);
    EXPECT_EQ(GetCardinal(saved.Bytes, 4), 70000u);
}

TEST(SST, CountBeyondTheRecordChainIsRefused)
{
    auto rec = Chain<TSSTRecord>(xlr_SST, {Cat({SSTHeader(3), Str8("eins")}), Str8("zwei")});
    TSST sst;
    EXPECT_EQ(ErrorOf([&] { sst.Load(*rec); }), "Error reading record");
    // A count far beyond the data reserves nothing it cannot hold.
    auto huge = Chain<TSSTRecord>(xlr_SST, {Cat({SSTHeader(0xFFFFFFFF), Str8("eins")})});
    TSST other;
    EXPECT_EQ(ErrorOf([&] { other.Load(*huge); }), "Error reading record");
}

TEST(SST, LoadedCellsAttachByIndex)
{
    auto rec = Chain<TSSTRecord>(xlr_SST, {Cat({SSTHeader(2), Str8("erste"), Str16(u"zweite \u4E2D")})});
    TSST sst;
    sst.Load(*rec);
    auto cell = [](std::uint32_t index) {
        TBytes d(10, 0);
        SetCardinal(d, 6, index);
        return std::make_unique<TLabelSSTRecord>(xlr_LABELSST, d);
    };
    auto second = cell(1);
    second->AttachToSST(sst);
    EXPECT_EQ(second->AsString(), u"zweite \u4E2D");
    EXPECT_EQ(sst.RefCount(sst.Items(1)), 1u);
    auto beyond = cell(2);
    EXPECT_EQ(ErrorOf([&] { beyond->AttachToSST(sst); }), "Error reading Excel records. File invalid");
    EXPECT_EQ(sst.RefCount(sst.Items(0)) + sst.RefCount(sst.Items(1)), 1u);

    // A cell never attached is written as it was read.
    auto unattached = cell(7);
    EXPECT_TRUE(SameBytes(Written([&](TOle2File& w) { unattached->SaveToStream(w); }),
                          Rec(xlr_LABELSST, TBytes(unattached->Data().begin(), unattached->Data().end()))));
    EXPECT_EQ(ErrorOf([&] { unattached->AsString(); }), "Tabora: Logical Error");

    // File indexes mean nothing once the table is sorted.
    sst.Sort();
    EXPECT_EQ(ErrorOf([&] { cell(0)->AttachToSST(sst); }), "Tabora: Logical Error");
}

TEST(SST, EmptyTableAndExtSSTBuckets)
{
    TSST sst;
    const TBytes expected = B({0xFC, 0, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0, 2, 0, 8, 0});
    EXPECT_EQ(sst.TotalSize(), 18);
    EXPECT_TRUE(SameBytes(Written([&](TOle2File& w) { sst.SaveToStream(w); }), expected));

    struct Case {
        std::size_t Entries;
        std::uint16_t BucketSize;
        std::size_t Buckets;
    };
    for (const Case c : {Case{0, 8, 0}, Case{1, 8, 1}, Case{8, 8, 1}, Case{9, 8, 2}, Case{1000, 8, 125},
                         Case{1023, 8, 128}, Case{1024, 9, 114}, Case{2000, 16, 125}, Case{200000, 1563, 128}}) {
        EXPECT_EQ(TSST::ExtSSTBucketSize(c.Entries), c.BucketSize) << c.Entries;
        EXPECT_EQ(TSST::ExtSSTBucketCount(c.Entries), c.Buckets) << c.Entries;
    }
}

TEST(SST, TwentyThousandStrings)
{
    TSST sst;
    std::vector<TXlsString> added;
    for (int i = 0; i < 20000; ++i) {
        TXlsString s = u"Text " + TXlsString(Utf8ToUtf16(std::to_string(i)));
        if (i % 7 == 0) s += u" \u03A9";  // some 16-bit
        sst.AddString(s);
        added.push_back(s);
    }
    EXPECT_EQ(sst.Count(), 20000u);
    TSaved saved = SaveAndReload(sst);
    ASSERT_EQ(saved.Strings.size(), 20000u);
    EXPECT_EQ(saved.Strings, Texts(sst));
    std::vector<TXlsString> reloaded;
    for (const auto& s : saved.Strings) reloaded.push_back(s.Value);
    std::sort(reloaded.begin(), reloaded.end());
    std::sort(added.begin(), added.end());
    EXPECT_EQ(reloaded, added);
}

// A string is never started in the last 32 bytes of a record.
TEST(SST, LongStringsStartingNearARecordEnd)
{
    for (std::size_t length : {300u, 9000u}) {
        const std::string filler(8203, 'f');  // SST header 12 + 3 + 8203 leaves 10 bytes of room
        const std::string text(length, 'x');
        const TBytes longString = Str8(text);
        std::vector<TBytes> pieces{Cat({SSTHeader(2), Str8(filler)})};
        const std::size_t firstPart = std::min<std::size_t>(longString.size(), MaxRecordDataSize);
        pieces.emplace_back(longString.begin(), longString.begin() + static_cast<std::ptrdiff_t>(firstPart));
        if (firstPart < longString.size())
            pieces.push_back(Cat({B({0}), TBytes(longString.begin() + static_cast<std::ptrdiff_t>(firstPart), longString.end())}));
        auto rec = Chain<TSSTRecord>(xlr_SST, pieces);
        TSST sst;
        sst.Load(*rec);
        ASSERT_EQ(sst.EntryText(sst.Items(1)).size(), length);

        TSaved saved = SaveAndReload(sst);
        EXPECT_EQ(saved.Strings, Texts(sst)) << length;
        // The SST record ends behind the filler; the next string opens the CONTINUE record.
        EXPECT_EQ(GetWord(saved.Bytes, 2), 8 + 3 + 8203) << length;
        const std::size_t cont = 4 + 8 + 3 + 8203;
        EXPECT_EQ(GetWord(saved.Bytes, cont), xlr_CONTINUE) << length;
        EXPECT_EQ(GetWord(saved.Bytes, cont + 4), length) << length;
        EXPECT_EQ(saved.Bytes[cont + 6], 0) << length;
    }
}

TEST(SST, SixteenBitStringsChangeWidthAtRecordBoundaries)
{
    TSST sst;
    const TXlsString highThenLow = Repeat(u"\u4E2D", 5000) + Repeat(u"a", 9000);
    const TXlsString lowThenHigh = Repeat(u"b", 9000) + Repeat(u"\u00FF\u0100", 3000);
    const TXlsString allLow = Repeat(u"c\u00E9", 10);
    sst.AddString(highThenLow);
    sst.AddString(lowThenHigh);
    TSaved saved = SaveAndReload(sst);
    EXPECT_EQ(saved.Strings, Texts(sst));

    // The option bytes of the pieces: at least one CONTINUE says 8-bit, one 16-bit.
    int narrow = 0, wide = 0;
    for (std::size_t pos = 0; pos + 4 <= saved.Bytes.size(); pos += 4u + GetWord(saved.Bytes, pos + 2)) {
        if (GetWord(saved.Bytes, pos) != xlr_CONTINUE) continue;
        (saved.Bytes[pos + 4] ? wide : narrow)++;
    }
    EXPECT_GE(narrow, 1);
    EXPECT_GE(wide, 1);

    // A 16-bit string that holds only characters below 256 is written 8-bit.
    auto rec = Chain<TSSTRecord>(xlr_SST, {Cat({SSTHeader(1), Str16(allLow)})});
    TSST fromFile;
    fromFile.Load(*rec);
    TSaved small = SaveAndReload(fromFile);
    EXPECT_EQ(small.Strings.at(0).Value, allLow);
    EXPECT_EQ(small.Bytes.at(4 + 8 + 2), 0);  // option byte
    EXPECT_EQ(GetWord(small.Bytes, 2), 8 + 3 + allLow.size());
}

TEST(SST, RichTextRunsAndFarEastBlocksAcrossRecords)
{
    TSST sst;
    TRTFRunList runs;
    for (std::uint16_t i = 0; i < 3000; ++i) runs.push_back({i, static_cast<std::uint16_t>(i % 7)});
    sst.AddString(Repeat(u"r", 3000), runs);
    sst.AddString(u"kurz", {{0, 1}, {2, 3}});

    TBytes farEast;
    AppendWord(farEast, 3);
    AppendByte(farEast, 0x04);
    AppendCardinal(farEast, 10000);
    for (char c : std::string("abc")) AppendByte(farEast, static_cast<std::uint8_t>(c));
    TBytes phonetic(10000);
    for (std::size_t i = 0; i < phonetic.size(); ++i) phonetic[i] = static_cast<std::uint8_t>(i * 7);
    const TBytes withPhonetic = Cat({farEast, phonetic});
    const TBytes first = Cat({SSTHeader(1), TBytes(withPhonetic.begin(), withPhonetic.begin() + 8000)});
    auto rec = Chain<TSSTRecord>(xlr_SST, {first, TBytes(withPhonetic.begin() + 8000, withPhonetic.end())});
    TSST fromFile;
    fromFile.Load(*rec);
    ASSERT_EQ(fromFile.Count(), 1u);
    EXPECT_EQ(fromFile.EntryText(fromFile.Items(0)), u"abc");
    TByteView loaded = fromFile.EntryString(fromFile.Items(0));
    EXPECT_TRUE(SameBytes(TBytes(loaded.begin(), loaded.end()), withPhonetic));

    TSaved saved = SaveAndReload(sst);
    EXPECT_EQ(saved.Strings, Texts(sst));
    EXPECT_EQ(saved.Strings.at(1).RTFRuns.size(), 3000u);
    TSaved savedFarEast = SaveAndReload(fromFile);
    EXPECT_TRUE(SameBytes(savedFarEast.Entries.at(0), withPhonetic));
}

TEST(TextCells, LabelAndRStringKeepTheirBytes)
{
    TBytes label(6, 0);
    const TBytes text = Str16(u"Gr\u00FC\u00DFe \u4E2D");
    label.insert(label.end(), text.begin(), text.end());
    TLabelRecord cell(xlr_LABEL, label);
    EXPECT_EQ(cell.GetValue(), TXlsVariant(TXlsString(u"Gr\u00FC\u00DFe \u4E2D")));

    TBytes rstring = Cat({TBytes(6, 0), Str8("fett"), B({2, 0, 0, 0, 5, 0, 2, 0, 6, 0})});
    TRStringRecord rich(xlr_RSTRING, rstring);
    EXPECT_EQ(rich.GetValue(), TXlsVariant(TXlsString(u"fett")));
    EXPECT_EQ(rich.AsRichString(), (TRichString{u"fett", {{0, 5}, {2, 6}}}));
    // A cell whose runs are cut off is refused when it is read, not when its text is asked for.
    EXPECT_EQ(ErrorOf([&] { TRStringRecord(xlr_RSTRING, Cat({TBytes(6, 0), Str8("fett"), B({2, 0, 0, 0})})); }),
              "Error reading record");
}

// The sort compares a prefix of the bytes first; strings that differ only
// behind it, or are equal, must still come out in entry order, equal ones by
// offset.
TEST(SST, SortKeepsEntryOrderAroundThePrefix)
{
    const std::string base = "0123456789abcdefgh";
    std::vector<TBytes> strings;
    for (const std::string& s : {base + "z", base + "a", base, base + "a", std::string("b"), std::string("a"),
                                 base.substr(0, 4) + "y", base.substr(0, 4) + "x", base.substr(0, 5) + "z",
                                 base.substr(0, 13) + "y", base.substr(0, 13) + "x", base.substr(0, 14) + "z"})
        strings.push_back(Str8(s));
    strings.push_back(Str16(u"0123456789abcdefgha"));
    TBytes body = SSTHeader(static_cast<std::uint32_t>(strings.size()));
    for (const TBytes& s : strings) body.insert(body.end(), s.begin(), s.end());
    auto rec = Chain<TSSTRecord>(xlr_SST, {body});
    TSST sst;
    sst.Load(*rec);
    sst.Sort();
    ASSERT_EQ(sst.Count(), strings.size());
    // Entry order: shorter first, then the bytes as unsigned.
    const auto key = [&](TSSTEntry e) {
        const TByteView s = sst.EntryString(e);
        return std::make_pair(s.size(), TBytes(s.begin(), s.end()));
    };
    for (std::size_t i = 1; i < sst.Count(); ++i) {
        const TSSTEntry prev = sst.Items(i - 1), next = sst.Items(i);
        EXPECT_LE(key(prev), key(next)) << i;
        if (key(prev) == key(next)) {
            EXPECT_LT(prev, next) << "equal entries in load order at " << i;
        }
    }
    for (std::size_t i = 0; i < sst.Count(); ++i) {
        std::size_t found;
        EXPECT_TRUE(sst.Find(sst.Items(i), found)) << i;
    }
}
