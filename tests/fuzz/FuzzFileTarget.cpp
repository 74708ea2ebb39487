// Fuzz target: the input is a whole workbook file.
#include "FuzzTargetSupport.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    xlsfuzz::ReportAtExit("file");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* aData, std::size_t aSize)
{
    const xlsfuzz::TInput input(aData, aSize);
    return xlsfuzz::RunTarget([&](xlsfuzz::TStats& stats) { xlsfuzz::RunWorkbook(input, xlsfuzz::SampleScript(), stats); });
}
