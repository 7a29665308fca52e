// The command-line tool's reading of arguments and its function table.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "functions.h"
#include "values.h"

namespace cli {
namespace {

TEST(Values, NumbersTagsTextsAndGateways) {
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

TEST(Meanings, SayWhatEachCodeMeansForThatFunction) {
  EXPECT_EQ(Meaning("PT_LB_DspAddr", -3), "connection to the gateway not up");
  EXPECT_NE(Meaning("PT_LB_DspNum", -2).find("number outside"), std::string::npos);
  EXPECT_EQ(Meaning("PT_LB_BuzOn", -5), "state above 1");
  EXPECT_EQ(Meaning("PT_GW_Status", 7), "connected");
  EXPECT_EQ(Meaning("PT_GW_InsConf", -3), "address and port already present");
  EXPECT_TRUE(IsFailure("PT_GW_Status", 0));
  EXPECT_FALSE(IsFailure("PT_GW_Status", 6));
  EXPECT_FALSE(IsFailure("PT_GW_Cnt", 3));
  EXPECT_TRUE(IsFailure("PT_KBN_Clear", -4));
}

}  // namespace
}  // namespace cli
