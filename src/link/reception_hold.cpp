// SPDX-License-Identifier: MIT
#include "link/reception_hold.h"

#include <new>

#include "link/frame.h"
#include "platform/client_socket.h"
#include "platform/clock.h"
#include "platform/event_loop.h"

namespace roviro2 {

namespace {

std::size_t limit = kDefaultReceiveLimit;
bool anyHeld = false;  // some slot's reads may be held

bool Full(const TMyTCP2 &slot, const ReceiveQueue &queue) {
  return limit != 0 && queue.QueuedBytes(static_cast<uint8_t>(slot.IPAddr.ID)) >= limit;
}

bool RoomAgain(const TMyTCP2 &slot, const ReceiveQueue &queue) {
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
  return limit;
}

void SetReceiveLimit(std::size_t bytes) {
  limit = bytes;
  ResumeHeldReception();
}

bool HoldIfFull(TMyTCP2 &slot, const ReceiveQueue &queue) {
  if (!slot.Socket) return false;
  if (slot.Socket->ReadsHeld()) return true;
  if (!Full(slot, queue)) return false;
  slot.heldSince = NowDays();
  slot.Socket->HoldReads(true);
  anyHeld = true;
  return true;
}

void ResumeHeldReception() {
  if (!anyHeld || !RcvQueue) return;
  anyHeld = false;
  for (TMyTCP2 &slot : GwTable) {
    if (!slot.Socket || !slot.Socket->ReadsHeld()) continue;
    if (RoomAgain(slot, *RcvQueue)) {
      Resume(slot);
    } else {
      anyHeld = true;
    }
  }
}

void ForgetHeldReception() {
  for (TMyTCP2 &slot : GwTable) {
    if (slot.Socket && slot.Socket->ReadsHeld()) Resume(slot);
  }
  anyHeld = false;
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
