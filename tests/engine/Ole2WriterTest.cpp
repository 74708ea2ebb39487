#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "Ole2TestFiles.h"
#include "TestProcess.h"

using namespace ole2test;

namespace {

const std::string kBadOperation = R"(Invalid OLE Stream operation on stream: "")";

// Root with a 320-byte mini stream (a 50-byte Workbook and a 200-byte summary
// stream), one directory sector with a free entry, one mini FAT sector.
TTestFile SmallInput()
{
    return BuildCompoundFile(FlatTree({Root(),
                                       {u"Workbook", STGTY_STREAM, Pattern(50, 1)},
                                       {u"\x05SummaryInformation", STGTY_STREAM, Pattern(200, 2)}}));
}

TBytes Slice(const TBytes& b, std::size_t pos, std::size_t n) { return TBytes(b.begin() + std::ptrdiff_t(pos), b.begin() + std::ptrdiff_t(pos + n)); }

std::size_t FindEntry(const TParsedFile& p, std::u16string_view name)
{
    for (std::size_t i = 0; i < p.Entries.size(); ++i)
        if (TOle2Directory::GetName(p.Bytes, p.Entries[i]) == name) return i;
    ADD_FAILURE() << "no entry " << Utf16ToUtf8(name);
    return 0;
}

bool Contiguous(const std::vector<std::uint32_t>& chain)
{
    for (std::size_t i = 1; i < chain.size(); ++i)
        if (chain[i] != chain[i - 1] + 1) return false;
    return true;
}

}  // namespace

TEST(Ole2Writer, CompleteSmallCaseByteForByte)
{
    TTestFile in = SmallInput();
    ASSERT_EQ(in.Start[0], 0u);
    ASSERT_EQ(in.DirSectors, std::vector<std::uint32_t>{1});
    ASSERT_EQ(in.MiniFatSectors, std::vector<std::uint32_t>{2});
    TBytes content = Pattern(5000, 7);
    TBytes out = WriteCopy(in.Bytes, content);

    // Sectors: 0 mini stream, 1 directory, 2 mini FAT, 3..12 Workbook, 13 FAT.
    TBytes expected(512 + 14 * 512, 0);
    std::copy_n(in.Bytes.begin(), 76, expected.begin());
    SetCardinal(expected, 44, 1);           // csectFat
    SetCardinal(expected, 48, 1);           // sectDirStart
    SetCardinal(expected, 60, 2);           // sectMiniFatStart
    SetCardinal(expected, 68, ENDOFCHAIN);  // sectDifStart
    SetCardinal(expected, 72, 0);           // csectDif
    SetCardinal(expected, 76, 13);
    std::fill(expected.begin() + 80, expected.begin() + 512, 0xFF);
    std::copy_n(in.Bytes.begin() + 512, 3 * 512, expected.begin() + 512);  // sectors 0..2 as they were
    SetCardinal(expected, 1024 + 128 + 116, 3);                             // Workbook: first sector
    SetCardinal(expected, 1024 + 128 + 120, 5000);                          // and size
    std::copy(content.begin(), content.end(), expected.begin() + 512 + 3 * 512);
    std::size_t fat = 512 + 13 * 512;
    for (std::uint32_t i = 0; i < 128; ++i) {
        std::uint32_t entry = i < 3 ? ENDOFCHAIN : i < 12 ? i + 1 : i == 12 ? ENDOFCHAIN : i == 13 ? FATSECT : FREESECT;
        SetCardinal(expected, fat + 4 * i, entry);
    }
    EXPECT_TRUE(SameBytes(out, expected));

    // And it reads back: the new Workbook, the summary stream from the mini stream.
    EXPECT_EQ(ReadStreamOf(out, u"Workbook"), content);
    EXPECT_EQ(ReadStreamOf(out, u"\x05SummaryInformation"), Pattern(200, 2));
}

TEST(Ole2Writer, NewStreamIsFilledToTheCutoffAndItsChainCoversExactlyItsSectors)
{
    struct Case {
        std::size_t Written;
        std::uint32_t Size;
        std::size_t Sectors;
    };
    for (Case c : {Case{0, 4096, 8}, Case{100, 4096, 8}, Case{4096, 4096, 8}, Case{5000, 5000, 10},
                   Case{5120, 5120, 10}}) {
        TBytes content = Pattern(c.Written, 3);
        TBytes out = WriteCopy(SmallInput().Bytes, content);
        TParsedFile p(out);
        std::size_t wb = FindEntry(p, u"Workbook");
        EXPECT_EQ(p.Size(wb), c.Size) << c.Written;
        std::vector<std::uint32_t> chain = p.Chain(p.Start(wb));
        EXPECT_EQ(chain.size(), c.Sectors) << c.Written;
        EXPECT_TRUE(Contiguous(chain));
        EXPECT_EQ(out.size(), 512 + (3 + c.Sectors + 1) * 512) << "no sector beyond the stream and the FAT";
        content.resize(c.Size, 0);
        EXPECT_EQ(ReadStreamOf(out, u"Workbook"), content) << c.Written;
    }
}

TEST(Ole2Writer, FatEndingOnASectorBoundaryGetsNoFill)
{
    // 3 copied sectors + 124 of the stream + 1 FAT sector = 128 = one full FAT sector.
    TBytes out = WriteCopy(SmallInput().Bytes, Pattern(124 * 512, 4));
    TParsedFile p(out);
    ASSERT_EQ(out.size(), 512 + 128 * 512u);
    ASSERT_EQ(p.Fat.size(), 128u);
    EXPECT_EQ(p.Fat[126], ENDOFCHAIN);
    EXPECT_EQ(p.Fat[127], FATSECT);
}

TEST(Ole2Writer, CarriesEveryOtherStreamOver)
{
    // A Workbook in the mini stream, small streams, a large stream in a storage.
    std::vector<TTestEntry> e = FlatTree({Root(),
                                          {u"Workbook", STGTY_STREAM, Pattern(1500, 1)},
                                          {u"\x05SummaryInformation", STGTY_STREAM, Pattern(200, 2)},
                                          {u"Big", STGTY_STREAM, Pattern(4096, 3)},
                                          {u"Storage", STGTY_STORAGE, {}},
                                          {u"Inner", STGTY_STREAM, Pattern(10000, 5)}});
    e[4].Right = NOSTREAM;
    e[4].Child = 5;
    TTestFile in = BuildCompoundFile(e);
    TBytes content = Pattern(9000, 9);
    TBytes out = WriteCopy(in.Bytes, content);

    TParsedFile p(out);
    std::vector<std::uint32_t> inner = p.Chain(p.Start(FindEntry(p, u"Inner")));
    EXPECT_EQ(inner.size(), 20u);
    EXPECT_TRUE(Contiguous(inner));
    EXPECT_EQ(p.Size(0), GetCardinal(in.Bytes, in.EntryPos(0) + 120)) << "the mini stream keeps the old Workbook's sectors";
    EXPECT_EQ(ReadStreamOf(out, u"Workbook"), content);
    EXPECT_EQ(ReadStreamOf(out, u"\x05SummaryInformation"), Pattern(200, 2));
    EXPECT_EQ(ReadStreamOf(out, u"Big"), Pattern(4096, 3));
    EXPECT_EQ(ReadStreamOf(out, u"Inner"), Pattern(10000, 5));
    EXPECT_EQ(p.Type(FindEntry(p, u"Storage")), STGTY_STORAGE);
}

TEST(Ole2Writer, WritesDifatSectorsForMoreThan109FatSectors)
{
    TBytes content = Pattern(7'200'000, 6);
    TBytes out = WriteCopy(SmallInput().Bytes, content);
    // N = 3, S = 14063 stream sectors, D = 1 DIFAT sector at N + S, F = 111 FAT sectors behind it.
    const std::uint32_t n = 3, s = 14063, f = n + s + 1;
    EXPECT_EQ(GetCardinal(out, 44), 111u);
    EXPECT_EQ(GetCardinal(out, 68), n + s);
    EXPECT_EQ(GetCardinal(out, 72), 1u);
    for (std::uint32_t k = 0; k < 109; ++k) ASSERT_EQ(GetCardinal(out, 76 + 4 * k), f + k) << k;
    std::size_t dif = std::size_t(n + s + 1) * 512;
    EXPECT_EQ(GetCardinal(out, dif), f + 109);
    EXPECT_EQ(GetCardinal(out, dif + 4), f + 110);
    for (std::size_t i = 2; i < 127; ++i) ASSERT_EQ(GetCardinal(out, dif + 4 * i), FREESECT) << i;
    EXPECT_EQ(GetCardinal(out, dif + 508), ENDOFCHAIN);
    TParsedFile p(out);
    EXPECT_EQ(p.Fat[n + s], DIFSECT);
    EXPECT_EQ(p.Fat[f], FATSECT);
    EXPECT_EQ(p.Fat[f + 110], FATSECT);
    EXPECT_EQ(out.size(), 512 + std::size_t(f + 111) * 512);
    EXPECT_EQ(ReadStreamOf(out, u"Workbook"), content);

    // An independent reader agrees.
    const testproc::TTempDir dir;
    const auto path = dir / "difat.xls";
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(out.data()), std::streamsize(out.size()));
    EXPECT_EQ(testproc::RunPythonReader("xlrd_stream_size.py", {}, path).Out, "7200000\n");

    // And the file with DIFAT sectors can be the input of the next write.
    TBytes again = WriteCopy(out, Pattern(10, 1));
    EXPECT_EQ(GetCardinal(again, 72), 0u);
    EXPECT_EQ(ReadStreamOf(again, u"\x05SummaryInformation"), Pattern(200, 2));
}

TEST(Ole2Writer, Writes4096ByteSectorFiles)
{
    std::vector<TTestEntry> e = FlatTree({Root(),
                                          {u"Workbook", STGTY_STREAM, Pattern(3000, 1)},
                                          {u"\x05SummaryInformation", STGTY_STREAM, Pattern(200, 2)},
                                          {u"Big", STGTY_STREAM, Pattern(9000, 3)}});
    TTestFile in = BuildCompoundFile(e, {12});
    TBytes content = Pattern(50000, 8);
    TBytes out = WriteCopy(in.Bytes, content);
    EXPECT_EQ(GetWord(out, 30), 12);
    EXPECT_EQ(GetWord(out, 26), 4) << "the input's header values stay";
    ASSERT_EQ(out.size() % 4096, 0u);
    EXPECT_EQ(Slice(out, 512, 4096 - 512), TBytes(4096 - 512, 0)) << "the header fills the first sector";
    TParsedFile p(out);
    std::vector<std::uint32_t> chain = p.Chain(p.Start(FindEntry(p, u"Workbook")));
    EXPECT_EQ(chain.size(), 13u);
    EXPECT_EQ(Slice(out, p.Pos(chain[0]), 4096), Slice(content, 0, 4096));
    EXPECT_EQ(ReadStreamOf(out, u"Workbook"), content);
    EXPECT_EQ(ReadStreamOf(out, u"\x05SummaryInformation"), Pattern(200, 2));
    EXPECT_EQ(ReadStreamOf(out, u"Big"), Pattern(9000, 3));
}

TEST(Ole2Writer, WritesAtTheOutputStreamsPosition)
{
    TMemoryStream in(SmallInput().Bytes);
    TMemoryStream out(TBytes(300, 0x77));
    out.SetPosition(300);
    {
        TOle2File file(in);
        file.PrepareForWrite(out, u"Workbook");
        file.WriteMem(Pattern(6000, 1).data(), 6000);
        // no Close: the destructor completes the file
    }
    TBytes bytes = out.TakeBytes();
    EXPECT_EQ(Slice(bytes, 0, 300), TBytes(300, 0x77));
    EXPECT_TRUE(SameBytes(Slice(bytes, 300, bytes.size() - 300), WriteCopy(SmallInput().Bytes, Pattern(6000, 1))));
    TMemoryStream again(bytes);
    again.SetPosition(300);
    TOle2File file(again);
    EXPECT_EQ(ReadWholeStream(file, u"Workbook"), Pattern(6000, 1));
}

TEST(Ole2Writer, WriteOperationsAppendAndCountPosition)
{
    TMemoryStream in(SmallInput().Bytes);
    TMemoryStream out;
    TOle2File file(in);
    file.PrepareForWrite(out, u"Workbook");
    TBytes b{1, 2, 3, 4, 5};
    file.WriteRaw(b, 1, 2);
    file.Write(b, 3);
    file.Write16(0x0201);
    file.Write32(0x06050403);
    file.WriteRaw(b, 4);
    EXPECT_EQ(file.Position(), 15);
    EXPECT_EQ(ErrorOf([&] { file.WriteRaw(b, 4, 2); }), "List index out of bounds (6)");
    file.Close();
    TBytes content = ReadStreamOf(out.Bytes(), u"Workbook");
    EXPECT_EQ(Slice(content, 0, 16), (TBytes{2, 3, 1, 2, 3, 1, 2, 3, 4, 5, 6, 1, 2, 3, 4, 0}));
}

TEST(Ole2Writer, RefusesOperationsOutOfOrder)
{
    TMemoryStream in(SmallInput().Bytes);
    TMemoryStream out;
    TOle2File file(in);
    std::uint8_t b[4] = {};
    file.SelectStream(u"Workbook");
    EXPECT_EQ(ErrorOf([&] { file.WriteMem(b, 4); }), kBadOperation) << "write before PrepareForWrite";

    // No such stream: refused, and the object is still a reader.
    TMemoryStream scratch;
    EXPECT_EQ(ErrorOf([&] { file.PrepareForWrite(scratch, u"Missing"); }), kBadOperation);
    EXPECT_EQ(ReadWholeStream(file, u"Workbook"), Pattern(50, 1));

    file.PrepareForWrite(out, u"Workbook");
    EXPECT_EQ(ErrorOf([&] { file.PrepareForWrite(out, u"Workbook"); }), kBadOperation);
    EXPECT_EQ(ErrorOf([&] { file.ReadMem(b, 4); }), kBadOperation);
    EXPECT_EQ(ErrorOf([&] { file.NextEof(1); }), kBadOperation);
    EXPECT_EQ(ErrorOf([&] { file.Eof(); }), kBadOperation);
    EXPECT_EQ(ErrorOf([&] { file.SelectStream(u"Workbook"); }), R"(Invalid OLE Stream operation on stream: "Workbook")");
    file.WriteMem(b, 4);
    file.Close();
    EXPECT_EQ(ErrorOf([&] { file.WriteMem(b, 4); }), kBadOperation) << "nothing is written after Close";
    EXPECT_EQ(ReadStreamOf(out.Bytes(), u"Workbook").size(), 4096u);
}

namespace {

struct TLinks {
    std::uint32_t Left, Right, Child;
};

struct TDeleteCase {
    const char* What;
    std::vector<TTestEntry> Entries;
    std::map<std::size_t, TLinks> Expected;  // links of the kept entries
    std::vector<std::size_t> Deleted;
};

constexpr std::uint32_t N = NOSTREAM;

TTestEntry Stream(std::u16string name, std::size_t size, std::uint32_t left = N, std::uint32_t right = N)
{
    return {std::move(name), STGTY_STREAM, Pattern(size, std::uint32_t(size)), left, right};
}

TTestEntry Storage(std::u16string name, std::uint32_t left, std::uint32_t right, std::uint32_t child)
{
    return {std::move(name), STGTY_STORAGE, {}, left, right, child};
}

TTestEntry RootWithChild(std::uint32_t child)
{
    TTestEntry r = Root();
    r.Child = child;
    return r;
}

// Every entry reachable from the root, each once.
std::vector<std::size_t> Reachable(const TParsedFile& p)
{
    std::vector<std::size_t> seen;
    std::vector<std::uint32_t> todo{0};
    while (!todo.empty()) {
        std::uint32_t k = todo.back();
        todo.pop_back();
        if (k == NOSTREAM) continue;
        EXPECT_EQ(std::count(seen.begin(), seen.end(), k), 0) << "entry " << k << " reached twice";
        if (seen.size() > p.Entries.size()) break;
        seen.push_back(k);
        todo.insert(todo.end(), {p.Left(k), p.Right(k), p.Child(k)});
    }
    std::sort(seen.begin(), seen.end());
    return seen;
}

}  // namespace

TEST(Ole2Writer, DeletingAStorageKeepsEveryOtherEntryReachable)
{
    const std::vector<TDeleteCase> cases{
        {"both links, successor deeper in the right subtree",
         {RootWithChild(2), Stream(u"Workbook", 5000), Storage(u"Sub", 1, 4, 3), Stream(u"Inner", 10000),
          Stream(u"Zeta", 300, 5), Stream(u"Mid", 100)},
         {{0, {N, N, 5}}, {5, {1, 4, N}}, {4, {N, N, N}}, {1, {N, N, N}}},
         {2, 3}},
        {"both links, successor is the right child",
         {RootWithChild(2), Stream(u"Workbook", 5000), Storage(u"Sub", 1, 4, 3), Stream(u"Inner", 10000),
          Stream(u"Zeta", 300, N, 5), Stream(u"Other", 100)},
         {{0, {N, N, 4}}, {4, {1, 5, N}}, {1, {N, N, N}}, {5, {N, N, N}}},
         {2, 3}},
        {"a leaf", {RootWithChild(1), Stream(u"Workbook", 5000, N, 2), Storage(u"Sub", N, N, 3), Stream(u"Inner", 10000)},
         {{0, {N, N, 1}}, {1, {N, N, N}}},
         {2, 3}},
        {"one link", {RootWithChild(2), Stream(u"Workbook", 5000), Storage(u"Sub", 1, N, 3), Stream(u"Inner", 10000)},
         {{0, {N, N, 1}}, {1, {N, N, N}}},
         {2, 3}},
        {"nested storages",
         {RootWithChild(1), Stream(u"Workbook", 5000, N, 2), Storage(u"Sub", N, N, 3), Storage(u"Deeper", N, 5, 4),
          Stream(u"Inner", 10000), Stream(u"Beside", 200)},
         {{0, {N, N, 1}}, {1, {N, N, N}}},
         {2, 3, 4, 5}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        TTestFile in = BuildCompoundFile(c.Entries);
        TBytes kept = WriteCopy(in.Bytes, Pattern(10, 1));
        TBytes out = WriteCopy(in.Bytes, Pattern(10, 1), {u"Sub"});
        EXPECT_LE(out.size() + 20 * 512, kept.size()) << "the deleted stream's sectors are not copied";

        TParsedFile p(out);
        for (auto [index, links] : c.Expected) {
            EXPECT_EQ(p.Left(index), links.Left) << index;
            EXPECT_EQ(p.Right(index), links.Right) << index;
            EXPECT_EQ(p.Child(index), links.Child) << index;
        }
        for (std::size_t d : c.Deleted) {
            TBytes entry = Slice(out, p.Entries[d], 128);
            TBytes cleared(128, 0);
            std::fill(cleared.begin() + 68, cleared.begin() + 80, 0xFF);
            EXPECT_EQ(entry, cleared) << "entry " << d;
        }
        std::vector<std::size_t> expectedReachable;
        for (auto [index, links] : c.Expected) expectedReachable.push_back(index);
        EXPECT_EQ(Reachable(p), expectedReachable);

        TMemoryStream s(out);
        TOle2File file(s);
        EXPECT_EQ(ReadWholeStream(file, u"Workbook").size(), 4096u);
        for (std::size_t i = 1; i < c.Entries.size(); ++i) {
            bool deleted = std::count(c.Deleted.begin(), c.Deleted.end(), i) > 0;
            if (c.Entries[i].Type != STGTY_STREAM || c.Entries[i].Name == u"Workbook") continue;
            if (deleted)
                EXPECT_EQ(file.FindDir(c.Entries[i].Name), nullptr);
            else
                EXPECT_EQ(ReadWholeStream(file, c.Entries[i].Name), c.Entries[i].Data);
        }
    }
}

TEST(Ole2Writer, DeletingABlackEntryRecoloursTheDirectoryBlack)
{
    for (std::uint8_t subColor : {DECOLOR_RED, DECOLOR_BLACK}) {
        std::vector<TTestEntry> e{RootWithChild(1), Stream(u"Workbook", 5000, N, 2), Storage(u"Sub", N, N, 3),
                                  Stream(u"Inner", 100)};
        e[1].Color = DECOLOR_RED;
        e[2].Color = subColor;
        TBytes out = WriteCopy(BuildCompoundFile(e).Bytes, {}, {u"Sub"});
        TParsedFile p(out);
        EXPECT_EQ(out[p.Entries[1] + 67], subColor) << "red stays red unless a black entry went";
    }
}

TEST(Ole2Writer, DeletingCannotTakeTheRoot)
{
    // A child tree that leads back to the root would delete it.
    std::vector<TTestEntry> e{RootWithChild(1), Stream(u"Workbook", 5000, N, 2), Storage(u"Sub", N, N, 3),
                              Stream(u"Inner", 100, N, 0)};
    TMemoryStream in(BuildCompoundFile(e).Bytes);
    TMemoryStream out;
    TOle2File file(in);
    std::vector<std::u16string> names{u"Sub"};
    EXPECT_EQ(ErrorOf([&] { file.PrepareForWrite(out, u"Workbook", names); }), "Can't delete root");
}

TEST(Ole2Writer, WritesAndReadsBackThroughOneFileStream)
{
    const testproc::TTempDir dir;
    const auto path = dir / "file.xls";
    const TBytes content = Pattern(6000, 5);
    {
        TFileStream fs(path.string(), TFileMode::Create);
        fs.Write("prefix", 6);
        TMemoryStream in(SmallInput().Bytes);
        TOle2File writer(in);
        writer.PrepareForWrite(fs, u"Workbook");
        writer.WriteMem(content.data(), content.size());
        writer.Close();
        // The same stream, from writing to reading.
        fs.SetPosition(6);
        TOle2File reader(fs);
        EXPECT_EQ(ReadWholeStream(reader, u"Workbook"), content);
        EXPECT_EQ(ReadWholeStream(reader, u"\x05SummaryInformation"), Pattern(200, 2));
    }
    TBytes bytes = ReadFileBytes(path.string());
    EXPECT_EQ(Slice(bytes, 0, 6), (TBytes{'p', 'r', 'e', 'f', 'i', 'x'}));
    EXPECT_TRUE(SameBytes(Slice(bytes, 6, bytes.size() - 6), WriteCopy(SmallInput().Bytes, content)));
}
