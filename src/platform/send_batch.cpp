// SPDX-License-Identifier: MIT
#include "platform/send_batch.h"

#include <vector>

#include "platform/client_socket.h"
#include "platform/event_loop.h"
#include "platform/notice.h"

namespace roviro2 {

namespace {

void Forget(PlatformState &state) {
  state.batchDepth = 0;
  state.batched.clear();
}

// The notices run last: a handler may call into the library, even close it.
void ShowLost(std::size_t frames) noexcept {
  try {
    for (std::size_t i = 0; i < frames; ++i)
      ShowNotice("TCP Send Error");
  } catch (...) {
  }
}

}  // namespace

void BeginBatch() {
  if (!EventLoop::Instance()) return;
  PlatformState &state = PlatformPart();
  if (!BatchOpen()) {
    Forget(state);
    state.batchLifetime = state.loopLifetime;
    ++state.batchSerial;
  }
  ++state.batchDepth;
}

int32_t EndBatch() {
  PlatformState &state = PlatformPart();
  if (!BatchOpen()) {
    Forget(state);
    return -1;
  }
  if (--state.batchDepth > 0) return 0;
  EventLoop *loop = EventLoop::Instance();
  int32_t unfinished = 0;
  std::size_t lost = 0;
  // Writing raises no event: the loop and its sockets stay as they are.
  for (const EventTag tag : state.batched) {
    TClientSocket *socket = loop->Find(tag);
    if (!socket) continue;
    std::size_t lostHere = 0;
    if (socket->WriteWaiting(lostHere) != WriteOutcome::kAllOut) ++unfinished;
    lost += lostHere;
  }
  Forget(state);
  ShowLost(lost);
  return unfinished;
}

void NoteBatched(EventTag tag, uint64_t &noted) {
  PlatformState &state = PlatformPart();
  if (noted == state.batchSerial) return;
  state.batched.push_back(tag);
  noted = state.batchSerial;
}

}  // namespace roviro2
