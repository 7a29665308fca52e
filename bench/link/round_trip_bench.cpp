// SPDX-License-Identifier: MIT
// Round trip: a command goes out, the gateway answers one frame, the
// application polls and fetches it; against a plain send/recv ping-pong with
// the same peer and the same bytes. Besides the rate, the median and the
// 99th percentile of the time one round trip takes.
#include <algorithm>
#include <vector>

#include "harness/compare.h"
#include "harness/peers.h"
#include "link/connected_library.h"

namespace bench {

namespace {

constexpr double kRoundTripTarget = 0.9;

// The time of each round trip, and their percentiles as counters.
class Latencies {
 public:
  void Start() { start_ = Clock::now(); }
  void Stop() { times_.push_back(Clock::now() - start_); }
  void Report(benchmark::State &state) {
    if (times_.empty()) return;
    std::sort(times_.begin(), times_.end());
    state.counters["p50_us"] = Micros(times_[times_.size() / 2]);
    state.counters["p99_us"] = Micros(times_[times_.size() * 99 / 100]);
  }

 private:
  static double Micros(Clock::duration time) {
    return std::chrono::duration<double, std::micro>(time).count();
  }
  Clock::time_point start_;
  std::vector<Clock::duration> times_;
};

Bytes Answer() {
  return MakeFrame(kSmallFrame, kAnswerCommand);
}

void LibraryRoundTrip(benchmark::State &state) {
  Peer answerer(AnswererRole(Answer()));
  ConnectedLibrary library({answerer.Port()});
  if (!answerer.Listening() || !library.Ready()) return state.SkipWithError("no connection");
  uint8_t answer[kLargestFrame];
  Latencies latencies;
  for (auto _ : state) {
    latencies.Start();
    if (PT_LB_DspNum(kTagAddr, 42, 0x20, 0) != 0) return state.SkipWithError("send refused");
    const int32_t size = AwaitFrame([&] { return PT_GW_RcvMsg(kGateway, answer); });
    if (size != static_cast<int32_t>(kSmallFrame)) return state.SkipWithError("no answer");
    latencies.Stop();
  }
  state.SetItemsProcessed(state.iterations());
  latencies.Report(state);
}

void PlainRoundTrip(benchmark::State &state) {
  Peer answerer(AnswererRole(Answer()));
  int fd = ConnectLoopback(answerer.Port());
  if (fd < 0) return state.SkipWithError("no connection");
  const Bytes command = MakeFrame(kSmallFrame);
  uint8_t answer[kSmallFrame];
  Latencies latencies;
  for (auto _ : state) {
    latencies.Start();
    if (!SendAll(fd, command.data(), command.size()) || !ReceiveAll(fd, answer, sizeof answer)) {
      CloseFd(fd);
      return state.SkipWithError("no answer");
    }
    latencies.Stop();
  }
  CloseFd(fd);
  state.SetItemsProcessed(state.iterations());
  latencies.Report(state);
}

const bool kRegistered = [] {
  Compare("Round trip: command, one answer frame, poll and fetch", "round-trip", Measure::kRate,
          Goal::kAtLeast, kRoundTripTarget, LibraryRoundTrip, PlainRoundTrip);
  for (const char *percentile : {"p50", "p99"}) {
    AddRow({std::string("Round trip, ") + percentile + " latency", "round-trip/library",
            "round-trip/reference", Measure::kMicros, Goal::kNone, 0,
            std::string(percentile) + "_us"});
  }
  return true;
}();

}  // namespace

}  // namespace bench
