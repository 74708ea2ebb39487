// xlstool pictures FILE SHEET [--extract DIR]: lists a sheet's pictures in
// row order, and writes their images into DIR.
#include <filesystem>
#include <iostream>

#include "DumpText.h"
#include "SheetEdit.h"
#include "base/UXlsStreams.h"
#include "base/UXlsUnicode.h"

namespace xlstool {

namespace {

// A cell of the file interface (from 1) in A1 form.
std::string CellName(std::int32_t aRow, std::int32_t aCol)
{
    return A1Reference(std::uint32_t(aRow - 1), std::uint32_t(aCol - 1));
}

const char* Extension(xls::TXlsImgTypes aType)
{
    switch (aType) {
    case xls::TXlsImgTypes::xli_Png: return "png";
    case xls::TXlsImgTypes::xli_Jpeg: return "jpeg";
    case xls::TXlsImgTypes::xli_Bmp: return "bmp";
    case xls::TXlsImgTypes::xli_Wmf: return "wmf";
    case xls::TXlsImgTypes::xli_Emf: return "emf";
    default: return "bin";
    }
}

}  // namespace

int RunPictures(TArgs args)
{
    const TParsedArgs parsed = ParseArgs(args, {"--extract"});
    RequireArgCount(parsed.Positional, 2, 2);
    const std::string folder = parsed.Value("--extract");
    return OnFile(parsed.Positional[0], [&] {
        TSheetEdit edit(parsed.Positional[0], parsed.Positional[1]);
        xls::TXLSFile& file = edit.File();
        file.BeginSheet();
        std::int32_t index = 0;
        for (std::int32_t row = 1; row <= 65536; ++row) {
            for (std::int32_t pos = 0; pos < file.GetPicturesCount(row); ++pos, ++index) {
                const xls::TXlsPicture picture = file.GetPicture(row, pos);
                const xls::TImageProperties& p = picture.Properties;
                std::cout << index << '\t' << CellName(p.Row1, p.Col1) << ':' << CellName(p.Row2, p.Col2) << '\t'
                          << Extension(picture.PicType) << '\t' << picture.Data.size() << '\t'
                          << xls::Utf16ToUtf8(p.FileName) << '\n';
                if (folder.empty()) continue;
                const std::filesystem::path out =
                    std::filesystem::path(folder) / ("picture" + std::to_string(index) + "." + Extension(picture.PicType));
                xls::TFileStream stream(out.string(), xls::TFileMode::Create);
                stream.Write(picture.Data.data(), picture.Data.size());
                stream.Close();
            }
        }
        return 0;
    });
}

}  // namespace xlstool
