#include "WorkbookFile.h"

#include "UOle2Impl.h"

namespace xlstool {

using namespace xls;

void LoadWorkbookFile(const std::string& aPath, TWorkbook& aWorkbook, TBytes* aImage)
{
    TFileStream file(aPath, TFileMode::OpenRead);
    TOle2File ole(file);
    ole.SelectStream(u"Workbook");
    aWorkbook.LoadFromStream(ole);
    if (!aImage) return;
    TMemoryStream image;
    ole.PrepareForWrite(image, u"Workbook");
    ole.Close();
    *aImage = image.TakeBytes();
}

void SaveWorkbookFile(TWorkbook& aWorkbook, const TBytes& aImage, const std::string& aPath, bool NeedsRecalc)
{
    TMemoryStream image(aImage);
    TOle2File ole(image);
    TFileStream out(aPath, TFileMode::Create);
    ole.PrepareForWrite(out, u"Workbook");
    aWorkbook.SaveToStream(ole, NeedsRecalc);
    ole.Close();
    out.Sync();
    out.Close();
}

}  // namespace xlstool
