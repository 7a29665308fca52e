// SPDX-License-Identifier: MIT
// Sending: the library's send path against a plain send loop of the same
// bytes, both to a loopback sink that only reads.
#include "harness/compare.h"
#include "harness/peers.h"
#include "link/connected_library.h"

namespace bench {

namespace {

constexpr double kSendTarget = 0.9;

// Sends one frame per iteration through `sendOne`, which returns the
// library's result. A frame refused because the connection holds as much as
// it may (-4) is sent again after PT_GW_Status has let the socket write out
// what waits: a sink that reads slower than the library sends makes the
// application wait, as it would make a plain sender wait.
template <typename SendOne>
int32_t SendAgain(SendOne sendOne, int64_t &refused) {
  Deadline deadline;
  int32_t result;
  do {
    ++refused;
    PT_GW_Status(kGateway);
  } while ((result = sendOne()) == -4 && !deadline.Passed());
  return result;
}

template <typename SendOne>
void LibrarySend(benchmark::State &state, SendOne sendOne) {
  Peer sink(SinkRole());
  ConnectedLibrary library({sink.Port()});
  if (!sink.Listening() || !library.Ready()) return state.SkipWithError("no connection");
  int64_t refused = 0;
  for (auto _ : state) {
    int32_t result = sendOne();
    if (result == -4) result = SendAgain(sendOne, refused);
    if (result != 0) return state.SkipWithError("the library refused a frame");
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["refused"] = static_cast<double>(refused);
}

// Sends the wire pieces of one frame per iteration with plain send calls on
// a socket set up like the library's.
void PlainSend(benchmark::State &state, const std::vector<Bytes> &pieces) {
  Peer sink(SinkRole());
  int fd = ConnectLoopback(sink.Port());
  if (fd < 0) return state.SkipWithError("no connection");
  for (auto _ : state) {
    for (const Bytes &piece : pieces) {
      if (!SendAll(fd, piece.data(), piece.size())) {
        CloseFd(fd);
        return state.SkipWithError("send failed");
      }
    }
  }
  CloseFd(fd);
  state.SetItemsProcessed(state.iterations());
}

void CompareFrame(const char *label, const char *name, std::size_t length) {
  const Bytes frame = MakeFrame(length);
  Compare(
      label, name, Measure::kRate, Goal::kAtLeast, kSendTarget,
      [frame](benchmark::State &state) {
        LibrarySend(state, [&] { return PT_GW_SndMsg(kGateway, frame.data()); });
      },
      [frame](benchmark::State &state) { PlainSend(state, Pieces(frame)); });
}

const bool kRegistered = [] {
  Compare(
      "Send 15-byte frames, PT_LB_DspNum", "send/dspnum", Measure::kRate, Goal::kAtLeast,
      kSendTarget,
      [](benchmark::State &state) {
        LibrarySend(state, [] { return PT_LB_DspNum(kTagAddr, 42, 0x20, 0); });
      },
      [](benchmark::State &state) { PlainSend(state, {MakeFrame(kSmallFrame)}); });
  CompareFrame("Send 15-byte frames, PT_GW_SndMsg", "send/15", kSmallFrame);
  CompareFrame("Send 8198-byte frames, PT_GW_SndMsg", "send/8198", 8198);
  CompareFrame("Send 8200-byte frames (two pieces), PT_GW_SndMsg", "send/8200", 8200);
  return true;
}();

}  // namespace

}  // namespace bench
