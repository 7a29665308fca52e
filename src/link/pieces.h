/* SPDX-License-Identifier: MIT */
// How a frame goes on the wire: whole up to 8197 bytes; from 8198 bytes on as
// pieces, each the frame's 8 header bytes with the piece's own length field,
// followed by at most 8190 of the frame's data bytes, in order.
#pragma once

#include <cstddef>
#include <cstdint>

#include "link/frame.h"

namespace roviro2 {

constexpr std::size_t kFirstCutLength = 8198;

struct FramePiece {
  uint8_t header[kHeaderSize];  // unused for a whole frame
  const uint8_t *data;          // the whole frame, or the piece's data bytes
  std::size_t dataSize;
};

class PieceCutter {
 public:
  // length: the frame's length field; the frame holds that many bytes.
  PieceCutter(const uint8_t *frame, std::size_t length) : frame_(frame), length_(length) {}

  bool Whole() const { return length_ < kFirstCutLength; }
  std::size_t Count() const;
  // Bytes that all pieces put on the wire.
  std::size_t WireSize() const { return Whole() ? length_ : length_ + (Count() - 1) * kHeaderSize; }
  // Piece i (0-based) of Count(). The caller's frame is never written.
  FramePiece Piece(std::size_t i) const;

 private:
  const uint8_t *frame_;
  std::size_t length_;
};

}  // namespace roviro2
