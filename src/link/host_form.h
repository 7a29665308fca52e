/* SPDX-License-Identifier: MIT */
// The event host: owns the gateway sockets and carries their four event
// handlers. The host is a plain object on every platform; on Windows the
// hidden window that receives the sockets' notifications belongs to the
// platform layer's event source.
#pragma once

#include <memory>
#include <vector>

#include "platform/client_socket.h"
#include "registry/gateway_table.h"

namespace roviro2 {

class TForm0 {
 public:
  // Socket event handlers, bound to the slot whose socket raised the event.
  // An event of a socket that the slot no longer holds (or of a slot beyond
  // the configured ones) is ignored. They work on the library-wide state
  // only, so every host handles events alike.
  void TCP1Connect(int32_t slot, TClientSocket &socket);
  void TCP1Disconnect(int32_t slot, TClientSocket &socket);
  void TCP1Error(int32_t slot, TClientSocket &socket, SocketErrorKind kind, int &errorCode);
  void TCP1DataArrival(int32_t slot, TClientSocket &socket);

  // A new socket for the slot, with the four handlers connected; the slot
  // owns it.
  std::unique_ptr<TClientSocket, SocketRelease> CreateSocket(int32_t slot);
};

// Creates a new host and makes it current. Earlier hosts stay allocated
// (their sockets may still be in use) until the library is unloaded.
TForm0 *CreateHostForm();

// Frees every host but the current one; called when no socket is left.
void ReleaseIdleHosts();

}  // namespace roviro2
