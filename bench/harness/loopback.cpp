// SPDX-License-Identifier: MIT
#include "harness/loopback.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <pthread.h>
#include <sched.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace bench {

namespace {

void SetOption(int fd, int level, int name, int value) {
  setsockopt(fd, level, name, &value, sizeof value);
}

sockaddr_in Loopback(uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

}  // namespace

int ListenLoopback(uint16_t &port) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  SetOption(fd, SOL_SOCKET, SO_REUSEADDR, 1);
  sockaddr_in address = Loopback(0);
  socklen_t size = sizeof address;
  if (bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 ||
      listen(fd, SOMAXCONN) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr *>(&address), &size) != 0) {
    CloseFd(fd);
    return -1;
  }
  port = ntohs(address.sin_port);
  return fd;
}

int AcceptWithin(int listener, std::chrono::milliseconds patience) {
  pollfd waiting{listener, POLLIN, 0};
  if (poll(&waiting, 1, static_cast<int>(patience.count())) != 1) return -1;
  return accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
}

int ConnectLoopback(uint16_t port) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  SetOption(fd, IPPROTO_TCP, TCP_NODELAY, 1);
  SetOption(fd, SOL_SOCKET, SO_KEEPALIVE, 1);
  SetOption(fd, IPPROTO_TCP, TCP_KEEPIDLE, 10);
  SetOption(fd, IPPROTO_TCP, TCP_KEEPINTVL, 5);
  SetOption(fd, IPPROTO_TCP, TCP_KEEPCNT, 3);
  const sockaddr_in address = Loopback(port);
  if (connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0 ||
      fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK) != 0) {
    CloseFd(fd);
  }
  return fd;
}

namespace {

// Waits until fd is ready for `events` by asking without sleeping, like the
// library's own polling does; false when the patience runs out.
bool SpinUntilReady(int fd, short events, Clock::time_point deadline) {
  pollfd asked{fd, events, 0};
  for (unsigned tries = 1;; ++tries) {
    if (poll(&asked, 1, 0) == 1) return true;
    if (tries % 1024 == 0 && Clock::now() > deadline) return false;
  }
}

// One send or recv call, `transfer`, repeated while interrupted or while a
// non-blocking socket is not ready; its count, or 0 when the connection
// ended or nothing moved within the patience.
template <typename Transfer>
std::size_t Move(int fd, short events, Transfer transfer) {
  const Clock::time_point deadline = Clock::now() + kPatience;
  for (;;) {
    const ssize_t count = transfer();
    if (count > 0) return static_cast<std::size_t>(count);
    if (count < 0 && errno == EINTR) continue;
    const bool notReady = count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    if (!notReady || !SpinUntilReady(fd, events, deadline)) return 0;
  }
}

}  // namespace

bool SendAll(int fd, const uint8_t *data, std::size_t size) {
  while (size > 0) {
    const std::size_t sent = Move(fd, POLLOUT, [&] { return send(fd, data, size, MSG_NOSIGNAL); });
    if (sent == 0) return false;
    data += sent;
    size -= sent;
  }
  return true;
}

std::size_t ReceiveSome(int fd, uint8_t *data, std::size_t size) {
  return Move(fd, POLLIN, [&] { return recv(fd, data, size, 0); });
}

bool ReceiveAll(int fd, uint8_t *data, std::size_t size) {
  while (size > 0) {
    const std::size_t got = ReceiveSome(fd, data, size);
    if (got == 0) return false;
    data += got;
    size -= got;
  }
  return true;
}

namespace {

const char *PlacementSetting() {
  const char *value = std::getenv("ROVIRO2_BENCH_PLACEMENT");
  return value ? value : "split";
}

}  // namespace

Placement RunPlacement() {
  return std::strcmp(PlacementSetting(), "same") == 0 ? Placement::kSame : Placement::kSplit;
}

const char *PlacementName(Placement placement) {
  return placement == Placement::kSame ? "same" : "split";
}

bool ValidPlacement() {
  const char *value = PlacementSetting();
  return std::strcmp(value, "same") == 0 || std::strcmp(value, "split") == 0;
}

void PinThread(int cpu) {
  if (cpu == kPeerCpu && RunPlacement() == Placement::kSame) cpu = kApplicationCpu;
  if (cpu >= static_cast<int>(std::thread::hardware_concurrency())) return;
  cpu_set_t set;
  CPU_ZERO(&set);
  CPU_SET(cpu, &set);
  pthread_setaffinity_np(pthread_self(), sizeof set, &set);
}

void ServeOptions(int fd) {
  const timeval patience{static_cast<time_t>(kPatience.count()), 0};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof patience);
  setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &patience, sizeof patience);
}

void CloseFd(int &fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}

}  // namespace bench
