/* SPDX-License-Identifier: MIT */
// The platform layer's part of the library's state (see lib/library_state.h).
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/notice.h"

namespace roviro2 {

class EventLoop;

struct PlatformState {
  EventLoop *loop = nullptr;      // the running event loop, or null
  uint64_t loopLifetime = 0;      // starts and stops of a loop so far; never goes back
  NoticeHandler noticeHandler;    // empty: notices are shown the platform's way
  std::function<double()> clock;  // a test's clock; empty: the monotonic one
  int batchDepth = 0;             // levels of the open send batch (send_batch.h)
  uint64_t batchLifetime = 0;     // loopLifetime when the batch was opened
  uint64_t batchSerial = 0;       // raised by every batch opened; never goes back
  std::vector<uint64_t> batched;  // event tags of the sockets the batch wrote to
};

// Defined with the other layers' parts in lib/library_state.cpp; the
// accessor is inline, as every call into the library reaches it.
extern PlatformState platformState;
inline PlatformState &PlatformPart() {
  return platformState;
}

}  // namespace roviro2
