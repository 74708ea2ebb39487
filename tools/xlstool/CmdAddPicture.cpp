// xlstool add-picture FILE SHEET CELL IMAGE [--name NAME] [-o OUT]: puts an
// image file on a sheet, its top left corner at CELL, at its own size.
#include <filesystem>

#include "CellReference.h"
#include "SheetEdit.h"
#include "base/UXlsStreams.h"
#include "base/UXlsUnicode.h"
#include "facade/UExcelRecords.h"

namespace xlstool {

namespace {

struct TPixelSize {
    std::int64_t Width = 96;
    std::int64_t Height = 96;
};

std::uint32_t BigEndian(const xls::TBytes& b, std::size_t ofs, std::size_t n)
{
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < n && ofs + i < b.size(); ++i) v = (v << 8) | b[ofs + i];
    return v;
}

// The size the image file says it has; 96 x 96 pixels when it says none.
TPixelSize PixelSize(const xls::TBytes& b)
{
    if (b.size() >= 24 && b[0] == 0x89 && b[1] == 'P') return {BigEndian(b, 16, 4), BigEndian(b, 20, 4)};
    if (b.size() >= 26 && b[0] == 'B' && b[1] == 'M') {
        const auto height = static_cast<std::int32_t>(xls::GetCardinal(b, 22));
        return {xls::GetInteger(b, 18), height < 0 ? -std::int64_t(height) : height};
    }
    if (b.size() >= 4 && b[0] == 0xFF && b[1] == 0xD8) {
        // The frame header (SOF0 to SOF15, not DHT, JPG or DAC) holds the size.
        for (std::size_t pos = 2; pos + 9 < b.size();) {
            if (b[pos] != 0xFF) break;
            const std::uint8_t marker = b[pos + 1];
            if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC)
                return {BigEndian(b, pos + 7, 2), BigEndian(b, pos + 5, 2)};
            pos += 2 + BigEndian(b, pos + 2, 2);
        }
    }
    return {};
}

// Walks from cell aFirst over cells of aSizes pixels until aPixels are covered:
// the last cell and the offset in it (of aFull).
void Cover(std::int64_t aPixels, std::int32_t aFirst, const std::vector<std::int64_t>& aSizes, std::int32_t aFull,
           std::int32_t& aLast, std::int32_t& aOffset)
{
    std::int64_t left = aPixels;
    std::int32_t cell = aFirst;
    while (cell + 1 < std::int32_t(aSizes.size()) && left >= aSizes[std::size_t(cell)]) left -= aSizes[std::size_t(cell++)];
    aLast = cell;
    const std::int64_t size = aSizes[std::size_t(cell)];
    aOffset = size > 0 ? static_cast<std::int32_t>(std::min<std::int64_t>(aFull, left * aFull / size)) : 0;
}

}  // namespace

int RunAddPicture(TArgs args)
{
    const TParsedArgs parsed = ParseArgs(args, {"-o", "--name"});
    RequireArgCount(parsed.Positional, 4, 4);
    const TCellRef cell = ParseCellReference(parsed.Positional[2]);
    const std::string& image = parsed.Positional[3];
    const xls::TBytes data = xls::ReadFileBytes(image);
    return OnFile(parsed.Positional[0], [&] {
        TSheetEdit edit(parsed.Positional[0], parsed.Positional[1]);

        // Column widths in pixels of the standard font (7 pixels a character),
        // row heights in pixels of 15 twips.
        const xls::TSheetGeometry geometry = edit.Sheet().Geometry();
        std::vector<std::int64_t> colPixels, rowPixels;
        for (std::int32_t c = 0; c <= 255; ++c) colPixels.push_back((geometry.X(c + 1, 0) - geometry.X(c, 0)) * 7 / 256);
        for (std::int32_t r = 0; r <= 65535; ++r) rowPixels.push_back((geometry.Y(r + 1, 0) - geometry.Y(r, 0)) / 15);

        xls::TImageProperties p;
        p.Row1 = cell.Row;
        p.Col1 = cell.Col;
        if (cell.Row >= 1 && cell.Row <= 65536 && cell.Col >= 1 && cell.Col <= 256) {
            const TPixelSize size = PixelSize(data);
            Cover(size.Width, cell.Col - 1, colPixels, 1024, p.Col2, p.Dx2);
            Cover(size.Height, cell.Row - 1, rowPixels, 255, p.Row2, p.Dy2);
            ++p.Col2;
            ++p.Row2;
        }
        const std::string name = parsed.Values.contains("--name") ? parsed.Value("--name")
                                                                  : std::filesystem::path(image).filename().string();
        p.FileName = xls::Utf8ToUtf16(name);
        edit.File().AddImage(data, xls::TXlsImgTypes::xli_Unknown, p);
        edit.Save(parsed.Value("-o"));
        return 0;
    });
}

}  // namespace xlstool
