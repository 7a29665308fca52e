// SPDX-License-Identifier: MIT
// Reconnects started by polls are paced by the library's clock: a gateway
// that refuses, or accepts and drops at once, is tried again no sooner than
// a second later, and the application can ask why it is not connected.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "platform/clock.h"
#include "registry/gateway_table.h"
#include "roviro2.h"
#include "roviro2_ext.h"
#include "support/fake_gateway.h"
#include "support/library_session.h"

namespace roviro2_test {
namespace {

constexpr double kSecond = 1.0 / 86400.0;

class Pacing : public ::testing::Test {
 protected:
  void SetUp() override {
    roviro2::SetClockForTesting([this] { return now_; });
  }
  void TearDown() override { roviro2::SetClockForTesting({}); }

  // Polls until the attempt under way was answered (OpenCnt back to 0).
  bool AttemptAnswered() {
    return PollUntil([] {
      PT_GW_Status(1);
      return roviro2::RegistryPart().GwTable[0].OpenCnt == 0;
    });
  }

  double now_ = 10.0;
  FakeGateway gateway_;
  LibrarySession session_;
};

TEST_F(Pacing, RefusedGatewayIsRetriedOncePerSecondAndTellsWhy) {
  session_.AddGateway(1, gateway_.Port());
  gateway_.Refuse();
  ASSERT_EQ(PT_GW_Open(1), 6);
  ASSERT_TRUE(AttemptAnswered());
  for (int i = 0; i < 50; ++i)
    EXPECT_EQ(PT_GW_Status(1), 6) << "waiting counts as connecting";
  EXPECT_EQ(roviro2::RegistryPart().GwTable[0].OpenCnt, 0) << "no attempt within the second";

  char text[64];
  EXPECT_EQ(roviro2_last_error(1, text, sizeof text), ECONNREFUSED);
  EXPECT_STRNE(text, "");
  char tiny[4];
  roviro2_last_error(1, tiny, sizeof tiny);
  EXPECT_EQ(std::string(tiny).size(), 3u) << "cut to the room given";
  EXPECT_EQ(roviro2_last_error(0, nullptr, 0), -1);
  EXPECT_EQ(roviro2_last_error(9, nullptr, 0), -1);

  now_ += kSecond;
  EXPECT_EQ(PT_GW_Status(1), 6);
  EXPECT_EQ(roviro2::RegistryPart().GwTable[0].OpenCnt, 1) << "a second later the poll tries again";
  ASSERT_TRUE(AttemptAnswered());
  EXPECT_EQ(PT_GW_Open(1), 6);
  EXPECT_EQ(roviro2::RegistryPart().GwTable[0].OpenCnt, 1) << "an explicit open tries at once";
  gateway_.Listen();
  ASSERT_TRUE(AttemptAnswered());
  now_ += kSecond;
  EXPECT_TRUE(session_.WaitStatus(1, 7));
}

TEST_F(Pacing, ConnectionThatDiesYoungIsPacedOneThatLivedIsNot) {
  session_.AddGateway(1, gateway_.Port());
  ASSERT_TRUE(session_.Connect(1));
  ASSERT_TRUE(gateway_.WaitAccepted(1));
  gateway_.Close();  // within the second of being made
  ASSERT_TRUE(PollUntil([] { return PT_GW_Status(1) == 6; }));
  for (int i = 0; i < 50; ++i)
    PT_GW_Status(1);
  EXPECT_EQ(gateway_.Accepted(), 1) << "no reconnect within the second";
  char text[64];
  EXPECT_EQ(roviro2_last_error(1, text, sizeof text), 0);
  EXPECT_STREQ(text, "closed by the gateway");

  now_ += kSecond;
  ASSERT_TRUE(session_.WaitStatus(1, 7));
  ASSERT_TRUE(gateway_.WaitAccepted(2));
  now_ += 2 * kSecond;  // this connection lives long enough
  gateway_.Close();
  EXPECT_TRUE(PollUntil([this] {
    PT_GW_Status(1);
    return gateway_.Accepted() == 3;
  })) << "reconnected at once, the clock standing still";
}

}  // namespace
}  // namespace roviro2_test
