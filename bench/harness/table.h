/* SPDX-License-Identifier: MIT */
// The comparison table: each row sets a library figure beside a reference
// measured in the same run, gives their ratio and says whether the target
// is met.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace bench {

// What a row reads from the runs of its benchmarks.
enum class Measure {
  kRate,       // items per second ("items_per_second")
  kNsPerItem,  // nanoseconds per item, from the rate
  kMBPerSec,   // megabytes per second ("bytes_per_second")
  kBytes,      // a counter in bytes, no reference
  kMicros,     // a counter in microseconds, of the figure and of the reference
};

enum class Goal { kNone, kAtLeast, kAtMost };

struct Row {
  std::string label;
  std::string figure;     // name of the benchmark that gives the library's figure
  std::string reference;  // name of the reference benchmark; empty for kBytes
  Measure measure = Measure::kRate;
  Goal goal = Goal::kNone;
  double target = 0;    // bound of the ratio, or of the value for kBytes
  std::string counter;  // the counter a kBytes or kMicros row reads
};

// The rows of this program, in the order they are added.
std::vector<Row> &Rows();
// Adds a row at static initialisation; returns true so it can initialise a
// namespace-scope constant.
bool AddRow(Row row);

// Each benchmark's counters summed up over its repetitions: the best rate
// (noise on a shared machine only ever slows a run down, so the fastest
// repetition is the one closest to what the code costs), and the median of
// every other counter.
using Summaries = std::map<std::string, benchmark::UserCounters>;

// Collects every finished run; optionally passes the runs on to `details`.
class TableReporter : public benchmark::BenchmarkReporter {
 public:
  explicit TableReporter(benchmark::BenchmarkReporter *details) : details_(details) {}

  bool ReportContext(const Context &context) override;
  void ReportRuns(const std::vector<Run> &runs) override;
  void Finalize() override;

  Summaries Summary() const;
  const std::vector<std::string> &Errors() const { return errors_; }

 private:
  benchmark::BenchmarkReporter *details_;
  std::map<std::string, std::vector<benchmark::UserCounters>> runs_;
  std::vector<std::string> errors_;
};

// Prints the table in Markdown; true when no row missed its target. A row
// whose benchmarks did not run at all (filtered out) is shown and skipped;
// a row with only one of its two figures counts as missed.
bool PrintTable(const std::vector<Row> &rows, const Summaries &summaries, std::ostream &out);

}  // namespace bench
