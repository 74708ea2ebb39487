// The layout kinds of the feature dump: merged cells (M), columns (C), rows
// (R) and page breaks (B).
#include "DumpText.h"
#include "Features.h"

namespace xlstool {

using namespace xls;

namespace {

std::string Bit(bool aValue) { return aValue ? "1" : "0"; }

}  // namespace

void FeatureLine(std::string& aOut, std::initializer_list<std::string> aFields)
{
    bool first = true;
    for (const auto& f : aFields) {
        if (!first) aOut += '\t';
        aOut += f;
        first = false;
    }
    aOut += '\n';
}

std::string ColumnLetters(std::uint32_t aCol)
{
    const std::string ref = A1Reference(0, aCol);
    return ref.substr(0, ref.size() - 1);
}

void MergedCellLines(const TFeatureSheet& aSheet, std::string& aOut)
{
    const auto* ws = dynamic_cast<const TWorkSheet*>(&aSheet.Sheet);
    if (!ws) return;
    for (std::size_t i = 0; i < ws->CellMergedListCount(); ++i) {
        const TXlsCellRange r = ws->CellMergedList(i);
        FeatureLine(aOut, {"M", aSheet.Name,
                    A1Reference(std::uint32_t(r.Top), std::uint32_t(r.Left)) + ":" +
                        A1Reference(std::uint32_t(r.Bottom), std::uint32_t(r.Right))});
    }
}

// The runs the sheet writes as COLINFO records.
void ColumnLines(const TFeatureSheet& aSheet, std::string& aOut)
{
    auto* ws = dynamic_cast<TWorkSheet*>(&aSheet.Sheet);
    if (!ws) return;
    for (const TColInfoRun& run : ws->Columns().Runs()) {
        const TColInfo& f = *run.Format;
        FeatureLine(aOut,
             {"C", aSheet.Name, ColumnLetters(run.FirstColumn) + ":" + ColumnLetters(run.LastColumn),
              std::to_string(f.Width), Bit(f.Hidden()), std::to_string(f.GetColOutlineLevel()), std::to_string(f.XF)});
    }
}

void RowLines(const TFeatureSheet& aSheet, std::string& aOut)
{
    const auto* ws = dynamic_cast<const TWorkSheet*>(&aSheet.Sheet);
    if (!ws) return;
    const TRowRecordList& rows = ws->Cells().RowList();
    const std::int32_t defaultHeight = ws->DefRowHeight();
    for (std::size_t r = 0; r < rows.Count(); ++r) {
        if (!rows.HasRow(std::int64_t(r))) continue;
        const TRowRecord& row = rows.Items(r);
        // Bit 15 of the height says "the default height".
        const std::int32_t height = (row.Height() & 0x8000) ? defaultHeight : row.Height() & 0x7FFF;
        const bool hidden = (row.Options() & TRowRecord::OptHidden) != 0;
        if (height == defaultHeight && !hidden && row.OutlineLevel() == 0) continue;
        FeatureLine(aOut, {"R", aSheet.Name, std::to_string(r + 1), std::to_string(height), Bit(hidden),
                    std::to_string(row.OutlineLevel()), Bit(!row.IsAutoHeight())});
    }
}

void PageBreakLines(const TFeatureSheet& aSheet, std::string& aOut)
{
    const auto* ws = dynamic_cast<const TWorkSheet*>(&aSheet.Sheet);
    if (!ws) return;
    for (std::size_t i = 0; i < ws->HPageBreaks().Count(); ++i)
        FeatureLine(aOut, {"B", aSheet.Name, "H", std::to_string(ws->HPageBreaks().Items(i).Pos + 1)});
    for (std::size_t i = 0; i < ws->VPageBreaks().Count(); ++i)
        FeatureLine(aOut, {"B", aSheet.Name, "V", ColumnLetters(ws->VPageBreaks().Items(i).Pos)});
}

}  // namespace xlstool
