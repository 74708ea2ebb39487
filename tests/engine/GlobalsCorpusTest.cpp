// The globals of every readable corpus workbook: loaded and saved, with the
// size known beforehand, every kept record unchanged and every block in the
// documented order; the formats of every XF survive a round trip.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>

#include "GlobalsTestSupport.h"

using namespace globtest;

namespace {

// Kinds the engine drops (and rebuilds where needed), and STRING, which only a formula cell writes.
const std::set<std::uint16_t> kDropped{0x0059, 0x005A, 0x00D7, 0x00ED, 0x00FF, 0x013D,
                                       0x01C1, 0x020B, 0x1060, 0x0207, xlr_TEMPLATE};

// The globals as the engine must write them, up to the shared strings:
// BOF, TEMPLATE, the kept records with each of the FONT, FORMAT and XF
// blocks where its first record was, BOUNDSHEETs, SUPBOOKs with their
// EXTERNNAMEs, EXTERNSHEET (when it has entries), NAMEs, the drawing group.
TBytes ExpectedHead(const std::vector<TRecordChain>& aGlobals)
{
    std::vector<TBytes> kept, sheets, references, externSheets, names, drawing;
    std::map<std::uint16_t, TBytes> blocks;
    for (const TRecordChain& r : aGlobals)
        if (r.Id == xlr_FONT || r.Id == xlr_FORMAT || r.Id == xlr_XF)
            blocks[r.Id].insert(blocks[r.Id].end(), r.Bytes.begin(), r.Bytes.end());

    bool isTemplate = false;
    for (std::size_t i = 1; i + 1 < aGlobals.size(); ++i) {
        const TRecordChain& r = aGlobals[i];
        isTemplate = isTemplate || r.Id == xlr_TEMPLATE;
        if (kDropped.contains(r.Id) || r.Id == xlr_SST) continue;
        switch (r.Id) {
        case xlr_FONT:
        case xlr_FORMAT:
        case xlr_XF:
            if (blocks.contains(r.Id)) kept.push_back(blocks.extract(r.Id).mapped());
            break;
        case xlr_BOUNDSHEET:
            sheets.push_back(r.Bytes);
            break;
        case xlr_SUPBOOK:
        case xlr_EXTERNNAME:
        case xlr_EXTERNNAME2:
            references.push_back(r.Bytes);
            break;
        case xlr_EXTERNSHEET:
            // An empty table is not written; the corpus has no table long enough to be split.
            if (GetWord(r.Bytes, 4) > 0) externSheets.push_back(r.Bytes);
            break;
        case 0x0018:
            names.push_back(r.Bytes);
            break;
        case xlr_MSODRAWINGGROUP:
            drawing.push_back(r.Bytes);
            break;
        case 0x003D: {  // a zero window width or height is written as 1
            TBytes w = r.Bytes;
            for (std::size_t ofs : {8u, 10u})
                if (GetWord(w, ofs) == 0) SetWord(w, ofs, 1);
            kept.push_back(w);
            break;
        }
        default:
            kept.push_back(r.Bytes);
            break;
        }
    }
    TBytes head = aGlobals.front().Bytes;
    if (isTemplate) head = Cat({head, Rec(xlr_TEMPLATE, {})});
    for (const auto* part : {&kept, &sheets, &references, &externSheets, &names, &drawing})
        for (const TBytes& b : *part) head.insert(head.end(), b.begin(), b.end());
    return head;
}

std::vector<TRichString> Strings(const TSST& aSST)
{
    std::vector<TRichString> s;
    for (std::size_t i = 0; i < aSST.Count(); ++i) s.push_back(aSST.EntryRichText(aSST.Items(i)));
    return s;
}

std::size_t CountOf(const std::vector<TRecordChain>& aRecords, std::uint16_t aId)
{
    return static_cast<std::size_t>(std::count_if(aRecords.begin(), aRecords.end(), [&](const TRecordChain& r) { return r.Id == aId; }));
}

}  // namespace

TEST(GlobalsCorpus, EveryWorkbookWritesItsGlobalsBackInTheDocumentedOrder)
{
    const auto files = ReadableCorpusFiles();
    ASSERT_GE(files.size(), 40u);
    for (const auto& path : files) {
        SCOPED_TRACE(path.filename().string());
        const TBytes fileBytes = ReadFileBytes(path.string());
        const std::vector<TRecordChain> original = SplitRecordChains(ReadWorkbookStreamOf(fileBytes));
        ASSERT_EQ(original.back().Id, xlr_EOF);

        TMemoryStream mem(fileBytes);
        TOle2File ole(mem);
        SelectWorkbookStream(ole);
        TWorkbookGlobals g{std::make_unique<TDrawingGroup>()};
        LoadGlobals(g, ole);
        EXPECT_EQ(g.SheetCount(), CountOf(original, xlr_BOUNDSHEET));
        EXPECT_EQ(g.XF().Count(), CountOf(original, xlr_XF));
        EXPECT_EQ(g.Fonts().Count(), CountOf(original, xlr_FONT));
        EXPECT_EQ(g.Formats().Count(), CountOf(original, xlr_FORMAT));

        const TBytes saved = SavedGlobals(g);
        const TBytes head = ExpectedHead(original);
        ASSERT_GE(saved.size(), head.size());
        EXPECT_TRUE(SameBytes(TBytes(saved.begin(), saved.begin() + std::ptrdiff_t(head.size())), head));
        const auto tail = SplitRecordChains(saved, head.size());
        EXPECT_EQ(Ids(tail), (std::vector<std::uint16_t>{xlr_SST, xlr_EXTSST, xlr_EOF}));
        EXPECT_EQ(tail.back(), original.back());

        // The written section loads to the same strings and writes the same bytes.
        TWorkbookGlobals again{std::make_unique<TDrawingGroup>()};
        LoadGlobals(again, saved);
        EXPECT_EQ(Strings(again.SST()), Strings(g.SST()));
        EXPECT_TRUE(SameBytes(SavedGlobals(again), saved));

        const TXlsCellRange range{0, 0, 255, 65535};
        const TBytes one = Written([&](TOle2File& w) { g.SaveRangeToStream(w, 0, range); });
        EXPECT_EQ(g.TotalRangeSize(0, range), std::int64_t(one.size()));
    }
}

TEST(GlobalsCorpus, TheFormatOfEveryXFSurvivesBeingAddedAgain)
{
    std::size_t checked = 0;
    for (const auto& path : ReadableCorpusFiles()) {
        SCOPED_TRACE(path.filename().string());
        const TBytes fileBytes = ReadFileBytes(path.string());
        TMemoryStream mem(fileBytes);
        TOle2File ole(mem);
        SelectWorkbookStream(ole);
        TWorkbookGlobals g{std::make_unique<TDrawingGroup>()};
        LoadGlobals(g, ole);
        const std::size_t count = g.XF().Count();
        for (std::size_t i = 0; i < count; ++i) {
            TTbrFormat f = g.GetFormat(std::int64_t(i));
            f.Parent = 0;  // new XFs are cell XFs without parent
            const std::size_t added = g.AddFormat(f);
            ASSERT_EQ(g.GetFormat(std::int64_t(added)), f) << i;
            // Adding it once more finds the same XF.
            ASSERT_EQ(g.AddFormat(f), added) << i;
            ++checked;
        }
        SavedGlobals(g);
    }
    EXPECT_GT(checked, 1000u);
}

// Random damage to the globals of real workbooks: the load either refuses
// with an engine error or gives globals that write exactly their size and
// whose formats can be read or refused, never a crash or an endless loop.
TEST(GlobalsCorpus, DamagedGlobalsLoadOrFailCleanly)
{
    std::mt19937 rnd(77);
    std::size_t refused = 0, loaded = 0;
    for (const char* name : {"gen/poi_styles_palette.xls", "gen/poi_pictures.xls", "real/namesdemo.xls",
                             "real/invalid_formula.xls", "real/xf_class.xls"}) {
        SCOPED_TRACE(name);
        const TBytes raw = ole2test::ReadStreamOf(ReadFileBytes(kCorpus + "/" + name), u"Workbook");
        std::size_t extent = 0;
        for (const TRecordChain& r : SplitRecordChains(raw)) extent += r.Bytes.size();
        const std::size_t bofSize = 20;  // the damage starts behind the BOF record
        for (int round = 0; round < 100; ++round) {
            TBytes damaged = raw;
            for (int k = 0; k < 3; ++k) {
                const std::size_t pos = bofSize + std::uniform_int_distribution<std::size_t>(0, extent - bofSize - 1)(rnd);
                damaged[pos] = static_cast<std::uint8_t>(rnd());
            }
            TWorkbookGlobals g{std::make_unique<TDrawingGroup>()};
            try {
                LoadGlobals(g, damaged);
            } catch (const EXlsException&) {
                ++refused;
                continue;
            }
            ++loaded;
            try {
                SavedGlobals(g);
            } catch (const EXlsException&) {
            }
            for (std::size_t i = 0; i < g.XF().Count(); ++i) {
                try {
                    g.GetFormat(std::int64_t(i));
                } catch (const EXlsException&) {
                }
            }
        }
    }
    EXPECT_GT(refused, 0u);
    EXPECT_GT(loaded, 0u);
}
