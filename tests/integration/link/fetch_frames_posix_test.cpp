// SPDX-License-Identifier: MIT
// roviro2_fetch_frames through the exports: whole frames in queue order,
// optionally of one gateway, each record as documented, and a buffer too
// small for the next frame takes nothing.
#include <gtest/gtest.h>

#include <vector>

#include "roviro2_ext.h"
#include "support/fake_gateway.h"
#include "support/library_session.h"
#include "support/one_gateway_test.h"

namespace roviro2_test {
namespace {

// A frame as fetched: the gateway byte of its record (or of the frame when
// the record has none), and its bytes.
struct Fetched {
  uint8_t gateway;
  Bytes frame;
};

// Polls and fetches through a buffer of `room` bytes until `count` frames
// came; what came, in order.
std::vector<Fetched> FetchAll(uint32_t gwId, std::size_t count, uint32_t room) {
  std::vector<Fetched> fetched;
  Bytes buffer(room);
  const std::size_t header = gwId == 0 ? 4 : 2;
  PollUntil([&] {
    PT_GW_Status(0);
    uint32_t used = 0;
    const int32_t frames = roviro2_fetch_frames(gwId, buffer.data(), room, &used);
    EXPECT_GE(frames, 0);
    std::size_t at = 0;
    for (int32_t i = 0; i < frames; ++i) {
      const std::size_t size = buffer[at] | buffer[at + 1] << 8;
      const uint8_t *frame = buffer.data() + at + header;
      fetched.push_back({gwId == 0 ? buffer[at + 2] : frame[4], Bytes(frame, frame + size)});
      at += header + size;
    }
    EXPECT_EQ(at, used);
    return fetched.size() >= count;
  });
  return fetched;
}

// Frames of the given gateway byte, with the library's mark.
Bytes Marked(Bytes frame, uint8_t gateway) {
  frame[4] = gateway;
  return frame;
}

TEST(FetchFrames, TakesEveryFrameOnceInOrderPerGatewayOrOfAll) {
  FakeGateway first;
  FakeGateway second;
  LibrarySession session;
  session.AddGateway(1, first.Port());
  session.AddGateway(2, second.Port());
  ASSERT_TRUE(session.Connect(1));
  ASSERT_TRUE(session.Connect(2));
  std::vector<Bytes> ofFirst;
  std::vector<Bytes> ofSecond;
  Bytes streamOfFirst;
  for (int i = 0; i < 300; ++i) {
    const Bytes data(static_cast<std::size_t>(i * 7 % 40), static_cast<uint8_t>(i));
    ofFirst.push_back(GatewayFrame(0x37, static_cast<uint8_t>(i), data));
    streamOfFirst.insert(streamOfFirst.end(), ofFirst.back().begin(), ofFirst.back().end());
    if (i % 6 == 0) ofSecond.push_back(GatewayFrame(0x28, static_cast<uint8_t>(i), data));
  }
  first.Send(streamOfFirst);
  for (const Bytes &frame : ofSecond)
    second.Send(frame);

  // Gateway 1's frames through a buffer that holds a few at a time.
  const std::vector<Fetched> fromFirst = FetchAll(1, ofFirst.size(), 120);
  ASSERT_EQ(fromFirst.size(), ofFirst.size());
  for (std::size_t i = 0; i < ofFirst.size(); ++i)
    ASSERT_EQ(fromFirst[i].frame, Marked(ofFirst[i], 1)) << i;

  // Gateway 2's were left where they were; ID 0 takes them with their mark.
  const std::vector<Fetched> fromAll = FetchAll(0, ofSecond.size(), 4096);
  ASSERT_EQ(fromAll.size(), ofSecond.size());
  for (std::size_t i = 0; i < ofSecond.size(); ++i) {
    EXPECT_EQ(fromAll[i].gateway, 2) << i;
    ASSERT_EQ(fromAll[i].frame, Marked(ofSecond[i], 2)) << i;
  }
  uint8_t buffer[64];
  uint32_t used = 99;
  EXPECT_EQ(roviro2_fetch_frames(0, buffer, sizeof buffer, &used), 0);
  EXPECT_EQ(used, 0u);
}

using FetchFramesRefusal = OneGatewayTest<5>;

TEST_F(FetchFramesRefusal, ABufferTooSmallForTheNextFrameTakesNothing) {
  gateway_.Send(GatewayFrame(0x37, 3, Bytes(92, 0x41)));
  ASSERT_EQ(session_.WaitFrame(kId), 100);
  Bytes buffer(102);
  uint32_t used = 0;
  EXPECT_EQ(roviro2_fetch_frames(kId, buffer.data(), 101, &used), ROVIRO2_FETCH_TOO_SMALL);
  EXPECT_EQ(used, 102u) << "the size the frame's record needs";
  EXPECT_EQ(roviro2_fetch_frames(0, buffer.data(), 102, &used), ROVIRO2_FETCH_TOO_SMALL);
  EXPECT_EQ(used, 104u) << "with its gateway byte";
  EXPECT_EQ(roviro2_fetch_frames(kId, nullptr, 102, &used), -1);
  EXPECT_EQ(roviro2_fetch_frames(kId, buffer.data(), 102, nullptr), -1);
  EXPECT_EQ(roviro2_fetch_frames(9, buffer.data(), 102, &used), -1) << "not in the table";
  EXPECT_EQ(PT_GW_RcvReady(kId), 100) << "still queued";
  EXPECT_EQ(roviro2_fetch_frames(kId, buffer.data(), 102, &used), 1);
  EXPECT_EQ(used, 102u);
  EXPECT_EQ(buffer[0] | buffer[1] << 8, 100);
  EXPECT_EQ(buffer[2 + 99], 0x41);
  EXPECT_EQ(PT_GW_RcvReady(kId), 0);
}

}  // namespace
}  // namespace roviro2_test
