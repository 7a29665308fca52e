// SPDX-License-Identifier: MIT
#include <stdexcept>

#include "support/test_sockets.h"

namespace roviro2_test {

void StartSockets() {
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  if (!started) throw std::runtime_error("WSAStartup failed");
}

void CloseSocket(SocketHandle handle) {
  closesocket(handle);
}

int PollSockets(PollEntry *entries, unsigned count, int timeoutMs) {
  return WSAPoll(entries, count, timeoutMs);
}

bool LastCallWouldBlock() {
  const int error = WSAGetLastError();
  return error == WSAEWOULDBLOCK || error == WSAEINTR;
}

WakeSignal::WakeSignal() {
  StartSockets();
  read_ = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int size = sizeof address;
  u_long nonBlocking = 1;
  if (read_ == INVALID_SOCKET || bind(read_, reinterpret_cast<sockaddr *>(&address), size) != 0 ||
      getsockname(read_, reinterpret_cast<sockaddr *>(&address), &size) != 0 ||
      ioctlsocket(read_, FIONBIO, &nonBlocking) != 0) {
    throw std::runtime_error("cannot make the wake socket");
  }
  write_ = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  if (write_ == INVALID_SOCKET ||
      connect(write_, reinterpret_cast<sockaddr *>(&address), size) != 0) {
    throw std::runtime_error("cannot connect the wake socket");
  }
}

WakeSignal::~WakeSignal() {
  closesocket(read_);
  closesocket(write_);
}

void WakeSignal::Raise() {
  const char byte = 0;
  send(write_, &byte, 1, 0);
}

void WakeSignal::Drain() {
  char drain[64];
  while (recv(read_, drain, sizeof drain, 0) > 0) {
  }
}

}  // namespace roviro2_test
