/* SPDX-License-Identifier: MIT */
// The library opened for one benchmark run through its exports, with
// gateways 1, 2, ... at the given loopback ports, all connected.
#pragma once

#include <cstdint>
#include <vector>

#include "harness/frames.h"
#include "harness/loopback.h"
#include "roviro2.h"
#include "support/library_session.h"

namespace bench {

constexpr uint16_t kGateway = 1;
constexpr uint32_t kTagAddr = 0x00010105;  // gateway 1, port 1, node 5

// What the answering peers send back for every command: a short reply.
inline Bytes AnswerFrame() {
  return MakeFrame(kSmallFrame, kAnswerCommand);
}

class ConnectedLibrary {
 public:
  explicit ConnectedLibrary(const std::vector<uint16_t> &ports);
  // Every gateway reported connected in time.
  bool Ready() const { return ready_; }
  // Notices the library gave (a send it refused, a damaged frame).
  std::size_t Notices() const { return session_.Notices().size(); }

 private:
  roviro2_test::LibrarySession session_;
  bool ready_ = false;
};

// PT_GW_Open(0), then polls PT_GW_AllStatus until all `count` gateways of
// the table are connected; false when that does not happen in time.
bool OpenAll(std::size_t count);

// A bounded wait inside a timed loop: the clock is read only now and then,
// so the wait costs the loop nothing while it is not needed.
class Deadline {
 public:
  Deadline() : end_(Clock::now() + kPatience) {}
  bool Passed() { return (++calls_ & 1023) == 0 && Clock::now() > end_; }

 private:
  Clock::time_point end_;
  unsigned calls_ = 0;
};

// Polls PT_GW_Status(gateway 1) until fetch() returns non-zero; that value,
// or 0 when nothing came within the patience.
template <typename Fetch>
int32_t AwaitFrame(Fetch fetch) {
  Deadline deadline;
  for (;;) {
    PT_GW_Status(kGateway);
    const int32_t got = fetch();
    if (got != 0 || deadline.Passed()) return got;
  }
}

}  // namespace bench
