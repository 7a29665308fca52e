/* SPDX-License-Identifier: MIT */
// Decoding of one received frame for PT_Tag_RcvMsg: the source tag address,
// the command, the status and the data. Pure: bytes in, fields out.
#pragma once

#include <cstddef>
#include <cstdint>

#include "link/frame.h"

namespace roviro2 {

// A received frame's port code read as a port, in bits 8-15 as a tag
// address holds it: the lowest bit alone, so every even code is port 1 and
// every odd code port 2. Written as a sum, since the decode adds it to the
// address's other parts in one step.
inline uint32_t PortFieldOfCode(uint8_t portCode) {
  return ((portCode & 1u) << 8) + 0x100;
}
inline uint8_t PortOfCode(uint8_t portCode) {
  return static_cast<uint8_t>(PortFieldOfCode(portCode) >> 8);
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

// Takes the fields of a decode into a TagMessage.
struct MessageFields {
  TagMessage &message;
  void Command(uint8_t command) { message.command = command; }
  void Status(int16_t status) { message.status = status; }
  void TagAddr(uint32_t tagAddr) { message.tagAddr = tagAddr; }
  void Data(const uint8_t *data, std::size_t size) {
    message.data = size > 0 ? data : nullptr;
    message.dataLength = static_cast<int16_t>(size);
  }
};

}  // namespace tag_decoding

// The fields of a frame, its status and its data (`count` bytes from byte
// `from`) given: each field is read just before it goes to `to`.
template <typename Fields>
[[gnu::always_inline]] inline auto WriteTagFields(const uint8_t *frame, Fields &&to, int16_t status,
                                                  uint32_t nodeMask, std::size_t from,
                                                  std::size_t count) {
  to.Command(frame[kCommandOffset]);
  to.Status(status);
  to.TagAddr(
      ((static_cast<uint32_t>(frame[kGatewayByteOffset]) << 16) | (frame[kNodeOffset] & nodeMask)) +
      PortFieldOfCode(frame[kPortCodeOffset]));
  return to.Data(frame + from, count);
}

// Decodes a whole frame: at least its 8-byte header, and as long as its
// length field says. Each field goes to `to` as soon as it is known
// (command, status, tag address, then the data), so that a caller that
// writes them out keeps few values at once; what to.Data returns is
// returned. Inline: PT_Tag_RcvMsg decodes every frame it takes.
template <typename Fields>
[[gnu::always_inline]] inline auto DecodeWholeTag(const uint8_t *frame, std::size_t size,
                                                  Fields &&to) {
  using namespace tag_decoding;
  const uint8_t command = frame[kCommandOffset];
  if (HasStatusByte(command)) {
    if (size == kHeaderSize) return WriteTagFields(frame, to, 0, 0xFF, kHeaderSize, 0);
    return WriteTagFields(frame, to, frame[kStatusOffset], 0xFF, kStatusOffset + 1,
                          size - kStatusOffset - 1);
  }
  // Byte 7 of a diagnosis answer is a status, not a node.
  if (command == kDiagnosis) {
    return WriteTagFields(frame, to, frame[kNodeOffset], 0, kHeaderSize, size - kHeaderSize);
  }
  return WriteTagFields(frame, to, -1, 0xFF, kHeaderSize, size - kHeaderSize);
}

inline void DecodeWholeTagMessage(const uint8_t *frame, std::size_t size, TagMessage &message) {
  DecodeWholeTag(frame, size, tag_decoding::MessageFields{message});
}

// Whether a frame is whole; a damaged one is shorter than its 8-byte
// header, or of another size than its length field says.
inline bool IsWholeTagFrame(const uint8_t *frame, std::size_t size) {
  return size >= kHeaderSize && size == ReadLength(frame);
}

// DecodeWholeTagMessage for any frame; false for a damaged one.
inline bool DecodeTagMessage(const uint8_t *frame, std::size_t size, TagMessage &message) {
  if (!IsWholeTagFrame(frame, size)) return false;
  DecodeWholeTagMessage(frame, size, message);
  return true;
}

}  // namespace roviro2
