// The state of one POSIX client socket, shared by the socket's operations and
// the event loop that turns kernel readiness into its events.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/client_socket.h"
#include "platform/output_buffer.h"
#include "platform/posix/event_loop.h"

namespace roviro2 {

struct TClientSocket::Impl {
  enum class State { kIdle, kConnecting, kConnected };

  explicit Impl(TClientSocket &self) : self(self) {}

  TEventTag Tag() const { return (static_cast<TEventTag>(number) << 32) | generation; }
  bool Connecting() const { return state == State::kConnecting; }
  bool Connected() const { return state == State::kConnected; }

  // Starts a connect; false when it cannot start.
  bool Connect();
  // The outcome of a connect under way: 0, or the error code.
  int ConnectResult() const;
  // The connect completed: read events from now on.
  void BecomeConnected();
  // Writes out what waits; false when the connection failed.
  bool Flush();
  std::size_t BytesReady() const;
  // The peer closed the connection or it failed.
  bool PeerGone() const;
  // Closes the handle without raising anything.
  void Drop();
  // Closes the handle of a failed connection; its disconnect event follows
  // at the next dispatch.
  void Fail();
  void WatchWrites(bool on);

  TClientSocket &self;
  std::string address;
  uint16_t port = 0;
  int fd = -1;
  State state = State::kIdle;
  uint32_t number = 0;      // 0: not known to the event loop
  uint32_t generation = 0;  // raised for every new handle
  bool writesWatched = false;
  TOutputBuffer out{kOutputCapacity};
};

}  // namespace roviro2
