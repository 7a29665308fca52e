// SPDX-License-Identifier: MIT
// Connections through the exports against a gateway on loopback: opening,
// polling, losing and regaining the connection, closing.
#include <gtest/gtest.h>

#include "roviro2.h"
#include "support/fake_gateway.h"
#include "support/library_session.h"

namespace roviro2_test {
namespace {

class Connection : public ::testing::Test {
 protected:
  FakeGateway gateway_;
  LibrarySession session_;
};

TEST_F(Connection, OpenStartsAnAttemptAndPollingReachesConnected) {
  ASSERT_EQ(session_.AddGateway(1, gateway_.Port()), 0);
  EXPECT_EQ(PT_GW_Status(1), 0) << "never opened";
  EXPECT_EQ(PT_GW_Open(1), 6);
  EXPECT_TRUE(session_.WaitStatus(1, 7));
  EXPECT_TRUE(gateway_.WaitAccepted(1));
  EXPECT_EQ(PT_GW_Open(1), 6) << "already connected: no new attempt";
  EXPECT_EQ(PT_GW_Status(1), 7);
  EXPECT_EQ(gateway_.Accepted(), 1);
  EXPECT_TRUE(session_.Notices().empty());
}

TEST_F(Connection, UnknownAndZeroIdsAreRefusedOrMeanEverySlot) {
  EXPECT_EQ(PT_GW_Open(0), 0) << "ID 0 and an empty table";
  EXPECT_EQ(PT_GW_Open(9), -1);
  EXPECT_EQ(PT_GW_Close(9), -1);
  EXPECT_EQ(PT_GW_Status(0), -1);
  EXPECT_EQ(PT_GW_Status(9), -1);
}

TEST_F(Connection, RefusingGatewayIsRetriedAtEveryPollWithoutNotice) {
  session_.AddGateway(1, gateway_.Port());
  gateway_.Refuse();
  EXPECT_EQ(PT_GW_Open(1), 6);
  for (int i = 0; i < 20; ++i)
    EXPECT_EQ(PT_GW_Status(1), 6);
  gateway_.Listen();
  EXPECT_TRUE(session_.WaitStatus(1, 7));
  EXPECT_TRUE(session_.Notices().empty());
}

TEST_F(Connection, GatewayThatClosesIsReconnectedByPolling) {
  session_.AddGateway(1, gateway_.Port());
  ASSERT_TRUE(session_.Connect(1));
  gateway_.Close();
  EXPECT_TRUE(session_.WaitStatus(1, 6)) << "lost: the poll starts a new attempt";
  EXPECT_TRUE(session_.WaitStatus(1, 7));
  EXPECT_TRUE(gateway_.WaitAccepted(2));
}

TEST_F(Connection, GatewayThatResetsIsNotReportedConnected) {
  session_.AddGateway(1, gateway_.Port());
  ASSERT_TRUE(session_.Connect(1));
  gateway_.Reset();
  EXPECT_TRUE(session_.WaitStatus(1, 6));
  EXPECT_TRUE(session_.WaitStatus(1, 7));
  EXPECT_TRUE(gateway_.WaitAccepted(2));
}

TEST_F(Connection, CloseEndsTheConnectionAndStopsReconnecting) {
  session_.AddGateway(1, gateway_.Port());
  ASSERT_TRUE(session_.Connect(1));
  ASSERT_TRUE(gateway_.WaitAccepted(1));
  EXPECT_EQ(PT_GW_Close(1), 0);
  EXPECT_EQ(PT_GW_Status(1), 0);
  EXPECT_TRUE(gateway_.WaitClientGone());
  for (int i = 0; i < 20; ++i)
    EXPECT_EQ(PT_GW_Status(1), 0);
  EXPECT_EQ(gateway_.Accepted(), 1);
  EXPECT_EQ(PT_GW_Open(1), 6) << "wanted again";
  EXPECT_TRUE(session_.WaitStatus(1, 7));
}

TEST_F(Connection, OpenAndCloseWithZeroTakeEverySlot) {
  FakeGateway second;
  session_.AddGateway(1, gateway_.Port());
  session_.AddGateway(2, second.Port());
  EXPECT_EQ(PT_GW_Open(0), 6);
  EXPECT_TRUE(session_.WaitStatus(1, 7));
  EXPECT_TRUE(session_.WaitStatus(2, 7));
  EXPECT_EQ(PT_GW_Close(0), 0);
  EXPECT_EQ(PT_GW_Status(1), 0);
  EXPECT_EQ(PT_GW_Status(2), 0);
}

TEST_F(Connection, AllStatusFillsOneByteEachAndMarksDeletedEntries) {
  FakeGateway second;
  FakeGateway third;
  session_.AddGateway(1, gateway_.Port());
  session_.AddGateway(2, second.Port());
  session_.AddGateway(3, third.Port());
  ASSERT_TRUE(session_.Connect(1));
  ASSERT_EQ(PT_GW_DelConf(2), 1);
  uint8_t status[4] = {0xAA, 0xAA, 0xAA, 0xAA};
  EXPECT_EQ(PT_GW_AllStatus(status), 3);
  EXPECT_EQ(status[0], 7);
  EXPECT_EQ(status[1], 0xFF) << "deleted entry: ID 0 is refused with -1";
  EXPECT_EQ(status[2], 0) << "never opened";
  EXPECT_EQ(status[3], 0xAA) << "nothing past the entries";
  EXPECT_EQ(PT_GW_AllStatus(nullptr), -1) << "no buffer for three entries";
}

TEST_F(Connection, AddressChangedWhileConnectedCannotStartAnAttempt) {
  FakeGateway other;
  session_.AddGateway(1, gateway_.Port());
  ASSERT_TRUE(session_.Connect(1));
  ASSERT_EQ(PT_GW_UpdConf(1, "127.0.0.1", other.Port()), 0);
  EXPECT_EQ(PT_GW_Open(1), -2);
  EXPECT_EQ(PT_GW_Status(1), 7) << "the old connection stays up";
  PT_GW_Close(1);
  EXPECT_EQ(PT_GW_Open(1), 6) << "the new port takes effect once down";
  EXPECT_TRUE(session_.WaitStatus(1, 7));
  EXPECT_TRUE(other.WaitAccepted(1));
}

TEST_F(Connection, AddressThatCannotBeUsedGivesMinusTwoAtEveryPoll) {
  PT_GW_InsConf(1, "", gateway_.Port());
  PT_GW_InsConf(2, "gateway.example", gateway_.Port());
  EXPECT_EQ(PT_GW_Open(1), -2);
  EXPECT_EQ(PT_GW_Status(1), -2) << "still wanted: tried again";
  EXPECT_EQ(PT_GW_Open(2), -2) << "addresses are never looked up";
  EXPECT_EQ(PT_GW_Open(0), -2);
}

TEST_F(Connection, ConnectAnsweringAnAttemptForgottenByAReloadIsReported) {
  session_.Dir().Write("1 " + std::to_string(gateway_.Port()) + " 127.0.0.1\r\n");
  ASSERT_EQ(PT_API_Open(), 1);
  EXPECT_EQ(PT_GW_Open(1), 6);
  ASSERT_EQ(PT_API_Open(), 1) << "reload: attempt counters back to 0, socket kept";
  EXPECT_TRUE(session_.WaitStatus(1, 7));
  ASSERT_EQ(session_.Notices().size(), 1u);
  EXPECT_EQ(session_.Notices()[0], "TCP=0, Open=-1");
}

TEST_F(Connection, BytesOfAConnectionNoEntryOwnsAnyMoreAreDropped) {
  FakeGateway second;
  session_.Dir().Write("1 " + std::to_string(gateway_.Port()) + " 127.0.0.1\r\n2 " +
                       std::to_string(second.Port()) + " 127.0.0.1\r\n");
  ASSERT_EQ(PT_API_Open(), 2);
  ASSERT_EQ(PT_GW_Open(0), 6);
  ASSERT_TRUE(session_.WaitStatus(2, 7));
  ASSERT_TRUE(session_.WaitStatus(1, 7));
  ASSERT_TRUE(second.WaitAccepted(1));
  session_.Dir().Write("1 " + std::to_string(gateway_.Port()) + " 127.0.0.1\r\n");
  ASSERT_EQ(PT_API_Open(), 1) << "the second slot keeps its connection but is no entry";
  second.Send({9, 0, 0x60, 0, 0, 0, 0x37, 1, 0});
  gateway_.Send({9, 0, 0x60, 0, 0, 0, 0x37, 2, 0});
  ASSERT_EQ(session_.WaitFrame(1), 9);
  for (int i = 0; i < 20; ++i)
    PT_GW_Status(1);
  uint8_t buffer[8198];
  EXPECT_EQ(PT_GW_RcvMsg(0, buffer), 9);
  EXPECT_EQ(buffer[7], 2) << "only the configured gateway's frame";
  EXPECT_EQ(PT_GW_RcvMsg(0, buffer), 0);
}

TEST_F(Connection, ApiCloseDisconnectsEveryGateway) {
  session_.AddGateway(1, gateway_.Port());
  ASSERT_TRUE(session_.Connect(1));
  ASSERT_TRUE(gateway_.WaitAccepted(1));
  EXPECT_EQ(PT_API_Close(), 0);
  EXPECT_TRUE(gateway_.WaitClientGone());
  EXPECT_EQ(PT_GW_Cnt(), 1) << "the table stays";
  EXPECT_EQ(PT_GW_Status(1), 0) << "no socket any more";
  EXPECT_EQ(PT_API_Close(), 0);
}

}  // namespace
}  // namespace roviro2_test
