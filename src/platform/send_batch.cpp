// SPDX-License-Identifier: MIT
#include "platform/send_batch.h"

#include <algorithm>
#include <vector>

#include "platform/notice.h"

namespace roviro2 {

namespace batch_detail {

int depth = 0;

namespace {

uint64_t lifetime = 0;          // of the loop the batch was opened in
std::vector<EventTag> touched;  // sockets to write at the end, in order

}  // namespace

bool SameLoop() {
  return lifetime == EventLoop::Lifetime();
}

}  // namespace batch_detail

namespace {

using namespace batch_detail;

void Forget() {
  depth = 0;
  touched.clear();
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
  if (!BatchOpen()) {
    Forget();
    lifetime = EventLoop::Lifetime();
  }
  ++depth;
}

int32_t EndBatch() {
  if (!BatchOpen()) {
    Forget();
    return -1;
  }
  if (--depth > 0) return 0;
  EventLoop *loop = EventLoop::Instance();
  int32_t unfinished = 0;
  std::size_t lost = 0;
  // Writing raises no event: the loop and its sockets stay as they are.
  for (const EventTag tag : touched) {
    TClientSocket *socket = loop->Find(tag);
    if (!socket) continue;
    std::size_t lostHere = 0;
    if (socket->WriteWaiting(lostHere) != WriteOutcome::kAllOut) ++unfinished;
    lost += lostHere;
  }
  Forget();
  ShowLost(lost);
  return unfinished;
}

void NoteBatched(EventTag tag) {
  if (std::find(touched.begin(), touched.end(), tag) == touched.end()) touched.push_back(tag);
}

}  // namespace roviro2
