// SPDX-License-Identifier: MIT
// Frames from a gateway on loopback through the exports: reassembly across
// reads, marking and fetching.
#include <gtest/gtest.h>

#include <thread>

#include "roviro2.h"
#include "support/fake_gateway.h"
#include "support/library_session.h"
#include "support/one_gateway_test.h"

namespace roviro2_test {
namespace {

using Receiving = OneGatewayTest<5>;

TEST_F(Receiving, FramesArriveMarkedWithTheGatewayInStreamOrder) {
  Bytes stream = GatewayFrame(0x37, 3, {0x00, 'A'});
  const Bytes second = GatewayFrame(0x28, 4, {'x', 'y', 'z'}, 0x61);
  stream.insert(stream.end(), second.begin(), second.end());
  gateway_.Send(stream);
  ASSERT_EQ(session_.WaitFrame(kId), 10);
  uint8_t buffer[8198];
  ASSERT_EQ(PT_GW_RcvMsg(kId, buffer), 10);
  EXPECT_EQ(buffer[4], kId) << "gateway byte overwritten on receipt";
  EXPECT_EQ(buffer[6], 0x37);
  ASSERT_EQ(session_.WaitFrame(kId), 11);
  uint32_t tag = 0;
  int16_t command = -1, status = 0, length = 0;
  uint8_t data[8190];
  ASSERT_EQ(PT_Tag_RcvMsg(&tag, &command, &status, data, &length), 1);
  EXPECT_EQ(tag, ROVIRO2_TAG_ADDR(kId, 2, 4));
  EXPECT_EQ(command, 0x28);
  EXPECT_EQ(status, -1);
  ASSERT_EQ(length, 3);
  EXPECT_EQ(data[0], 'x');
  EXPECT_EQ(PT_GW_RcvReady(0), 0);
}

TEST_F(Receiving, AFrameSentInPiecesIsQueuedByTheReadThatCompletesIt) {
  const Bytes frame = GatewayFrame(0x37, 9, Bytes(100, 0x41));
  gateway_.Send(Bytes(frame.begin(), frame.begin() + 1));
  gateway_.Send(Bytes(frame.begin() + 1, frame.begin() + 50));
  for (int i = 0; i < 5; ++i)
    PT_GW_Status(kId);
  EXPECT_EQ(PT_GW_RcvReady(kId), 0) << "incomplete: waits";
  gateway_.Send(Bytes(frame.begin() + 50, frame.end()));
  EXPECT_EQ(session_.WaitFrame(kId), 108);
  EXPECT_TRUE(session_.Notices().empty());
}

TEST_F(Receiving, ABacklogLargerThanOneReadArrivesWholeAndInOrder) {
  // About 1.5 MiB at once, more than one read takes: the gateway's thread
  // sends while this one polls and fetches.
  constexpr int kFrames = 192;
  Bytes stream;
  for (int i = 0; i < kFrames; ++i) {
    const Bytes frame =
        GatewayFrame(0x37, static_cast<uint8_t>(i), Bytes(8190, static_cast<uint8_t>(i)));
    stream.insert(stream.end(), frame.begin(), frame.end());
  }
  std::thread sender([&] { gateway_.Send(stream); });
  std::vector<uint8_t> buffer(8198);
  int fetched = 0;
  EXPECT_TRUE(PollUntil([&] {
    PT_GW_Status(kId);
    while (fetched < kFrames && PT_GW_RcvMsg(kId, buffer.data()) == 8198) {
      if (buffer[7] != static_cast<uint8_t>(fetched) || buffer[8197] != buffer[7]) return true;
      ++fetched;
    }
    return fetched == kFrames;
  }));
  sender.join();
  EXPECT_EQ(fetched, kFrames) << "frames lost, damaged or out of order";
  EXPECT_TRUE(session_.Notices().empty());
}

TEST_F(Receiving, OversizeLengthDropsTheBufferWithANotice) {
  Bytes bad = {0x28, 0x23, 0x60, 0, 0, 0, 0x37, 1};  // 9000
  const Bytes good = GatewayFrame(0x37, 1, {0});
  gateway_.Send(bad);
  EXPECT_TRUE(PollUntil([&] {
    PT_GW_Status(kId);
    return !session_.Notices().empty();
  }));
  EXPECT_EQ(session_.Notices().at(0), "Receive Data Error, Get Data too much = 9000");
  gateway_.Send(good);
  EXPECT_EQ(session_.WaitFrame(kId), 9) << "the stream goes on with the next read";
  EXPECT_EQ(PT_GW_Status(kId), 7);
}

TEST_F(Receiving, HighGatewayIdsAreMarkedWithTheirLowByte) {
  FakeGateway high;
  session_.AddGateway(300, high.Port());
  ASSERT_TRUE(session_.Connect(300));
  high.Send(GatewayFrame(0x37, 1, {0}));
  EXPECT_TRUE(PollUntil([&] {
    PT_GW_Status(300);
    return PT_GW_RcvReady(0) > 0;
  }));
  EXPECT_EQ(PT_GW_RcvReady(300), 0) << "an ID above 255 never matches its frames";
  uint8_t buffer[8198];
  ASSERT_EQ(PT_GW_RcvMsg(0, buffer), 9);
  EXPECT_EQ(buffer[4], 44);
}

}  // namespace
}  // namespace roviro2_test
