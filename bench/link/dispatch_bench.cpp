// SPDX-License-Identifier: MIT
// Dispatch: what PT_GW_Status costs per call with 1, 16 and 256 connected
// gateways that send nothing. Each count is set beside a plain epoll_wait
// over the same number of idle sockets, and 256 beside 1 shows how the cost
// grows with the number of gateways. PT_GW_AllStatus over 256 gateways is
// set beside one PT_GW_Status of one.
#include <sys/epoll.h>

#include "harness/compare.h"
#include "harness/peers.h"
#include "link/connected_library.h"

namespace bench {

namespace {

constexpr double kScalingTarget = 1.2;
// One dispatch and 256 table entries read, against one dispatch.
constexpr double kAllStatusTarget = 10.0;
constexpr int kMostGateways = 256;
constexpr int kCounts[] = {1, 16, kMostGateways};

// Polls the gateway that is found last in the table.
void LibraryStatus(benchmark::State &state, int count) {
  IdleGateways gateways(count);
  ConnectedLibrary library(gateways.Ports());
  if (!gateways.Listening() || !library.Ready()) return state.SkipWithError("no connection");
  for (auto _ : state) {
    if (PT_GW_Status(static_cast<uint32_t>(count)) != 7) {
      return state.SkipWithError("gateway not connected");
    }
  }
  state.SetItemsProcessed(state.iterations());
}

void LibraryAllStatus(benchmark::State &state) {
  IdleGateways gateways(kMostGateways);
  ConnectedLibrary library(gateways.Ports());
  if (!gateways.Listening() || !library.Ready()) return state.SkipWithError("no connection");
  uint8_t status[kMostGateways];
  for (auto _ : state) {
    if (PT_GW_AllStatus(status) != kMostGateways || status[kMostGateways - 1] != 7) {
      return state.SkipWithError("gateway not connected");
    }
  }
  state.SetItemsProcessed(state.iterations());
}

void PlainWait(benchmark::State &state, int count) {
  IdleGateways gateways(count);
  if (!gateways.Listening()) return state.SkipWithError("no listener");
  std::vector<int> sockets;
  int epoll = epoll_create1(EPOLL_CLOEXEC);
  for (uint16_t port : gateways.Ports()) {
    sockets.push_back(ConnectLoopback(port));
    epoll_event watched{};
    watched.events = EPOLLIN | EPOLLRDHUP;
    if (sockets.back() >= 0) epoll_ctl(epoll, EPOLL_CTL_ADD, sockets.back(), &watched);
  }
  epoll_event events[64];
  for (auto _ : state) {
    benchmark::DoNotOptimize(epoll_wait(epoll, events, 64, 0));
  }
  for (int &fd : sockets)
    CloseFd(fd);
  CloseFd(epoll);
  state.SetItemsProcessed(state.iterations());
}

std::string StatusName(int count) {
  return "status/" + std::to_string(count);
}

const bool kRegistered = [] {
  for (int count : kCounts) {
    Compare(
        "PT_GW_Status with " + std::to_string(count) + " idle gateways (ref: epoll_wait)",
        StatusName(count), Measure::kNsPerItem, Goal::kNone, 0,
        [count](benchmark::State &state) { LibraryStatus(state, count); },
        [count](benchmark::State &state) { PlainWait(state, count); });
  }
  AddRow({"PT_GW_Status, 256 idle gateways against 1",
          StatusName(kMostGateways) + "/library",
          StatusName(1) + "/library",
          Measure::kNsPerItem,
          Goal::kAtMost,
          kScalingTarget,
          {}});
  AddRow({"PT_GW_AllStatus, 256 idle gateways, against one PT_GW_Status of 1",
          Timed("all-status/256", LibraryAllStatus),
          StatusName(1) + "/library",
          Measure::kNsPerItem,
          Goal::kAtMost,
          kAllStatusTarget,
          {}});
  return true;
}();

}  // namespace

}  // namespace bench
