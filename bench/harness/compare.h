/* SPDX-License-Identifier: MIT */
// Registers a library benchmark and its reference side by side, with the
// table row that compares them.
#pragma once

#include <benchmark/benchmark.h>

#include <string>
#include <utility>

#include "harness/table.h"

namespace bench {

// Registers one benchmark, timed by the wall clock (the peers work on
// other threads); returns its name.
template <typename Fn>
std::string Timed(const std::string &name, Fn fn) {
  benchmark::RegisterBenchmark(name.c_str(), std::move(fn))->UseRealTime();
  return name;
}

// Benchmarks "<name>/library" and "<name>/reference", and the row `label`
// comparing them by `measure`.
template <typename Figure, typename Reference>
void Compare(const std::string &label, const std::string &name, Measure measure, Goal goal,
             double target, Figure figure, Reference reference) {
  AddRow({label,
          Timed(name + "/library", std::move(figure)),
          Timed(name + "/reference", std::move(reference)),
          measure,
          goal,
          target,
          {}});
}

}  // namespace bench
