// SPDX-License-Identifier: MIT
// Ten-character display tags, scanners and converters.
#include "roviro2.h"
#include "unit/commands/capture.h"

namespace roviro2 {
namespace {

using Lb2 = Commands;

TEST_F(Lb2, DisplayTakesAtMostTenCharactersThroughTheDisplaySequence) {
  PT_LB2_DspStr(kTag, "ABCDEFGHIJKLMN", 0);
  EXPECT_EQ(Data(0, 0x00), Text("ABCDEFGHIJ"));
  PT_LB2_DspStr(kTag, "", 0);
  EXPECT_TRUE(Data(1, 0x00).empty());
  PT_LB2_DspStr(kTag, nullptr, 5);
  EXPECT_EQ(Data(2, 0x12), (Bytes{5, 0}));
  EXPECT_TRUE(Data(3, 0x10).empty());
  PT_LB2_DspStr(kTag, "AB", -2);
  EXPECT_EQ(sent_.size(), 5u);
  Data(4, 0x01);
}

TEST_F(Lb2, RowsAreCheckedAsASigned16BitValue) {
  for (int32_t rows : {0, 13, -1})
    EXPECT_EQ(PT_LB2_SetRows(kTag, rows), -2) << rows;
  EXPECT_TRUE(sent_.empty());
  PT_LB2_SetRows(kTag, 12);
  PT_LB2_SetRows(kTag, 0x7FFF0005);
  EXPECT_EQ(Data(0, 0x25), (Bytes{12}));
  EXPECT_EQ(Data(1, 0x25), (Bytes{5}));
}

TEST_F(Lb2, DownloadPutsTheLeadByteBeforeTheText) {
  PT_LB2_Download(kTag, 0x103, "abc");
  EXPECT_EQ(Data(0, 0x24), (Bytes{3, 'a', 'b', 'c'}));
  PT_LB2_Download(kTag, 3, "");
  EXPECT_EQ(Data(1, 0x24), (Bytes{3}));
  PT_LB2_Download(kTag, 3, nullptr);
  EXPECT_EQ(Data(2, 0x24), (Bytes{3}));
  PT_LB2_Download(kTag, 3, "0123456789XYZ");
  EXPECT_EQ(Data(3, 0x24).size(), 11u);
}

TEST_F(Lb2, RescanAndTerminatorSendTheirCodes) {
  PT_CCD_Rescan(kTag);
  EXPECT_EQ(Data(0, 0x30), (Bytes{0x0A}));
  PT_CNV_SetTerminator(kTag, 0x10D);
  EXPECT_EQ(Data(1, 0x3A), (Bytes{0x40, 0x1B, 0x1B, 0x20, 0x0D}));
}

TEST_F(Lb2, ConverterDataIsCountedNotStoppedAtZero) {
  const uint8_t data[] = {0x41, 0x00, 0x42, 0x0D};
  PT_CNV_SendData(kTag, data, 4);
  EXPECT_EQ(Data(0, 0x28), (Bytes{0x41, 0x00, 0x42, 0x0D}));
  PT_CNV_SendData(kTag, nullptr, 0);
  EXPECT_TRUE(Data(1, 0x28).empty());
  const Bytes most(8192, 0x55);
  PT_CNV_SendData(kTag, most.data(), 8192);
  EXPECT_EQ(Data(2, 0x28), most) << "length field 8200; the sender cuts it";
}

TEST_F(Lb2, ConverterLengthsThatCannotBeSentAreRefused) {
  const Bytes many(8193, 1);
  EXPECT_EQ(PT_CNV_SendData(kTag, many.data(), 8193), -4);
  EXPECT_EQ(PT_CNV_SendData(kTag, many.data(), 0xFFFF), -4) << "reads as -1";
  EXPECT_EQ(PT_CNV_SendData(kTag, many.data(), 0x8000), -4);
  EXPECT_EQ(PT_CNV_SendData(kTag, nullptr, 1), -4);
  EXPECT_TRUE(sent_.empty());
  PT_CNV_SendData(kTag, many.data(), 0x10002);
  EXPECT_EQ(Data(0, 0x28).size(), 2u) << "only the low 16 bits count";
}

}  // namespace
}  // namespace roviro2
