// SPDX-License-Identifier: MIT
#include "commands/display_sequence.h"

#include "commands/command_codes.h"

namespace roviro2 {

int32_t SendPreset(uint32_t tagAddr, uint16_t value) {
  return SendCommand(tagAddr, kPreset,
                     {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8)});
}

int32_t SendDisplayOff(uint32_t tagAddr) {
  SendCommand(tagAddr, kBlank);
  return SendCommand(tagAddr, kClear);
}

int32_t SendDisplaySequence(uint32_t tagAddr, int32_t dspMode, const DisplayFill &fill) {
  const int16_t mode = static_cast<int16_t>(dspMode);
  if (mode == -2) return SendCommand(tagAddr, kBlank);
  if (mode <= -3) return SendDisplayOff(tagAddr);
  if (mode >= 1) SendPreset(tagAddr, static_cast<uint16_t>(mode));
  CommandFrame frame(tagAddr, mode == 0 ? kShow : kShowWithMode);
  fill(frame);
  return frame.Send();
}

}  // namespace roviro2
