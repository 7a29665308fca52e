// SPDX-License-Identifier: MIT
// Counter terminals and digital I/O modules.
#include "roviro2.h"
#include "unit/commands/capture.h"

namespace roviro2 {
namespace {

using Dt2 = Commands;
using Dio = Commands;

TEST_F(Dt2, CounterFunctionsSendTheirSubCommand) {
  PT_DT2_EnableCounter(kTag);
  PT_DT2_ReadCounter(kTag);
  PT_DT2_DisableCounter(kTag);
  PT_DT2_AutoReport(kTag, 1);
  PT_DT2_AutoReport(kTag, 255);
  PT_DT2_AutoReport(kTag, 0x100);
  const std::vector<Bytes> expected = {{1}, {2}, {3}, {5}, {5}, {6}};
  for (std::size_t i = 0; i < expected.size(); ++i)
    EXPECT_EQ(Data(i, 0x40), expected[i]) << i;
}

TEST_F(Dt2, CounterValueAsFourNibblesLeastSignificantFirst) {
  PT_DT2_SetCounter(kTag, 0x1234);
  PT_DT2_SetCounter(kTag, 0xABCD);
  PT_DT2_SetCounter(kTag, 0x12345);
  PT_DT2_SetCounter(kTag, 0);
  PT_DT2_SetCounter(kTag, 0xFFFFFFFF);
  EXPECT_EQ(Data(0, 0x40), (Bytes{4, 4, 3, 2, 1}));
  EXPECT_EQ(Data(1, 0x40), (Bytes{4, 0xD, 0xC, 0xB, 0xA}));
  EXPECT_EQ(Data(2, 0x40), (Bytes{4, 5, 4, 3, 2}));
  EXPECT_EQ(Data(3, 0x40), (Bytes{4, 0, 0, 0, 0}));
  EXPECT_EQ(Data(4, 0x40), (Bytes{4, 0xF, 0xF, 0xF, 0xF}));
}

TEST_F(Dt2, BuzzerAndSettingsUseTheirLowBytes) {
  PT_DT2_Buzzer(kTag, 0x1FF, 0xFF);
  EXPECT_EQ(Data(0, 0x04), (Bytes{0xFF, 0xFF}));
  PT_DT2_Terminator(kTag, 0x0D);
  PT_DT2_FunKeyConfig(kTag, 0x102);
  EXPECT_EQ(Data(1, 0x3A), (Bytes{0x40, 0x1B, 0x1B, 0x51, 0x0D}));
  EXPECT_EQ(Data(2, 0x3A), (Bytes{0x40, 0x1B, 0x1B, 0x50, 0x02}));
}

TEST_F(Dt2, DisplayTextIsCounted) {
  PT_DT2_DspStr(kTag, "Hi!", 3);
  EXPECT_EQ(Data(0, 0x3A), (Bytes{0x40, 'H', 'i', '!'}));
  const char longer[] = {'H', 'i', 0, 'x', 'y'};
  PT_DT2_DspStr(kTag, longer, 5);
  EXPECT_EQ(Data(1, 0x3A), (Bytes{0x40, 'H', 'i', 0, 'x', 'y'}));
  PT_DT2_DspStr(kTag, "Hi!", 0);
  EXPECT_EQ(Data(2, 0x3A), (Bytes{0x40}));
  const std::string most(8191, 'z');
  EXPECT_EQ(PT_DT2_DspStr(kTag, most.c_str(), 8191), 0);
  EXPECT_EQ(PT_DT2_DspStr(kTag, most.c_str(), 8192), -4);
  EXPECT_EQ(PT_DT2_DspStr(kTag, "Hi!", -1), -4) << "a negative length has no meaning";
  EXPECT_EQ(PT_DT2_DspStr(kTag, nullptr, 2), -4);
  EXPECT_EQ(sent_.size(), 4u);
  EXPECT_EQ(PT_DT2_DspStr(kTag, nullptr, 0), 0);
}

TEST_F(Dio, StatusRequestAndReportMode) {
  PT_DIO_ReadIoStatus(kTag);
  EXPECT_EQ(Data(0, 0x3C), (Bytes{0}));
  PT_DIO_SetDiRspMode(kTag, 0);
  PT_DIO_SetDiRspMode(kTag, 0x10000);
  PT_DIO_SetDiRspMode(kTag, 1);
  EXPECT_EQ(Data(1, 0x3A), (Bytes{0x40, 0x1B, 0x1B, 0x11, 'N'}));
  EXPECT_EQ(Data(2, 0x3A), (Bytes{0x40, 0x1B, 0x1B, 0x11, 'N'}));
  EXPECT_EQ(Data(3, 0x3A), (Bytes{0x40, 0x1B, 0x1B, 0x11, 'A'}));
}

TEST_F(Dio, OutputWordsAreInterleavedLowBytesFirst) {
  struct Case {
    int32_t channel;
    uint32_t value;
    const char *digits;
  };
  const Case cases[] = {
      {3, 1, "FBFFFFFF"},      {0, 0x1234, "00340012"},  {16, 0, "FF007F00"},
      {0, 0x8000, "00000080"}, {2, 0x10000, "FD00FF00"}, {17, 1, "FFFFFFFF"},
      {33, 0, "FE00FF00"},     {0x10001, 1, "FEFFFFFF"},
  };
  for (const Case &c : cases) {
    sent_.clear();
    PT_DIO_SetDO(kTag, c.channel, c.value);
    Bytes expected = {0};
    const Bytes digits = Text(c.digits);
    expected.insert(expected.end(), digits.begin(), digits.end());
    EXPECT_EQ(Data(0, 0x3D), expected) << c.channel << " " << c.value;
  }
}

}  // namespace
}  // namespace roviro2
