// SPDX-License-Identifier: MIT
// Which gateways the application wants connected, and their state:
// PT_GW_Open, PT_GW_Close, PT_GW_Status, PT_GW_AllStatus.
#include "link/host_form.h"
#include "link/link_state.h"
#include "platform/boundary.h"
#include "platform/clock.h"
#include "platform/event_loop.h"
#include "platform/socket_events.h"
#include "registry/gateway_table.h"
#include "roviro2.h"

using namespace roviro2;

namespace {

constexpr int32_t kConnected = ROVIRO2_CONNECTED;
constexpr int32_t kConnecting = ROVIRO2_CONNECTING;
constexpr int32_t kCannotStart = ROVIRO2_CANNOT_START;

// The slots a gateway ID names: one, or every configured slot for ID 0
// (deleted ones included). False for an ID that is not in the table.
bool SlotRange(uint32_t gwId, int32_t &first, int32_t &last) {
  const int32_t index = FindGateway(gwId);
  if (index == -2) return false;
  first = index == -1 ? 0 : index;
  last = index == -1 ? RegistryPart().GwCount - 1 : index;
  return true;
}

// Marks the slot wanted and starts an attempt unless it is connected or one
// is under way. 6, or -2 when the attempt cannot start.
int32_t WantConnected(int32_t index) {
  TMyTCP2 &slot = RegistryPart().GwTable[index];
  // Outside PT_API_Open .. PT_API_Close no socket is made: nothing would
  // release it.
  if (!slot.Socket && LinkPart().HostForm && SocketEventsStarted())
    slot.Socket = LinkPart().HostForm->CreateSocket(index);
  slot.OpenFlag = 1;
  TClientSocket *socket = slot.Socket.get();
  if (!socket) return kCannotStart;
  if (!socket->SetAddress(slot.IPAddr.IP) || !socket->SetPort(slot.IPAddr.Port)) {
    return kCannotStart;  // address or port changed while connected
  }
  if (!socket->Active() && slot.OpenCnt == 0) {
    socket->CloseInner();
    EventLoop *loop = EventLoop::Instance();
    if (!loop || !socket->Open(*loop)) return kCannotStart;
    ++slot.OpenCnt;
  }
  return kConnecting;
}

// Whether a poll must wait before it starts the next attempt: for a second
// after an attempt failed.
bool Pausing(const TMyTCP2 &slot) {
  const double failedAt = slot.pacing.failedAt;
  return failedAt != ConnectPacing::kNever && NowDays() - failedAt < kReconnectPauseDays;
}

// PT_GW_Open, and the reconnect of a poll; an explicit open starts at once,
// whatever failed before.
int32_t OpenRange(uint32_t gwId, bool explicitOpen) {
  int32_t first = 0;
  int32_t last = 0;
  if (!SlotRange(gwId, first, last)) return -1;
  int32_t result = 0;
  bool failed = false;
  for (int32_t i = first; i <= last; ++i) {
    if (explicitOpen) RegistryPart().GwTable[i].pacing.failedAt = ConnectPacing::kNever;
    result = WantConnected(i);
    failed = failed || result == kCannotStart;
  }
  return failed ? kCannotStart : result;
}

// PT_GW_Status after the poll: the state of the lowest slot with this ID,
// `index` (FindGateway's), and the reconnect a poll starts.
int32_t StatusOf(uint32_t gwId, int32_t index) {
  if (index < 0) return -1;
  const TMyTCP2 &slot = RegistryPart().GwTable[index];
  if (!slot.Socket) return 0;
  if (slot.Socket->Active()) return kConnected;
  if (slot.OpenFlag != 1) return 0;
  if (slot.OpenCnt != 0 || Pausing(slot)) return kConnecting;
  return OpenRange(gwId, false);
}

int32_t StatusOf(uint32_t gwId) {
  return StatusOf(gwId, FindGateway(gwId));
}

}  // namespace

extern "C" {

ROVIRO2_API int32_t ROVIRO2_CALL PT_GW_Open(uint32_t gwId) {
  return Guarded(-2, [&]() -> int32_t { return OpenRange(gwId, true); });
}

ROVIRO2_API int32_t ROVIRO2_CALL PT_GW_Close(uint32_t gwId) {
  return Guarded(-1, [&]() -> int32_t {
    int32_t first = 0;
    int32_t last = 0;
    if (!SlotRange(gwId, first, last)) return -1;
    for (int32_t i = first; i <= last; ++i) {
      TMyTCP2 &slot = RegistryPart().GwTable[i];
      slot.OpenFlag = 0;
      if (slot.Socket && slot.Socket->Active()) slot.Socket->Close();
    }
    return 0;
  });
}

ROVIRO2_API int32_t ROVIRO2_CALL PT_GW_Status(uint32_t gwId) {
  return Guarded(-2, [&]() -> int32_t {
    DispatchSocketEvents();
    return StatusOf(gwId);
  });
}

// The caller's room is the count when the call began: a notice handler that
// adds entries during the poll must not make it write further. An entry
// removed meanwhile by a reload reads as not in the table. One poll serves
// every entry; each entry's status is PT_GW_Status's for its ID.
ROVIRO2_API int32_t ROVIRO2_CALL PT_GW_AllStatus(uint8_t *statusBuf) {
  return Guarded(-1, [&]() -> int32_t {
    const int32_t count = RegistryPart().GwCount;
    if (!statusBuf && count > 0) return -1;
    Guarded(0, [] {
      DispatchSocketEvents();
      return 0;
    });
    for (int32_t i = 0; i < count; ++i) {
      const uint32_t id = RegistryPart().GwTable[i].IPAddr.ID;
      statusBuf[i] = static_cast<uint8_t>(
          Guarded(-2, [&] { return StatusOf(id, FindGateway(id, GatewayLookup::kAmongMany)); }));
    }
    return count;
  });
}

}  // extern "C"
