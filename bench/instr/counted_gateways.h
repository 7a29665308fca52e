/* SPDX-License-Identifier: MIT */
// Gateways for the instruction counts: listening sockets of this thread,
// the library connected to all of them, and their accepted ends, so that
// the program writes and reads the gateways' side itself. No other thread
// runs, so only the code measured adds to a count.
#pragma once

#include <cstdint>
#include <vector>

#include "harness/frames.h"
#include "support/library_session.h"

namespace bench {

class CountedGateways {
 public:
  // Gateways 1 to count, every one connected; Ready() tells.
  explicit CountedGateways(int count);
  ~CountedGateways();
  CountedGateways(const CountedGateways &) = delete;
  CountedGateways &operator=(const CountedGateways &) = delete;

  bool Ready() const { return ready_; }
  // The gateway's side of gateway 1's connection.
  int Peer() const { return peers_.front(); }

 private:
  roviro2_test::LibrarySession session_;
  std::vector<int> listeners_;
  std::vector<int> peers_;
  bool ready_ = false;
};

// A plain client connected to a listener of this thread, and the accepted
// end: the reference loops' connection. Ready() when both exist.
class PlainConnection {
 public:
  PlainConnection();
  ~PlainConnection();
  PlainConnection(const PlainConnection &) = delete;
  PlainConnection &operator=(const PlainConnection &) = delete;

  bool Ready() const { return client_ >= 0 && peer_ >= 0; }
  int Client() const { return client_; }
  int Peer() const { return peer_; }

 private:
  int client_ = -1;
  int peer_ = -1;
};

}  // namespace bench
