// The compound document ([MS-CFB]) that holds the workbook's streams.
//
// TOle2File reads one named stream at a time as a sequential byte source and,
// after PrepareForWrite, produces a new compound file in which that stream is
// written anew while every other stream and storage is copied unchanged.
// Memory while reading: the FAT, the mini FAT and one sector.
//
// Every value taken from the file is checked before use: the header's counts
// must fit the file, and each sector may belong to one chain only (checked
// once on opening with one bit per sector), so that no chain walk can leave
// the file or run in a circle.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/UXlsBytes.h"
#include "base/UXlsStreams.h"
#include "base/UXlsUnicode.h"
#include "cfb/UXlsProtect.h"

namespace xls {

// Special sector numbers of the allocation tables.
inline constexpr std::uint32_t MAXREGSECT = 0xFFFFFFFAu;  // the highest regular sector number
inline constexpr std::uint32_t DIFSECT = 0xFFFFFFFCu;     // FAT entry of a DIFAT sector
inline constexpr std::uint32_t FATSECT = 0xFFFFFFFDu;     // FAT entry of a FAT sector
inline constexpr std::uint32_t ENDOFCHAIN = 0xFFFFFFFEu;  // end of a sector chain
inline constexpr std::uint32_t FREESECT = 0xFFFFFFFFu;    // unallocated
inline constexpr std::uint32_t NOSTREAM = 0xFFFFFFFFu;    // no sibling / no child

enum STGTY : std::uint8_t {
    STGTY_INVALID = 0,
    STGTY_STORAGE = 1,
    STGTY_STREAM = 2,
    STGTY_LOCKBYTES = 3,
    STGTY_PROPERTY = 4,
    STGTY_ROOT = 5,
};

enum DECOLOR : std::uint8_t { DECOLOR_RED = 0, DECOLOR_BLACK = 1 };

// The 512-byte header at the start of the file. Only its first 76 bytes are
// kept; the 109 header DIFAT entries behind them are read into the FAT.
class TOle2Header {
public:
    static constexpr std::array<std::uint8_t, 8> FileSignature{0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    static constexpr std::size_t DataSize = 76;
    static constexpr std::size_t HeaderDifatEntries = 109;
    static constexpr std::size_t HeaderDifatBytes = HeaderDifatEntries * 4;
    static constexpr std::uint32_t MiniSectorCutoff = 4096;

    // Reads the header at the stream's position. False: not a compound file
    // (shorter than a header or a wrong signature). Raises on header values
    // no sound file has.
    bool Load(TStream& stream);

    bool NotXls97 = false;
    TBytes Data = TBytes(DataSize, 0);
    std::int64_t StartOfs = 0;
    std::uint32_t SectorSize = 512;
    int uSectorShift = 9;
    std::uint32_t ulMiniSectorCutoff = MiniSectorCutoff;

    // Fields of a new file's header: minor and major version (24, 26), byte
    // order mark (28), sector and mini sector shifts (30, 32), directory
    // sector count (40, zero in version 3), transaction signature (52) and
    // the mini stream cutoff (56).
    void SetNewFileFields(std::uint16_t majorVersion, std::uint16_t sectorShift)
    {
        std::copy(FileSignature.begin(), FileSignature.end(), Data.begin());
        SetWord(Data, 24, 0x003E);
        SetWord(Data, 26, majorVersion);
        SetWord(Data, 28, 0xFFFE);
        SetWord(Data, 30, sectorShift);
        SetWord(Data, 32, 6);
        SetCardinal(Data, 40, 0);
        SetCardinal(Data, 52, 0);
        SetCardinal(Data, 56, MiniSectorCutoff);
    }
    void SetcsectMiniFat(std::uint32_t v) { SetCardinal(Data, 64, v); }

    int uMiniSectorShift() const { return GetWord(Data, 32); }
    std::uint32_t MiniSectorSize() const { return 1u << uMiniSectorShift(); }
    std::uint32_t csectFat() const { return GetCardinal(Data, 44); }
    void SetcsectFat(std::uint32_t v) { SetCardinal(Data, 44, v); }
    std::uint32_t sectDirStart() const { return GetCardinal(Data, 48); }
    void SetsectDirStart(std::uint32_t v) { SetCardinal(Data, 48, v); }
    std::uint32_t FulMiniSectorCutoff() const { return GetCardinal(Data, 56); }
    std::uint32_t sectMiniFatStart() const { return GetCardinal(Data, 60); }
    void SetsectMiniFatStart(std::uint32_t v) { SetCardinal(Data, 60, v); }
    std::uint32_t csectMiniFat() const { return GetCardinal(Data, 64); }
    std::uint32_t sectDifStart() const { return GetCardinal(Data, 68); }
    void SetsectDifStart(std::uint32_t v) { SetCardinal(Data, 68, v); }
    std::uint32_t csectDif() const { return GetCardinal(Data, 72); }
    void SetcsectDif(std::uint32_t v) { SetCardinal(Data, 72, v); }

    int uDIFEntryShift() const { return uSectorShift - 2; }
    std::uint32_t EntriesPerSector() const { return SectorSize / 4; }
    // The header fills the first sector (512 bytes, or all of a 4096-byte
    // sector), so sector s starts at StartOfs + (s + 1) * SectorSize.
    std::int64_t SectToStPos(std::int64_t sect) const { return SectToStPos(sect, StartOfs); }
    std::int64_t SectToStPos(std::int64_t sect, std::int64_t base) const
    {
        return base + ((sect + 1) << uSectorShift);
    }
};

class TSectorMap;

// A sector allocation table: entry i is the successor of sector i.
class TOle2SectorTable {
public:
    explicit TOle2SectorTable(const TOle2Header& header) : Header(&header) {}

    std::size_t Count() const { return FList.size(); }
    std::uint32_t operator[](std::size_t i) const { return FList[i]; }

    // The successor of sect. A special value (end of chain, free, ...) fails
    // with "Error reading Excel records. File invalid", a number beyond the
    // table with the list index error.
    std::uint32_t GetNextSector(std::uint32_t sect) const
    {
        CheckSector(sect);
        return FList[sect];
    }
    void CheckSector(std::uint32_t sect) const;
    // Follows the chain from startSect for sectOfs links.
    std::uint32_t FindSector(std::uint32_t startSect, std::int64_t sectOfs) const;

protected:
    const TOle2Header* Header;
    std::vector<std::uint32_t> FList;
};

// The FAT. FindSector resumes from its last result, so reading a stream
// front to back walks its chain once.
class TOle2FAT : public TOle2SectorTable {
public:
    using TOle2SectorTable::TOle2SectorTable;

    // Reads the FAT sectors that the header DIFAT and the DIFAT chain name.
    void Load(TStream& stream, TSectorMap& used);
    std::uint32_t FindSector(std::uint32_t startSect, std::int64_t sectOfs);
    void Replace(std::vector<std::uint32_t> entries);

private:
    std::int64_t LastFindSectorOfs = -1;
    std::int64_t LastFindSectorStart = -1;
    std::uint32_t LastFindSectorRes = 0;
};

class TOle2MiniFAT : public TOle2SectorTable {
public:
    using TOle2SectorTable::TOle2SectorTable;

    // Reads the csectMiniFat sectors of the mini FAT chain.
    void Load(TStream& stream, const TOle2FAT& fat, TSectorMap& used);
};

// One 128-byte directory entry.
class TOle2Directory {
public:
    static constexpr std::size_t EntrySize = 128;
    static constexpr std::size_t MaxNameChars = 31;

    explicit TOle2Directory(TByteView entry);

    TBytes Data;
    std::int64_t ulSize;  // the stream size; Save writes it into Data

    // Accessors for the entry that starts at ofs inside any buffer.
    static std::u16string GetName(TByteView d, std::size_t ofs);
    static std::uint8_t GetType(TByteView d, std::size_t ofs) { return GetByte(d, ofs + 66); }
    static void SetType(TByteSpan d, std::size_t ofs, std::uint8_t v) { SetByte(d, ofs + 66, v); }
    // The class id: 16 bytes at 80.
    static void SetClassId(TByteSpan d, std::size_t ofs, TByteView classId);
    static std::uint8_t GetColor(TByteView d, std::size_t ofs) { return GetByte(d, ofs + 67); }
    static void SetColor(TByteSpan d, std::size_t ofs, std::uint8_t v) { SetByte(d, ofs + 67, v); }
    static std::uint32_t GetLeftSid(TByteView d, std::size_t ofs) { return GetCardinal(d, ofs + 68); }
    static void SetLeftSid(TByteSpan d, std::size_t ofs, std::uint32_t v) { SetCardinal(d, ofs + 68, v); }
    static std::uint32_t GetRightSid(TByteView d, std::size_t ofs) { return GetCardinal(d, ofs + 72); }
    static void SetRightSid(TByteSpan d, std::size_t ofs, std::uint32_t v) { SetCardinal(d, ofs + 72, v); }
    static std::uint32_t GetChildSid(TByteView d, std::size_t ofs) { return GetCardinal(d, ofs + 76); }
    static void SetChildSid(TByteSpan d, std::size_t ofs, std::uint32_t v) { SetCardinal(d, ofs + 76, v); }
    static std::uint32_t GetSectStart(TByteView d, std::size_t ofs) { return GetCardinal(d, ofs + 116); }
    static void SetSectStart(TByteSpan d, std::size_t ofs, std::uint32_t v) { SetCardinal(d, ofs + 116, v); }
    // Only the low 32 bits of the size count; the high part is carried as is.
    static std::uint32_t GetSize(TByteView d, std::size_t ofs) { return GetCardinal(d, ofs + 120); }
    static void SetSize(TByteSpan d, std::size_t ofs, std::uint32_t v) { SetCardinal(d, ofs + 120, v); }

    std::u16string Name() const { return GetName(Data, 0); }
    // At most 31 characters; longer names fail with "Too many entries ...".
    void SetName(std::u16string_view name);
    std::uint32_t NameSize() const;
    void SetNameSize(std::uint32_t bytes);
    std::uint8_t ObjType() const { return GetType(Data, 0); }
    std::uint32_t SectStart() const { return GetSectStart(Data, 0); }
    void SetSectStart(std::uint32_t v) { SetSectStart(Data, 0, v); }
    std::uint32_t xulSize() const { return GetSize(Data, 0); }
    void Save() { SetSize(Data, 0, static_cast<std::uint32_t>(ulSize)); }
};

// A stream of a new compound file: its data is a whole number of sectors
// and at least the mini stream cutoff long, so it lives in regular sectors.
struct TNewStream {
    std::u16string Name;
    TBytes Data;
};

// A new version 3 compound file (512-byte sectors) holding the streams in
// the root storage, without mini stream: the header, one FAT sector, the
// directory, then each stream's sectors. Fails with "Logical error" when the
// streams do not fit one FAT sector.
TBytes BuildCompoundFile(std::span<const TNewStream> aStreams, TByteView aRootClassId);

// The one sector that is in memory.
class TSectorBuffer {
public:
    TSectorBuffer(const TOle2Header& header, TStream& dataStream);

    // Makes sectNo the loaded sector (nothing is read when it already is);
    // bytes beyond the end of the stream read as zeros.
    void Load(std::uint32_t sectNo);
    void Save();
    // Copies nRead = min(count, sectorSize - startPos) bytes from the sector
    // at startPos to buffer + bufferPos; sectorSize is the end of the readable area.
    void ReadMem(std::uint8_t* buffer, std::size_t bufferPos, std::size_t& nRead, std::size_t startPos,
                 std::size_t count, std::size_t sectorSize) const;

    TBytes Data;
    bool Changed = false;
    std::int64_t SectorId = -1;

private:
    const TOle2Header* Header;
    TStream* DataStream;
};

// An entry of the directory while storages are being deleted.
struct TOneDirEntry {
    std::u16string Name;
    std::uint32_t LeftSid = NOSTREAM;
    std::uint32_t RightSid = NOSTREAM;
    std::uint32_t ChildSid = NOSTREAM;
    bool Deleted = false;
    std::uint8_t Color = DECOLOR_BLACK;
};

class TOle2File {
public:
    // Opens the compound file that begins at the stream's current position.
    // With avoidExceptions a stream that is no compound file gives an object
    // with NotXls97() set (and the stream back at its position) instead of
    // "The file "" is invalid"; damaged compound files raise either way.
    explicit TOle2File(TStream& stream, bool avoidExceptions = false);
    // Completes a pending write quietly; call Close to see its errors.
    ~TOle2File();
    TOle2File(const TOle2File&) = delete;
    TOle2File& operator=(const TOle2File&) = delete;

    // Completes a pending write (raising its errors) and ends the object's use.
    void Close();

    bool NotXls97() const { return FNotXls97; }
    const TOle2Header& Header() const { return FHeader; }
    TEncryptionData& Encryption() { return FEncryption; }
    std::string FileName() const { return {}; }

    // Reading.
    void SelectStream(std::u16string_view streamName);
    void ReadMem(void* buffer, std::size_t count);
    // Reads count bytes into the front of buffer (count must not exceed its size).
    void Read(TBytes& buffer, std::size_t count);
    // The selected stream's name as the file has it; empty when none is.
    std::u16string StreamName() const;
    bool NextEof(std::int64_t count) const;
    bool Eof() const;
    std::int64_t Length() const;
    std::int64_t Position() const;
    void SeekForward(std::int64_t offset);

    // The first entry in directory order named name (ASCII letters compared
    // without case), whatever its type; null when there is none.
    std::unique_ptr<TOle2Directory> FindDir(std::u16string_view name);
    std::unique_ptr<TOle2Directory> FindRoot();
    // Every directory entry in directory order.
    std::vector<TOle2Directory> ReadDirectory();
    static bool FindString(std::u16string_view s, std::span<const std::u16string> list);
    static bool SameName(std::u16string_view a, std::u16string_view b);

    // Writing: copies everything but the stream oStreamName (and the entries
    // named in deleteStorages, with everything below them) to outStream, which
    // must be another stream than the one read, and makes this object the
    // writer of that stream's new content. After it nothing can be read.
    void PrepareForWrite(TStream& outStream, std::u16string_view oStreamName,
                         std::span<const std::u16string> deleteStorages = {});
    void WriteMem(const void* buffer, std::size_t count) { WriteRawMem(buffer, count); }
    void WriteRawMem(const void* buffer, std::size_t count);
    void WriteRaw(const TBytes& buffer, std::size_t count) { WriteRaw(buffer, 0, count); }
    void WriteRaw(const TBytes& buffer, std::size_t startPos, std::size_t count);
    // The same through the encryption engine, when one is set.
    void Write(const TBytes& buffer, std::size_t count) { Write(buffer, 0, count); }
    void Write(const TBytes& buffer, std::size_t startPos, std::size_t count);
    void Write16(std::uint16_t value);
    void Write32(std::uint32_t value);

private:
    enum class TState { Reading, Writing, Closed };

    void Open(bool avoidExceptions);
    void CheckChains(TSectorMap& used);
    void CheckReading() const;
    bool InMiniStream() const;
    bool ReadInLoadedSector(std::uint8_t* out, std::size_t count);
    void ReadRegular(std::uint8_t* out, std::size_t count);
    void ReadMini(std::uint8_t* out, std::size_t count);
    std::uint32_t MiniSectorToSector(std::uint32_t miniSect);
    template <class F> void ForEachDirectorySector(F&& visit);
    template <class F> void ForEachDirectoryEntry(F&& visit);

    class TCopier;
    std::vector<TOneDirEntry> MarkDeletions(std::span<const std::u16string> deleteStorages, bool& recolorBlack);
    void Complete();
    void FlushWrites();

    TStream* FStream;
    // The new stream's bytes on their way out: records arrive a few bytes at
    // a time, the output takes them in blocks.
    static constexpr std::size_t WriteBlockSize = 1 << 16;
    TBytes FWriteBuffer;
    TOle2Header FHeader;
    TOle2FAT FFAT{FHeader};
    TOle2MiniFAT FMiniFAT{FHeader};
    std::unique_ptr<TSectorBuffer> FSectorBuffer;
    std::unique_ptr<TOle2Directory> FROOT;
    std::unique_ptr<TOle2Directory> FDIR;
    TEncryptionData FEncryption;
    std::int64_t FStreamPos = 0;
    // The regular sector the last read loaded, and the stream offset of its first byte.
    std::uint32_t FLoadedSector = 0;
    std::int64_t FLoadedSectorPos = -1;
    std::int64_t FDIRStartPos = -1;
    std::uint32_t FFileSectors = 0;  // sectors the underlying stream holds (a partial last one counts)
    bool FNotXls97 = false;
    TState FState = TState::Reading;
};

}  // namespace xls
