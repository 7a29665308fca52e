/* SPDX-License-Identifier: MIT */
// The bridge's topics, all under roviro2/<bridge>/.
#pragma once

#include <cstdint>
#include <string>

namespace bridge {

class Topics {
 public:
  explicit Topics(const std::string &name) : root_("roviro2/" + name + "/") {}
  std::string Commands() const { return root_ + "cmd"; }
  // reply/<id>, or reply for a message without an id.
  std::string Reply(const std::string &id) const {
    return id.empty() ? root_ + "reply" : root_ + "reply/" + id;
  }
  std::string Event(uint32_t tag) const {
    return root_ + "tag/" + std::to_string(tag >> 16) + "/" + std::to_string((tag >> 8) & 0xFF) +
           "/" + std::to_string(tag & 0xFF) + "/event";
  }
  std::string GatewayStatus(uint32_t id) const {
    return root_ + "gw/" + std::to_string(id) + "/status";
  }
  // The bridge's own "online" / "offline" (the broker's will).
  std::string Presence() const { return root_ + "status"; }

 private:
  std::string root_;
};

}  // namespace bridge
