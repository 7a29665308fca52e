// SPDX-License-Identifier: MIT
// Start and stop of the library: PT_API_Open and PT_API_Close.
#include "lib/host_form.h"
#include "link/rcv_queue.h"
#include "link/reception_hold.h"
#include "platform/boundary.h"
#include "platform/socket_events.h"
#include "registry/gateway_table.h"
#include "registry/ipindex_load.h"
#include "roviro2.h"

using namespace roviro2;

extern "C" {

ROVIRO2_API int32_t ROVIRO2_CALL PT_API_Open(void) {
  return Guarded(-1, [&]() -> int32_t {
    HostForm = CreateHostForm();
    // Without an event source no socket can open; PT_GW_Open then reports -2.
    StartSocketEvents();
    GwCount = 0;
    const int32_t loaded = LoadIpIndexFile("IPINDEX");
    if (loaded >= 0) RcvQueue = std::make_unique<ReceiveQueue>();
    for (int i = 0; i < GwCount; ++i)
      GwTable[i].RcvTimeOut = kRcvTimeOutDays;
    if (!RcvQueue) RcvQueue = std::make_unique<ReceiveQueue>();
    ForgetHeldReception();  // the frames they waited for may be gone
    return loaded;
  });
}

ROVIRO2_API int32_t ROVIRO2_CALL PT_API_Close(void) {
  return Guarded(0, [&]() -> int32_t {
    ForgetHeldReception();
    // Every slot, not only the configured ones: a reload with fewer entries
    // must not leave the sockets of the slots beyond it connected.
    for (TMyTCP2 &slot : GwTable) {
      if (!slot.Socket) continue;
      // The slot lets go first: a release may show notices, and a handler
      // that calls the library must not reach the socket being released.
      TClientSocket *socket = slot.Socket;
      slot.Socket = nullptr;
      slot.OpenFlag = 0;
      slot.OpenCnt = 0;
      ReleaseSocket(socket);
    }
    StopSocketEvents();
    RcvQueue.reset();
    // The host has nothing to show: on Windows the hidden window that
    // received the sockets' notices ended with the event source.
    ReleaseIdleHosts();
    return 0;
  });
}

}  // extern "C"
