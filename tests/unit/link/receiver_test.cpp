// SPDX-License-Identifier: MIT
// Cutting one gateway's byte stream into frames: reads of any size, the
// length limits, and the time-out of an incomplete frame.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "link/receiver.h"

namespace roviro2 {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Frame(std::size_t length, uint8_t fill) {
  Bytes frame(length, fill);
  frame[0] = static_cast<uint8_t>(length);
  frame[1] = static_cast<uint8_t>(length >> 8);
  return frame;
}

Bytes Concat(const std::vector<Bytes> &frames) {
  Bytes stream;
  for (const Bytes &f : frames)
    stream.insert(stream.end(), f.begin(), f.end());
  return stream;
}

constexpr double kMinute = 1.0 / (24 * 60);

// Every rule holds for reads copied from a read area and for reads made
// straight into queue storage (true).
class Receiver : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    slot_.IPAddr.ID = 300;  // gateway byte 44
    slot_.RcvTimeOut = kRcvTimeOutDays;
  }

  void Feed(const Bytes &bytes, double now = 0.0) {
    const auto receive = GetParam() ? ReceiveBytesInPlace : ReceiveBytes;
    receive(slot_, bytes.data(), bytes.size(), now, queue_, sink_);
    ASSERT_TRUE(queue_.CheckInvariants());
  }

  std::vector<Bytes> Drain() {
    std::vector<Bytes> frames;
    for (auto id = queue_.First(); id != ReceiveQueue::kNoEntry; id = queue_.First()) {
      const ByteView view = queue_.View(id);
      frames.emplace_back(view.data, view.data + view.size);
      queue_.Remove(id);
    }
    return frames;
  }

  static Bytes Marked(Bytes frame) {
    frame[4] = 44;
    return frame;
  }

  TMyTCP2 slot_;
  ReceiveQueue queue_;
  std::vector<std::string> notices_;
  NoticeSink sink_ = [this](const std::string &text) { notices_.push_back(text); };
};

const std::vector<Bytes> kStream = {Frame(15, 1),   Frame(8, 2), Frame(5, 3),
                                    Frame(8198, 4), Frame(9, 5), Frame(300, 6)};

TEST_P(Receiver, EveryCutOfTheStreamGivesTheSameFramesMarkedWithTheGatewayByte) {
  const Bytes stream = Concat(kStream);
  std::vector<Bytes> expected;
  for (const Bytes &f : kStream)
    expected.push_back(Marked(f));

  Feed(stream);
  EXPECT_EQ(Drain(), expected) << "whole";

  for (const uint8_t byte : stream)
    Feed({byte});
  EXPECT_EQ(Drain(), expected) << "one byte at a time";

  std::mt19937 random(7);
  for (int round = 0; round < 20; ++round) {
    std::size_t at = 0;
    while (at < stream.size()) {
      const std::size_t n = std::min<std::size_t>(1 + random() % 9000, stream.size() - at);
      Feed(Bytes(stream.begin() + static_cast<std::ptrdiff_t>(at),
                 stream.begin() + static_cast<std::ptrdiff_t>(at + n)));
      at += n;
    }
    EXPECT_EQ(Drain(), expected) << "random cuts, round " << round;
  }
  EXPECT_TRUE(slot_.RcvBuf.empty());
  EXPECT_TRUE(notices_.empty());
}

TEST_P(Receiver, IncompleteFrameWaitsAndEachReadMovesItsTime) {
  const Bytes frame = Frame(40, 9);
  Feed(Bytes(frame.begin(), frame.begin() + 1), 1.0);
  EXPECT_DOUBLE_EQ(slot_.RcvTime, 1.0) << "one byte: the length is not known yet";
  Feed(Bytes(frame.begin() + 1, frame.begin() + 20), 1.0 + 6 * kMinute);
  EXPECT_DOUBLE_EQ(slot_.RcvTime, 1.0 + 6 * kMinute);
  EXPECT_EQ(queue_.Count(), 0u);
  // 12 minutes after the first read, 6 after the last: the time-out counts
  // from the last arrival.
  Feed(Bytes(frame.begin() + 20, frame.end()), 1.0 + 12 * kMinute);
  EXPECT_EQ(Drain(), std::vector<Bytes>{Marked(frame)});
  EXPECT_TRUE(notices_.empty());
  EXPECT_DOUBLE_EQ(slot_.RcvTime, 1.0 + 6 * kMinute) << "a completing read leaves the time";
}

TEST_P(Receiver, LongestFrameIsAcceptedAndALongerLengthDropsTheRestOfTheRead) {
  Feed(Frame(8198, 1));
  EXPECT_EQ(queue_.Count(), 1u);
  Bytes read = Frame(10, 2);
  const Bytes tooLong = Frame(8199, 3);
  read.insert(read.end(), tooLong.begin(), tooLong.begin() + 100);
  Feed(read);
  ASSERT_EQ(notices_.size(), 1u);
  EXPECT_EQ(notices_[0], "Receive Data Error, Get Data too much = 8199");
  EXPECT_EQ(queue_.Count(), 2u) << "the frame before it is queued";
  EXPECT_TRUE(slot_.RcvBuf.empty());
  Feed(Frame(9, 4));
  EXPECT_EQ(queue_.Count(), 3u) << "the next read starts afresh";
}

TEST_P(Receiver, LengthFieldsBelowFiveAreRefusedLikeOversizeOnes) {
  for (uint8_t length = 0; length < 5; ++length) {
    notices_.clear();
    Bytes read = {length, 0, 0x60, 0, 0, 0, 0, 0};
    const Bytes after = Frame(9, 1);
    read.insert(read.end(), after.begin(), after.end());
    Feed(read);
    ASSERT_EQ(notices_.size(), 1u) << int(length);
    EXPECT_EQ(notices_[0], "Receive Data Error, Get Data too much = " + std::to_string(length));
    EXPECT_EQ(queue_.Count(), 0u) << "nothing shorter than 5 bytes, nothing after it";
    EXPECT_TRUE(slot_.RcvBuf.empty());
  }
  Feed({5, 0, 0x60, 0, 0});
  EXPECT_EQ(queue_.Count(), 1u) << "5 bytes hold the gateway byte: queued";
}

TEST_P(Receiver, WaitingFrameTakesOnlyItsOwnBytesFromTheNextRead) {
  const Bytes longest = Frame(8198, 1);
  const Bytes next = Frame(300, 2);
  Feed(Bytes(longest.begin(), longest.begin() + 100));
  Bytes read(longest.begin() + 100, longest.end());
  for (int i = 0; i < 50; ++i)
    read.insert(read.end(), next.begin(), next.end());
  read.insert(read.end(), next.begin(), next.begin() + 10);
  Feed(read);

  const std::vector<Bytes> frames = Drain();
  ASSERT_EQ(frames.size(), 51u);
  EXPECT_EQ(frames.front(), Marked(longest));
  EXPECT_EQ(frames.back(), Marked(next));
  EXPECT_EQ(slot_.RcvBuf, Bytes(next.begin(), next.begin() + 10));
  // The frames behind the waiting one are cut where they arrived: the buffer
  // never held this read whole.
  EXPECT_LE(slot_.RcvBuf.capacity(), longest.size());
}

TEST_P(Receiver, LengthFieldCompletedByTheNextReadIsStillChecked) {
  Feed({0x10});  // low byte of 10000
  Bytes read = {0x27, 0x60, 0, 0, 0, 0};
  const Bytes after = Frame(9, 1);
  read.insert(read.end(), after.begin(), after.end());
  Feed(read);
  ASSERT_EQ(notices_.size(), 1u);
  EXPECT_EQ(notices_[0], "Receive Data Error, Get Data too much = 10000");
  EXPECT_EQ(queue_.Count(), 0u) << "the rest of the read goes with it";
  EXPECT_TRUE(slot_.RcvBuf.empty());
}

TEST_P(Receiver, OldIncompleteFrameIsDroppedAfterTheTimeOutOnly) {
  const Bytes frame = Frame(20, 5);
  const Bytes head(frame.begin(), frame.begin() + 10);
  const Bytes tail(frame.begin() + 10, frame.end());

  Feed(head, 1.0);
  Feed(tail, 1.0 + 9 * kMinute);
  EXPECT_EQ(Drain(), std::vector<Bytes>{Marked(frame)}) << "9 minutes: joined";
  EXPECT_TRUE(notices_.empty());

  Feed(head, 2.0);
  Feed(frame, 2.0 + 11 * kMinute);
  ASSERT_EQ(notices_.size(), 1u);
  EXPECT_EQ(notices_[0], "Receive Data Timeout, Giveup old data !");
  EXPECT_EQ(Drain(), std::vector<Bytes>{Marked(frame)}) << "only the new bytes count";
}

TEST_P(Receiver, TimeOutIsMeasuredOnAClockThatCrossesMidnight) {
  const Bytes frame = Frame(20, 5);
  Feed(Bytes(frame.begin(), frame.begin() + 10), 0.999);
  Feed(frame, 0.999 + 11 * kMinute);  // past 1.0: the next day
  EXPECT_EQ(notices_.size(), 1u);
  EXPECT_EQ(queue_.Count(), 1u);
}

TEST_P(Receiver, AddedGatewayWithoutTimeOutStillJoinsPromptReads) {
  slot_.RcvTimeOut = 0.0;
  const Bytes frame = Frame(20, 5);
  Feed(Bytes(frame.begin(), frame.begin() + 10), 3.0);
  Feed(Bytes(frame.begin() + 10, frame.end()), 3.0);
  EXPECT_EQ(queue_.Count(), 1u);
}

INSTANTIATE_TEST_SUITE_P(BothWays, Receiver, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool> &info) {
                           return info.param ? "InPlace" : "Copied";
                         });

}  // namespace
}  // namespace roviro2
