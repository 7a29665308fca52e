// SPDX-License-Identifier: MIT
// Round trip: a command goes out, the gateway answers one frame, the
// application fetches it; against a plain send/recv ping-pong with the same
// peer and the same bytes. Once polling without sleeping, once sleeping until
// the answer arrives (in roviro2_wait; the plain client in poll).
// Each comes with the median and 99th-percentile time of one round trip.
#include <poll.h>
#include <sys/socket.h>

#include "harness/compare.h"
#include "harness/latency.h"
#include "harness/peers.h"
#include "link/connected_library.h"
#include "roviro2_ext.h"

namespace bench {

namespace {

constexpr double kRoundTripTarget = 0.97;
constexpr int kPatienceMs = static_cast<int>(kPatience.count() * 1000);

// Runs `once` per iteration, timing each; `once` returns false on failure.
template <typename Once>
void RoundTrips(benchmark::State &state, Once once) {
  Latencies latencies(state);
  for (auto _ : state) {
    latencies.Start();
    if (!once()) return state.SkipWithError("no answer");
    latencies.Stop();
  }
  state.SetItemsProcessed(state.iterations());
  latencies.Report(state);
}

// Waits for fd to turn readable, sleeping in poll.
bool Readable(int fd) {
  pollfd asked{fd, POLLIN, 0};
  return poll(&asked, 1, kPatienceMs) == 1;
}

template <typename Wait>
void LibraryRoundTrip(benchmark::State &state, Wait wait) {
  Peer answerer(AnswererRole(AnswerFrame()));
  ConnectedLibrary library({answerer.Port()});
  if (!answerer.Listening() || !library.Ready()) return state.SkipWithError("no connection");
  uint8_t answer[kLargestFrame];
  RoundTrips(state, [&] {
    if (PT_LB_DspNum(kTagAddr, 42, 0x20, 0) != 0) return false;
    return wait(answer) == static_cast<int32_t>(kSmallFrame);
  });
}

void LibraryPolling(benchmark::State &state) {
  LibraryRoundTrip(state, [](uint8_t *answer) {
    return AwaitFrame([&] { return PT_GW_RcvMsg(kGateway, answer); });
  });
}

// The library waits in its own look at the connections, roviro2_wait.
void LibraryWaiting(benchmark::State &state) {
  LibraryRoundTrip(state, [](uint8_t *answer) {
    int32_t size = 0;
    while (size == 0 && roviro2_wait(kPatienceMs) > 0)
      size = PT_GW_RcvMsg(kGateway, answer);
    return size;
  });
}

template <typename Receive>
void PlainRoundTrip(benchmark::State &state, Receive receive) {
  Peer answerer(AnswererRole(AnswerFrame()));
  int fd = ConnectLoopback(answerer.Port());
  if (fd < 0) return state.SkipWithError("no connection");
  const Bytes command = MakeFrame(kSmallFrame);
  uint8_t answer[kSmallFrame];
  RoundTrips(state, [&] {
    return SendAll(fd, command.data(), command.size()) && receive(fd, answer, sizeof answer);
  });
  CloseFd(fd);
}

void PlainPolling(benchmark::State &state) {
  PlainRoundTrip(state, ReceiveAll);
}

// Wait, read: the least a client that sleeps until its answer needs.
void PlainWaiting(benchmark::State &state) {
  PlainRoundTrip(state, [](int fd, uint8_t *answer, std::size_t size) {
    while (size > 0 && Readable(fd)) {
      const ssize_t got = recv(fd, answer, size, 0);
      if (got <= 0) return false;
      answer += got;
      size -= static_cast<std::size_t>(got);
    }
    return size == 0;
  });
}

void CompareRoundTrip(const std::string &label, const std::string &name,
                      void (*library)(benchmark::State &), void (*plain)(benchmark::State &)) {
  Compare(label, name, Measure::kRate, Goal::kAtLeast, kRoundTripTarget, library, plain);
  for (const char *counter : {"p50_ns", "p99_ns"}) {
    AddRow({label + ", " + counter, name + "/library", name + "/reference", Measure::kNsCounter,
            Goal::kNone, 0, counter});
  }
}

const bool kRegistered = [] {
  CompareRoundTrip("Round trip: command, one answer frame, poll and fetch", "round-trip",
                   LibraryPolling, PlainPolling);
  CompareRoundTrip("Round trip asleep until the answer: command, one answer frame, fetch",
                   "round-trip-wait", LibraryWaiting, PlainWaiting);
  return true;
}();

}  // namespace

}  // namespace bench
