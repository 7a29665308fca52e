// SPDX-License-Identifier: MIT
// The public header and the module definition name the same 79 functions,
// at the ordinals and with the argument counts of the export table.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>
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

struct TableEntry {
  int ordinal;
  const char *name;
  const char *kinds;
  const char *names;
};

const TableEntry kTable[] = {
#define ROVIRO2_EXPORT(ordinal, name, kinds, names) {ordinal, #name, kinds, names},
#include "../../../src/lib/export_table.inc"
#undef ROVIRO2_EXPORT
};

// The export table, from which the tool, the tests and the bindings take the
// functions, says what the module definition and the header say.
TEST(ExportTable, TheOneTableAgreesWithTheModuleDefinitionAndTheHeader) {
  const std::map<std::string, int> ordinals = DefOrdinals(ROVIRO2_SOURCE_DIR);
  const std::map<std::string, int> counts = DefArgumentCounts(ROVIRO2_SOURCE_DIR);
  const std::set<std::string> header = HeaderFunctions(ROVIRO2_SOURCE_DIR);
  std::set<std::string> names;
  int previous = 0;
  for (const TableEntry &entry : kTable) {
    EXPECT_TRUE(names.insert(entry.name).second) << entry.name;
    EXPECT_GT(entry.ordinal, previous) << entry.name << ": in the order of the ordinals";
    previous = entry.ordinal;
    ASSERT_EQ(ordinals.count(entry.name), 1u) << entry.name;
    EXPECT_EQ(ordinals.at(entry.name), entry.ordinal) << entry.name;
    const std::string kinds = entry.kinds;
    EXPECT_EQ(static_cast<int>(kinds.size()), counts.at(entry.name)) << entry.name;
    EXPECT_EQ(kinds.find_first_not_of("tuisfblcop"), std::string::npos) << entry.name;
    std::istringstream words(entry.names);
    std::size_t named = 0;
    for (std::string word; words >> word;)
      ++named;
    EXPECT_EQ(named, kinds.size()) << entry.name << ": a name per argument";
  }
  EXPECT_EQ(names.size(), 79u);
  EXPECT_EQ(names, header);
}

}  // namespace
}  // namespace roviro2_test
