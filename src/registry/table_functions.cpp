// SPDX-License-Identifier: MIT
// The exported functions that read and edit the gateway table.
#include <cstring>
#include <string>

#include "platform/boundary.h"
#include "registry/gateway_table.h"
#include "roviro2.h"

using namespace roviro2;

namespace {

// Indexes, like IDs, use only their low 16 bits: 0x10001 is slot 1.
constexpr int32_t kNoSuchIndex = -1;
constexpr std::size_t kConfAddressRoom = 16;

// An address text is read up to its zero byte, but never more than this:
// a caller's text without one must not make the library read on through
// its memory. A dotted address has 15 characters.
constexpr std::size_t kMaxAddressText = 1024;

std::string AddressText(const char *text) {
  if (!text) return {};
  std::size_t length = 0;
  while (length < kMaxAddressText && text[length] != '\0')
    ++length;
  return std::string(text, length);
}

int32_t ConfiguredIndex(uint32_t index) {
  const uint16_t slot = static_cast<uint16_t>(index);
  return slot < RegistryPart().GwCount ? slot : kNoSuchIndex;
}

}  // namespace

extern "C" {

ROVIRO2_API int32_t ROVIRO2_CALL PT_GW_Cnt(void) {
  return Guarded(0, [&]() -> int32_t { return RegistryPart().GwCount; });
}

ROVIRO2_API int32_t ROVIRO2_CALL PT_GW_Conf(uint32_t index, uint16_t *idOut, char *ipOut,
                                            int32_t *portOut) {
  return Guarded(-1, [&]() -> int32_t {
    const int32_t slot = ConfiguredIndex(index);
    if (slot < 0) return -1;
    const TIPAddrBook &entry = RegistryPart().GwTable[slot].IPAddr;
    if (idOut) *idOut = entry.ID;
    if (portOut) *portOut = entry.Port;
    // At most 15 characters and the zero byte: every caller's room for a
    // dotted address, whatever text the table holds.
    if (ipOut) {
      const std::size_t count =
          entry.IP.size() < kConfAddressRoom ? entry.IP.size() : kConfAddressRoom - 1;
      std::memcpy(ipOut, entry.IP.data(), count);
      ipOut[count] = '\0';
    }
    return 1;
  });
}

ROVIRO2_API int32_t ROVIRO2_CALL PT_GW_Ndx2ID(uint32_t index) {
  return Guarded(-1, [&]() -> int32_t {
    const int32_t slot = ConfiguredIndex(index);
    if (slot < 0) return -1;
    return RegistryPart().GwTable[slot].IPAddr.ID;
  });
}

ROVIRO2_API int32_t ROVIRO2_CALL PT_GW_ID2Ndx(uint32_t gwId) {
  return Guarded(-1, [&]() -> int32_t { return FindGateway(gwId); });
}

ROVIRO2_API int32_t ROVIRO2_CALL PT_GW_InsConf(uint32_t gwId, const char *ipAddr, uint32_t port) {
  return Guarded(-1, [&]() -> int32_t {
    if (FindGateway(gwId) >= 0) return -2;
    const std::string ip = AddressText(ipAddr);
    RegistryState &registry = RegistryPart();
    for (int i = 0; i < registry.GwCount; ++i) {
      const TIPAddrBook &entry = registry.GwTable[i].IPAddr;
      if (entry.Port == port && entry.IP == ip) return -3;
    }
    if (registry.GwCount == kMaxGateways) return -1;
    TMyTCP2 &slot = registry.GwTable[registry.GwCount];
    slot.IPAddr = {static_cast<uint16_t>(gwId), ip, static_cast<uint16_t>(port)};
    // An added gateway waits for incomplete frames as long as a loaded one.
    slot.RcvTimeOut = kRcvTimeOutDays;
    registry.index.Invalidate();
    return registry.GwCount++;
  });
}

ROVIRO2_API int32_t ROVIRO2_CALL PT_GW_UpdConf(uint32_t gwId, const char *ipAddr, uint32_t port) {
  return Guarded(-1, [&]() -> int32_t {
    const int32_t index = FindGateway(gwId);
    if (index < 0) return -1;
    RegistryPart().GwTable[index].IPAddr.Port = static_cast<uint16_t>(port);
    RegistryPart().GwTable[index].IPAddr.IP = AddressText(ipAddr);
    return index;
  });
}

ROVIRO2_API int32_t ROVIRO2_CALL PT_GW_DelConf(uint32_t gwId) {
  return Guarded(-1, [&]() -> int32_t {
    const int32_t index = FindGateway(gwId);
    if (index < 0) return -1;
    RegistryPart().GwTable[index].IPAddr.ID = 0;
    RegistryPart().index.Invalidate();
    return index;
  });
}

ROVIRO2_API int32_t ROVIRO2_CALL PT_GW_SetDefault(uint32_t gwId) {
  return Guarded(-1, [&]() -> int32_t {
    const int32_t index = FindGateway(gwId);
    if (index < 0) return -1;
    RegistryPart().DefaultGw = static_cast<uint16_t>(gwId);
    return index;
  });
}

ROVIRO2_API int32_t ROVIRO2_CALL PT_GW_GetDefault(void) {
  return Guarded(0, [&]() -> int32_t { return RegistryPart().DefaultGw; });
}

}  // extern "C"
