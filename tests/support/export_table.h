/* SPDX-License-Identifier: MIT */
// The export table as the sources give it: the functions the public header
// declares, and the ordinals and argument counts of the module definition.
#pragma once

#include <map>
#include <set>
#include <string>

namespace roviro2_test {

// The PT_ functions declared in include/roviro2.h under sourceDir.
std::set<std::string> HeaderFunctions(const std::string &sourceDir);
// Name and ordinal of every entry of src/lib/roviro2.def under sourceDir.
std::map<std::string, int> DefOrdinals(const std::string &sourceDir);
// Name and number of arguments: as the module definition gives them, and as
// the header declares them.
std::map<std::string, int> DefArgumentCounts(const std::string &sourceDir);
std::map<std::string, int> HeaderArgumentCounts(const std::string &sourceDir);

}  // namespace roviro2_test
