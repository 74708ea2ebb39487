// xlstool cfb-copy IN OUT: rewrites a compound file through the writer,
// carrying the Workbook stream over in chunks.
#include <algorithm>
#include <string>

#include "XlsToolCommands.h"
#include "cfb/UOle2Impl.h"
#include "cfb/USafeFileSave.h"
#include "facade/UExcelRecords.h"

namespace xlstool {

namespace {

using namespace xls;

void CopyWorkbook(const std::string& inPath, TStream& out)
{
    // Reading and writing need their own objects: a prepared file reads no more.
    TFileStream readStream(inPath, TFileMode::OpenRead);
    TOle2File reader(readStream);
    const std::u16string streamName = SelectWorkbookStream(reader);

    TFileStream copyStream(inPath, TFileMode::OpenRead);
    TOle2File writer(copyStream);
    writer.PrepareForWrite(out, streamName);

    TBytes chunk(64 * 1024);
    for (std::int64_t left = reader.Length(); left > 0;) {
        auto n = static_cast<std::size_t>(std::min<std::int64_t>(left, std::int64_t(chunk.size())));
        reader.ReadMem(chunk.data(), n);
        writer.WriteMem(chunk.data(), n);
        left -= std::int64_t(n);
    }
    writer.Close();
}

}  // namespace

int RunCfbCopy(TArgs args)
{
    RequireArgCount(args, 2, 2);
    SaveFileSafely(args[1], [&](TStream& out) { OnFile(args[0], [&] { CopyWorkbook(args[0], out); }); });
    return 0;
}

}  // namespace xlstool
