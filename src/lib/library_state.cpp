// SPDX-License-Identifier: MIT
#include "lib/library_state.h"

#include <utility>

#include "platform/socket_events.h"

namespace roviro2 {

namespace {
LibraryState state;
}  // namespace

LibraryState &State() {
  return state;
}

PlatformState &PlatformPart() {
  return state;
}

RegistryState &RegistryPart() {
  return state;
}

LinkState &LinkPart() {
  return state;
}

CommandState &CommandPart() {
  return state;
}

void CloseRun() {
  ForgetHeldReception();
  // Every slot, not only the configured ones: a reload with fewer entries
  // must not leave the sockets of the slots beyond it connected.
  for (TMyTCP2 &slot : state.GwTable) {
    if (!slot.Socket) continue;
    // The slot lets go first: a release may show notices, and a handler
    // that calls the library must not reach the socket being released.
    auto socket = std::move(slot.Socket);
    slot.OpenFlag = 0;
    slot.OpenCnt = 0;
    socket.reset();
  }
  StopSocketEvents();
  state.RcvQueue.reset();
  // The host has nothing to show: on Windows the hidden window that
  // received the sockets' notices ended with the event source.
  ReleaseIdleHosts();
}

void ResetState() {
  CloseRun();
  ResetGatewayTable();
  state.LastRcv.clear();
  state.receiveLimit = kDefaultReceiveLimit;
  state.anyHeld = false;
  state.HostForm = nullptr;
  state.hosts.clear();
  state.noticeHandler = {};
  state.clock = {};
  state.sink = {};
}

void ResetGatewayTableForTesting() {
  ResetState();
}

}  // namespace roviro2
