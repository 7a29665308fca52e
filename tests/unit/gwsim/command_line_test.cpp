// SPDX-License-Identifier: MIT
// The simulator's options: gateways from --port and --gateways, and values
// that are refused rather than read as something else.
#include <gtest/gtest.h>

#include <vector>

#include "command_line.h"

namespace gwsim {
namespace {

struct Parsed {
  bool ok;
  CommandLine line;
  std::string error;
};

Parsed Parse(std::vector<const char *> args) {
  args.insert(args.begin(), "roviro2-gwsim");
  Parsed parsed{false, {}, {}};
  parsed.ok =
      ParseCommandLine(static_cast<int>(args.size()), args.data(), parsed.line, parsed.error);
  return parsed;
}

TEST(SimulatorCommandLine, GatewaysComeFromPortsThenFreePorts) {
  EXPECT_EQ(Parse({}).line.server.ports, (std::vector<uint16_t>{0}));
  EXPECT_EQ(Parse({"--gateways", "3"}).line.server.ports, (std::vector<uint16_t>{0, 0, 0}));
  const Parsed both =
      Parse({"--port", "4660", "--port", "65535", "--gateways", "2", "--port", "0"});
  ASSERT_TRUE(both.ok) << both.error;
  EXPECT_EQ(both.line.server.ports, (std::vector<uint16_t>{4660, 65535, 0, 0, 0}));
  EXPECT_EQ(Parse({"--gateways", "256"}).line.server.ports.size(), 256u);
}

TEST(SimulatorCommandLine, RefusesPortsThatAreNotPortNumbers) {
  for (const char *port :
       {"x", "70000", "65536", "-1", "", "12ab", " 80", "+80", "0x50", "99999999999999999999"}) {
    const Parsed parsed = Parse({"--port", port});
    EXPECT_FALSE(parsed.ok) << "'" << port << "'";
    EXPECT_NE(parsed.error.find("--port"), std::string::npos) << parsed.error;
    EXPECT_NE(parsed.error.find(std::string("'") + port + "'"), std::string::npos) << parsed.error;
  }
  EXPECT_FALSE(Parse({"--port"}).ok);
  EXPECT_NE(Parse({"--port"}).error.find("incomplete"), std::string::npos);
}

TEST(SimulatorCommandLine, TakesBothValueFormsAndRefusesStrayWords) {
  const Parsed joined = Parse({"--port=4660", "--state", "s", "--script=-", "--log"});
  ASSERT_TRUE(joined.ok) << joined.error;
  EXPECT_EQ(joined.line.server.ports, (std::vector<uint16_t>{4660}));
  EXPECT_EQ(joined.line.server.stateFile, "s");
  EXPECT_EQ(joined.line.script, "-");
  EXPECT_TRUE(Parse({"--version"}).line.version);
  // Parsing again starts anew.
  EXPECT_TRUE(Parse({"--gateways", "2"}).ok);
  for (const std::vector<const char *> &bad :
       {std::vector<const char *>{"4660"}, {"--", "--log"}, {"--nothing"}, {"--log=yes"}}) {
    const Parsed parsed = Parse(bad);
    EXPECT_FALSE(parsed.ok) << bad.back();
    EXPECT_NE(parsed.error.find(bad.back()), std::string::npos) << parsed.error;
  }
}

TEST(SimulatorCommandLine, RefusesGatewayCountsOutsideOneTo256) {
  for (const char *count : {"0", "257", "two", "-3", "2x"}) {
    const Parsed parsed = Parse({"--gateways", count});
    EXPECT_FALSE(parsed.ok) << count;
    EXPECT_NE(parsed.error.find("--gateways takes 1 to 256"), std::string::npos) << parsed.error;
  }
}

}  // namespace
}  // namespace gwsim
