// xlstool features on the corpus against the feature dumps an independent
// reader (Apache POI) made of the same files: the workbook lines, every
// defined name and every formula agree, up to the named differences of
// FeatureDumpTestSupport.h, each of which the corpus still needs.
#include <gtest/gtest.h>

#include "FeatureDumpTestSupport.h"
#include "RecordTestSupport.h"
#include "base/UXlsPaths.h"

using namespace featuretest;


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
        const TFeatureComparison c = CompareFeatures(FeatureLines(ReadText(expected), "WNF"), FeatureLines(run.Out, "WNF"));
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
