/* SPDX-License-Identifier: MIT */
// The event source of the POSIX sockets: one epoll instance for every socket,
// plus an eventfd in the epoll set that makes the epoll descriptor readable
// while posted events wait.
#pragma once

#include <cstdint>

#include "platform/event_loop.h"
#include "platform/event_source.h"

namespace roviro2 {

class TEpollSource final : public TEventSource {
 public:
  TEpollSource(int epoll, int wake) : epoll_(epoll), wake_(wake) {}
  ~TEpollSource() override;

  // The running loop's source, or null.
  static TEpollSource *Running();

  // connecting: only the connect's outcome. Held reads: only writes (if
  // wanted), edge-triggered, so that a hang-up that waits does not make the
  // source ready at every poll.
  bool Watch(int fd, TEventTag tag, bool connecting, bool wantWrite, bool added,
             bool readsHeld = false);
  void Unwatch(int fd);

  void Wake() override;
  void Quiet() override;
  int RunReady(TEventLoop &loop) override;
  int Handle() const override { return epoll_; }

 private:
  int HandleReady(TEventLoop &loop, TEventTag tag, uint32_t mask);
  int HandleConnected(TEventLoop &loop, TEventTag tag, uint32_t mask);

  int epoll_;
  int wake_;
};

}  // namespace roviro2
