// SPDX-License-Identifier: MIT
// Command frames as the gateway receives them, through the exports.
#include <gtest/gtest.h>

#include "roviro2.h"
#include "support/fake_gateway.h"
#include "support/library_session.h"
#include "support/one_gateway_test.h"

namespace roviro2_test {
namespace {

using OnTheWire = OneGatewayTest<>;

TEST_F(OnTheWire, NumberOnALightBarIsOneFifteenByteFrame) {
  EXPECT_EQ(PT_LB_DspNum(ROVIRO2_TAG_ADDR(1, 1, 5), 42, 5, 0), 0);
  ASSERT_TRUE(gateway_.WaitReceived(15));
  EXPECT_EQ(gateway_.Received(),
            (Bytes{15, 0, 0x60, 0, 0, 0, 0x00, 5, ' ', ' ', ' ', ' ', '4', '2', 5}));
}

TEST_F(OnTheWire, LargestConverterFrameGoesOutInTwoPieces) {
  Bytes data(8192);
  for (std::size_t i = 0; i < data.size(); ++i)
    data[i] = static_cast<uint8_t>(i * 7);
  EXPECT_EQ(PT_CNV_SendData(ROVIRO2_TAG_ADDR(1, 2, 9), data.data(), 8192), 0);
  ASSERT_TRUE(gateway_.WaitReceived(8198 + 10));
  const std::vector<Bytes> pieces = gateway_.ReceivedFrames();
  ASSERT_EQ(pieces.size(), 2u);
  EXPECT_EQ(Bytes(pieces[0].begin(), pieces[0].begin() + 8),
            (Bytes{0x06, 0x20, 0x61, 0, 0, 0, 0x28, 9}));
  EXPECT_EQ(Bytes(pieces[1].begin(), pieces[1].begin() + 8),
            (Bytes{10, 0, 0x61, 0, 0, 0, 0x28, 9}));
  Bytes joined(pieces[0].begin() + 8, pieces[0].end());
  joined.insert(joined.end(), pieces[1].begin() + 8, pieces[1].end());
  EXPECT_EQ(joined, data);
}

TEST_F(OnTheWire, DiagnosisAsksPortOneThenPortTwo) {
  EXPECT_EQ(PT_GW_TagDiag(1, 0), 0);
  ASSERT_TRUE(gateway_.WaitReceived(16));
  EXPECT_EQ(gateway_.Received(), (Bytes{8, 0, 0x60, 0, 0, 0, 9, 0, 8, 0, 0x61, 0, 0, 0, 9, 0}));
}

TEST_F(OnTheWire, CommandsToAGatewayThatIsDownReportTheSendersCode) {
  PT_GW_Close(1);
  EXPECT_EQ(PT_Tag_Reset(ROVIRO2_TAG_ADDR(1, 1, 5)), -3);
  EXPECT_EQ(PT_Tag_Reset(ROVIRO2_TAG_ADDR(2, 1, 5)), -1);
  EXPECT_EQ(PT_LB_DspNum(ROVIRO2_TAG_ADDR(0, 1, 5), 1, 0, 0), -1);
}

}  // namespace
}  // namespace roviro2_test
