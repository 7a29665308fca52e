/* SPDX-License-Identifier: MIT */
// Decoding of one received frame for PT_Tag_RcvMsg: the source tag address,
// the command, the status and the data. Pure: bytes in, fields out.
#pragma once

#include <cstddef>
#include <cstdint>

namespace roviro2 {

// A received frame's port code read as a port: the lowest bit alone, so
// every even code is port 1 and every odd code port 2.
inline uint8_t PortOfCode(uint8_t portCode) {
  return static_cast<uint8_t>((portCode & 1) + 1);
}

struct TagMessage {
  uint32_t tagAddr = 0;  // gateway byte in bits 16-23, port in 8-15, node in 0-7
  int16_t command = 0;
  int16_t status = -1;            // -1: the command carries no status byte
  const uint8_t *data = nullptr;  // into the frame
  int16_t dataLength = 0;
};

// False for a damaged frame: shorter than its 8-byte header, or of another
// size than its length field says.
bool DecodeTagMessage(const uint8_t *frame, std::size_t size, TagMessage &message);

}  // namespace roviro2
