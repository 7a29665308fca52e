// SPDX-License-Identifier: MIT
#include "registry/gateway_table.h"

#include "platform/client_socket.h"

namespace roviro2 {

void SocketRelease::operator()(TClientSocket *socket) const {
  if (!RegistryPart().unloading) delete socket;
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
