// The simulator's network side: one listening socket per gateway on
// 127.0.0.1, one client at a time each, the stream cut into frames by the
// library's own receiver, and the script run alongside.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "events.h"
#include "gateway.h"
#include "link/rcv_queue.h"
#include "registry/gateway_table.h"

namespace gwsim {

using Clock = std::chrono::steady_clock;

struct ServerOptions {
  std::vector<uint16_t> ports;  // 0: any free port
  bool log = false;             // one decoded line per frame on stdout
  bool view = false;            // the devices, redrawn on every change
  std::string stateFile;        // the devices, rewritten on every change
};

class Server {
 public:
  explicit Server(ServerOptions options) : options_(std::move(options)) {}
  ~Server();

  // Opens the listening sockets and prints "gateway N listening on ...".
  bool Start(std::string &error);
  void Add(const Action &action) { script_.push_back({action, Clock::time_point{}}); }
  // Reads script lines from this descriptor as they come (e.g. stdin).
  void Follow(int fd) { input_ = fd; }
  // Runs until `quit`, a stop signal, or `stop` becomes true.
  void Run(const volatile bool &stop);
  std::string Render() const;

 private:
  struct Link {
    int number = 0;
    uint16_t port = 0;
    int listener = -1;
    int client = -1;
    bool reading = true;
    roviro2::TMyTCP2 slot;
    roviro2::TRcvQueue queue;
    Gateway model;
    std::deque<std::pair<Clock::time_point, Bytes>> later;  // timed sends
  };
  struct Step {
    Action action;
    Clock::time_point started;
  };

  void Accept(Link &link);
  void Read(Link &link);
  void Drop(Link &link, bool reset);
  void Send(Link &link, const Bytes &bytes, bool log = true);
  void ReadInput();
  void RunScript();
  bool Ready(Step &step);
  void Execute(const Action &action);
  void Changed();
  Link *At(int number);

  ServerOptions options_;
  std::vector<std::unique_ptr<Link>> links_;
  std::deque<Step> script_;
  std::set<std::tuple<int, int, int, int>> seen_;  // gateway, port, node, command
  int input_ = -1;
  std::string pending_;
  bool quit_ = false;
};

}  // namespace gwsim
