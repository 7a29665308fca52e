// SPDX-License-Identifier: MIT
#include "processes.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>

extern char **environ;

namespace bench_bridge {

namespace {

sockaddr_in Loopback(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  return address;
}

int FreePort() {
  const int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address = Loopback(0);
  socklen_t size = sizeof address;
  bind(s, reinterpret_cast<sockaddr *>(&address), size);
  getsockname(s, reinterpret_cast<sockaddr *>(&address), &size);
  close(s);
  return ntohs(address.sin_port);
}

bool Accepts(int port) {
  const int s = socket(AF_INET, SOCK_STREAM, 0);
  const sockaddr_in address = Loopback(port);
  const bool up = connect(s, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0;
  close(s);
  return up;
}

std::string ReadFile(const std::string &path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

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
  for (auto it = running_.rbegin(); it != running_.rend(); ++it) {
    kill(*it, SIGTERM);
    waitpid(*it, nullptr, 0);
  }
  if (!dir_.empty()) std::system(("rm -rf " + dir_).c_str());
}

pid_t Processes::Start(const std::vector<std::string> &args, const std::string &log, int *input) {
  std::vector<char *> argv;
  for (const std::string &a : args)
    argv.push_back(const_cast<char *>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  int fds[2] = {-1, -1};
  if (input && pipe(fds) == 0) {
    posix_spawn_file_actions_adddup2(&actions, fds[0], 0);
    posix_spawn_file_actions_addclose(&actions, fds[1]);
  }
  posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  pid_t pid = 0;
  if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = 0;
  posix_spawn_file_actions_destroy(&actions);
  if (input) {
    close(fds[0]);
    *input = fds[1];
  }
  if (pid > 0) running_.push_back(pid);
  return pid;
}

bool Processes::StartBrokerAndSimulator(int gateways, std::string &error) {
  brokerPort_ = FreePort();
  std::ofstream(dir_ + "/broker.conf")
      << "listener " << brokerPort_ << " 127.0.0.1\nallow_anonymous true\n"
      << "max_queued_messages 0\nmax_inflight_messages 0\n";
  if (!Start({"mosquitto", "-c", dir_ + "/broker.conf"}, dir_ + "/broker.log", nullptr) ||
      !Within5s([&] { return Accepts(brokerPort_); }))
    return error = "the broker did not start: " + ReadFile(dir_ + "/broker.log"), false;
  const std::string log = dir_ + "/simulator.log";
  if (!Start({build_ + "/roviro2-gwsim", "--gateways", std::to_string(gateways), "--script", "-"},
             log, &script_))
    return error = "the simulator did not start", false;
  const bool up = Within5s([&] {
    const std::string out = ReadFile(log);
    gatewayPorts_.clear();
    for (std::size_t at = 0; (at = out.find("127.0.0.1:", at)) != std::string::npos; at += 10)
      gatewayPorts_.push_back(std::atoi(out.c_str() + at + 10));
    return static_cast<int>(gatewayPorts_.size()) == gateways && out.back() == '\n';
  });
  return up || (error = "the simulator did not start: " + ReadFile(log), false);
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
