// SPDX-License-Identifier: MIT
// Data collection terminals: control commands, cursor and text.
#include "roviro2.h"
#include "unit/commands/capture.h"

namespace roviro2 {
namespace {

using Dcs = Commands;

TEST_F(Dcs, ByteArgumentsAreCheckedOnTheirLowByte) {
  EXPECT_EQ(PT_DCS_InputMode(kTag, 0), -4);
  EXPECT_EQ(PT_DCS_InputMode(kTag, 5), -4);
  EXPECT_EQ(PT_DCS_SetRows(kTag, 3), -4);
  EXPECT_EQ(PT_DCS_SetRows(kTag, 9), -4);
  for (uint32_t bad : {128u, 255u, 0xFFFFFFFFu}) {
    EXPECT_EQ(PT_DCS_BufSize(kTag, bad), -4);
    EXPECT_EQ(PT_DCS_SimulateKey(kTag, bad), -4);
    EXPECT_EQ(PT_DCS_ScrollUp(kTag, bad), -4);
    EXPECT_EQ(PT_DCS_ScrollDown(kTag, bad), -4);
  }
  EXPECT_TRUE(sent_.empty());
  PT_DCS_InputMode(kTag, 0x30);
  PT_DCS_InputMode(kTag, 0x134);
  PT_DCS_SetRows(kTag, 4);
  PT_DCS_SetRows(kTag, 0x108);
  PT_DCS_BufSize(kTag, 127);
  PT_DCS_SimulateKey(kTag, 0x100);
  PT_DCS_ScrollUp(kTag, 1);
  PT_DCS_ScrollDown(kTag, 2);
  PT_DCS_Buzzer(kTag, 0x1FF, 3);
  const std::vector<Bytes> expected = {{'B', 0x30}, {'B', 0x34}, {'G', '4'},
                                       {'G', '8'},  {'C', 127},  {'H', 0},
                                       {'K', 1},    {'L', 2},    {'J', 0xFF, 3}};
  for (std::size_t i = 0; i < expected.size(); ++i)
    EXPECT_EQ(Data(i, 0x37), expected[i]) << i;
}

TEST_F(Dcs, HeaderOnlyCommandsSendTheirLetter) {
  PT_DCS_ReqConf(kTag);
  PT_DCS_GetVer(kTag);
  PT_DCS_Reset(kTag);
  PT_DCS_Cls(kTag);
  PT_DCS_ScrollHome(kTag);
  PT_DCS_ScrollEnd(kTag);
  const std::string letters = "DEFIMN";
  for (std::size_t i = 0; i < letters.size(); ++i) {
    EXPECT_EQ(Data(i, 0x37), Bytes{static_cast<uint8_t>(letters[i])}) << i;
  }
}

TEST_F(Dcs, ConfigurationIsSentAsMaskedHexDigits) {
  PT_DCS_SetConf(kTag, 1, 2);
  PT_DCS_SetConf(kTag, 0, 0);
  PT_DCS_SetConf(kTag, 0xFF, 0x12);
  PT_DCS_SetConf(kTag, 0, 0xFF);
  EXPECT_EQ(Data(0, 0x37), Text("DFDFC"));
  EXPECT_EQ(Data(1, 0x37), Text("DFFFF"));
  EXPECT_EQ(Data(2, 0x37), Text("DFF00"));
  EXPECT_EQ(Data(3, 0x37), Text("D0000"));
}

TEST_F(Dcs, CursorPositionSequence) {
  PT_DCS_SetCursor(kTag, 0, 0);
  PT_DCS_SetCursor(kTag, 1, 12);
  PT_DCS_SetCursor(kTag, 255, 0x1FF);
  EXPECT_EQ(Data(0, 0x39), Text("\x1B[0;0H"));
  EXPECT_EQ(Data(1, 0x39), Text("\x1B[1;12H"));
  EXPECT_EQ(Data(2, 0x39), Text("\x1B[255;255H"));
}

TEST_F(Dcs, TextLengthFromTheCallerOrFromTheText) {
  for (int32_t length : {-1, 0x8000, 0xFFFF})
    PT_DCS_DspStrE(kTag, "Hi!", length);
  for (std::size_t i = 0; i < 3; ++i)
    EXPECT_EQ(Data(i, 0x39), Text("Hi!")) << i;
  PT_DCS_DspStrE(kTag, "Hi!", 0);
  EXPECT_TRUE(Data(3, 0x39).empty());
  PT_DCS_DspStrE(kTag, "Hi!", 0x10003);
  EXPECT_EQ(Data(4, 0x39), Text("Hi!"));
  const char withZero[] = {'a', 0, 'b'};
  PT_DCS_DspStrE(kTag, withZero, 3);
  EXPECT_EQ(Data(5, 0x39), (Bytes{'a', 0, 'b'}));
}

TEST_F(Dcs, HexTextUsesUppercaseDigitsAndZeroBytesAsZeroDigits) {
  PT_DCS_DspStrC(kTag, "Hi", -1);
  EXPECT_EQ(Data(0, 0x38), Text("4869"));
  const char bytes[] = {'\xFF', 0, '\x0a'};
  PT_DCS_DspStrC(kTag, bytes, 3);
  EXPECT_EQ(Data(1, 0x38), Text("FF000A"));
}

TEST_F(Dcs, HexTextLengthFromTheCallerOrFromTheText) {
  for (int32_t length : {0x8000, 0xFFFF, 0x10002})
    PT_DCS_DspStrC(kTag, "Hi", length);
  for (std::size_t i = 0; i < 3; ++i)
    EXPECT_EQ(Data(i, 0x38), Text("4869")) << i;
  PT_DCS_DspStrC(kTag, "Hi", 0);
  EXPECT_TRUE(Data(3, 0x38).empty());
}

TEST_F(Dcs, TextsThatDoNotFitAndNullTexts) {
  const std::string most(8192, 'x');
  EXPECT_EQ(PT_DCS_DspStrE(kTag, most.c_str(), 8192), 0);
  EXPECT_EQ(PT_DCS_DspStrE(kTag, most.c_str(), -1), 0);
  const std::string tooMany(8193, 'x');
  EXPECT_EQ(PT_DCS_DspStrE(kTag, tooMany.c_str(), 8193), -4);
  EXPECT_EQ(PT_DCS_DspStrE(kTag, tooMany.c_str(), -1), -4);
  EXPECT_EQ(PT_DCS_DspStrC(kTag, most.c_str(), 4096), 0);
  EXPECT_EQ(PT_DCS_DspStrC(kTag, most.c_str(), 4097), -4);
  const std::string tooLongForHex(4097, 'x');
  EXPECT_EQ(PT_DCS_DspStrC(kTag, tooLongForHex.c_str(), -1), -4);
  EXPECT_EQ(PT_DCS_DspStrE(kTag, nullptr, 3), -4);
  EXPECT_EQ(PT_DCS_DspStrC(kTag, nullptr, 1), -4);
  EXPECT_EQ(sent_.size(), 3u);
  EXPECT_EQ(PT_DCS_DspStrE(kTag, nullptr, -1), 0) << "null text with its length from the text";
  EXPECT_EQ(PT_DCS_DspStrC(kTag, nullptr, 0), 0);
  EXPECT_EQ(PT_DCS_DspStrC(kTag, nullptr, -1), 0);
  EXPECT_TRUE(Data(3, 0x39).empty());
  EXPECT_TRUE(Data(4, 0x38).empty());
  EXPECT_TRUE(Data(5, 0x38).empty());
}

}  // namespace
}  // namespace roviro2
