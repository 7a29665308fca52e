// SPDX-License-Identifier: MIT
// Runs one entry for the instruction counts under callgrind, or lists the
// entries and rows for scripts/bench-instructions.sh:
//
//   roviro2_bench_instr --entries        "name length instructions|syscalls" per entry
//   roviro2_bench_instr --rows           label, figure, reference, goal, target
//   roviro2_bench_instr NAME N           runs entry NAME for N units
//
// Exit status 0 when the entry ran, 1 when its work failed, 2 on bad
// arguments.
#include <cstdlib>
#include <cstring>
#include <iostream>

#include "instr/entries.h"

namespace {

const char *GoalName(bench::CountGoal goal) {
  switch (goal) {
    case bench::CountGoal::kAtMostInstructions:
      return "instructions";
    case bench::CountGoal::kAtMostRatio:
      return "ratio";
    case bench::CountGoal::kNone:
      break;
  }
  return "none";
}

int Run(const char *name, const char *count) {
  char *end = nullptr;
  const long long n = std::strtoll(count, &end, 10);
  if (*count == '\0' || *end != '\0' || n <= 0) return 2;
  for (const bench::Entry &entry : bench::Entries())
    if (entry.name == name) return entry.run(n) ? 0 : 1;
  return 2;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc == 2 && std::strcmp(argv[1], "--entries") == 0) {
    for (const bench::Entry &entry : bench::Entries())
      std::cout << entry.name << ' ' << entry.length << ' '
                << (entry.counted == bench::Counted::kSystemCalls ? "syscalls" : "instructions")
                << '\n';
    return 0;
  }
  if (argc == 2 && std::strcmp(argv[1], "--rows") == 0) {
    for (const bench::CountRow &row : bench::CountRows())
      std::cout << row.label << '\t' << row.figure << '\t' << row.reference << '\t'
                << GoalName(row.goal) << '\t' << row.target << '\n';
    return 0;
  }
  if (argc == 3) return Run(argv[1], argv[2]);
  std::cerr << "usage: roviro2_bench_instr --entries | --rows | NAME COUNT\n";
  return 2;
}
