/* SPDX-License-Identifier: MIT */
// The time of every iteration of a timed loop, read from the steady clock
// (no system call), reported as the median and the 99th percentile.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "harness/loopback.h"

namespace bench {

class Latencies {
 public:
  explicit Latencies(const benchmark::State &state);

  void Start() { start_ = Clock::now(); }
  void Stop() {
    if (samples_.size() < samples_.capacity())
      samples_.push_back(
          std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start_).count());
  }

  // Sets the counters "p50_ns" and "p99_ns".
  void Report(benchmark::State &state);

 private:
  Clock::time_point start_;
  std::vector<int64_t> samples_;
};

}  // namespace bench
