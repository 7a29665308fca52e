/* SPDX-License-Identifier: MIT */
// Sending in batches. While a batch is open, the sockets keep what they are
// given in their output buffers instead of writing it; the end of the batch
// writes every socket that got bytes, in the order of its first bytes, each
// with as few system calls as it takes. A batch belongs to the running event
// loop: stopping the loop (PT_API_Close) ends it.
#pragma once

#include <cstdint>

#include "platform/event_source.h"
#include "platform/platform_state.h"

namespace roviro2 {

// Whether the sockets of the running loop batch what they send.
inline bool BatchOpen() {
  const PlatformState &state = PlatformPart();
  return state.batchDepth > 0 && state.batchLifetime == state.loopLifetime;
}

// Opens a batch, or one more level of the open one; nothing when no loop runs.
void BeginBatch();

// Closes one level; the outermost writes. -1 when no batch was open; else
// the count of sockets whose bytes the system did not all take: some still
// wait, or the connection failed (each frame it lost is shown as "TCP Send
// Error", after everything else is done). 0 for an inner level.
int32_t EndBatch();

// The socket of `tag` holds batched bytes that the end must write. `noted`
// is the socket's own mark (0 for a new handle), so that a socket is noted
// once per batch. Throws std::bad_alloc when it cannot be noted; then
// nothing may be batched.
void NoteBatched(EventTag tag, uint64_t &noted);

}  // namespace roviro2
