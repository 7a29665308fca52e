#include "support/export_table.h"

#include <fstream>
#include <regex>
#include <sstream>

namespace roviro2_test {

std::set<std::string> HeaderFunctions(const std::string &sourceDir) {
  std::ifstream in(sourceDir + "/include/roviro2.h");
  std::stringstream text;
  text << in.rdbuf();
  const std::string header = text.str();
  const std::regex decl(R"(ROVIRO2_CALL\s+(PT_\w+)\s*\()");
  std::set<std::string> names;
  for (std::sregex_iterator it(header.begin(), header.end(), decl), end; it != end; ++it)
    names.insert((*it)[1]);
  return names;
}

std::map<std::string, int> DefOrdinals(const std::string &sourceDir) {
  std::ifstream in(sourceDir + "/src/lib/roviro2.def");
  const std::regex entry(R"(^\s+(PT_\w+)\s+@(\d+)\s*\r?$)");
  std::map<std::string, int> ordinals;
  std::string line;
  std::smatch m;
  while (std::getline(in, line)) {
    if (std::regex_match(line, m, entry)) ordinals[m[1]] = std::stoi(m[2]);
  }
  return ordinals;
}

}  // namespace roviro2_test
