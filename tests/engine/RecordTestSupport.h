// Helpers for the record layer tests: record streams built byte by byte,
// read through a real compound file and written through its writer.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Ole2TestFiles.h"
#include "UOle2Impl.h"
#include "UXlsBaseRecords.h"
#include "UXlsFormula.h"
#include "UXlsHyperLink.h"

namespace rectest {

using namespace xls;
using ole2test::ErrorOf;
using ole2test::SameBytes;

const std::string kShared = TAGSTATION_SHARED_DIR;
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

struct TToolRun {
    int Code = -1;
    std::string Out;
};

inline std::string Quoted(const std::string& s)
{
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// Runs a command line through the shell; stdout and the exit code.
inline TToolRun RunCommand(const std::string& aCommand)
{
    TToolRun run;
    FILE* p = ::popen((aCommand + " 2>/dev/null").c_str(), "r");
    if (!p) return run;
    char buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) run.Out.append(buf, n);
    const int status = ::pclose(p);
    run.Code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

inline TToolRun RunXlsTool(const std::string& aArgs)
{
    return RunCommand(Quoted(kXlsTool) + " " + aArgs);
}

inline TToolRun RunPython(const std::string& aScript, const std::string& aFile)
{
    return RunCommand("/usr/bin/python3 " + Quoted(kShared + "/tools/" + aScript) + " " + Quoted(aFile));
}

// Every corpus workbook that has an expected dump (so is readable).
inline std::vector<std::filesystem::path> ReadableCorpusFiles()
{
    namespace fs = std::filesystem;
    std::vector<fs::path> files;
    const fs::path corpus = fs::path(kShared) / "corpus";
    for (const char* folder : {"real", "gen"})
        for (const auto& e : fs::directory_iterator(corpus / folder))
            if (e.path().extension() == ".xls" &&
                fs::exists(corpus / "expected" / (e.path().filename().string() + ".dump")))
                files.push_back(e.path());
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace rectest
