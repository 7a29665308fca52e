// SPDX-License-Identifier: MIT
// The host's socket event handlers: connection attempts answered, and bytes
// arrived.
#include <string>

#include "lib/host_form.h"
#include "link/rcv_queue.h"
#include "link/receiver.h"
#include "link/reception_hold.h"
#include "platform/clock.h"
#include "platform/notice.h"
#include "registry/gateway_table.h"

namespace roviro2 {

namespace {

// The first configured slot whose socket this is, or -1.
int32_t SlotOf(const TClientSocket &socket) {
  for (int32_t i = 0; i < GwCount; ++i) {
    if (GwTable[i].Socket == &socket) return i;
  }
  return -1;
}

// A connect or connect-error event answers one attempt. More answers than
// attempts are reported.
void AnswerAttempt(int32_t index) {
  TMyTCP2 &slot = GwTable[index];
  --slot.OpenCnt;
  if (slot.OpenCnt < 0) {
    ShowNotice("TCP=" + std::to_string(index) + ", Open=" + std::to_string(slot.OpenCnt));
  }
}

}  // namespace

// A new connection is a new byte stream: what an earlier connection left of
// an incomplete frame is dropped, so it never joins bytes of this one.
void TForm0::TCP1Connect(TClientSocket &socket) {
  const int32_t index = SlotOf(socket);
  if (index < 0) return;
  GwTable[index].RcvBuf.clear();
  GwTable[index].pacing.connectedAt = NowDays();
  AnswerAttempt(index);
}

// A dropped connection is noticed through the socket's Active alone. One
// that died within a second of being made counts as a failed attempt, so a
// gateway that accepts and drops at once is not reconnected at full speed.
void TForm0::TCP1Disconnect(TClientSocket &socket) {
  const int32_t index = SlotOf(socket);
  if (index < 0) return;
  ConnectPacing &pacing = GwTable[index].pacing;
  if (pacing.connectedAt == ConnectPacing::kNever) return;
  const double now = NowDays();
  if (now - pacing.connectedAt < kReconnectPauseDays) pacing.failedAt = now;
  pacing.connectedAt = ConnectPacing::kNever;
}

// Only a failed connect changes anything; every error is dropped.
void TForm0::TCP1Error(TClientSocket &socket, SocketErrorKind kind, int &errorCode) {
  const int32_t index = SlotOf(socket);
  if (index >= 0 && kind == SocketErrorKind::eeConnect) {
    GwTable[index].pacing.failedAt = NowDays();
    AnswerAttempt(index);
  }
  errorCode = 0;
}

// Bytes on a socket of no configured slot are read and dropped. Nothing is
// read while the memory to queue a whole read cannot be had (the bytes wait
// in the socket for a later poll), nor while the gateway's queued frames are
// over the receive limit (reads are held until the application fetches).
void TForm0::TCP1DataArrival(TClientSocket &socket) {
  const int32_t index = SlotOf(socket);
  if (index >= 0 && RcvQueue) {
    TMyTCP2 &slot = GwTable[index];
    if (HoldIfFull(slot, *RcvQueue) || !PrepareToReceive(slot, *RcvQueue)) return;
  }
  const ByteView bytes = socket.Receive();
  if (index < 0 || !RcvQueue || bytes.size == 0) return;
  static const NoticeSink notice = ShowNotice;
  ReceiveBytes(GwTable[index], bytes.data, bytes.size, NowDays(), *RcvQueue, notice);
}

}  // namespace roviro2
