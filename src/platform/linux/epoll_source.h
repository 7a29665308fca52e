/* SPDX-License-Identifier: MIT */
// The event source of the Linux sockets: one epoll instance for every socket,
// plus an eventfd in the epoll set that makes the epoll descriptor readable
// while posted events wait.
#pragma once

#include <cstdint>

#include "platform/event_loop.h"
#include "platform/event_source.h"

namespace roviro2 {

class EpollSource final : public EventSource {
 public:
  EpollSource(int epoll, int wake) : epoll_(epoll), wake_(wake) {}
  ~EpollSource() override;

  void Wake() override;
  void Quiet() override;
  int RunReady(EventLoop &loop) override { return RunReady(loop, 0); }
  // The same, but the first look waits up to `waitMs` milliseconds (-1: no
  // bound) for something to be ready; a signal ends that wait early.
  int RunReady(EventLoop &loop, int waitMs);
  int Handle() const override { return epoll_; }

  bool WatchConnect(NativeSocket handle, EventTag tag) override;
  // Held reads: only writes (if wanted), edge-triggered, so that a hang-up
  // that waits does not make the source ready at every poll.
  void WatchConnected(NativeSocket handle, EventTag tag, bool writes, bool readsHeld) override;
  void Unwatch(NativeSocket handle) override;

 private:
  int HandleReady(EventLoop &loop, EventTag tag, uint32_t mask);
  // For a connected socket, `socket` as found for tag.
  int HandleConnected(EventLoop &loop, TClientSocket *socket, EventTag tag, uint32_t mask);
  bool Control(int operation, NativeSocket handle, EventTag tag, uint32_t events);

  int epoll_;
  int wake_;
};

}  // namespace roviro2
