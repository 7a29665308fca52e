/* SPDX-License-Identifier: MIT */
// What each platform's system reports about its sockets, as seen by the event
// loop: epoll on POSIX (posix/epoll_source.h), window messages on Windows
// (win32/window_source.h).
#pragma once

#include <memory>

namespace roviro2 {

class EventLoop;

class EventSource {
 public:
  // The platform's source; null when the system has no room for one.
  static std::unique_ptr<EventSource> Create();

  virtual ~EventSource() = default;
  // Posted events began to wait: the source must report itself ready.
  virtual void Wake() = 0;
  // The posted events were taken.
  virtual void Quiet() = 0;
  // Runs the socket events the system reported, without waiting; how many ran.
  virtual int RunReady(EventLoop &loop) = 0;
  // A descriptor or handle that an application's own loop can wait on; -1
  // where there is none.
  virtual int Handle() const = 0;
};

}  // namespace roviro2
