/* SPDX-License-Identifier: MIT */
// Lean loopback peers that stand in for a gateway. The library and the plain
// reference loop of one benchmark talk to the same kind of peer, so the
// only difference between the two figures is the client side.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "harness/frames.h"

namespace bench {

// Serves one connection until it ends.
using Role = std::function<void(int connection)>;

// Reads and drops every byte.
Role SinkRole();
// Sends `block` again and again until the client goes away.
Role StreamerRole(Bytes block);
// Answers every complete frame it receives with `answer`.
Role AnswererRole(Bytes answer);

// A thread that accepts connections on its own port and serves them one
// after the other with its role.
class Peer {
 public:
  explicit Peer(Role role);
  ~Peer();
  Peer(const Peer &) = delete;
  Peer &operator=(const Peer &) = delete;

  uint16_t Port() const { return port_; }
  bool Listening() const { return listener_ >= 0; }

 private:
  void Run();
  bool Track(int connection);

  Role role_;
  uint16_t port_ = 0;
  int listener_ = -1;
  std::mutex mutex_;
  int connection_ = -1;
  bool stopping_ = false;
  std::thread thread_;
};

// Gateways that accept connections and then stay silent: one listening port
// each, all served by one thread that drops whatever it receives.
class IdleGateways {
 public:
  explicit IdleGateways(int count);
  ~IdleGateways();
  IdleGateways(const IdleGateways &) = delete;
  IdleGateways &operator=(const IdleGateways &) = delete;

  const std::vector<uint16_t> &Ports() const { return ports_; }
  bool Listening() const { return !ports_.empty(); }

 private:
  void Run();

  std::vector<int> listeners_;
  std::vector<uint16_t> ports_;
  int wake_ = -1;
  std::thread thread_;
};

}  // namespace bench
