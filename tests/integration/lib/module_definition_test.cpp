// The public header and the module definition name the same 79 functions,
// at the ordinals of the export table.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "support/export_table.h"

namespace roviro2_test {
namespace {

TEST(ExportTable, HeaderDeclaresTheSeventyNineFunctionsOfTheModuleDefinition) {
  const std::set<std::string> header = HeaderFunctions(ROVIRO2_SOURCE_DIR);
  const std::map<std::string, int> def = DefOrdinals(ROVIRO2_SOURCE_DIR);
  EXPECT_EQ(header.size(), 79u);
  std::set<std::string> defNames;
  for (const auto &[name, ordinal] : def)
    defNames.insert(name);
  EXPECT_EQ(header, defNames);
}

TEST(ExportTable, OrdinalsRunFromOneToEightyThreeWithFourGaps) {
  const std::map<std::string, int> def = DefOrdinals(ROVIRO2_SOURCE_DIR);
  std::set<int> used;
  for (const auto &[name, ordinal] : def)
    EXPECT_TRUE(used.insert(ordinal).second) << name;
  for (int ordinal = 1; ordinal <= 83; ++ordinal) {
    const bool unassigned = ordinal == 14 || ordinal == 30 || ordinal == 31 || ordinal == 64;
    EXPECT_EQ(used.count(ordinal), unassigned ? 0u : 1u) << "ordinal " << ordinal;
  }
  EXPECT_EQ(def.at("PT_API_Open"), 1);
  EXPECT_EQ(def.at("PT_Tag_RcvMsg"), 69);
  EXPECT_EQ(def.at("PT_GW_Ndx2ID"), 70);
  EXPECT_EQ(def.at("PT_DT2_Terminator"), 83);
}

}  // namespace
}  // namespace roviro2_test
