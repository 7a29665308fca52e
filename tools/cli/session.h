/* SPDX-License-Identifier: MIT */
// The command-line tool's use of the library: the gateway table from IPINDEX
// and --gateway options, connecting, and receiving.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace cli {

struct GatewayOption {
  uint16_t id;
  std::string ip;
  uint16_t port;
};

// PT_GW_Conf of entry `index` (it writes at most 16 bytes of address).
int32_t ReadEntry(uint32_t index, uint16_t &id, std::string &ip, int32_t &port);

// Opens the library and adds the gateways; false with a message when there
// is no gateway at all or one cannot be added.
bool OpenTable(const std::vector<GatewayOption> &gateways, std::string &error);
// Connects every gateway, waiting at most `seconds`; true when all are up.
bool ConnectAll(double seconds);
// Prints every gateway's entry and status; true when all are connected.
bool PrintStatus();
// Prints every received frame, decoded, for `seconds` (negative: until
// interrupted); with command >= 0 only frames of that command. Returns how
// many were printed.
int Watch(double seconds, int command);

}  // namespace cli
