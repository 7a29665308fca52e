// SPDX-License-Identifier: MIT
// Counter terminals: counter sub-commands, buzzer, settings and text.
#include "commands/command_codes.h"
#include "commands/command_frame.h"
#include "platform/boundary.h"
#include "roviro2.h"

using namespace roviro2;

namespace {

// Sub-command numbers of the counter command.
enum : uint8_t {
  kEnable = 1,
  kRead = 2,
  kDisable = 3,
  kSet = 4,
  kReportOn = 5,
  kReportOff = 6,
};

enum : uint8_t {
  kFunKeySetting = 0x50,
  kTerminatorSetting = 0x51,
};

uint8_t Nibble(uint32_t value, unsigned shift) {
  return (value >> shift) & 0x0F;
}

}  // namespace

extern "C" {

// The text form of the device escape: 0x40, then exactly the counted bytes.
ROVIRO2_API int32_t ROVIRO2_CALL PT_DT2_DspStr(uint32_t tagAddr, const char *text, int32_t length) {
  return Guarded(-4, [&]() -> int32_t {
    CommandFrame frame(tagAddr, kDeviceEscape);
    frame.Put(kEscapeLead);
    frame.Put(ResolveCallerBytes(text, length, NegativeCount::kRefused));
    return frame.Send();
  });
}

ROVIRO2_API int32_t ROVIRO2_CALL PT_DT2_EnableCounter(uint32_t tagAddr) {
  return Guarded(-4, [&]() -> int32_t { return SendCommand(tagAddr, kCounter, {kEnable}); });
}

ROVIRO2_API int32_t ROVIRO2_CALL PT_DT2_DisableCounter(uint32_t tagAddr) {
  return Guarded(-4, [&]() -> int32_t { return SendCommand(tagAddr, kCounter, {kDisable}); });
}

ROVIRO2_API int32_t ROVIRO2_CALL PT_DT2_ReadCounter(uint32_t tagAddr) {
  return Guarded(-4, [&]() -> int32_t { return SendCommand(tagAddr, kCounter, {kRead}); });
}

// The four hexadecimal digits of the low 16 bits as numbers 0..15, least
// significant first.
ROVIRO2_API int32_t ROVIRO2_CALL PT_DT2_SetCounter(uint32_t tagAddr, uint32_t value) {
  return Guarded(-4, [&]() -> int32_t {
    return SendCommand(
        tagAddr, kCounter,
        {kSet, Nibble(value, 0), Nibble(value, 4), Nibble(value, 8), Nibble(value, 12)});
  });
}

ROVIRO2_API int32_t ROVIRO2_CALL PT_DT2_AutoReport(uint32_t tagAddr, uint32_t enable) {
  return Guarded(-4, [&]() -> int32_t {
    return SendCommand(tagAddr, kCounter,
                       {static_cast<uint8_t>(enable) != 0 ? kReportOn : kReportOff});
  });
}

ROVIRO2_API int32_t ROVIRO2_CALL PT_DT2_Buzzer(uint32_t tagAddr, uint32_t param1, uint32_t param2) {
  return Guarded(-4, [&]() -> int32_t {
    return SendCommand(tagAddr, kBuzzerOn,
                       {static_cast<uint8_t>(param1), static_cast<uint8_t>(param2)});
  });
}

ROVIRO2_API int32_t ROVIRO2_CALL PT_DT2_FunKeyConfig(uint32_t tagAddr, uint32_t param) {
  return Guarded(-4, [&]() -> int32_t {
    return SendSetting(tagAddr, kFunKeySetting, static_cast<uint8_t>(param));
  });
}

ROVIRO2_API int32_t ROVIRO2_CALL PT_DT2_Terminator(uint32_t tagAddr, uint32_t terminator) {
  return Guarded(-4, [&]() -> int32_t {
    return SendSetting(tagAddr, kTerminatorSetting, static_cast<uint8_t>(terminator));
  });
}

}  // extern "C"
