// SPDX-License-Identifier: MIT
// The host's socket event handlers: connection attempts answered, and bytes
// arrived.
#include <string>

#include "link/host_form.h"
#include "link/link_state.h"
#include "link/rcv_queue.h"
#include "link/receiver.h"
#include "link/reception_hold.h"
#include "platform/clock.h"
#include "platform/event_loop.h"
#include "platform/notice.h"
#include "registry/gateway_table.h"

namespace roviro2 {

namespace {

// The slot a handler is bound to, while it is configured and still holds
// this socket; otherwise -1.
int32_t SlotOf(int32_t slot, const TClientSocket &socket) {
  const RegistryState &registry = RegistryPart();
  const bool holds =
      slot >= 0 && slot < registry.GwCount && registry.GwTable[slot].Socket.get() == &socket;
  return holds ? slot : -1;
}

// A connect or connect-error event answers one attempt. More answers than
// attempts are reported.
void AnswerAttempt(int32_t index) {
  TMyTCP2 &slot = RegistryPart().GwTable[index];
  --slot.OpenCnt;
  if (slot.OpenCnt < 0) {
    ShowNotice("TCP=" + std::to_string(index) + ", Open=" + std::to_string(slot.OpenCnt));
  }
}

}  // namespace

// A new connection is a new byte stream: what an earlier connection left of
// an incomplete frame is dropped, so it never joins bytes of this one.
void TForm0::TCP1Connect(int32_t slot, TClientSocket &socket) {
  const int32_t index = SlotOf(slot, socket);
  if (index < 0) return;
  TMyTCP2 &connected = RegistryPart().GwTable[index];
  connected.RcvBuf.clear();
  connected.pacing.connectedAt = NowDays();
  AnswerAttempt(index);
}

// A dropped connection is noticed through the socket's Active alone. One
// that died within a second of being made counts as a failed attempt, so a
// gateway that accepts and drops at once is not reconnected at full speed.
void TForm0::TCP1Disconnect(int32_t slot, TClientSocket &socket) {
  const int32_t index = SlotOf(slot, socket);
  if (index < 0) return;
  ConnectPacing &pacing = RegistryPart().GwTable[index].pacing;
  if (pacing.connectedAt == ConnectPacing::kNever) return;
  const double now = NowDays();
  if (now - pacing.connectedAt < kReconnectPauseDays) pacing.failedAt = now;
  pacing.connectedAt = ConnectPacing::kNever;
}

// Only a failed connect changes anything; every error is dropped.
void TForm0::TCP1Error(int32_t slot, TClientSocket &socket, SocketErrorKind kind, int &errorCode) {
  const int32_t index = SlotOf(slot, socket);
  if (index >= 0 && kind == SocketErrorKind::eeConnect) {
    RegistryPart().GwTable[index].pacing.failedAt = NowDays();
    AnswerAttempt(index);
  }
  errorCode = 0;
}

// Bytes on a socket of no configured slot are read and dropped. Nothing is
// read while the memory to queue a whole read cannot be had (the bytes wait
// in the socket for a later poll), nor while the gateway's queued frames are
// over the receive limit (reads are held until the application fetches).
// A slot's bytes are read straight into queue storage. A read that fills
// its room is followed by another, up to the read area's size in one event,
// so that a backlog costs fewer polls; not after a notice, whose handler may
// have ended the library.
void TForm0::TCP1DataArrival(int32_t slot, TClientSocket &socket) {
  const int32_t index = SlotOf(slot, socket);
  ReceiveQueue *queue = LinkPart().RcvQueue.get();
  static const NoticeSink notice = ShowNotice;
  if (index < 0 || !queue) {
    socket.Receive();
    return;
  }
  TMyTCP2 &gateway = RegistryPart().GwTable[index];
  for (std::size_t budget = EventLoop::kReadAreaSize;;) {
    if (HoldIfFull(gateway, *queue) || !PrepareToReceive(gateway, *queue)) return;
    // RcvBuf holds less than a whole frame, which the room's copy of it
    // relies on; were it ever more, the bytes take the copying way.
    if (gateway.RcvBuf.size() >= kMaxWireFrame) {
      const ByteView bytes = socket.Receive();
      return ReceiveBytes(gateway, bytes.data, bytes.size, NowDays(), *queue, notice);
    }
    ReadIntoQueue read(gateway, *queue, NowDays());
    const std::size_t room = read.Room();
    const std::size_t got = socket.ReceiveInto(read.Area(), room).size;
    if (read.Finish(got, notice) || got < room || got >= budget) return;
    budget -= got;
  }
}

}  // namespace roviro2
