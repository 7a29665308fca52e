// SPDX-License-Identifier: MIT
// Light bar tags: the display sequence, LEDs, buzzer and settings.
#include "roviro2.h"
#include "unit/commands/capture.h"

namespace roviro2 {
namespace {

using Lb = Commands;

TEST_F(Lb, NumbersAreRightAlignedWithoutZeroFilling) {
  EXPECT_EQ(PT_LB_DspNum(kTag, 42, 5, 0), 0);
  EXPECT_EQ(Data(0, 0x00), (Bytes{' ', ' ', ' ', ' ', '4', '2', 5}));
  PT_LB_DspNum(kTag, -7, 0x105, 0);
  EXPECT_EQ(Data(1, 0x00), (Bytes{' ', ' ', ' ', ' ', '-', '7', 5})) << "low byte of extraByte";
  PT_LB_DspNum(kTag, 0, 0, 0);
  EXPECT_EQ(Data(2, 0x00), (Bytes{' ', ' ', ' ', ' ', ' ', '0', 0}));
  PT_LB_DspNum(kTag, -99999, 0, 0);
  EXPECT_EQ(Data(3, 0x00), (Bytes{'-', '9', '9', '9', '9', '9', 0}));
  PT_LB_DspNum(kTag, 999999, 0, 0);
  EXPECT_EQ(Data(4, 0x00), (Bytes{'9', '9', '9', '9', '9', '9', 0}));
  EXPECT_EQ(sent_[0].gwId, 1);
}

TEST_F(Lb, NumberOutOfRangeIsRefusedBeforeTheDisplayMode) {
  EXPECT_EQ(PT_LB_DspNum(kTag, -100000, 0, 0), -2);
  EXPECT_EQ(PT_LB_DspNum(kTag, 1000000, 0, 0), -2);
  EXPECT_EQ(PT_LB_DspNum(kTag, 1000000, 0, -2), -2);
  EXPECT_TRUE(sent_.empty());
}

TEST_F(Lb, DisplayModesChooseTheFrames) {
  results_ = {-3, 0};
  EXPECT_EQ(PT_LB_DspNum(kTag, 1, 0, 300), 0) << "the preset frame's result is ignored";
  ASSERT_EQ(sent_.size(), 2u);
  EXPECT_EQ(Data(0, 0x12), (Bytes{0x2C, 0x01}));
  EXPECT_EQ(Data(1, 0x10).size(), 7u);

  sent_.clear();
  results_ = {};
  PT_LB_DspNum(kTag, 1, 0, 0x7FFFFFFF);  // low 16 bits 0xFFFF: -1
  ASSERT_EQ(sent_.size(), 1u);
  Data(0, 0x10);

  sent_.clear();
  results_ = {0, -4};
  EXPECT_EQ(PT_LB_DspStr(kTag, "AB", 0, 0x8000), -4) << "-32768: commands 1 and 3, the last counts";
  ASSERT_EQ(sent_.size(), 2u);
  EXPECT_TRUE(Data(0, 0x01).empty());
  EXPECT_TRUE(Data(1, 0x03).empty());

  sent_.clear();
  results_ = {};
  PT_LB_DspStr2(kTag, "AB", -2);
  ASSERT_EQ(sent_.size(), 1u);
  EXPECT_TRUE(Data(0, 0x01).empty());
}

TEST_F(Lb, TextsAreCutAndAligned) {
  PT_LB_DspStr(kTag, "XY", 7, 0);
  EXPECT_EQ(Data(0, 0x00), (Bytes{' ', ' ', ' ', ' ', 'X', 'Y', 7}));
  PT_LB_DspStr(kTag, "ABCDEFGH", 7, 0);
  EXPECT_EQ(Data(1, 0x00), (Bytes{'A', 'B', 'C', 'D', 'E', 'F', 7}));
  PT_LB_DspStr(kTag, nullptr, 7, 0);
  EXPECT_EQ(Data(2, 0x00), (Bytes{' ', ' ', ' ', ' ', ' ', ' ', 7})) << "null is empty";
  PT_LB_DspStr2(kTag, "", 0);
  EXPECT_TRUE(Data(3, 0x00).empty());
  PT_LB_DspStr2(kTag, "abcdefghijklmnopqrstuvwxy", -1);
  EXPECT_EQ(Data(4, 0x10), Text("abcdefghijklmnopqrst"));
  PT_LB_DspStr2(kTag, nullptr, 0);
  EXPECT_TRUE(Data(5, 0x00).empty()) << "null is empty";
}

TEST_F(Lb, LedBuzzerAndAddressRefuseBadArgumentsBeforeSending) {
  EXPECT_EQ(PT_LB_LedOn(kTag, 3, 1), -4);
  EXPECT_EQ(PT_LB_BuzOn(kTag, 2), -5);
  EXPECT_TRUE(sent_.empty());
  PT_LB_LedOn(kTag, 0x102, 0x10000);  // type 2, no preset
  PT_LB_LedOn(kTag, 0, 0xFFFF);
  PT_LB_LedOn(kTag, 1, 0);
  ASSERT_EQ(sent_.size(), 4u);
  Data(0, 0x11);
  EXPECT_EQ(Data(1, 0x12), (Bytes{0xFF, 0xFF}));
  Data(2, 0x03);
  Data(3, 0x02);
  PT_LB_BuzOn(kTag, 1);
  PT_LB_BuzOn(kTag, 0x100);
  Data(4, 0x04);
  Data(5, 0x05);
  PT_LB_DspAddr(kTag);
  Data(6, 0x13);
  results_.assign(9, 0);
  results_[8] = -3;
  EXPECT_EQ(PT_LB_DspOff(kTag), -3);
  Data(7, 0x01);
  Data(8, 0x03);
}

TEST_F(Lb, SettingsReadOnlyTheirLowByteAndLocksSendPerBit) {
  PT_LB_SetMode(kTag, 0x101);
  PT_LB_SetMode(kTag, 2);
  PT_LB_Simulate(kTag, 1);
  PT_LB_Simulate(kTag, 2);
  Data(0, 0x19);
  Data(1, 0x1A);
  Data(2, 0x17);
  Data(3, 0x18);
  sent_.clear();
  results_ = {0, -3};
  EXPECT_EQ(PT_LB_SetLock(kTag, 1, 3), -3);
  Data(0, 0x15);
  Data(1, 0x1B);
  sent_.clear();
  results_ = {};
  PT_LB_SetLock(kTag, 2, 1);
  ASSERT_EQ(sent_.size(), 1u);
  Data(0, 0x1C);
  PT_LB_SetLock(kTag, 0, 2);
  Data(1, 0x16);
  EXPECT_EQ(PT_LB_SetLock(kTag, 0, 0), 0);
  EXPECT_EQ(PT_LB_SetLock(kTag, 3, 1), -6);
  EXPECT_EQ(sent_.size(), 2u);
}

TEST_F(Lb, PortSelectorOneIsPortOneAndEverythingElsePortTwo) {
  for (uint32_t port : {0u, 2u, 200u})
    PT_LB_DspAddr(0x00010005 | (port << 8));
  PT_LB_DspAddr(0x00020109);
  Data(0, 0x13, 0x61);
  Data(1, 0x13, 0x61);
  Data(2, 0x13, 0x61);
  Data(3, 0x13, 0x60, 9);
  EXPECT_EQ(sent_[3].gwId, 2);
}

}  // namespace
}  // namespace roviro2
