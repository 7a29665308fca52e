// SPDX-License-Identifier: MIT
// Round trip: a command goes out, the gateway answers one frame, the
// application polls and fetches it; against a plain send/recv ping-pong with
// the same peer and the same bytes.
#include "harness/compare.h"
#include "harness/peers.h"
#include "link/connected_library.h"

namespace bench {

namespace {

constexpr double kRoundTripTarget = 0.9;

Bytes Answer() {
  return MakeFrame(kSmallFrame, kAnswerCommand);
}

void LibraryRoundTrip(benchmark::State &state) {
  Peer answerer(AnswererRole(Answer()));
  ConnectedLibrary library({answerer.Port()});
  if (!answerer.Listening() || !library.Ready()) return state.SkipWithError("no connection");
  uint8_t answer[kLargestFrame];
  for (auto _ : state) {
    if (PT_LB_DspNum(kTagAddr, 42, 0x20, 0) != 0) return state.SkipWithError("send refused");
    const int32_t size = AwaitFrame([&] { return PT_GW_RcvMsg(kGateway, answer); });
    if (size != static_cast<int32_t>(kSmallFrame)) return state.SkipWithError("no answer");
  }
  state.SetItemsProcessed(state.iterations());
}

void PlainRoundTrip(benchmark::State &state) {
  Peer answerer(AnswererRole(Answer()));
  int fd = ConnectLoopback(answerer.Port());
  if (fd < 0) return state.SkipWithError("no connection");
  const Bytes command = MakeFrame(kSmallFrame);
  uint8_t answer[kSmallFrame];
  for (auto _ : state) {
    if (!SendAll(fd, command.data(), command.size()) || !ReceiveAll(fd, answer, sizeof answer)) {
      CloseFd(fd);
      return state.SkipWithError("no answer");
    }
  }
  CloseFd(fd);
  state.SetItemsProcessed(state.iterations());
}

const bool kRegistered = [] {
  Compare("Round trip: command, one answer frame, poll and fetch", "round-trip", Measure::kRate,
          Goal::kAtLeast, kRoundTripTarget, LibraryRoundTrip, PlainRoundTrip);
  return true;
}();

}  // namespace

}  // namespace bench
