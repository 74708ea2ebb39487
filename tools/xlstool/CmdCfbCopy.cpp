// xlstool cfb-copy IN OUT: rewrites a compound file through the writer,
// carrying the Workbook stream over in chunks.
#include <algorithm>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>

#include "UOle2Impl.h"
#include "XlsToolCommands.h"

namespace xlstool {

namespace {

using namespace xls;
namespace fs = std::filesystem;

// A file beside the target that becomes the target only on Commit; until
// then it is removed when this object goes away.
class TTempFile {
public:
    explicit TTempFile(const fs::path& target) : FTarget(target)
    {
        std::random_device random;
        do {
            FPath = target;
            FPath += ".tmp" + std::to_string(random());
        } while (fs::exists(FPath));
    }
    ~TTempFile()
    {
        std::error_code ignored;
        if (!FCommitted) fs::remove(FPath, ignored);
    }
    TTempFile(const TTempFile&) = delete;
    TTempFile& operator=(const TTempFile&) = delete;

    std::string Path() const { return FPath.string(); }
    void Commit()
    {
        fs::rename(FPath, FTarget);
        FCommitted = true;
    }

private:
    fs::path FTarget;
    fs::path FPath;
    bool FCommitted = false;
};

void CopyWorkbook(const std::string& inPath, const std::string& outPath)
{
    // Reading and writing need their own objects: a prepared file reads no more.
    TFileStream readStream(inPath, TFileMode::OpenRead);
    TOle2File reader(readStream);
    reader.SelectStream(u"Workbook");

    TFileStream copyStream(inPath, TFileMode::OpenRead);
    TOle2File writer(copyStream);
    TFileStream out(outPath, TFileMode::Create);
    writer.PrepareForWrite(out, u"Workbook");

    TBytes chunk(64 * 1024);
    for (std::int64_t left = reader.Length(); left > 0;) {
        auto n = static_cast<std::size_t>(std::min<std::int64_t>(left, std::int64_t(chunk.size())));
        reader.ReadMem(chunk.data(), n);
        writer.WriteMem(chunk.data(), n);
        left -= std::int64_t(n);
    }
    writer.Close();
    out.Sync();
    out.Close();
}

}  // namespace

int RunCfbCopy(TArgs args)
{
    RequireArgCount(args, 2, 2);
    TTempFile temp(args[1]);
    CopyWorkbook(args[0], temp.Path());
    temp.Commit();
    return 0;
}

}  // namespace xlstool
