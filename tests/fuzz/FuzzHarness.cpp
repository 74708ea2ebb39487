#include "FuzzHarness.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <tuple>

#include "DumpCell.h"
#include "DumpText.h"
#include "base/UXlsExceptions.h"
#include "base/UXlsStreams.h"
#include "cfb/UOle2Impl.h"
#include "facade/UExcelRecords.h"
#include "facade/XLSAdapter.h"

namespace xlsfuzz {

namespace {

using namespace xls;

[[noreturn]] void Finding(const std::string& aWhat) { throw EFinding(aWhat); }

// Runs aStep; an engine error is a refusal (false), except the engine's own
// consistency check, which is a finding like every other kind of exception.
bool Try(const char* aWhat, const std::function<void()>& aStep)
{
    try {
        aStep();
        return true;
    } catch (const EXlsException& e) {
        if (e.MsgId() == TXlsMsg::LogicalError) Finding(std::string(aWhat) + ": " + e.what());
        return false;
    } catch (const EFinding&) {
        throw;
    } catch (const std::exception& e) {
        Finding(std::string(aWhat) + ": not an engine error: " + e.what());
    }
}

TBytes Bytes(TInput aInput) { return TBytes(aInput.begin(), aInput.end()); }

void Open(TXLSFile& aFile, const TBytes& aBytes)
{
    aFile.Connect();
    TMemoryStream in(aBytes);
    aFile.LoadFromStream(in);
}

TBytes Save(TXLSFile& aFile)
{
    TMemoryStream out;
    aFile.Save(true, {}, nullptr, nullptr, &out);
    return out.TakeBytes();
}

// Every cell of every worksheet (by sheet, row and column) as the dump shows
// it: kind and text. None when a cell's value cannot be read.
using TCells = std::map<std::tuple<std::size_t, std::uint32_t, std::uint32_t>, std::string>;

std::optional<TCells> Cells(TXLSFile& aFile)
{
    TCells out;
    const bool read = Try("dump", [&] {
        TWorkbook& book = aFile.Workbook();
        for (std::size_t s = 0; s < book.Sheets().Count(); ++s) {
            auto* sheet = dynamic_cast<TWorkSheet*>(book.Sheets().Items(s));
            if (!sheet) continue;
            xlstool::ForEachDumpCell(*sheet, [&](const TCellRecord& cell, const xlstool::TDumpValue& value) {
                out[{s, cell.Row(), cell.Column()}] = value.Kind + ("\t" + value.Text);
            });
        }
    });
    if (!read) return std::nullopt;
    return out;
}

// Opens a saved file, which must work, and compares its cells with aExpected.
// The first cell that differs, for the finding's message.
std::string FirstDifference(const TCells& aExpected, const std::optional<TCells>& aActual)
{
    if (!aActual) return "its cells cannot be read";
    const auto cellName = [](const TCells::key_type& k) {
        return "sheet " + std::to_string(std::get<0>(k) + 1) + " " + xlstool::A1Reference(std::get<1>(k), std::get<2>(k));
    };
    for (const auto& [key, value] : aExpected) {
        const auto it = aActual->find(key);
        if (it == aActual->end()) return cellName(key) + " (" + value + ") is missing";
        if (it->second != value) return cellName(key) + " is " + it->second + " instead of " + value;
    }
    for (const auto& [key, value] : *aActual)
        if (!aExpected.contains(key)) return cellName(key) + " (" + value + ") is new";
    return "?";
}

void Reopen(const TBytes& aSaved, const std::optional<TCells>& aExpected, const char* aWhat)
{
    TXLSFile again(nullptr, true);
    if (!Try(aWhat, [&] { Open(again, aSaved); })) Finding(std::string(aWhat) + ": the saved file does not open");
    if (!aExpected) return;
    const std::optional<TCells> cells = Cells(again);
    if (cells != aExpected)
        Finding(std::string(aWhat) + ": the saved file reads other cells: " + FirstDifference(*aExpected, cells));
}

// aCells with the tag in C7 and D7 of the first sheet.
TCells WithTag(TCells aCells)
{
    aCells[{0, 6, 2}] = "n\t4022250974.0";
    aCells[{0, 6, 3}] = "s\tDE AD BE EF";
    return aCells;
}

// ------------------------------------------------------------------ scripts

constexpr std::array<std::u16string_view, 8> kTexts = {
    u"4022250974", u"DE AD BE EF", u"", u"12,5%", u"TRUE", u"24.12.2024", u"=A1+1", u"\u00e4\u4e2d\U0001F600"};

// A row or column number from a byte: mostly small, some at the sheet's end
// and beyond it.
std::int32_t Position(std::uint8_t aByte, std::int32_t aLast)
{
    if (aByte < 240) return aByte + 1;
    return aLast - 8 + (aByte - 240);  // aLast - 8 .. aLast + 7
}

std::int32_t Row(std::uint8_t aByte) { return Position(aByte, 65536); }
std::int32_t Col(std::uint8_t aByte) { return Position(aByte, 256); }

constexpr std::array<std::u16string_view, 8> kFormulas = {
    u"=A1+1",       u"=SUM(A1:C3)*2",      u"=Sheet1!A1&\"x\"", u"='Tabelle 2'!$B$2",
    u"=IF(A1>0,1)", u"=Preis*1.19",        u"=#REF!+1",          u"=SUM(Sheet1:Sheet3!A1)"};

// Every formula of the active sheet, as its text (the decoder on what the file holds).
void ReadFormulas(TXLSFile& aFile)
{
    auto* sheet = dynamic_cast<TWorkSheet*>(aFile.Workbook().Sheets().Items(std::size_t(aFile.ActiveSheet() - 1)));
    if (!sheet) return;
    xlstool::ForEachDumpCell(*sheet, [&](const TCellRecord& cell, const xlstool::TDumpValue&) {
        aFile.GetCellFormula(std::int32_t(cell.Row()) + 1, std::int32_t(cell.Column()) + 1);
    });
}

using TStep = void (*)(TXLSFile&, std::uint8_t, std::uint8_t, std::uint8_t);

constexpr TStep kSteps[] = {
    [](TXLSFile& f, std::uint8_t a, std::uint8_t b, std::uint8_t c) {
        f.SetCellString(Row(a), Col(b), std::u16string(kTexts[c % kTexts.size()]), u"", u"");
    },
    [](TXLSFile& f, std::uint8_t a, std::uint8_t b, std::uint8_t c) {
        const TXlsVariant values[] = {double(c) - 100.5, bool(c & 1), TVarEmpty{}, TXlsString(u"x"), 4022250974.0};
        f.SetCellValue(Row(a), Col(b), values[c % std::size(values)]);
    },
    [](TXLSFile& f, std::uint8_t a, std::uint8_t b, std::uint8_t c) {
        f.InsertAndCopyRows(Row(a), Row(a) + b % 4, Row(b), c % 3, (c & 4) != 0);
    },
    [](TXLSFile& f, std::uint8_t a, std::uint8_t b, std::uint8_t) { f.DeleteRows(Row(a), b % 8); },
    [](TXLSFile& f, std::uint8_t a, std::uint8_t b, std::uint8_t c) {
        f.InsertAndCopyCols(Col(a), Col(a) + b % 4, Col(b), c % 3, (c & 4) != 0);
    },
    [](TXLSFile& f, std::uint8_t a, std::uint8_t b, std::uint8_t) { f.DeleteCols(Col(a), b % 8); },
    [](TXLSFile& f, std::uint8_t a, std::uint8_t b, std::uint8_t c) {
        const std::int32_t count = f.SheetCount();
        f.InsertAndCopySheets(a % (count + 1), b % (count + 2), 1 + c % 2);
    },
    [](TXLSFile& f, std::uint8_t, std::uint8_t b, std::uint8_t) { f.DeleteSheet(1 + b % 2); },
    [](TXLSFile& f, std::uint8_t, std::uint8_t, std::uint8_t) { f.ClearSheet(); },
    [](TXLSFile& f, std::uint8_t a, std::uint8_t, std::uint8_t) { f.SetActiveSheet(1 + a % (f.SheetCount() + 1)); },
    [](TXLSFile& f, std::uint8_t a, std::uint8_t, std::uint8_t) { f.SelectSheet(1 + a % (f.SheetCount() + 1)); },
    [](TXLSFile& f, std::uint8_t a, std::uint8_t b, std::uint8_t c) { f.SetCellFormat(Row(a), Col(b), c); },
    [](TXLSFile& f, std::uint8_t a, std::uint8_t b, std::uint8_t c) {
        if (c & 1)
            f.InsertHPageBreak(Row(a));
        else
            f.DeleteHPageBreak(Row(a));
        if (c & 2)
            f.InsertVPageBreak(Col(b));
        else
            f.DeleteVPageBreak(Col(b));
    },
    [](TXLSFile& f, std::uint8_t a, std::uint8_t b, std::uint8_t c) {
        f.SetColumnWidth(Col(a), b * 64 + c);
        f.SetRowHeight(Row(a), b * 4);
    },
    [](TXLSFile& f, std::uint8_t a, std::uint8_t b, std::uint8_t) {
        f.SetRowHidden(Row(a), b & 1);
        f.SetColumnHidden(Col(a), b & 2);
    },
    [](TXLSFile& f, std::uint8_t a, std::uint8_t b, std::uint8_t) {
        f.SetRowFormat(Row(a), b);
        f.SetColumnFormat(Col(a), b);
    },
    [](TXLSFile& f, std::uint8_t, std::uint8_t b, std::uint8_t c) {
        const std::u16string names[] = {u"Sheet1", u"Tabelle 2", u"", u"A:B", std::u16string(40, u'x')};
        f.SetActiveSheetName(names[b % std::size(names)]);
        f.SetActiveSheetVisible(static_cast<TXlsSheetVisible>(c % 3));
    },
    [](TXLSFile& f, std::uint8_t a, std::uint8_t b, std::uint8_t c) {
        f.MergeCells(Row(a), Col(b), Row(a) + c % 3, Col(b) + c % 5);
    },
    [](TXLSFile& f, std::uint8_t a, std::uint8_t b, std::uint8_t c) {
        f.SetSheetZoom(a);
        f.SetShowGridLines(b & 1);
        f.SetPrintGridLines(b & 2);
        f.SetPageHeader(std::u16string(kTexts[c % kTexts.size()]));
    },
    [](TXLSFile& f, std::uint8_t a, std::uint8_t b, std::uint8_t c) {
        if (c & 0x80) {
            ReadFormulas(f);
            return;
        }
        f.SetCellFormula(Row(a), Col(b), std::u16string(kFormulas[c % kFormulas.size()]));
        f.GetCellFormula(Row(a), Col(b));
    },
    [](TXLSFile& f, std::uint8_t a, std::uint8_t b, std::uint8_t c) {
        const std::u16string names[] = {u"Preis", u"preis", u"A1", std::u16string(1, u'\x06'), u"_xlnm.x"};
        TXlsNamedRange range;
        range.Name = names[a % std::size(names)];
        range.RangeFormula = std::u16string(kFormulas[b % kFormulas.size()]);
        range.NameSheetIndex = std::int32_t(c % 4) - 1;
        f.AddRange(range);
    },
    [](TXLSFile& f, std::uint8_t a, std::uint8_t b, std::uint8_t c) {
        const std::int32_t count = f.GetExcelNameCount();
        const std::int32_t index = 1 + a % (count + 1);
        f.GetRangeName(index);
        f.GetRangeSheet(index);
        f.GetRangeR1(index);
        f.GetRangeC2(index);
        if (c & 1) f.SetRangeR1(index, Row(b));
        if (c & 2) f.SetRangeC2(index, Col(b));
    },
    [](TXLSFile& f, std::uint8_t a, std::uint8_t b, std::uint8_t c) {
        f.GetCellComment(Row(a), Col(b));
        f.SetCellComment(Row(a), Col(b), {std::u16string(kTexts[c % kTexts.size()]), {}});
    },
    [](TXLSFile& f, std::uint8_t a, std::uint8_t b, std::uint8_t c) {
        const std::int32_t count = f.HyperLinkCount();
        if (count > 0) f.GetHyperLink(a % count);
        if (c & 1) {
            if (count > 0) f.DeleteHyperLink(b % count);
            return;
        }
        const THyperLink link{static_cast<THyperLinkType>(c / 2 % 4), u"x", u"", u"A1", u"https://example.org/", u""};
        f.AddHyperLink({Col(b), Row(a), Col(b) + c % 3, Row(a)}, link);
    },
    [](TXLSFile& f, std::uint8_t a, std::uint8_t b, std::uint8_t) {
        // The pictures of a few rows, decoded, and one deleted.
        for (std::int32_t row = Row(a); row < Row(a) + 8; ++row)
            for (std::int32_t i = 0; i < f.GetPicturesCount(row); ++i) f.GetPicture(row, i);
        if (b & 1) f.DeleteImage(b / 2);
    },
    [](TXLSFile& f, std::uint8_t a, std::uint8_t b, std::uint8_t c) {
        if (c & 1)
            f.RemoveAutoFilter();
        else
            f.SetAutoFilter(Row(a), Col(b), Col(b) + c % 4);
        f.GetAutoFilterRange();
    },
};

void RunScript(TXLSFile& aFile, TInput aScript)
{
    for (std::size_t pos = 0; pos + ScriptStepSize <= aScript.size(); pos += ScriptStepSize) {
        const TStep step = kSteps[aScript[pos] % std::size(kSteps)];
        Try("script", [&] { step(aFile, aScript[pos + 1], aScript[pos + 2], aScript[pos + 3]); });
    }
}

}  // namespace

void RunWorkbook(TInput aFile, TInput aScript, TStats& aStats)
{
    ++aStats.Inputs;
    TXLSFile file(nullptr, true);
    if (!Try("open", [&] { Open(file, Bytes(aFile)); })) return;
    ++aStats.Opened;
    const std::optional<TCells> cells = Cells(file);

    // Saved unchanged, it opens again with the same cells.
    TBytes copy;
    const bool saved = Try("copy", [&] { copy = Save(file); });
    if (saved) {
        Reopen(copy, cells, "copy");
        ++aStats.Saved;
    }

    // Where it saves unchanged, it takes the tag (into the first sheet, as
    // the station enters it) and saves with it.
    bool tagged = false;
    Try("sheet 1", [&] { tagged = file.IsWorksheet(1); });
    if (saved && tagged) {
        TBytes entered;
        const bool entry = Try("entry", [&] {
            file.SetActiveSheet(1);
            file.SetCellString(7, 3, u"4022250974", u"", u"");
            file.SetCellString(7, 4, u"DE AD BE EF", u"", u"");
            entered = Save(file);
        });
        if (!entry) Finding("the workbook saves unchanged but does not take the tag");
        Reopen(entered, cells ? std::optional(WithTag(*cells)) : std::nullopt, "entry");
    }

    RunScript(file, aScript);
    TBytes changed;
    if (Try("save", [&] { changed = Save(file); })) Reopen(changed, Cells(file), "save");
}

std::vector<std::uint8_t> WrapWorkbookStream(TInput aStream)
{
    TBytes data = Bytes(aStream.first(std::min(aStream.size(), MaxWrappedStream)));
    const std::size_t size = std::max<std::size_t>(data.size(), TOle2Header::MiniSectorCutoff);
    data.resize((size + 511) / 512 * 512, 0);
    const TNewStream streams[] = {{u"Workbook", std::move(data)}};
    return BuildCompoundFile(streams, TBytes(16, 0));
}

TStreamInput SplitStreamInput(TInput aInput)
{
    if (aInput.empty()) return {};
    const std::size_t scriptSize =
        std::min<std::size_t>(aInput.size() - 1, std::size_t(aInput[0] % (MaxScriptSteps + 1)) * ScriptStepSize);
    return {aInput.subspan(1, scriptSize), aInput.subspan(1 + scriptSize)};
}

std::vector<std::uint8_t> JoinStreamInput(TInput aScript, TInput aStream)
{
    std::vector<std::uint8_t> input{static_cast<std::uint8_t>(aScript.size() / ScriptStepSize)};
    input.insert(input.end(), aScript.begin(), aScript.begin() + std::ptrdiff_t(input[0] * ScriptStepSize));
    input.insert(input.end(), aStream.begin(), aStream.end());
    return input;
}

std::vector<std::uint8_t> SampleScript()
{
    std::vector<std::uint8_t> script;
    for (std::size_t k = 0; k < std::size(kSteps); ++k)
        script.insert(script.end(), {std::uint8_t(k), std::uint8_t(2 + k), std::uint8_t(3 * k), std::uint8_t(k)});
    return script;
}

std::string StatsLine(const char* aTarget, const TStats& aStats)
{
    const auto share = [&](std::uint64_t n) { return aStats.Inputs ? 100.0 * double(n) / double(aStats.Inputs) : 0.0; };
    char line[200];
    std::snprintf(line, sizeof line, "%s: %llu inputs, %llu opened (%.1f %%), %llu saved and opened again (%.1f %%)",
                  aTarget, static_cast<unsigned long long>(aStats.Inputs), static_cast<unsigned long long>(aStats.Opened),
                  share(aStats.Opened), static_cast<unsigned long long>(aStats.Saved), share(aStats.Saved));
    return line;
}

}  // namespace xlsfuzz
