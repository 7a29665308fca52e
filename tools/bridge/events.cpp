// SPDX-License-Identifier: MIT
#include "events.h"

#include <cstdio>
#include <nlohmann/json.hpp>

#include "roviro2.h"

namespace bridge {

std::string EventPayload(const Frame &frame, const std::string &time) {
  std::string hex, text;
  char pair[4];
  for (std::size_t i = 0; i < frame.length; ++i) {
    std::snprintf(pair, sizeof pair, i ? " %02X" : "%02X", frame.data[i]);
    hex += pair;
    const uint8_t c = frame.data[i];
    if (c < 0x80) {
      text += static_cast<char>(c);
    } else {  // U+0080..U+00FF in UTF-8
      text += static_cast<char>(0xC0 | c >> 6);
      text += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  nlohmann::json event = {{"time", time},
                          {"gateway", frame.tag >> 16},
                          {"port", (frame.tag >> 8) & 0xFF},
                          {"node", frame.tag & 0xFF},
                          {"command", frame.command},
                          {"status", frame.status},
                          {"hex", hex},
                          {"text", text}};
  return event.dump();
}

int TakeFrames(int most, const std::function<void(const Frame &)> &take) {
  static uint8_t data[8190];
  int taken = 0;
  for (int tries = 0; tries < most; ++tries) {
    uint32_t tag = 0;  // any tag, any command
    int16_t command = -1, status = 0, length = 0;
    const int32_t r = PT_Tag_RcvMsg(&tag, &command, &status, data, &length);
    if (r == ROVIRO2_NO_FRAME) break;
    if (r != ROVIRO2_FRAME_TAKEN) continue;  // a damaged frame was dropped: the next one
    take(Frame{tag, command & 0xFF, status, data,
               static_cast<std::size_t>(length < 0 ? 0 : length)});
    ++taken;
  }
  return taken;
}

}  // namespace bridge
