/* SPDX-License-Identifier: MIT */
// Each gateway's connection as the retained status the bridge publishes:
// connected, connecting or idle, with the last error and the events lost.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "event_queue.h"
#include "topics.h"

namespace bridge {

struct GatewayState {
  int status = 0;  // PT_GW_Status's answer
  int error = 0;   // roviro2_last_error
  std::string reason;
  uint64_t dropped = 0;
  bool operator==(const GatewayState &o) const {
    return status == o.status && error == o.error && reason == o.reason && dropped == o.dropped;
  }
};

// "connected", "connecting", "idle", or "cannot start" (-2).
const char *StateName(int status);
std::string StatusPayload(uint32_t id, const GatewayState &state, const std::string &time);

class GatewayStatuses {
 public:
  explicit GatewayStatuses(const Topics &topics) : topics_(topics) {}
  // Reads every gateway (PT_GW_AllStatus also runs the library's socket
  // events and retries what dropped) and returns the status messages that
  // changed since the last call; with `all`, every one. A gateway gone from
  // the table gets an empty retained message, which clears its status.
  std::vector<Message> Poll(const EventQueue &queue, bool all);

 private:
  Topics topics_;
  std::map<uint32_t, GatewayState> published_;
};

}  // namespace bridge
