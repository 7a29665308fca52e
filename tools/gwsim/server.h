/* SPDX-License-Identifier: MIT */
// The simulator's network side: one listening socket per gateway on
// 127.0.0.1, one client at a time each, the stream cut into frames by their
// length fields, and the script run alongside. Sockets are
// non-blocking: what a client does not read yet waits in that connection's
// own output queue, so one slow client never holds up the other gateways.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "describe.h"
#include "events.h"
#include "frame_cutter.h"
#include "gateway.h"

namespace gwsim {

using Clock = std::chrono::steady_clock;

// A client may leave this much output unread before it is dropped.
constexpr std::size_t kMaxQueuedOutput = 4u << 20;

struct ServerOptions {
  std::vector<uint16_t> ports;  // 0: any free port
  bool log = false;             // one decoded line per frame on stdout
  bool view = false;            // the devices, redrawn on every change
  std::string stateFile;        // the devices, rewritten on every change
  int sendBuffer = 0;           // SO_SNDBUF of client connections; 0: the system's
};

class Server {
 public:
  explicit Server(ServerOptions options) : options_(std::move(options)) {}
  ~Server();
  Server(const Server &) = delete;
  Server &operator=(const Server &) = delete;

  // Opens the listening sockets and prints "gateway N listening on ...".
  bool Start(std::string &error);
  void Add(const Action &action) { script_.push_back({action, Clock::time_point{}}); }
  // Reads script lines from this descriptor as they come (e.g. stdin).
  void Follow(int fd) { input_ = fd; }
  // Runs until `quit` or until `stop` becomes true (set by a signal handler,
  // or by another thread); then sends what is still queued for the clients,
  // for two seconds at most.
  void Run(const std::atomic<bool> &stop);
  // The devices of every gateway (see RenderGateway).
  std::string Render(View view = View::kPlain) const;
  // The port gateway `number` (from 1) listens on; 0 when there is none.
  uint16_t Port(int number) const;

 private:
  struct Link {
    int number = 0;
    uint16_t port = 0;
    int listener = -1;
    int client = -1;
    bool reading = true;
    FrameCutter frames;
    Bytes output;              // queued for the client, sent from outputAt on
    std::size_t outputAt = 0;  // bytes of `output` already sent
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
  // Queues bytes for the client and sends what the socket takes now.
  void Send(Link &link, const Bytes &bytes, bool log = true);
  // Sends queued output until the socket would block; drops a broken link.
  void Flush(Link &link);
  void Drain();
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
