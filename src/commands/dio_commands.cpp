// SPDX-License-Identifier: MIT
// Digital I/O modules: status request, outputs, input reporting mode.
#include "commands/command_codes.h"
#include "commands/command_frame.h"
#include "platform/boundary.h"
#include "roviro2.h"

using namespace roviro2;

namespace {

constexpr uint8_t kReportModeSetting = 0x11;

// The outputs to set (cleared mask bits) and the states to set them to.
struct OutputWords {
  uint16_t mask;
  uint16_t value;
};

// Channel 0 sets all sixteen outputs from the bits of value; channel n sets
// output n on or off. The shift count is taken modulo 32, so channels 17 to
// 32 select no output and 33 selects the same as 1.
OutputWords OutputsFor(int32_t channel, uint32_t value) {
  const int16_t ch = static_cast<int16_t>(channel);
  const uint16_t state = static_cast<uint16_t>(value);
  if (ch == 0) return {0x0000, state};
  const uint32_t selected = 1u << ((ch - 1) & 31);
  return {static_cast<uint16_t>(~selected), static_cast<uint16_t>(state != 0 ? 0xFFFF : 0x0000)};
}

}  // namespace

extern "C" {

ROVIRO2_API int32_t ROVIRO2_CALL PT_DIO_ReadIoStatus(uint32_t tagAddr) {
  return Guarded(-4, [&]() -> int32_t { return SendCommand(tagAddr, kReadStatus, {0x00}); });
}

// 0x00, then the digits of mask and value interleaved a byte at a time, low
// bytes first.
ROVIRO2_API int32_t ROVIRO2_CALL PT_DIO_SetDO(uint32_t tagAddr, int32_t channel, uint32_t value) {
  return Guarded(-4, [&]() -> int32_t {
    const OutputWords words = OutputsFor(channel, value);
    CommandFrame frame(tagAddr, kSetOutputs);
    frame.Put(0x00);
    frame.PutHex(static_cast<uint8_t>(words.mask));
    frame.PutHex(static_cast<uint8_t>(words.value));
    frame.PutHex(static_cast<uint8_t>(words.mask >> 8));
    frame.PutHex(static_cast<uint8_t>(words.value >> 8));
    return frame.Send();
  });
}

ROVIRO2_API int32_t ROVIRO2_CALL PT_DIO_SetDiRspMode(uint32_t tagAddr, uint32_t rspMode) {
  return Guarded(-4, [&]() -> int32_t {
    return SendSetting(tagAddr, kReportModeSetting,
                       static_cast<uint16_t>(rspMode) != 0 ? 'A' : 'N');
  });
}

}  // extern "C"
