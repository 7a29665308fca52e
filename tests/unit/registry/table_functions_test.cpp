// SPDX-License-Identifier: MIT
// The exported gateway table functions: their result codes in the order of
// their checks.
#include <gtest/gtest.h>

#include <string>

#include "registry/gateway_table.h"
#include "roviro2.h"

namespace roviro2 {
namespace {

class TableFunctions : public ::testing::Test {
 protected:
  void SetUp() override { ResetGatewayTableForTesting(); }
  void TearDown() override { ResetGatewayTableForTesting(); }

  static void Fill(int count) {
    for (int i = 0; i < count; ++i) {
      const std::string ip = "10.0." + std::to_string(i / 256) + "." + std::to_string(i % 256);
      ASSERT_EQ(PT_GW_InsConf(i + 1, ip.c_str(), 4660), i);
    }
  }
};

TEST_F(TableFunctions, IdToIndexUsesTheLowSixteenBitsAndTheFirstMatch) {
  ASSERT_EQ(PT_GW_InsConf(1, "10.0.0.1", 1), 0);
  ASSERT_EQ(PT_GW_InsConf(5, "10.0.0.5", 1), 1);
  RegistryPart().GwTable[RegistryPart().GwCount].IPAddr =
      RegistryPart().GwTable[1].IPAddr;  // a second slot with ID 5, as a file may load
  RegistryPart().GwTable[RegistryPart().GwCount].IPAddr.IP = "10.0.0.6";
  ++RegistryPart().GwCount;
  EXPECT_EQ(PT_GW_ID2Ndx(0), -1);
  EXPECT_EQ(PT_GW_ID2Ndx(0x10000), -1);
  EXPECT_EQ(PT_GW_ID2Ndx(2), -2);
  EXPECT_EQ(PT_GW_ID2Ndx(65537), 0);
  EXPECT_EQ(PT_GW_ID2Ndx(5), 1);
}

// The lookup by ID follows every change of the table: a full table of
// scattered IDs, a deleted entry, and a second slot of an ID that takes
// over when the first is deleted.
TEST_F(TableFunctions, IdLookupFollowsInsertsAndDeletes) {
  for (int i = 0; i < 255; ++i) {
    const std::string ip = "10.0.1." + std::to_string(i);
    ASSERT_EQ(PT_GW_InsConf(static_cast<uint32_t>(i * 257 + 3), ip.c_str(), 1), i);
  }
  for (int i = 0; i < 255; ++i)
    ASSERT_EQ(PT_GW_ID2Ndx(static_cast<uint32_t>(i * 257 + 3)), i) << i;
  EXPECT_EQ(PT_GW_ID2Ndx(4), -2);
  EXPECT_EQ(PT_GW_DelConf(100 * 257 + 3), 100);
  EXPECT_EQ(PT_GW_ID2Ndx(100 * 257 + 3), -2);
  EXPECT_EQ(PT_GW_ID2Ndx(101 * 257 + 3), 101);
  RegistryState &registry = RegistryPart();
  registry.GwTable[registry.GwCount].IPAddr = registry.GwTable[7].IPAddr;  // as a file may load
  ++registry.GwCount;
  EXPECT_EQ(PT_GW_ID2Ndx(7 * 257 + 3), 7);
  EXPECT_EQ(PT_GW_DelConf(7 * 257 + 3), 7);
  EXPECT_EQ(PT_GW_ID2Ndx(7 * 257 + 3), 255) << "the second slot of the ID";
  EXPECT_EQ(PT_GW_Status(7 * 257 + 3), 0) << "found, never opened";
}

TEST_F(TableFunctions, InsertChecksIdThenAddressThenRoom) {
  Fill(256);
  EXPECT_EQ(PT_GW_InsConf(1, "1.2.3.4", 9), -2);        // ID present, even when full
  EXPECT_EQ(PT_GW_InsConf(999, "10.0.0.0", 4660), -3);  // address and port present
  EXPECT_EQ(PT_GW_InsConf(999, "1.2.3.4", 9), -1);      // full
  EXPECT_EQ(PT_GW_Cnt(), 256);
}

TEST_F(TableFunctions, InsertComparesTheWholePortButStoresItsLowBits) {
  ASSERT_EQ(PT_GW_InsConf(1, "10.0.0.1", 4660), 0);
  EXPECT_EQ(PT_GW_InsConf(2, "10.0.0.1", 4660 + 0x10000), 1);  // not a duplicate
  EXPECT_EQ(RegistryPart().GwTable[1].IPAddr.Port, 4660);
  EXPECT_EQ(PT_GW_InsConf(3, "10.0.0.1", 4660), -3);
  EXPECT_EQ(PT_GW_InsConf(4, " 10.0.0.1", 4660), 2);  // not trimmed: differs
}

TEST_F(TableFunctions, InsertAcceptsIdZeroAndGivesTheLoadedTimeOut) {
  EXPECT_EQ(PT_GW_InsConf(0, "10.0.0.1", 1), 0);
  EXPECT_EQ(PT_GW_Ndx2ID(0), 0);
  EXPECT_DOUBLE_EQ(RegistryPart().GwTable[0].RcvTimeOut, kRcvTimeOutDays);
  EXPECT_EQ(PT_GW_InsConf(0x10007, "10.0.0.2", 1), 1);
  EXPECT_EQ(PT_GW_Ndx2ID(1), 7);
}

TEST_F(TableFunctions, InsertKeepsTheSlotsConnectionAndReceiveState) {
  RegistryPart().GwTable[0].OpenCnt = 3;
  RegistryPart().GwTable[0].RcvBuf = {1, 2};
  ASSERT_EQ(PT_GW_InsConf(1, "10.0.0.1", 1), 0);
  EXPECT_EQ(RegistryPart().GwTable[0].OpenCnt, 3);
  EXPECT_EQ(RegistryPart().GwTable[0].RcvBuf.size(), 2u);
}

TEST_F(TableFunctions, DeletedEntryKeepsItsSlotAndAddress) {
  Fill(3);
  ASSERT_EQ(PT_GW_InsConf(7, "10.9.9.9", 77), 3);
  EXPECT_EQ(PT_GW_DelConf(7), 3);
  EXPECT_EQ(PT_GW_Cnt(), 4);
  EXPECT_EQ(PT_GW_Ndx2ID(3), 0);
  EXPECT_EQ(PT_GW_ID2Ndx(7), -2);
  EXPECT_EQ(PT_GW_DelConf(7), -1);
  EXPECT_EQ(PT_GW_InsConf(7, "10.9.9.9", 77), -3);
  uint16_t id = 99;
  char ip[32] = {};
  int32_t port = 0;
  EXPECT_EQ(PT_GW_Conf(3, &id, ip, &port), 1);
  EXPECT_EQ(id, 0);
  EXPECT_STREQ(ip, "10.9.9.9");
  EXPECT_EQ(port, 77);
}

TEST_F(TableFunctions, ConfAndNdx2IdRefuseIndexesFromTheCountOn) {
  Fill(2);
  uint16_t id = 42;
  char ip[4] = {'x', 'x', 'x', 'x'};
  int32_t port = 42;
  EXPECT_EQ(PT_GW_Conf(2, &id, ip, &port), -1);
  EXPECT_EQ(id, 42);
  EXPECT_EQ(ip[0], 'x');
  EXPECT_EQ(port, 42);
  EXPECT_EQ(PT_GW_Conf(0xFFFFFFFFu, &id, ip, &port), -1);
  EXPECT_EQ(PT_GW_Ndx2ID(2), -1);
  EXPECT_EQ(PT_GW_Ndx2ID(1), 2);
}

TEST_F(TableFunctions, IndexesUseTheirLow16Bits) {
  Fill(2);
  uint16_t id = 0;
  char ip[32] = {};
  int32_t port = 0;
  EXPECT_EQ(PT_GW_Conf(0x10001, &id, ip, &port), 1);
  EXPECT_EQ(id, 2);
  EXPECT_EQ(PT_GW_Ndx2ID(0x10000), 1);
  EXPECT_EQ(PT_GW_Ndx2ID(0x10002), -1);
}

TEST_F(TableFunctions, ConfWritesPortZeroExtended) {
  ASSERT_EQ(PT_GW_InsConf(1, "10.0.0.1", 0xFFFF), 0);
  int32_t port = -5;
  uint16_t id = 0;
  char ip[16];
  ASSERT_EQ(PT_GW_Conf(0, &id, ip, &port), 1);
  EXPECT_EQ(port, 0xFFFF);
}

TEST_F(TableFunctions, UpdateChangesAddressAndPortWithoutDuplicateCheck) {
  Fill(2);
  EXPECT_EQ(PT_GW_UpdConf(2, "10.0.0.0", 0x14660), 1);
  EXPECT_EQ(RegistryPart().GwTable[1].IPAddr.IP, "10.0.0.0");
  EXPECT_EQ(RegistryPart().GwTable[1].IPAddr.Port, 0x4660);
  EXPECT_EQ(PT_GW_UpdConf(0, "x", 1), -1);
  EXPECT_EQ(PT_GW_UpdConf(3, "x", 1), -1);
}

TEST_F(TableFunctions, DefaultGatewayIsStoredOnlyForKnownIds) {
  Fill(2);
  EXPECT_EQ(PT_GW_GetDefault(), 0);
  EXPECT_EQ(PT_GW_SetDefault(0x10002), 1);
  EXPECT_EQ(PT_GW_GetDefault(), 2);
  EXPECT_EQ(PT_GW_SetDefault(9), -1);
  EXPECT_EQ(PT_GW_SetDefault(0), -1);
  EXPECT_EQ(PT_GW_GetDefault(), 2);
}

TEST_F(TableFunctions, NullAddressIsAnEmptyText) {
  EXPECT_EQ(PT_GW_InsConf(1, nullptr, 1), 0);
  EXPECT_EQ(RegistryPart().GwTable[0].IPAddr.IP, "");
  EXPECT_EQ(PT_GW_InsConf(2, "", 1), -3);
  EXPECT_EQ(PT_GW_UpdConf(1, nullptr, 2), 0);
}

}  // namespace
}  // namespace roviro2
