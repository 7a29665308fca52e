/* SPDX-License-Identifier: MIT */
// The library's whole state: each layer declares its part (PlatformState,
// RegistryState, LinkState, CommandState) and an inline accessor to it, and
// library_state.cpp defines the four parts together, in layer order, so that
// they are made bottom up and ended top down. An accessor is the address of a
// static object: it costs nothing, and no layer includes a higher one.
#pragma once

#include "commands/command_state.h"
#include "link/link_state.h"
#include "platform/platform_state.h"
#include "registry/gateway_table.h"

namespace roviro2 {

// What PT_API_Close ends: every slot's socket, the event loop, the receive
// queue and the hosts but the current one. The table, LastRcv and what was
// installed stay.
void CloseRun();

// Back to the state at library load: CloseRun, then the table, LastRcv, the
// receive limit, the host and every installed handler, clock and sink.
void ResetState();

}  // namespace roviro2
