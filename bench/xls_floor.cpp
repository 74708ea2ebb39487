// The floor under a workbook copy: what any program that copies an .xls file
// must at least do. It reads the file, walks the compound file (header,
// FAT, directory, the Workbook stream's sector chain), walks every record
// header of the Workbook stream, and writes the file again with one fsync.
// Independent of the engine on purpose: it measures the disk and the format,
// not our code.
//   xls_floor IN OUT     prints the number of records walked
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using TBytes = std::vector<std::uint8_t>;
using TView = std::span<const std::uint8_t>;

std::uint32_t Get32(TView aData, std::size_t aPos)
{
    if (aPos + 4 > aData.size()) throw std::runtime_error("read past the end of the file");
    std::uint32_t v;
    std::memcpy(&v, aData.data() + aPos, 4);
    return v;
}

std::uint16_t Get16(TView aData, std::size_t aPos)
{
    if (aPos + 2 > aData.size()) throw std::runtime_error("read past the end of the stream");
    return static_cast<std::uint16_t>(aData[aPos] | aData[aPos + 1] << 8);
}

constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;

struct TCompoundFile {
    TView File;
    std::size_t SectorSize = 512;
    std::vector<std::uint32_t> Fat;

    std::size_t SectorOffset(std::uint32_t aSector) const { return (std::size_t(aSector) + 1) * SectorSize; }

    void ReadFat()
    {
        SectorSize = std::size_t(1) << Get16(File, 30);
        const std::uint32_t fatSectors = Get32(File, 44);
        std::vector<std::uint32_t> difat;
        for (std::size_t i = 0; i < 109; ++i) difat.push_back(Get32(File, 76 + 4 * i));
        for (std::uint32_t s = Get32(File, 68), n = Get32(File, 72); n > 0 && s < kEndOfChain; --n) {
            const std::size_t perSector = SectorSize / 4 - 1;
            for (std::size_t i = 0; i < perSector; ++i) difat.push_back(Get32(File, SectorOffset(s) + 4 * i));
            s = Get32(File, SectorOffset(s) + 4 * perSector);
        }
        for (std::uint32_t i = 0; i < fatSectors && i < difat.size(); ++i)
            for (std::size_t k = 0; k < SectorSize / 4; ++k) Fat.push_back(Get32(File, SectorOffset(difat[i]) + 4 * k));
    }

    // The bytes of a chain of regular sectors, cut to aSize.
    TBytes Chain(std::uint32_t aFirst, std::size_t aSize) const
    {
        TBytes out;
        out.reserve(std::min(aSize, File.size()));
        // A chain longer than the file loops.
        for (std::uint32_t s = aFirst; s < kEndOfChain && out.size() < aSize; s = Fat.at(s)) {
            if (out.size() >= File.size()) throw std::runtime_error("sector chain loops");
            const std::size_t pos = SectorOffset(s);
            if (pos + SectorSize > File.size()) throw std::runtime_error("sector past the end of the file");
            out.insert(out.end(), File.begin() + std::ptrdiff_t(pos), File.begin() + std::ptrdiff_t(pos + SectorSize));
        }
        out.resize(std::min(out.size(), aSize));
        return out;
    }

    // The Workbook stream (the benchmark books keep it out of the mini stream).
    TBytes Workbook() const
    {
        const TBytes directory = Chain(Get32(File, 48), SIZE_MAX);
        for (std::size_t entry = 0; entry + 128 <= directory.size(); entry += 128) {
            const std::size_t nameBytes = Get16(directory, entry + 64);
            static const char16_t kName[] = u"Workbook";
            if (nameBytes != sizeof kName || std::memcmp(directory.data() + entry, kName, sizeof kName) != 0) continue;
            return Chain(Get32(directory, entry + 116), Get32(directory, entry + 120));
        }
        throw std::runtime_error("no Workbook stream");
    }
};

std::size_t WalkRecords(TView aStream)
{
    std::size_t records = 0;
    for (std::size_t pos = 0; pos + 4 <= aStream.size(); ++records) pos += 4 + Get16(aStream, pos + 2);
    return records;
}

// The file's bytes, not zero-filled first: the floor pays only for the read.
struct TFile {
    std::unique_ptr<std::uint8_t[]> Data;
    std::size_t Size = 0;
    TView View() const { return {Data.get(), Size}; }
};

TFile ReadFile(const std::string& aPath)
{
    const int fd = ::open(aPath.c_str(), O_RDONLY);
    if (fd < 0) throw std::runtime_error("cannot open " + aPath);
    TFile file;
    file.Size = static_cast<std::size_t>(::lseek(fd, 0, SEEK_END));
    file.Data = std::make_unique_for_overwrite<std::uint8_t[]>(file.Size);
    const bool read = ::pread(fd, file.Data.get(), file.Size, 0) == static_cast<ssize_t>(file.Size);
    ::close(fd);
    if (!read) throw std::runtime_error("cannot read " + aPath);
    return file;
}

void WriteFile(const std::string& aPath, TView aData)
{
    const int fd = ::open(aPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) throw std::runtime_error("cannot create " + aPath);
    const bool written = ::write(fd, aData.data(), aData.size()) == static_cast<ssize_t>(aData.size());
    const bool synced = ::fsync(fd) == 0;
    if (::close(fd) != 0 || !written || !synced) throw std::runtime_error("cannot write " + aPath);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: xls_floor IN OUT\n");
        return 2;
    }
    try {
        const TFile file = ReadFile(argv[1]);
        TCompoundFile cfb{file.View(), 512, {}};
        cfb.ReadFat();
        const std::size_t records = WalkRecords(cfb.Workbook());
        WriteFile(argv[2], file.View());
        std::printf("%zu records\n", records);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "xls_floor: %s\n", e.what());
        return 1;
    }
}
