// SPDX-License-Identifier: MIT
#include "status.h"

#include <nlohmann/json.hpp>

#include "roviro2.h"
#include "roviro2_ext.h"
#include "values.h"

namespace bridge {

const char *StateName(int status) {
  switch (status) {
    case ROVIRO2_CONNECTED:
      return "connected";
    case ROVIRO2_CONNECTING:
      return "connecting";
    case ROVIRO2_CANNOT_START:
      return "cannot start";
    default:
      return "idle";
  }
}

std::string StatusPayload(uint32_t id, const GatewayState &state, const std::string &time) {
  const nlohmann::json status = {{"time", time},
                                 {"gateway", id},
                                 {"state", StateName(state.status)},
                                 {"status", state.status},
                                 {"error", state.error},
                                 {"reason", state.reason},
                                 {"dropped", state.dropped}};
  return status.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::vector<Message> GatewayStatuses::Poll(const EventQueue &queue, bool all) {
  uint8_t bytes[256];
  const int32_t count = PT_GW_AllStatus(bytes);
  std::map<uint32_t, GatewayState> now;
  for (int32_t i = 0; i < count; ++i) {
    const int32_t id = PT_GW_Ndx2ID(static_cast<uint32_t>(i));
    if (id <= 0) continue;  // a deleted entry
    GatewayState &state = now[static_cast<uint32_t>(id)];
    state.status = static_cast<int8_t>(bytes[i]);
    char reason[256] = {};
    state.error = roviro2_last_error(static_cast<uint32_t>(id), reason, sizeof reason);
    state.reason = reason;
    state.dropped = queue.Dropped(static_cast<uint32_t>(id));
  }
  std::vector<Message> changed;
  const std::string time = calls::Timestamp();
  for (const auto &[id, state] : now) {
    const auto was = published_.find(id);
    if (all || was == published_.end() || !(was->second == state))
      changed.push_back({topics_.GatewayStatus(id), StatusPayload(id, state, time), id});
  }
  for (const auto &[id, state] : published_) {
    if (!now.count(id)) changed.push_back({topics_.GatewayStatus(id), std::string(), id});
  }
  published_ = std::move(now);
  return changed;
}

}  // namespace bridge
