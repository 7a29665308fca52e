// SPDX-License-Identifier: MIT
// The simulated gateway fed with the frames the library's own command
// functions build: the devices' state, and answers that decode through the
// library's receive side.
#include <gtest/gtest.h>

#include <sstream>

#include "commands/command_sender.h"
#include "describe.h"
#include "events.h"
#include "gateway.h"
#include "link/tag_decode.h"
#include "roviro2.h"

namespace gwsim {
namespace {

class Simulated : public ::testing::Test {
 protected:
  void SetUp() override {
    roviro2::SetCommandSinkForTesting([this](uint16_t, const Bytes &frame) {
      for (Bytes &answer : gateway_.Handle(frame.data(), frame.size()))
        answers_.push_back(answer);
      return 0;
    });
  }
  void TearDown() override { roviro2::SetCommandSinkForTesting({}); }

  // The only answer so far, decoded as PT_Tag_RcvMsg would; its data stay
  // valid until the next answer.
  roviro2::TagMessage Answer() {
    EXPECT_EQ(answers_.size(), 1u);
    last_ = answers_.empty() ? Bytes{} : answers_.back();
    answers_.clear();
    roviro2::TagMessage message;
    EXPECT_TRUE(roviro2::DecodeTagMessage(last_.data(), last_.size(), message));
    return message;
  }

  static constexpr uint32_t kTag = ROVIRO2_TAG_ADDR(1, 1, 5);
  Gateway gateway_;
  std::vector<Bytes> answers_;
  Bytes last_;
};

TEST_F(Simulated, LightBarKeepsDisplayLedsAndSettings) {
  PT_LB_DspNum(kTag, -7, 0, 0);
  PT_LB_LedOn(kTag, 2, 300);
  PT_LB_BuzOn(kTag, 1);
  PT_LB_SetLock(kTag, 1, 3);
  const LightBar &lb = gateway_.At(1, 5).lb;
  EXPECT_EQ(lb.display, "    -7");
  EXPECT_EQ(lb.led, 2);
  EXPECT_EQ(lb.preset, 300);
  EXPECT_TRUE(lb.buzzer && lb.lock1 && lb.lock0);
  PT_LB_DspOff(kTag);
  EXPECT_FALSE(gateway_.At(1, 5).lb.displayOn);
  EXPECT_EQ(gateway_.At(1, 5).kinds, "LB");
}

TEST_F(Simulated, TerminalFollowsTheCursorSequence) {
  PT_DCS_Cls(kTag);
  PT_DCS_SetCursor(kTag, 2, 3);
  PT_DCS_DspStrE(kTag, "ab", -1);
  PT_DCS_DspStrC(kTag, "cd", -1);
  PT_DCS_DspStrE(kTag, "\x1b[1;1Htop", -1);
  const Terminal &t = gateway_.At(1, 5).dcs;
  ASSERT_GE(t.screen.size(), 2u);
  EXPECT_EQ(t.screen[1], "  abcd");
  EXPECT_EQ(t.screen[0], "top");
  PT_DCS_SetConf(kTag, 1, 2);
  PT_DCS_ReqConf(kTag);
  const roviro2::TagMessage config = Answer();
  EXPECT_EQ(config.command, 0x37);
  EXPECT_EQ(config.status, 0);
  EXPECT_EQ(std::string(config.data, config.data + config.dataLength), "DFDFC");
  PT_DCS_GetVer(kTag);
  const roviro2::TagMessage version = Answer();
  EXPECT_EQ(std::string(version.data, version.data + version.dataLength),
            std::string("E") + kVersionText);
}

TEST_F(Simulated, ViewMarksTheTerminalCursorCell) {
  PT_DCS_Cls(kTag);
  PT_DCS_DspStrE(kTag, "Hello", -1);
  PT_DCS_SetCursor(kTag, 1, 2);
  EXPECT_NE(RenderGateway(1, 4660, gateway_).find("    |Hello|\n      ^\n    ||\n"),
            std::string::npos)
      << "a '^' under the cell, on a line of its own";
  EXPECT_NE(RenderGateway(1, 4660, gateway_, View::kTerminal).find("    |H\x1b[7me\x1b[27mllo|\n"),
            std::string::npos);

  PT_DCS_SetCursor(kTag, 2, 3);  // past the end of an empty row
  EXPECT_NE(RenderGateway(1, 4660, gateway_).find("    ||\n       ^\n"), std::string::npos);
  EXPECT_NE(RenderGateway(1, 4660, gateway_, View::kTerminal).find("    |  \x1b[7m \x1b[27m|\n"),
            std::string::npos);

  PT_DCS_SetCursor(kTag, 9, 1);  // below the four rows: nothing to mark
  EXPECT_EQ(RenderGateway(1, 4660, gateway_).find('^'), std::string::npos);
  EXPECT_EQ(RenderGateway(1, 4660, gateway_, View::kTerminal).find("\x1b[7m"), std::string::npos);
  EXPECT_NE(RenderGateway(1, 4660, gateway_).find("cursor 9;1"), std::string::npos);
}

TEST_F(Simulated, LiveViewShowsControlBytesOfTextsAsDots) {
  PT_DCS_Cls(kTag);
  PT_DCS_DspStrE(kTag,
                 "a\x1b]2;x\x07"
                 "b",
                 -1);
  PT_KBN_DspMsg(kTag, "\x1b[2J", 1, 0);
  const std::string live = RenderGateway(1, 4660, gateway_, View::kTerminal);
  EXPECT_NE(live.find("|a.]2;x.b"), std::string::npos) << live;
  EXPECT_NE(live.find("board |.[2J|"), std::string::npos) << live;
  EXPECT_EQ(live.find("\x1b]"), std::string::npos);
  EXPECT_NE(RenderGateway(1, 4660, gateway_)
                .find("|a\x1b]2;x\x07"
                      "b"),
            std::string::npos)
      << "the plain view keeps the bytes as they are";
}

TEST_F(Simulated, FarCursorColumnDoesNotGrowTheRowWithoutBound) {
  PT_DCS_DspStrE(kTag, "\x1b[1;99999999999Hx", -1);
  const Terminal &t = gateway_.At(1, 5).dcs;
  ASSERT_FALSE(t.screen.empty());
  EXPECT_EQ(t.screen[0].size(), static_cast<std::size_t>(kMaxCursorColumn));
  EXPECT_EQ(t.screen[0].back(), 'x');
}

// A show frame of seven data bytes is six characters and the extra byte;
// other lengths are free texts. A seven-character free text cannot be told
// apart, and its last character shows as the extra byte.
TEST_F(Simulated, ShowFrameOfSevenBytesIsSixCharactersAndTheExtraByte) {
  PT_LB_DspStr(kTag, "AB", 0x2E, 0);
  EXPECT_EQ(gateway_.At(1, 5).lb.display, "    AB");
  EXPECT_EQ(gateway_.At(1, 5).lb.extra, 0x2E);
  EXPECT_NE(RenderGateway(1, 4660, gateway_).find("display |    AB|"), std::string::npos);
  EXPECT_NE(RenderGateway(1, 4660, gateway_).find("extra 0x2E"), std::string::npos);

  const uint32_t lb2 = ROVIRO2_TAG_ADDR(1, 2, 6);
  PT_LB2_DspStr(lb2, "ABCDEFG", 0);
  EXPECT_EQ(gateway_.At(2, 6).lb.display, "ABCDEF");
  EXPECT_EQ(gateway_.At(2, 6).lb.extra, 'G');
  EXPECT_EQ(gateway_.At(2, 6).kinds, "LB");
  PT_LB2_DspStr(lb2, "ABCDEFGH", 0);
  EXPECT_EQ(gateway_.At(2, 6).lb.display, "ABCDEFGH");
  EXPECT_EQ(gateway_.At(2, 6).lb.extra, -1);
  EXPECT_EQ(gateway_.At(2, 6).kinds, "LB LB2");

  const uint32_t wide = ROVIRO2_TAG_ADDR(1, 2, 7);
  PT_LB_DspStr2(wide, "ABCDEFGHIJKL", 0);
  EXPECT_EQ(gateway_.At(2, 7).lb.display, "ABCDEFGHIJKL");
  EXPECT_EQ(gateway_.At(2, 7).kinds, "LB") << "longer than an LB2 shows";
}

TEST_F(Simulated, CounterAndOutputsAnswerWithTheirValues) {
  PT_DT2_SetCounter(kTag, 0xBEEF);
  PT_DT2_ReadCounter(kTag);
  const roviro2::TagMessage counter = Answer();
  EXPECT_EQ(counter.status, 0);
  ASSERT_EQ(counter.dataLength, 3);
  EXPECT_EQ(counter.data[1] | counter.data[2] << 8, 0xBEEF);

  PT_DIO_SetDO(kTag, 0, 0x00F0);
  PT_DIO_SetDO(kTag, 5, 0);   // output 5 off
  PT_DIO_SetDO(kTag, 16, 1);  // output 16 on
  EXPECT_EQ(gateway_.At(1, 5).dio.outputs, 0x80E0);
  PT_DIO_ReadIoStatus(kTag);
  const roviro2::TagMessage io = Answer();
  ASSERT_EQ(io.dataLength, 4);
  EXPECT_EQ(io.data[2] | io.data[3] << 8, 0x80E0);
}

TEST_F(Simulated, BoardDecodesItsMessagesAndSegments) {
  PT_KBN_DspMsg(kTag, "Hello", 1, 1);
  EXPECT_EQ(gateway_.At(1, 5).kbn.message, "Hello");
  PT_KBN_SegDownload(kTag, 3, "Seg", 1, 0);
  EXPECT_EQ(gateway_.At(1, 5).kbn.segments.at(3), "Seg");
  const uint8_t shown[] = {3, 4};
  PT_KBN_SegDsp(kTag, shown, 2);
  EXPECT_EQ(gateway_.At(1, 5).kbn.shown, (std::vector<int32_t>{3, 4}));
  PT_KBN_SegDel(kTag, 3);
  EXPECT_TRUE(gateway_.At(1, 5).kbn.segments.empty());
  PT_KBN_Clear(kTag);
  EXPECT_EQ(gateway_.At(1, 5).kbn.message, "");
}

TEST_F(Simulated, DiagnosisAnswersPerPortWithTheDeviceCount) {
  PT_LB_DspAddr(ROVIRO2_TAG_ADDR(1, 1, 8));
  const uint8_t request[8] = {8, 0, 0x60, 0, 0, 0, 9, 0};
  const std::vector<Bytes> answers = gateway_.Handle(request, sizeof request);
  ASSERT_EQ(answers.size(), 1u);
  roviro2::TagMessage message;
  ASSERT_TRUE(roviro2::DecodeTagMessage(answers[0].data(), answers[0].size(), message));
  EXPECT_EQ(message.command, 9);
  EXPECT_EQ(message.status, 1);
  EXPECT_EQ(message.tagAddr & 0xFF, 0u);
}

TEST_F(Simulated, NewNodeAddressMovesTheDevice) {
  PT_LB_DspNum(kTag, 5, 0, 0);
  PT_Tag_ChgAddr(kTag, 9);
  EXPECT_EQ(gateway_.Devices().count({1, 5}), 0u);
  EXPECT_EQ(gateway_.At(1, 9).lb.display, "     5");
}

TEST(SimulatorScript, ParsesEventsAndFaultsAndRejectsBadLines) {
  Action a;
  bool empty = false;
  std::string error;
  ASSERT_TRUE(ParseAction("scan 2:2:7 4711 0815", a, empty, error));
  EXPECT_FALSE(empty);
  EXPECT_EQ(a.kind, Action::kScan);
  EXPECT_EQ(a.gateway, 2);
  EXPECT_EQ(a.port, 2);
  EXPECT_EQ(a.node, 7);
  EXPECT_EQ(std::string(a.bytes.begin(), a.bytes.end()), "4711 0815");
  ASSERT_TRUE(ParseAction("expect 1:1:7 0x3C", a, empty, error));
  EXPECT_EQ(a.number, 0x3Cu);
  ASSERT_TRUE(ParseAction("  # a comment", a, empty, error));
  EXPECT_TRUE(empty);
  ASSERT_TRUE(ParseAction("badlength 1 9000", a, empty, error));
  EXPECT_EQ(a.number, 9000u);
  EXPECT_FALSE(ParseAction("key 1:3:5 65", a, empty, error)) << "port 3";
  EXPECT_FALSE(ParseAction("explode 1", a, empty, error));
  EXPECT_NE(error.find("unknown command"), std::string::npos);
  EXPECT_FALSE(ParseAction("close", a, empty, error));
}

TEST(SimulatorScript, LinesAreReadWithABoundWhateverTheInput) {
  std::istringstream in("wait 5\n" + std::string(3 * kMaxScriptLine, '\0') + "\nwait 6");
  std::string line;
  bool tooLong = false;
  ASSERT_TRUE(ReadScriptLine(in, line, tooLong));
  EXPECT_EQ(line, "wait 5");
  EXPECT_FALSE(tooLong);
  ASSERT_TRUE(ReadScriptLine(in, line, tooLong));
  EXPECT_TRUE(tooLong);
  EXPECT_LE(line.size(), kMaxScriptLine);
  EXPECT_LE(static_cast<std::size_t>(in.tellg()), 8 + kMaxScriptLine + 1) << "read no further";
}

TEST(SimulatorScript, EventsUpdateTheDeviceAndDecodeAsTheirCommands) {
  Device device;
  Action tick;
  bool empty = false;
  std::string error;
  ASSERT_TRUE(ParseAction("tick 1:2:3 5", tick, empty, error));
  device.dt2.value = 10;
  const Bytes frame = EventFrame(tick, device);
  EXPECT_EQ(device.dt2.value, 15);
  roviro2::TagMessage message;
  ASSERT_TRUE(roviro2::DecodeTagMessage(frame.data(), frame.size(), message));
  EXPECT_EQ(message.tagAddr, 0x00000203u);
  EXPECT_EQ(message.command, 0x41);
  EXPECT_EQ(message.data[0] | message.data[1] << 8, 15);
  Action key;
  ASSERT_TRUE(ParseAction("key 1:1:5 65", key, empty, error));
  const Bytes keyFrame = EventFrame(key, device);
  ASSERT_TRUE(roviro2::DecodeTagMessage(keyFrame.data(), keyFrame.size(), message));
  EXPECT_EQ(message.status, -1) << "a key frame carries no status byte";
  EXPECT_EQ(message.dataLength, 1);
}

}  // namespace
}  // namespace gwsim
