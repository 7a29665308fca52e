// SPDX-License-Identifier: MIT
// Runs the benchmarks of one program and prints the comparison table.
//
// Every benchmark runs several times, in random order with the others, so a
// slow spell of a shared machine hits library figures and references alike;
// the table takes the best rate of the repetitions. The details of every run go
// to stderr; the table goes to stdout. The exit status is 0 when every
// target is met, 1 when one is missed, 2 on bad arguments. The environment
// variable ROVIRO2_BENCH_PLACEMENT puts the peers on the application's
// processor ("same") or on their own ("split", the default).
#include <benchmark/benchmark.h>

#include <iostream>
#include <vector>

#include "harness/loopback.h"
#include "harness/table.h"

namespace {

// Given before the caller's arguments, so that the caller's win.
const char *const kDefaults[] = {
    "--benchmark_repetitions=7",
    "--benchmark_enable_random_interleaving=true",
    "--benchmark_min_time=0.05",
};

}  // namespace

int main(int argc, char **argv) {
  std::vector<char *> args{argv[0]};
  for (const char *flag : kDefaults)
    args.push_back(const_cast<char *>(flag));
  args.insert(args.end(), argv + 1, argv + argc);
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 2;

  if (!bench::ValidPlacement()) {
    std::cerr << "ROVIRO2_BENCH_PLACEMENT must be \"split\" or \"same\"\n";
    return 2;
  }
  bench::PinThread(bench::kApplicationCpu);
  benchmark::ConsoleReporter details(benchmark::ConsoleReporter::OO_None);
  details.SetOutputStream(&std::cerr);
  details.SetErrorStream(&std::cerr);
  bench::TableReporter reporter(&details);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  for (const std::string &error : reporter.Errors())
    std::cerr << "error: " << error << '\n';
  const bool met = bench::PrintTable(bench::Rows(), reporter.Summary(), std::cout);
  return met && reporter.Errors().empty() ? 0 : 1;
}
