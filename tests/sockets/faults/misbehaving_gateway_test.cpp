// SPDX-License-Identifier: MIT
// A gateway that misbehaves: the library recovers from every fault by
// polling, never queues a damaged frame, and loses nothing it took.
#include <gtest/gtest.h>

#include <random>

#include "platform/clock.h"
#include "registry/gateway_table.h"
#include "roviro2.h"
#include "support/fake_gateway.h"
#include "support/library_session.h"

namespace roviro2_test {
namespace {

Bytes Frame(std::size_t length, uint8_t fill, uint8_t command = 0x37) {
  Bytes frame(length, fill);
  frame[0] = static_cast<uint8_t>(length);
  frame[1] = static_cast<uint8_t>(length >> 8);
  frame[2] = 0x60;
  if (length > 7) {
    frame[6] = command;
    frame[7] = 1;
  }
  return frame;
}

// The frames of gateway 1 the library has queued, fetched whole.
std::vector<Bytes> Fetched() {
  std::vector<Bytes> frames;
  Bytes buffer(8198);
  for (int32_t size; (size = PT_GW_RcvMsg(1, buffer.data())) > 0;) {
    frames.emplace_back(buffer.begin(), buffer.begin() + size);
  }
  return frames;
}

Bytes Marked(Bytes frame) {
  frame[4] = 1;
  return frame;
}

class Misbehaving : public ::testing::Test {
 protected:
  void Start(FakeGateway::Options options = {}) {
    gateway_ = std::make_unique<FakeGateway>(options);
    session_.AddGateway(1, gateway_->Port());
    ASSERT_TRUE(session_.Connect(1));
    ASSERT_TRUE(gateway_->WaitAccepted(1));
  }
  void TearDown() override { roviro2::SetClockForTesting({}); }

  // Sends a frame from the gateway and waits until the library queued it.
  void ExpectThrough(const Bytes &frame) {
    gateway_->Send(frame);
    ASSERT_GT(session_.WaitFrame(1), 0);
    EXPECT_EQ(Fetched(), std::vector<Bytes>{Marked(frame)});
  }

  // Frames pass both ways: one from the gateway is queued, one sent to it
  // arrives whole.
  void ExpectBothWays(uint8_t fill) {
    ExpectThrough(Frame(20, fill));
    gateway_->ClearReceived();
    const Bytes command = Frame(24, fill);
    EXPECT_EQ(PT_GW_SndMsg(1, command.data()), 0);
    ASSERT_TRUE(gateway_->WaitReceived(command.size()));
    EXPECT_EQ(gateway_->Received(), command);
  }

  // Polls until a notice came.
  bool WaitNotice() {
    return PollUntil([&] {
      PT_GW_Status(1);
      return !session_.Notices().empty();
    });
  }

  LibrarySession session_;
  std::unique_ptr<FakeGateway> gateway_;
};

TEST_F(Misbehaving, FrameDribbledOneByteAtATimeArrivesWhole) {
  Start();
  const Bytes frame = Frame(300, 0x41);
  gateway_->Dribble(frame);
  ASSERT_EQ(session_.WaitFrame(1), 300);
  EXPECT_EQ(Fetched(), std::vector<Bytes>{Marked(frame)});
}

TEST_F(Misbehaving, HalfFrameHeldPastTheTimeOutIsGivenUp) {
  double now = 10.0;
  roviro2::SetClockForTesting([&] { return now; });
  Start();
  const Bytes frame = Frame(40, 0x42);
  gateway_->Send(Bytes(frame.begin(), frame.begin() + 20));
  ASSERT_TRUE(PollUntil([&] {
    PT_GW_Status(1);
    return !roviro2::RegistryPart().GwTable[0].RcvBuf.empty();
  }));
  now += 11.0 / (24 * 60);
  ExpectThrough(frame);
  ASSERT_EQ(session_.Notices().size(), 1u);
  EXPECT_EQ(session_.Notices()[0], "Receive Data Timeout, Giveup old data !");
}

TEST_F(Misbehaving, BadLengthsAndGarbageAreDroppedAndTheStreamGoesOn) {
  Start();
  const std::vector<Bytes> faults = {
      {0x01, 0x24, 0x60, 0, 0, 0, 0x37, 1},  // 9217: too long
      {0x00, 0x00, 0x60, 0, 0, 0},           // 0: no frame
      {0x04, 0x00, 0x60, 0},                 // 4: shorter than any frame
      {0xFF, 0xFF, 'g', 'a', 'r', 'b', 'a', 'g', 'e'},
  };
  for (const Bytes &fault : faults) {
    session_.ClearNotices();
    gateway_->Send(fault);
    ASSERT_TRUE(WaitNotice());
    EXPECT_EQ(session_.Notices()[0].rfind("Receive Data Error, Get Data too much = ", 0), 0u);
    ExpectBothWays(0x43);
    EXPECT_EQ(PT_GW_Status(1), 7);
  }
}

TEST_F(Misbehaving, FrameCutByAResetIsNotHalfQueued) {
  Start();
  const Bytes frame = Frame(100, 0x44);
  gateway_->Send(Bytes(frame.begin(), frame.begin() + 60));
  ASSERT_TRUE(PollUntil([&] {
    PT_GW_Status(1);
    return !roviro2::RegistryPart().GwTable[0].RcvBuf.empty();
  }));
  gateway_->Reset();
  ASSERT_TRUE(session_.WaitStatus(1, 6));
  ASSERT_TRUE(session_.WaitStatus(1, 7));
  ASSERT_TRUE(gateway_->WaitAccepted(2));
  ExpectBothWays(0x45);
  EXPECT_TRUE(session_.Notices().empty());
}

TEST_F(Misbehaving, GatewayThatClosesWithoutReadingIsReconnected) {
  Start();
  gateway_->PauseReading();
  const Bytes command = Frame(8200, 0x49);
  int32_t result = 0;
  for (int i = 0; i < 4096 && (result = PT_GW_SndMsg(1, command.data())) == 0; ++i) {
  }
  ASSERT_EQ(result, -4) << "the library holds output the gateway never read";
  gateway_->Close();
  ASSERT_TRUE(session_.WaitStatus(1, 6));
  ASSERT_TRUE(session_.WaitStatus(1, 7));
  ASSERT_TRUE(gateway_->WaitAccepted(2));
  gateway_->ResumeReading();
  ExpectBothWays(0x4A);
}

TEST_F(Misbehaving, GatewayThatClosesEveryConnectionAtOnceIsRetriedUntilItServes) {
  Start();
  gateway_->SetAccepting(FakeGateway::Accepting::kDropAtOnce);
  gateway_->Close();
  ASSERT_TRUE(PollUntil([&] {
    PT_GW_Status(1);
    return gateway_->Accepted() >= 4;
  })) << "flapping: accept, drop, accept";
  gateway_->SetAccepting(FakeGateway::Accepting::kServe);
  ASSERT_TRUE(PollUntil([&] { return PT_GW_Status(1) == 7 && gateway_->Connected(); }));
  ExpectBothWays(0x46);
}

TEST_F(Misbehaving, GatewayThatNeverAnswersStillTakesFramesUntilItServes) {
  FakeGateway::Options options;
  options.accepting = FakeGateway::Accepting::kNever;
  gateway_ = std::make_unique<FakeGateway>(options);
  session_.AddGateway(1, gateway_->Port());
  ASSERT_TRUE(session_.Connect(1)) << "the kernel completes the connection";
  const Bytes command = Frame(64, 0x48);
  for (int i = 0; i < 10; ++i)
    EXPECT_EQ(PT_GW_SndMsg(1, command.data()), 0);
  EXPECT_EQ(PT_GW_RcvReady(1), 0);
  gateway_->SetAccepting(FakeGateway::Accepting::kServe);
  EXPECT_TRUE(gateway_->WaitReceived(640));
}

TEST_F(Misbehaving, NothingTakenIsLostWhileTheGatewayReadsSlowly) {
  FakeGateway::Options options;
  options.receiveBuffer = 16384;
  options.readChunk = 4096;
  options.irregular = true;
  Start(options);
  std::mt19937 random(11);
  Bytes expected;
  std::size_t refused = 0;
  std::size_t taken = 0;
  bool paused = false;
  for (int i = 0; i < 100000; ++i) {
    if (i == 50000) {
      // A spell without reading, so that the output buffer surely fills.
      gateway_->PauseReading();
      paused = true;
    }
    const std::size_t pick = random() % 100;
    const std::size_t length = pick < 2 ? 8198 + random() % 3 : 8 + random() % 60;
    Bytes frame = Frame(length, static_cast<uint8_t>(i));
    frame[3] = static_cast<uint8_t>(i >> 8);
    const int32_t result = PT_GW_SndMsg(1, frame.data());
    ASSERT_TRUE(result == 0 || result == -4) << result;
    if (result == -4) {
      ++refused;
      if (paused) gateway_->ResumeReading();
      paused = false;
      PT_GW_Status(1);  // writes out what waits
      continue;
    }
    ++taken;
    if (length <= 8198) {
      expected.insert(expected.end(), frame.begin(), frame.end());
    } else {
      // Two pieces: 8190 data bytes, then the rest, each behind the header.
      Bytes pieces(frame.begin(), frame.begin() + 8198);
      pieces[0] = 8198 & 0xFF;
      pieces[1] = 8198 >> 8;
      pieces.insert(pieces.end(), frame.begin(), frame.begin() + 8);
      pieces[8198] = static_cast<uint8_t>(length - 8190);
      pieces[8199] = 0;
      pieces.insert(pieces.end(), frame.begin() + 8198, frame.end());
      expected.insert(expected.end(), pieces.begin(), pieces.end());
    }
    if (i % 64 == 0) PT_GW_Status(1);
  }
  EXPECT_FALSE(paused) << "the spell without reading refused a frame";
  EXPECT_GT(refused, 0u);
  EXPECT_EQ(session_.Notices().size(), refused) << "one notice per refused frame";
  ASSERT_TRUE(PollUntil(
      [&] {
        PT_GW_Status(1);
        return gateway_->ReceivedSize() >= expected.size();
      },
      std::chrono::seconds(60)))
      << gateway_->ReceivedSize() << " of " << expected.size();
  EXPECT_TRUE(gateway_->Received() == expected) << taken << " taken, " << refused << " refused";
  EXPECT_EQ(PT_GW_Status(1), 7);
}

}  // namespace
}  // namespace roviro2_test
