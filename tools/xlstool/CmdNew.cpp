// xlstool new FILE [SHEETS]: writes a new workbook of empty sheets.
#include <charconv>
#include <string>

#include "XlsToolCommands.h"
#include "facade/XLSAdapter.h"

namespace xlstool {

namespace {

// Far more than anyone needs, few enough to stay a small file.
constexpr std::int32_t kMaxNewSheets = 4096;

}  // namespace

int RunNew(TArgs args)
{
    RequireArgCount(args, 1, 2);
    std::int32_t sheets = 1;
    if (args.size() == 2) {
        const std::string& text = args[1];
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), sheets);
        if (ec != std::errc{} || end != text.data() + text.size() || sheets < 1 || sheets > kMaxNewSheets)
            throw EUsageError("SHEETS must be a number from 1 to " + std::to_string(kMaxNewSheets));
    }
    xls::TXLSFile xls(nullptr, true);
    xls.Connect();
    xls.NewFile(sheets);
    xls.Save(true, args[0], nullptr, nullptr, nullptr);
    xls.Disconnect();
    return 0;
}

}  // namespace xlstool
