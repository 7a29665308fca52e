// SPDX-License-Identifier: MIT
// The bridge's reading of command messages and its options, the JSON of its
// events and its bounded queue.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <string>
#include <vector>

#include "command.h"
#include "event_queue.h"
#include "events.h"
#include "options.h"

namespace bridge {
namespace {

TEST(Command, ReadsArgumentsByPositionAndByNameInEveryForm) {
  Command c;
  std::string error;
  ASSERT_TRUE(ParseCommand(R"({"id":"r1","function":"PT_LB_DspNum","args":["1:1:5",-3,"0x10",0]})",
                           c, error))
      << error;
  EXPECT_EQ(c.id, "r1");
  EXPECT_STREQ(c.function->name, "PT_LB_DspNum");
  EXPECT_EQ(c.values.U(0), 0x00010105u);
  EXPECT_EQ(c.values.I(1), -3);
  EXPECT_EQ(c.values.U(2), 0x10u);
  // By name, in any order; a text's characters up to U+00FF are its bytes,
  // zero bytes included, and a byte list is a list or "1,2,3".
  ASSERT_TRUE(ParseCommand(
      R"({"id":12,"function":"PT_DCS_DspStrE","args":{"length":3,"text":"a\u0000\u00e9","tagAddr":65793}})",
      c, error))
      << error;
  EXPECT_EQ(c.id, "12");
  EXPECT_EQ(std::string(reinterpret_cast<const char *>(c.values.B(1)), c.values.Size(1)),
            std::string("a\0\xE9", 3));
  ASSERT_TRUE(ParseCommand(R"({"function":"PT_KBN_SegDsp","args":["1:1:5","1,2,3",3]})", c, error));
  EXPECT_EQ(c.values.Size(1), 3u);
  ASSERT_TRUE(
      ParseCommand(R"({"function":"PT_CNV_SendData","args":["1:1:5",[0,255],2]})", c, error));
  EXPECT_EQ(c.values.B(1)[1], 255);
  ASSERT_TRUE(ParseCommand(R"({"function":"PT_GW_Cnt"})", c, error)) << "no args: none taken";
}

struct Bad {
  const char *message;
  const char *error;
  const char *id;  // the id the error is answered to
};

class BadCommand : public ::testing::TestWithParam<Bad> {};

TEST_P(BadCommand, IsRefusedWithAMessageNamingTheFault) {
  Command c;
  std::string error;
  EXPECT_FALSE(ParseCommand(GetParam().message, c, error));
  EXPECT_NE(error.find(GetParam().error), std::string::npos) << error;
  EXPECT_EQ(c.id, GetParam().id);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, BadCommand,
    ::testing::Values(
        Bad{"{\"id\":", "not JSON", ""}, Bad{"[1,2]", "must be a JSON object", ""},
        Bad{R"({"id":"a/b","function":"PT_GW_Cnt"})", "\"id\" must be", ""},
        Bad{R"({"id":"x","function":"PT_Nothing"})", "no function named 'PT_Nothing'", "x"},
        Bad{R"({"id":"x","function":7})", "\"function\" must name", "x"},
        Bad{R"({"id":"x","function":"PT_LB_DspNum","args":["1:1:5",1,0]})",
            "takes 4 argument(s): tagAddr number extraByte dspMode", "x"},
        Bad{R"({"id":"x","function":"PT_LB_DspNum","args":["1:1:256",1,0,0]})",
            "argument 1 of PT_LB_DspNum (tagAddr) must be a tag address", "x"},
        Bad{R"({"id":"x","function":"PT_LB_DspNum","args":["1:1:5",1.5,0,0]})",
            "argument 2 of PT_LB_DspNum (number) must be a whole number", "x"},
        Bad{R"({"id":"x","function":"PT_LB_DspNum","args":["1:1:5",4294967296,0,0]})", "argument 2",
            "x"},
        Bad{R"({"id":"x","function":"PT_LB_DspNum","args":{"tagAddr":"1:1:5","number":1}})",
            "missing argument 'extraByte'", "x"},
        Bad{R"({"id":"x","function":"PT_GW_Open","args":{"gwId":1,"other":2}})",
            "unknown argument 'other'", "x"},
        Bad{R"({"id":"x","function":"PT_LB_DspStr","args":["1:1:5","\u20ac",0,0]})",
            "(text) must be a text", "x"},
        Bad{R"({"id":"x","function":"PT_KBN_SegDsp","args":["1:1:5",[1,256],2]})",
            "must be a list of bytes", "x"},
        // A count above the bytes given would make the library read past them.
        Bad{R"({"id":"x","function":"PT_DCS_DspStrE","args":["1:1:5","ab",6000]})",
            "argument 3 asks for 6000 byte(s), but argument 2 has only 2", "x"},
        Bad{R"({"id":"x","function":"PT_GW_SndMsg","args":[1,[64,0,96]]})",
            "length field says 64 bytes", "x"}));

TEST(Command, AnOverlongMessageIsRefusedUnread) {
  Command c;
  std::string error;
  EXPECT_FALSE(ParseCommand(std::string(70000, ' '), c, error));
  EXPECT_NE(error.find("longer than"), std::string::npos);
}

TEST(Events, AnyDataGivesValidJsonWithHexAndText) {
  const uint8_t data[] = {0x41, 0x00, 0x22, 0xE9, 0xFF};
  const auto event = nlohmann::json::parse(
      EventPayload(Frame{0x00020107, 0x3B, 0, data, sizeof data}, "2026-01-01T00:00:00.000Z"));
  EXPECT_EQ(event["gateway"], 2);
  EXPECT_EQ(event["port"], 1);
  EXPECT_EQ(event["node"], 7);
  EXPECT_EQ(event["command"], 0x3B);
  EXPECT_EQ(event["hex"], "41 00 22 E9 FF");
  EXPECT_EQ(event["text"], std::string("A\0\"\xC3\xA9\xC3\xBF", 7));
}

TEST(EventQueue, KeepsTheNewestAndCountsWhatEachGatewayLost) {
  EventQueue queue(2);
  for (uint32_t gateway : {1u, 2u, 1u, 3u})
    queue.Push({"t", std::to_string(gateway), gateway});
  EXPECT_EQ(queue.Size(), 2u);
  EXPECT_EQ(queue.Front().payload, "1");
  EXPECT_EQ(queue.Dropped(1), 1u);
  EXPECT_EQ(queue.Dropped(2), 1u);
  EXPECT_EQ(queue.Dropped(3), 0u);
}

TEST(Options, ValuesAreCheckedAndTheNameIsOneTopicLevel) {
  const auto read = [](std::vector<std::string> words) {
    std::vector<char *> argv{const_cast<char *>("roviro2-bridge")};
    for (std::string &w : words)
      argv.push_back(w.data());
    Options options;
    testing::internal::CaptureStderr();
    const int status = ReadOptions(static_cast<int>(argv.size()), argv.data(), options);
    testing::internal::GetCapturedStderr();
    return std::make_pair(status, options);
  };
  const auto good = read({"--host=broker", "--port", "1884", "--name", "hall-3", "--queue=5",
                          "--gateway", "2=127.0.0.1:4660"});
  EXPECT_EQ(good.first, -1);
  EXPECT_EQ(good.second.port, 1884);
  EXPECT_EQ(good.second.clientId, "roviro2-bridge-hall-3");
  EXPECT_EQ(good.second.queueSize, 5u);
  ASSERT_EQ(good.second.gateways.size(), 1u);
  for (const std::vector<std::string> &bad : {std::vector<std::string>{"--name=a/b"},
                                              {"--name=#"},
                                              {"--port=0"},
                                              {"--queue=0"},
                                              {"--keepalive=1"},
                                              {"--cert=c.pem"},
                                              {"--gateway=1"},
                                              {"extra"},
                                              {"--nothing"}})
    EXPECT_EQ(read(bad).first, 2) << bad[0];
}

}  // namespace
}  // namespace bridge
