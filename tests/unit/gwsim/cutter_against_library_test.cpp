// SPDX-License-Identifier: MIT
// The simulator's frame cutter and the library's receiver, written apart,
// must cut the same random streams into the same frames and notices, read
// by read: a fault in either shows up as a difference.
#include <gtest/gtest.h>

#include <random>

#include "frame_cutter.h"
#include "link/receiver.h"

namespace gwsim {
namespace {

// The library marks byte 4 of every frame with the gateway's byte; the
// simulator keeps it as it came. The comparison leaves it out.
constexpr std::size_t kGatewayByte = 4;

// Frames of random sizes, now and then one with a length field no frame can
// have.
Bytes RandomStream(std::mt19937 &random) {
  Bytes stream;
  std::uniform_int_distribution<int> byte(0, 255);
  for (int i = 0; i < 300; ++i) {
    const bool large = random() % 10 == 0;
    const std::size_t length =
        large ? kMinFrame + random() % (kMaxFrame - kMinFrame + 1) : kMinFrame + random() % 40;
    Bytes frame(length);
    for (uint8_t &b : frame)
      b = static_cast<uint8_t>(byte(random));
    const bool broken = random() % 50 == 0;
    WriteLength(
        frame.data(),
        broken ? (random() % 2 ? random() % kMinFrame : kMaxFrame + 1 + random() % 1000) : length);
    stream.insert(stream.end(), frame.begin(), frame.end());
  }
  return stream;
}

FrameCutter::Result LibraryCut(roviro2::TMyTCP2 &slot, roviro2::ReceiveQueue &queue,
                               const uint8_t *data, std::size_t size) {
  FrameCutter::Result result;
  roviro2::ReceiveBytes(slot, data, size, 0.0, queue,
                        [&](const std::string &text) { result.notices.push_back(text); });
  for (auto id = queue.First(); id != roviro2::ReceiveQueue::kNoEntry; id = queue.First()) {
    const roviro2::ByteView view = queue.View(id);
    result.frames.emplace_back(view.data, view.data + view.size);
    result.frames.back()[kGatewayByte] = 0;
    queue.Remove(id);
  }
  return result;
}

TEST(SimulatorFrameCutter, CutsRandomStreamsAsTheLibraryDoes) {
  for (unsigned seed = 1; seed <= 20; ++seed) {
    std::mt19937 random(seed);
    const Bytes stream = RandomStream(random);
    roviro2::TMyTCP2 slot;
    slot.RcvTimeOut = roviro2::kRcvTimeOutDays;
    roviro2::ReceiveQueue queue;
    FrameCutter cutter;
    const auto now = FrameCutter::Clock::now();
    for (std::size_t at = 0, size; at < stream.size(); at += size) {
      size = std::min<std::size_t>(1 + random() % 20000, stream.size() - at);
      FrameCutter::Result own = cutter.Feed(stream.data() + at, size, now);
      for (Bytes &frame : own.frames)
        frame[kGatewayByte] = 0;
      const FrameCutter::Result library = LibraryCut(slot, queue, stream.data() + at, size);
      ASSERT_EQ(own.frames, library.frames) << "seed " << seed << " at " << at;
      ASSERT_EQ(own.notices, library.notices) << "seed " << seed << " at " << at;
    }
  }
}

}  // namespace
}  // namespace gwsim
