// SPDX-License-Identifier: MIT
#include "support/export_table.h"

#include <algorithm>
#include <fstream>
#include <regex>
#include <sstream>

namespace roviro2_test {

namespace {

// An entry: name, ordinal, and the argument count of its comment.
const std::regex kDefEntry(R"(^\s+(PT_\w+)\s+@(\d+)\s*(;\s*(\d+) arguments?)?\s*\r?$)");

// Entries of the module definition: name and the numbered part of the match.
std::map<std::string, int> DefColumn(const std::string &sourceDir, int part) {
  std::ifstream in(sourceDir + "/src/lib/roviro2.def");
  std::map<std::string, int> column;
  std::string line;
  std::smatch m;
  while (std::getline(in, line)) {
    if (std::regex_match(line, m, kDefEntry))
      column[m[1]] = m[part].matched ? std::stoi(m[part]) : -1;
  }
  return column;
}

// Name and parameter list of every PT_ function the header declares.
std::map<std::string, std::string> HeaderDeclarations(const std::string &sourceDir) {
  std::ifstream in(sourceDir + "/include/roviro2.h");
  std::stringstream text;
  text << in.rdbuf();
  const std::string header = text.str();
  const std::regex decl(R"(ROVIRO2_CALL\s+(PT_\w+)\s*\(([^)]*)\))");
  std::map<std::string, std::string> declarations;
  for (std::sregex_iterator it(header.begin(), header.end(), decl), end; it != end; ++it)
    declarations[(*it)[1]] = (*it)[2];
  return declarations;
}

}  // namespace

std::set<std::string> HeaderFunctions(const std::string &sourceDir) {
  std::set<std::string> names;
  for (const auto &[name, parameters] : HeaderDeclarations(sourceDir))
    names.insert(name);
  return names;
}

std::map<std::string, int> HeaderArgumentCounts(const std::string &sourceDir) {
  std::map<std::string, int> counts;
  for (const auto &[name, parameters] : HeaderDeclarations(sourceDir)) {
    const bool none = std::regex_match(parameters, std::regex(R"(\s*void\s*)"));
    counts[name] =
        none ? 0 : static_cast<int>(std::count(parameters.begin(), parameters.end(), ',')) + 1;
  }
  return counts;
}

std::map<std::string, int> DefOrdinals(const std::string &sourceDir) {
  return DefColumn(sourceDir, 2);
}

std::map<std::string, int> DefArgumentCounts(const std::string &sourceDir) {
  return DefColumn(sourceDir, 4);
}

}  // namespace roviro2_test
