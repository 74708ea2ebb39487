// xlstool features on the corpus against the feature dumps an independent
// reader (Apache POI) made of the same files: the workbook lines, every
// defined name and every formula agree, up to the named differences of
// FeatureDumpTestSupport.h, each of which the corpus still needs.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "FeatureDumpTestSupport.h"
#include "RecordTestSupport.h"
#include "base/UXlsPaths.h"

using namespace featuretest;

namespace {

// Formula cells the reference reader skips: those under the FORMULA id of
// BIFF4, which the engine (like xlrd) reads as the formulas they are.
const std::map<std::string, std::set<std::string>> kSkippedByTheReference = {
    {"WrongFormulaRecordType.xls", {"F\tSheet 1 - Table 1 - Table 1 - T!A4", "F\tSheet 1 - Table 1 - Table 1 - T!B4",
                                    "F\tSheet 1 - Table 1 - Table 1 - T!C4"}},
};

std::vector<TFeatureLine> WithoutSkipped(std::vector<TFeatureLine> aLines, const std::string& aFile)
{
    const auto skipped = kSkippedByTheReference.find(aFile);
    if (skipped == kSkippedByTheReference.end()) return aLines;
    std::erase_if(aLines, [&](const TFeatureLine& l) { return skipped->second.contains(l.Kind + "\t" + l.Key); });
    return aLines;
}

}  // namespace

TEST(FeatureDumpCorpus, NamesAndFormulasAgreeWithAnIndependentReader)
{
    std::map<std::string, int> ruleUses;
    int files = 0, equal = 0;
    for (const auto& path : rectest::ReadableCorpusFiles()) {
        const auto expected = std::filesystem::path(rectest::kCorpus) / "expected" / (path.filename().string() + ".features");
        if (!std::filesystem::exists(expected)) continue;
        SCOPED_TRACE(path.filename().string());
        const rectest::TToolRun run = rectest::RunXlsTool({"features", "--kinds", "W,N,F", xls::Utf8FromPath(path)});
        ASSERT_EQ(run.Code, 0);
        const TFeatureComparison c = CompareFeatures(FeatureLines(ReadText(expected), "WNF"),
                                                       WithoutSkipped(FeatureLines(run.Out, "WNF"), path.filename().string()));
        for (const auto& p : c.Problems) ADD_FAILURE() << p;
        for (const auto& [rule, uses] : c.RuleUses) ruleUses[rule] += uses;
        equal += c.Equal;
        ++files;
    }
    EXPECT_GE(files, 40);
    EXPECT_GT(equal, 5000);
    for (const auto& rule : KnownDifferences()) {
        std::cout << "known difference \"" << rule.Name << "\": " << ruleUses[rule.Name] << " lines\n";
        EXPECT_GT(ruleUses[rule.Name], 0) << rule.Name << " is no longer needed";
    }
}
