// SPDX-License-Identifier: MIT
// Data collection terminals: control commands (command '7' with a sub-command
// letter), the cursor, and text sent as it is or as hexadecimal digits.
#include <string>

#include "commands/command_codes.h"
#include "commands/command_frame.h"
#include "platform/boundary.h"
#include "roviro2.h"

using namespace roviro2;

namespace {

constexpr uint8_t kMaxSmallParam = 0x7F;

uint8_t LowByte(uint32_t value) {
  return static_cast<uint8_t>(value);
}

int32_t SendControl(uint32_t tagAddr, char letter, std::initializer_list<uint8_t> params = {}) {
  CommandFrame frame(tagAddr, kControl);
  frame.Put(static_cast<uint8_t>(letter));
  frame.Put(params);
  return frame.Send();
}

// A control command with one parameter byte in 0..0x7F; -4 above.
int32_t SendSmallParam(uint32_t tagAddr, char letter, uint32_t param) {
  if (LowByte(param) > kMaxSmallParam) return kCommandRefused;
  return SendControl(tagAddr, letter, {LowByte(param)});
}

// Text to show: the low 16 bits of length as a count, or, when they read as
// negative, the text up to its zero byte.
CallerBytes DisplayText(const char *text, int32_t length) {
  return ResolveCallerBytes(text, length, NegativeCount::kTextLength);
}

}  // namespace

extern "C" {

ROVIRO2_API int32_t ROVIRO2_CALL PT_DCS_InputMode(uint32_t tagAddr, uint32_t mode) {
  return Guarded(-4, [&]() -> int32_t {
    if (LowByte(mode) < '0' || LowByte(mode) > '4') return kCommandRefused;
    return SendControl(tagAddr, 'B', {LowByte(mode)});
  });
}

ROVIRO2_API int32_t ROVIRO2_CALL PT_DCS_BufSize(uint32_t tagAddr, uint32_t bufSize) {
  return Guarded(-4, [&]() -> int32_t { return SendSmallParam(tagAddr, 'C', bufSize); });
}

ROVIRO2_API int32_t ROVIRO2_CALL PT_DCS_SetConf(uint32_t tagAddr, uint32_t maskA, uint32_t maskB) {
  return Guarded(-4, [&]() -> int32_t {
    const uint8_t a = LowByte(maskA);
    const uint8_t b = LowByte(maskB);
    CommandFrame frame(tagAddr, kControl);
    frame.Put('D');
    frame.PutHex(static_cast<uint8_t>(a | ~b));
    frame.PutHex(static_cast<uint8_t>(~(a | b)));
    return frame.Send();
  });
}

ROVIRO2_API int32_t ROVIRO2_CALL PT_DCS_ReqConf(uint32_t tagAddr) {
  return Guarded(-4, [&]() -> int32_t { return SendControl(tagAddr, 'D'); });
}

ROVIRO2_API int32_t ROVIRO2_CALL PT_DCS_GetVer(uint32_t tagAddr) {
  return Guarded(-4, [&]() -> int32_t { return SendControl(tagAddr, 'E'); });
}

ROVIRO2_API int32_t ROVIRO2_CALL PT_DCS_Reset(uint32_t tagAddr) {
  return Guarded(-4, [&]() -> int32_t { return SendControl(tagAddr, 'F'); });
}

ROVIRO2_API int32_t ROVIRO2_CALL PT_DCS_SetRows(uint32_t tagAddr, uint32_t rows) {
  return Guarded(-4, [&]() -> int32_t {
    if (LowByte(rows) < 4 || LowByte(rows) > 8) return kCommandRefused;
    return SendControl(tagAddr, 'G', {static_cast<uint8_t>('0' + LowByte(rows))});
  });
}

ROVIRO2_API int32_t ROVIRO2_CALL PT_DCS_SimulateKey(uint32_t tagAddr, uint32_t keyCode) {
  return Guarded(-4, [&]() -> int32_t { return SendSmallParam(tagAddr, 'H', keyCode); });
}

ROVIRO2_API int32_t ROVIRO2_CALL PT_DCS_Cls(uint32_t tagAddr) {
  return Guarded(-4, [&]() -> int32_t { return SendControl(tagAddr, 'I'); });
}

ROVIRO2_API int32_t ROVIRO2_CALL PT_DCS_Buzzer(uint32_t tagAddr, uint32_t param1, uint32_t param2) {
  return Guarded(-4, [&]() -> int32_t {
    return SendControl(tagAddr, 'J', {LowByte(param1), LowByte(param2)});
  });
}

ROVIRO2_API int32_t ROVIRO2_CALL PT_DCS_ScrollUp(uint32_t tagAddr, uint32_t param) {
  return Guarded(-4, [&]() -> int32_t { return SendSmallParam(tagAddr, 'K', param); });
}

ROVIRO2_API int32_t ROVIRO2_CALL PT_DCS_ScrollDown(uint32_t tagAddr, uint32_t param) {
  return Guarded(-4, [&]() -> int32_t { return SendSmallParam(tagAddr, 'L', param); });
}

ROVIRO2_API int32_t ROVIRO2_CALL PT_DCS_ScrollHome(uint32_t tagAddr) {
  return Guarded(-4, [&]() -> int32_t { return SendControl(tagAddr, 'M'); });
}

ROVIRO2_API int32_t ROVIRO2_CALL PT_DCS_ScrollEnd(uint32_t tagAddr) {
  return Guarded(-4, [&]() -> int32_t { return SendControl(tagAddr, 'N'); });
}

// ESC [ row ; column H, both in decimal without leading zeros.
ROVIRO2_API int32_t ROVIRO2_CALL PT_DCS_SetCursor(uint32_t tagAddr, uint32_t row, uint32_t column) {
  return Guarded(-4, [&]() -> int32_t {
    CommandFrame frame(tagAddr, kRawText);
    frame.Put("\x1B[" + std::to_string(LowByte(row)) + ';' + std::to_string(LowByte(column)) + 'H');
    return frame.Send();
  });
}

ROVIRO2_API int32_t ROVIRO2_CALL PT_DCS_DspStrE(uint32_t tagAddr, const char *text,
                                                int32_t length) {
  return Guarded(-4, [&]() -> int32_t {
    CommandFrame frame(tagAddr, kRawText);
    frame.Put(DisplayText(text, length));
    return frame.Send();
  });
}

// A zero byte inside the counted text is sent as the digits "00" like any
// other byte.
ROVIRO2_API int32_t ROVIRO2_CALL PT_DCS_DspStrC(uint32_t tagAddr, const char *text,
                                                int32_t length) {
  return Guarded(-4, [&]() -> int32_t {
    CommandFrame frame(tagAddr, kHexText);
    frame.PutHex(DisplayText(text, length));
    return frame.Send();
  });
}

}  // extern "C"
