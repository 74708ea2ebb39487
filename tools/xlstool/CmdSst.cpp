// xlstool sst FILE: the shared strings of a workbook in file order.
#include <iostream>
#include <memory>

#include "DumpText.h"
#include "XlsToolCommands.h"
#include "cfb/UOle2Impl.h"
#include "facade/UExcelRecords.h"
#include "globals/UXlsSST.h"
#include "worksheet/UXlsRecordFactory.h"

namespace xlstool {

namespace {

int PrintSharedStrings(TArgs args)
{
    using namespace xls;
    TFileStream file(args[0], TFileMode::OpenRead);
    TOle2File ole(file);
    SelectWorkbookStream(ole);

    // The SST belongs to the globals: the records up to the first EOF.
    TSST sst;
    TRecordHeader header;
    if (!ole.NextEof(3)) {
        ReadHeader(ole, header);
        for (bool done = false; !done;) {
            done = AtNextRecord(ole, header, [&] {
                std::unique_ptr<TBaseRecord> rec = ReadRecord(ole, header);
                if (const auto* sstRecord = dynamic_cast<const TSSTRecord*>(rec.get())) {
                    sst.Load(*sstRecord);
                    return true;
                }
                return rec->Id() == xlr_EOF || ole.Eof();
            });
        }
    }
    for (std::size_t i = 0; i < sst.Count(); ++i) std::cout << EscapeDumpText(sst.EntryText(sst.Items(i))) << '\n';
    return 0;
}

}  // namespace

int RunSst(TArgs args)
{
    RequireArgCount(args, 1, 1);
    return OnFile(args[0], [&] { return PrintSharedStrings(args); });
}

}  // namespace xlstool
