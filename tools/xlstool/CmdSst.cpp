// xlstool sst FILE: the shared strings of a workbook in file order.
#include <iostream>
#include <memory>

#include "DumpText.h"
#include "XlsToolCommands.h"
#include "cfb/UOle2Impl.h"
#include "globals/UXlsSST.h"
#include "worksheet/UXlsRecordFactory.h"

namespace xlstool {

int RunSst(TArgs args)
{
    using namespace xls;
    RequireArgCount(args, 1, 1);
    TFileStream file(args[0], TFileMode::OpenRead);
    TOle2File ole(file);
    ole.SelectStream(u"Workbook");

    // The SST belongs to the globals: the records up to the first EOF.
    TSST sst;
    TRecordHeader header;
    if (!ole.NextEof(3)) {
        ReadHeader(ole, header);
        for (;;) {
            std::unique_ptr<TBaseRecord> rec = ReadRecord(ole, header);
            if (const auto* sstRecord = dynamic_cast<const TSSTRecord*>(rec.get())) {
                sst.Load(*sstRecord);
                break;
            }
            if (rec->Id() == xlr_EOF || ole.Eof()) break;
        }
    }
    for (std::size_t i = 0; i < sst.Count(); ++i) std::cout << EscapeDumpText(sst.EntryText(sst.Items(i))) << '\n';
    return 0;
}

}  // namespace xlstool
