/* SPDX-License-Identifier: MIT */
// The library's whole state, in one object: each layer declares its part
// (PlatformState, RegistryState, LinkState, CommandState) and an accessor to
// it, and this object composes them. The accessors return references into
// one static object, so they cost a call and nothing else.
#pragma once

#include "commands/command_state.h"
#include "link/link_state.h"
#include "platform/platform_state.h"
#include "registry/gateway_table.h"

namespace roviro2 {

struct LibraryState : PlatformState, RegistryState, LinkState, CommandState {
  LibraryState() = default;
  // While the library is unloaded the slots' sockets are left as they are:
  // closing connections is PT_API_Close's task.
  ~LibraryState() { unloading = true; }
  LibraryState(const LibraryState &) = delete;
  LibraryState &operator=(const LibraryState &) = delete;
};

LibraryState &State();

// What PT_API_Close ends: every slot's socket, the event loop, the receive
// queue and the hosts but the current one. The table, LastRcv and what was
// installed stay.
void CloseRun();

// Back to the state at library load: CloseRun, then the table, LastRcv, the
// receive limit, the host and every installed handler, clock and sink.
void ResetState();

}  // namespace roviro2
