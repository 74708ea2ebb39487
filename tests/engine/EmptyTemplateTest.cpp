// The empty workbook the engine starts from: its compound file layout, its
// records, and what an independent reader (xlrd) makes of it.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "TestProcess.h"
#include "base/UXlsBytes.h"
#include "base/UXlsStreams.h"
#include "base/UXlsUnicode.h"
#include "facade/UXlsEmptyTemplate.h"
#include "records/UXlsRecordIds.h"

using namespace xls;
namespace fs = std::filesystem;

namespace {

constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kNoStream = 0xFFFFFFFF;
constexpr std::size_t kSector = 512;

// A just-enough compound file reader, independent of the engine's own.
struct TCfb {
    struct TEntry {
        std::u16string Name;
        std::uint8_t Type = 0, Color = 0;
        std::uint32_t Left = 0, Right = 0, Child = 0, Start = 0, Size = 0;
    };

    explicit TCfb(TByteView file) : File(file)
    {
        const std::uint32_t fatSectors = GetCardinal(File, 44);
        for (std::uint32_t i = 0; i < fatSectors; ++i) {
            const std::uint32_t s = GetCardinal(File, 76 + 4 * i);
            for (std::size_t k = 0; k < kSector / 4; ++k) Fat.push_back(GetCardinal(File, SectorPos(s) + 4 * k));
        }
        for (std::uint32_t s : Chain(GetCardinal(File, 48)))
            for (std::size_t e = 0; e < kSector / 128; ++e) Dir.push_back(ReadEntry(SectorPos(s) + 128 * e));
    }

    static std::size_t SectorPos(std::uint32_t s) { return kSector * (std::size_t(s) + 1); }

    std::vector<std::uint32_t> Chain(std::uint32_t start) const
    {
        std::vector<std::uint32_t> chain;
        for (std::uint32_t s = start; s != kEndOfChain; s = Fat.at(s)) {
            if (chain.size() > Fat.size()) throw std::runtime_error("sector chain loops");
            chain.push_back(s);
        }
        return chain;
    }

    TBytes Stream(const TEntry& e) const
    {
        TBytes data;
        for (std::uint32_t s : Chain(e.Start)) {
            CheckField(File.size(), SectorPos(s), kSector);
            data.insert(data.end(), File.begin() + SectorPos(s), File.begin() + SectorPos(s) + kSector);
        }
        data.resize(e.Size);
        return data;
    }

    const TEntry* Find(std::u16string_view name) const
    {
        for (const auto& e : Dir)
            if (e.Type != 0 && e.Name == name) return &e;
        return nullptr;
    }

    TEntry ReadEntry(std::size_t pos) const
    {
        TEntry e;
        const std::uint16_t nameBytes = GetWord(File, pos + 64);
        for (std::size_t i = 0; i + 2 < nameBytes && i < 64; i += 2) e.Name += char16_t(GetWord(File, pos + i));
        e.Type = GetByte(File, pos + 66);
        e.Color = GetByte(File, pos + 67);
        e.Left = GetCardinal(File, pos + 68);
        e.Right = GetCardinal(File, pos + 72);
        e.Child = GetCardinal(File, pos + 76);
        e.Start = GetCardinal(File, pos + 116);
        e.Size = GetCardinal(File, pos + 120);
        return e;
    }

    TByteView File;
    std::vector<std::uint32_t> Fat;
    std::vector<TEntry> Dir;
};

const std::u16string kWorkbook = u"Workbook";
const std::u16string kSummary = u"\x05" u"SummaryInformation";
const std::u16string kDocSummary = u"\x05" u"DocumentSummaryInformation";

// In-order walk of a sibling tree, bounded by the directory's size.
void InOrder(const TCfb& cfb, std::uint32_t node, std::vector<std::uint32_t>& out)
{
    if (node == kNoStream) return;
    if (node >= cfb.Dir.size() || out.size() > cfb.Dir.size()) throw std::runtime_error("bad sibling link");
    InOrder(cfb, cfb.Dir[node].Left, out);
    out.push_back(node);
    InOrder(cfb, cfb.Dir[node].Right, out);
}

bool CfbNameLess(const std::u16string& a, const std::u16string& b)
{
    return a.size() != b.size() ? a.size() < b.size() : AsciiUpperCase(a) < AsciiUpperCase(b);
}

using testproc::TRun;
using testproc::TTempDir;

// Writes the template with `xlstool template` and checks it is the engine's bytes.
fs::path WriteWithXlstool(const TTempDir& dir)
{
    const fs::path out = dir / "empty.xls";
    const TRun run = testproc::RunProgram({TAGSTATION_XLSTOOL, "template", out.string()});
    EXPECT_EQ(run.Code, 0) << run.Err;
    EXPECT_EQ(ReadFileBytes(out.string()), EmptyWorkbookTemplate());
    return out;
}

// One line of xlrd_records.py --hex 40 output: offset, id, size, payload hex
// (complete for payloads of up to 40 bytes); the name is the engine's for the id.
struct TListedRecord {
    std::size_t Offset;
    std::uint16_t Id;
    std::string Name;
    std::string Hex;
};

std::vector<TListedRecord> ParseListing(const std::string& text)
{
    std::vector<TListedRecord> records;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        TListedRecord r{};
        std::string id;
        std::size_t size = 0;
        fields >> r.Offset >> id >> size;
        r.Id = static_cast<std::uint16_t>(std::stoul(id, nullptr, 16));
        r.Name = std::string(RecordName(r.Id));
        // the hex bytes are the last fields of the line, ".." marking a cut
        std::vector<std::string> words;
        for (std::string w; fields >> w;) words.push_back(w);
        if (!words.empty() && words.back() == "..") words.pop_back();
        for (std::size_t i = words.size() - std::min(words.size(), size); i < words.size(); ++i)
            r.Hex += (r.Hex.empty() ? "" : " ") + words[i];
        records.push_back(r);
    }
    return records;
}

std::uint32_t HexCardinal(const std::string& hex, std::size_t byteOfs)
{
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < 4; ++i)
        v |= std::uint32_t(std::stoul(hex.substr(3 * (byteOfs + i), 2), nullptr, 16)) << (8 * i);
    return v;
}

}  // namespace

TEST(EmptyTemplate, IsBuiltOnceWithTheFixedSize)
{
    const TBytes& first = EmptyWorkbookTemplate();
    const TBytes& second = EmptyWorkbookTemplate();
    EXPECT_EQ(&first, &second);
    EXPECT_EQ(first.size(), 13824u);
    EXPECT_EQ(first, second);
}

TEST(EmptyTemplate, IsAVersion3CompoundFileWithThreeStreamsInRegularSectors)
{
    const TBytes& file = EmptyWorkbookTemplate();
    const TByteView signature(file.data(), 8);
    EXPECT_EQ(TBytes(signature.begin(), signature.end()), (TBytes{0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1}));
    EXPECT_EQ(GetWord(file, 24), 0x003E);  // minor version
    EXPECT_EQ(GetWord(file, 26), 3);       // major version
    EXPECT_EQ(GetWord(file, 28), 0xFFFE);  // byte order
    EXPECT_EQ(GetWord(file, 30), 9);       // 512-byte sectors
    EXPECT_EQ(GetWord(file, 32), 6);       // 64-byte mini sectors
    EXPECT_EQ(GetCardinal(file, 40), 0u);  // directory sector count, 0 in version 3
    EXPECT_EQ(GetCardinal(file, 44), 1u);  // one FAT sector
    EXPECT_EQ(GetCardinal(file, 56), 4096u);
    EXPECT_EQ(GetCardinal(file, 60), kEndOfChain);  // no mini FAT
    EXPECT_EQ(GetCardinal(file, 64), 0u);
    EXPECT_EQ(GetCardinal(file, 68), kEndOfChain);  // no DIFAT sectors
    EXPECT_EQ(GetCardinal(file, 72), 0u);

    const TCfb cfb(file);
    ASSERT_FALSE(cfb.Dir.empty());
    const auto& root = cfb.Dir[0];
    EXPECT_EQ(root.Name, u"Root Entry");
    EXPECT_EQ(root.Type, 5);
    EXPECT_EQ(root.Start, kEndOfChain);  // no mini stream
    EXPECT_EQ(root.Size, 0u);

    // Every sector of the file belongs to exactly one chain: FAT, directory or a stream.
    std::vector<int> owners(file.size() / kSector - 1, 0);
    owners.at(GetCardinal(file, 76))++;
    for (std::uint32_t s : cfb.Chain(GetCardinal(file, 48))) owners.at(s)++;
    for (const auto& name : {kWorkbook, kSummary, kDocSummary}) {
        const TCfb::TEntry* e = cfb.Find(name);
        ASSERT_NE(e, nullptr) << Utf16ToUtf8(name);
        EXPECT_EQ(e->Type, 2);
        EXPECT_EQ(e->Size, 4096u);
        const auto chain = cfb.Chain(e->Start);
        EXPECT_EQ(chain.size(), 8u);
        for (std::uint32_t s : chain) owners.at(s)++;
    }
    for (std::size_t s = 0; s < owners.size(); ++s) EXPECT_EQ(owners[s], 1) << "sector " << s;

    // The sibling tree under the root holds the three streams in compound-file
    // name order, and all nodes are black (valid only because it is balanced).
    std::vector<std::uint32_t> order;
    InOrder(cfb, root.Child, order);
    ASSERT_EQ(order.size(), 3u);
    for (std::size_t i = 0; i + 1 < order.size(); ++i)
        EXPECT_TRUE(CfbNameLess(cfb.Dir[order[i]].Name, cfb.Dir[order[i + 1]].Name));
    const auto& top = cfb.Dir[root.Child];
    EXPECT_NE(top.Left, kNoStream);
    EXPECT_NE(top.Right, kNoStream);
    for (std::uint32_t i : order) EXPECT_EQ(cfb.Dir[i].Color, 1);
}

TEST(EmptyTemplate, SummaryStreamsArePropertySetsWithCodePage1200)
{
    const TCfb cfb(EmptyWorkbookTemplate());
    const struct {
        std::u16string Name;
        TBytes FormatId;
    } cases[] = {
        {kSummary, {0xE0, 0x85, 0x9F, 0xF2, 0xF9, 0x4F, 0x68, 0x10, 0xAB, 0x91, 0x08, 0x00, 0x2B, 0x27, 0xB3, 0xD9}},
        {kDocSummary, {0x02, 0xD5, 0xCD, 0xD5, 0x9C, 0x2E, 0x1B, 0x10, 0x93, 0x97, 0x08, 0x00, 0x2B, 0x2C, 0xF9, 0xAE}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Utf16ToUtf8(c.Name));
        const TCfb::TEntry* e = cfb.Find(c.Name);
        ASSERT_NE(e, nullptr);
        const TBytes s = cfb.Stream(*e);
        EXPECT_EQ(GetWord(s, 0), 0xFFFE);
        EXPECT_EQ(GetCardinal(s, 24), 1u);  // one section
        EXPECT_EQ(TBytes(s.begin() + 28, s.begin() + 44), c.FormatId);
        const std::size_t section = GetCardinal(s, 44);
        const std::uint32_t count = GetCardinal(s, section + 4);
        ASSERT_GE(count, 1u);
        ASSERT_LE(count, 64u);
        bool found = false;
        for (std::uint32_t i = 0; i < count; ++i) {
            if (GetCardinal(s, section + 8 + 8 * i) != 1) continue;  // property 1: code page
            const std::size_t value = section + GetCardinal(s, section + 12 + 8 * i);
            EXPECT_EQ(GetWord(s, value), 0x0002);  // VT_I2
            EXPECT_EQ(GetWord(s, value + 4), 1200);
            found = true;
        }
        EXPECT_TRUE(found);
    }
}

TEST(EmptyTemplate, XlrdSeesOneEmptyVisibleSheet)
{
    TTempDir dir;
    const fs::path file = WriteWithXlstool(dir);
    const TRun dump = testproc::RunPythonReader("xlrd_dump.py", {}, file);
    EXPECT_EQ(dump.Code, 0) << dump.Err;
    EXPECT_EQ(dump.Out, "#sheet\t0\tSheet1\tvisible\n");
}

TEST(EmptyTemplate, RecordsAreTheGlobalsInOrderAndTheFixedSheet)
{
    TTempDir dir;
    const fs::path file = WriteWithXlstool(dir);
    const TRun listing = testproc::RunPythonReader("xlrd_records.py", {"--hex", "40"}, file);
    ASSERT_EQ(listing.Code, 0) << listing.Err;
    const auto records = ParseListing(listing.Out);

    std::vector<std::string> globals = {
        "BOF", "INTERFACEHDR", "MMS", "INTERFACEEND", "WRITEACCESS", "CODEPAGE", "DSF", "EXCEL9FILE",
        "TABID", "FNGROUPCOUNT", "WINDOWPROTECT", "PROTECT", "PASSWORD", "PROT4REV", "PROT4REVPASS",
        "WINDOW1", "BACKUP", "HIDEOBJ", "DATEMODE", "PRECISION", "REFRESHALL", "BOOKBOOL"};
    globals.insert(globals.end(), 4, "FONT");
    globals.insert(globals.end(), 8, "FORMAT");
    globals.insert(globals.end(), 21, "XF");
    globals.insert(globals.end(), 6, "STYLE");
    for (const char* name : {"USESELFS", "BOUNDSHEET", "COUNTRY", "RECALCID", "SST", "EXTSST", "BOOKEXT", "EOF"})
        globals.push_back(name);

    const struct {
        std::uint16_t Id;
        std::string Name;
        std::string Hex;
    } sheet[] = {
        {0x0809, "BOF", "00 06 10 00 38 13 cd 07 c1 c0 00 00 06 03 00 00"},
        {0x020B, "INDEX", "00 00 00 00 00 00 00 00 00 00 00 00 59 06 00 00"},
        {0x000D, "CALCMODE", "01 00"},
        {0x000C, "CALCCOUNT", "64 00"},
        {0x000F, "REFMODE", "01 00"},
        {0x0011, "ITERATION", "00 00"},
        {0x0010, "DELTA", "fc a9 f1 d2 4d 62 50 3f"},
        {0x005F, "SAVERECALC", "01 00"},
        {0x002A, "PRINTHEADERS", "00 00"},
        {0x002B, "PRINTGRIDLINES", "00 00"},
        {0x0082, "GRIDSET", "01 00"},
        {0x0080, "GUTS", "00 00 00 00 00 00 00 00"},
        {0x0225, "DEFAULTROWHEIGHT", "00 00 ff 00"},
        {0x0081, "WSBOOL", "c1 04"},
        {0x0014, "HEADER", ""},
        {0x0015, "FOOTER", ""},
        {0x0083, "HCENTER", "00 00"},
        {0x0084, "VCENTER", "00 00"},
        {0x00A1, "SETUP", "00 00 ff 00 01 00 01 00 01 00 04 00 00 00 00 00 "
                          "00 00 00 00 00 00 e0 3f 00 00 00 00 00 00 e0 3f 00 00"},
        {0x0055, "DEFCOLWIDTH", "08 00"},
        {0x0200, "DIMENSIONS", "00 00 00 00 00 00 00 00 00 00 00 00 00 00"},
        {0x023E, "WINDOW2", "b6 06 00 00 00 00 40 00 00 00 00 00 00 00 00 00 00 00"},
        {0x001D, "SELECTION", "03 00 00 00 00 00 00 01 00 00 00 00 00 00 00"},
        {0x00EF, "PHONETICINFO", "00 00 37 00 00 00"},
        {0x000A, "EOF", ""},
    };

    ASSERT_EQ(records.size(), globals.size() + std::size(sheet)) << listing.Out;
    for (std::size_t i = 0; i < globals.size(); ++i) EXPECT_EQ(records[i].Name, globals[i]) << "globals record " << i;
    for (std::size_t i = 0; i < std::size(sheet); ++i) {
        const auto& r = records[globals.size() + i];
        EXPECT_EQ(r.Id, sheet[i].Id) << sheet[i].Name;
        EXPECT_EQ(r.Name, sheet[i].Name);
        EXPECT_EQ(r.Hex, sheet[i].Hex) << sheet[i].Name;
    }

    // The stream positions held in the records point where they should.
    const auto& bof = records[globals.size()];
    const auto& boundSheet = records[globals.size() - 7];
    ASSERT_EQ(boundSheet.Name, "BOUNDSHEET");
    EXPECT_EQ(HexCardinal(boundSheet.Hex, 0), bof.Offset);
    EXPECT_EQ(boundSheet.Hex.substr(12), "00 00 06 00 53 68 65 65 74 31");  // visible worksheet "Sheet1"
    const auto& index = records[globals.size() + 1];
    const auto& defColWidth = records[globals.size() + 19];
    EXPECT_EQ(HexCardinal(index.Hex, 12), defColWidth.Offset);
}

TEST(EmptyTemplate, XlstoolTemplateNeedsExactlyOneFile)
{
    const TRun noArgs = testproc::RunProgram({TAGSTATION_XLSTOOL, "template"});
    EXPECT_EQ(noArgs.Code, 2);
    EXPECT_NE(noArgs.Err.find("usage: xlstool template OUT"), std::string::npos) << noArgs.Err;

    TTempDir dir;
    const TRun badPath = testproc::RunProgram({TAGSTATION_XLSTOOL, "template", (dir / "no" / "x.xls").string()});
    EXPECT_EQ(badPath.Code, 1) << badPath.Err;
}
