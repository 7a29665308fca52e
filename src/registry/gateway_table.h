/* SPDX-License-Identifier: MIT */
// The gateway table: 256 slots, each with a gateway's address record and the
// state of its connection and of its reception.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "registry/gateway_index.h"

namespace roviro2 {

class TClientSocket;

// Releases a slot's socket: its connection, if any, is closed and no event
// is raised. When the library is unloaded without PT_API_Close the socket is
// left as it is: closing connections is PT_API_Close's task.
struct SocketRelease {
  void operator()(TClientSocket *socket) const;
};

// A gateway's address record.
struct TIPAddrBook {
  uint16_t ID = 0;  // 0: no gateway; such an entry is never found by ID
  std::string IP;   // dotted IPv4 text, never resolved as a host name
  uint16_t Port = 0;
};

// When a slot's connection attempts failed and its connection was made, in
// monotonic days, for pacing the reconnects that polls start.
struct ConnectPacing {
  static constexpr double kNever = -1.0;
  double failedAt = kNever;     // the last attempt failed (or its connection died young)
  double connectedAt = kNever;  // the connection now up was made
};

// One slot of the gateway table.
struct TMyTCP2 {
  std::unique_ptr<TClientSocket, SocketRelease> Socket;  // made by the host, owned here
  int32_t OpenFlag = 0;                                  // 1: the application wants it connected
  int32_t OpenCnt = 0;                                   // attempts started and not yet answered
  TIPAddrBook IPAddr;
  std::vector<uint8_t> RcvBuf;  // received bytes not yet cut into frames
  double RcvTime = 0.0;         // days: when RcvBuf was last left incomplete
  double RcvTimeOut = 0.0;      // days an incomplete frame may wait
  ConnectPacing pacing;
  double heldSince = 0.0;  // days: when reads were held for a full queue
};

constexpr int kMaxGateways = 256;
// A poll starts no reconnect sooner than this after a failed attempt (one
// second, about what a refused connect took to report on the original
// platform).
constexpr double kReconnectPauseDays = 1.0 / 86400.0;
// Receive time-out of every configured gateway, in days (604.8 seconds).
constexpr double kRcvTimeOutDays = 0.007;

// The registry's part of the library's state (see lib/library_state.h).
struct RegistryState {
  // First, so that it outlives the table: set while the library is unloaded,
  // when the slots' sockets are not released.
  bool unloading = false;
  TMyTCP2 GwTable[kMaxGateways];
  uint16_t GwCount = 0;
  uint16_t DefaultGw = 0;
  // Kept by the table functions: told of every change of an ID or of
  // GwCount.
  GatewayIndex index;
};

extern RegistryState registryState;  // defined in lib/library_state.cpp
inline RegistryState &RegistryPart() {
  return registryState;
}

bool GatewayIndex::FoundLast(uint16_t id, const TMyTCP2 *table, uint16_t count) const {
  return Key(id, count) == lastKey_ && table[lastSlot_].IPAddr.ID == id;
}

int32_t GatewayIndex::Find(uint16_t id, const TMyTCP2 *table, uint16_t count) {
  if (FoundLast(id, table, count)) return lastSlot_;
  return FindOther(id, table, count);
}

int32_t GatewayIndex::FindAmongMany(uint16_t id, const TMyTCP2 *table, uint16_t count) {
  if (valid_ && builtFor_ == count) {
    const int32_t slot = Lookup(id);
    if (slot < 0 || table[slot].IPAddr.ID == id) return slot;
  }
  return FindRebuilt(id, table, count);
}

// How FindGateway looks an ID up: remembering the ID it found, for calls
// that mostly name one gateway after another; or, for a walk over every
// entry, where that memory would miss on every one, without it.
enum class GatewayLookup { kRemembering, kAmongMany };

// Slot index of the lowest configured slot with this ID (low 16 bits of
// gwId); -1 for ID 0, -2 when no slot has it. Inline: every call that names
// a gateway makes it.
inline int32_t FindGateway(uint32_t gwId, GatewayLookup how = GatewayLookup::kRemembering) {
  const uint16_t id = static_cast<uint16_t>(gwId);
  if (id == 0) return -1;
  RegistryState &registry = RegistryPart();
  GatewayIndex &index = registry.index;
  const int32_t slot = how == GatewayLookup::kAmongMany
                           ? index.FindAmongMany(id, registry.GwTable, registry.GwCount)
                           : index.Find(id, registry.GwTable, registry.GwCount);
  return slot < 0 ? -2 : slot;
}

// Whether id (1 to 255) is in the table, answered from the lookup's memory
// of the last ID found; false also when it does not remember.
inline bool RemembersGatewayByte(uint16_t id) {
  return id == RegistryPart().index.LastByteId();
}

// Puts every slot and the counters back to their state at library load.
// Sockets must have been released before.
void ResetGatewayTable();
// The whole library state back to its state at load (lib/library_state.h).
// For tests.
void ResetGatewayTableForTesting();

}  // namespace roviro2
