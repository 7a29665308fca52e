// SPDX-License-Identifier: MIT
// The library's entries and their plain references. Counting is switched on
// only around the work measured (callgrind runs with --collect-atstart=no);
// writing the gateways' side, draining it and checking deadlines are left
// out.
#include "instr/entries.h"

#include <sys/epoll.h>
#include <sys/socket.h>
#include <valgrind/callgrind.h>

#include <memory>

#include "harness/frames.h"
#include "harness/loopback.h"
#include "instr/counted_gateways.h"
#include "roviro2.h"
#include "roviro2_ext.h"

namespace bench {

namespace {

constexpr int64_t kBlockFrames = 2048;  // frames the gateway writes at once
constexpr int64_t kSendBatch = 1024;    // frames sent before the peer is drained
constexpr uint32_t kGateway = 1;
constexpr int64_t kReceiveLength = 8 * kBlockFrames;
constexpr int64_t kCallLength = 4096;
constexpr int64_t kAllStatusLength = 256;

// Counts the instructions of its scope.
class CountedScope {
 public:
  CountedScope() { CALLGRIND_TOGGLE_COLLECT; }
  ~CountedScope() { CALLGRIND_TOGGLE_COLLECT; }
  CountedScope(const CountedScope &) = delete;
  CountedScope &operator=(const CountedScope &) = delete;
};

// Writes n frames in blocks from the gateway's side of `peer`; after each
// block, `drain` (counted) takes frames until it returns how many it took,
// and is called again until the block is all taken.
template <typename Drain>
bool Stream(int peer, int64_t n, Drain drain) {
  const Bytes block = RepeatedFrames(kSmallFrame, kBlockFrames * kSmallFrame);
  for (int64_t done = 0; done < n; done += kBlockFrames) {
    if (!SendAll(peer, block.data(), block.size())) return false;
    const Clock::time_point deadline = Clock::now() + kPatience;
    for (int64_t got = 0; got < kBlockFrames;) {
      {
        CountedScope counted;
        got += drain();
      }
      if (got > kBlockFrames || Clock::now() > deadline) return false;
    }
  }
  return true;
}

// One poll, then fetch(buffer) until the queue is empty; frames taken.
template <typename Fetch>
bool LibraryReceive(int64_t n, Fetch fetch) {
  CountedGateways gateways(1);
  if (!gateways.Ready()) return false;
  uint8_t buffer[kLargestFrame];
  return Stream(gateways.Peer(), n, [&] {
    PT_GW_Status(kGateway);
    int64_t taken = 0;
    while (fetch(buffer) > 0)
      ++taken;
    return taken;
  });
}

bool ByGateway(int64_t n) {
  return LibraryReceive(n, [](uint8_t *buffer) { return PT_GW_RcvMsg(kGateway, buffer); });
}

// The filter (tagAddr, command) is set again before every call, since the
// call overwrites it; status and dataLength are outputs only.
bool ByTag(int64_t n) {
  int16_t status = 0;
  int16_t dataLength = 0;
  return LibraryReceive(n, [&](uint8_t *buffer) {
    uint32_t tagAddr = kGateway << 16;
    int16_t command = -1;
    return PT_Tag_RcvMsg(&tagAddr, &command, &status, buffer, &dataLength);
  });
}

// One poll, then one call for everything queued.
bool Many(int64_t n) {
  CountedGateways gateways(1);
  if (!gateways.Ready()) return false;
  std::vector<uint8_t> buffer(kBlockFrames * (kSmallFrame + 2));
  return Stream(gateways.Peer(), n, [&] {
    PT_GW_Status(kGateway);
    uint32_t used = 0;
    const int32_t frames =
        roviro2_fetch_frames(kGateway, buffer.data(), static_cast<uint32_t>(buffer.size()), &used);
    return frames < 0 ? kBlockFrames + 1 : frames;  // a refusal ends the run
  });
}

// A recv of what is there, then every whole frame copied out.
bool PlainReceive(int64_t n) {
  PlainConnection connection;
  if (!connection.Ready()) return false;
  FrameCutter cutter(2 * kBlockFrames * kSmallFrame);
  uint8_t frame[kLargestFrame];
  return Stream(connection.Peer(), n, [&] {
    const ssize_t got = recv(connection.Client(), cutter.Space(), cutter.SpaceSize(), 0);
    if (got > 0) cutter.Filled(static_cast<std::size_t>(got));
    int64_t taken = 0;
    while (cutter.Next(frame) > 0)
      ++taken;
    return taken;
  });
}

// Takes what has arrived at a peer, without waiting.
void DrainPeer(int peer) {
  uint8_t scratch[64 * 1024];
  while (recv(peer, scratch, sizeof scratch, MSG_DONTWAIT) > 0) {
  }
}

// n frames by send(frame) (true when sent), in counted batches.
template <typename Send>
bool SendFrames(int peer, int64_t n, Send send) {
  for (int64_t done = 0; done < n; done += kSendBatch) {
    {
      CountedScope counted;
      for (int64_t i = 0; i < kSendBatch; ++i)
        if (!send()) return false;
    }
    DrainPeer(peer);
  }
  return true;
}

bool LibrarySend(int64_t n) {
  CountedGateways gateways(1);
  const Bytes frame = MakeFrame(kSmallFrame);
  return gateways.Ready() &&
         SendFrames(gateways.Peer(), n, [&] { return PT_GW_SndMsg(kGateway, frame.data()) == 0; });
}

// One display command: the frame built from its arguments, then sent.
bool LibraryDisplay(int64_t n) {
  constexpr uint32_t kTag = kGateway << 16 | 0x0105;  // port 1, node 5
  CountedGateways gateways(1);
  return gateways.Ready() &&
         SendFrames(gateways.Peer(), n, [] { return PT_LB_DspNum(kTag, 42, 0x20, 0) == 0; });
}

bool PlainSend(int64_t n) {
  PlainConnection connection;
  const Bytes frame = MakeFrame(kSmallFrame);
  return connection.Ready() && SendFrames(connection.Peer(), n, [&] {
           return send(connection.Client(), frame.data(), frame.size(), MSG_NOSIGNAL) ==
                  static_cast<ssize_t>(frame.size());
         });
}

// PT_GW_Status of the gateway found last, with `count` idle gateways.
template <int count>
bool Status(int64_t n) {
  CountedGateways gateways(count);
  if (!gateways.Ready()) return false;
  CountedScope counted;
  for (int64_t i = 0; i < n; ++i)
    if (PT_GW_Status(count) != 7) return false;
  return true;
}

bool AllStatus(int64_t n) {
  constexpr int kCount = 256;
  CountedGateways gateways(kCount);
  if (!gateways.Ready()) return false;
  uint8_t status[kCount];
  CountedScope counted;
  for (int64_t i = 0; i < n; ++i)
    if (PT_GW_AllStatus(status) != kCount || status[kCount - 1] != 7) return false;
  return true;
}

// epoll_wait over `count` idle connections, without waiting.
template <int count>
bool PlainWait(int64_t n) {
  std::vector<std::unique_ptr<PlainConnection>> connections;
  int epoll = epoll_create1(EPOLL_CLOEXEC);
  for (int i = 0; i < count; ++i) {
    connections.push_back(std::make_unique<PlainConnection>());
    epoll_event watched{};
    watched.events = EPOLLIN | EPOLLRDHUP;
    if (!connections.back()->Ready() ||
        epoll_ctl(epoll, EPOLL_CTL_ADD, connections.back()->Client(), &watched) != 0) {
      CloseFd(epoll);
      return false;
    }
  }
  epoll_event events[64];
  bool idle = true;
  {
    CountedScope counted;
    for (int64_t i = 0; i < n; ++i)
      idle = idle && epoll_wait(epoll, events, 64, 0) == 0;
  }
  CloseFd(epoll);
  return idle;
}

}  // namespace

const std::vector<Entry> &Entries() {
  static const std::vector<Entry> entries = [] {
    std::vector<Entry> all{
        {"receive/by-gateway", ByGateway, kReceiveLength},
        {"receive/by-tag", ByTag, kReceiveLength},
        {"receive/many", Many, kReceiveLength},
        {"receive/plain", PlainReceive, kReceiveLength},
        {"send/15", LibrarySend, kReceiveLength},
        {"send/plain", PlainSend, kReceiveLength},
        {"send/display", LibraryDisplay, kReceiveLength},
        {"status/1", Status<1>, kCallLength},
        {"status/256", Status<256>, kCallLength},
        {"epoll/1", PlainWait<1>, kCallLength},
        {"epoll/256", PlainWait<256>, kCallLength},
        {"allstatus/256", AllStatus, kAllStatusLength},
    };
    for (Entry &entry : RoundTripEntries())
      all.push_back(std::move(entry));
    return all;
  }();
  return entries;
}

const std::vector<CountRow> &CountRows() {
  static const std::vector<CountRow> rows{
      {"Receive + fetch 15-byte frames, PT_GW_Status + PT_GW_RcvMsg (ref: recv and cut)",
       "receive/by-gateway", "receive/plain", CountGoal::kAtMostInstructions, 60},
      {"Receive + fetch 15-byte frames, PT_GW_Status + PT_Tag_RcvMsg (ref: recv and cut)",
       "receive/by-tag", "receive/plain", CountGoal::kAtMostInstructions, 100},
      {"Receive + fetch 15-byte frames, PT_GW_Status + roviro2_fetch_frames (ref: recv and cut)",
       "receive/many", "receive/plain", CountGoal::kNone, 0},
      {"Send one 15-byte frame, PT_GW_SndMsg (ref: send)", "send/15", "send/plain",
       CountGoal::kAtMostInstructions, 150},
      {"Build and send one display command, PT_LB_DspNum (ref: send)", "send/display", "send/plain",
       CountGoal::kNone, 0},
      {"Idle PT_GW_Status, 1 gateway (ref: epoll_wait)", "status/1", "epoll/1", CountGoal::kNone,
       0},
      {"Idle PT_GW_Status, 256 gateways (ref: epoll_wait)", "status/256", "epoll/256",
       CountGoal::kNone, 0},
      {"Idle PT_GW_Status, 256 gateways against 1", "status/256", "status/1",
       CountGoal::kAtMostRatio, 1.2},
      {"Blocking round trip: command, wait, poll and fetch, system calls (ref: send, poll, recv)",
       "round-trip/library", "round-trip/plain", CountGoal::kNone, 0},
      {"Blocking round trip: command, roviro2_wait and fetch, system calls (ref: send, poll, recv)",
       "round-trip/wait", "round-trip/plain", CountGoal::kAtMostRatio, 1.0},
      // Its target is one of time (the timed table): a system call there
      // costs far more than its instructions here.
      {"PT_GW_AllStatus, 256 gateways, against one idle PT_GW_Status", "allstatus/256", "status/1",
       CountGoal::kNone, 0},
  };
  return rows;
}

}  // namespace bench
