// SPDX-License-Identifier: MIT
#include "instr/counted_gateways.h"

#include "harness/loopback.h"
#include "link/connected_library.h"
#include "roviro2.h"

namespace bench {

CountedGateways::CountedGateways(int count) {
  for (int id = 1; id <= count; ++id) {
    uint16_t port = 0;
    listeners_.push_back(ListenLoopback(port));
    if (listeners_.back() < 0 || session_.AddGateway(static_cast<uint16_t>(id), port) < 0) return;
  }
  // The kernel completes each connection before it is accepted.
  if (!OpenAll(listeners_.size())) return;
  for (int listener : listeners_) {
    peers_.push_back(AcceptWithin(listener, kPatience));
    if (peers_.back() < 0) return;
  }
  ready_ = true;
}

CountedGateways::~CountedGateways() {
  PT_GW_Close(0);
  for (int &fd : peers_)
    CloseFd(fd);
  for (int &fd : listeners_)
    CloseFd(fd);
}

PlainConnection::PlainConnection() {
  uint16_t port = 0;
  int listener = ListenLoopback(port);
  if (listener < 0) return;
  client_ = ConnectLoopback(port);
  if (client_ >= 0) peer_ = AcceptWithin(listener, kPatience);
  CloseFd(listener);
}

PlainConnection::~PlainConnection() {
  CloseFd(client_);
  CloseFd(peer_);
}

}  // namespace bench
