// Fuzz target: the input is a script of file-interface operations and a
// Workbook stream, which goes into a sound compound file; so every input
// reaches the record layer instead of mostly breaking the container.
//
// Three in four mutations work record by record (drop, repeat, move a record,
// give it another known id, change its body and keep its size field true),
// so that changed streams still split into records; the others are
// libFuzzer's own byte mutations.
#include <algorithm>
#include <random>
#include <vector>

#include "FuzzTargetSupport.h"
#include "base/UXlsBytes.h"
#include "records/UXlsRecordIds.h"

extern "C" std::size_t LLVMFuzzerMutate(std::uint8_t* aData, std::size_t aSize, std::size_t aMaxSize);

namespace {

using TBytes = std::vector<std::uint8_t>;

#define XLSFUZZ_RECORD_ID(ident, id, name) std::uint16_t(id),
constexpr std::uint16_t kRecordIds[] = {XLS_RECORD_IDS(XLSFUZZ_RECORD_ID)};
#undef XLSFUZZ_RECORD_ID

// The stream as records, header and body each; bytes that do not form a
// whole record stay together as the last piece.
std::vector<TBytes> SplitRecords(xlsfuzz::TInput aStream)
{
    std::vector<TBytes> records;
    std::size_t pos = 0;
    while (pos + 4 <= aStream.size()) {
        const std::size_t end = pos + 4 + xls::GetWord(aStream, pos + 2);
        if (end > aStream.size()) break;
        records.emplace_back(aStream.begin() + std::ptrdiff_t(pos), aStream.begin() + std::ptrdiff_t(end));
        pos = end;
    }
    if (pos < aStream.size()) records.emplace_back(aStream.begin() + std::ptrdiff_t(pos), aStream.end());
    return records;
}

// A record's body changed by libFuzzer's byte mutations, its size field set to match.
void MutateBody(TBytes& aRecord, std::size_t aMaxBody)
{
    if (aRecord.size() < 4) return;
    TBytes body(aRecord.begin() + 4, aRecord.end());
    body.resize(std::max<std::size_t>(aMaxBody, 1));
    const std::size_t size = LLVMFuzzerMutate(body.data(), aRecord.size() - 4, body.size());
    body.resize(std::min<std::size_t>(size, 0xFFFF));
    aRecord.resize(4);
    xls::SetWord(aRecord, 2, static_cast<std::uint16_t>(body.size()));
    aRecord.insert(aRecord.end(), body.begin(), body.end());
}

void MutateRecords(std::vector<TBytes>& aRecords, std::minstd_rand& aRandom)
{
    if (aRecords.empty()) return;
    const auto pick = [&](std::size_t n) { return static_cast<std::size_t>(aRandom() % n); };
    const std::size_t i = pick(aRecords.size());
    switch (pick(5)) {
    case 0:
        aRecords.erase(aRecords.begin() + std::ptrdiff_t(i));
        break;
    case 1:
        aRecords.insert(aRecords.begin() + std::ptrdiff_t(pick(aRecords.size() + 1)), aRecords[i]);
        break;
    case 2: {
        TBytes moved = std::move(aRecords[i]);
        aRecords.erase(aRecords.begin() + std::ptrdiff_t(i));
        aRecords.insert(aRecords.begin() + std::ptrdiff_t(pick(aRecords.size() + 1)), std::move(moved));
        break;
    }
    case 3:
        if (aRecords[i].size() >= 4) xls::SetWord(aRecords[i], 0, kRecordIds[pick(std::size(kRecordIds))]);
        break;
    default:
        MutateBody(aRecords[i], aRecords[i].size() + 64);
        break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    xlsfuzz::ReportAtExit("stream");
    return 0;
}

extern "C" std::size_t LLVMFuzzerCustomMutator(std::uint8_t* aData, std::size_t aSize, std::size_t aMaxSize,
                                               unsigned int aSeed)
{
    std::minstd_rand random(aSeed);
    if (random() % 4 == 0) return LLVMFuzzerMutate(aData, aSize, aMaxSize);
    const xlsfuzz::TStreamInput input = xlsfuzz::SplitStreamInput({aData, aSize});
    std::vector<TBytes> records = SplitRecords(input.Stream);
    MutateRecords(records, random);
    TBytes stream;
    for (const TBytes& r : records) stream.insert(stream.end(), r.begin(), r.end());
    const TBytes joined = xlsfuzz::JoinStreamInput(input.Script, stream);
    if (joined.size() > aMaxSize) return LLVMFuzzerMutate(aData, aSize, aMaxSize);
    std::copy(joined.begin(), joined.end(), aData);
    return joined.size();
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* aData, std::size_t aSize)
{
    const xlsfuzz::TStreamInput input = xlsfuzz::SplitStreamInput({aData, aSize});
    return xlsfuzz::RunTarget([&](xlsfuzz::TStats& stats) {
        xlsfuzz::RunWorkbook(xlsfuzz::WrapWorkbookStream(input.Stream), input.Script, stats);
    });
}
