/* SPDX-License-Identifier: MIT */
// The event loop behind the sockets: knows every socket by number, keeps the
// events that sockets post themselves (a connect refused at once, a
// connection closed by the library), and runs them together with what the
// system reports when the library's thread dispatches.
//
// What the system reports comes from a source of each platform's own
// (EventSource): epoll on POSIX, window messages on Windows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "platform/client_socket.h"
#include "platform/event_source.h"

namespace roviro2 {

enum class PostedKind { kDisconnect, kConnectError, kRead };

class EventLoop {
 public:
  // The running loop, or null.
  static EventLoop *Instance();
  static bool Start();
  static void Stop();

  EventSource &Source() { return *source_; }

  // Socket numbers: a socket is known to the loop from Enrol to Leave.
  uint32_t Enrol(TClientSocket *socket);
  void Leave(uint32_t number);
  std::size_t SocketCount() const { return sockets_.size(); }
  // The socket of a tag, or null when it is gone or the tag is stale.
  TClientSocket *Find(EventTag tag) const;

  void Post(EventTag tag, PostedKind kind, int code = 0);
  // Runs the posted events; how many ran.
  int RunPosted();

  // Runs the posted events, then what the system reported.
  int Dispatch();

  // Counts every start and stop of a loop. A handler may end the loop (a
  // notice handler calling PT_API_Close) and even start a new one at the same
  // address, whose sockets reuse the old numbers; a dispatch therefore keeps
  // the count it began with and, once it changed, touches neither the loop nor
  // its source again and drops the rest of its batch.
  static uint64_t Lifetime();

  // Where a read puts its bytes: one area for every socket, since each read
  // is cut into frames before the next one.
  static constexpr std::size_t kReadAreaSize = 256 * 1024;
  uint8_t *ReadArea();

 private:
  struct Posted {
    EventTag tag;
    PostedKind kind;
    int code;
  };
  explicit EventLoop(std::unique_ptr<EventSource> source);
  ~EventLoop();

  std::unique_ptr<EventSource> source_;
  uint32_t nextNumber_ = 1;
  std::unordered_map<uint32_t, TClientSocket *> sockets_;
  std::vector<Posted> posted_;
  std::vector<Posted> spare_;  // the room of the batch being run
  std::unique_ptr<uint8_t[]> readArea_;
};

// Whether the loop that was running when this was made still runs.
class LoopAlive {
 public:
  LoopAlive() : lifetime_(EventLoop::Lifetime()) {}
  explicit operator bool() const { return lifetime_ == EventLoop::Lifetime(); }

 private:
  uint64_t lifetime_;
};

// Raising the events of a socket on the library's thread.
void RaiseConnect(TClientSocket &socket);
void RaiseDisconnect(TClientSocket &socket);
void RaiseRead(TClientSocket &socket);
void RaiseError(TClientSocket &socket, SocketErrorKind kind, int code);

}  // namespace roviro2
