// SPDX-License-Identifier: MIT
// Message boards, and the commands for every kind of tag.
#include <climits>

#include "commands/hex_digits.h"
#include "roviro2.h"
#include "unit/commands/capture.h"

namespace roviro2 {
namespace {

using Kbn = Commands;
using Maintenance = Commands;

TEST_F(Kbn, BodiesAreTheHexTextsOfTheirFields) {
  PT_KBN_Clear(kTag);
  EXPECT_EQ(Data(0, 0x40), Text("9A011F"));
  PT_KBN_DspMsg(kTag, "Hi", 1, 0);
  EXPECT_EQ(Data(1, 0x40), Text("9A03000000010000486900070005"
                                "1F"));
  PT_KBN_DspMsg(kTag, "Hi", 1, 1);
  EXPECT_EQ(Data(2, 0x40), Text("9A030000000100004869000700050300000008000000"
                                "1F"));
  PT_KBN_SegDownload(kTag, 2, "Hi", 1, 0);
  EXPECT_EQ(Data(3, 0x44), Text("9A0203000000010000486900070005"
                                "1F"));
  PT_KBN_SegDel(kTag, 2);
  EXPECT_EQ(Data(4, 0x4B), Text("9A029B"));
  const uint8_t segments[] = {1, 2, 0x1F};
  PT_KBN_SegDsp(kTag, segments, 3);
  EXPECT_EQ(Data(5, 0x47), Text("9A01021F9B"));
}

TEST_F(Kbn, NumbersUseTheirLowBitsAndTextsTheirBytes) {
  PT_KBN_DspMsg(kTag, nullptr, 0x1C5, INT_MAX);
  EXPECT_EQ(Data(0, 0x40), Text("9A030000001C50000000700050300000008000000"
                                "1F"));
  PT_KBN_DspMsg(kTag, "", -1, -1);
  EXPECT_EQ(Data(1, 0x40), Text("9A03000000FFFFFFFF000000070005"
                                "1F"));
  PT_KBN_DspMsg(kTag, "\xFF\x0A", 7, 0);
  EXPECT_EQ(Data(2, 0x40), Text("9A03000000070000FF0A00070005"
                                "1F"));
  PT_KBN_SegDel(kTag, 0xFFFF);
  EXPECT_EQ(Data(3, 0x4B), Text("9AFFFFFFFF9B"));
  PT_KBN_SegDel(kTag, 0x10002);
  EXPECT_EQ(Data(4, 0x4B), Text("9A029B"));
  PT_KBN_SegDsp(kTag, nullptr, 0);
  PT_KBN_SegDsp(kTag, nullptr, -3);
  EXPECT_EQ(Data(5, 0x47), Text("9A9B"));
  EXPECT_EQ(Data(6, 0x47), Text("9A9B"));
  PT_KBN_SegDownload(kTag, 2, nullptr, 1, 0);
  EXPECT_EQ(Data(7, 0x44), Text("9A020300000001000000070005"
                                "1F"));
}

TEST_F(Kbn, BodiesThatDoNotFitAreRefused) {
  EXPECT_EQ(PT_KBN_DspMsg(kTag, std::string(4083, 'a').c_str(), 1, 0), 0);
  EXPECT_EQ(sent_.back().frame.size(), 8u + 8192u);
  EXPECT_EQ(PT_KBN_DspMsg(kTag, std::string(4084, 'a').c_str(), 1, 0), -4);
  EXPECT_EQ(PT_KBN_DspMsg(kTag, std::string(4076, 'a').c_str(), 1, 1), -4);
  EXPECT_EQ(PT_KBN_SegDownload(kTag, 1, std::string(4082, 'a').c_str(), 1, 0), 0);
  EXPECT_EQ(PT_KBN_SegDownload(kTag, 1, std::string(4083, 'a').c_str(), 1, 0), -4);
  EXPECT_EQ(PT_KBN_DspMsg(kTag, std::string(100000, 'a').c_str(), 1, 0), -4);
  const Bytes segments(4095, 1);
  EXPECT_EQ(PT_KBN_SegDsp(kTag, segments.data(), 4094), 0);
  EXPECT_EQ(PT_KBN_SegDsp(kTag, segments.data(), 4095), -4);
  EXPECT_EQ(PT_KBN_SegDsp(kTag, nullptr, 1), -4);
  EXPECT_EQ(sent_.size(), 3u);
}

TEST_F(Maintenance, PollRangeNamesItsPortWholly) {
  PT_GW_SetPollRang(7, 2, 40);
  PT_GW_SetPollRang(7, 1, 0x128);
  PT_GW_SetPollRang(7, 0x101, 0);
  EXPECT_TRUE(Data(0, 8, 0x61, 40).empty());
  EXPECT_TRUE(Data(1, 8, 0x60, 0x28).empty());
  EXPECT_TRUE(Data(2, 8, 0x61, 0).empty());
  EXPECT_EQ(sent_[0].gwId, 7);
}

TEST_F(Maintenance, DiagnosisVisitsPortsAndGatewaysInOrder) {
  EXPECT_EQ(PT_GW_TagDiag(0, 0), 0) << "no gateway configured";
  EXPECT_EQ(PT_GW_TagDiag(4, 0), -1);
  for (uint16_t id : {4, 5, 6})
    PT_GW_InsConf(id, "127.0.0.1", id);
  results_ = {0, -3};
  EXPECT_EQ(PT_GW_TagDiag(5, 0), -3) << "the second send's result";
  ASSERT_EQ(sent_.size(), 2u);
  Data(0, 9, 0x60, 0);
  Data(1, 9, 0x61, 0);
  EXPECT_EQ(sent_[1].gwId, 5);
  sent_.clear();
  results_ = {-1, -1, -2};
  EXPECT_EQ(PT_GW_TagDiag(0, 1), -2);
  ASSERT_EQ(sent_.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    Data(i, 9, 0x60, 0);
    EXPECT_EQ(sent_[i].gwId, 4 + i);
  }
  sent_.clear();
  EXPECT_EQ(PT_GW_TagDiag(5, 5), 0);
  EXPECT_EQ(PT_GW_TagDiag(0, 3), 0);
  EXPECT_EQ(PT_GW_TagDiag(9, 5), -1);
  EXPECT_TRUE(sent_.empty());
}

TEST_F(Maintenance, NewNodeAddressAndReset) {
  PT_Tag_ChgAddr(0x00010203, 0x121);
  EXPECT_EQ(Data(0, 0x3A, 0x61, 3), (Bytes{0x40, 0x1B, 0x1B, 0x10, 0x21}));
  PT_Tag_Reset(kTag);
  EXPECT_TRUE(Data(1, 0x14).empty());
}

TEST(HexDigits, AtLeastTwoUppercaseDigits) {
  EXPECT_EQ(Hex2(5), "05");
  EXPECT_EQ(Hex2(0xAB), "AB");
  EXPECT_EQ(Hex2(256), "100");
  EXPECT_EQ(Hex2(0xFFFFFFFF), "FFFFFFFF");
}

}  // namespace
}  // namespace roviro2
