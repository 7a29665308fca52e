// The public header, the module definition and the shared library's dynamic
// symbol table must name the same functions.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>

namespace {

std::string ReadFile(const std::string &path) {
  std::ifstream in(path);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

std::set<std::string> HeaderFunctions() {
  const std::string text = ReadFile(std::string(ROVIRO2_SOURCE_DIR) + "/include/roviro2.h");
  const std::regex decl(R"(ROVIRO2_CALL\s+(PT_\w+)\s*\()");
  std::set<std::string> names;
  for (std::sregex_iterator it(text.begin(), text.end(), decl), end; it != end; ++it)
    names.insert((*it)[1]);
  return names;
}

std::map<std::string, int> DefOrdinals() {
  std::ifstream in(std::string(ROVIRO2_SOURCE_DIR) + "/src/lib/roviro2.def");
  const std::regex entry(R"(^\s+(PT_\w+)\s+@(\d+)\s*$)");
  std::map<std::string, int> ordinals;
  std::string line;
  std::smatch m;
  while (std::getline(in, line)) {
    if (std::regex_match(line, m, entry)) ordinals[m[1]] = std::stoi(m[2]);
  }
  return ordinals;
}

std::set<std::string> ExportedSymbols() {
  const std::string cmd = std::string("nm -D --defined-only ") + ROVIRO2_SHARED_LIBRARY;
  std::set<std::string> names;
  FILE *pipe = popen(cmd.c_str(), "r");
  if (!pipe) return names;
  char line[512];
  while (std::fgets(line, sizeof line, pipe)) {
    std::istringstream fields(line);
    std::string address, type, name;
    if (fields >> address >> type >> name && (type == "T" || type == "D" || type == "B"))
      names.insert(name);
  }
  pclose(pipe);
  return names;
}

TEST(ExportTable, HeaderDeclaresTheSeventyNineFunctionsOfTheModuleDefinition) {
  const std::set<std::string> header = HeaderFunctions();
  const std::map<std::string, int> def = DefOrdinals();
  EXPECT_EQ(header.size(), 79u);
  std::set<std::string> defNames;
  for (const auto &[name, ordinal] : def)
    defNames.insert(name);
  EXPECT_EQ(header, defNames);
}

TEST(ExportTable, OrdinalsRunFromOneToEightyThreeWithFourGaps) {
  const std::map<std::string, int> def = DefOrdinals();
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

TEST(ExportTable, LibraryExportsOnlyDeclaredFunctionsAndExtensions) {
  const std::set<std::string> header = HeaderFunctions();
  const std::set<std::string> exported = ExportedSymbols();
  ASSERT_FALSE(exported.empty()) << "nm found no symbols in " << ROVIRO2_SHARED_LIBRARY;
  for (const std::string &name : exported) {
    const bool extension = name.rfind("roviro2_", 0) == 0;
    EXPECT_TRUE(header.count(name) == 1 || extension) << "unexpected export " << name;
  }
}

TEST(ExportTable, ExactlyTheSeventyNineFunctionsAndTheExtensionsResolve) {
  void *library = dlopen(ROVIRO2_SHARED_LIBRARY, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << dlerror();
  const std::set<std::string> exported = ExportedSymbols();
  std::set<std::string> functions;
  for (const std::string &name : exported) {
    if (name.rfind("PT_", 0) == 0) functions.insert(name);
  }
  EXPECT_EQ(functions, HeaderFunctions());
  for (const std::string &name : HeaderFunctions()) {
    EXPECT_NE(dlsym(library, name.c_str()), nullptr) << name;
  }
  for (const char *name : {"roviro2_set_notice_handler", "roviro2_dispatch", "roviro2_event_fd"}) {
    EXPECT_EQ(exported.count(name), 1u) << name;
    EXPECT_NE(dlsym(library, name), nullptr) << name;
  }
  dlclose(library);
}

}  // namespace
