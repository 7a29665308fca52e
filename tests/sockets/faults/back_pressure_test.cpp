// SPDX-License-Identifier: MIT
// Back-pressure: a gateway whose frames the application does not fetch is
// held at the receive limit, with its bytes waiting in the system, while
// other gateways flow; once fetched below half the limit it is read again,
// and every frame arrives whole and in order. Time spent held does not
// count toward the receive time-out.
#include <gtest/gtest.h>

#include <vector>

#include "link/link_state.h"
#include "link/rcv_queue.h"
#include "link/reception_hold.h"
#include "platform/client_socket.h"
#include "platform/clock.h"
#include "registry/gateway_table.h"
#include "roviro2.h"
#include "support/fake_gateway.h"
#include "support/library_session.h"

namespace roviro2_test {
namespace {

constexpr double kMinute = 1.0 / 1440.0;

// A 15-byte frame of node 1 numbered n in its data.
Bytes Numbered(uint16_t n) {
  Bytes frame = GatewayFrame(0x37, 1, Bytes(7, 0));
  frame[8] = static_cast<uint8_t>(n);
  frame[9] = static_cast<uint8_t>(n >> 8);
  return frame;
}

class BackPressure : public ::testing::Test {
 protected:
  void SetUp() override {
    roviro2::SetClockForTesting([this] { return now_; });
    roviro2::SetReceiveLimit(1000);
    session_.AddGateway(1, held_.Port());
    session_.AddGateway(2, other_.Port());
    ASSERT_TRUE(session_.Connect(1));
    ASSERT_TRUE(session_.Connect(2));
  }
  void TearDown() override {
    roviro2::SetReceiveLimit(roviro2::kDefaultReceiveLimit);
    roviro2::SetClockForTesting({});
  }
  roviro2::TClientSocket &Socket() { return *roviro2::RegistryPart().GwTable[0].Socket; }

  double now_ = 1.0;
  FakeGateway held_;
  FakeGateway other_;
  LibrarySession session_;
};

TEST_F(BackPressure, HeldGatewayWaitsInTheSystemAndLosesNothing) {
  constexpr uint16_t kFirst = 100;
  constexpr uint16_t kAll = 2100;
  Bytes stream;
  for (uint16_t n = 0; n < kAll; ++n) {
    const Bytes frame = Numbered(n);
    stream.insert(stream.end(), frame.begin(), frame.end());
  }
  // The first burst ends inside a frame, which waits incomplete while held.
  const std::size_t cut = kFirst * 15 + 5;
  held_.Send(Bytes(stream.begin(), stream.begin() + cut));
  ASSERT_TRUE(PollUntil([] {
    PT_GW_Status(1);
    return roviro2::RegistryPart().GwTable[0].RcvBuf.size() == 5;
  }));
  held_.Send(Bytes(stream.begin() + cut, stream.end()));
  ASSERT_TRUE(PollUntil([&] {
    PT_GW_Status(1);
    return Socket().ReadsHeld() && Socket().BytesReady() == stream.size() - cut;
  }));
  const std::size_t queued = roviro2::LinkPart().RcvQueue->QueuedBytes(1);
  for (int i = 0; i < 100; ++i)
    PT_GW_Status(1);
  EXPECT_EQ(roviro2::LinkPart().RcvQueue->QueuedBytes(1), queued)
      << "nothing more is read while held";

  other_.Send(GatewayFrame(0x37, 2, {}));
  EXPECT_GT(session_.WaitFrame(2), 0) << "another gateway flows";

  now_ += 11 * kMinute;  // longer than the receive time-out
  std::vector<Bytes> fetched;
  Bytes buffer(8198);
  ASSERT_TRUE(PollUntil([&] {
    PT_GW_Status(1);
    for (int32_t size; (size = PT_GW_RcvMsg(1, buffer.data())) > 0;)
      fetched.emplace_back(buffer.begin(), buffer.begin() + size);
    return fetched.size() >= kAll;
  }));
  ASSERT_EQ(fetched.size(), kAll);
  for (uint16_t n = 0; n < kAll; ++n) {
    Bytes expected = Numbered(n);
    expected[4] = 1;
    ASSERT_EQ(fetched[n], expected) << "frame " << n;
  }
  EXPECT_TRUE(session_.Notices().empty()) << "the waiting frame was not given up";
  EXPECT_FALSE(Socket().ReadsHeld());
}

}  // namespace
}  // namespace roviro2_test
