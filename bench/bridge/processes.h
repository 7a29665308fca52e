/* SPDX-License-Identifier: MIT */
// The programs the bridge's benchmark runs: a broker on a free loopback
// port, the simulator fed a script through a pipe, and the bridge.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace bench_bridge {

class Processes {
 public:
  explicit Processes(const std::string &buildDir);
  ~Processes();
  // Starts the broker and a simulator with `gateways`; false with a message.
  bool StartBrokerAndSimulator(int gateways, std::string &error);
  // Starts the bridge on gateway 1 of the simulator.
  bool StartBridge(const std::string &name, std::string &error);
  // A line for the simulator's script.
  void Script(const std::string &lines);
  int brokerPort() const { return brokerPort_; }
  int gatewayPort(int gateway) const { return gatewayPorts_.at(gateway - 1); }

 private:
  pid_t Start(const std::vector<std::string> &args, const std::string &log, int *input);
  std::string build_, dir_;
  int brokerPort_ = 0;
  std::vector<int> gatewayPorts_;
  std::vector<pid_t> running_;
  int script_ = -1;
};

}  // namespace bench_bridge
