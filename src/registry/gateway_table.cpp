// SPDX-License-Identifier: MIT
#include "registry/gateway_table.h"

#include "platform/client_socket.h"

namespace roviro2 {

TMyTCP2 GwTable[kMaxGateways];

namespace {
// Made after the table, so ended before it: while the library is unloaded
// the slots' sockets are not released.
struct UnloadMark {
  ~UnloadMark() { unloading = true; }
  static bool unloading;
};
bool UnloadMark::unloading = false;
UnloadMark unloadMark;
}  // namespace

void SocketRelease::operator()(TClientSocket *socket) const {
  if (!UnloadMark::unloading) delete socket;
}
uint16_t GwCount = 0;
uint16_t DefaultGw = 0;

int32_t FindGateway(uint32_t gwId) {
  const uint16_t id = static_cast<uint16_t>(gwId);
  if (id == 0) return -1;
  for (int32_t i = 0; i < GwCount; ++i) {
    if (GwTable[i].IPAddr.ID == id) return i;
  }
  return -2;
}

void ResetGatewayTableForTesting() {
  for (TMyTCP2 &slot : GwTable)
    slot = TMyTCP2{};
  GwCount = 0;
  DefaultGw = 0;
}

}  // namespace roviro2
