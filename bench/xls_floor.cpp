// The floor under a workbook copy: what any program that copies an .xls file
// must at least do. It reads the file, walks the compound file (header,
// FAT, directory, the Workbook stream's sector chain), walks every record
// header of the Workbook stream, and writes the file again with one fsync.
// Independent of the engine on purpose: it measures the disk and the format,
// not our code.
//   xls_floor IN OUT     prints the number of records walked
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

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

    // The file offsets of a chain's sectors.
    std::vector<std::size_t> Chain(std::uint32_t aFirst) const
    {
        std::vector<std::size_t> sectors;
        for (std::uint32_t s = aFirst; s < kEndOfChain; s = Fat.at(s)) {
            // A chain longer than the file loops.
            if (sectors.size() * SectorSize >= File.size()) throw std::runtime_error("sector chain loops");
            if (SectorOffset(s) + SectorSize > File.size()) throw std::runtime_error("sector past the end of the file");
            sectors.push_back(SectorOffset(s));
        }
        return sectors;
    }

    // The Workbook stream's sectors and size (the benchmark books keep it
    // out of the mini stream).
    std::vector<std::size_t> Workbook(std::size_t& aSize) const
    {
        for (std::size_t dirSector : Chain(Get32(File, 48)))
            for (std::size_t entry = dirSector; entry + 128 <= dirSector + SectorSize; entry += 128) {
                static const char16_t kName[] = u"Workbook";
                if (Get16(File, entry + 64) != sizeof kName || std::memcmp(File.data() + entry, kName, sizeof kName) != 0)
                    continue;
                aSize = Get32(File, entry + 120);
                return Chain(Get32(File, entry + 116));
            }
        throw std::runtime_error("no Workbook stream");
    }
};

// Walks every record header of the stream in place, through its sectors.
std::size_t WalkRecords(TView aFile, const std::vector<std::size_t>& aSectors, std::size_t aSectorSize,
                        std::size_t aSize)
{
    aSize = std::min(aSize, aSectors.size() * aSectorSize);
    const auto byteAt = [&](std::size_t pos) { return aFile[aSectors[pos / aSectorSize] + pos % aSectorSize]; };
    std::size_t records = 0;
    for (std::size_t pos = 0; pos + 4 <= aSize; ++records)
        pos += 4 + (byteAt(pos + 2) | std::size_t(byteAt(pos + 3)) << 8);
    return records;
}

// The file, mapped: the floor pays for reading it, not for copying it.
class TMappedFile {
public:
    explicit TMappedFile(const std::string& aPath)
    {
        const int fd = ::open(aPath.c_str(), O_RDONLY);
        if (fd < 0) throw std::runtime_error("cannot open " + aPath);
        FSize = static_cast<std::size_t>(::lseek(fd, 0, SEEK_END));
        FData = ::mmap(nullptr, FSize, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
        ::close(fd);
        if (FData == MAP_FAILED) throw std::runtime_error("cannot read " + aPath);
    }
    ~TMappedFile() { ::munmap(FData, FSize); }
    TMappedFile(const TMappedFile&) = delete;
    TMappedFile& operator=(const TMappedFile&) = delete;

    TView View() const { return {static_cast<const std::uint8_t*>(FData), FSize}; }

private:
    void* FData = nullptr;
    std::size_t FSize = 0;
};

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
        const TMappedFile file(argv[1]);
        TCompoundFile cfb{file.View(), 512, {}};
        cfb.ReadFat();
        std::size_t size = 0;
        const std::vector<std::size_t> sectors = cfb.Workbook(size);
        const std::size_t records = WalkRecords(file.View(), sectors, cfb.SectorSize, size);
        WriteFile(argv[2], file.View());
        std::printf("%zu records\n", records);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "xls_floor: %s\n", e.what());
        return 1;
    }
}
