// SPDX-License-Identifier: MIT
// The simulator's own cutting of a client's stream into frames: however the
// stream is split into reads, at a length field no frame can have, and for
// an incomplete frame left waiting too long.
#include <gtest/gtest.h>

#include <algorithm>

#include "frame_cutter.h"

namespace gwsim {
namespace {

using Clock = FrameCutter::Clock;

Bytes Frame(std::size_t length, uint8_t fill) {
  Bytes frame(length, fill);
  WriteLength(frame.data(), length);
  return frame;
}

Bytes Joined(const std::vector<Bytes> &frames) {
  Bytes stream;
  for (const Bytes &frame : frames)
    stream.insert(stream.end(), frame.begin(), frame.end());
  return stream;
}

class CutInReadsOf : public testing::TestWithParam<std::size_t> {};

TEST_P(CutInReadsOf, AnySplitGivesTheFramesWholeAndInOrder) {
  const std::vector<Bytes> sent = {Frame(kMinFrame, 1), Frame(kMaxFrame, 2), Frame(9, 3)};
  const Bytes stream = Joined(sent);
  FrameCutter cutter;
  std::vector<Bytes> got;
  for (std::size_t at = 0; at < stream.size(); at += GetParam()) {
    const std::size_t size = std::min(GetParam(), stream.size() - at);
    FrameCutter::Result cut = cutter.Feed(stream.data() + at, size, Clock::now());
    EXPECT_TRUE(cut.notices.empty());
    got.insert(got.end(), cut.frames.begin(), cut.frames.end());
  }
  EXPECT_EQ(got, sent);
  EXPECT_EQ(cutter.Pending(), 0u);
}

INSTANTIATE_TEST_SUITE_P(SimulatorFrameCutter, CutInReadsOf, testing::Values(1, 2, 3, 4099, 65536));

class CutAtLength : public testing::TestWithParam<std::size_t> {};

TEST_P(CutAtLength, RefusedLengthDropsTheRestOfTheReadAndTellsIt) {
  const Bytes before = Frame(8, 1);
  Bytes read = Joined({before, Frame(8, 2)});
  WriteLength(read.data() + before.size(), GetParam());
  FrameCutter cutter;
  const Bytes half = {read.begin(), read.begin() + 1};
  EXPECT_TRUE(cutter.Feed(half.data(), half.size(), Clock::now()).frames.empty());
  const FrameCutter::Result cut = cutter.Feed(read.data() + 1, read.size() - 1, Clock::now());
  EXPECT_EQ(cut.frames, std::vector<Bytes>{before});
  EXPECT_EQ(cut.notices, std::vector<std::string>{"Receive Data Error, Get Data too much = " +
                                                  std::to_string(GetParam())});
  EXPECT_EQ(cutter.Pending(), 0u);
  const Bytes next = Frame(6, 3);
  EXPECT_EQ(cutter.Feed(next.data(), next.size(), Clock::now()).frames, std::vector<Bytes>{next});
}

INSTANTIATE_TEST_SUITE_P(SimulatorFrameCutter, CutAtLength,
                         testing::Values(0, kMinFrame - 1, kMaxFrame + 1, 0xFFFF));

TEST(SimulatorFrameCutter, IncompleteFrameWaitingTooLongIsGivenUp) {
  const Bytes frame = Frame(10, 4);
  const auto start = Clock::now();
  for (const bool late : {false, true}) {
    FrameCutter cutter;
    cutter.Feed(frame.data(), 4, start);
    const auto then = start + FrameCutter::kPatience + std::chrono::milliseconds(late ? 1 : 0);
    const FrameCutter::Result cut = cutter.Feed(frame.data(), frame.size(), then);
    EXPECT_EQ(cut.frames.size(), 1u) << late;
    EXPECT_EQ(cut.frames.at(0), late ? frame
                                     : Joined({Bytes(frame.begin(), frame.begin() + 4),
                                               Bytes(frame.begin(), frame.begin() + 6)}));
    EXPECT_EQ(cut.notices.size(), late ? 1u : 0u);
  }
}

}  // namespace
}  // namespace gwsim
