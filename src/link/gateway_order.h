/* SPDX-License-Identifier: MIT */
// The order of queued frames that a fetch by gateway ID takes from.
#pragma once

#include <cstdint>

#include "link/rcv_queue.h"
#include "registry/gateway_table.h"

namespace roviro2 {

// An order that holds no frame: that of an ID above 255, which no gateway
// byte can name.
constexpr int kNoOrder = 256;

// All frames for ID 0, else the frames whose gateway byte equals the ID
// (kNoOrder for an ID above 255). False for an ID that is not in the table.
// Inline: it is on the path of every fetch.
inline bool OrderOfGateway(uint32_t gwId, int &order) {
  const int32_t index = FindGateway(gwId);
  if (index == -2) return false;
  const uint16_t id = static_cast<uint16_t>(gwId);
  order = index == -1 ? ReceiveQueue::kAnyGateway : id <= 0xFF ? id : kNoOrder;
  return true;
}

}  // namespace roviro2
