// SPDX-License-Identifier: MIT
// The command-line tool against the simulator, both as separate processes:
// a command changes a device, an event comes back out, bad input is told,
// watch and send print JSON Lines and watch reports connections.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "support/child_process.h"
#include "support/fake_gateway.h"

extern char **environ;

namespace roviro2_test {
namespace {

std::string BuildDir() {
  const std::string library = ROVIRO2_SHARED_LIBRARY;
  return library.substr(0, library.rfind('/'));
}

struct Outcome {
  int status;
  std::string output;
};

// Runs a command line with a time limit; its standard output and error.
Outcome Shell(const std::string &command) {
  FILE *pipe = popen(("timeout 20 " + command + " 2>&1").c_str(), "r");
  Outcome run{-1, {}};
  if (!pipe) return run;
  char chunk[4096];
  for (std::size_t n; (n = fread(chunk, 1, sizeof chunk, pipe)) > 0;)
    run.output.append(chunk, n);
  const int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

// Runs a command line and expects its exit status and a text in its output.
Outcome Expect(const std::string &command, int status, const std::string &text) {
  const Outcome run = Shell(command);
  EXPECT_EQ(run.status, status) << command << "\n" << run.output;
  EXPECT_NE(run.output.find(text), std::string::npos) << command << "\n" << run.output;
  return run;
}

class CliAgainstSimulator : public ::testing::Test {
 protected:
  void SetUp() override {
    char dir[] = "/tmp/roviro2-cli-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    dir_ = dir;
    int input[2];
    ASSERT_EQ(pipe(input), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input[0], 0);
    posix_spawn_file_actions_addclose(&actions, input[1]);
    posix_spawn_file_actions_addopen(&actions, 1, (dir_ + "/out").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const std::string sim = BuildDir() + "/roviro2-gwsim";
    const std::string state = dir_ + "/state";
    const char *argv[] = {sim.c_str(), "--script", "-", "--state", state.c_str(), nullptr};
    ASSERT_EQ(posix_spawn(&simulator_, sim.c_str(), &actions, nullptr, const_cast<char **>(argv),
                          environ),
              0);
    posix_spawn_file_actions_destroy(&actions);
    close(input[0]);
    script_ = input[1];
    ASSERT_TRUE(PollUntil([&] {
      const std::string out = ReadWholeFile(dir_ + "/out");
      const std::size_t at = out.find("127.0.0.1:");
      if (at == std::string::npos || out.find('\n', at) == std::string::npos) return false;
      port_ = std::stoi(out.substr(at + 10));
      return true;
    }));
    cli_ = BuildDir() + "/roviro2 --gateway 1=127.0.0.1:" + std::to_string(port_);
  }

  void TearDown() override {
    if (script_ >= 0) close(script_);
    if (simulator_ > 0) {
      kill(simulator_, SIGTERM);
      waitpid(simulator_, nullptr, 0);
    }
    Shell("rm -rf " + dir_);
  }

  void Script(const std::string &line) {
    ASSERT_EQ(write(script_, line.data(), line.size()), static_cast<ssize_t>(line.size()));
  }

  std::string dir_;
  pid_t simulator_ = 0;
  int script_ = -1;
  int port_ = 0;
  std::string cli_;
};

TEST_F(CliAgainstSimulator, CommandChangesTheDeviceAndAnEventComesBack) {
  Expect(cli_ + " send PT_LB_DspNum 1:1:5 42 0 0", 0, "PT_LB_DspNum -> 0 (sent)");
  EXPECT_TRUE(PollUntil([&] {
    return ReadWholeFile(dir_ + "/state").find("display |    42|") != std::string::npos;
  })) << ReadWholeFile(dir_ + "/state");

  Script("key 1:1:5 65\n");
  Expect(cli_ + " watch --seconds 2", 0, "port 1 node 5 command 0x0B status -1 data 41 |A|");
}

TEST_F(CliAgainstSimulator, StatusSaysConnectedAndDiagnosisShowsTheAnswerFrame) {
  Expect(cli_ + " status", 0, "7 connected");
  Expect(cli_ + " --seconds 1 diag", 0, "command 0x09");
}

// Usage errors exit 2 with a hint, and nothing is called; a call that
// fails exits 1.
TEST_F(CliAgainstSimulator, BadInputIsAUsageErrorAndAFailingCallAFailure) {
  Expect(cli_ + " send PT_LB_DspNum 1:1:5 forty 0 0", 2,
         "argument 2 of PT_LB_DspNum ('forty') must be a number");
  // The name is checked before gateways are needed: here there are none.
  Expect("sh -c 'cd " + dir_ + " && " + BuildDir() + "/roviro2 send PT_LB_Nothing'", 2,
         "no function named 'PT_LB_Nothing'");
  Expect(BuildDir() + "/roviro2 --gateway 1=nowhere send PT_GW_Cnt", 2,
         "--gateway takes ID=IP:PORT");
  const Outcome refused = Expect(cli_ + " send PT_DCS_DspStrE 1:1:5 ab 6000", 2,
                                 "argument 3 asks for 6000 byte(s), but argument 2 has only 2");
  EXPECT_EQ(refused.output.find("PT_DCS_DspStrE ->"), std::string::npos) << "nothing is called";
  Expect(cli_ + " send PT_GW_SndMsg 1 '\\x40\\x00\\x60'", 2,
         "length field says 64 bytes but the frame has only 3");
  Expect(cli_ + " --seconds", 2, "Try 'roviro2 --help'");
  Expect(cli_ + " --nothing status", 2, "unknown option '--nothing'");
  Expect(cli_ + " status now", 2, "status takes no arguments");
  Expect(cli_ + " send PT_LB_BuzOn 1:1:5 2", 1, "-5 (state above 1)");
  Expect(BuildDir() + "/roviro2 watch --help", 0, "usage: roviro2 watch");
}

// getopt_long's forms: --opt=value, --opt value, options after the command,
// "--" before a function's arguments (a negative number is no option there).
TEST_F(CliAgainstSimulator, OptionsTakeBothFormsAndBothToolsTellTheirVersion) {
  Expect(BuildDir() + "/roviro2 --gateway=1=127.0.0.1:" + std::to_string(port_) +
             " send --seconds=2 -- PT_LB_DspNum 1:1:5 -3 0 0",
         0, "PT_LB_DspNum -> 0 (sent)");
  Expect(BuildDir() + "/roviro2 --version", 0, std::string("roviro2 ") + ROVIRO2_PROJECT_VERSION);
  Expect(BuildDir() + "/roviro2-gwsim --version", 0,
         std::string("roviro2-gwsim ") + ROVIRO2_PROJECT_VERSION);
}

// send shows the answer of the device it addressed, not what another sent.
TEST_F(CliAgainstSimulator, SendShowsOnlyTheAnswersToIt) {
  Script("key 1:1:6 65\n");
  const Outcome run =
      Expect(cli_ + " send PT_DIO_ReadIoStatus 1:1:7", 0, "port 1 node 7 command 0x3C");
  EXPECT_EQ(run.output.find("node 6"), std::string::npos) << run.output;
}

// watch --json: one object a line for frames (data as hex and as escaped
// text) and connection changes, and it ends at --seconds.
TEST_F(CliAgainstSimulator, WatchPrintsJsonLinesOfFramesAndConnectionsForItsSeconds) {
  // A bound socket that does not listen: connecting to it is refused.
  const int closed = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  ASSERT_EQ(bind(closed, reinterpret_cast<sockaddr *>(&address), size), 0);
  ASSERT_EQ(getsockname(closed, reinterpret_cast<sockaddr *>(&address), &size), 0);
  Script("key 1:1:5 0x22\nclose 1\n");
  const auto start = std::chrono::steady_clock::now();
  const Outcome run =
      Expect(cli_ + " --gateway 2=127.0.0.1:" + std::to_string(ntohs(address.sin_port)) +
                 " watch --json --seconds 1.5",
             0, R"("event":"connected","gateway":1})");
  const double took =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  close(closed);
  EXPECT_GE(took, 1.5);
  EXPECT_LT(took, 2.5);
  for (
      const char *text :
      {R"("event":"frame","gateway":1,"port":1,"node":5,"command":11,"status":-1,"hex":"22","text":"\""})",
       R"("event":"lost","gateway":1,"error":0,"reason":"closed by the gateway"})",
       R"("event":"refused","gateway":2,"error":111,"reason":"Connection refused"})"})
    EXPECT_NE(run.output.find(text), std::string::npos) << text << "\n" << run.output;
  std::istringstream lines(run.output);
  for (std::string line; std::getline(lines, line);) {
    EXPECT_EQ(line.rfind("{\"time\":\"20", 0), 0u) << line;
    EXPECT_EQ(line.back(), '}') << line;
  }
}

// An IPINDEX with LF line ends: the address runs to the next CR, here to the
// end of the file, and is shown whole.
TEST_F(CliAgainstSimulator, StatusReadsAnIpIndexWithLineFeedLineEnds) {
  std::ofstream(dir_ + "/IPINDEX") << "1 " << port_ << " 127.0.0.1\n2 1 127.0.0.2\n";
  const std::string run =
      "sh -c 'cd " + dir_ + " && " + BuildDir() + "/roviro2 --seconds 0.2 status'";
  Expect(run, 1, "gateway 1 at 127.0.0.1:" + std::to_string(port_));
  Expect(run, 1, "gateway 2 at 127.0.0.2:1");
}

}  // namespace
}  // namespace roviro2_test
