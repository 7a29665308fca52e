/* SPDX-License-Identifier: MIT */
// The platform layer's part of the library's state; the whole of it is one
// object (lib/library_state.h), and this is its platform part.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/notice.h"

namespace roviro2 {

class EventLoop;

struct PlatformState {
  EventLoop *loop = nullptr;      // the running event loop, or null
  uint64_t loopLifetime = 0;      // starts and stops of a loop so far; never goes back
  NoticeHandler noticeHandler;    // empty: notices are shown the platform's way
  std::function<double()> clock;  // a test's clock; empty: the monotonic one
};

PlatformState &PlatformPart();

}  // namespace roviro2
