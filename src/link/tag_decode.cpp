// SPDX-License-Identifier: MIT
#include "link/tag_decode.h"

#include "link/frame.h"

namespace roviro2 {

namespace {

constexpr uint8_t kDiagnosis = 9;
constexpr uint8_t kLastPlainCommand = 15;
constexpr uint8_t kRawData = 0x28;
constexpr std::size_t kStatusOffset = 8;

// Commands 0 to 15 and 0x28 carry their data from byte 8 on; every other
// command has a status in byte 8 and its data from byte 9 on.
bool HasStatusByte(uint8_t command) {
  return command > kLastPlainCommand && command != kRawData;
}

void TakeData(const uint8_t *frame, std::size_t size, std::size_t from, TagMessage &message) {
  if (size > from) {
    message.data = frame + from;
    message.dataLength = static_cast<int16_t>(size - from);
  } else {
    message.data = nullptr;
    message.dataLength = 0;
  }
}

}  // namespace

bool DecodeTagMessage(const uint8_t *frame, std::size_t size, TagMessage &message) {
  if (size < kHeaderSize || size != ReadLength(frame)) return false;
  const uint8_t command = frame[kCommandOffset];
  message.command = command;
  message.tagAddr = (static_cast<uint32_t>(frame[kGatewayByteOffset]) << 16) |
                    (static_cast<uint32_t>(PortOfCode(frame[kPortCodeOffset])) << 8) |
                    frame[kNodeOffset];
  if (HasStatusByte(command)) {
    message.status = static_cast<int16_t>(size > kStatusOffset ? frame[kStatusOffset] : 0);
    TakeData(frame, size, kStatusOffset + 1, message);
    return true;
  }
  message.status = -1;
  TakeData(frame, size, kHeaderSize, message);
  if (command == kDiagnosis) {
    // Byte 7 of a diagnosis answer is a status, not a node.
    message.status = frame[kNodeOffset];
    message.tagAddr &= ~0xFFu;
  }
  return true;
}

}  // namespace roviro2
