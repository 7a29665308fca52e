// SPDX-License-Identifier: MIT
#include "harness/latency.h"

#include <algorithm>

namespace bench {

namespace {

// Room for the samples is made before the loop, so that recording one never
// allocates inside it; a longer run keeps its first samples.
constexpr benchmark::IterationCount kMostSamples = 1 << 22;

double Percentile(std::vector<int64_t> &samples, double share) {
  if (samples.empty()) return 0;
  const std::size_t at = static_cast<std::size_t>(share * static_cast<double>(samples.size() - 1));
  std::nth_element(samples.begin(), samples.begin() + static_cast<std::ptrdiff_t>(at),
                   samples.end());
  return static_cast<double>(samples[at]);
}

}  // namespace

Latencies::Latencies(const benchmark::State &state) {
  samples_.reserve(static_cast<std::size_t>(std::min(state.max_iterations, kMostSamples)));
}

void Latencies::Report(benchmark::State &state) {
  state.counters["p50_ns"] = Percentile(samples_, 0.50);
  state.counters["p99_ns"] = Percentile(samples_, 0.99);
}

}  // namespace bench
