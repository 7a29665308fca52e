// SPDX-License-Identifier: MIT
// Ten-character light bar tags (LB2), scanners (CCD) and converters (CNV).
#include "commands/command_codes.h"
#include "commands/command_frame.h"
#include "commands/display_sequence.h"
#include "platform/boundary.h"
#include "roviro2.h"

using namespace roviro2;

namespace {

constexpr std::size_t kMaxLb2Text = 10;  // bytes of text shown or downloaded

constexpr uint8_t kTerminatorSetting = 0x20;

}  // namespace

extern "C" {

ROVIRO2_API int32_t ROVIRO2_CALL PT_LB2_DspStr(uint32_t tagAddr, const char *text,
                                               int32_t dspMode) {
  return Guarded(-4, [&]() -> int32_t {
    return SendDisplaySequence(tagAddr, dspMode,
                               [text](CommandFrame &frame) { frame.PutText(text, kMaxLb2Text); });
  });
}

ROVIRO2_API int32_t ROVIRO2_CALL PT_LB2_SetRows(uint32_t tagAddr, int32_t rows) {
  return Guarded(-4, [&]() -> int32_t {
    const int16_t count = static_cast<int16_t>(rows);
    if (count < 1 || count > 12) return -2;
    return SendCommand(tagAddr, kSetRows, {static_cast<uint8_t>(count)});
  });
}

ROVIRO2_API int32_t ROVIRO2_CALL PT_LB2_Download(uint32_t tagAddr, uint32_t leadByte,
                                                 const char *text) {
  return Guarded(-4, [&]() -> int32_t {
    CommandFrame frame(tagAddr, kDownload);
    frame.Put(static_cast<uint8_t>(leadByte));
    frame.PutText(text, kMaxLb2Text);
    return frame.Send();
  });
}

ROVIRO2_API int32_t ROVIRO2_CALL PT_CCD_Rescan(uint32_t tagAddr) {
  return Guarded(-4, [&]() -> int32_t { return SendCommand(tagAddr, kRescan, {0x0A}); });
}

ROVIRO2_API int32_t ROVIRO2_CALL PT_CNV_SendData(uint32_t tagAddr, const uint8_t *data,
                                                 int32_t length) {
  return Guarded(-4, [&]() -> int32_t {
    CommandFrame frame(tagAddr, kSendData);
    frame.Put(ResolveCallerBytes(data, length, NegativeCount::kRefused));
    return frame.Send();
  });
}

ROVIRO2_API int32_t ROVIRO2_CALL PT_CNV_SetTerminator(uint32_t tagAddr, uint32_t terminator) {
  return Guarded(-4, [&]() -> int32_t {
    return SendSetting(tagAddr, kTerminatorSetting, static_cast<uint8_t>(terminator));
  });
}

}  // extern "C"
