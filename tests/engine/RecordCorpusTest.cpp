// The record layer over every readable workbook of the corpus: records write
// back their bytes, xlstool records agrees with the record lister, and the
// shared strings agree with the reference dump.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "RecordTestSupport.h"
#include "base/UXlsUnicode.h"
#include "facade/UXlsEmptyTemplate.h"
#include "records/UXlsOtherRecords.h"

using namespace rectest;
namespace fs = std::filesystem;

namespace {

// Kinds whose classes write nothing: the dropped kinds, and STRING, which the
// formula cell writes itself.
const std::set<std::uint16_t> kNotWritten{0x0059, 0x005A, 0x00D7, 0x00ED, 0x00FF, 0x013D, 0x01C1, 0x020B, 0x1060, 0x0207};

// Settings the engine corrects on save: a window of zero width or height,
// a default column width above 255; formulas and data tables read from a
// file are marked for recalculation.
void Corrected(std::uint16_t aId, TByteSpan aData)
{
    if (aId == 0x003D)
        for (std::size_t ofs : {4u, 6u})
            if (GetWord(aData, ofs) == 0) SetWord(aData, ofs, 1);
    if (aId == 0x0055 && GetWord(aData, 0) > 255) SetWord(aData, 0, 255);
    if (aId == xlr_FORMULA) SetWord(aData, 14, GetWord(aData, 14) | 0x0002);
    if (aId == xlr_TABLE) SetWord(aData, 6, GetWord(aData, 6) | 0x0003);
}

// The stream's records up to aEnd as the engine writes them: without the
// kinds that are not written (each with its CONTINUE records), with the
// corrected settings.
TBytes WrittenKinds(const TBytes& aStream, std::size_t aEnd)
{
    TBytes kept;
    bool keep = true;
    for (std::size_t pos = 0; pos + 4 <= aEnd;) {
        const std::uint16_t id = GetWord(aStream, pos);
        const std::size_t next = pos + 4 + GetWord(aStream, pos + 2);
        if (id != xlr_CONTINUE || pos == 0) keep = !kNotWritten.contains(id);
        if (keep) {
            const std::size_t at = kept.size();
            kept.insert(kept.end(), aStream.begin() + std::ptrdiff_t(pos), aStream.begin() + std::ptrdiff_t(next));
            Corrected(id, TByteSpan(kept).subspan(at + 4));
        }
        pos = next;
    }
    return kept;
}

struct TWorkbookStream {
    TBytes FileBytes;
    TBytes Raw;
    std::vector<std::unique_ptr<TBaseRecord>> Records;
    std::int64_t PaddingStart = -1;
};

TWorkbookStream ReadWorkbook(const fs::path& aPath)
{
    TWorkbookStream w;
    w.FileBytes = ReadFileBytes(aPath.string());
    w.Raw = ReadWorkbookStreamOf(w.FileBytes);
    TMemoryStream mem(w.FileBytes);
    TOle2File ole(mem);
    SelectWorkbookStream(ole);
    w.Records = ReadAll(ole, &w.PaddingStart);
    return w;
}

std::vector<std::string> Lines(const std::string& aText)
{
    std::vector<std::string> lines;
    std::istringstream in(aText);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string A1(std::uint16_t aCol, std::uint16_t aRow)
{
    std::string letters;
    for (int c = aCol + 1; c > 0; c = (c - 1) / 26) letters.insert(letters.begin(), char('A' + (c - 1) % 26));
    return letters + std::to_string(aRow + 1);
}

}  // namespace

TEST(RecordCorpus, EveryRecordWritesBackItsBytes)
{
    const auto files = ReadableCorpusFiles();
    ASSERT_GE(files.size(), 40u);
    for (const auto& path : files) {
        SCOPED_TRACE(path.filename().string());
        TWorkbookStream w = ReadWorkbook(path);
        std::size_t end = w.Raw.size();
        if (w.PaddingStart >= 0) {
            end = static_cast<std::size_t>(w.PaddingStart);
            EXPECT_TRUE(std::all_of(w.Raw.begin() + std::ptrdiff_t(end), w.Raw.end(), [](std::uint8_t b) { return b == 0; }));
        }
        std::int64_t total = 0;
        for (const auto& r : w.Records) total += r->TotalSize();
        const TBytes written = Written([&](TOle2File& out) {
            for (auto& r : w.Records) r->SaveToStream(out);
        });
        EXPECT_EQ(total, std::int64_t(written.size()));
        // Formula cells write their own STRING records (with the text a sheet
        // gives them): both sides are compared without STRING records.
        EXPECT_TRUE(SameBytes(WrittenKinds(written, written.size()), WrittenKinds(w.Raw, end)));
    }
}

TEST(RecordCorpus, TheEmptyWorkbookReadsAndWritesBack)
{
    const TBytes raw = ole2test::ReadStreamOf(EmptyWorkbookTemplate(), u"Workbook");
    TMemoryStream mem(EmptyWorkbookTemplate());
    TOle2File ole(mem);
    ole.SelectStream(u"Workbook");
    std::int64_t padding = -1;
    auto records = ReadAll(ole, &padding);
    ASSERT_GE(records.size(), 10u);
    EXPECT_EQ(records.front()->Id(), xlr_BOF);
    const std::size_t end = padding >= 0 ? static_cast<std::size_t>(padding) : raw.size();
    EXPECT_TRUE(SameBytes(Written([&](TOle2File& out) {
                              for (auto& r : records) r->SaveToStream(out);
                          }),
                          WrittenKinds(raw, end)));
}

// expected/<file>.records is the record lister's listing of the file
// (../shared/tools/biffrecords.py), kept with the corpus.
TEST(RecordCorpus, RecordsListingAgreesWithTheRecordLister)
{
    for (const auto& path : ReadableCorpusFiles()) {
        SCOPED_TRACE(path.filename().string());
        const TToolRun ours = RunXlsTool({"records", path.string()});
        const TBytes reference =
            ReadFileBytes((path.parent_path().parent_path() / "expected" / (path.filename().string() + ".records")).string());
        EXPECT_EQ(ours.Code, 0);
        ASSERT_FALSE(reference.empty());
        EXPECT_EQ(ours.Out, std::string(reference.begin(), reference.end()));
    }
}

// Every LABELSST cell of a worksheet, resolved through the SST as xlstool sst
// prints it, shows the same text as the reference dump for that cell.
TEST(RecordCorpus, SharedStringsAgreeWithTheDump)
{
    std::size_t checkedCells = 0;
    for (const auto& path : ReadableCorpusFiles()) {
        SCOPED_TRACE(path.filename().string());
        const TToolRun sst = RunXlsTool({"sst", path.string()});
        ASSERT_EQ(sst.Code, 0);
        const std::vector<std::string> strings = Lines(sst.Out);

        std::map<std::string, std::string> dump;
        std::ifstream dumpFile(path.parent_path().parent_path() / "expected" / (path.filename().string() + ".dump"));
        for (std::string line; std::getline(dumpFile, line);) {
            const auto tab = line.find('\t');
            if (tab != std::string::npos) dump[line.substr(0, tab)] = line.substr(tab + 1);
        }

        TWorkbookStream w = ReadWorkbook(path);
        std::map<std::uint32_t, std::string> sheetAt;  // BOF offset -> sheet name
        std::int64_t offset = 0;
        std::string sheet;
        bool worksheet = false;
        for (const auto& rec : w.Records) {
            if (const auto* bound = dynamic_cast<const TBoundSheetRecord*>(rec.get()))
                sheetAt[bound->Offset()] = Utf16ToUtf8(bound->SheetName());
            if (const auto* sstRecord = dynamic_cast<const TSSTRecord*>(rec.get())) {
                EXPECT_EQ(strings.size(), sstRecord->Count());
            }
            if (const auto* bof = dynamic_cast<const TBOFRecord*>(rec.get())) {
                auto it = sheetAt.find(static_cast<std::uint32_t>(offset));
                if (it != sheetAt.end()) {
                    sheet = it->second;
                    worksheet = bof->BOFType() == TBOFRecord::TypeWorksheet;
                }
            }
            if (const auto* label = dynamic_cast<const TLabelSSTRecord*>(rec.get()); label && worksheet) {
                const std::uint32_t index = GetCardinal(label->Data(), 6);
                ASSERT_LT(index, strings.size());
                const std::string ref = sheet + "!" + A1(label->Column(), label->Row());
                EXPECT_EQ(dump[ref], "s\t" + strings[index]) << ref;
                ++checkedCells;
            }
            offset += StreamExtent(*rec);
        }
    }
    EXPECT_GT(checkedCells, 30000u);
}

TEST(RecordCorpus, SharedStringTablesSaveAndLoadBack)
{
    for (const auto& path : ReadableCorpusFiles()) {
        SCOPED_TRACE(path.filename().string());
        TWorkbookStream w = ReadWorkbook(path);
        for (const auto& rec : w.Records) {
            const auto* sstRecord = dynamic_cast<const TSSTRecord*>(rec.get());
            if (!sstRecord) continue;
            TSST sst;
            sst.Load(*sstRecord);
            ASSERT_EQ(sst.Count(), sstRecord->Count());
            std::vector<TRichString> loaded;
            for (std::size_t i = 0; i < sst.Count(); ++i) loaded.push_back(sst.EntryRichText(sst.Items(i)));
            const TSaved saved = SaveAndReload(sst);
            EXPECT_EQ(saved.Strings, loaded);
        }
    }
}

TEST(RecordTools, RefuseWhatTheyCannotRead)
{
    const std::string corpus = kCorpus + "/";
    TBytes badSST = Cat({Rec(xlr_BOF, TBytes{0x00, 0x06, 0x05, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}),
                         Rec(xlr_SST, TBytes{3, 0, 0, 0, 3, 0, 0, 0, 1, 0, 0, 'a'}), Rec(xlr_EOF, {})});
    const testproc::TTempDir dir;
    const fs::path badFile = dir / "records_bad_sst.xls";
    const TBytes badBytes = CompoundFileWith(badSST);
    std::ofstream(badFile, std::ios::binary)
        .write(reinterpret_cast<const char*>(badBytes.data()), std::streamsize(badBytes.size()));

    struct Case {
        std::vector<std::string> Args;
        int Code;
        std::string Output;
    };
    const std::string filepass = ": File is password protected (stream \"Workbook\", record FILEPASS (0x002F) at offset 20)\n";
    const Case cases[] = {
        {{"records", corpus + "gen/poi_encrypted.xls"}, 1, "xlstool: " + corpus + "gen/poi_encrypted.xls" + filepass},
        {{"sst", corpus + "gen/lo_encrypted.xls"}, 1, "xlstool: " + corpus + "gen/lo_encrypted.xls" + filepass},
        {{"sst", badFile.string()}, 1,
         "xlstool: " + badFile.string() + ": Error reading record (stream \"Workbook\", record SST (0x00FC) at offset 20)\n"},
        {{"records", badFile.string(), "extra"}, 2, "usage: xlstool records FILE"},
        {{"sst"}, 2, "usage: xlstool sst FILE"},
    };
    for (const auto& c : cases) {
        const TToolRun run = RunXlsTool(c.Args, true);
        EXPECT_EQ(run.Code, c.Code) << c.Args[0];
        if (c.Code == 2) {
            EXPECT_NE(run.Out.find(c.Output), std::string::npos) << c.Args[0];  // the subcommand's help
        } else {
            EXPECT_EQ(run.Out, c.Output) << c.Args[0];
        }
    }
}
