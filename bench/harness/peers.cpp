// SPDX-License-Identifier: MIT
#include "harness/peers.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include "harness/loopback.h"

namespace bench {

namespace {

constexpr std::size_t kReadSize = 256 * 1024;

}  // namespace

Role SinkRole() {
  return [](int connection) {
    // Woken once per 64 KiB instead of once per frame: the sender does not
    // pay for waking the sink after every send.
    const int lowWater = 64 * 1024;
    setsockopt(connection, SOL_SOCKET, SO_RCVLOWAT, &lowWater, sizeof lowWater);
    Bytes buffer(kReadSize);
    while (ReceiveSome(connection, buffer.data(), buffer.size()) > 0) {
    }
  };
}

Role StreamerRole(Bytes block) {
  return [block = std::move(block)](int connection) {
    while (SendAll(connection, block.data(), block.size())) {
    }
  };
}

Role AnswererRole(Bytes answer) {
  return [answer = std::move(answer)](int connection) {
    // Waits for each command without sleeping, so that a round trip is not
    // dominated by the time it takes to wake the peer; on the application's
    // processor it sleeps instead, or it would keep the application from
    // running until the scheduler takes the processor away.
    if (RunPlacement() == Placement::kSplit) {
      fcntl(connection, F_SETFL, fcntl(connection, F_GETFL) | O_NONBLOCK);
    }
    const int noDelay = 1;
    setsockopt(connection, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);
    // The answers to the frames of one read leave in one send, as a burst
    // of commands is answered without waiting for a delayed acknowledgement.
    FrameCutter cutter(2 * kReadSize);
    Bytes frame(kReadSize);
    Bytes answers;
    for (;;) {
      answers.clear();
      while (cutter.Next(frame.data()) > 0)
        answers.insert(answers.end(), answer.begin(), answer.end());
      if (!answers.empty() && !SendAll(connection, answers.data(), answers.size())) return;
      const std::size_t got = ReceiveSome(connection, cutter.Space(), cutter.SpaceSize());
      if (got == 0) return;
      cutter.Filled(got);
    }
  };
}

Peer::Peer(Role role) : role_(std::move(role)) {
  listener_ = ListenLoopback(port_);
  if (listener_ >= 0) thread_ = std::thread([this] { Run(); });
}

Peer::~Peer() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
    // Wakes a blocked accept, recv or send; the thread closes what it holds.
    if (listener_ >= 0) shutdown(listener_, SHUT_RDWR);
    if (connection_ >= 0) shutdown(connection_, SHUT_RDWR);
  }
  if (thread_.joinable()) thread_.join();
  CloseFd(listener_);
}

bool Peer::Track(int connection) {
  std::lock_guard<std::mutex> lock(mutex_);
  connection_ = connection;
  return !stopping_;
}

void Peer::Run() {
  PinThread(kPeerCpu);
  for (;;) {
    int connection = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (connection < 0) return;
    ServeOptions(connection);
    if (Track(connection)) role_(connection);
    Track(-1);
    CloseFd(connection);
  }
}

IdleGateways::IdleGateways(int count) {
  for (int i = 0; i < count; ++i) {
    uint16_t port = 0;
    const int listener = ListenLoopback(port);
    if (listener < 0) break;
    listeners_.push_back(listener);
    ports_.push_back(port);
  }
  wake_ = eventfd(0, EFD_CLOEXEC);
  if (static_cast<int>(ports_.size()) != count || wake_ < 0) {
    ports_.clear();
    return;
  }
  thread_ = std::thread([this] { Run(); });
}

IdleGateways::~IdleGateways() {
  if (thread_.joinable()) {
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = write(wake_, &one, sizeof one);
    thread_.join();
  }
  for (int &listener : listeners_)
    CloseFd(listener);
  CloseFd(wake_);
}

void IdleGateways::Run() {
  PinThread(kPeerCpu);
  std::vector<pollfd> watched{{wake_, POLLIN, 0}};
  for (int listener : listeners_)
    watched.push_back({listener, POLLIN, 0});
  const std::size_t firstConnection = watched.size();
  uint8_t scratch[4096];
  while (poll(watched.data(), watched.size(), -1) >= 0 && watched[0].revents == 0) {
    for (std::size_t i = 1; i < watched.size(); ++i) {
      if (watched[i].revents == 0) continue;
      if (i < firstConnection) {
        const int connection = accept4(watched[i].fd, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection >= 0) watched.push_back({connection, POLLIN, 0});
      } else if (recv(watched[i].fd, scratch, sizeof scratch, 0) <= 0) {
        close(watched[i].fd);
        watched[i].fd = -1;  // poll skips it from now on
      }
    }
  }
  for (std::size_t i = firstConnection; i < watched.size(); ++i)
    if (watched[i].fd >= 0) close(watched[i].fd);
}

}  // namespace bench
