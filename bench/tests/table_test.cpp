// SPDX-License-Identifier: MIT
// The table's verdicts decide the exit status of the benchmark run: a missed
// target, or a figure without its reference, must never read as met.
#include <gtest/gtest.h>

#include <sstream>

#include "harness/table.h"

namespace bench {
namespace {

benchmark::UserCounters Rate(double perSecond) {
  return {{"items_per_second", benchmark::Counter(perSecond)}};
}

struct Printed {
  bool met;
  std::string text;
};

Printed Print(const std::vector<Row> &rows, const Summaries &summaries) {
  std::ostringstream out;
  const bool met = PrintTable(rows, summaries, out);
  return {met, out.str()};
}

const Row kRateRow{"send", "a/library", "a/reference", Measure::kRate, Goal::kAtLeast, 0.9, {}};

TEST(Table, RateRowIsMetFromItsRatioOnly) {
  Printed printed = Print({kRateRow}, {{"a/library", Rate(95)}, {"a/reference", Rate(100)}});
  EXPECT_TRUE(printed.met);
  EXPECT_NE(printed.text.find("| 0.95 | >= 0.90 | met |"), std::string::npos) << printed.text;

  printed = Print({kRateRow}, {{"a/library", Rate(85)}, {"a/reference", Rate(100)}});
  EXPECT_FALSE(printed.met);
  EXPECT_NE(printed.text.find("MISSED"), std::string::npos);
}

TEST(Table, TimeRowComparesNanosecondsAndMustStayBelowItsBound) {
  const Row row{"scaling", "n/large", "n/small", Measure::kNsPerItem, Goal::kAtMost, 2.0, {}};
  // 10 M/s is 100 ns, 4 M/s is 250 ns: 2.5 times slower.
  const Printed printed = Print({row}, {{"n/large", Rate(4e6)}, {"n/small", Rate(1e7)}});
  EXPECT_FALSE(printed.met);
  EXPECT_NE(printed.text.find("| 250.0 ns | 100.0 ns | 2.50 |"), std::string::npos) << printed.text;
}

TEST(Table, PlainValueRowHasNoReference) {
  const Row row{"memory", "q/memory", "", Measure::kBytes, Goal::kAtMost, 64, "overhead_bytes"};
  Summaries summaries{{"q/memory", {{"overhead_bytes", benchmark::Counter(30)}}}};
  EXPECT_TRUE(Print({row}, summaries).met);
  summaries["q/memory"]["overhead_bytes"] = benchmark::Counter(70);
  EXPECT_FALSE(Print({row}, summaries).met);
}

TEST(Table, AFigureWithoutItsReferenceIsMissedButAFilteredRowIsNot) {
  Printed printed = Print({kRateRow}, {{"a/library", Rate(95)}});
  EXPECT_FALSE(printed.met) << "a failed reference must not hide a regression";
  EXPECT_NE(printed.text.find("MISSING"), std::string::npos);

  printed = Print({kRateRow}, {});
  EXPECT_TRUE(printed.met);
  EXPECT_NE(printed.text.find("not run"), std::string::npos);
}

benchmark::BenchmarkReporter::Run RunOf(const std::string &name, double rate, double other) {
  benchmark::BenchmarkReporter::Run run;
  run.run_name.function_name = name;
  run.counters = Rate(rate);
  run.counters["refused"] = benchmark::Counter(other);
  return run;
}

TEST(TableReporter, KeepsTheBestRateAndTheMedianOfOtherCounters) {
  TableReporter reporter(nullptr);
  reporter.ReportRuns({RunOf("a", 100, 5), RunOf("a", 300, 1), RunOf("a", 200, 9)});
  benchmark::BenchmarkReporter::Run failed = RunOf("b", 1000, 0);
  failed.error_occurred = true;
  failed.error_message = "no connection";
  benchmark::BenchmarkReporter::Run aggregate = RunOf("a", 1e9, 0);
  aggregate.run_type = benchmark::BenchmarkReporter::Run::RT_Aggregate;
  reporter.ReportRuns({failed, aggregate});

  const Summaries summaries = reporter.Summary();
  ASSERT_EQ(summaries.count("a"), 1u);
  EXPECT_EQ(summaries.count("b"), 0u) << "a failed run gives no figure";
  EXPECT_DOUBLE_EQ(summaries.at("a").at("items_per_second").value, 300);
  EXPECT_DOUBLE_EQ(summaries.at("a").at("refused").value, 5);
  EXPECT_EQ(reporter.Errors(), std::vector<std::string>{"b: no connection"});
}

}  // namespace
}  // namespace bench
