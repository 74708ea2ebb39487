#include "globals/UXlsSST.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

namespace xls {

namespace {

// Entry header fields.
constexpr std::size_t ehRefCount = 0;
constexpr std::size_t ehStreamPos = 4;
constexpr std::size_t ehRecordOfs = 8;
constexpr std::size_t ehSaveIndex = 12;

// The largest store: entry offsets must stay valid 32-bit signed values.
constexpr std::size_t MaxStoreSize = std::size_t(std::numeric_limits<std::int32_t>::max());

// The layout of a serialised string with a 2-byte count.
struct TStringLayout {
    std::uint16_t CharCount;
    std::uint8_t Options;
    std::uint16_t RunCount;
    std::uint32_t FarEastSize;
    std::size_t HeaderSize;  // count, option byte, run count, far-east size

    bool Wide() const { return (Options & str_Wide) != 0; }
    std::size_t CharBytes() const { return std::size_t(CharCount) * (Wide() ? 2 : 1); }
    std::size_t RunBytes() const { return 4 * std::size_t(RunCount); }
    std::size_t TotalSize() const { return HeaderSize + CharBytes() + RunBytes() + FarEastSize; }
};

TStringLayout ReadLayout(TByteView aString)
{
    TStringLayout l{GetWord(aString, 0), GetByte(aString, 2), 0, 0, 3};
    if (l.Options & str_RichText) {
        l.RunCount = GetWord(aString, l.HeaderSize);
        l.HeaderSize += 2;
    }
    if (l.Options & str_FarEast) {
        l.FarEastSize = GetCardinal(aString, l.HeaderSize);
        l.HeaderSize += 4;
    }
    return l;
}

// Compares as the 8 bytes at p compare with memcmp.
std::uint64_t BigEndian64(const std::uint8_t* p)
{
    std::uint64_t v = 0;
    for (int i = 0; i < 8; ++i) v = v << 8 | p[i];
    return v;
}

}  // namespace

// A big sheet's text cells: the entry sits in the room the base record leaves.
static_assert(sizeof(void*) != 8 || sizeof(TLabelSSTRecord) <= 48);

// ------------------------------------------------------------------ TSSTRecord

TSSTRecord::TSSTRecord(std::uint16_t aId, TByteView aData) : TRecordClass(aId, aData)
{
    FCount = GetCardinal(Data(), 4);
}

// ------------------------------------------------------------------- the store

TSSTEntry TSST::Items(std::size_t aIndex) const
{
    if (aIndex >= FEntries.size()) RaiseXls(TXlsMsg::ListIndexOutOfBounds, {std::int64_t(aIndex)});
    return FEntries[aIndex];
}

void TSST::CheckEntry(TSSTEntry aEntry) const
{
    CheckField(FStore.size(), aEntry, SSTEntryHeaderSize + 3);
}

TByteView TSST::EntryString(TSSTEntry aEntry) const
{
    CheckEntry(aEntry);
    TByteView rest = TByteView(FStore).subspan(aEntry + SSTEntryHeaderSize);
    const std::size_t size = ReadLayout(rest).TotalSize();
    CheckField(rest.size(), 0, size);
    return rest.first(size);
}

std::size_t TSST::EntrySize(TSSTEntry aEntry) const
{
    return SSTEntryHeaderSize + EntryString(aEntry).size();
}

bool TSST::EntryLess(TSSTEntry a, TSSTEntry b) const
{
    TByteView sa = EntryString(a);
    TByteView sb = EntryString(b);
    if (sa.size() != sb.size()) return sa.size() < sb.size();
    return std::memcmp(sa.data(), sb.data(), sa.size()) < 0;
}

TSSTEntry TSST::AppendEntry(const TExcelString& aString)
{
    const std::size_t ofs = FStore.size();
    if (ofs + SSTEntryHeaderSize + std::size_t(aString.TotalSize()) > MaxStoreSize)
        RaiseXls(TXlsMsg::TooManyEntries, {std::int64_t(ofs), std::int64_t(MaxStoreSize)});
    FStore.resize(ofs + SSTEntryHeaderSize, 0);
    aString.AppendTo(FStore);
    return static_cast<TSSTEntry>(ofs);
}

TSSTEntry TSST::AppendTextEntry(std::u16string_view s, const TRTFRunList& RTFRuns)
{
    // An entry's count is 16-bit: longer texts cannot be shared strings.
    if (s.size() > MaxStringChars || RTFRuns.size() > 0xFFFF) RaiseXls(TXlsMsg::InvalidStringRecord);
    const bool wide = NeedsWide(s);
    const std::size_t ofs = FStore.size();
    const std::size_t size = SSTEntryHeaderSize + 3 + s.size() * (wide ? 2 : 1) +
                             (RTFRuns.empty() ? 0 : 2 + 4 * RTFRuns.size());
    if (ofs + size > MaxStoreSize) RaiseXls(TXlsMsg::TooManyEntries, {std::int64_t(ofs), std::int64_t(MaxStoreSize)});
    FStore.resize(ofs + SSTEntryHeaderSize, 0);
    AppendWord(FStore, static_cast<std::uint16_t>(s.size()));
    AppendByte(FStore, static_cast<std::uint8_t>((wide ? str_Wide : 0) | (RTFRuns.empty() ? 0 : str_RichText)));
    if (!RTFRuns.empty()) AppendWord(FStore, static_cast<std::uint16_t>(RTFRuns.size()));
    AppendChars(FStore, s, wide);
    for (const TRTFRun& run : RTFRuns) {
        AppendWord(FStore, run.FirstChar);
        AppendWord(FStore, run.FontIndex);
    }
    return static_cast<TSSTEntry>(ofs);
}

void TSST::Load(const TSSTRecord& aSSTRecord)
{
    const TBaseRecord* rec = &aSSTRecord;
    std::size_t pos = 8;  // behind total references and unique count
    const std::uint32_t count = aSSTRecord.Count();
    if (count == 0) return;

    // Every string takes at least 3 bytes of the chain: the count from the
    // file cannot make us reserve more than the chain can hold.
    const std::int64_t chainBytes = std::max<std::int64_t>(0, aSSTRecord.TotalSizeNoHeaders() - 8);
    const auto maxStrings = static_cast<std::size_t>(std::min<std::int64_t>(count, chainBytes / 3));
    FEntries.reserve(FEntries.size() + maxStrings);
    FStore.reserve(FStore.size() + static_cast<std::size_t>(chainBytes) + SSTEntryHeaderSize * maxStrings);

    TExcelString s(2);  // one string object, its buffers reused for every entry
    for (std::uint32_t i = 0; i < count; ++i) {
        s.Read(rec, pos, TStringKind::RichExtended);
        NarrowWhenPossible(s);
        FEntries.push_back(AppendEntry(s));
    }
    FSorted = false;
}

void TSST::NarrowWhenPossible(TExcelString& aString)
{
    // The writer stores such text 8-bit anyway; kept 16-bit, the entry would
    // sort elsewhere once written and read back, and never equal the same
    // text added by a cell.
    if (!(aString.OptionFlags & str_Wide) || NeedsWide(aString.WideData)) return;
    aString.ShortData.assign(aString.WideData.begin(), aString.WideData.end());
    aString.WideData.clear();
    aString.OptionFlags = static_cast<std::uint8_t>(aString.OptionFlags & ~str_Wide);
}

void TSST::Sort()
{
    // A load sorts every string of the file. Each string is measured once and
    // its first 8 bytes kept as a number, so most comparisons touch no store
    // bytes; the keys stay at 16 bytes, as they add to a big load's peak. The
    // order is EntryLess's; equal strings keep their order by offset, so a
    // saved table reads back the same.
    constexpr std::size_t prefixSize = 8;
    struct TKey {
        std::uint64_t Prefix;
        TSSTEntry Entry;
        std::uint32_t Size;
    };
    const std::uint8_t* store = FStore.data();
    std::vector<TKey> keys;
    keys.reserve(FEntries.size());
    for (TSSTEntry e : FEntries) {
        const TByteView str = EntryString(e);
        std::array<std::uint8_t, prefixSize> head{};
        std::memcpy(head.data(), str.data(), std::min(str.size(), prefixSize));
        keys.push_back({BigEndian64(head.data()), e, static_cast<std::uint32_t>(str.size())});
    }
    const auto less = [store](const TKey& a, const TKey& b) {
        if (a.Size != b.Size) return a.Size < b.Size;
        if (a.Prefix != b.Prefix) return a.Prefix < b.Prefix;
        if (a.Size > prefixSize) {
            const std::size_t skip = SSTEntryHeaderSize + prefixSize;
            if (int c = std::memcmp(store + a.Entry + skip, store + b.Entry + skip, a.Size - prefixSize)) return c < 0;
        }
        return a.Entry < b.Entry;
    };
    std::sort(keys.begin(), keys.end(), less);
    for (std::size_t i = 0; i < keys.size(); ++i) FEntries[i] = keys[i].Entry;
    FSorted = true;
}

bool TSST::Find(TSSTEntry aEntry, std::size_t& aIndex)
{
    if (!FSorted) Sort();
    auto it = std::lower_bound(FEntries.begin(), FEntries.end(), aEntry,
                               [this](TSSTEntry a, TSSTEntry b) { return EntryLess(a, b); });
    aIndex = static_cast<std::size_t>(it - FEntries.begin());
    return it != FEntries.end() && !EntryLess(aEntry, *it);
}

std::size_t TSST::AddString(std::u16string_view s, const TRTFRunList& RTFRuns)
{
    if (!FSorted) Sort();
    const std::size_t used = FStore.size();
    const TSSTEntry entry = AppendTextEntry(s, RTFRuns);
    std::size_t index;
    if (Find(entry, index)) {
        FStore.resize(used);  // an equal entry exists: give the tentative bytes back
        AddRef(FEntries[index]);
        return index;
    }
    FEntries.insert(FEntries.begin() + static_cast<std::ptrdiff_t>(index), entry);
    SetCardinal(FStore, entry + ehRefCount, 1);
    return index;
}

void TSST::FixRefs()
{
    std::erase_if(FEntries, [this](TSSTEntry e) { return RefCount(e) == 0; });
}

std::uint32_t TSST::RefCount(TSSTEntry aEntry) const
{
    CheckEntry(aEntry);
    return GetCardinal(FStore, aEntry + ehRefCount);
}

void TSST::AddRef(TSSTEntry aEntry)
{
    const std::uint32_t count = RefCount(aEntry);
    if (count == std::numeric_limits<std::uint32_t>::max())
        RaiseXls(TXlsMsg::TooManyEntries, {std::int64_t(count) + 1, std::int64_t(count)});
    SetCardinal(FStore, aEntry + ehRefCount, count + 1);
}

void TSST::ReleaseRef(TSSTEntry aEntry)
{
    const std::uint32_t count = RefCount(aEntry);
    if (count > 0) SetCardinal(FStore, aEntry + ehRefCount, count - 1);
}

std::uint32_t TSST::SaveIndex(TSSTEntry aEntry) const
{
    CheckEntry(aEntry);
    return GetCardinal(FStore, aEntry + ehSaveIndex);
}

TRichString TSST::EntryRichText(TSSTEntry aEntry) const
{
    TByteView str = EntryString(aEntry);
    const TStringLayout l = ReadLayout(str);
    TRichString result;
    TByteView chars = str.subspan(l.HeaderSize, l.CharBytes());
    result.Value.reserve(l.CharCount);
    for (std::size_t i = 0; i < l.CharCount; ++i)
        result.Value.push_back(l.Wide() ? GetWord(chars, 2 * i) : chars[i]);
    TByteView runs = str.subspan(l.HeaderSize + l.CharBytes(), l.RunBytes());
    for (std::size_t i = 0; i < l.RunCount; ++i) result.RTFRuns.push_back({GetWord(runs, 4 * i), GetWord(runs, 4 * i + 2)});
    return result;
}

TXlsString TSST::EntryText(TSSTEntry aEntry) const
{
    return EntryRichText(aEntry).Value;
}

// ------------------------------------------------------------------------ save

std::uint16_t TSST::ExtSSTBucketSize(std::size_t aEntryCount)
{
    return static_cast<std::uint16_t>(std::max<std::size_t>(8, aEntryCount / 128 + 1));
}

std::size_t TSST::ExtSSTBucketCount(std::size_t aEntryCount)
{
    return aEntryCount == 0 ? 0 : (aEntryCount - 1) / ExtSSTBucketSize(aEntryCount) + 1;
}

// Writes (or, without a stream, only measures) the SST record and its
// CONTINUE records. One procedure for both keeps TotalSize equal to what
// SaveToStream writes.
class TSSTWriter {
public:
    // aTarget receives save indexes and positions; null when only measuring.
    TSSTWriter(const TSST& aSST, TOle2File* aStream, TSST* aTarget)
        : FSST(aSST), FStream(aStream), FTarget(aTarget)
    {
    }

    std::int64_t Run();

private:
    static constexpr std::size_t BufSize = 4 + MaxRecordDataSize;  // header + largest body
    static constexpr std::size_t MinRoomForString = 32;

    std::size_t Room() const { return BufSize - q; }
    void Put(TByteView aBytes);
    void EmitRecord();
    void Flush();
    void WriteEntry(TSSTEntry aEntry);
    void WriteChars(TByteView aChars, const TStringLayout& aLayout, std::size_t aOptionPos);
    void WriteSplit(TByteView aBytes);

    const TSST& FSST;
    TOle2File* FStream;
    TSST* FTarget;
    std::array<std::uint8_t, BufSize> FBuf{};
    std::size_t q = 0;               // bytes in FBuf
    std::int64_t FRecordStart = 0;   // stream position of the buffered record
    std::int64_t FWritten = 0;
};

void TSSTWriter::Put(TByteView aBytes)
{
    std::memcpy(FBuf.data() + q, aBytes.data(), aBytes.size());
    q += aBytes.size();
}

void TSSTWriter::EmitRecord()
{
    SetWord(FBuf, 2, static_cast<std::uint16_t>(q - 4));
    if (FStream) StreamWrite(*FStream, TByteView(FBuf).first(q));
    FWritten += static_cast<std::int64_t>(q);
    FRecordStart += static_cast<std::int64_t>(q);
}

void TSSTWriter::Flush()
{
    EmitRecord();
    SetWord(FBuf, 0, xlr_CONTINUE);
    SetWord(FBuf, 4, 0);
    q = 4;
}

std::int64_t TSSTWriter::Run()
{
    std::uint64_t references = 0;
    for (std::size_t i = 0; i < FSST.FEntries.size(); ++i) {
        references += FSST.RefCount(FSST.FEntries[i]);
        if (FTarget) SetCardinal(FTarget->FStore, FSST.FEntries[i] + ehSaveIndex, static_cast<std::uint32_t>(i));
    }
    if (FStream) FRecordStart = StreamPosition(*FStream);
    SetWord(FBuf, 0, xlr_SST);
    // The total is a 32-bit field: more uses than it can count are written as its maximum.
    SetCardinal(FBuf, 4, static_cast<std::uint32_t>(std::min<std::uint64_t>(references, 0xFFFFFFFFu)));
    SetCardinal(FBuf, 8, static_cast<std::uint32_t>(FSST.FEntries.size()));
    q = 12;
    for (TSSTEntry entry : FSST.FEntries) WriteEntry(entry);
    EmitRecord();
    return FWritten;
}

void TSSTWriter::WriteEntry(TSSTEntry aEntry)
{
    // A string header is never split: start a new record when little room is left.
    if (Room() < MinRoomForString) Flush();
    if (FTarget) {
        SetCardinal(FTarget->FStore, aEntry + ehStreamPos, static_cast<std::uint32_t>(FRecordStart + std::int64_t(q)));
        SetWord(FTarget->FStore, aEntry + ehRecordOfs, static_cast<std::uint16_t>(q));
    }
    TByteView str = FSST.EntryString(aEntry);
    const TStringLayout l = ReadLayout(str);
    const std::size_t optionPos = q + 2;
    Put(str.first(l.HeaderSize));
    WriteChars(str.subspan(l.HeaderSize, l.CharBytes()), l, optionPos);
    WriteSplit(str.subspan(l.HeaderSize + l.CharBytes(), l.RunBytes()));
    WriteSplit(str.subspan(l.HeaderSize + l.CharBytes() + l.RunBytes(), l.FarEastSize));
}

// Every piece is written 8-bit when that fits at least as many characters as
// 16-bit would; each CONTINUE that carries characters starts with the option
// byte of its piece.
void TSSTWriter::WriteChars(TByteView aChars, const TStringLayout& aLayout, std::size_t aOptionPos)
{
    const bool wide = aLayout.Wide();
    std::size_t done = 0;
    for (;;) {
        const std::size_t left = aLayout.CharCount - done;
        const std::size_t l = std::min(left, Room());
        const std::size_t m = std::min(left, Room() / 2);
        std::size_t narrow = l;
        if (wide) {
            narrow = 0;
            while (narrow < l && aChars[2 * (done + narrow) + 1] == 0) ++narrow;
        }
        if (narrow >= m) {
            FBuf[aOptionPos] &= static_cast<std::uint8_t>(~str_Wide);
            for (std::size_t i = 0; i < narrow; ++i) FBuf[q++] = wide ? aChars[2 * (done + i)] : aChars[done + i];
            done += narrow;
        } else {
            FBuf[aOptionPos] |= str_Wide;
            Put(aChars.subspan(2 * done, 2 * m));
            done += m;
        }
        if (done == aLayout.CharCount) return;
        Flush();
        aOptionPos = q;
        FBuf[q++] = 0;
    }
}

// Runs and far-east data continue without an option byte, in pieces of whole runs.
void TSSTWriter::WriteSplit(TByteView aBytes)
{
    while (!aBytes.empty()) {
        const std::size_t n = std::min(aBytes.size(), Room() & ~std::size_t(3));
        Put(aBytes.first(n));
        aBytes = aBytes.subspan(n);
        if (!aBytes.empty()) Flush();
    }
}

void TSST::SaveToStream(TOle2File& DataStream)
{
    TSSTWriter(*this, &DataStream, this).Run();
    WriteExtSST(DataStream);
}

void TSST::WriteExtSST(TOle2File& DataStream) const
{
    const std::uint16_t bucketSize = ExtSSTBucketSize(Count());
    const std::size_t buckets = ExtSSTBucketCount(Count());
    TBytes rec;
    AppendWord(rec, xlr_EXTSST);
    AppendWord(rec, static_cast<std::uint16_t>(2 + 8 * buckets));
    AppendWord(rec, bucketSize);
    for (std::size_t k = 0; k < buckets; ++k) {
        const TSSTEntry entry = FEntries[k * bucketSize];
        AppendCardinal(rec, GetCardinal(FStore, entry + ehStreamPos));
        AppendWord(rec, GetWord(FStore, entry + ehRecordOfs));
        AppendWord(rec, 0);
    }
    StreamWrite(DataStream, rec);
}

std::int64_t TSST::TotalSize() const
{
    return TSSTWriter(*this, nullptr, nullptr).Run() + 6 + 8 * std::int64_t(ExtSSTBucketCount(Count()));
}

// -------------------------------------------------------------- TLabelSSTRecord

TLabelSSTRecord::TLabelSSTRecord(const TLabelSSTRecord& other)
    : TSizedRecordClass(other), pSSTEntry(other.pSSTEntry), FSST(other.FSST)
{
    if (FSST && pSSTEntry != NoEntry) FSST->AddRef(static_cast<TSSTEntry>(pSSTEntry));
}

TLabelSSTRecord::~TLabelSSTRecord()
{
    if (!FSST || pSSTEntry == NoEntry) return;
    try {
        FSST->ReleaseRef(static_cast<TSSTEntry>(pSSTEntry));
    } catch (...) {  // a destructor must not throw; the entry stays counted
    }
}

std::unique_ptr<TLabelSSTRecord> TLabelSSTRecord::CreateFromData(std::uint16_t aRow, std::uint16_t aCol,
                                                                 std::uint16_t aXF, TSST& aSST)
{
    auto rec = std::make_unique<TLabelSSTRecord>(xlr_LABELSST, CellData(10, aRow, aCol, aXF));
    rec->FSST = &aSST;
    return rec;
}

void TLabelSSTRecord::AttachToSST(TSST& aSST)
{
    const std::uint32_t index = GetCardinal(Data(), 6);
    if (index >= aSST.Count()) RaiseXls(TXlsMsg::ExcelRecordsInvalid);
    // File indexes are list positions only while the table is in file order.
    if (aSST.Sorted()) RaiseXls(TXlsMsg::LogicalError);
    const TSSTEntry entry = aSST.Items(index);
    aSST.AddRef(entry);
    if (FSST && pSSTEntry != NoEntry) FSST->ReleaseRef(static_cast<TSSTEntry>(pSSTEntry));
    FSST = &aSST;
    pSSTEntry = static_cast<std::int32_t>(entry);
}

void TLabelSSTRecord::CheckLinked() const
{
    if (!FSST || pSSTEntry == NoEntry) RaiseXls(TXlsMsg::LogicalError);
}

TXlsString TLabelSSTRecord::AsString() const
{
    CheckLinked();
    return FSST->EntryText(static_cast<TSSTEntry>(pSSTEntry));
}

TRichString TLabelSSTRecord::AsRichString() const
{
    CheckLinked();
    return FSST->EntryRichText(static_cast<TSSTEntry>(pSSTEntry));
}

void TLabelSSTRecord::SetText(std::u16string_view aValue, const TRTFRunList& aRuns)
{
    if (!FSST) RaiseXls(TXlsMsg::LogicalError);
    // Add before releasing: a cell set to its own text keeps its entry alive.
    const TSSTEntry entry = FSST->Items(FSST->AddString(aValue, aRuns));
    const std::int64_t old = pSSTEntry;
    pSSTEntry = static_cast<std::int32_t>(entry);
    if (old != NoEntry) FSST->ReleaseRef(static_cast<TSSTEntry>(old));
}

void TLabelSSTRecord::SetAsString(std::u16string_view aValue)
{
    SetText(aValue, {});
}

void TLabelSSTRecord::SetAsRichString(const TRichString& aValue)
{
    SetText(aValue.Value, aValue.RTFRuns);
}

TXlsVariant TLabelSSTRecord::GetValue() const
{
    return AsString();
}

void TLabelSSTRecord::SetValue(const TXlsVariant& Value)
{
    SetAsString(VarToText(Value));
}

void TLabelSSTRecord::SaveToStream(TOle2File& Workbook)
{
    // A cell never linked to a table keeps the index it was read with.
    if (FSST && pSSTEntry != NoEntry) SetCardinal(Data(), 6, FSST->SaveIndex(static_cast<TSSTEntry>(pSSTEntry)));
    TRecordClass::SaveToStream(Workbook);
}

// ------------------------------------------------------------- LABEL, RSTRING

TLabelRecord::TLabelRecord(std::uint16_t aId, TByteView aData) : TRecordClass(aId, aData)
{
    GetValue();
}

TRStringRecord::TRStringRecord(std::uint16_t aId, TByteView aData) : TRecordClass(aId, aData)
{
    AsRichString();
}

TXlsVariant TLabelRecord::GetValue() const
{
    const TBaseRecord* rec = this;
    std::size_t pos = 6;
    return TExcelString(2, rec, pos).Value();
}

TXlsVariant TRStringRecord::GetValue() const
{
    return AsRichString().Value;
}

TRichString TRStringRecord::AsRichString() const
{
    const TBaseRecord* rec = this;
    std::size_t pos = 6;
    TRichString result;
    result.Value = TExcelString(2, rec, pos).Value();
    std::uint8_t field[4];
    ReadAcross(rec, pos, 2, field);
    const std::uint16_t runCount = GetWord(field, 0);
    for (std::uint16_t i = 0; i < runCount; ++i) {
        ReadAcross(rec, pos, 4, field);
        result.RTFRuns.push_back({GetWord(field, 0), GetWord(field, 2)});
    }
    return result;
}

}  // namespace xls
