/* SPDX-License-Identifier: MIT */
// What each platform's system reports about its sockets, as seen by the event
// loop: epoll on Linux (linux/epoll_source.h), window messages on Windows
// (win32/window_source.h). Sockets register their handles with the source of
// the loop they were opened on; the source hands what the system reports to
// the socket's entry points (TClientSocket::OnConnectResult, ...).
#pragma once

#include <cstdint>
#include <memory>

#include "platform/native_socket.h"

namespace roviro2 {

class EventLoop;

// Names one handle of one socket: the socket's number in the high half, the
// socket's handle generation in the low half. Events of an older generation
// are stale and dropped.
using EventTag = uint64_t;

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

  // Reports the outcome of a connect under way on the handle, under the tag.
  virtual bool WatchConnect(NativeSocket handle, EventTag tag) = 0;
  // On a connected handle: what to report besides a close. Held reads report
  // no input; writes only when wanted.
  virtual void WatchConnected(NativeSocket handle, EventTag tag, bool writes, bool readsHeld) = 0;
  // Forgets the handle, and what it still holds of it.
  virtual void Unwatch(NativeSocket handle) = 0;
};

}  // namespace roviro2
