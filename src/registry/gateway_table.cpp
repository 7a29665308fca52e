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
  RegistryState &registry = RegistryPart();
  const int32_t slot = registry.index.Find(id, registry.GwTable, registry.GwCount);
  return slot < 0 ? -2 : slot;
}

void ResetGatewayTable() {
  RegistryState &registry = RegistryPart();
  for (TMyTCP2 &slot : registry.GwTable)
    slot = TMyTCP2{};
  registry.GwCount = 0;
  registry.DefaultGw = 0;
  registry.index.Invalidate();
}

}  // namespace roviro2
