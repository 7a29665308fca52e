// SPDX-License-Identifier: MIT
// PT_GW_SndMsg through the exports: its result codes, frames and pieces on
// the wire, a gateway that stops reading, and frames still waiting at a close.
#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

#include "roviro2.h"
#include "support/fake_gateway.h"
#include "support/library_session.h"
#include "support/one_gateway_test.h"

namespace roviro2_test {
namespace {

Bytes FrameOfLength(std::size_t length, uint8_t fill = 0) {
  Bytes frame(length);
  std::iota(frame.begin(), frame.end(), fill);
  frame[0] = static_cast<uint8_t>(length);
  frame[1] = static_cast<uint8_t>(length >> 8);
  if (length > 2) frame[2] = 0x60;
  return frame;
}

using Sending = OneGatewayTest<>;

TEST_F(Sending, GatewayChecksComeFirstInOrder) {
  const Bytes frame = FrameOfLength(8);
  FakeGateway other;
  session_.AddGateway(2, other.Port());
  EXPECT_EQ(PT_GW_SndMsg(0, frame.data()), -1) << "never broadcast";
  EXPECT_EQ(PT_GW_SndMsg(9, frame.data()), -1);
  EXPECT_EQ(PT_GW_SndMsg(2, frame.data()), -2) << "never opened";
  ASSERT_TRUE(session_.Connect(2));
  PT_GW_Close(2);
  EXPECT_EQ(PT_GW_SndMsg(2, frame.data()), -3) << "connection down";
  const Bytes tooShort = FrameOfLength(5);
  EXPECT_EQ(PT_GW_SndMsg(2, tooShort.data()), -3) << "the connection is checked before the length";
  EXPECT_EQ(PT_GW_SndMsg(0x10001, frame.data()), 0) << "only the low 16 bits name the gateway";
  EXPECT_TRUE(gateway_.WaitReceived(8));
}

TEST_F(Sending, LengthFieldsBelowSixAreRefusedWithoutNotice) {
  for (std::size_t length = 0; length < 6; ++length) {
    Bytes frame = FrameOfLength(8);
    frame[0] = static_cast<uint8_t>(length);
    EXPECT_EQ(PT_GW_SndMsg(1, frame.data()), -4) << length;
  }
  EXPECT_EQ(PT_GW_SndMsg(1, nullptr), -4);
  EXPECT_TRUE(session_.Notices().empty());
  const Bytes six = FrameOfLength(6, 0x20);
  EXPECT_EQ(PT_GW_SndMsg(1, six.data()), 0);
  ASSERT_TRUE(gateway_.WaitReceived(6));
  EXPECT_EQ(gateway_.Received(), six) << "exactly its six bytes, nothing before";
}

TEST_F(Sending, FramesUpTo8198BytesArriveWholeAndLongerOnesInPieces) {
  const Bytes f8197 = FrameOfLength(8197, 1);
  const Bytes f8198 = FrameOfLength(8198, 2);
  const Bytes f8200 = FrameOfLength(8200, 3);
  const Bytes copy = f8200;
  EXPECT_EQ(PT_GW_SndMsg(1, f8197.data()), 0);
  EXPECT_EQ(PT_GW_SndMsg(1, f8198.data()), 0);
  EXPECT_EQ(PT_GW_SndMsg(1, f8200.data()), 0);
  EXPECT_EQ(f8200, copy) << "the caller's frame is never written";
  ASSERT_TRUE(gateway_.WaitReceived(8197 + 8198 + 8198 + 10));
  const std::vector<Bytes> frames = gateway_.ReceivedFrames();
  ASSERT_EQ(frames.size(), 4u);
  EXPECT_EQ(frames[0], f8197);
  EXPECT_EQ(frames[1], f8198);
  Bytes firstPiece(f8200.begin(), f8200.begin() + 8198);
  firstPiece[0] = 8198 & 0xFF;
  firstPiece[1] = 8198 >> 8;
  EXPECT_EQ(frames[2], firstPiece);
  Bytes secondPiece(f8200.begin(), f8200.begin() + 8);
  secondPiece[0] = 10;
  secondPiece[1] = 0;
  secondPiece.insert(secondPiece.end(), f8200.end() - 2, f8200.end());
  EXPECT_EQ(frames[3], secondPiece) << "header bytes 2-7 repeated, then data bytes 8190-8191";
}

TEST_F(Sending, FramesThatTheKernelCannotTakeWaitWholeUpToTheBound) {
  gateway_.PauseReading();
  const Bytes frame = FrameOfLength(8200, 7);
  int32_t result = 0;
  std::size_t sent = 0;
  // Far more than the kernel's buffers and the library's 1 MiB together.
  while (sent < 4096 && (result = PT_GW_SndMsg(1, frame.data())) == 0)
    ++sent;
  EXPECT_EQ(result, -4);
  ASSERT_EQ(session_.Notices().size(), 1u);
  EXPECT_EQ(session_.Notices()[0], "TCP Send Error");
  EXPECT_EQ(PT_GW_Status(1), 7) << "a full buffer does not end the connection";

  gateway_.ResumeReading();
  const std::size_t wireBytes = sent * (8200 + 8);
  EXPECT_TRUE(PollUntil([&] {
    PT_GW_Status(1);  // writes out what waits
    return gateway_.ReceivedSize() >= wireBytes;
  }));
  const std::vector<Bytes> pieces = gateway_.ReceivedFrames();
  ASSERT_EQ(pieces.size(), 2 * sent) << "every accepted frame, nothing of the refused one";
  for (std::size_t i = 0; i < pieces.size(); i += 2) {
    ASSERT_EQ(pieces[i].size(), 8198u) << i;
    ASSERT_EQ(pieces[i + 1].size(), 10u) << i;
  }
  EXPECT_EQ(gateway_.ReceivedSize(), wireBytes);
  EXPECT_EQ(PT_GW_SndMsg(1, frame.data()), 0) << "room again";
}

TEST_F(Sending, SendOnAConnectionTheGatewayResetIsAFailureAndReconnects) {
  gateway_.Reset();
  const Bytes frame = FrameOfLength(64);
  // The reset may reach the library before or during the sends.
  int32_t result = 0;
  PollUntil([&] {
    result = PT_GW_SndMsg(1, frame.data());
    return result != 0;
  });
  // Only sends ran, so it is the send that met the reset: a failure, shown.
  EXPECT_EQ(result, -4);
  const std::vector<std::string> notices = session_.Notices();
  ASSERT_FALSE(notices.empty()) << "a failed send is shown";
  EXPECT_EQ(notices.back(), "TCP Send Error");
  EXPECT_EQ(PT_GW_SndMsg(1, frame.data()), -3) << "the failed send closed the connection";
  EXPECT_TRUE(session_.WaitStatus(1, 7)) << "the next polls reconnect";
  gateway_.ClearReceived();
  EXPECT_EQ(PT_GW_SndMsg(1, frame.data()), 0);
  EXPECT_TRUE(gateway_.WaitReceived(64));
}

// The two ways to close a connection that still holds frames.
struct Closer {
  const char *name;
  void (*close)();
};

class ClosingWithFramesWaiting : public OneGatewayTest<>,
                                 public ::testing::WithParamInterface<Closer> {};

TEST_P(ClosingWithFramesWaiting, EveryAcceptedFrameArrivesWholeOrIsReported) {
  gateway_.PauseReading();
  // Lengths that cut frames anywhere, never one alike within the run, and
  // not short: on Windows each notice is a message box that takes a while.
  std::vector<Bytes> accepted;
  for (;;) {
    const std::size_t i = accepted.size();
    ASSERT_LT(i, 20000u);
    const Bytes frame = FrameOfLength(2048 + i * 2731 % 6150, static_cast<uint8_t>(i));
    if (PT_GW_SndMsg(1, frame.data()) != 0) break;
    accepted.push_back(frame);
  }
  // The library's buffer is full. The gateway reads a part, so that the
  // system has room for some of what waits at the close, but not for all.
  gateway_.ResumeReading();
  ASSERT_TRUE(gateway_.WaitReceived(256 * 1024));
  gateway_.PauseReading();
  session_.ClearNotices();
  GetParam().close();
  const std::vector<std::string> notices = session_.Notices();
  for (const std::string &notice : notices)
    ASSERT_EQ(notice, "TCP Send Error");

  gateway_.ResumeReading();
  ASSERT_TRUE(gateway_.WaitClientGone()) << "a graceful close, after all it was handed";
  const std::vector<Bytes> frames = gateway_.ReceivedFrames();
  ASSERT_LE(frames.size(), accepted.size());
  std::size_t wireBytes = 0;
  for (std::size_t i = 0; i < frames.size(); ++i) {
    ASSERT_EQ(frames[i], accepted[i]) << i;
    wireBytes += frames[i].size();
  }
  EXPECT_EQ(gateway_.ReceivedSize(), wireBytes) << "no cut frame at the end";
  EXPECT_EQ(frames.size() + notices.size(), accepted.size());
  RecordProperty("accepted", static_cast<int>(accepted.size()));
  RecordProperty("delivered", static_cast<int>(frames.size()));
  RecordProperty("reported", static_cast<int>(notices.size()));
}

INSTANTIATE_TEST_SUITE_P(, ClosingWithFramesWaiting,
                         ::testing::Values(Closer{"GatewayClose", [] { PT_GW_Close(1); }},
                                           Closer{"ApiClose", [] { PT_API_Close(); }}),
                         [](const ::testing::TestParamInfo<Closer> &info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace roviro2_test
