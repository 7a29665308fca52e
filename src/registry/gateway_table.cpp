// SPDX-License-Identifier: MIT
#include "registry/gateway_table.h"

#include "platform/client_socket.h"

namespace roviro2 {

void SocketRelease::operator()(TClientSocket *socket) const {
  if (!RegistryPart().unloading) delete socket;
}

int32_t FindGateway(uint32_t gwId) {
  const uint16_t id = static_cast<uint16_t>(gwId);
  if (id == 0) return -1;
  const RegistryState &registry = RegistryPart();
  for (int32_t i = 0; i < registry.GwCount; ++i) {
    if (registry.GwTable[i].IPAddr.ID == id) return i;
  }
  return -2;
}

void ResetGatewayTable() {
  RegistryState &registry = RegistryPart();
  for (TMyTCP2 &slot : registry.GwTable)
    slot = TMyTCP2{};
  registry.GwCount = 0;
  registry.DefaultGw = 0;
}

}  // namespace roviro2
