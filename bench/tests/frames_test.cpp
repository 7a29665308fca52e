// SPDX-License-Identifier: MIT
// The frames the peers send and the plain cutter of the reference loops:
// if these were wrong, a reference would measure a different transfer.
#include <gtest/gtest.h>

#include <cstring>

#include "harness/frames.h"

namespace bench {
namespace {

std::size_t LengthOf(const Bytes &frame) {
  return frame[0] | (frame[1] << 8);
}

TEST(Frames, FrameCarriesItsLengthPortCommandAndNode) {
  const Bytes frame = MakeFrame(15, 0x28, 7);
  ASSERT_EQ(frame.size(), 15u);
  EXPECT_EQ(LengthOf(frame), 15u);
  EXPECT_EQ(frame[2], kPort1);
  EXPECT_EQ(frame[6], 0x28);
  EXPECT_EQ(frame[7], 7);
  const Bytes stream = RepeatedFrames(15, 100);
  EXPECT_EQ(stream.size(), 105u) << "whole frames only, at least the asked bytes";
}

TEST(Frames, PiecesAreCutLikeTheLibrarySendsThem) {
  EXPECT_EQ(Pieces(MakeFrame(15)), std::vector<Bytes>{MakeFrame(15)});
  EXPECT_EQ(Pieces(MakeFrame(8198)), std::vector<Bytes>{MakeFrame(8198)});

  const Bytes frame = MakeFrame(8200, 3, 9);
  const std::vector<Bytes> pieces = Pieces(frame);
  ASSERT_EQ(pieces.size(), 2u);
  ASSERT_EQ(pieces[0].size(), 8198u);
  ASSERT_EQ(pieces[1].size(), 10u);
  for (const Bytes &piece : pieces) {
    EXPECT_EQ(LengthOf(piece), piece.size());
    EXPECT_EQ(0, std::memcmp(piece.data() + 2, frame.data() + 2, 6)) << "header repeated";
  }
  EXPECT_EQ(0, std::memcmp(pieces[1].data() + 8, frame.data() + 8 + 8190, 2));
}

// Feeds `stream` to a cutter in reads of `step` bytes; every frame cut.
std::vector<Bytes> CutInReads(const Bytes &stream, std::size_t step) {
  FrameCutter cutter(2 * kLargestFrame);
  std::vector<Bytes> frames;
  Bytes out(kLargestFrame);
  for (std::size_t at = 0; at < stream.size();) {
    const std::size_t count = std::min({step, stream.size() - at, cutter.SpaceSize()});
    std::memcpy(cutter.Space(), stream.data() + at, count);
    cutter.Filled(count);
    at += count;
    while (std::size_t size = cutter.Next(out.data()))
      frames.emplace_back(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(size));
  }
  return frames;
}

TEST(FrameCutter, CutsTheSameFramesWhateverTheReads) {
  const std::vector<Bytes> expected = {MakeFrame(15), MakeFrame(8198), MakeFrame(9),
                                       MakeFrame(300)};
  Bytes stream;
  for (const Bytes &frame : expected)
    stream.insert(stream.end(), frame.begin(), frame.end());
  for (std::size_t step : {1u, 7u, 4096u, 100000u})
    EXPECT_EQ(CutInReads(stream, step), expected) << "reads of " << step;
}

TEST(FrameCutter, DamagedLengthFieldsNeverStallIt) {
  const Bytes stream = {0, 0, 1, 0, 0xFF, 0xFF, 0xFF, 0xFF};
  const std::vector<Bytes> frames = CutInReads(stream, stream.size());
  ASSERT_EQ(frames.size(), 4u) << "each bad length field moves on by two bytes";
  for (const Bytes &frame : frames)
    EXPECT_EQ(frame.size(), 2u);
}

}  // namespace
}  // namespace bench
