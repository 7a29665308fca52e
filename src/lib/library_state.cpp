// SPDX-License-Identifier: MIT
#include "lib/library_state.h"

#include <utility>

#include "platform/socket_events.h"

namespace roviro2 {

// One unit defines every part, so their order is fixed: made in this order,
// ended in the reverse.
PlatformState platformState;
RegistryState registryState;
LinkState linkState;
CommandState commandState;

namespace {

// Defined after the parts, so ended before them: while the library is
// unloaded the slots' sockets are left as they are (closing connections is
// PT_API_Close's task).
struct UnloadMark {
  UnloadMark() = default;
  ~UnloadMark() { registryState.unloading = true; }
  UnloadMark(const UnloadMark &) = delete;
  UnloadMark &operator=(const UnloadMark &) = delete;
} unloadMark;

}  // namespace

void CloseRun() {
  ForgetHeldReception();
  // Every slot, not only the configured ones: a reload with fewer entries
  // must not leave the sockets of the slots beyond it connected.
  for (TMyTCP2 &slot : registryState.GwTable) {
    if (!slot.Socket) continue;
    // The slot lets go first: a release may show notices, and a handler
    // that calls the library must not reach the socket being released.
    auto socket = std::move(slot.Socket);
    slot.OpenFlag = 0;
    slot.OpenCnt = 0;
    socket.reset();
  }
  StopSocketEvents();
  linkState.RcvQueue.reset();
  // The host has nothing to show: on Windows the hidden window that
  // received the sockets' notices ended with the event source.
  ReleaseIdleHosts();
}

void ResetState() {
  CloseRun();
  ResetGatewayTable();
  linkState.LastRcv.clear();
  linkState.receiveLimit = kDefaultReceiveLimit;
  linkState.anyHeld = false;
  linkState.HostForm = nullptr;
  linkState.hosts.clear();
  platformState.noticeHandler = {};
  platformState.clock = {};
  platformState.batchDepth = 0;
  platformState.batched.clear();
  commandState.sink = {};
}

void ResetGatewayTableForTesting() {
  ResetState();
}

}  // namespace roviro2
