/* SPDX-License-Identifier: MIT */
// The frames received from the gateways, as the messages that carry them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "topics.h"

namespace bridge {

struct Message {
  std::string topic;
  std::string payload;
  uint32_t gateway = 0;  // whose event it is (for the overflow count)
};

// A frame as PT_Tag_RcvMsg decodes it: the tag it came from, its command
// (0-255), its status byte (-1 when it has none) and its data.
struct Frame {
  uint32_t tag = 0;
  int command = 0;
  int status = -1;
  const uint8_t *data = nullptr;
  std::size_t length = 0;
};

// JSON: time, gateway, port, node, command, status, the data as hex digits
// ("41 42") and as text, each byte the character of its code (U+0000 to
// U+00FF).
std::string EventPayload(const Frame &frame, const std::string &time);

// Takes at most `most` frames from the library, each handed to `take`;
// returns how many were taken.
int TakeFrames(int most, const std::function<void(const Frame &)> &take);

}  // namespace bridge
