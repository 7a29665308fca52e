// SPDX-License-Identifier: MIT
// Cutting long frames into pieces with a repeated header.
#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "link/pieces.h"

namespace roviro2 {
namespace {

std::vector<uint8_t> FrameOfLength(std::size_t length) {
  std::vector<uint8_t> frame(length);
  std::iota(frame.begin(), frame.end(), 0);
  WriteLength(frame.data(), length);
  frame[2] = 0x61;
  if (length > kNodeOffset) {
    frame[6] = 0x28;
    frame[7] = 9;
  }
  return frame;
}

// The bytes that all pieces put on the wire, in order.
std::vector<uint8_t> Wire(const std::vector<uint8_t> &frame) {
  const PieceCutter cutter(frame.data(), frame.size());
  std::vector<uint8_t> wire;
  for (std::size_t i = 0; i < cutter.Count(); ++i) {
    const FramePiece piece = cutter.Piece(i);
    if (!cutter.Whole()) wire.insert(wire.end(), piece.header, piece.header + kHeaderSize);
    wire.insert(wire.end(), piece.data, piece.data + piece.dataSize);
  }
  EXPECT_EQ(wire.size(), cutter.WireSize());
  return wire;
}

TEST(Pieces, FramesUpTo8197BytesGoOutWhole) {
  for (std::size_t length : {6u, 7u, 8u, 15u, 8197u}) {
    const std::vector<uint8_t> frame = FrameOfLength(length);
    const PieceCutter cutter(frame.data(), length);
    EXPECT_TRUE(cutter.Whole()) << length;
    EXPECT_EQ(cutter.Count(), 1u);
    EXPECT_EQ(Wire(frame), frame) << length;
  }
}

TEST(Pieces, A8198ByteFrameIsOnePieceIdenticalToItself) {
  const std::vector<uint8_t> frame = FrameOfLength(8198);
  const PieceCutter cutter(frame.data(), frame.size());
  EXPECT_FALSE(cutter.Whole());
  EXPECT_EQ(cutter.Count(), 1u);
  EXPECT_EQ(Wire(frame), frame);
}

TEST(Pieces, LongerFramesRepeatTheHeaderWithEachPiecesOwnLength) {
  const std::vector<uint8_t> frame = FrameOfLength(8200);
  const PieceCutter cutter(frame.data(), frame.size());
  ASSERT_EQ(cutter.Count(), 2u);
  const FramePiece first = cutter.Piece(0);
  const FramePiece second = cutter.Piece(1);
  EXPECT_EQ(ReadLength(first.header), 8198);
  EXPECT_EQ(ReadLength(second.header), 10);
  EXPECT_EQ(first.dataSize, 8190u);
  EXPECT_EQ(second.dataSize, 2u);
  for (std::size_t i = 2; i < kHeaderSize; ++i) {
    EXPECT_EQ(first.header[i], frame[i]) << i;
    EXPECT_EQ(second.header[i], frame[i]) << i;
  }
  EXPECT_EQ(first.data, frame.data() + 8);
  EXPECT_EQ(second.data, frame.data() + 8 + 8190);
}

TEST(Pieces, EveryDataByteGoesOutOnceInOrder) {
  for (std::size_t length : {8199u, 8200u, 16388u, 16389u, 65535u}) {
    const std::vector<uint8_t> frame = FrameOfLength(length);
    const PieceCutter cutter(frame.data(), length);
    std::vector<uint8_t> data;
    for (std::size_t i = 0; i < cutter.Count(); ++i) {
      const FramePiece piece = cutter.Piece(i);
      EXPECT_LE(piece.dataSize, kMaxPieceData);
      EXPECT_EQ(ReadLength(piece.header), piece.dataSize + kHeaderSize);
      data.insert(data.end(), piece.data, piece.data + piece.dataSize);
    }
    EXPECT_EQ(data, std::vector<uint8_t>(frame.begin() + 8, frame.end())) << length;
    EXPECT_EQ(cutter.WireSize(), length + (cutter.Count() - 1) * kHeaderSize);
  }
  const std::vector<uint8_t> frame = FrameOfLength(8199);
  EXPECT_EQ(PieceCutter(frame.data(), 8199).Count(), 2u);
  EXPECT_EQ(PieceCutter(frame.data(), 8199).Piece(1).dataSize, 1u);
}

}  // namespace
}  // namespace roviro2
