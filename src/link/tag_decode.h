/* SPDX-License-Identifier: MIT */
// Decoding of one received frame for PT_Tag_RcvMsg: the source tag address,
// the command, the status and the data. Pure: bytes in, fields out.
#pragma once

#include <cstddef>
#include <cstdint>

#include "link/frame.h"

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

namespace tag_decoding {

constexpr uint8_t kDiagnosis = 9;
constexpr uint8_t kLastPlainCommand = 15;
constexpr uint8_t kRawData = 0x28;
constexpr std::size_t kStatusOffset = 8;

// Commands 0 to 15 and 0x28 carry their data from byte 8 on; every other
// command has a status in byte 8 and its data from byte 9 on.
inline bool HasStatusByte(uint8_t command) {
  return command > kLastPlainCommand && command != kRawData;
}

inline void TakeData(const uint8_t *frame, std::size_t size, std::size_t from,
                     TagMessage &message) {
  if (size > from) {
    message.data = frame + from;
    message.dataLength = static_cast<int16_t>(size - from);
  } else {
    message.data = nullptr;
    message.dataLength = 0;
  }
}

}  // namespace tag_decoding

// Decodes a whole frame: at least its 8-byte header, and as long as its
// length field says. Inline: PT_Tag_RcvMsg decodes every frame it takes.
inline void DecodeWholeTagMessage(const uint8_t *frame, std::size_t size, TagMessage &message) {
  using namespace tag_decoding;
  const uint8_t command = frame[kCommandOffset];
  message.command = command;
  message.tagAddr = (static_cast<uint32_t>(frame[kGatewayByteOffset]) << 16) |
                    (static_cast<uint32_t>(PortOfCode(frame[kPortCodeOffset])) << 8) |
                    frame[kNodeOffset];
  if (HasStatusByte(command)) {
    message.status = static_cast<int16_t>(size > kStatusOffset ? frame[kStatusOffset] : 0);
    TakeData(frame, size, kStatusOffset + 1, message);
    return;
  }
  message.status = -1;
  TakeData(frame, size, kHeaderSize, message);
  if (command == kDiagnosis) {
    // Byte 7 of a diagnosis answer is a status, not a node.
    message.status = frame[kNodeOffset];
    message.tagAddr &= ~0xFFu;
  }
}

// The same for any frame; false for a damaged one: shorter than its 8-byte
// header, or of another size than its length field says.
inline bool DecodeTagMessage(const uint8_t *frame, std::size_t size, TagMessage &message) {
  if (size < kHeaderSize || size != ReadLength(frame)) return false;
  DecodeWholeTagMessage(frame, size, message);
  return true;
}

}  // namespace roviro2
