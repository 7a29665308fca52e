// SPDX-License-Identifier: MIT
// The command-line tool's reading of arguments and its function table.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "functions.h"
#include "roviro2.h"
#include "session.h"
#include "support/ipindex_dir.h"
#include "values.h"

namespace cli {
namespace {

TEST(Values, WellFormedOnesParseAndMalformedOnesAreRefused) {
  uint32_t v = 0;
  EXPECT_TRUE(ParseNumber("42", v) && v == 42);
  EXPECT_TRUE(ParseNumber("0x1C5", v) && v == 0x1C5);
  EXPECT_TRUE(ParseNumber("-1", v) && v == 0xFFFFFFFF);
  EXPECT_FALSE(ParseNumber("4x", v));
  EXPECT_FALSE(ParseNumber("", v));
  EXPECT_FALSE(ParseNumber("4294967296", v));
  EXPECT_TRUE(ParseTag("1:1:5", v) && v == 0x00010105);
  EXPECT_TRUE(ParseTag("0x00020109", v) && v == 0x00020109);
  EXPECT_FALSE(ParseTag("1:1", v));
  EXPECT_FALSE(ParseTag("1:1:256", v));
  EXPECT_EQ(Unescape("a\\x41\\n\\\\"), std::string("aA\n\\"));
  std::vector<uint8_t> bytes;
  EXPECT_TRUE(ParseByteList("1,2,31", bytes));
  EXPECT_EQ(bytes, (std::vector<uint8_t>{1, 2, 31}));
  EXPECT_FALSE(ParseByteList("1,300", bytes));
  uint16_t id = 0, port = 0;
  std::string ip;
  EXPECT_TRUE(ParseGateway("7=127.0.0.1:4660", id, ip, port));
  EXPECT_EQ(id, 7);
  EXPECT_EQ(ip, "127.0.0.1");
  EXPECT_EQ(port, 4660);
  EXPECT_FALSE(ParseGateway("0=127.0.0.1:1", id, ip, port)) << "ID 0 names no gateway";
  EXPECT_FALSE(ParseGateway("127.0.0.1:1", id, ip, port));
  // Any bytes make a valid JSON string.
  EXPECT_EQ(JsonString(std::string("a\"b\\c\n\x7F\xC3\0", 9)),
            R"("a\"b\\c\u000A\u007F\u00C3\u0000")");
}

TEST(FunctionTable, HasEveryFunctionOfTheHeaderOnce) {
  std::ifstream header(std::string(ROVIRO2_SOURCE_DIR) + "/include/roviro2.h");
  std::stringstream text;
  text << header.rdbuf();
  const std::string source = text.str();
  const std::regex decl(R"(ROVIRO2_CALL\s+(PT_\w+)\s*\()");
  std::set<std::string> declared, listed;
  for (std::sregex_iterator it(source.begin(), source.end(), decl), end; it != end; ++it) {
    declared.insert((*it)[1]);
  }
  for (const Function &f : Functions())
    EXPECT_TRUE(listed.insert(f.name).second) << f.name;
  EXPECT_EQ(listed, declared);
}

TEST(FunctionTable, ArgumentsAreCheckedWithAMessageNamingTheWrongOne) {
  const Function *dspNum = FindFunction("PT_LB_DspNum");
  ASSERT_NE(dspNum, nullptr);
  Values values;
  std::string error;
  EXPECT_TRUE(ReadArguments(*dspNum, {"1:1:5", "42", "0", "-1"}, values, error)) << error;
  EXPECT_EQ(values.U(0), 0x00010105u);
  EXPECT_EQ(values.I(3), -1);
  Values bad;
  EXPECT_FALSE(ReadArguments(*dspNum, {"1:1:5", "forty", "0", "0"}, bad, error));
  EXPECT_NE(error.find("argument 2"), std::string::npos) << error;
  EXPECT_FALSE(ReadArguments(*dspNum, {"1:1:5"}, bad, error));
  EXPECT_NE(error.find("takes 4 argument(s)"), std::string::npos) << error;
  EXPECT_EQ(FindFunction("PT_Nothing"), nullptr);
}

// Whether the words are taken as the function's arguments; the error when not.
bool Reads(const std::string &name, const std::vector<std::string> &words, std::string &error) {
  const Function *function = FindFunction(name);
  if (!function) {
    error = "no function " + name;
    return false;
  }
  Values values;
  error.clear();
  return ReadArguments(*function, words, values, error);
}

// The library reads the low 16 bits of the count, as a signed number, from
// the bytes given: a count above them would read past the argument.
TEST(FunctionTable, ACountAboveTheBytesGivenIsRefused) {
  std::string error;
  for (const char *name :
       {"PT_DCS_DspStrE", "PT_DCS_DspStrC", "PT_CNV_SendData", "PT_DT2_DspStr"}) {
    SCOPED_TRACE(name);
    EXPECT_TRUE(Reads(name, {"1:1:5", "abc", "3"}, error)) << error;
    EXPECT_TRUE(Reads(name, {"1:1:5", "a\\x00c", "3"}, error)) << "a zero byte is a byte given";
    EXPECT_TRUE(Reads(name, {"1:1:5", "", "0"}, error)) << error;
    EXPECT_TRUE(Reads(name, {"1:1:5", "abc", "-1"}, error)) << "negative: no counted bytes";
    EXPECT_TRUE(Reads(name, {"1:1:5", "abc", "0x8000"}, error)) << "bit 15: negative";
    EXPECT_TRUE(Reads(name, {"1:1:5", "abc", "0x10003"}, error)) << "counts 3";
    EXPECT_TRUE(Reads(name, {"1:1:5", "abc", "-65533"}, error)) << "0xFFFF0003 counts 3";

    EXPECT_FALSE(Reads(name, {"1:1:5", "abc", "4"}, error));
    EXPECT_EQ(error,
              std::string(name) + ": argument 3 asks for 4 byte(s), but argument 2 has only 3");
    EXPECT_FALSE(Reads(name, {"1:1:5", "ab", "6000"}, error));
    EXPECT_FALSE(Reads(name, {"1:1:5", "", "1"}, error));
    EXPECT_FALSE(Reads(name, {"1:1:5", "abc", "0x10004"}, error));
    EXPECT_NE(error.find("asks for 4 byte(s) (the low 16 bits of 65540)"), std::string::npos)
        << error;
    EXPECT_FALSE(Reads(name, {"1:1:5", "abc", "0x7FFF"}, error)) << "the largest count";
  }
  EXPECT_TRUE(Reads("PT_KBN_SegDsp", {"1:1:5", "1,2,3", "3"}, error)) << error;
  EXPECT_TRUE(Reads("PT_KBN_SegDsp", {"1:1:5", "1,2,3", "-4"}, error)) << "shows none";
  EXPECT_TRUE(Reads("PT_KBN_SegDsp", {"1:1:5", "", "0"}, error)) << error;
  EXPECT_FALSE(Reads("PT_KBN_SegDsp", {"1:1:5", "1,2,3", "4"}, error));
  EXPECT_NE(error.find("argument 2 has only 3"), std::string::npos) << error;
  EXPECT_FALSE(Reads("PT_KBN_SegDsp", {"1:1:5", "", "1"}, error));
}

TEST(FunctionTable, AFrameLengthFieldAboveTheFrameIsRefused) {
  std::string error;
  EXPECT_TRUE(Reads("PT_GW_SndMsg", {"1", "\\x08\\x00\\x60\\x00\\x00\\x00\\x10\\x05"}, error))
      << error;
  EXPECT_TRUE(Reads("PT_GW_SndMsg", {"1", "\\x09\\x00\\x60\\x00\\x00\\x00\\x10\\x05AB"}, error))
      << "bytes after the frame are not read";
  EXPECT_TRUE(Reads("PT_GW_SndMsg", {"1", "\\x02\\x00"}, error))
      << "a length below 6 is the library's to refuse: " << error;
  EXPECT_FALSE(Reads("PT_GW_SndMsg", {"1", "\\x09\\x00\\x60\\x00\\x00\\x00\\x10\\x05"}, error));
  EXPECT_EQ(error, "PT_GW_SndMsg: the frame's length field says 9 bytes but the frame has only 8");
  EXPECT_FALSE(Reads("PT_GW_SndMsg", {"1", "\\x00\\x01abc"}, error)) << "little-endian: 256";
  EXPECT_FALSE(Reads("PT_GW_SndMsg", {"1", "\\x01"}, error)) << "no room for the length field";
  EXPECT_NE(error.find("2-byte length field"), std::string::npos) << error;
  EXPECT_FALSE(Reads("PT_GW_SndMsg", {"1", ""}, error));
}

// PT_GW_Conf copies an entry's whole address text and is given no size.
TEST(FunctionTable, ConfShowsTheFirst15CharactersOfALongerAddress) {
  const std::string longAddress(5000, 'a');
  const Function *insert = FindFunction("PT_GW_InsConf");
  const Function *conf = FindFunction("PT_GW_Conf");
  ASSERT_TRUE(insert && conf);
  Values added, index;
  std::string error, output;
  ASSERT_TRUE(ReadArguments(*insert, {"77", longAddress, "4660"}, added, error)) << error;
  const int32_t slot = insert->call(added, output);
  ASSERT_GE(slot, 0);
  ASSERT_TRUE(ReadArguments(*conf, {std::to_string(slot)}, index, error)) << error;
  EXPECT_EQ(conf->call(index, output), 1);
  EXPECT_EQ(output, "id 77 address " + longAddress.substr(0, 15) + " port 4660");
}

TEST(Meanings, SayWhatEachCodeMeansForThatFunction) {
  EXPECT_EQ(Meaning("PT_LB_DspAddr", -3), "connection to the gateway not up");
  EXPECT_NE(Meaning("PT_LB_DspNum", -2).find("number outside"), std::string::npos);
  EXPECT_EQ(Meaning("PT_LB_BuzOn", -5), "state above 1");
  EXPECT_EQ(Meaning("PT_GW_Status", 7), "connected");
  EXPECT_EQ(Meaning("PT_GW_InsConf", -3), "address and port already present");
  EXPECT_EQ(Meaning("PT_GW_Conf", -1), "no entry at that index");
  EXPECT_EQ(Meaning("PT_GW_Ndx2ID", -1), "no entry at that index");
  EXPECT_EQ(Meaning("PT_GW_Ndx2ID", 0), "deleted entry");
  for (const char *name : {"PT_GW_UpdConf", "PT_GW_DelConf", "PT_GW_SetDefault"})
    EXPECT_EQ(Meaning(name, -1).rfind("ID 0 or not in the table", 0), 0u) << name;
  EXPECT_TRUE(IsFailure("PT_GW_Status", 0));
  EXPECT_FALSE(IsFailure("PT_GW_Status", 6));
  EXPECT_FALSE(IsFailure("PT_GW_Cnt", 3));
  EXPECT_TRUE(IsFailure("PT_KBN_Clear", -4));
}

}  // namespace
}  // namespace cli
