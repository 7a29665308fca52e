// SPDX-License-Identifier: MIT
// The frame as a gateway speaks it: an 8-byte header (little-endian total
// length, port code, three bytes left unset, command, node), then data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace gwsim {

using Bytes = std::vector<uint8_t>;

constexpr std::size_t kHeaderSize = 8;
constexpr std::size_t kPortCodeOffset = 2;
constexpr std::size_t kCommandOffset = 6;
constexpr std::size_t kNodeOffset = 7;

constexpr std::size_t kLengthFieldSize = 2;
// The length fields a frame can have; any other one is a broken stream.
constexpr std::size_t kMinFrame = 5;
constexpr std::size_t kMaxFrame = 8198;

inline std::size_t ReadLength(const uint8_t *frame) {
  return static_cast<std::size_t>(frame[0] | frame[1] << 8);
}

inline void WriteLength(uint8_t *frame, std::size_t length) {
  frame[0] = static_cast<uint8_t>(length);
  frame[1] = static_cast<uint8_t>(length >> 8);
}

}  // namespace gwsim
