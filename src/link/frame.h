/* SPDX-License-Identifier: MIT */
// The frame: an 8-byte header (little-endian total length, port code, three
// bytes that commands leave unset, command, node) followed by data bytes.
// Also the tag address, which names one device behind a gateway.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace roviro2 {

constexpr std::size_t kHeaderSize = 8;
constexpr std::size_t kMaxCommandData = 8192;  // data a command function builds
constexpr std::size_t kCommandBufferSize = kHeaderSize + kMaxCommandData;
constexpr std::size_t kMaxWireFrame = 8198;  // largest frame or piece on the wire
constexpr std::size_t kMaxPieceData = kMaxWireFrame - kHeaderSize;

// Header offsets.
constexpr std::size_t kPortCodeOffset = 2;
constexpr std::size_t kGatewayByteOffset = 4;
constexpr std::size_t kCommandOffset = 6;
constexpr std::size_t kNodeOffset = 7;

constexpr uint8_t kPortCode1 = 0x60;
constexpr uint8_t kPortCode2 = 0x61;

constexpr std::size_t kLengthFieldSize = 2;

inline uint16_t ReadLength(const uint8_t *frame) {
  return static_cast<uint16_t>(frame[0] | (frame[1] << 8));
}

inline void WriteLength(uint8_t *frame, std::size_t length) {
  frame[0] = static_cast<uint8_t>(length);
  frame[1] = static_cast<uint8_t>(length >> 8);
}

// Copies of 4 to 16 bytes, the most common frames and data, are made
// without a call: two copies of 8 (or 4) bytes that overlap in the middle.
constexpr std::size_t kLargestSmallCopy = 16;
inline bool IsSmallCopy(std::size_t size) {
  return size >= 4 && size <= kLargestSmallCopy;
}
// Copies `size` bytes, from `piece` to twice as many, as two copies of
// `piece` bytes: one from the start, one up to the end.
template <std::size_t piece>
inline void CopyTwoPieces(uint8_t *to, const uint8_t *from, std::size_t size) {
  std::memcpy(to, from, piece);
  std::memcpy(to + size - piece, from + size - piece, piece);
}
inline void CopySmall(uint8_t *to, const uint8_t *from, std::size_t size) {
  if (__builtin_expect(size >= 8, 1)) {  // every frame, and most data
    CopyTwoPieces<8>(to, from, size);
  } else {
    CopyTwoPieces<4>(to, from, size);
  }
}
// Copies of at most 16 bytes, of any size, without a call; false, and
// nothing copied, for more. Sizes from 8 up are told apart first, so that
// 4 to 16 bytes, the most common, take two tests.
inline bool CopyIfShort(uint8_t *to, const uint8_t *from, std::size_t size) {
  if (size >= 8) {
    if (size > kLargestSmallCopy) return false;
    CopyTwoPieces<8>(to, from, size);
  } else if (size >= 4) {
    CopyTwoPieces<4>(to, from, size);
  } else if (size >= 2) {
    CopyTwoPieces<2>(to, from, size);
  } else if (size == 1) {
    *to = *from;
  }
  return true;
}
inline void CopyBytes(uint8_t *to, const uint8_t *from, std::size_t size) {
  if (IsSmallCopy(size)) return CopySmall(to, from, size);
  std::memcpy(to, from, size);
}

// The three parts of a tag address.
struct TagAddr {
  uint16_t gwId;    // bits 16-31
  uint8_t portSel;  // bits 8-15: exactly 1 is port 1, any other value port 2
  uint8_t node;     // bits 0-7
};

inline TagAddr SplitTagAddr(uint32_t tagAddr) {
  return {static_cast<uint16_t>(tagAddr >> 16), static_cast<uint8_t>(tagAddr >> 8),
          static_cast<uint8_t>(tagAddr)};
}

inline uint8_t PortCodeFor(uint8_t portSel) {
  return portSel == 1 ? kPortCode1 : kPortCode2;
}

}  // namespace roviro2
