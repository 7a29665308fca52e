// SPDX-License-Identifier: MIT
// The public header and the module definition name the same 79 functions,
// at the ordinals and with the argument counts of the export table.
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

TEST(ExportTable, HeaderDeclaresEveryFunctionWithTheArgumentsOfTheModuleDefinition) {
  const std::map<std::string, int> def = DefArgumentCounts(ROVIRO2_SOURCE_DIR);
  ASSERT_EQ(def.size(), 79u);
  for (const auto &[name, count] : def)
    EXPECT_GE(count, 0) << name << " has no argument count";
  EXPECT_EQ(HeaderArgumentCounts(ROVIRO2_SOURCE_DIR), def);
  EXPECT_EQ(def.at("PT_API_Open"), 0);
  EXPECT_EQ(def.at("PT_Tag_RcvMsg"), 5);
  EXPECT_EQ(def.at("PT_GW_SndMsg"), 2);
}

}  // namespace
}  // namespace roviro2_test
