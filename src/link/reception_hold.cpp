// SPDX-License-Identifier: MIT
#include "link/reception_hold.h"

#include <new>

#include "link/frame.h"
#include "link/link_state.h"
#include "platform/client_socket.h"
#include "platform/clock.h"
#include "platform/event_loop.h"

namespace roviro2 {

namespace {

bool Full(const TMyTCP2 &slot, const ReceiveQueue &queue) {
  const std::size_t limit = LinkPart().receiveLimit;
  return limit != 0 && queue.QueuedBytes(static_cast<uint8_t>(slot.IPAddr.ID)) >= limit;
}

bool RoomAgain(const TMyTCP2 &slot, const ReceiveQueue &queue) {
  const std::size_t limit = LinkPart().receiveLimit;
  return limit == 0 || queue.QueuedBytes(static_cast<uint8_t>(slot.IPAddr.ID)) < (limit + 1) / 2;
}

// Time spent held does not count toward the receive time-out of a frame
// that waits incomplete: holding must never make it give up.
void Resume(TMyTCP2 &slot) {
  slot.RcvTime += NowDays() - slot.heldSince;
  slot.Socket->HoldReads(false);
}

}  // namespace

std::size_t ReceiveLimit() {
  return LinkPart().receiveLimit;
}

void SetReceiveLimit(std::size_t bytes) {
  LinkPart().receiveLimit = bytes;
  ResumeHeldReception();
}

bool HoldIfFull(TMyTCP2 &slot, const ReceiveQueue &queue) {
  if (!slot.Socket) return false;
  if (slot.Socket->ReadsHeld()) return true;
  if (!Full(slot, queue)) return false;
  slot.heldSince = NowDays();
  slot.Socket->HoldReads(true);
  LinkPart().anyHeld = true;
  return true;
}

void ResumeHeldReception() {
  LinkState &link = LinkPart();
  if (!link.anyHeld || !link.RcvQueue) return;
  link.anyHeld = false;
  for (TMyTCP2 &slot : RegistryPart().GwTable) {
    if (!slot.Socket || !slot.Socket->ReadsHeld()) continue;
    if (RoomAgain(slot, *link.RcvQueue)) {
      Resume(slot);
    } else {
      link.anyHeld = true;
    }
  }
}

void ForgetHeldReception() {
  for (TMyTCP2 &slot : RegistryPart().GwTable) {
    if (slot.Socket && slot.Socket->ReadsHeld()) Resume(slot);
  }
  LinkPart().anyHeld = false;
}

bool PrepareToReceive(TMyTCP2 &slot, ReceiveQueue &queue) {
  try {
    // A read's frames, and the one its first bytes may complete.
    queue.ReserveFor(EventLoop::kReadAreaSize + kMaxWireFrame);
    slot.RcvBuf.reserve(kMaxWireFrame);
    return true;
  } catch (const std::bad_alloc &) {
    return false;
  }
}

}  // namespace roviro2
