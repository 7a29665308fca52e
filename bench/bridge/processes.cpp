// SPDX-License-Identifier: MIT
#include "processes.h"

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>

#include "support/child_process.h"

namespace bench_bridge {

namespace {

using roviro2_test::LoopbackAccepts;
using roviro2_test::ReadWholeFile;

// Checks `done` every 10 ms for 5 s at most.
bool Within5s(const std::function<bool()> &done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    usleep(10000);
  }
  return true;
}

}  // namespace

Processes::Processes(const std::string &buildDir) : build_(buildDir) {
  char dir[] = "/tmp/roviro2-bench-bridge-XXXXXX";
  if (mkdtemp(dir)) dir_ = dir;
}

Processes::~Processes() {
  if (script_ >= 0) close(script_);
  for (auto it = running_.rbegin(); it != running_.rend(); ++it)
    roviro2_test::EndProcess(*it);
  if (!dir_.empty()) std::system(("rm -rf " + dir_).c_str());
}

pid_t Processes::Start(const std::vector<std::string> &args, const std::string &log, int *input) {
  const pid_t pid = roviro2_test::StartProcess(args, log, input);
  if (pid > 0) running_.push_back(pid);
  return pid;
}

bool Processes::StartBrokerAndSimulator(int gateways, std::string &error) {
  brokerPort_ = roviro2_test::FreeLoopbackPort();
  std::ofstream(dir_ + "/broker.conf")
      << "listener " << brokerPort_ << " 127.0.0.1\nallow_anonymous true\n"
      << "max_queued_messages 0\nmax_inflight_messages 0\n";
  if (!Start({"mosquitto", "-c", dir_ + "/broker.conf"}, dir_ + "/broker.log", nullptr) ||
      !Within5s([&] { return LoopbackAccepts(brokerPort_); }))
    return error = "the broker did not start: " + ReadWholeFile(dir_ + "/broker.log"), false;
  const std::string log = dir_ + "/simulator.log";
  if (!Start({build_ + "/roviro2-gwsim", "--gateways", std::to_string(gateways), "--script", "-"},
             log, &script_))
    return error = "the simulator did not start", false;
  const bool up = Within5s([&] {
    const std::string out = ReadWholeFile(log);
    gatewayPorts_.clear();
    for (std::size_t at = 0; (at = out.find("127.0.0.1:", at)) != std::string::npos; at += 10)
      gatewayPorts_.push_back(std::atoi(out.c_str() + at + 10));
    return static_cast<int>(gatewayPorts_.size()) == gateways && out.back() == '\n';
  });
  return up || (error = "the simulator did not start: " + ReadWholeFile(log), false);
}

bool Processes::StartBridge(const std::string &name, std::string &error) {
  if (!Start({build_ + "/roviro2-bridge", "--port", std::to_string(brokerPort_), "--name", name,
              "--queue", "1000000", "--gateway", "1=127.0.0.1:" + std::to_string(gatewayPort(1))},
             dir_ + "/bridge.log", nullptr))
    return error = "the bridge did not start", false;
  return true;
}

void Processes::Script(const std::string &lines) {
  for (std::size_t done = 0; done < lines.size();) {
    const ssize_t n = write(script_, lines.data() + done, lines.size() - done);
    if (n <= 0) return;
    done += static_cast<std::size_t>(n);
  }
}

}  // namespace bench_bridge
