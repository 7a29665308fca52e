/* SPDX-License-Identifier: MIT */
// The event source of the POSIX sockets: one epoll instance for every socket,
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

  // The running loop's source, or null.
  static EpollSource *Running();

  // connecting: only the connect's outcome. Held reads: only writes (if
  // wanted), edge-triggered, so that a hang-up that waits does not make the
  // source ready at every poll.
  bool Watch(int fd, EventTag tag, bool connecting, bool wantWrite, bool added,
             bool readsHeld = false);
  void Unwatch(int fd);

  void Wake() override;
  void Quiet() override;
  int RunReady(EventLoop &loop) override;
  int Handle() const override { return epoll_; }

 private:
  int HandleReady(EventLoop &loop, EventTag tag, uint32_t mask);
  int HandleConnected(EventLoop &loop, EventTag tag, uint32_t mask);

  int epoll_;
  int wake_;
};

}  // namespace roviro2
