/* SPDX-License-Identifier: MIT */
// Dispatch of socket events on the library's thread.
//
// Sockets report to one event source per process. Events wait there until
// DispatchSocketEvents runs them; nothing runs on its own.
#pragma once

namespace roviro2 {

// Creates the event source if there is none. False when the system has no
// room for it; sockets then fail to open.
bool StartSocketEvents();
// Ends the event source. Every socket must have been released before.
void StopSocketEvents();
bool SocketEventsStarted();

// Runs every pending socket event without waiting; returns how many ran.
// Safe to call from inside an event handler.
int DispatchSocketEvents();

// A descriptor (or handle) that is readable while events are pending, for an
// application's own poll loop; -1 when there is no event source.
int SocketEventHandle();

}  // namespace roviro2
