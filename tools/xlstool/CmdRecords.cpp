// xlstool records FILE: the records of the Workbook stream as the record layer
// reads them, one line each.
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "XlsToolCommands.h"
#include "base/UXlsUnicode.h"
#include "cfb/UOle2Impl.h"
#include "facade/UExcelRecords.h"
#include "globals/UXlsFormula.h"
#include "records/UXlsBaseRecords.h"
#include "records/UXlsRecordIds.h"
#include "worksheet/UXlsHyperLink.h"
#include "worksheet/UXlsRecordFactory.h"

namespace xlstool {

namespace {

using namespace xls;

std::string Format(const char* aFormat, auto... aArgs)
{
    char buf[256];
    std::snprintf(buf, sizeof buf, aFormat, aArgs...);
    return buf;
}

std::string BofInfo(const TBaseRecord& aRecord)
{
    if (aRecord.DataSize() < 4) return {};
    const std::uint16_t version = GetWord(aRecord.Data(), 0);
    const std::uint16_t type = GetWord(aRecord.Data(), 2);
    std::string v = version == 0x0600 ? "BIFF8" : Format("version 0x%04X", version);
    std::string t;
    switch (type) {
    case 0x0005: t = "workbook globals"; break;
    case 0x0006: t = "VB module"; break;
    case 0x0010: t = "worksheet"; break;
    case 0x0020: t = "chart"; break;
    case 0x0040: t = "macro sheet"; break;
    case 0x0100: t = "workspace"; break;
    default: t = Format("type 0x%04X", type);
    }
    return v + " " + t;
}

// Lists records with their stream offsets. A record's CONTINUE records are
// shown on its line; records the reader attaches to the one before them
// (ARRAY, TABLE, HLINKTOOLTIP) get their own line at their own offset, and
// records the engine drops on load are listed as read.
class TRecordLister {
public:
    // Lists aRecord at aOffset; returns the offset behind it and its followers.
    std::int64_t List(const TBaseRecord& aRecord, std::int64_t aOffset)
    {
        std::int64_t end = ListOne(aRecord, aOffset);
        if (const auto* formula = AsFormula(&aRecord)) {
            if (formula->ArrayRecord()) end = List(*formula->ArrayRecord(), end);
            if (formula->TableRecord()) end = List(*formula->TableRecord(), end);
        } else if (const auto* link = dynamic_cast<const THLinkRecord*>(&aRecord)) {
            if (link->Hint()) end = List(*link->Hint(), end);
        }
        return end;
    }

    std::vector<std::string> Lines;
    std::int64_t RecordCount = 0;

private:
    std::int64_t ListOne(const TBaseRecord& aRecord, std::int64_t aOffset)
    {
        std::string line = Format("%8lld  %04X  %-20s %6d", static_cast<long long>(aOffset), aRecord.Id(),
                                  std::string(xls::RecordName(aRecord.Id())).c_str(), int(aRecord.DataSize()));
        std::int64_t end = aOffset + 4 + aRecord.DataSize();
        int continues = 0;
        long long continueBytes = 0;
        for (const TContinueRecord* c = aRecord.Continue(); c; c = c->Continue()) {
            ++continues;
            continueBytes += c->DataSize();
            end += 4 + c->DataSize();
        }
        if (continues > 0) line += Format("  +%d CONTINUE (%lld bytes)", continues, continueBytes);
        if (aRecord.Id() == xlr_BOF) line += "  [" + BofInfo(aRecord) + "]";
        Lines.push_back(std::move(line));
        RecordCount += 1 + continues;
        return end;
    }
};

// True when the stream holds nothing but zero bytes from its position on.
bool RestIsZero(TOle2File& aFile)
{
    TBytes chunk(4096);
    while (!aFile.Eof()) {
        const auto n = static_cast<std::size_t>(std::min<std::int64_t>(4096, aFile.Length() - aFile.Position()));
        aFile.ReadMem(chunk.data(), n);
        for (std::size_t i = 0; i < n; ++i)
            if (chunk[i] != 0) return false;
    }
    return true;
}

}  // namespace

namespace {

int ListRecords(TArgs args)
{
    TFileStream file(args[0], TFileMode::OpenRead);
    TOle2File ole(file);
    const std::u16string streamName = SelectWorkbookStream(ole);
    const std::int64_t length = ole.Length();
    const bool mini = length < ole.Header().ulMiniSectorCutoff;

    TRecordLister lister;
    std::int64_t padding = 0;
    TRecordHeader header;
    if (!ole.NextEof(3)) {
        ReadHeader(ole, header);
        for (;;) {
            const std::int64_t offset = ole.Position() - 4;
            std::unique_ptr<TBaseRecord> rec = ReadRecord(ole, header);
            const std::int64_t end = lister.List(*rec, offset);
            // No header was read behind the record: three bytes or fewer were left.
            if (ole.Position() == end) break;
            // Zero bytes behind the last EOF are padding, not records.
            if (rec->Id() == xlr_EOF && header.Id == 0 && header.Size == 0) {
                const std::int64_t padStart = ole.Position() - 4;
                if (RestIsZero(ole)) {
                    padding = length - padStart;
                    break;
                }
                RaiseXls(TXlsMsg::ExcelRecordsInvalid);
            }
        }
    }

    std::cout << "# stream /" << Utf16ToUtf8(streamName) << ": " << length << " bytes ("
              << (mini ? "mini stream" : "regular sectors") << ")\n";
    if (padding > 0) std::cout << "# " << padding << " zero bytes of padding after the last EOF\n";
    for (const auto& line : lister.Lines) std::cout << line << '\n';
    std::cout << "# " << lister.RecordCount << " records\n";
    return 0;
}

}  // namespace

int RunRecords(TArgs args)
{
    RequireArgCount(args, 1, 1);
    return OnFile(args[0], [&] { return ListRecords(args); });
}

}  // namespace xlstool
