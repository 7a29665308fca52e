// The shared library's dynamic symbol table names the functions of the
// public header and the extensions, and nothing else.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <sstream>
#include <string>

#include "support/export_table.h"

namespace {

std::set<std::string> HeaderFunctions() {
  return roviro2_test::HeaderFunctions(ROVIRO2_SOURCE_DIR);
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
