// SPDX-License-Identifier: MIT
// Light bar tags: six-character display, LEDs, buzzer, mode, simulation and
// lock settings.
#include <charconv>
#include <cstring>

#include "commands/caller_bytes.h"
#include "commands/command_codes.h"
#include "commands/command_frame.h"
#include "commands/display_sequence.h"
#include "platform/boundary.h"
#include "roviro2.h"

using namespace roviro2;

namespace {

constexpr std::size_t kDisplayWidth = 6;
constexpr std::size_t kMaxFreeText = 20;
constexpr int32_t kMinNumber = -99999;
constexpr int32_t kMaxNumber = 999999;

// Copies count (at most six) characters without a call: two overlapping
// four-byte moves, or byte by byte below four.
void CopyUpToSix(uint8_t *to, const char *from, std::size_t count) {
  if (count >= 4) {
    std::memcpy(to, from, 4);
    std::memcpy(to + count - 4, from + count - 4, 4);
    return;
  }
  for (std::size_t i = 0; i < count; ++i)
    to[i] = static_cast<uint8_t>(from[i]);
}

// The six display characters, right-aligned and blank-filled, then extraByte;
// count is at most six. Built whole and appended in one step.
auto SixCharacters(const char *chars, std::size_t count, uint32_t extraByte) {
  return [chars, count, extraByte](CommandFrame &frame) {
    uint8_t shown[kDisplayWidth + 1];
    std::memset(shown, ' ', kDisplayWidth);  // a fixed size: no call
    CopyUpToSix(shown + kDisplayWidth - count, chars, count);
    shown[kDisplayWidth] = static_cast<uint8_t>(extraByte);
    frame.Put(shown, sizeof shown);
  };
}

// Sends the first command when bit 1 of bits is set, then the second when
// bit 0 is; returns the last result, 0 when nothing was sent.
int32_t SendForBits(uint32_t tagAddr, uint8_t bits, uint8_t bit1Command, uint8_t bit0Command) {
  int32_t result = 0;
  if (bits & 0x02) result = SendCommand(tagAddr, bit1Command);
  if (bits & 0x01) result = SendCommand(tagAddr, bit0Command);
  return result;
}

}  // namespace

extern "C" {

ROVIRO2_API int32_t ROVIRO2_CALL PT_LB_DspNum(uint32_t tagAddr, int32_t number, uint32_t extraByte,
                                              int32_t dspMode) {
  return Guarded(-4, [&]() -> int32_t {
    if (number < kMinNumber || number > kMaxNumber) return -2;
    char digits[kDisplayWidth];
    // The range check leaves at most six characters, the sign included.
    const std::size_t count = static_cast<std::size_t>(
        std::to_chars(digits, digits + kDisplayWidth, number).ptr - digits);
    return SendDisplaySequence(tagAddr, dspMode, SixCharacters(digits, count, extraByte));
  });
}

ROVIRO2_API int32_t ROVIRO2_CALL PT_LB_DspStr(uint32_t tagAddr, const char *text,
                                              uint32_t extraByte, int32_t dspMode) {
  return Guarded(-4, [&]() -> int32_t {
    return SendDisplaySequence(tagAddr, dspMode,
                               SixCharacters(text, TextLength(text, kDisplayWidth), extraByte));
  });
}

ROVIRO2_API int32_t ROVIRO2_CALL PT_LB_DspStr2(uint32_t tagAddr, const char *text,
                                               int32_t dspMode) {
  return Guarded(-4, [&]() -> int32_t {
    return SendDisplaySequence(tagAddr, dspMode,
                               [text](CommandFrame &frame) { frame.PutText(text, kMaxFreeText); });
  });
}

ROVIRO2_API int32_t ROVIRO2_CALL PT_LB_DspOff(uint32_t tagAddr) {
  return Guarded(-4, [&]() -> int32_t { return SendDisplayOff(tagAddr); });
}

ROVIRO2_API int32_t ROVIRO2_CALL PT_LB_DspAddr(uint32_t tagAddr) {
  return Guarded(-4, [&]() -> int32_t { return SendCommand(tagAddr, kShowAddress); });
}

ROVIRO2_API int32_t ROVIRO2_CALL PT_LB_LedOn(uint32_t tagAddr, uint32_t ledType, uint32_t preset) {
  return Guarded(-4, [&]() -> int32_t {
    static constexpr uint8_t kLedCommands[] = {kClear, kLedType1, kLedType2};  // by ledType
    const uint8_t type = static_cast<uint8_t>(ledType);
    if (type > 2) return -4;
    const uint16_t presetValue = static_cast<uint16_t>(preset);
    if (presetValue != 0) SendPreset(tagAddr, presetValue);
    return SendCommand(tagAddr, kLedCommands[type]);
  });
}

ROVIRO2_API int32_t ROVIRO2_CALL PT_LB_BuzOn(uint32_t tagAddr, uint32_t state) {
  return Guarded(-4, [&]() -> int32_t {
    const uint8_t on = static_cast<uint8_t>(state);
    if (on > 1) return -5;
    return SendCommand(tagAddr, on == 1 ? kBuzzerOn : kBuzzerOff);
  });
}

ROVIRO2_API int32_t ROVIRO2_CALL PT_LB_SetMode(uint32_t tagAddr, uint32_t mode) {
  return Guarded(-4, [&]() -> int32_t {
    return SendCommand(tagAddr, static_cast<uint8_t>(mode) == 1 ? kModeOn : kModeOff);
  });
}

ROVIRO2_API int32_t ROVIRO2_CALL PT_LB_Simulate(uint32_t tagAddr, uint32_t flag) {
  return Guarded(-4, [&]() -> int32_t {
    return SendCommand(tagAddr, static_cast<uint8_t>(flag) == 1 ? kSimulateOn : kSimulateOff);
  });
}

ROVIRO2_API int32_t ROVIRO2_CALL PT_LB_SetLock(uint32_t tagAddr, uint32_t lock, uint32_t lockBits) {
  return Guarded(-4, [&]() -> int32_t {
    const uint8_t kind = static_cast<uint8_t>(lock);
    if (kind > 2) return -6;
    const uint8_t bits = static_cast<uint8_t>(lockBits);
    if (kind == 1) return SendForBits(tagAddr, bits, kLockBit1, kLockBit0);
    return SendForBits(tagAddr, bits, kUnlockBit1, kUnlockBit0);
  });
}

}  // extern "C"
