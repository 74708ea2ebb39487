// xlstool rows, columns and sheets on copies of corpus workbooks: the cells
// as xlrd reads them and the feature dump of the result are those of the
// original moved as the operation says, every other stream is kept byte for
// byte, and a refused change writes nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <regex>

#include "FacadeTestSupport.h"
#include "RecordTestSupport.h"
#include "base/UXlsPaths.h"

namespace {

using namespace factest;
using rectest::RunXlsTool;
using rectest::TToolRun;
using TLines = std::vector<std::string>;

const fs::path kCorpus = rectest::kCorpus;

TLines Lines(const std::string& aText)
{
    TLines lines;
    std::size_t start = 0;
    for (std::size_t end; (end = aText.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(aText.substr(start, end - start));
    return lines;
}

TLines Fields(const std::string& aLine)
{
    TLines fields;
    std::size_t start = 0;
    for (std::size_t tab; (tab = aLine.find('\t', start)) != std::string::npos; start = tab + 1)
        fields.push_back(aLine.substr(start, tab - start));
    fields.push_back(aLine.substr(start));
    return fields;
}

std::string Joined(const TLines& aFields)
{
    std::string line = aFields.empty() ? "" : aFields[0];
    for (std::size_t i = 1; i < aFields.size(); ++i) line += "\t" + aFields[i];
    return line;
}

// What the tests compare of a workbook: its cells as xlrd reads them, its
// feature dump (both as sorted lines: the order is the dumps' business) and
// its other streams.
struct TSnapshot {
    TLines Cells, Features;
    std::map<std::u16string, xls::TBytes> Streams;
};

TLines Sorted(TLines aLines)
{
    std::sort(aLines.begin(), aLines.end());
    return aLines;
}

TSnapshot Snapshot(const fs::path& aFile)
{
    const TToolRun cells = testproc::RunPythonReader("xlrd_dump.py", {}, aFile);
    const TToolRun features = RunXlsTool({"features", xls::Utf8FromPath(aFile)});
    EXPECT_EQ(cells.Code, 0) << cells.Err;
    EXPECT_EQ(features.Code, 0) << features.Err;
    return {Sorted(Lines(cells.Out)), Sorted(Lines(features.Out)), rectest::OtherStreams(aFile)};
}

// ------------------------------------------------------------ A1 positions

std::string ColumnLetters(std::int64_t aCol)
{
    std::string letters;
    for (; aCol > 0; aCol = (aCol - 1) / 26) letters.insert(letters.begin(), char('A' + (aCol - 1) % 26));
    return letters;
}

std::int64_t ColumnNumber(const std::string& aLetters)
{
    std::int64_t col = 0;
    for (char c : aLetters) col = col * 26 + (std::toupper(static_cast<unsigned char>(c)) - 'A' + 1);
    return col;
}

// Rows (or columns) of one sheet from Pos on moved by Count, or with
// Deletes the Count of them from Pos deleted. Counted from 1.
struct TShift {
    std::string Sheet;
    bool Columns = false;
    std::int64_t Pos = 0, Count = 0;
    bool Deletes = false;

    // The new number of line aLine, 0 when it was deleted.
    std::int64_t Line(std::int64_t aLine) const
    {
        if (aLine < Pos) return aLine;
        if (!Deletes) return aLine + Count;
        return aLine < Pos + Count ? 0 : aLine - Count;
    }
    std::int64_t Whole() const { return Columns ? 256 : 65536; }
};

const std::regex kCellText(R"((\$?)([A-Za-z]{1,3})(\$?)(\d+))");

// A cell reference ("$B$7") moved; empty when its line was deleted.
std::string MovedCell(const std::string& aCell, const TShift& aShift, bool aAreaEnd = false)
{
    std::smatch m;
    if (!std::regex_match(aCell, m, kCellText)) return aCell;
    std::int64_t col = ColumnNumber(m.str(2)), row = std::stoll(m.str(4));
    std::int64_t& line = aShift.Columns ? col : row;
    // The end of an area over every row (column) stays there.
    if (!(aAreaEnd && line == aShift.Whole())) line = aShift.Line(line);
    if (line == 0) return "";
    return m.str(1) + ColumnLetters(col) + m.str(3) + std::to_string(row);
}

// "A1" or "A1:B2" moved; empty when it went entirely, "?" when only one end
// went (the cases here are chosen so that no area is cut).
std::string MovedArea(const std::string& aArea, const TShift& aShift)
{
    const std::size_t colon = aArea.find(':');
    if (colon == std::string::npos) return MovedCell(aArea, aShift);
    const std::string first = MovedCell(aArea.substr(0, colon), aShift);
    const std::string last = MovedCell(aArea.substr(colon + 1), aShift, true);
    if (first.empty() && last.empty()) return "";
    if (first.empty() || last.empty()) return "?";
    return first + ":" + last;
}

std::string Unquoted(const std::string& aSheet)
{
    if (aSheet.size() < 2 || aSheet.front() != '\'') return aSheet;
    std::string s = aSheet.substr(1, aSheet.size() - 2);
    for (std::size_t p; (p = s.find("''")) != std::string::npos;) s.erase(p, 1);
    return s;
}

// A formula's references to the shifted sheet moved; aHome is the sheet of
// its unqualified references (empty for defined names). String literals stay.
std::string MovedFormula(const std::string& aFormula, const std::string& aHome, const TShift& aShift)
{
    static const std::regex ref(
        R"(((?:'(?:[^']|'')*'|[A-Za-z_][A-Za-z0-9_.]*)!)?(\$?[A-Za-z]{1,3}\$?\d+)(?::(\$?[A-Za-z]{1,3}\$?\d+))?)");
    std::string out;
    bool inString = false;
    std::size_t start = 0;
    for (std::size_t quote = 0; start <= aFormula.size(); start = quote + 1, inString = !inString) {
        quote = std::min(aFormula.find('"', start), aFormula.size());
        const std::string part = aFormula.substr(start, quote - start);
        std::size_t done = 0;
        for (auto it = std::sregex_iterator(part.begin(), part.end(), ref); !inString && it != std::sregex_iterator();
             ++it) {
            const std::smatch& m = *it;
            const auto pos = static_cast<std::size_t>(m.position());
            const char before = pos > 0 ? part[pos - 1] : ' ';
            const char after = pos + m.length() < part.size() ? part[pos + m.length()] : ' ';
            if (std::isalnum(static_cast<unsigned char>(before)) || std::string("_.$#").find(before) != std::string::npos ||
                std::isalnum(static_cast<unsigned char>(after)) || after == '(' || after == '_')
                continue;
            const std::string sheet = m[1].matched ? Unquoted(m.str(1).substr(0, m.length(1) - 1)) : aHome;
            if (sheet != aShift.Sheet) continue;
            const std::string area = m.str(2) + (m[3].matched ? ":" + m.str(3) : "");
            const std::string moved = MovedArea(area, aShift);
            out += part.substr(done, pos - done) + m.str(1) + (moved.empty() ? "#REF!?" : moved);
            done = pos + static_cast<std::size_t>(m.length());
        }
        out += part.substr(done) + (quote < aFormula.size() ? "\"" : "");
    }
    return out;
}

// "Sheet!A1[:B2]" split at its "!".
std::pair<std::string, std::string> SheetAndArea(const std::string& aKey)
{
    const std::size_t bang = aKey.rfind('!');
    return {aKey.substr(0, bang), aKey.substr(bang + 1)};
}

// A cell dump or feature line after the shift; nullopt when it went.
std::optional<std::string> ShiftedLine(const std::string& aLine, const TShift& s)
{
    TLines f = Fields(aLine);
    const std::string& kind = f[0];
    const auto moveKey = [&](std::string& aKey) {
        auto [sheet, area] = SheetAndArea(aKey);
        if (sheet != s.Sheet) return true;
        area = MovedArea(area, s);
        aKey = sheet + "!" + area;
        return !area.empty();
    };
    if (kind.find('!') != std::string::npos) {  // a cell: Sheet!A1 kind value
        if (!moveKey(f[0])) return std::nullopt;
    } else if (kind == "F") {
        const std::string home = SheetAndArea(f[1]).first;
        if (!moveKey(f[1])) return std::nullopt;
        f[2] = MovedFormula(f[2], home, s);
    } else if (kind == "N") {
        f[4] = MovedFormula(f[4], "", s);
    } else if ((kind == "L" || kind == "K") && !moveKey(f[1])) {
        return std::nullopt;
    } else if (f.size() > 2 && f[1] == s.Sheet) {
        if (kind == "M") f[2] = MovedArea(f[2], s);
        if (kind == "S" && f[2] == "autofilter" && f[3] != "-") f[3] = MovedArea(f[3], s);
        if (kind == "R" && !s.Columns) f[2] = std::to_string(s.Line(std::stoll(f[2])));
        if (kind == "C" && s.Columns) {
            const std::size_t colon = f[2].find(':');
            const std::int64_t first = s.Line(ColumnNumber(f[2].substr(0, colon)));
            const std::int64_t last = ColumnNumber(f[2].substr(colon + 1));
            f[2] = ColumnLetters(first) + ":" + ColumnLetters(last >= s.Whole() ? last : s.Line(last));
        }
        if (kind == "B" && (f[2] == "V") == s.Columns)
            f[3] = s.Columns ? ColumnLetters(s.Line(ColumnNumber(f[3]))) : std::to_string(s.Line(std::stoll(f[3])));
        const bool located = kind == "M" || kind == "R" || kind == "C" || kind == "B";
        const std::string& at = kind == "B" ? f[3] : f[2];
        if (located && (at.empty() || at == "0" || at.starts_with(':'))) return std::nullopt;
    }
    return Joined(f);
}

TLines Shifted(const TLines& aLines, const TShift& aShift)
{
    TLines out;
    for (const auto& line : aLines)
        if (auto moved = ShiftedLine(line, aShift)) out.push_back(*moved);
    return Sorted(out);
}

// The sheet of a cell, M, L, K or R line and the rows (columns) its ends
// stand on; nullopt for other lines.
std::optional<std::pair<std::string, std::vector<std::int64_t>>> Place(const TLines& f, bool aColumns)
{
    if (f[0] == "R") {
        if (aColumns) return std::nullopt;
        return std::pair{f[1], std::vector<std::int64_t>{std::stoll(f[2])}};
    }
    const bool cell = f[0].find('!') != std::string::npos;
    std::string sheet, area;
    if (cell || f[0] == "L" || f[0] == "K")
        std::tie(sheet, area) = SheetAndArea(f[cell ? 0 : 1]);
    else if (f[0] == "M")
        sheet = f[1], area = f[2];
    else
        return std::nullopt;
    std::vector<std::int64_t> ends;
    for (const std::string& end : {area.substr(0, area.find(':')), area.substr(area.find(':') + 1)}) {
        std::smatch m;
        if (std::regex_match(end, m, kCellText)) ends.push_back(aColumns ? ColumnNumber(m.str(2)) : std::stoll(m.str(4)));
    }
    return std::pair{sheet, ends};
}

// The copies that rows (columns) First to Last, Count times before Dest,
// add: cells, merged areas, rows, comments and links lying inside them.
TLines Copies(const TLines& aLines, const TShift& aSource, std::int64_t aFirst, std::int64_t aLast,
              std::int64_t aDest, std::int64_t aCount)
{
    TLines out;
    const std::int64_t height = aLast - aFirst + 1;
    for (const auto& line : aLines) {
        const auto place = Place(Fields(line), aSource.Columns);
        if (!place || place->first != aSource.Sheet) continue;
        if (!std::all_of(place->second.begin(), place->second.end(),
                         [&](std::int64_t at) { return at >= aFirst && at <= aLast; }))
            continue;
        // Each copy is the source moved by its offset.
        for (std::int64_t k = 0; k < aCount; ++k)
            if (auto copy = ShiftedLine(line, {aSource.Sheet, aSource.Columns, aFirst, aDest + k * height - aFirst}))
                out.push_back(*copy);
    }
    return out;
}

// ------------------------------------------------------------------ cases

// Lines with one field changed: "S\tLayout\tselected" to "0".
void Set(TLines& aLines, const std::string& aStart, const std::string& aValue)
{
    for (auto& line : aLines)
        if (line.starts_with(aStart + "\t")) line = aStart + "\t" + aValue;
}


struct TCase {
    const char* Book;  // below tests/corpus
    std::vector<std::string> Args;  // after FILE
    std::function<TSnapshot(const TSnapshot&)> Expected;
};

// Runs `xlstool COMMAND COPY ARGS... -o OUT` on a copy of aBook.
TSnapshot RunOnCopy(const TTempDir& aDir, const char* aCommand, const char* aBook, const std::vector<std::string>& aArgs)
{
    const fs::path copy = aDir / "in.xls";
    const fs::path out = aDir / "out.xls";
    fs::copy_file(kCorpus / aBook, copy, fs::copy_options::overwrite_existing);
    std::vector<std::string> args{aCommand, xls::Utf8FromPath(copy)};
    args.insert(args.end(), aArgs.begin(), aArgs.end());
    args.insert(args.end(), {"-o", xls::Utf8FromPath(out)});
    const TToolRun run = RunXlsTool(args);
    EXPECT_EQ(run.Code, 0) << run.Err;
    EXPECT_EQ(FileBytes(copy), FileBytes(kCorpus / aBook)) << "with -o the input stays as it was";
    return Snapshot(out);
}

void ExpectSame(const TSnapshot& aResult, const TSnapshot& aExpected)
{
    EXPECT_EQ(aResult.Cells, aExpected.Cells);
    EXPECT_EQ(aResult.Features, aExpected.Features);
    EXPECT_TRUE(aResult.Streams == aExpected.Streams) << "every other stream byte for byte";
}

// The expectation of a row or column shift, with copies added.
std::function<TSnapshot(const TSnapshot&)> ShiftedBy(TShift aShift, std::int64_t aFirst = 0, std::int64_t aLast = -1,
                                                     std::int64_t aCount = 0)
{
    return [=](const TSnapshot& original) {
        TSnapshot s = original;
        s.Cells = Shifted(original.Cells, aShift);
        s.Features = Shifted(original.Features, aShift);
        for (TLines* lines : {&s.Cells, &s.Features}) {
            const TLines& from = lines == &s.Cells ? original.Cells : original.Features;
            for (auto& copy : Copies(from, aShift, aFirst, aLast, aShift.Pos, aCount)) lines->push_back(copy);
            *lines = Sorted(*lines);
        }
        return s;
    };
}

}  // namespace

TEST(XlsToolStructure, RowsMoveCellsFormulasNamesAndObjects)
{
    const TCase cases[] = {
        {"gen/poi_formulas.xls", {"Formeln", "insert", "2", "3"}, ShiftedBy({"Formeln", false, 2, 3})},
        {"gen/poi_formulas.xls", {"Daten 2", "insert", "1"}, ShiftedBy({"Daten 2", false, 1, 1})},
        {"gen/poi_names_sheets.xls", {"Sichtbar", "insert", "2", "2"}, ShiftedBy({"Sichtbar", false, 2, 2})},
        {"gen/lo_rich_notes_links_pictures.xls", {"Text", "insert", "2", "4"}, ShiftedBy({"Text", false, 2, 4})},
        {"gen/poi_layout.xls", {"1", "insert", "12", "2"}, ShiftedBy({"Layout", false, 12, 2})},
        {"gen/poi_print.xls", {"Druck", "insert", "40", "5"}, ShiftedBy({"Druck", false, 40, 5})},
        {"gen/poi_formulas.xls", {"Formeln", "delete", "31", "5"}, ShiftedBy({"Formeln", false, 31, 5, true})},
        {"gen/lo_rich_notes_links_pictures.xls", {"Text", "delete", "2"}, ShiftedBy({"Text", false, 2, 1, true})},
        {"gen/poi_values.xls", {"Werte", "copy", "2:3", "8", "2"}, ShiftedBy({"Werte", false, 8, 4}, 2, 3, 2)},
        {"gen/poi_layout.xls", {"Layout", "copy", "3", "1"}, ShiftedBy({"Layout", false, 1, 1}, 3, 3, 1)},
        // A copied comment brings its box: one more object on the sheet.
        {"gen/lo_rich_notes_links_pictures.xls", {"Text", "copy", "1:2", "10"},
         [](const TSnapshot& o) {
             TSnapshot s = ShiftedBy({"Text", false, 10, 2}, 1, 2, 1)(o);
             Set(s.Features, "P\tText\t0", "5");
             return s;
         }},
    };
    TTempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.Book) + " " + c.Args[0] + " " + c.Args[1] + " " + c.Args[2]);
        ExpectSame(RunOnCopy(dir, "rows", c.Book, c.Args), c.Expected(Snapshot(kCorpus / c.Book)));
    }
}

TEST(XlsToolStructure, ColumnsMoveCellsFormulasNamesAndObjects)
{
    const TCase cases[] = {
        {"gen/poi_formulas.xls", {"Formeln", "insert", "B", "2"}, ShiftedBy({"Formeln", true, 2, 2})},
        {"gen/poi_names_sheets.xls", {"Sichtbar", "insert", "1"}, ShiftedBy({"Sichtbar", true, 1, 1})},
        {"gen/poi_layout.xls", {"Layout", "insert", "D", "3"}, ShiftedBy({"Layout", true, 4, 3})},
        {"gen/poi_print.xls", {"Druck", "insert", "G"}, ShiftedBy({"Druck", true, 7, 1})},
        {"gen/poi_formulas.xls", {"Formeln", "delete", "H"}, ShiftedBy({"Formeln", true, 8, 1, true})},
        {"gen/poi_values.xls", {"Werte", "copy", "A:B", "F", "1"}, ShiftedBy({"Werte", true, 6, 2}, 1, 2, 1)},
    };
    TTempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.Book) + " " + c.Args[0] + " " + c.Args[1] + " " + c.Args[2]);
        ExpectSame(RunOnCopy(dir, "columns", c.Book, c.Args), c.Expected(Snapshot(kCorpus / c.Book)));
    }
}

namespace {

// ------------------------------------------------------------ sheet cases

// The sheet a line belongs to, "" for workbook lines.
std::string SheetOf(const std::string& aLine)
{
    const TLines f = Fields(aLine);
    if (f[0].find('!') != std::string::npos) return SheetAndArea(f[0]).first;
    if (f[0] == "#sheet") return f[2];
    if (f[0] == "F" || f[0] == "L" || f[0] == "K") return SheetAndArea(f[1]).first;
    if (f[0] == "W" || f[0] == "N") return "";
    return f[1];
}

// aLine as a line of sheet aNew instead of aOld (its place, not its references).
std::string OnSheet(const std::string& aLine, const std::string& aOld, const std::string& aNew)
{
    TLines f = Fields(aLine);
    if (SheetOf(aLine) != aOld) return aLine;
    std::string& key = f[0].find('!') != std::string::npos ? f[0] : f[0] == "#sheet" ? f[2] : f[1];
    key = aNew + key.substr(aOld.size());
    return Joined(f);
}

// Every line of sheet aOld, and every reference to it, on aNew instead.
std::string Renamed(const std::string& aLine, const std::string& aOld, const std::string& aNew)
{
    std::string line = OnSheet(aLine, aOld, aNew);
    if (line.starts_with("N\t" + aOld + "\t")) line = "N\t" + aNew + line.substr(2 + aOld.size());
    if (line == "W\tactive\t" + aOld) line = "W\tactive\t" + aNew;
    // Formulas quote sheet names, with '' for '.
    const auto quoted = [](std::string aName) {
        for (std::size_t p = 0; (p = aName.find('\'', p)) != std::string::npos; p += 2) aName.insert(p, 1, '\'');
        return aName;
    };
    const std::string o = quoted(aOld), n = quoted(aNew);
    for (const auto& [from, to] : {std::pair{"'" + o + "'!", "'" + n + "'!"}, {"'" + o + ":", "'" + n + ":"},
                                   {":" + o + "'!", ":" + n + "'!"}})
        for (std::size_t p; (p = line.find(from)) != std::string::npos;) line.replace(p, from.size(), to);
    return line;
}

struct TSheetCase {
    const char* Book;
    std::vector<std::string> Args;  // after FILE
    std::vector<std::string> Order;  // the sheets afterwards, new ones with their engine names
    std::function<void(TSnapshot& aExpected, const TSnapshot& aOriginal)> Change;
};

// The sheet lines of a new empty worksheet named aName that is not selected.
TLines EmptySheetLines(const TTempDir& aDir, const std::string& aName)
{
    const std::string file = xls::Utf8FromPath(aDir / "empty.xls");
    EXPECT_EQ(RunXlsTool({"new", file}).Code, 0);
    TLines lines;
    for (const auto& line : Lines(RunXlsTool({"features", file}).Out))
        if (!line.starts_with("W")) lines.push_back(OnSheet(line, "Sheet1", aName));
    Set(lines, "S\t" + aName + "\tselected", "0");
    fs::remove(aDir / "empty.xls");
    return lines;
}

// The #sheet lines for the sheets in aOrder (visibility as they give it, new
// ones visible) and the workbook's sheet count.
void PutSheetsInOrder(TSnapshot& s, const std::vector<std::string>& aOrder)
{
    std::map<std::string, std::string> visibility;
    for (const auto& line : s.Cells)
        if (line.starts_with("#sheet")) visibility[Fields(line)[2]] = Fields(line)[3];
    std::erase_if(s.Cells, [](const std::string& l) { return l.starts_with("#sheet"); });
    for (std::size_t i = 0; i < aOrder.size(); ++i) {
        const auto v = visibility.find(aOrder[i]);
        s.Cells.push_back("#sheet\t" + std::to_string(i) + "\t" + aOrder[i] + "\t" + (v == visibility.end() ? "visible" : v->second));
    }
    Set(s.Features, "W\tsheets", std::to_string(aOrder.size()));
}

}  // namespace

TEST(XlsToolStructure, SheetsInsertedCopiedDeletedClearedRenamedHiddenAndSelected)
{
    TTempDir dir;
    const auto drop = [](TLines& aLines, const std::string& aSheet) {
        std::erase_if(aLines, [&](const std::string& l) { return SheetOf(l) == aSheet; });
    };
    const auto add = [](TLines& aLines, const TLines& aMore) { aLines.insert(aLines.end(), aMore.begin(), aMore.end()); };
    const auto copyOf = [](const TLines& aLines, const std::string& aSheet, const std::string& aNew) {
        TLines out;
        for (const auto& l : aLines)
            if (SheetOf(l) == aSheet && !l.starts_with("#sheet")) out.push_back(OnSheet(l, aSheet, aNew));
        return out;
    };
    const TSheetCase cases[] = {
        {"gen/poi_layout.xls", {"insert", "2"}, {"Layout", "Sheet", "Geteilt", "Zoom"},
         [&](TSnapshot& s, const TSnapshot&) { add(s.Features, EmptySheetLines(dir, "Sheet")); }},
        // Before the sheet the file shows: it still shows that sheet.
        {"gen/poi_layout.xls", {"insert", "Layout"}, {"Sheet", "Layout", "Geteilt", "Zoom"},
         [&](TSnapshot& s, const TSnapshot&) { add(s.Features, EmptySheetLines(dir, "Sheet")); }},
        {"gen/poi_formulas.xls", {"insert", "4", "2"}, {"Formeln", "Daten 2", "Daten3", "Sheet", "Sheet1"},
         [&](TSnapshot& s, const TSnapshot&) {
             add(s.Features, EmptySheetLines(dir, "Sheet"));
             add(s.Features, EmptySheetLines(dir, "Sheet1"));
         }},
        {"gen/poi_layout.xls", {"copy", "Geteilt", "4"}, {"Layout", "Geteilt", "Zoom", "Sheet"},
         [&](TSnapshot& s, const TSnapshot& o) {
             add(s.Cells, copyOf(o.Cells, "Geteilt", "Sheet"));
             add(s.Features, copyOf(o.Features, "Geteilt", "Sheet"));
         }},
        {"gen/poi_layout.xls", {"delete", "Zoom"}, {"Layout", "Geteilt"},
         [&](TSnapshot& s, const TSnapshot&) {
             drop(s.Cells, "Zoom");
             drop(s.Features, "Zoom");
         }},
        // The sheet the file showed goes: the next one is shown.
        {"gen/poi_layout.xls", {"delete", "1"}, {"Geteilt", "Zoom"},
         [&](TSnapshot& s, const TSnapshot&) {
             drop(s.Cells, "Layout");
             drop(s.Features, "Layout");
             Set(s.Features, "W\tactive", "Geteilt");
             Set(s.Features, "S\tGeteilt\tselected", "1");
         }},
        {"gen/poi_layout.xls", {"clear", "Geteilt"}, {"Layout", "Geteilt", "Zoom"},
         [&](TSnapshot& s, const TSnapshot&) {
             drop(s.Cells, "Geteilt");
             drop(s.Features, "Geteilt");
             add(s.Features, EmptySheetLines(dir, "Geteilt"));
         }},
        {"gen/poi_names_sheets.xls", {"rename", "Sichtbar", "Neu & 'Name' 2"},
         {"Neu & 'Name' 2", "Versteckt", "Sehr versteckt", "Übersicht", "数据"},
         [&](TSnapshot& s, const TSnapshot&) {
             for (auto* lines : {&s.Cells, &s.Features})
                 for (auto& l : *lines) l = Renamed(l, "Sichtbar", "Neu & 'Name' 2");
         }},
        {"gen/poi_names_sheets.xls", {"show", "Versteckt"}, {"Sichtbar", "Versteckt", "Sehr versteckt", "Übersicht", "数据"},
         [&](TSnapshot& s, const TSnapshot&) { Set(s.Cells, "#sheet\t1\tVersteckt", "visible"); }},
        {"gen/poi_names_sheets.xls", {"very-hide", "数据"}, {"Sichtbar", "Versteckt", "Sehr versteckt", "Übersicht", "数据"},
         [&](TSnapshot& s, const TSnapshot&) { Set(s.Cells, "#sheet\t4\t数据", "veryhidden"); }},
        // The sheet the file shows, hidden: the next visible one is shown.
        {"gen/poi_names_sheets.xls", {"hide", "1"}, {"Sichtbar", "Versteckt", "Sehr versteckt", "Übersicht", "数据"},
         [&](TSnapshot& s, const TSnapshot&) {
             Set(s.Cells, "#sheet\t0\tSichtbar", "hidden");
             Set(s.Features, "W\tactive", "Übersicht");
             Set(s.Features, "S\tSichtbar\tselected", "0");
             Set(s.Features, "S\tÜbersicht\tselected", "1");
         }},
        {"gen/poi_layout.xls", {"select", "Zoom"}, {"Layout", "Geteilt", "Zoom"},
         [&](TSnapshot& s, const TSnapshot&) {
             Set(s.Features, "W\tactive", "Zoom");
             Set(s.Features, "S\tLayout\tselected", "0");
             Set(s.Features, "S\tZoom\tselected", "1");
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.Book) + " " + c.Args[0] + " " + c.Args[1]);
        const TSnapshot original = Snapshot(kCorpus / c.Book);
        TSnapshot expected = original;
        c.Change(expected, original);
        PutSheetsInOrder(expected, c.Order);
        expected.Cells = Sorted(expected.Cells);
        expected.Features = Sorted(expected.Features);
        ExpectSame(RunOnCopy(dir, "sheets", c.Book, c.Args), expected);
    }
}

// Three rows inserted before row 2 and deleted again give the original back.
TEST(XlsToolStructure, RowsInsertedAndDeletedAgainGiveTheOriginalBack)
{
    TTempDir dir;
    for (const char* book : {"gen/poi_formulas.xls", "gen/gnm_features.xls", "gen/lo_rich_notes_links_pictures.xls",
                             "gen/poi_layout.xls", "gen/poi_pictures.xls", "gen/poi_comments.xls",
                             "gen/poi_hyperlinks.xls", "real/formula_test_names.xls"}) {
        SCOPED_TRACE(book);
        const fs::path file = dir / "book.xls";
        fs::copy_file(kCorpus / book, file, fs::copy_options::overwrite_existing);
        const std::string name = xls::Utf8FromPath(file);
        ASSERT_EQ(RunXlsTool({"rows", name, "1", "insert", "2", "3"}).Code, 0);
        ASSERT_EQ(RunXlsTool({"rows", name, "1", "delete", "2", "3"}).Code, 0);
        ExpectSame(Snapshot(file), Snapshot(kCorpus / book));
    }
}

TEST(XlsToolStructure, RefusedChangesWriteNothing)
{
    TTempDir dir;
    const fs::path file = dir / "book.xls";
    fs::copy_file(kCorpus / "gen" / "poi_names_sheets.xls", file);
    const std::string book = xls::Utf8FromPath(file);
    const std::string out = xls::Utf8FromPath(dir / "out.xls");
    const xls::TBytes before = FileBytes(file);
    const struct {
        std::vector<std::string> Args;
        const char* Err;
    } cases[] = {
        {{"rows", book, "1", "insert", "0"}, "Ivalid arguments to call InsertAndCopyRows\n"},
        {{"rows", book, "1", "insert", "65537"}, "Ivalid arguments to call InsertAndCopyRows\n"},
        {{"rows", book, "1", "delete", "65537"}, "Ivalid arguments to call InsertAndCopyRows\n"},
        {{"rows", book, "1", "delete", "65000", "538"}, "Ivalid arguments to call InsertAndCopyRows\n"},
        {{"rows", book, "1", "insert", "2", "-1"}, "Ivalid arguments to call InsertAndCopyRows\n"},
        // Rows 1 to 4 hold cells: 65533 more push row 4 to 65537.
        {{"rows", book, "1", "insert", "1", "65533"}, "Too many entries for this kind of record (65536 out of a maximum of 65535)\n"},
        {{"rows", book, "1", "copy", "1:3", "2"}, "Ivalid arguments to call InsertAndCopyRows\n"},
        {{"columns", book, "1", "insert", "IW"}, "Ivalid arguments to call InsertAndCopyRows\n"},
        {{"columns", book, "1", "insert", "A", "254"}, "Too many entries for this kind of record (256 out of a maximum of 255)\n"},
        {{"columns", book, "1", "delete", "0"}, "Ivalid arguments to call InsertAndCopyRows\n"},
        {{"sheets", book, "delete", "Nirgends"}, "There is no sheet \"Nirgends\"\n"},
        {{"sheets", book, "insert", "7"}, "Sheet number \"7\" invalid. Must be between 1 and 6\n"},
        {{"sheets", book, "copy", "0", "1"}, "Sheet number \"0\" invalid. Must be between 1 and 5\n"},
        {{"sheets", book, "rename", "1", "versteckt"}, "Sheet name already exists: versteckt\n"},
        {{"sheets", book, "rename", "1", "a/b"}, "Invalid sheet name: \"a/b\"\n"},
        {{"sheets", book, "rename", "1", ""}, "Invalid sheet name: \"\"\n"},
        {{"sheets", book, "rename", "1", "'Zitat'"}, "Invalid sheet name: \"'Zitat'\"\n"},
        {{"sheets", book, "rename", "1", "12345678901234567890123456789012"},
         "Invalid sheet name: \"12345678901234567890123456789012\"\n"},
        {{"sheets", book, "select", "Versteckt"}, "To save this file, you must select a visible sheet\n"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = c.Args;
        SCOPED_TRACE(Joined(args));
        args.insert(args.end(), {"-o", out});
        const TToolRun run = RunXlsTool(args);
        EXPECT_EQ(run.Code, 1);
        // "xlstool: FILE: message" (FILE the one read, or OUT for a refused
        // save), the message perhaps followed by where it happened.
        const std::string message = c.Err;
        const std::string text = message.substr(0, message.size() - 1);
        EXPECT_TRUE(run.Err.starts_with("xlstool: " + book + ": " + text) ||
                    run.Err.starts_with("xlstool: " + out + ": " + text))
            << run.Err;
    }
    // Whatever stands at the end of the sheet stays on it.
    const std::string edge = xls::Utf8FromPath(dir / "edge.xls");
    const struct {
        std::vector<std::string> Setup, Change;
        const char* Err;
    } edges[] = {
        {{"comment", edge, "1", "C65536", "Ende"}, {"rows", edge, "1", "insert", "1"}, "65536 out of a maximum of 65535"},
        {{"sheet", edge, "1", "--merge", "A65535:B65536"}, {"rows", edge, "1", "insert", "2", "3"}, "65538 out of a maximum of 65535"},
        {{"link", edge, "1", "IV1:IV2", "https://example.org/"}, {"columns", edge, "1", "insert", "B"}, "256 out of a maximum of 255"},
    };
    for (const auto& e : edges) {
        SCOPED_TRACE(e.Setup[0]);
        ASSERT_EQ(RunXlsTool({"new", edge}).Code, 0);
        ASSERT_EQ(RunXlsTool(e.Setup).Code, 0);
        const xls::TBytes kept = FileBytes(dir / "edge.xls");
        const TToolRun run = RunXlsTool(e.Change);
        EXPECT_EQ(run.Code, 1);
        const std::string prefix = "xlstool: " + edge + ": Too many entries for this kind of record (" + e.Err + ")";
        EXPECT_EQ(run.Err.substr(0, prefix.size()), prefix) << run.Err;
        EXPECT_EQ(FileBytes(dir / "edge.xls"), kept);
    }
    fs::remove(dir / "edge.xls");

    // Deleting or hiding the last visible sheets: the first two of three go.
    ASSERT_EQ(RunXlsTool({"sheets", book, "delete", "Sichtbar", "-o", out}).Code, 0);
    ASSERT_EQ(RunXlsTool({"sheets", out, "hide", "数据"}).Code, 0);
    const xls::TBytes last = FileBytes(dir / "out.xls");
    for (const char* action : {"delete", "hide", "very-hide"}) {
        const TToolRun run = RunXlsTool({"sheets", out, action, "Übersicht"});
        EXPECT_EQ(run.Code, 1) << action;
        const std::string prefix = "xlstool: " + out + ": There are not visible sheets on the file";
        EXPECT_EQ(run.Err.substr(0, prefix.size()), prefix) << action << ": " << run.Err;
    }
    EXPECT_EQ(FileBytes(dir / "out.xls"), last);
    fs::remove(dir / "out.xls");

    for (const std::vector<std::string>& usage : std::vector<std::vector<std::string>>{
             {"rows", book, "1"}, {"rows", book, "1", "move", "2"}, {"rows", book, "1", "insert", "x"},
             {"rows", book, "1", "copy", "2"}, {"columns", book, "1", "insert", "A1"}, {"sheets", book},
             {"sheets", book, "rename", "1"}, {"sheets", book, "hide", "1", "2"}, {"sheets", book, "insert", "1", "x"}})
        EXPECT_EQ(RunXlsTool(usage).Code, 2) << Joined(usage);
    EXPECT_EQ(FileBytes(file), before);
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"book.xls"});
}
