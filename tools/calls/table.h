/* SPDX-License-Identifier: MIT */
// The gateway table a tool starts with: IPINDEX and --gateway options.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace calls {

struct GatewayOption {
  uint16_t id;
  std::string ip;
  uint16_t port;
};

// Opens the library, reading IPINDEX in `folder` (empty: the current
// directory, which is kept), and adds the gateways; false with a message
// when there is no gateway at all or one cannot be added.
bool OpenTable(const std::vector<GatewayOption> &gateways, std::string &error,
               const std::string &folder = {});

}  // namespace calls
