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

// The library's calls that fill the gateway table. They note how long an
// entry's address text can be: IPINDEX's address runs to the next CR, so up
// to the whole file, and PT_GW_InsConf/PT_GW_UpdConf keep any text.
int32_t OpenLibrary();
int32_t InsertGateway(uint32_t id, const char *ip, uint32_t port);
int32_t UpdateGateway(uint32_t id, const char *ip, uint32_t port);
// PT_GW_Conf of entry `index`, with room for the longest address noted; the
// library copies the whole text and is given no size.
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
