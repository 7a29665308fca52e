/* SPDX-License-Identifier: MIT */
// The event host: owns the gateway sockets and carries their four event
// handlers. The host is a plain object on every platform; on Windows the
// hidden window that receives the sockets' notifications belongs to the
// platform layer's event source.
#pragma once

#include <memory>
#include <vector>

#include "platform/client_socket.h"

namespace roviro2 {

class TForm0 {
 public:
  // Socket event handlers. They work on the library-wide state only, so
  // every host handles events alike.
  void TCP1Connect(TClientSocket &socket);
  void TCP1Disconnect(TClientSocket &socket);
  void TCP1Error(TClientSocket &socket, SocketErrorKind kind, int &errorCode);
  void TCP1DataArrival(TClientSocket &socket);

  // A new socket owned by this host, with the four handlers connected.
  TClientSocket *CreateSocket();
};

// The host created by the latest PT_API_Open, or null before the first.
extern TForm0 *HostForm;

// Creates a new host and makes it current. Earlier hosts stay allocated
// (their sockets may still be in use) until the library is unloaded.
TForm0 *CreateHostForm();

// Frees every host but the current one; called when no socket is left.
void ReleaseIdleHosts();

// Releases a socket: its connection, if any, is closed and no event is raised.
void ReleaseSocket(TClientSocket *socket);

}  // namespace roviro2
