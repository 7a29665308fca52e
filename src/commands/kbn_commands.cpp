// SPDX-License-Identifier: MIT
// Message boards: every body is text of hexadecimal digit pairs, one pair per
// byte for the board; the message itself travels as the digits of its bytes.
#include "commands/command_codes.h"
#include "commands/command_frame.h"
#include "commands/hex_digits.h"
#include "platform/boundary.h"
#include "roviro2.h"

using namespace roviro2;

namespace {

// Segment numbers are 16-bit and sign-extended: 0xFFFF gives FFFFFFFF.
std::string SegmentDigits(int32_t segment) {
  return Hex2(static_cast<uint32_t>(static_cast<int32_t>(static_cast<int16_t>(segment))));
}

// The message part shared by showing a message and downloading a segment;
// a text that cannot fit the frame is read no further than needed to know.
void PutMessage(CommandFrame &frame, const char *text, int32_t msgParam, int32_t option) {
  frame.Put("03000000");
  frame.Put(Hex2(static_cast<uint32_t>(msgParam)));
  frame.Put("0000");
  frame.PutHex(reinterpret_cast<const uint8_t *>(text), TextLength(text, kMaxCommandData + 1));
  frame.Put("00070005");
  if (option > 0) frame.Put("0300000008000000");
  frame.Put("1F");
}

}  // namespace

extern "C" {

ROVIRO2_API int32_t ROVIRO2_CALL PT_KBN_Clear(uint32_t tagAddr) {
  return Guarded(-4, [&]() -> int32_t {
    CommandFrame frame(tagAddr, kBoardMessage);
    frame.Put("9A011F");
    return frame.Send();
  });
}

ROVIRO2_API int32_t ROVIRO2_CALL PT_KBN_DspMsg(uint32_t tagAddr, const char *text, int32_t msgParam,
                                               int32_t option) {
  return Guarded(-4, [&]() -> int32_t {
    CommandFrame frame(tagAddr, kBoardMessage);
    frame.Put("9A");
    PutMessage(frame, text, msgParam, option);
    return frame.Send();
  });
}

ROVIRO2_API int32_t ROVIRO2_CALL PT_KBN_SegDownload(uint32_t tagAddr, int32_t segment,
                                                    const char *text, int32_t msgParam,
                                                    int32_t option) {
  return Guarded(-4, [&]() -> int32_t {
    CommandFrame frame(tagAddr, kSegmentDownload);
    frame.Put("9A" + SegmentDigits(segment));
    PutMessage(frame, text, msgParam, option);
    return frame.Send();
  });
}

ROVIRO2_API int32_t ROVIRO2_CALL PT_KBN_SegDel(uint32_t tagAddr, int32_t segment) {
  return Guarded(-4, [&]() -> int32_t {
    CommandFrame frame(tagAddr, kSegmentDelete);
    frame.Put("9A" + SegmentDigits(segment) + "9B");
    return frame.Send();
  });
}

// A count of 0 or less shows no segment and reads nothing.
ROVIRO2_API int32_t ROVIRO2_CALL PT_KBN_SegDsp(uint32_t tagAddr, const uint8_t *segments,
                                               int32_t count) {
  return Guarded(-4, [&]() -> int32_t {
    CommandFrame frame(tagAddr, kSegmentShow);
    frame.Put("9A");
    frame.PutHex(ResolveCallerBytes(segments, count, NegativeCount::kNone));
    frame.Put("9B");
    return frame.Send();
  });
}

}  // extern "C"
