// SPDX-License-Identifier: MIT
// Bursts: 32 commands in flight, sent as one batch, then their 32 answers
// fetched; against a plain client that writes the 32 frames in one send and
// reads the 32 answers.
#include "harness/compare.h"
#include "harness/peers.h"
#include "link/connected_library.h"
#include "roviro2_ext.h"

namespace bench {

namespace {

constexpr double kBurstTarget = 0.8;
constexpr int kInFlight = 32;

bool LibraryBurst(uint8_t *answer) {
  roviro2_batch_begin();
  for (int i = 0; i < kInFlight; ++i) {
    if (PT_LB_DspNum(kTagAddr, 42, 0x20, 0) != 0) {
      roviro2_batch_end();
      return false;
    }
  }
  if (roviro2_batch_end() < 0) return false;
  // Each poll is followed by fetching every answer it queued.
  Deadline deadline;
  int got = 0;
  while (got < kInFlight && !deadline.Passed()) {
    PT_GW_Status(kGateway);
    while (got < kInFlight && PT_GW_RcvMsg(kGateway, answer) == kSmallFrame)
      ++got;
  }
  return got == kInFlight;
}

void LibraryBursts(benchmark::State &state) {
  Peer answerer(AnswererRole(AnswerFrame()));
  ConnectedLibrary library({answerer.Port()});
  if (!answerer.Listening() || !library.Ready()) return state.SkipWithError("no connection");
  uint8_t answer[kLargestFrame];
  for (auto _ : state) {
    if (!LibraryBurst(answer)) return state.SkipWithError("a command or its answer failed");
  }
  state.SetItemsProcessed(state.iterations() * kInFlight);
}

void PlainBursts(benchmark::State &state) {
  Peer answerer(AnswererRole(AnswerFrame()));
  int fd = ConnectLoopback(answerer.Port());
  if (fd < 0) return state.SkipWithError("no connection");
  const Bytes burst = RepeatedFrames(kSmallFrame, kInFlight * kSmallFrame);
  Bytes answers(kInFlight * kSmallFrame);
  for (auto _ : state) {
    if (!SendAll(fd, burst.data(), burst.size()) ||
        !ReceiveAll(fd, answers.data(), answers.size())) {
      CloseFd(fd);
      return state.SkipWithError("no answer");
    }
  }
  CloseFd(fd);
  state.SetItemsProcessed(state.iterations() * kInFlight);
}

const bool kRegistered = [] {
  Compare("32 commands in flight, one batch (ref: one send)", "burst/32", Measure::kRate,
          Goal::kAtLeast, kBurstTarget, LibraryBursts, PlainBursts);
  return true;
}();

}  // namespace

}  // namespace bench
