// SPDX-License-Identifier: MIT
// Commands for every kind of tag: poll range and diagnosis of a gateway's
// ports, and a tag's new node address and reset.
#include "commands/command_codes.h"
#include "commands/command_frame.h"
#include "platform/boundary.h"
#include "registry/gateway_table.h"
#include "roviro2.h"

using namespace roviro2;

namespace {

constexpr uint8_t kNewNodeSetting = 0x10;

int32_t SendDiagnosis(uint16_t gwId, uint8_t portCode) {
  return CommandFrame(gwId, portCode, kDiagnosis, 0).Send();
}

// The diagnosis request to the selected ports of one gateway: port 1 first.
int32_t DiagnosePorts(uint16_t gwId, int32_t portSel, int32_t result) {
  if (portSel == 0 || portSel == 1) result = SendDiagnosis(gwId, kPortCode1);
  if (portSel == 0 || portSel == 2) result = SendDiagnosis(gwId, kPortCode2);
  return result;
}

}  // namespace

extern "C" {

ROVIRO2_API int32_t ROVIRO2_CALL PT_GW_SetPollRang(uint32_t gwId, int32_t port,
                                                   uint32_t pollRange) {
  return Guarded(-4, [&]() -> int32_t {
    const uint8_t portCode = port == 1 ? kPortCode1 : kPortCode2;
    return CommandFrame(static_cast<uint16_t>(gwId), portCode, kPollRange,
                        static_cast<uint8_t>(pollRange))
        .Send();
  });
}

// Gateway ID 0 visits every configured slot, deleted ones included (whose
// ID 0 the sender refuses); a failed send does not stop the visit.
ROVIRO2_API int32_t ROVIRO2_CALL PT_GW_TagDiag(uint32_t gwId, int32_t portSel) {
  return Guarded(-4, [&]() -> int32_t {
    const int32_t index = FindGateway(gwId);
    if (index < -1) return -1;
    const int32_t first = index == -1 ? 0 : index;
    const int32_t last = index == -1 ? RegistryPart().GwCount - 1 : index;
    int32_t result = 0;
    for (int32_t i = first; i <= last; ++i) {
      const uint16_t target =
          index == -1 ? RegistryPart().GwTable[i].IPAddr.ID : static_cast<uint16_t>(gwId);
      result = DiagnosePorts(target, portSel, result);
    }
    return result;
  });
}

ROVIRO2_API int32_t ROVIRO2_CALL PT_Tag_ChgAddr(uint32_t tagAddr, uint32_t newNode) {
  return Guarded(-4, [&]() -> int32_t {
    return SendSetting(tagAddr, kNewNodeSetting, static_cast<uint8_t>(newNode));
  });
}

ROVIRO2_API int32_t ROVIRO2_CALL PT_Tag_Reset(uint32_t tagAddr) {
  return Guarded(-4, [&]() -> int32_t { return SendCommand(tagAddr, kReset); });
}

}  // extern "C"
