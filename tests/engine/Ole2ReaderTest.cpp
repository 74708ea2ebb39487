#include <gtest/gtest.h>

#include "Ole2TestFiles.h"

using namespace ole2test;

namespace {

const std::string kInvalid = "Error reading Excel records. File invalid";
const std::string kNotCompound = R"(The file "" is invalid)";

// Root, a regular Workbook stream, a small summary stream and a storage with one stream.
std::vector<TTestEntry> SampleEntries(std::size_t workbookSize = 5000)
{
    std::vector<TTestEntry> e{Root(),
                              {u"Workbook", STGTY_STREAM, Pattern(workbookSize, 1)},
                              {u"\x05SummaryInformation", STGTY_STREAM, Pattern(200, 2)},
                              {u"Storage", STGTY_STORAGE, {}},
                              {u"Inner", STGTY_STREAM, Pattern(700, 3)}};
    e = FlatTree(e);
    e[3].Right = NOSTREAM;  // Inner lives in Storage, not beside it
    e[2].Right = 3;
    e[3].Child = 4;
    return e;
}

}  // namespace

TEST(Ole2Reader, ReadsRegularAndMiniStreamsInSmallPieces)
{
    TTestFile f = BuildCompoundFile(SampleEntries(30000));
    TMemoryStream s(f.Bytes);
    TOle2File file(s);
    for (auto [name, data] : {std::pair{u"Workbook", Pattern(30000, 1)}, std::pair{u"\x05SummaryInformation", Pattern(200, 2)},
                              std::pair{u"Inner", Pattern(700, 3)}}) {
        file.SelectStream(name);
        ASSERT_EQ(file.Length(), std::int64_t(data.size()));
        TBytes got;
        // Record-like pieces: a 4-byte header, then a body of varying size.
        for (std::size_t piece = 0; !file.Eof(); ++piece) {
            std::size_t n = std::min<std::size_t>(piece % 2 == 0 ? 4 : 1 + piece * 7 % 300, data.size() - got.size());
            TBytes b(n);
            file.ReadMem(b.data(), n);
            got.insert(got.end(), b.begin(), b.end());
            EXPECT_EQ(file.Position(), std::int64_t(got.size()));
        }
        EXPECT_EQ(got, data);
    }
}

TEST(Ole2Reader, ReadsExactlyToTheEndAndRefusesOneByteMore)
{
    TTestFile f = BuildCompoundFile(SampleEntries());
    for (std::u16string name : {u"Workbook", u"Inner"}) {
        TMemoryStream s(f.Bytes);
        TOle2File file(s);
        file.SelectStream(name);
        TBytes b(std::size_t(file.Length()) - 10);
        file.ReadMem(b.data(), b.size());
        TBytes rest(11, 0xAA);
        EXPECT_EQ(ErrorOf([&] { file.ReadMem(rest.data(), 11); }), "End of stream reached with 1 bytes left to read");
        EXPECT_EQ(rest, TBytes(11, 0xAA)) << "nothing is read";
        EXPECT_EQ(file.Position(), file.Length() - 10);
        file.ReadMem(rest.data(), 10);
        EXPECT_TRUE(file.Eof());
        EXPECT_EQ(ErrorOf([&] { file.ReadMem(rest.data(), 1); }), "End of stream reached with 1 bytes left to read");
    }
}

TEST(Ole2Reader, NextEofIsTrueWhenCountOrFewerBytesAreLeft)
{
    TTestFile f = BuildCompoundFile(SampleEntries());
    TMemoryStream s(f.Bytes);
    TOle2File file(s);
    file.SelectStream(u"Inner");  // 700 bytes
    for (auto [pos, expected] : {std::pair{696, false}, std::pair{697, true}, std::pair{700, true}}) {
        file.SelectStream(u"Inner");
        file.SeekForward(pos);
        EXPECT_EQ(file.NextEof(3), expected) << pos;
        EXPECT_EQ(file.Eof(), pos == 700);
    }
}

TEST(Ole2Reader, SeekForwardSkipsAndRefusesToGoBack)
{
    TTestFile f = BuildCompoundFile(SampleEntries());
    TMemoryStream s(f.Bytes);
    TOle2File file(s);
    file.SelectStream(u"Workbook");
    file.SeekForward(4000);
    std::uint8_t b[4];
    file.ReadMem(b, 4);
    TBytes data = Pattern(5000, 1);
    EXPECT_EQ(TBytes(b, b + 4), TBytes(data.begin() + 4000, data.begin() + 4004));
    EXPECT_EQ(ErrorOf([&] { file.SeekForward(10); }), "Tabora can't read the properties of this file.");
    EXPECT_EQ(ErrorOf([&] { file.SeekForward(5001); }), "End of stream reached with 1 bytes left to read");
}

TEST(Ole2Reader, MiniStreamCutoffBoundary)
{
    // 4096 bytes live in regular sectors, 4095 in the mini stream.
    std::vector<TTestEntry> e = FlatTree({Root(), {u"Workbook", STGTY_STREAM, Pattern(4096, 1)},
                                          {u"Small", STGTY_STREAM, Pattern(4095, 2)}});
    TTestFile f = BuildCompoundFile(e);
    EXPECT_NE(f.Start[1], ENDOFCHAIN);
    EXPECT_EQ(f.Start[2], 0u) << "the first mini sector";
    EXPECT_EQ(GetCardinal(f.Bytes, f.EntryPos(0) + 120), 4096u) << "the mini stream holds only Small";
    EXPECT_EQ(ReadStreamOf(f.Bytes, u"Workbook"), Pattern(4096, 1));
    EXPECT_EQ(ReadStreamOf(f.Bytes, u"Small"), Pattern(4095, 2));
}

TEST(Ole2Reader, HeaderDifatFreeSlotsKeepSectorIndexes)
{
    // Sectors 0..255 are unused: the first two DIFAT slots are free, and the
    // FAT sector after them must still describe sectors from 256 on.
    TTestFile f = BuildCompoundFile(SampleEntries(), {9, 256, true});
    ASSERT_EQ(GetCardinal(f.Bytes, 76), FREESECT);
    ASSERT_EQ(GetCardinal(f.Bytes, 80), FREESECT);
    ASSERT_NE(GetCardinal(f.Bytes, 84), FREESECT);
    TMemoryStream s(f.Bytes);
    TOle2File file(s);
    EXPECT_EQ(ReadWholeStream(file, u"Workbook"), Pattern(5000, 1));
    EXPECT_EQ(ReadWholeStream(file, u"Inner"), Pattern(700, 3));
}

TEST(Ole2Reader, ReadsFilesWithDifatSectors)
{
    // More than 109 FAT sectors: the FAT continues in a DIFAT sector.
    TTestFile f = BuildCompoundFile(SampleEntries(7'300'000));
    ASSERT_EQ(GetCardinal(f.Bytes, 72), 1u);
    EXPECT_EQ(ReadStreamOf(f.Bytes, u"Workbook"), Pattern(7'300'000, 1));
}

TEST(Ole2Reader, ReadsFilesWith4096ByteSectors)
{
    std::vector<TTestEntry> e = SampleEntries(20000);
    TTestFile f = BuildCompoundFile(e, {12});
    ASSERT_EQ(f.Bytes.size() % 4096, 0u);
    TMemoryStream s(f.Bytes);
    TOle2File file(s);
    EXPECT_EQ(file.Header().SectorSize, 4096u);
    EXPECT_EQ(ReadWholeStream(file, u"Workbook"), Pattern(20000, 1));
    EXPECT_EQ(ReadWholeStream(file, u"\x05SummaryInformation"), Pattern(200, 2));
    EXPECT_EQ(ReadWholeStream(file, u"Inner"), Pattern(700, 3));
}

TEST(Ole2Reader, ReadsAFileThatStartsInsideTheStream)
{
    TTestFile f = BuildCompoundFile(SampleEntries());
    TBytes shifted(777, 0x55);
    shifted.insert(shifted.end(), f.Bytes.begin(), f.Bytes.end());
    TMemoryStream s(shifted);
    s.SetPosition(777);
    TOle2File file(s);
    EXPECT_EQ(ReadWholeStream(file, u"Workbook"), Pattern(5000, 1));
    EXPECT_EQ(ReadWholeStream(file, u"Inner"), Pattern(700, 3));
}

TEST(Ole2Reader, NameLookupFoldsAsciiOnlyAndTakesTheFirstMatch)
{
    std::vector<TTestEntry> e = FlatTree({Root(),
                                          {u"Data", STGTY_STORAGE, {}},
                                          {u"data", STGTY_STREAM, Pattern(10, 1)},
                                          {u"\u00C4rger", STGTY_STREAM, Pattern(10, 2)},
                                          {u"Workbook", STGTY_STREAM, Pattern(5000, 3)}});
    TTestFile f = BuildCompoundFile(e);
    // A storage that claims a size and a sector chain: its chain is never followed.
    SetCardinal(f.Bytes, f.EntryPos(1) + 116, 0);
    SetCardinal(f.Bytes, f.EntryPos(1) + 120, 0x7FFFFFFF);
    TMemoryStream s(f.Bytes);
    TOle2File file(s);
    EXPECT_EQ(ReadWholeStream(file, u"WORKBOOK"), Pattern(5000, 3));
    EXPECT_EQ(ReadWholeStream(file, u"\u00C4RGER"), Pattern(10, 2));
    EXPECT_EQ(file.FindDir(u"\u00E4rger"), nullptr) << "non-ASCII letters do not fold";
    auto first = file.FindDir(u"DATA");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->ObjType(), STGTY_STORAGE) << "the first entry wins, even a storage";
    file.SelectStream(u"data");
    EXPECT_EQ(file.Length(), 0) << "a storage has no data";
    EXPECT_EQ(ErrorOf([&] { file.SelectStream(u"Missing"); }), kNotCompound);
    EXPECT_TRUE(TOle2File::FindString(u"Data", std::vector<std::u16string>{u"x", u"Data"}));
    EXPECT_FALSE(TOle2File::FindString(u"data", std::vector<std::u16string>{u"x", u"Data"}));
}

TEST(Ole2Reader, NameLengthOutsideTwoToSixtyFourGivesAnEmptyName)
{
    TTestFile f = BuildCompoundFile(SampleEntries());
    for (std::uint16_t length : std::initializer_list<std::uint16_t>{0, 1, 65, 0x140}) {
        TBytes bytes = f.Bytes;
        SetWord(bytes, f.EntryPos(2) + 64, length);
        TMemoryStream s(bytes);
        TOle2File file(s);
        EXPECT_EQ(file.FindDir(u"\x05SummaryInformation"), nullptr) << length;
        auto empty = file.FindDir(u"");
        ASSERT_NE(empty, nullptr);
        EXPECT_EQ(empty->xulSize(), length == 0x140 ? 0u : 200u)
            << "only the low byte counts: 0x140 reads as 64, a full-length name";
    }
}

TEST(Ole2Reader, DirectoryNamesHoldAtMost31Characters)
{
    TOle2Directory entry(TBytes(128, 0));
    entry.SetName(u"Workbook");
    EXPECT_EQ(entry.Name(), u"Workbook");
    EXPECT_EQ(entry.NameSize(), 16u);
    EXPECT_EQ(GetWord(entry.Data, 64), 18);
    entry.SetName(std::u16string(31, u'x'));
    EXPECT_EQ(entry.Name(), std::u16string(31, u'x'));
    EXPECT_EQ(ErrorOf([&] { entry.SetName(std::u16string(32, u'x')); }),
              "Too many entries for this kind of record (64 out of a maximum of 62)");
}

TEST(Ole2Reader, NotACompoundFileWithAvoidExceptions)
{
    TBytes bytes = Pattern(3000, 9);
    TMemoryStream s(bytes);
    s.SetPosition(5);
    TOle2File file(s, true);
    EXPECT_TRUE(file.NotXls97());
    EXPECT_EQ(s.Position(), 5);
    EXPECT_EQ(ErrorOf([&] { file.SelectStream(u"Workbook"); }), R"(Invalid OLE Stream operation on stream: "Workbook")");
}

namespace {

struct TBadInput {
    const char* What;
    std::function<void(TTestFile&)> Damage;
    std::string Message;
};

void SetHeader(TTestFile& f, std::size_t ofs, std::uint32_t v) { SetCardinal(f.Bytes, ofs, v); }

}  // namespace

// Every damage gives a clear engine error, whether it shows on opening or on reading.
TEST(Ole2Reader, RefusesDamagedFilesWithAClearError)
{
    const std::uint32_t wbStart = BuildCompoundFile(SampleEntries()).Start[1];  // 10 sectors from here
    const std::vector<TBadInput> cases{
        {"shorter than its header", [](TTestFile& f) { f.Bytes.resize(400); }, kNotCompound},
        {"empty", [](TTestFile& f) { f.Bytes.clear(); }, kNotCompound},
        {"wrong signature", [](TTestFile& f) { f.Bytes[7] = 0; }, kNotCompound},
        {"random bytes", [](TTestFile& f) { f.Bytes = Pattern(20000, 4); }, kNotCompound},
        {"random bytes behind a signature",
         [](TTestFile& f) {
             TBytes r = Pattern(20000, 5);
             std::copy_n(f.Bytes.begin(), 8, r.begin());
             f.Bytes = r;
         },
         kInvalid},
        {"sector shift 10", [](TTestFile& f) { SetWord(f.Bytes, 30, 10); }, kInvalid},
        {"sector shift 0", [](TTestFile& f) { SetWord(f.Bytes, 30, 0); }, kInvalid},
        {"mini sector shift 3", [](TTestFile& f) { SetWord(f.Bytes, 32, 3); }, kInvalid},
        {"mini sector shift as large as a sector", [](TTestFile& f) { SetWord(f.Bytes, 32, 9); }, kInvalid},
        {"mini stream cutoff 4 GB", [](TTestFile& f) { SetHeader(f, 56, 0xFFFFFFFF); }, kInvalid},
        {"huge FAT sector count", [](TTestFile& f) { SetHeader(f, 44, 0x7FFFFFFF); }, kInvalid},
        {"huge DIFAT sector count", [](TTestFile& f) { SetHeader(f, 72, 0x10000000); }, kInvalid},
        {"huge mini FAT sector count", [](TTestFile& f) { SetHeader(f, 64, 0xFFFFFFF0); }, kInvalid},
        {"DIFAT count without DIFAT sectors", [](TTestFile& f) { SetHeader(f, 72, 1); }, kInvalid},
        {"FAT sector outside the file", [](TTestFile& f) { SetHeader(f, 76, 5000); },
         kInvalid + " (sector 5000 at file offset 2560512)"},
        {"mini FAT chain shorter than its count", [](TTestFile& f) { SetHeader(f, 64, 2); }, kInvalid},
        {"no directory", [](TTestFile& f) { SetHeader(f, 48, ENDOFCHAIN); }, kInvalid},
        {"directory chain that never ends",
         [](TTestFile& f) { f.SetFatEntry(f.DirSectors[0], f.DirSectors[0]); },
         kInvalid + " (sector 12 at file offset 6656)"},
        {"first entry is not the root", [](TTestFile& f) { f.Bytes[f.EntryPos(0) + 66] = STGTY_STORAGE; }, kInvalid},
        {"FAT chain pointing outside the FAT", [=](TTestFile& f) { f.SetFatEntry(wbStart + 3, 5000); },
         "List index out of bounds (5000)"},
        {"FAT chain pointing past the end of the file", [=](TTestFile& f) { f.SetFatEntry(wbStart + 3, 100); },
         kInvalid + " (sector 100 at file offset 51712)"},
        {"cyclic chain", [=](TTestFile& f) { f.SetFatEntry(wbStart + 9, wbStart); },
         kInvalid + " (sector 2 at file offset 1536)"},
        {"chain ending early", [=](TTestFile& f) { f.SetFatEntry(wbStart + 8, ENDOFCHAIN); }, kInvalid},
        {"stream size larger than its chain",
         [](TTestFile& f) { SetCardinal(f.Bytes, f.EntryPos(1) + 120, 100000); }, kInvalid},
        {"sector in two chains",
         [=](TTestFile& f) { SetCardinal(f.Bytes, f.EntryPos(0) + 116, wbStart + 9); }, kInvalid},
        {"mini stream chain running into the Workbook's sectors",
         [=](TTestFile& f) { f.SetFatEntry(f.Start[0], wbStart + 5); }, kInvalid + " (sector 7 at file offset 4096)"},
        {"mini chain pointing outside the mini FAT",
         [](TTestFile& f) { SetCardinal(f.Bytes, f.SectorPos(f.MiniFatSectors[0]), 900); },
         "List index out of bounds (900)"},
        {"mini sector beyond the mini stream",
         [](TTestFile& f) { SetCardinal(f.Bytes, f.SectorPos(f.MiniFatSectors[0]), 100); }, kInvalid},
        {"mini chain ending early",
         [](TTestFile& f) { SetCardinal(f.Bytes, f.SectorPos(f.MiniFatSectors[0]), ENDOFCHAIN); }, kInvalid},
    };
    for (const auto& c : cases) {
        TTestFile f = BuildCompoundFile(SampleEntries());
        c.Damage(f);
        std::string error = ErrorOf([&] {
            TMemoryStream s(f.Bytes);
            TOle2File file(s);
            ReadWholeStream(file, u"Workbook");
            ReadWholeStream(file, u"\x05SummaryInformation");
            ReadWholeStream(file, u"Inner");
        });
        EXPECT_EQ(error, c.Message) << c.What;
    }
}

// A chain that runs on behind the sectors its stream needs: into the
// directory or a sector nothing uses, the stream reads as it is and a copy
// has an exact chain; into another stream's data, or in a circle, the file
// is refused.
TEST(Ole2Reader, ChainsLongerThanTheirStream)
{
    const auto build = [] { return BuildCompoundFile(SampleEntries(), {.LeadingFreeSectors = 1}); };
    const std::uint32_t last = build().Start[1] + 9;  // the Workbook's tenth and last sector
    const struct {
        const char* What;
        std::function<void(TTestFile&)> Lengthen;
        std::string Error;
    } cases[] = {
        {"into the directory", [&](TTestFile& f) { f.SetFatEntry(last, f.DirSectors[0]); }, "(no error)"},
        {"through an unused sector",
         [&](TTestFile& f) {
             f.SetFatEntry(last, 0);
             f.SetFatEntry(0, ENDOFCHAIN);
         },
         "(no error)"},
        {"into the mini stream", [&](TTestFile& f) { f.SetFatEntry(last, f.Start[0]); },
         kInvalid + " (sector 1 at file offset 1024)"},
        {"in a circle",
         [&](TTestFile& f) {
             f.SetFatEntry(last, 0);
             f.SetFatEntry(0, 0);
         },
         kInvalid + " (sector 0 at file offset 512)"},
    };
    for (const auto& c : cases) {
        TTestFile f = build();
        c.Lengthen(f);
        TBytes copy;
        EXPECT_EQ(ErrorOf([&] {
                      TMemoryStream s(f.Bytes);
                      TOle2File file(s);
                      EXPECT_EQ(ReadWholeStream(file, u"Workbook"), Pattern(5000, 1));
                      copy = WriteCopy(f.Bytes, Pattern(5000, 9));
                  }),
                  c.Error)
            << c.What;
        if (copy.empty()) continue;
        // The copy's chain has the stream's ten sectors and ends there.
        TMemoryStream s(copy);
        TOle2File file(s);
        EXPECT_EQ(ReadWholeStream(file, u"Workbook"), Pattern(5000, 9)) << c.What;
        const std::uint32_t start = TOle2Directory::GetSectStart(file.FindDir(u"Workbook")->Data, 0);
        const std::size_t fat = (std::size_t(GetCardinal(copy, 76)) + 1) * 512;  // the one FAT sector
        std::uint32_t sectors = 0;
        for (std::uint32_t sect = start; sect != ENDOFCHAIN; sect = GetCardinal(copy, fat + 4 * sect)) ++sectors;
        EXPECT_EQ(sectors, 10u) << c.What;
    }
}

TEST(Ole2Reader, RefusesTheCorpusFileWhoseMiniStreamRunsIntoTheWorkbook)
{
    TBytes bytes = ReadFileBytes(std::string(TAGSTATION_CORPUS_DIR) + "/real/corrupted_error.xls");
    TMemoryStream s(bytes);
    // The root's chain runs on from its one sector through all of the Workbook's.
    EXPECT_EQ(ErrorOf([&] { TOle2File file(s); }), kInvalid + " (sector 2 at file offset 1536)");
}

// Damage at random places: every outcome is data or an engine error, never
// a crash, a hang or another kind of exception (checked under the sanitizers too).
TEST(Ole2Reader, SurvivesRandomDamage)
{
    const TTestFile f = BuildCompoundFile(SampleEntries());
    std::uint32_t x = 12345;
    auto next = [&] { return x = x * 1103515245u + 12345u, x >> 8; };
    int refused = 0;
    for (int round = 0; round < 20000; ++round) {
        TBytes bytes = f.Bytes;
        for (int k = 0, n = 1 + int(next() % 4); k < n; ++k) {
            // Half of the damage goes to the header, the rest anywhere.
            std::size_t pos = next() % (next() % 2 == 0 ? 512 : bytes.size());
            // Mostly small numbers and special sector values, which reach deeper than noise.
            static const std::uint32_t kValues[] = {0, 1, 2, 5, 7, 100, 4096, MAXREGSECT, DIFSECT, FATSECT, ENDOFCHAIN, FREESECT};
            std::uint32_t v = next() % 3 == 0 ? next() : kValues[next() % std::size(kValues)];
            for (std::size_t i = 0; i < 4 && pos + i < bytes.size(); ++i) bytes[pos + i] = std::uint8_t(v >> (8 * i));
        }
        try {
            TMemoryStream in(bytes);
            TOle2File file(in);
            for (const TOle2Directory& e : file.ReadDirectory()) {
                if (e.ObjType() != STGTY_STREAM || e.xulSize() > 100000) continue;
                try {
                    ReadWholeStream(file, e.Name());
                } catch (const EXlsException&) {
                    ++refused;
                }
            }
            TMemoryStream out;
            file.PrepareForWrite(out, u"Workbook");
            file.WriteMem(bytes.data(), 100);
            file.Close();
        } catch (const EXlsException&) {
            ++refused;
        }
    }
    EXPECT_GT(refused, 2000) << "the damage reached the checks";
}
