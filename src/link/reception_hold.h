/* SPDX-License-Identifier: MIT */
// Back-pressure on reception: a gateway whose frames the application leaves
// queued beyond a limit is not read from until the application has fetched
// them below half the limit. The bytes wait in the system, TCP holds the
// gateway back, and nothing is dropped.
#pragma once

#include <cstddef>

#include "link/rcv_queue.h"
#include "registry/gateway_table.h"

namespace roviro2 {

// Bytes of queued frames per gateway byte above which reading stops; 0: no
// limit.
constexpr std::size_t kDefaultReceiveLimit = 16u << 20;
std::size_t ReceiveLimit();
void SetReceiveLimit(std::size_t bytes);

// Holds the slot's reads when its gateway's queued frames reach the limit;
// true when they are held.
bool HoldIfFull(TMyTCP2 &slot, const ReceiveQueue &queue);

// Resumes every held slot whose gateway's frames are now below half the
// limit. Cheap when none is held.
void ResumeHeldReception();

// Forgets every hold (the sockets are gone or the queue was replaced).
void ForgetHeldReception();

// Makes sure that the frames of a whole read can be queued without a failed
// allocation; false (nothing read, nothing changed) when the memory is
// missing.
bool PrepareToReceive(TMyTCP2 &slot, ReceiveQueue &queue);

}  // namespace roviro2
