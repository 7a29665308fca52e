// SPDX-License-Identifier: MIT
// The shared library's dynamic symbol table names the functions of the
// public header and the extensions, each under a version node, and nothing
// else; the version it reports is the build's.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "roviro2_ext.h"
#include "support/export_table.h"

namespace {

// Every function the two headers declare.
std::set<std::string> DeclaredFunctions() {
  std::set<std::string> names = roviro2_test::HeaderFunctions(ROVIRO2_SOURCE_DIR);
  std::ifstream in(std::string(ROVIRO2_SOURCE_DIR) + "/include/roviro2_ext.h");
  std::stringstream text;
  text << in.rdbuf();
  const std::string header = text.str();
  const std::regex decl(R"(ROVIRO2_API[^;(]*\b(roviro2_\w+)\s*\()");
  for (std::sregex_iterator it(header.begin(), header.end(), decl), end; it != end; ++it)
    names.insert((*it)[1]);
  return names;
}

// Name of each defined dynamic symbol and its version node ("" for none).
std::map<std::string, std::string> ExportedSymbols() {
  const std::string cmd = std::string("nm -D --defined-only ") + ROVIRO2_SHARED_LIBRARY;
  std::map<std::string, std::string> symbols;
  FILE *pipe = popen(cmd.c_str(), "r");
  if (!pipe) return symbols;
  char line[512];
  while (std::fgets(line, sizeof line, pipe)) {
    std::istringstream fields(line);
    std::string address, type, name;
    if (!(fields >> address >> type >> name) || (type != "T" && type != "D" && type != "B"))
      continue;
    const size_t at = name.find('@');
    const size_t node = name.find_first_not_of('@', at);
    symbols[name.substr(0, at)] = at == std::string::npos ? "" : name.substr(node);
  }
  pclose(pipe);
  return symbols;
}

TEST(ExportTable, ExactlyTheDeclaredFunctionsLeaveTheLibraryEachUnderAVersionNode) {
  const std::map<std::string, std::string> exported = ExportedSymbols();
  ASSERT_FALSE(exported.empty()) << "nm found no symbols in " << ROVIRO2_SHARED_LIBRARY;
  std::set<std::string> names;
  for (const auto &[name, node] : exported) {
    names.insert(name);
    EXPECT_EQ(node.rfind("ROVIRO2_", 0), 0u) << name << " has no version node";
  }
  const std::set<std::string> declared = DeclaredFunctions();
  EXPECT_EQ(roviro2_test::HeaderFunctions(ROVIRO2_SOURCE_DIR).size(), 79u);
  EXPECT_EQ(names, declared);

  void *library = dlopen(ROVIRO2_SHARED_LIBRARY, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << dlerror();
  for (const std::string &name : declared)
    EXPECT_NE(dlsym(library, name.c_str()), nullptr) << name;
  dlclose(library);
}

TEST(ExportTable, ReportedVersionIsTheHeadersAndTheBuilds) {
  EXPECT_STREQ(roviro2_version(), ROVIRO2_VERSION_STRING);
  EXPECT_STREQ(roviro2_version(), ROVIRO2_PROJECT_VERSION);
  const std::string parts = std::to_string(ROVIRO2_VERSION_MAJOR) + "." +
                            std::to_string(ROVIRO2_VERSION_MINOR) + "." +
                            std::to_string(ROVIRO2_VERSION_PATCH);
  EXPECT_EQ(parts, ROVIRO2_VERSION_STRING);
}

}  // namespace
