// SPDX-License-Identifier: MIT
#include "link/pieces.h"

#include <cstring>

namespace roviro2 {

std::size_t PieceCutter::Count() const {
  if (Whole()) return 1;
  const std::size_t data = length_ - kHeaderSize;
  return (data + kMaxPieceData - 1) / kMaxPieceData;
}

FramePiece PieceCutter::Piece(std::size_t i) const {
  FramePiece piece{};
  if (Whole()) {
    piece.data = frame_;
    piece.dataSize = length_;
    return piece;
  }
  const std::size_t start = i * kMaxPieceData;
  const std::size_t left = length_ - kHeaderSize - start;
  piece.dataSize = left < kMaxPieceData ? left : kMaxPieceData;
  piece.data = frame_ + kHeaderSize + start;
  std::memcpy(piece.header, frame_, kHeaderSize);
  WriteLength(piece.header, kHeaderSize + piece.dataSize);
  return piece;
}

}  // namespace roviro2
