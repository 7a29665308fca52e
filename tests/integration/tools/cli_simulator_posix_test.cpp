// The command-line tool against the simulator, both as separate processes:
// a command changes a device, an event comes back out, bad input is told.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

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

std::string ReadFile(const std::string &path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
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
      const std::string out = ReadFile(dir_ + "/out");
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
  const Outcome sent = Shell(cli_ + " send PT_LB_DspNum 1:1:5 42 0 0");
  EXPECT_EQ(sent.status, 0) << sent.output;
  EXPECT_NE(sent.output.find("PT_LB_DspNum -> 0 (sent)"), std::string::npos) << sent.output;
  EXPECT_TRUE(PollUntil([&] {
    return ReadFile(dir_ + "/state").find("display |    42|") != std::string::npos;
  })) << ReadFile(dir_ + "/state");

  Script("key 1:1:5 65\n");
  const Outcome watched = Shell(cli_ + " watch --seconds 2");
  EXPECT_EQ(watched.status, 0) << watched.output;
  EXPECT_NE(watched.output.find("port 1 node 5 command 0x0B status -1 data 41 |A|"),
            std::string::npos)
      << watched.output;
}

TEST_F(CliAgainstSimulator, StatusAndDiagnosis) {
  const Outcome status = Shell(cli_ + " status");
  EXPECT_EQ(status.status, 0) << status.output;
  EXPECT_NE(status.output.find("7 connected"), std::string::npos) << status.output;
  const Outcome diag = Shell(cli_ + " --seconds 1 diag");
  EXPECT_EQ(diag.status, 0) << diag.output;
  EXPECT_NE(diag.output.find("command 0x09"), std::string::npos) << diag.output;
}

TEST_F(CliAgainstSimulator, BadInputIsToldAndFails) {
  Outcome run = Shell(cli_ + " send PT_LB_DspNum 1:1:5 forty 0 0");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.output.find("argument 2 of PT_LB_DspNum ('forty') must be a number"),
            std::string::npos)
      << run.output;
  run = Shell(cli_ + " send PT_LB_Nothing");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.output.find("no function named"), std::string::npos);
  run = Shell(cli_ + " send PT_LB_BuzOn 1:1:5 2");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.output.find("-5 (state above 1)"), std::string::npos) << run.output;
  run = Shell(BuildDir() + "/roviro2 --gateway 1=nowhere send PT_GW_Cnt");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.output.find("--gateway takes ID=IP:PORT"), std::string::npos) << run.output;
  run = Shell(cli_ + " send PT_DCS_DspStrE 1:1:5 ab 6000");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.output.find("argument 3 asks for 6000 byte(s), but argument 2 has only 2"),
            std::string::npos)
      << run.output;
  EXPECT_EQ(run.output.find("PT_DCS_DspStrE ->"), std::string::npos) << "nothing is called";
  run = Shell(cli_ + " send PT_DCS_DspStrE 1:1:5 ab 2");
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("PT_DCS_DspStrE -> 0 (sent)"), std::string::npos) << run.output;
  run = Shell(cli_ + " send PT_GW_SndMsg 1 '\\x40\\x00\\x60'");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.output.find("length field says 64 bytes but the frame has only 3"),
            std::string::npos)
      << run.output;
  run = Shell(BuildDir() + "/roviro2 watch --help");
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.output.find("usage: roviro2 watch"), std::string::npos);
}

// An IPINDEX with LF line ends: the address runs to the next CR, here to the
// end of the file, and is shown whole.
TEST_F(CliAgainstSimulator, StatusShowsAnAddressLongerThanAnyFixedBuffer) {
  std::string rest;
  for (int i = 0; rest.size() < 2500; ++i)
    rest += "\n# line " + std::to_string(i) + " of an IPINDEX written with LF line ends";
  std::ofstream(dir_ + "/IPINDEX") << "1 " << port_ << " 127.0.0.1" << rest << "\n";
  const Outcome status =
      Shell("sh -c 'cd " + dir_ + " && " + BuildDir() + "/roviro2 --seconds 0.2 status'");
  EXPECT_EQ(status.status, 1) << "not connected, and no crash: " << status.output;
  EXPECT_NE(status.output.find("gateway 1 at 127.0.0.1" + rest + ":" + std::to_string(port_)),
            std::string::npos)
      << status.output;
}

}  // namespace
}  // namespace roviro2_test
