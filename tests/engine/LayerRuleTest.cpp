// The engine's layers: a module includes only its own layer and those below
// it (worksheet and drawing may include each other); the station includes
// only the file interface and its value types.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Lower layers first; worksheet and drawing share a rank.
const std::map<std::string, int> kLayerRank = {
    {"base", 0}, {"cfb", 1}, {"records", 2}, {"globals", 3}, {"worksheet", 4}, {"drawing", 4}, {"facade", 5},
};

// What the station may include of the engine.
const std::vector<std::string> kStationMayInclude = {
    "facade/XLSAdapter.h", "facade/UExcelAdapter.h", "base/UXlsValueTypes.h"};

bool IsSource(const fs::path& p) { return p.extension() == ".h" || p.extension() == ".cpp"; }

// The quoted includes of a file: "folder/Module.h" or "Module.h".
std::vector<std::string> QuotedIncludes(const fs::path& file)
{
    static const std::regex include(R"re(^\s*#\s*include\s+"([^"]+)")re");
    std::vector<std::string> found;
    std::ifstream in(file);
    std::smatch m;
    for (std::string line; std::getline(in, line);)
        if (std::regex_search(line, m, include)) found.push_back(m[1]);
    return found;
}

std::string FolderOf(const std::string& include)
{
    const auto slash = include.find('/');
    return slash == std::string::npos ? std::string() : include.substr(0, slash);
}

std::string Relative(const fs::path& file, const fs::path& root) { return fs::relative(file, root).generic_string(); }

// One line per include that breaks the rule, naming the file and the include.
std::vector<std::string> LayerViolations(const fs::path& root)
{
    std::vector<std::string> violations;
    const fs::path engine = root / "XlsAdapter";
    for (const auto& entry : fs::recursive_directory_iterator(engine)) {
        if (!entry.is_regular_file() || !IsSource(entry.path())) continue;
        const std::string layer = Relative(entry.path(), engine).substr(0, Relative(entry.path(), engine).find('/'));
        const auto own = kLayerRank.find(layer);
        if (own == kLayerRank.end()) {
            violations.push_back(Relative(entry.path(), root) + " is in no layer's folder");
            continue;
        }
        for (const std::string& inc : QuotedIncludes(entry.path())) {
            const auto target = kLayerRank.find(FolderOf(inc));
            if (target == kLayerRank.end())
                violations.push_back(Relative(entry.path(), root) + " includes \"" + inc + "\", which names no layer");
            else if (target->second > own->second)
                violations.push_back(Relative(entry.path(), root) + " includes \"" + inc + "\": " + layer +
                                     " may not include " + target->first);
        }
    }
    const fs::path station = root / "app";
    if (fs::exists(station))
        for (const auto& entry : fs::recursive_directory_iterator(station)) {
            if (!entry.is_regular_file() || !IsSource(entry.path())) continue;
            for (const std::string& inc : QuotedIncludes(entry.path())) {
                if (!kLayerRank.contains(FolderOf(inc))) continue;  // the station's own headers
                if (std::find(kStationMayInclude.begin(), kStationMayInclude.end(), inc) == kStationMayInclude.end())
                    violations.push_back(Relative(entry.path(), root) + " includes \"" + inc +
                                         "\": the station may include only the file interface");
            }
        }
    std::sort(violations.begin(), violations.end());
    return violations;
}

class LayerRuleOnFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        FRoot = fs::temp_directory_path() / ("layer-rule-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(FRoot);
    }
    void TearDown() override { fs::remove_all(FRoot); }

    void Write(const std::string& relative, const std::string& text)
    {
        fs::create_directories((FRoot / relative).parent_path());
        std::ofstream(FRoot / relative) << text;
    }

    fs::path FRoot;
};

}  // namespace

TEST(LayerRule, HoldsForTheEngineAndTheStation)
{
    EXPECT_EQ(LayerViolations(TAGSTATION_SOURCE_DIR), std::vector<std::string>{});
}

TEST_F(LayerRuleOnFiles, NamesEveryIncludeThatBreaksIt)
{
    Write("XlsAdapter/records/UXlsBaseRecords.cpp",
          "#include \"records/UXlsBaseRecords.h\"\n#include \"globals/UXlsSST.h\"\n#include <vector>\n");
    Write("XlsAdapter/worksheet/UXlsSheet.h", "#include \"drawing/UXlsEscher.h\"\n#include \"facade/XLSAdapter.h\"\n");
    Write("XlsAdapter/drawing/UXlsEscher.h", "#include \"worksheet/UXlsSheet.h\"\n");
    Write("XlsAdapter/facade/XLSAdapter.h", "#include \"UExcelAdapter.h\"\n");
    Write("XlsAdapter/UStray.h", "");
    Write("app/Unit1.cpp", "#include \"Unit1.h\"\n#include \"facade/XLSAdapter.h\"\n#include \"base/UXlsBytes.h\"\n");

    EXPECT_EQ(LayerViolations(FRoot),
              (std::vector<std::string>{
                  "XlsAdapter/UStray.h is in no layer's folder",
                  "XlsAdapter/facade/XLSAdapter.h includes \"UExcelAdapter.h\", which names no layer",
                  "XlsAdapter/records/UXlsBaseRecords.cpp includes \"globals/UXlsSST.h\": records may not include "
                  "globals",
                  "XlsAdapter/worksheet/UXlsSheet.h includes \"facade/XLSAdapter.h\": worksheet may not include facade",
                  "app/Unit1.cpp includes \"base/UXlsBytes.h\": the station may include only the file interface",
              }));
}
