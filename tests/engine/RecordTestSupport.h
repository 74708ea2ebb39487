// Helpers for the record layer tests: record streams built byte by byte,
// read through a real compound file and written through its writer.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Ole2TestFiles.h"
#include "TestProcess.h"
#include "cfb/UOle2Impl.h"
#include "facade/UExcelRecords.h"
#include "globals/UXlsFormula.h"
#include "globals/UXlsSST.h"
#include "records/UXlsBaseRecords.h"
#include "worksheet/UXlsHyperLink.h"
#include "worksheet/UXlsRecordFactory.h"

namespace rectest {

using namespace xls;
using ole2test::ErrorOf;
using ole2test::SameBytes;

const std::string kCorpus = TAGSTATION_CORPUS_DIR;
const std::string kXlsTool = TAGSTATION_XLSTOOL;

// One record as it lies in a stream: header and data.
inline TBytes Rec(std::uint16_t aId, const TBytes& aData)
{
    TBytes r;
    AppendWord(r, aId);
    AppendWord(r, static_cast<std::uint16_t>(aData.size()));
    r.insert(r.end(), aData.begin(), aData.end());
    return r;
}

inline TBytes Cat(std::initializer_list<TBytes> aParts)
{
    TBytes r;
    for (const auto& p : aParts) r.insert(r.end(), p.begin(), p.end());
    return r;
}

// A compound file whose Workbook stream is exactly aStream.
inline TBytes CompoundFileWith(const TBytes& aStream)
{
    using namespace ole2test;
    return BuildCompoundFile(FlatTree({Root(), TTestEntry{u"Workbook", STGTY_STREAM, aStream}})).Bytes;
}

// A Workbook stream opened for reading.
class TStreamFixture {
public:
    explicit TStreamFixture(const TBytes& aStream) : FMem(CompoundFileWith(aStream)), FFile(FMem)
    {
        FFile.SelectStream(u"Workbook");
    }
    TOle2File& File() { return FFile; }

private:
    TMemoryStream FMem;
    TOle2File FFile;
};

// The bytes aWrite puts into a Workbook stream.
inline TBytes Written(const std::function<void(TOle2File&)>& aWrite)
{
    TMemoryStream in(CompoundFileWith(TBytes(8, 0)));
    TMemoryStream out;
    std::int64_t count = 0;
    {
        TOle2File file(in);
        file.PrepareForWrite(out, u"Workbook");
        aWrite(file);
        count = file.Position();
        file.Close();
    }
    TBytes all = ole2test::ReadStreamOf(out.Bytes(), u"Workbook");
    all.resize(static_cast<std::size_t>(count));
    return all;
}

// The records of a written stream, each with its id and data; CONTINUE
// records are records of their own here.
struct TRawRecord {
    std::uint16_t Id;
    TBytes Data;
};

inline std::vector<TRawRecord> SplitRecords(const TBytes& aStream)
{
    std::vector<TRawRecord> records;
    for (std::size_t pos = 0; pos + 4 <= aStream.size();) {
        const std::size_t size = GetWord(aStream, pos + 2);
        EXPECT_LE(pos + 4 + size, aStream.size());
        const std::size_t end = std::min(aStream.size(), pos + 4 + size);
        records.push_back({GetWord(aStream, pos), TBytes(aStream.begin() + std::ptrdiff_t(pos + 4),
                                                         aStream.begin() + std::ptrdiff_t(end))});
        pos = end;
    }
    return records;
}

// The bytes a record takes in the stream with its CONTINUE records.
inline std::int64_t RawSize(const TBaseRecord& aRecord)
{
    std::int64_t size = 0;
    for (const TBaseRecord* r = &aRecord; r; r = r->Continue()) size += 4 + r->DataSize();
    return size;
}

// The bytes a record and the followers attached to it took in the stream.
inline std::int64_t StreamExtent(const TBaseRecord& aRecord)
{
    std::int64_t size = RawSize(aRecord);
    if (const auto* f = dynamic_cast<const TFormulaRecord*>(&aRecord)) {
        if (f->ArrayRecord()) size += StreamExtent(*f->ArrayRecord());
        if (f->TableRecord()) size += StreamExtent(*f->TableRecord());
    } else if (const auto* h = dynamic_cast<const THLinkRecord*>(&aRecord)) {
        if (h->Hint()) size += StreamExtent(*h->Hint());
    }
    return size;
}

// Reads every record of the stream as a section loader would, up to its end
// or up to zero padding behind an EOF (whose position goes to aPaddingStart).
inline std::vector<std::unique_ptr<TBaseRecord>> ReadAll(TOle2File& aFile, std::int64_t* aPaddingStart = nullptr)
{
    std::vector<std::unique_ptr<TBaseRecord>> records;
    if (aPaddingStart) *aPaddingStart = -1;
    if (aFile.NextEof(3)) return records;
    TRecordHeader header;
    ReadHeader(aFile, header);
    for (;;) {
        const std::int64_t start = aFile.Position() - 4;
        records.push_back(ReadRecord(aFile, header));
        // No look-ahead header was read: the stream has ended.
        if (aFile.Position() == start + StreamExtent(*records.back())) break;
        if (records.back()->Id() == xlr_EOF && header.Id == 0 && header.Size == 0) {
            if (aPaddingStart) *aPaddingStart = aFile.Position() - 4;
            break;
        }
    }
    return records;
}

// Saves the table, checks the size, the EXTSST index and reads the table back.
struct TSaved {
    TBytes Bytes;
    std::vector<TRichString> Strings;
    std::vector<TBytes> Entries;  // serialised strings as loaded back
};

inline TSaved SaveAndReload(TSST& aSST)
{
    TSaved saved;
    saved.Bytes = Written([&](TOle2File& w) { aSST.SaveToStream(w); });
    EXPECT_EQ(std::int64_t(saved.Bytes.size()), aSST.TotalSize());

    // Record starts, and the records themselves.
    std::vector<std::size_t> starts;
    for (std::size_t pos = 0; pos + 4 <= saved.Bytes.size(); pos += 4u + GetWord(saved.Bytes, pos + 2)) {
        starts.push_back(pos);
        EXPECT_LE(GetWord(saved.Bytes, pos + 2), MaxRecordDataSize);
    }
    TStreamFixture f(saved.Bytes);
    auto records = ReadAll(f.File());
    EXPECT_EQ(records.size(), 2u);
    const auto* sstRecord = dynamic_cast<const TSSTRecord*>(records.at(0).get());
    EXPECT_NE(sstRecord, nullptr);
    if (!sstRecord) return saved;
    EXPECT_EQ(sstRecord->Count(), aSST.Count());
    TSST reloaded;
    reloaded.Load(*sstRecord);
    for (std::size_t i = 0; i < reloaded.Count(); ++i) {
        saved.Strings.push_back(reloaded.EntryRichText(reloaded.Items(i)));
        TByteView s = reloaded.EntryString(reloaded.Items(i));
        saved.Entries.emplace_back(s.begin(), s.end());
    }

    // EXTSST: every bucket points at the count of its first string, and the
    // record offset leads back to the start of a record.
    const TBaseRecord& ext = *records.at(1);
    EXPECT_EQ(ext.Id(), xlr_EXTSST);
    const std::uint16_t bucket = GetWord(ext.Data(), 0);
    EXPECT_EQ(bucket, TSST::ExtSSTBucketSize(aSST.Count()));
    EXPECT_EQ(ext.DataSize(), 2 + 8 * TSST::ExtSSTBucketCount(aSST.Count()));
    for (std::size_t k = 0; 2 + 8 * k < ext.DataSize(); ++k) {
        const std::uint32_t pos = GetCardinal(ext.Data(), 2 + 8 * k);
        const std::uint16_t ofs = GetWord(ext.Data(), 6 + 8 * k);
        EXPECT_NE(std::find(starts.begin(), starts.end(), pos - ofs), starts.end()) << k;
        TByteView entry = aSST.EntryString(aSST.Items(k * bucket));
        EXPECT_EQ(GetWord(saved.Bytes, pos), GetWord(entry, 0)) << k;
    }
    return saved;
}

using TToolRun = testproc::TRun;

// Runs xlstool with these arguments. With aWithErrors, Out holds stderr
// after stdout.
inline TToolRun RunXlsTool(std::vector<std::string> aArgs, bool aWithErrors = false)
{
    aArgs.insert(aArgs.begin(), kXlsTool);
    TToolRun run = testproc::RunProgram(aArgs);
    if (aWithErrors) run.Out += run.Err;
    return run;
}

inline TToolRun RunPython(const std::string& aScript, const std::filesystem::path& aFile)
{
    return testproc::RunPythonReader(aScript, {}, aFile);
}

// Every corpus workbook that has an expected dump (so is readable).
// Whether a stream is the workbook's: "Workbook", or "Book" as BIFF5 named it,
// letters in any case.
inline bool IsWorkbookStreamName(std::u16string_view aName)
{
    return TOle2File::SameName(aName, u"Workbook") || TOle2File::SameName(aName, u"Book");
}

// Every stream but Workbook, by path.
inline std::map<std::u16string, TBytes> OtherStreams(const std::filesystem::path& aFile)
{
    const TBytes bytes = ReadFileBytes(aFile.string());
    TMemoryStream mem(bytes);
    TOle2File ole(mem);
    std::map<std::u16string, TBytes> streams;
    for (const TOle2Directory& entry : ole.ReadDirectory()) {
        if (entry.ObjType() != STGTY_STREAM || IsWorkbookStreamName(entry.Name())) continue;
        streams[entry.Name()] = ole2test::ReadStreamOf(bytes, entry.Name());
    }
    return streams;
}

// The workbook stream of a compound file's bytes, found as the engine finds it.
inline TBytes ReadWorkbookStreamOf(const TBytes& aFileBytes)
{
    TMemoryStream mem(aFileBytes);
    TOle2File ole(mem);
    SelectWorkbookStream(ole);
    TBytes b(std::size_t(ole.Length()));
    ole.ReadMem(b.data(), b.size());
    return b;
}

inline std::vector<std::filesystem::path> ReadableCorpusFiles()
{
    namespace fs = std::filesystem;
    std::vector<fs::path> files;
    const fs::path corpus = kCorpus;
    for (const char* folder : {"real", "gen", "quirks"})
        for (const auto& e : fs::directory_iterator(corpus / folder))
            if (e.path().extension() == ".xls" &&
                fs::exists(corpus / "expected" / (e.path().filename().string() + ".dump")))
                files.push_back(e.path());
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace rectest
