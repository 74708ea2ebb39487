// Compound files for the compound file tests: a builder that lays out a
// file from a list of entries, a plain parser that checks what the writer
// produced without going through the engine's reader, and small helpers.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/UXlsBytes.h"
#include "base/UXlsStreams.h"
#include "cfb/UOle2Impl.h"

namespace ole2test {

using namespace xls;

constexpr std::uint32_t kCutoff = 4096;

struct TTestEntry {
    std::u16string Name;
    std::uint8_t Type = STGTY_STREAM;
    TBytes Data;
    std::uint32_t Left = NOSTREAM;
    std::uint32_t Right = NOSTREAM;
    std::uint32_t Child = NOSTREAM;
    std::uint8_t Color = DECOLOR_BLACK;
};

struct TBuildOptions {
    int SectorShift = 9;
    std::uint32_t LeadingFreeSectors = 0;        // unused sectors at the front
    bool FreeSlotsForEmptyFatSectors = false;    // FREESECT in the DIFAT for FAT sectors of free entries only
};

// A built file and where its parts lie.
struct TTestFile {
    TBytes Bytes;
    int SectorShift = 9;
    std::vector<std::uint32_t> Start;  // per entry: first sector, or first mini sector for small streams
    std::vector<std::uint32_t> FatSectors;
    std::vector<std::uint32_t> DirSectors;
    std::vector<std::uint32_t> MiniFatSectors;

    std::uint32_t SectorSize() const { return 1u << SectorShift; }
    std::size_t SectorPos(std::uint32_t s) const { return std::size_t(s + 1) << SectorShift; }
    std::size_t EntryPos(std::size_t index) const
    {
        std::size_t per = SectorSize() / 128;
        return SectorPos(DirSectors[index / per]) + (index % per) * 128;
    }
    std::size_t FatEntryPos(std::uint32_t s) const
    {
        std::size_t per = SectorSize() / 4;
        return SectorPos(FatSectors[s / per]) + (s % per) * 4;
    }
    void SetFatEntry(std::uint32_t s, std::uint32_t v) { SetCardinal(Bytes, FatEntryPos(s), v); }
};

// Top-level entries 1..n-1 as a chain of right siblings under the root.
inline std::vector<TTestEntry> FlatTree(std::vector<TTestEntry> entries)
{
    entries[0].Child = entries.size() > 1 ? 1 : NOSTREAM;
    for (std::size_t i = 1; i + 1 < entries.size(); ++i) entries[i].Right = std::uint32_t(i + 1);
    return entries;
}

inline TTestEntry Root() { return {u"Root Entry", STGTY_ROOT, {}}; }

inline TBytes EntryBytes(const TTestEntry& e, std::uint32_t start, std::uint32_t size)
{
    TBytes b(128, 0);
    for (std::size_t i = 0; i < e.Name.size() && i < 31; ++i) SetWord(b, 2 * i, e.Name[i]);
    SetWord(b, 64, e.Name.empty() ? 0 : std::uint16_t((std::min<std::size_t>(e.Name.size(), 31) + 1) * 2));
    b[66] = e.Type;
    b[67] = e.Color;
    SetCardinal(b, 68, e.Left);
    SetCardinal(b, 72, e.Right);
    SetCardinal(b, 76, e.Child);
    SetCardinal(b, 116, start);
    SetCardinal(b, 120, size);
    return b;
}

inline TTestFile BuildCompoundFile(std::vector<TTestEntry> entries, TBuildOptions opt = {})
{
    TTestFile f;
    f.SectorShift = opt.SectorShift;
    const std::uint32_t ss = f.SectorSize();
    const std::uint32_t per = ss / 4;
    std::vector<std::uint32_t> fat(opt.LeadingFreeSectors, FREESECT);
    std::vector<TBytes> sectors(opt.LeadingFreeSectors, TBytes(ss, 0xEE));

    auto addChain = [&](const TBytes& data) -> std::uint32_t {
        if (data.empty()) return ENDOFCHAIN;
        auto first = std::uint32_t(sectors.size());
        for (std::size_t pos = 0; pos < data.size(); pos += ss) {
            TBytes sector(ss, 0);
            std::copy_n(data.begin() + std::ptrdiff_t(pos), std::min<std::size_t>(ss, data.size() - pos), sector.begin());
            sectors.push_back(sector);
            fat.push_back(pos + ss < data.size() ? std::uint32_t(sectors.size()) : ENDOFCHAIN);
        }
        return first;
    };
    auto addTable = [&](const TBytes& data, std::vector<std::uint32_t>& where) {
        std::uint32_t first = addChain(data);
        for (std::uint32_t s = first; s != ENDOFCHAIN; s = fat[s]) where.push_back(s);
        return first;
    };

    // Small streams go into the mini stream, 64 bytes per mini sector.
    f.Start.assign(entries.size(), ENDOFCHAIN);
    TBytes mini;
    TBytes miniFat;
    for (std::size_t i = 1; i < entries.size(); ++i) {
        const TBytes& d = entries[i].Data;
        if (entries[i].Type != STGTY_STREAM || d.empty() || d.size() >= kCutoff) continue;
        f.Start[i] = std::uint32_t(mini.size() / 64);
        for (std::size_t pos = 0; pos < d.size(); pos += 64) {
            TBytes chunk(64, 0);
            std::copy_n(d.begin() + std::ptrdiff_t(pos), std::min<std::size_t>(64, d.size() - pos), chunk.begin());
            mini.insert(mini.end(), chunk.begin(), chunk.end());
            AppendCardinal(miniFat, pos + 64 < d.size() ? std::uint32_t(mini.size() / 64) : ENDOFCHAIN);
        }
    }
    entries[0].Data = mini;
    f.Start[0] = addChain(mini);
    for (std::size_t i = 1; i < entries.size(); ++i)
        if (entries[i].Type == STGTY_STREAM && entries[i].Data.size() >= kCutoff) f.Start[i] = addChain(entries[i].Data);

    TBytes dir;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        std::uint32_t start = entries[i].Type == STGTY_STORAGE ? 0 : f.Start[i];
        TBytes e = EntryBytes(entries[i], start, std::uint32_t(entries[i].Data.size()));
        dir.insert(dir.end(), e.begin(), e.end());
    }
    while (dir.size() % ss != 0) {
        TBytes e = EntryBytes({u"", STGTY_INVALID, {}}, 0, 0);
        dir.insert(dir.end(), e.begin(), e.end());
    }
    std::uint32_t dirStart = addTable(dir, f.DirSectors);
    while (miniFat.size() % ss != 0) AppendCardinal(miniFat, FREESECT);
    std::uint32_t miniFatStart = addTable(miniFat, f.MiniFatSectors);

    // FAT sectors, then DIFAT sectors, enough to describe themselves.
    const auto base = std::uint32_t(sectors.size());
    std::uint32_t nFat = 0;
    std::uint32_t nDif = 0;
    for (;;) {
        std::uint32_t needFat = (base + nFat + nDif + per - 1) / per;
        std::uint32_t needDif = needFat > 109 ? (needFat - 109 + per - 2) / (per - 1) : 0;
        if (needFat == nFat && needDif == nDif) break;
        nFat = needFat;
        nDif = needDif;
    }
    for (std::uint32_t k = 0; k < nFat; ++k) {
        f.FatSectors.push_back(base + k);
        fat.push_back(FATSECT);
    }
    for (std::uint32_t k = 0; k < nDif; ++k) fat.push_back(DIFSECT);
    fat.resize(std::size_t(nFat) * per, FREESECT);

    std::vector<std::uint32_t> difat;
    for (std::uint32_t k = 0; k < nFat; ++k) {
        bool allFree = std::all_of(fat.begin() + std::ptrdiff_t(k * per), fat.begin() + std::ptrdiff_t((k + 1) * per),
                                   [](std::uint32_t v) { return v == FREESECT; });
        difat.push_back(opt.FreeSlotsForEmptyFatSectors && allFree ? FREESECT : base + k);
    }
    for (std::uint32_t k = 0; k < nFat; ++k) {
        TBytes sector;
        for (std::uint32_t i = 0; i < per; ++i) AppendCardinal(sector, fat[k * per + i]);
        sectors.push_back(sector);
    }
    for (std::uint32_t j = 0; j < nDif; ++j) {
        TBytes sector;
        for (std::uint32_t i = 0; i + 1 < per; ++i) {
            std::size_t k = 109 + std::size_t(j) * (per - 1) + i;
            AppendCardinal(sector, k < difat.size() ? difat[k] : FREESECT);
        }
        AppendCardinal(sector, j + 1 < nDif ? base + nFat + j + 1 : ENDOFCHAIN);
        sectors.push_back(sector);
    }

    TBytes header(std::max<std::size_t>(512, ss), 0);
    std::copy(TOle2Header::FileSignature.begin(), TOle2Header::FileSignature.end(), header.begin());
    SetWord(header, 24, 0x003E);
    SetWord(header, 26, opt.SectorShift == 12 ? 4 : 3);
    SetWord(header, 28, 0xFFFE);
    SetWord(header, 30, std::uint16_t(opt.SectorShift));
    SetWord(header, 32, 6);
    SetCardinal(header, 40, opt.SectorShift == 12 ? std::uint32_t(f.DirSectors.size()) : 0);
    SetCardinal(header, 44, nFat);
    SetCardinal(header, 48, dirStart);
    SetCardinal(header, 56, kCutoff);
    SetCardinal(header, 60, miniFatStart);
    SetCardinal(header, 64, std::uint32_t(f.MiniFatSectors.size()));
    SetCardinal(header, 68, nDif > 0 ? base + nFat : ENDOFCHAIN);
    SetCardinal(header, 72, nDif);
    for (std::size_t k = 0; k < 109; ++k) SetCardinal(header, 76 + 4 * k, k < difat.size() ? difat[k] : FREESECT);

    f.Bytes = header;
    for (const auto& s : sectors) f.Bytes.insert(f.Bytes.end(), s.begin(), s.end());
    return f;
}

// A plain reading of a compound file (512- or 4096-byte sectors), for
// checking the writer's output field by field.
struct TParsedFile {
    explicit TParsedFile(const TBytes& bytes) : Bytes(bytes)
    {
        Shift = GetWord(Bytes, 30);
        SectorSize = 1u << Shift;
        const std::uint32_t per = SectorSize / 4;
        std::vector<std::uint32_t> difat;
        for (std::size_t k = 0; k < 109; ++k) difat.push_back(GetCardinal(Bytes, 76 + 4 * k));
        std::uint32_t dif = GetCardinal(Bytes, 68);
        for (std::uint32_t j = 0; j < GetCardinal(Bytes, 72); ++j) {
            for (std::uint32_t i = 0; i + 1 < per; ++i) difat.push_back(GetCardinal(Bytes, Pos(dif) + 4 * i));
            dif = GetCardinal(Bytes, Pos(dif) + SectorSize - 4);
        }
        difat.resize(GetCardinal(Bytes, 44));
        for (std::uint32_t s : difat)
            for (std::uint32_t i = 0; i < per; ++i) Fat.push_back(GetCardinal(Bytes, Pos(s) + 4 * i));
        for (std::uint32_t s : Chain(GetCardinal(Bytes, 48)))
            for (std::uint32_t ofs = 0; ofs < SectorSize; ofs += 128) Entries.push_back(Pos(s) + ofs);
    }

    std::size_t Pos(std::uint32_t s) const { return std::size_t(s + 1) << Shift; }
    std::vector<std::uint32_t> Chain(std::uint32_t s) const
    {
        std::vector<std::uint32_t> chain;
        while (s != ENDOFCHAIN && chain.size() <= Fat.size()) {
            chain.push_back(s);
            s = Fat.at(s);
        }
        return chain;
    }
    std::uint32_t Field(std::size_t entry, std::size_t ofs) const { return GetCardinal(Bytes, Entries.at(entry) + ofs); }
    std::uint8_t Type(std::size_t entry) const { return Bytes[Entries.at(entry) + 66]; }
    std::uint32_t Start(std::size_t entry) const { return Field(entry, 116); }
    std::uint32_t Size(std::size_t entry) const { return Field(entry, 120); }
    std::uint32_t Left(std::size_t entry) const { return Field(entry, 68); }
    std::uint32_t Right(std::size_t entry) const { return Field(entry, 72); }
    std::uint32_t Child(std::size_t entry) const { return Field(entry, 76); }

    const TBytes& Bytes;
    int Shift;
    std::uint32_t SectorSize;
    std::vector<std::uint32_t> Fat;
    std::vector<std::size_t> Entries;  // byte offset of every directory entry
};

inline TBytes Pattern(std::size_t n, std::uint32_t seed)
{
    TBytes b(n);
    std::uint32_t x = seed * 2654435761u + 1;
    for (auto& v : b) {
        x = x * 1103515245u + 12345u;
        v = std::uint8_t(x >> 16);
    }
    return b;
}

inline TBytes ReadWholeStream(TOle2File& file, std::u16string_view name)
{
    file.SelectStream(name);
    TBytes b(std::size_t(file.Length()));
    file.ReadMem(b.data(), b.size());
    return b;
}

inline TBytes ReadStreamOf(const TBytes& fileBytes, std::u16string_view name)
{
    TMemoryStream s(fileBytes);
    TOle2File file(s);
    return ReadWholeStream(file, name);
}

// The compound file with the Workbook stream replaced by content.
inline TBytes WriteCopy(const TBytes& input, const TBytes& content, std::vector<std::u16string> deletes = {})
{
    TMemoryStream in(input);
    TMemoryStream out;
    {
        TOle2File file(in);
        file.PrepareForWrite(out, u"Workbook", deletes);
        file.WriteMem(content.data(), content.size());
        file.Close();
    }
    return out.TakeBytes();
}

// The engine message a call raises, or "(no error)".
inline std::string ErrorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const EXlsException& e) {
        return e.what();
    }
    return "(no error)";
}

// Equal byte vectors; on a difference, its first offset instead of two dumps.
inline ::testing::AssertionResult SameBytes(const TBytes& actual, const TBytes& expected)
{
    auto diff = std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end());
    if (diff.first == actual.end() && diff.second == expected.end()) return ::testing::AssertionSuccess();
    auto at = diff.first - actual.begin();
    return ::testing::AssertionFailure() << "sizes " << actual.size() << " and " << expected.size()
                                         << ", first difference at byte " << at;
}

}  // namespace ole2test
