// Placeholder sender: no connection can exist yet, so every frame is refused
// by the gateway checks.
#include "registry/gateway_table.h"
#include "roviro2.h"

extern "C" ROVIRO2_API int32_t ROVIRO2_CALL PT_GW_SndMsg(uint32_t gwId, const uint8_t *) {
  const int32_t index = roviro2::FindGateway(gwId);
  if (index < 0) return -1;
  return -2;
}
