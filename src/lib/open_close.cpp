// SPDX-License-Identifier: MIT
// Start and stop of the library: PT_API_Open and PT_API_Close.
#include "lib/library_state.h"
#include "platform/boundary.h"
#include "platform/socket_events.h"
#include "registry/ipindex_load.h"
#include "roviro2.h"

using namespace roviro2;

extern "C" {

ROVIRO2_API int32_t ROVIRO2_CALL PT_API_Open(void) {
  return Guarded(-1, [&]() -> int32_t {
    LinkState &link = LinkPart();
    RegistryState &registry = RegistryPart();
    link.HostForm = CreateHostForm();
    // Without an event source no socket can open; PT_GW_Open then reports -2.
    StartSocketEvents();
    registry.GwCount = 0;
    const int32_t loaded = LoadIpIndexFile("IPINDEX");
    if (loaded >= 0) link.RcvQueue = std::make_unique<ReceiveQueue>();
    for (int i = 0; i < registry.GwCount; ++i)
      registry.GwTable[i].RcvTimeOut = kRcvTimeOutDays;
    if (!link.RcvQueue) link.RcvQueue = std::make_unique<ReceiveQueue>();
    ForgetHeldReception();  // the frames they waited for may be gone
    return loaded;
  });
}

ROVIRO2_API int32_t ROVIRO2_CALL PT_API_Close(void) {
  return Guarded(0, [&]() -> int32_t {
    CloseRun();
    return 0;
  });
}

}  // extern "C"
