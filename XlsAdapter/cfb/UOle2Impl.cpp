#include "cfb/UOle2Impl.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <utility>

namespace xls {

namespace {

[[noreturn]] void RaiseInvalid() { RaiseXls(TXlsMsg::ExcelRecordsInvalid); }

[[noreturn]] void RaiseBadOperation(std::string streamName = {})
{
    RaiseXls(TXlsMsg::OleStreamInvalid, {std::move(streamName)});
}

// Reads sector sect of the stream into buffer (one sector long); the part
// beyond the end of the stream reads as zeros.
void ReadSector(TStream& stream, const TOle2Header& header, std::uint32_t sect, TBytes& buffer)
{
    stream.SetPosition(header.SectToStPos(sect));
    std::size_t got = stream.Read(buffer.data(), buffer.size());
    std::fill(buffer.begin() + static_cast<std::ptrdiff_t>(got), buffer.end(), std::uint8_t(0));
}

void WriteZeros(TStream& out, std::uint64_t count)
{
    static const std::uint8_t kZeros[4096] = {};
    while (count > 0) {
        auto n = static_cast<std::size_t>(std::min<std::uint64_t>(count, sizeof kZeros));
        out.Write(kZeros, n);
        count -= n;
    }
}

}  // namespace


// What each sector of the file holds, as far as the tables and chains
// claimed so far tell.
class TSectorMap {
public:
    enum TOwner : std::uint8_t { Unowned, Table, Directory, StreamData };

    TSectorMap(const TOle2Header& header, std::uint32_t sectorCount) : FHeader(header), FOwner(sectorCount, Unowned) {}

    std::uint32_t Count() const { return static_cast<std::uint32_t>(FOwner.size()); }
    // A sector outside the file, or taken twice, means a damaged file: chains
    // that cross or run in a circle.
    void Claim(std::uint32_t sect, TOwner owner)
    {
        if (sect >= FOwner.size() || FOwner[sect] != Unowned) RaiseInvalidSector(sect);
        FOwner[sect] = owner;
    }
    // A sector of a chain behind the last one its stream's size needs. It
    // holds nothing of that stream, and may be a directory sector or one
    // nothing else uses; another stream's data there makes the file
    // ambiguous, and a tail that comes back to a sector runs in a circle.
    void ClaimTail(std::uint32_t sect)
    {
        if (sect >= FOwner.size() || (FOwner[sect] != Unowned && FOwner[sect] != Directory) || FInTail[sect])
            RaiseInvalidSector(sect);
        FInTail[sect] = true;
    }

private:
    [[noreturn]] void RaiseInvalidSector(std::uint32_t sect) const
    {
        EXlsException e(TXlsMsg::ExcelRecordsInvalid);
        e.SetSector(sect, FHeader.SectToStPos(sect));
        throw e;
    }

    const TOle2Header& FHeader;
    std::vector<TOwner> FOwner;
    std::vector<bool> FInTail = std::vector<bool>(FOwner.size(), false);
};

// ---------------------------------------------------------------- header

bool TOle2Header::Load(TStream& stream)
{
    StartOfs = stream.Position();
    Data.assign(DataSize, 0);
    if (stream.Size() - StartOfs < 512) return false;
    stream.ReadBuffer(Data.data(), DataSize);
    if (!std::equal(FileSignature.begin(), FileSignature.end(), Data.begin())) return false;

    uSectorShift = GetWord(Data, 30);
    ulMiniSectorCutoff = FulMiniSectorCutoff();
    // 512-byte sectors (version 3) or 4096-byte sectors (version 4).
    if (uSectorShift != 9 && uSectorShift != 12) RaiseInvalid();
    SectorSize = 1u << uSectorShift;
    // Mini sectors are 64 bytes in every sound file; allow 64 bytes up to below a sector.
    if (uMiniSectorShift() < 6 || uMiniSectorShift() >= uSectorShift) RaiseInvalid();
    // The writer pads the new stream up to the cutoff: refuse other values
    // rather than write gigabytes of zeros.
    if (ulMiniSectorCutoff != MiniSectorCutoff) RaiseInvalid();
    return true;
}

// ---------------------------------------------------------------- allocation tables

void TOle2SectorTable::CheckSector(std::uint32_t sect) const
{
    if (sect >= MAXREGSECT) RaiseInvalid();
    if (sect >= FList.size()) RaiseXls(TXlsMsg::ListIndexOutOfBounds, {std::int64_t(sect)});
}

std::uint32_t TOle2SectorTable::FindSector(std::uint32_t startSect, std::int64_t sectOfs) const
{
    std::uint32_t s = startSect;
    for (std::int64_t i = 0; i < sectOfs; ++i) s = GetNextSector(s);
    return s;
}

std::uint32_t TOle2FAT::FindSector(std::uint32_t startSect, std::int64_t sectOfs)
{
    std::uint32_t s = startSect;
    std::int64_t walked = 0;
    if (startSect == LastFindSectorStart && sectOfs >= LastFindSectorOfs) {
        s = LastFindSectorRes;
        walked = LastFindSectorOfs;
    }
    for (; walked < sectOfs; ++walked) s = GetNextSector(s);
    LastFindSectorStart = startSect;
    LastFindSectorOfs = sectOfs;
    LastFindSectorRes = s;
    return s;
}

void TOle2FAT::Replace(std::vector<std::uint32_t> entries)
{
    FList = std::move(entries);
    LastFindSectorOfs = -1;
    LastFindSectorStart = -1;
    LastFindSectorRes = 0;
}

void TOle2FAT::Load(TStream& stream, TSectorMap& used)
{
    const std::uint32_t perSector = Header->EntriesPerSector();
    // Entries past the last sector of the file describe nothing: stop there,
    // so that a table of free slots cannot make the FAT larger than the file.
    const std::size_t maxEntries = (std::size_t(used.Count()) + perSector - 1) / perSector * perSector;
    FList.reserve(std::min<std::size_t>(std::size_t(Header->csectFat()) * perSector, maxEntries));
    TBytes fatSector(Header->SectorSize);
    TBytes difSector(Header->SectorSize);

    auto addFatSector = [&](std::uint32_t fatSect) {
        if (FList.size() >= maxEntries) return;
        used.Claim(fatSect, TSectorMap::Table);
        ReadSector(stream, *Header, fatSect, fatSector);
        for (std::uint32_t i = 0; i < perSector; ++i) FList.push_back(GetCardinal(fatSector, 4 * i));
    };
    // A run of DIFAT entries: ENDOFCHAIN ends it; a free slot stands for a
    // FAT sector of free entries, so the FAT sectors after it keep their index.
    auto processRun = [&](TByteView run) {
        for (std::size_t i = 0; i + 4 <= run.size(); i += 4) {
            std::uint32_t entry = GetCardinal(run, i);
            if (entry == ENDOFCHAIN) return;
            if (entry != FREESECT) {
                addFatSector(entry);
            } else if (FList.size() < maxEntries) {
                FList.insert(FList.end(), perSector, FREESECT);
            }
        }
    };

    TBytes headerDifat(TOle2Header::HeaderDifatBytes);
    stream.SetPosition(Header->StartOfs + std::int64_t(TOle2Header::DataSize));
    stream.ReadBuffer(headerDifat.data(), headerDifat.size());
    processRun(headerDifat);

    std::uint32_t difSect = Header->sectDifStart();
    for (std::uint32_t k = 0; k < Header->csectDif(); ++k) {
        if (difSect == ENDOFCHAIN) RaiseInvalid();
        used.Claim(difSect, TSectorMap::Table);
        ReadSector(stream, *Header, difSect, difSector);
        processRun(TByteView(difSector).first(difSector.size() - 4));
        difSect = GetCardinal(difSector, difSector.size() - 4);
    }
}

void TOle2MiniFAT::Load(TStream& stream, const TOle2FAT& fat, TSectorMap& used)
{
    const std::uint32_t perSector = Header->EntriesPerSector();
    const std::uint32_t count = Header->csectMiniFat();
    FList.reserve(std::size_t(count) * perSector);
    TBytes sector(Header->SectorSize);
    std::uint32_t s = Header->sectMiniFatStart();
    for (std::uint32_t k = 0; k < count; ++k) {
        if (s == ENDOFCHAIN) RaiseInvalid();
        used.Claim(s, TSectorMap::Table);
        ReadSector(stream, *Header, s, sector);
        for (std::uint32_t i = 0; i < perSector; ++i) FList.push_back(GetCardinal(sector, 4 * i));
        if (k + 1 < count) s = fat.GetNextSector(s);
    }
}

// ---------------------------------------------------------------- directory entries

TOle2Directory::TOle2Directory(TByteView entry) : Data(entry.begin(), entry.begin() + EntrySize)
{
    ulSize = GetSize(Data, 0);
}

std::u16string TOle2Directory::GetName(TByteView d, std::size_t ofs)
{
    // Only the low byte of the length counts; it includes the terminating zero.
    std::uint8_t bytes = GetByte(d, ofs + 64);
    if (bytes < 2 || bytes > 64) return {};
    std::u16string name((bytes - 2) / 2, u'\0');
    for (std::size_t i = 0; i < name.size(); ++i) name[i] = static_cast<char16_t>(GetWord(d, ofs + 2 * i));
    return name;
}

void TOle2Directory::SetName(std::u16string_view name)
{
    SetNameSize(static_cast<std::uint32_t>(std::min<std::size_t>(name.size(), 0x7FFFFFFF) * 2));
    for (std::size_t i = 0; i < 32; ++i) SetWord(Data, 2 * i, i < name.size() ? name[i] : u'\0');
}

std::uint32_t TOle2Directory::NameSize() const
{
    std::uint16_t bytes = GetWord(Data, 64);
    return bytes >= 2 ? bytes - 2u : 0u;
}

void TOle2Directory::SetNameSize(std::uint32_t bytes)
{
    if (bytes > 2 * MaxNameChars) RaiseXls(TXlsMsg::TooManyEntries, {std::int64_t(bytes), std::int64_t(2 * MaxNameChars)});
    SetWord(Data, 64, static_cast<std::uint16_t>(bytes + 2));
}

void TOle2Directory::SetClassId(TByteSpan d, std::size_t ofs, TByteView classId)
{
    CheckField(d.size(), ofs + 80, 16);
    if (classId.size() != 16) RaiseXls(TXlsMsg::LogicalError);
    std::copy(classId.begin(), classId.end(), d.begin() + std::ptrdiff_t(ofs + 80));
}

// ---------------------------------------------------------------- new files

namespace {

// Sibling order of a compound file: shorter names first, then by upper-cased name.
bool CfbNameLess(std::u16string_view a, std::u16string_view b)
{
    if (a.size() != b.size()) return a.size() < b.size();
    return AsciiUpperCase(a) < AsciiUpperCase(b);
}

// Hangs the entries order[first..last) below as a complete binary search
// tree and returns its root. Nodes deeper than aBlackDepth are red: every
// path then has the same number of black nodes.
std::uint32_t LinkSiblings(TBytes& dir, const std::vector<std::uint32_t>& order, std::size_t first, std::size_t last,
                           int depth, int blackDepth)
{
    if (first >= last) return NOSTREAM;
    const std::size_t mid = first + (last - first) / 2;
    const std::uint32_t node = order[mid];
    const std::size_t ofs = node * TOle2Directory::EntrySize;
    TOle2Directory::SetLeftSid(dir, ofs, LinkSiblings(dir, order, first, mid, depth + 1, blackDepth));
    TOle2Directory::SetRightSid(dir, ofs, LinkSiblings(dir, order, mid + 1, last, depth + 1, blackDepth));
    TOle2Directory::SetColor(dir, ofs, depth <= blackDepth ? DECOLOR_BLACK : DECOLOR_RED);
    return node;
}

void SetEntry(TBytes& dir, std::uint32_t index, std::u16string_view name, std::uint8_t type, std::uint32_t start,
              std::uint32_t size)
{
    TOle2Directory entry(TByteView(dir).subspan(index * TOle2Directory::EntrySize, TOle2Directory::EntrySize));
    entry.SetName(name);
    TOle2Directory::SetType(entry.Data, 0, type);
    TOle2Directory::SetSectStart(entry.Data, 0, start);
    TOle2Directory::SetSize(entry.Data, 0, size);
    std::copy(entry.Data.begin(), entry.Data.end(), dir.begin() + std::ptrdiff_t(index * TOle2Directory::EntrySize));
}

}  // namespace

TBytes BuildCompoundFile(std::span<const TNewStream> aStreams, TByteView aRootClassId)
{
    constexpr std::uint32_t sectorSize = 512;
    constexpr std::uint32_t fatSector = 0;
    constexpr std::uint32_t firstDirSector = 1;
    const std::size_t entries = aStreams.size() + 1;
    const auto dirSectors = static_cast<std::uint32_t>((entries * TOle2Directory::EntrySize + sectorSize - 1) / sectorSize);

    std::vector<std::uint32_t> fat(sectorSize / 4, FREESECT);
    fat[fatSector] = FATSECT;
    for (std::uint32_t k = 0; k < dirSectors; ++k)
        fat[firstDirSector + k] = k + 1 < dirSectors ? firstDirSector + k + 1 : ENDOFCHAIN;

    // Empty entries have no siblings or children either.
    TBytes dir(std::size_t(dirSectors) * sectorSize, 0);
    for (std::size_t i = 0; i < dir.size() / TOle2Directory::EntrySize; ++i) {
        const std::size_t ofs = i * TOle2Directory::EntrySize;
        TOle2Directory::SetLeftSid(dir, ofs, NOSTREAM);
        TOle2Directory::SetRightSid(dir, ofs, NOSTREAM);
        TOle2Directory::SetChildSid(dir, ofs, NOSTREAM);
    }
    SetEntry(dir, 0, u"Root Entry", STGTY_ROOT, ENDOFCHAIN, 0);
    TOle2Directory::SetColor(dir, 0, DECOLOR_BLACK);
    TOle2Directory::SetClassId(dir, 0, aRootClassId);

    std::uint32_t next = firstDirSector + dirSectors;
    for (std::size_t i = 0; i < aStreams.size(); ++i) {
        const TBytes& data = aStreams[i].Data;
        if (data.size() < TOle2Header::MiniSectorCutoff || data.size() % sectorSize != 0)
            RaiseXls(TXlsMsg::LogicalError);
        const auto count = static_cast<std::uint32_t>(data.size() / sectorSize);
        if (std::size_t(next) + count > fat.size()) RaiseXls(TXlsMsg::LogicalError);
        for (std::uint32_t k = 0; k < count; ++k) fat[next + k] = k + 1 < count ? next + k + 1 : ENDOFCHAIN;
        SetEntry(dir, static_cast<std::uint32_t>(i + 1), aStreams[i].Name, STGTY_STREAM, next,
                 static_cast<std::uint32_t>(data.size()));
        next += count;
    }

    std::vector<std::uint32_t> order(aStreams.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = static_cast<std::uint32_t>(i + 1);
    std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        return CfbNameLess(aStreams[a - 1].Name, aStreams[b - 1].Name);
    });
    // Levels 0 .. blackDepth are full; the last, partly filled one is red.
    int blackDepth = -1;
    for (std::size_t full = 0; full * 2 + 1 <= order.size(); full = full * 2 + 1) ++blackDepth;
    TOle2Directory::SetChildSid(dir, 0, LinkSiblings(dir, order, 0, order.size(), 0, blackDepth));

    TOle2Header header;
    header.SetNewFileFields(3, 9);
    header.SetcsectFat(1);
    header.SetsectDirStart(firstDirSector);
    header.SetsectMiniFatStart(ENDOFCHAIN);
    header.SetcsectMiniFat(0);
    header.SetsectDifStart(ENDOFCHAIN);
    header.SetcsectDif(0);
    TBytes file = header.Data;
    AppendCardinal(file, fatSector);  // the first header DIFAT entry, the others free
    while (file.size() < sectorSize) AppendCardinal(file, FREESECT);
    for (std::uint32_t entry : fat) AppendCardinal(file, entry);
    file.insert(file.end(), dir.begin(), dir.end());
    for (const auto& s : aStreams) file.insert(file.end(), s.Data.begin(), s.Data.end());
    return file;
}

// ---------------------------------------------------------------- sector buffer

TSectorBuffer::TSectorBuffer(const TOle2Header& header, TStream& dataStream)
    : Data(header.SectorSize, 0), Header(&header), DataStream(&dataStream)
{
}

void TSectorBuffer::Load(std::uint32_t sectNo)
{
    if (Changed) Save();
    if (SectorId == sectNo) return;
    SectorId = -1;
    ReadSector(*DataStream, *Header, sectNo, Data);
    SectorId = sectNo;
}

void TSectorBuffer::Save()
{
    if (SectorId >= 0) {
        DataStream->SetPosition(Header->SectToStPos(SectorId));
        DataStream->Write(Data.data(), Data.size());
    }
    Changed = false;
}

void TSectorBuffer::ReadMem(std::uint8_t* buffer, std::size_t bufferPos, std::size_t& nRead, std::size_t startPos,
                            std::size_t count, std::size_t sectorSize) const
{
    std::size_t end = std::min(sectorSize, Data.size());
    nRead = startPos < end ? std::min(count, end - startPos) : 0;
    if (nRead > 0) std::memcpy(buffer + bufferPos, Data.data() + startPos, nRead);
}

// ---------------------------------------------------------------- opening

TOle2File::TOle2File(TStream& stream, bool avoidExceptions) : FStream(&stream) { Open(avoidExceptions); }

TOle2File::~TOle2File()
{
    if (FState != TState::Writing) return;
    try {
        Complete();
    } catch (...) {
        // Close() reports completion errors; a destructor must not throw.
    }
}

void TOle2File::Open(bool avoidExceptions)
{
    std::int64_t start = FStream->Position();
    if (!FHeader.Load(*FStream)) {
        // The file is opened on a stream: the layer that opened it names the file.
        if (!avoidExceptions) RaiseXls(TXlsMsg::FileInvalid);
        FHeader.NotXls97 = FNotXls97 = true;
        FStream->SetPosition(start);
        return;
    }

    std::int64_t dataBytes = FStream->Size() - FHeader.SectToStPos(0);
    std::int64_t sectors = dataBytes > 0 ? (dataBytes + FHeader.SectorSize - 1) >> FHeader.uSectorShift : 0;
    FFileSectors = static_cast<std::uint32_t>(std::min<std::int64_t>(sectors, MAXREGSECT));
    // Every table lies in sectors of the file: larger counts are damage.
    if (FHeader.csectFat() > FFileSectors || FHeader.csectDif() > FFileSectors || FHeader.csectMiniFat() > FFileSectors)
        RaiseInvalid();

    TSectorMap used(FHeader, FFileSectors);
    FFAT.Load(*FStream, used);
    FMiniFAT.Load(*FStream, FFAT, used);
    FSectorBuffer = std::make_unique<TSectorBuffer>(FHeader, *FStream);
    if (FHeader.sectDirStart() == ENDOFCHAIN) RaiseInvalid();
    CheckChains(used);
    FROOT = FindRoot();
}

namespace {

// Follows a chain for the sectors that size bytes need (to its end without
// a size); it must hold them all. Returns the first sector behind them, or
// ENDOFCHAIN where the chain ends there.
std::uint32_t ClaimChain(const TOle2FAT& fat, const TOle2Header& header, std::uint32_t start,
                         std::optional<std::uint32_t> size, TSectorMap::TOwner owner, TSectorMap& used)
{
    const std::uint64_t needed = size ? (std::uint64_t(*size) + header.SectorSize - 1) >> header.uSectorShift : 0;
    std::uint64_t sectors = 0;
    std::uint32_t s = start;
    for (; s != ENDOFCHAIN && (!size || sectors < needed); ++sectors) {
        const std::uint32_t next = fat.GetNextSector(s);
        used.Claim(s, owner);
        s = next;
    }
    if (sectors < needed) RaiseInvalid();
    return s;
}

}  // namespace

// Claims the sectors of the directory, of the root's mini stream and of every
// regular stream, so that chains which cross, circle or fall short of their
// stream's size are refused here, once, and never met while reading.
//
// A chain may run on behind the sectors its stream's size needs (some
// writers link the last data sector to the directory): those sectors are
// never read as the stream, nor copied when the file is written anew, so
// they are accepted as long as no other stream's data lies there.
void TOle2File::CheckChains(TSectorMap& used)
{
    ClaimChain(FFAT, FHeader, FHeader.sectDirStart(), std::nullopt, TSectorMap::Directory, used);

    std::vector<std::uint32_t> tails;
    ForEachDirectoryEntry([&](TByteView d, std::size_t ofs, std::size_t index) {
        std::uint8_t type = TOle2Directory::GetType(d, ofs);
        std::uint32_t size = TOle2Directory::GetSize(d, ofs);
        if (index == 0 && type != STGTY_ROOT) RaiseInvalid();
        if (index == 0 || (type == STGTY_STREAM && size >= FHeader.ulMiniSectorCutoff)) {
            const std::uint32_t tail =
                ClaimChain(FFAT, FHeader, TOle2Directory::GetSectStart(d, ofs), size, TSectorMap::StreamData, used);
            if (tail != ENDOFCHAIN) tails.push_back(tail);
        }
        return true;
    });
    // Every stream's data is known now: the tails may be checked against it.
    for (std::uint32_t s : tails) {
        for (; s != ENDOFCHAIN; s = FFAT.GetNextSector(s)) used.ClaimTail(s);
    }
}



// visit(sector bytes) for each directory sector in chain order, until it
// returns false. The chain was checked on opening; the bound stays all the same.
template <class F>
void TOle2File::ForEachDirectorySector(F&& visit)
{
    std::uint32_t s = FHeader.sectDirStart();
    for (std::uint32_t n = 0; s != ENDOFCHAIN; ++n) {
        if (n >= FFileSectors) RaiseInvalid();
        FSectorBuffer->Load(s);
        std::uint32_t next = FFAT.GetNextSector(s);
        if (!visit(FSectorBuffer->Data)) return;
        s = next;
    }
}

// visit(sector bytes, offset of the entry, entry index) for every entry;
// returning false stops the walk.
template <class F>
void TOle2File::ForEachDirectoryEntry(F&& visit)
{
    std::size_t index = 0;
    ForEachDirectorySector([&](const TBytes& sector) {
        for (std::size_t ofs = 0; ofs < sector.size(); ofs += TOle2Directory::EntrySize)
            if (!visit(sector, ofs, index++)) return false;
        return true;
    });
}

// ---------------------------------------------------------------- lookup

bool TOle2File::SameName(std::u16string_view a, std::u16string_view b) { return AsciiSameText(a, b); }

bool TOle2File::FindString(std::u16string_view s, std::span<const std::u16string> list)
{
    return std::find(list.begin(), list.end(), s) != list.end();
}

std::unique_ptr<TOle2Directory> TOle2File::FindDir(std::u16string_view name)
{
    CheckReading();
    std::unique_ptr<TOle2Directory> found;
    ForEachDirectoryEntry([&](TByteView d, std::size_t ofs, std::size_t) {
        if (!SameName(TOle2Directory::GetName(d, ofs), name)) return true;
        found = std::make_unique<TOle2Directory>(d.subspan(ofs, TOle2Directory::EntrySize));
        return false;
    });
    return found;
}

std::unique_ptr<TOle2Directory> TOle2File::FindRoot()
{
    FSectorBuffer->Load(FHeader.sectDirStart());
    return std::make_unique<TOle2Directory>(FSectorBuffer->Data);
}

std::vector<TOle2Directory> TOle2File::ReadDirectory()
{
    CheckReading();
    std::vector<TOle2Directory> entries;
    ForEachDirectoryEntry([&](TByteView d, std::size_t ofs, std::size_t) {
        entries.emplace_back(d.subspan(ofs, TOle2Directory::EntrySize));
        return true;
    });
    return entries;
}

// ---------------------------------------------------------------- reading

void TOle2File::CheckReading() const
{
    if (FState != TState::Reading || FNotXls97) RaiseBadOperation();
}

void TOle2File::SelectStream(std::u16string_view streamName)
{
    if (FState != TState::Reading || FNotXls97) RaiseBadOperation(Utf16ToUtf8(streamName));
    FDIR.reset();
    FDIR = FindDir(streamName);
    if (!FDIR) RaiseXls(TXlsMsg::FileInvalid);
    // Only streams and the root's mini stream hold data (and had their chains
    // checked on opening); any other entry reads as empty.
    if (FDIR->ObjType() != STGTY_STREAM && FDIR->ObjType() != STGTY_ROOT) FDIR->ulSize = 0;
    FStreamPos = 0;
    FLoadedSectorPos = -1;
}

bool TOle2File::InMiniStream() const
{
    return FDIR->ObjType() != STGTY_ROOT && FDIR->ulSize < FHeader.ulMiniSectorCutoff;
}

void TOle2File::ReadMem(void* buffer, std::size_t count)
{
    CheckReading();
    if (!FDIR || count == 0) return;
    const auto left = std::uint64_t(FDIR->ulSize - FStreamPos);
    if (count > left) RaiseXls(TXlsMsg::EndOfStream, {std::int64_t(count - left)});
    auto* out = static_cast<std::uint8_t*>(buffer);
    if (ReadInLoadedSector(out, count)) return;
    if (InMiniStream())
        ReadMini(out, count);
    else
        ReadRegular(out, count);
}

bool TOle2File::ReadInLoadedSector(std::uint8_t* out, std::size_t count)
{
    // Most reads are a record header or body inside the sector the previous
    // read loaded: a copy, without walking the chain.
    if (FLoadedSectorPos < 0 || FSectorBuffer->SectorId != FLoadedSector || FStreamPos < FLoadedSectorPos)
        return false;
    const auto start = std::size_t(FStreamPos - FLoadedSectorPos);
    const std::size_t end = std::min<std::size_t>(FHeader.SectorSize, FSectorBuffer->Data.size());
    if (start >= end || count > end - start) return false;
    std::memcpy(out, FSectorBuffer->Data.data() + start, count);
    FStreamPos += std::int64_t(count);
    return true;
}

void TOle2File::ReadRegular(std::uint8_t* out, std::size_t count)
{
    std::uint32_t s = FFAT.FindSector(FDIR->SectStart(), FStreamPos >> FHeader.uSectorShift);
    for (std::size_t done = 0;;) {
        FSectorBuffer->Load(s);
        FLoadedSector = s;
        FLoadedSectorPos = FStreamPos & ~std::int64_t(FHeader.SectorSize - 1);
        std::size_t n;
        FSectorBuffer->ReadMem(out, done, n, std::size_t(FStreamPos & (FHeader.SectorSize - 1)), count - done,
                               FHeader.SectorSize);
        done += n;
        FStreamPos += std::int64_t(n);
        if (done == count) return;
        s = FFAT.GetNextSector(s);
    }
}

// The sector of the mini stream that holds mini sector miniSect.
std::uint32_t TOle2File::MiniSectorToSector(std::uint32_t miniSect)
{
    const int shift = FHeader.uSectorShift - FHeader.uMiniSectorShift();
    FMiniFAT.CheckSector(miniSect);
    if ((std::int64_t(miniSect) << FHeader.uMiniSectorShift()) >= FROOT->ulSize) RaiseInvalid();
    return FFAT.FindSector(FROOT->SectStart(), miniSect >> shift);
}

void TOle2File::ReadMini(std::uint8_t* out, std::size_t count)
{
    const int miniShift = FHeader.uMiniSectorShift();
    const std::uint32_t miniSize = FHeader.MiniSectorSize();
    const std::uint32_t perSector = 1u << (FHeader.uSectorShift - miniShift);
    std::uint32_t m = FMiniFAT.FindSector(FDIR->SectStart(), FStreamPos >> miniShift);
    for (std::size_t done = 0;;) {
        FSectorBuffer->Load(MiniSectorToSector(m));
        std::size_t inMini = std::size_t(FStreamPos & (miniSize - 1));
        std::size_t start = ((m & (perSector - 1)) << miniShift) + inMini;
        std::size_t n;
        FSectorBuffer->ReadMem(out, done, n, start, count - done, start - inMini + miniSize);
        done += n;
        FStreamPos += std::int64_t(n);
        if (done == count) return;
        m = FMiniFAT.GetNextSector(m);
    }
}

void TOle2File::Read(TBytes& buffer, std::size_t count)
{
    if (buffer.empty()) return;
    if (count > buffer.size()) RaiseXls(TXlsMsg::ListIndexOutOfBounds, {std::int64_t(count)});
    ReadMem(buffer.data(), count);
}

bool TOle2File::NextEof(std::int64_t count) const
{
    CheckReading();
    return FStreamPos + count >= Length();
}

bool TOle2File::Eof() const
{
    CheckReading();
    return FStreamPos >= Length();
}

std::int64_t TOle2File::Length() const { return FDIR ? FDIR->ulSize : 0; }

std::u16string TOle2File::StreamName() const { return FDIR ? FDIR->Name() : std::u16string(); }

std::int64_t TOle2File::Position() const { return FState == TState::Reading ? FStreamPos : Length(); }

void TOle2File::SeekForward(std::int64_t offset)
{
    CheckReading();
    if (offset < FStreamPos) RaiseXls(TXlsMsg::CantReadProperties);
    if (!FDIR) return;
    // Skipping needs no bytes: the chains were checked on opening.
    if (offset > FDIR->ulSize) RaiseXls(TXlsMsg::EndOfStream, {offset - FDIR->ulSize});
    FStreamPos = offset;
}

// ---------------------------------------------------------------- deleting storages

namespace {

void CheckSid(const std::vector<TOneDirEntry>& dir, std::uint32_t sid)
{
    if (sid >= dir.size()) RaiseXls(TXlsMsg::ListIndexOutOfBounds, {std::int64_t(sid)});
}

// Marks sid and all entries below and beside it (a whole child tree).
void MarkTree(std::vector<TOneDirEntry>& dir, std::uint32_t sid)
{
    std::vector<std::uint32_t> todo{sid};
    while (!todo.empty()) {
        std::uint32_t k = todo.back();
        todo.pop_back();
        if (k == NOSTREAM) continue;
        CheckSid(dir, k);
        if (dir[k].Deleted) continue;  // also stops a tree that runs in a circle
        dir[k].Deleted = true;
        todo.insert(todo.end(), {dir[k].LeftSid, dir[k].RightSid, dir[k].ChildSid});
    }
}

// Marks the entries named in names with everything below them; the root
// stays. Returns whether one of the named entries was black.
bool MarkDeleted(std::vector<TOneDirEntry>& dir, std::span<const std::u16string> names)
{
    bool blackDeleted = false;
    for (std::size_t i = 1; i < dir.size(); ++i) {
        if (!TOle2File::FindString(dir[i].Name, names)) continue;
        if (dir[i].Color == DECOLOR_BLACK) blackDeleted = true;
        std::uint32_t child = dir[i].ChildSid;
        dir[i].Deleted = true;
        MarkTree(dir, child);
    }
    return blackDeleted;
}

// Removes the deleted entry d from its sibling tree (a binary search tree)
// and returns the entry that takes its place.
std::uint32_t RemoveFromTree(std::vector<TOneDirEntry>& dir, std::uint32_t d)
{
    TOneDirEntry& gone = dir[d];
    if (gone.LeftSid == NOSTREAM) return gone.RightSid;
    if (gone.RightSid == NOSTREAM) return gone.LeftSid;
    // Both sides: the in-order successor, the leftmost entry of the right subtree.
    std::uint32_t parent = d;
    std::uint32_t succ = gone.RightSid;
    for (std::size_t steps = 0;; ++steps) {
        CheckSid(dir, succ);
        if (dir[succ].LeftSid == NOSTREAM) break;
        if (steps > dir.size()) RaiseInvalid();
        parent = succ;
        succ = dir[succ].LeftSid;
    }
    if (parent != d) {
        dir[parent].LeftSid = dir[succ].RightSid;
        dir[succ].RightSid = gone.RightSid;
    }
    dir[succ].LeftSid = gone.LeftSid;
    return succ;
}

// Follows a link past deleted entries to a kept one or to none.
std::uint32_t SkipDeleted(std::vector<TOneDirEntry>& dir, std::uint32_t sid)
{
    for (std::size_t steps = 0; sid != NOSTREAM; ++steps) {
        CheckSid(dir, sid);
        if (!dir[sid].Deleted) return sid;
        if (steps > dir.size()) RaiseInvalid();
        sid = RemoveFromTree(dir, sid);
    }
    return NOSTREAM;
}

// Repairs every link of the entries reachable from the root.
void RepairTree(std::vector<TOneDirEntry>& dir)
{
    if (dir.empty()) RaiseInvalid();
    if (dir[0].Deleted) RaiseXls(TXlsMsg::CantDeleteRoot);
    std::vector<bool> seen(dir.size(), false);
    std::vector<std::uint32_t> todo{0};
    while (!todo.empty()) {
        std::uint32_t k = todo.back();
        todo.pop_back();
        if (seen[k]) RaiseInvalid();  // reachable twice: not a tree
        seen[k] = true;
        for (std::uint32_t* link : {&dir[k].LeftSid, &dir[k].RightSid, &dir[k].ChildSid}) {
            *link = SkipDeleted(dir, *link);
            if (*link != NOSTREAM) todo.push_back(*link);
        }
    }
}

// Writes the outcome of the deletion into the entry at ofs of a directory sector.
void ApplyDeletion(TBytes& sector, std::size_t ofs, const TOneDirEntry& entry, bool recolorBlack)
{
    if (recolorBlack) TOle2Directory::SetColor(sector, ofs, DECOLOR_BLACK);
    if (entry.Deleted) {
        std::fill_n(sector.begin() + std::ptrdiff_t(ofs), 68, std::uint8_t(0));
        std::fill_n(sector.begin() + std::ptrdiff_t(ofs + 80), 48, std::uint8_t(0));
        TOle2Directory::SetLeftSid(sector, ofs, NOSTREAM);
        TOle2Directory::SetRightSid(sector, ofs, NOSTREAM);
        TOle2Directory::SetChildSid(sector, ofs, NOSTREAM);
    } else {
        TOle2Directory::SetLeftSid(sector, ofs, entry.LeftSid);
        TOle2Directory::SetRightSid(sector, ofs, entry.RightSid);
        TOle2Directory::SetChildSid(sector, ofs, entry.ChildSid);
    }
}

}  // namespace

std::vector<TOneDirEntry> TOle2File::MarkDeletions(std::span<const std::u16string> deleteStorages, bool& recolorBlack)
{
    std::vector<TOneDirEntry> dir;
    ForEachDirectoryEntry([&](TByteView d, std::size_t ofs, std::size_t) {
        dir.push_back({TOle2Directory::GetName(d, ofs), TOle2Directory::GetLeftSid(d, ofs),
                       TOle2Directory::GetRightSid(d, ofs), TOle2Directory::GetChildSid(d, ofs), false,
                       TOle2Directory::GetColor(d, ofs)});
        return true;
    });
    recolorBlack = MarkDeleted(dir, deleteStorages);
    RepairTree(dir);
    return dir;
}

// ---------------------------------------------------------------- writing

// Appends the sectors of the new file one after the other and builds its FAT.
class TOle2File::TCopier {
public:
    TCopier(TOle2File& file, TStream& out) : F(file), Out(out), Start(out.Position())
    {
        WriteZeros(Out, F.FHeader.SectorSize);  // the header's place; it is written last
    }

    std::uint32_t Count() const { return static_cast<std::uint32_t>(Fat.size()); }

    // Appends one sector whose FAT entry is next.
    void Put(const TBytes& sector, std::uint32_t next)
    {
        Out.Write(sector.data(), sector.size());
        if (Out.Position() != F.FHeader.SectToStPos(std::int64_t(Fat.size()) + 1, Start))
            RaiseXls(TXlsMsg::NewStreamIoError);
        Fat.push_back(next);
    }

    // Copies the first size bytes' worth of sectors of the chain at start
    // (a longer chain is cut) and returns the copy's first sector.
    std::uint32_t CopyChain(std::uint32_t start, std::uint32_t size)
    {
        if (start == ENDOFCHAIN || size == 0) return ENDOFCHAIN;
        std::uint32_t first = Count();
        std::uint64_t copied = 0;
        for (std::uint32_t s = start; s != ENDOFCHAIN && copied < size;) {
            F.FSectorBuffer->Load(s);
            s = F.FFAT.GetNextSector(s);
            copied += F.FHeader.SectorSize;
            Put(F.FSectorBuffer->Data, s == ENDOFCHAIN || copied >= size ? ENDOFCHAIN : Count() + 1);
        }
        return first;
    }

    // Appends a sector of a table chain (directory, mini FAT) behind prev.
    void PutLinked(const TBytes& sector, std::uint32_t& first, std::uint32_t& prev)
    {
        std::uint32_t here = Count();
        Put(sector, ENDOFCHAIN);
        if (first == ENDOFCHAIN)
            first = here;
        else
            Fat[prev] = here;
        prev = here;
    }

    TOle2File& F;
    TStream& Out;
    const std::int64_t Start;
    std::vector<std::uint32_t> Fat;
};

// Output layout: for each directory sector the data of the regular streams
// (and the root's mini stream) it lists, then the sector itself; the mini FAT;
// then, on completion, the new stream, the DIFAT and the FAT. The header goes
// to the front last.
void TOle2File::PrepareForWrite(TStream& outStream, std::u16string_view oStreamName,
                                std::span<const std::u16string> deleteStorages)
{
    if (FState != TState::Reading || FNotXls97) RaiseBadOperation();
    FDIRStartPos = -1;
    FDIR.reset();
    bool recolorBlack = false;
    std::vector<TOneDirEntry> edits;
    if (!deleteStorages.empty()) edits = MarkDeletions(deleteStorages, recolorBlack);

    TCopier copier(*this, outStream);
    const std::uint32_t cutoff = FHeader.ulMiniSectorCutoff;
    TBytes dirSector(FHeader.SectorSize);
    std::unique_ptr<TOle2Directory> named;
    std::int64_t namedPos = -1;
    std::uint32_t dirStart = ENDOFCHAIN;
    std::uint32_t prev = ENDOFCHAIN;
    std::size_t index = 0;
    std::uint32_t s = FHeader.sectDirStart();
    for (std::uint32_t n = 0; s != ENDOFCHAIN; ++n) {
        if (n >= FFileSectors) RaiseInvalid();
        ReadSector(*FStream, FHeader, s, dirSector);
        s = FFAT.GetNextSector(s);
        std::int64_t namedOfs = -1;
        for (std::size_t ofs = 0; ofs < dirSector.size(); ofs += TOle2Directory::EntrySize, ++index) {
            if (index < edits.size()) ApplyDeletion(dirSector, ofs, edits[index], recolorBlack);
            std::uint8_t type = TOle2Directory::GetType(dirSector, ofs);
            std::uint32_t size = TOle2Directory::GetSize(dirSector, ofs);
            if (!named && type == STGTY_STREAM && SameName(TOle2Directory::GetName(dirSector, ofs), oStreamName)) {
                TOle2Directory::SetSectStart(dirSector, ofs, ENDOFCHAIN);
                TOle2Directory::SetSize(dirSector, ofs, 0);
                named = std::make_unique<TOle2Directory>(TByteView(dirSector).subspan(ofs, TOle2Directory::EntrySize));
                namedOfs = std::int64_t(ofs);
            } else if (index == 0 || (type == STGTY_STREAM && size >= cutoff)) {
                TOle2Directory::SetSectStart(dirSector, ofs,
                                             copier.CopyChain(TOle2Directory::GetSectStart(dirSector, ofs), size));
            }
        }
        if (namedOfs >= 0) namedPos = outStream.Position() + namedOfs;
        copier.PutLinked(dirSector, dirStart, prev);
    }
    if (!named) RaiseBadOperation();

    std::uint32_t miniFatStart = ENDOFCHAIN;
    prev = ENDOFCHAIN;
    s = FHeader.sectMiniFatStart();
    for (std::uint32_t k = 0; k < FHeader.csectMiniFat(); ++k) {
        FSectorBuffer->Load(s);
        copier.PutLinked(FSectorBuffer->Data, miniFatStart, prev);
        if (k + 1 < FHeader.csectMiniFat()) s = FFAT.GetNextSector(s);
    }

    FHeader.StartOfs = copier.Start;
    FHeader.SetsectDirStart(dirStart);
    FHeader.SetsectMiniFatStart(miniFatStart);
    FFAT.Replace(std::move(copier.Fat));
    FStream = &outStream;
    FSectorBuffer = std::make_unique<TSectorBuffer>(FHeader, outStream);
    FROOT.reset();
    FDIR = std::move(named);
    FDIR->SetSectStart(static_cast<std::uint32_t>(FFAT.Count()));
    FDIR->ulSize = 0;
    FDIRStartPos = namedPos;
    FWriteBuffer.reserve(WriteBlockSize);
    FState = TState::Writing;
}

void TOle2File::WriteRawMem(const void* buffer, std::size_t count)
{
    if (FState != TState::Writing) RaiseBadOperation();
    // The size field has 32 bits.
    if (std::uint64_t(FDIR->ulSize) + count > 0xFFFFFFFFu) RaiseBadOperation(Utf16ToUtf8(FDIR->Name()));
    if (FWriteBuffer.size() + count > WriteBlockSize) FlushWrites();
    if (count >= WriteBlockSize)
        FStream->Write(buffer, count);
    else
        FWriteBuffer.insert(FWriteBuffer.end(), static_cast<const std::uint8_t*>(buffer),
                            static_cast<const std::uint8_t*>(buffer) + count);
    FDIR->ulSize += std::int64_t(count);
}

void TOle2File::FlushWrites()
{
    if (FWriteBuffer.empty()) return;
    FStream->Write(FWriteBuffer.data(), FWriteBuffer.size());
    FWriteBuffer.clear();
}

void TOle2File::WriteRaw(const TBytes& buffer, std::size_t startPos, std::size_t count)
{
    if (startPos > buffer.size() || count > buffer.size() - startPos)
        RaiseXls(TXlsMsg::ListIndexOutOfBounds, {std::int64_t(startPos + count)});
    WriteRawMem(buffer.data() + startPos, count);
}

void TOle2File::Write(const TBytes& buffer, std::size_t startPos, std::size_t count)
{
    if (!FEncryption.Engine) return WriteRaw(buffer, startPos, count);
    if (startPos > buffer.size() || count > buffer.size() - startPos)
        RaiseXls(TXlsMsg::ListIndexOutOfBounds, {std::int64_t(startPos + count)});
    TBytes coded = FEncryption.Engine->Encode(buffer, Position(), std::int64_t(startPos), std::int64_t(count),
                                              FEncryption.ActualRecordLen);
    WriteRawMem(coded.data(), coded.size());
}

void TOle2File::Write16(std::uint16_t value)
{
    if (FEncryption.Engine) value = FEncryption.Engine->Encode(value, Position(), FEncryption.ActualRecordLen);
    TBytes b;
    AppendWord(b, value);
    WriteRawMem(b.data(), b.size());
}

void TOle2File::Write32(std::uint32_t value)
{
    if (FEncryption.Engine) value = FEncryption.Engine->Encode(value, Position(), FEncryption.ActualRecordLen);
    TBytes b;
    AppendCardinal(b, value);
    WriteRawMem(b.data(), b.size());
}

void TOle2File::Close()
{
    if (FState == TState::Writing) Complete();
    FState = TState::Closed;
}

// Writes the new stream's tail, the DIFAT, the FAT, the stream's directory
// entry and the header. The stream's chain covers exactly its sectors.
void TOle2File::Complete()
{
    FState = TState::Closed;  // whatever happens, completion runs once
    FlushWrites();
    TStream& out = *FStream;
    const std::uint32_t sectorSize = FHeader.SectorSize;
    const int entryShift = FHeader.uSectorShift - 2;

    // A stream below the cutoff would belong in the mini stream: fill it up to the cutoff.
    if (FDIR->ulSize < FHeader.ulMiniSectorCutoff) {
        WriteZeros(out, std::uint64_t(FHeader.ulMiniSectorCutoff - FDIR->ulSize));
        FDIR->ulSize = FHeader.ulMiniSectorCutoff;
    }
    const auto length = std::uint64_t(FDIR->ulSize);
    WriteZeros(out, (sectorSize - length % sectorSize) % sectorSize);

    const std::uint64_t n = FFAT.Count();
    const std::uint64_t s = (length + sectorSize - 1) >> FHeader.uSectorShift;
    const std::uint64_t perSector = FHeader.EntriesPerSector();
    // d DIFAT sectors and f FAT sectors, enough for all n + s + d + f sectors.
    std::uint64_t d = 0;
    std::uint64_t f = 0;
    for (;;) {
        const std::uint64_t t = n + s + d;
        f = ((t - 1) >> entryShift) + 1;
        for (std::uint64_t last = 0; last != f;) {
            last = f;
            f = ((t + f - 1) >> entryShift) + 1;
        }
        std::uint64_t needed = f > TOle2Header::HeaderDifatEntries
                                   ? (f - TOle2Header::HeaderDifatEntries - 1) / (perSector - 1) + 1
                                   : d;
        if (needed == d) break;
        d = needed;
    }
    const std::uint64_t difStart = n + s;
    const std::uint64_t fatStart = n + s + d;
    if (out.Position() != FHeader.SectToStPos(std::int64_t(difStart))) RaiseXls(TXlsMsg::NewStreamIoError);

    TBytes sector(sectorSize);
    for (std::uint64_t j = 0; j < d; ++j) {
        for (std::uint64_t i = 0; i + 1 < perSector; ++i) {
            std::uint64_t k = TOle2Header::HeaderDifatEntries + j * (perSector - 1) + i;
            SetCardinal(sector, 4 * i, k < f ? std::uint32_t(fatStart + k) : FREESECT);
        }
        SetCardinal(sector, sectorSize - 4, j + 1 < d ? std::uint32_t(difStart + j + 1) : ENDOFCHAIN);
        out.Write(sector.data(), sector.size());
    }

    auto fatEntry = [&](std::uint64_t i) -> std::uint32_t {
        if (i < n) return FFAT[i];
        if (i + 1 < n + s) return std::uint32_t(i + 1);
        if (i < n + s) return ENDOFCHAIN;
        if (i < fatStart) return DIFSECT;
        if (i < fatStart + f) return FATSECT;
        return FREESECT;
    };
    for (std::uint64_t k = 0; k < f; ++k) {
        for (std::uint64_t i = 0; i < perSector; ++i) SetCardinal(sector, 4 * i, fatEntry(k * perSector + i));
        out.Write(sector.data(), sector.size());
    }
    const std::int64_t end = out.Position();

    FDIR->Save();
    out.SetPosition(FDIRStartPos);
    out.Write(FDIR->Data.data(), FDIR->Data.size());

    FHeader.SetcsectFat(std::uint32_t(f));
    FHeader.SetcsectDif(std::uint32_t(d));
    FHeader.SetsectDifStart(d > 0 ? std::uint32_t(difStart) : ENDOFCHAIN);
    TBytes header = FHeader.Data;
    for (std::uint64_t k = 0; k < TOle2Header::HeaderDifatEntries; ++k)
        AppendCardinal(header, k < f ? std::uint32_t(fatStart + k) : FREESECT);
    out.SetPosition(FHeader.StartOfs);
    out.Write(header.data(), header.size());
    out.SetPosition(end);
}

}  // namespace xls
