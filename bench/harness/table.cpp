// SPDX-License-Identifier: MIT
#include "harness/table.h"

#include <algorithm>
#include <cstdio>
#include <iostream>

namespace bench {

namespace {

const char *CounterOf(const Row &row) {
  switch (row.measure) {
    case Measure::kMBPerSec:
      return "bytes_per_second";
    case Measure::kBytes:
    case Measure::kMicros:
      return row.counter.c_str();
    default:
      return "items_per_second";
  }
}

// The row's value of one benchmark; false when it did not run.
bool ValueOf(const Row &row, const std::string &name, const Summaries &summaries, double &value) {
  const auto found = summaries.find(name);
  if (found == summaries.end()) return false;
  const auto counter = found->second.find(CounterOf(row));
  if (counter == found->second.end()) return false;
  value = counter->second.value;
  if (row.measure == Measure::kNsPerItem) value = value > 0 ? 1e9 / value : 0;
  if (row.measure == Measure::kMBPerSec) value /= 1e6;
  return true;
}

std::string Format(const char *format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

std::string Show(Measure measure, double value) {
  switch (measure) {
    case Measure::kRate:
      return value >= 1e6 ? Format("%.2f M/s", value / 1e6) : Format("%.1f k/s", value / 1e3);
    case Measure::kNsPerItem:
      return Format("%.1f ns", value);
    case Measure::kMBPerSec:
      return Format("%.0f MB/s", value);
    case Measure::kBytes:
      return Format("%.1f B", value);
    case Measure::kMicros:
      return Format("%.1f us", value);
  }
  return "";
}

std::string ShowTarget(const Row &row) {
  if (row.goal == Goal::kNone) return "-";
  return Format(row.goal == Goal::kAtLeast ? ">= %.2f" : "<= %.2f", row.target);
}

bool Meets(const Row &row, double value) {
  switch (row.goal) {
    case Goal::kAtLeast:
      return value >= row.target;
    case Goal::kAtMost:
      return value <= row.target;
    case Goal::kNone:
      return true;
  }
  return true;
}

bool IsRate(const std::string &counter) {
  return counter == "items_per_second" || counter == "bytes_per_second";
}

double Summarise(const std::string &counter, std::vector<double> values) {
  std::sort(values.begin(), values.end());
  if (IsRate(counter)) return values.back();
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

struct Cells {
  std::string figure = "-", reference = "-", ratio = "-", verdict;
  bool missed = false;
};

Cells Evaluate(const Row &row, const Summaries &summaries) {
  Cells cells;
  double figure = 0;
  double reference = 0;
  const bool hasFigure = ValueOf(row, row.figure, summaries, figure);
  const bool needsReference = !row.reference.empty();
  const bool hasReference = needsReference && ValueOf(row, row.reference, summaries, reference);
  if (hasFigure) cells.figure = Show(row.measure, figure);
  if (hasReference) cells.reference = Show(row.measure, reference);
  if (!hasFigure && (!needsReference || !hasReference)) {
    cells.verdict = "not run";
    return cells;
  }
  if (!hasFigure || (needsReference && !hasReference)) {
    cells.verdict = "MISSING";
    cells.missed = row.goal != Goal::kNone;
    return cells;
  }
  double compared = figure;
  if (needsReference) {
    compared = reference > 0 ? figure / reference : 0;
    cells.ratio = Format("%.2f", compared);
  }
  cells.missed = !Meets(row, compared);
  cells.verdict = row.goal == Goal::kNone ? "(no target)" : cells.missed ? "MISSED" : "met";
  return cells;
}

}  // namespace

std::vector<Row> &Rows() {
  static std::vector<Row> rows;
  return rows;
}

bool AddRow(Row row) {
  Rows().push_back(std::move(row));
  return true;
}

bool TableReporter::ReportContext(const Context &context) {
  return details_ ? details_->ReportContext(context) : true;
}

void TableReporter::ReportRuns(const std::vector<Run> &runs) {
  for (const Run &run : runs) {
    if (run.run_type != Run::RT_Iteration) continue;
    const std::string &name = run.run_name.function_name;
    if (run.error_occurred) {
      errors_.push_back(name + ": " + run.error_message);
    } else {
      runs_[name].push_back(run.counters);
    }
  }
  if (details_) details_->ReportRuns(runs);
}

void TableReporter::Finalize() {
  if (details_) details_->Finalize();
}

Summaries TableReporter::Summary() const {
  Summaries summaries;
  for (const auto &[name, list] : runs_) {
    for (const auto &[counter, first] : list.front()) {
      std::vector<double> values;
      for (const benchmark::UserCounters &counters : list) {
        const auto found = counters.find(counter);
        if (found != counters.end()) values.push_back(found->second.value);
      }
      benchmark::Counter summary = first;
      summary.value = Summarise(counter, std::move(values));
      summaries[name][counter] = summary;
    }
  }
  return summaries;
}

bool PrintTable(const std::vector<Row> &rows, const Summaries &summaries, std::ostream &out) {
  bool allMet = true;
  out << "| Benchmark | Library | Reference | Ratio | Target | Verdict |\n"
      << "|---|---:|---:|---:|---:|---|\n";
  for (const Row &row : rows) {
    const Cells cells = Evaluate(row, summaries);
    allMet = allMet && !cells.missed;
    out << "| " << row.label << " | " << cells.figure << " | " << cells.reference << " | "
        << cells.ratio << " | " << ShowTarget(row) << " | " << cells.verdict << " |\n";
  }
  return allMet;
}

}  // namespace bench
