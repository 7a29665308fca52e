// SPDX-License-Identifier: MIT
// roviro2_fetch_frames: many queued frames in one call (roviro2_ext.h).
// Like every extension it is exported by the POSIX library only.
#include "link/gateway_order.h"
#include "link/link_state.h"
#include "link/rcv_queue.h"
#include "link/reception_hold.h"
#include "platform/boundary.h"
#include "roviro2_ext.h"

using namespace roviro2;

extern "C" {

ROVIRO2_API int32_t roviro2_fetch_frames(uint32_t gwId, uint8_t *buffer, uint32_t size,
                                         uint32_t *used) {
  return Guarded(-1, [&]() -> int32_t {
    int order;
    if (!buffer || !used || !OrderOfGateway(gwId, order)) return -1;
    *used = 0;
    ReceiveQueue *queue = LinkPart().RcvQueue.get();
    if (!queue) return 0;
    const ReceiveQueue::Taken taken = queue->TakeMany(order, buffer, size, gwId == 0);
    if (taken.frames == 0 && taken.needed > 0) {
      *used = static_cast<uint32_t>(taken.needed);
      return ROVIRO2_FETCH_TOO_SMALL;
    }
    *used = static_cast<uint32_t>(taken.used);
    if (taken.frames > 0) ResumeHeldReception();
    return static_cast<int32_t>(taken.frames);
  });
}

}  // extern "C"
