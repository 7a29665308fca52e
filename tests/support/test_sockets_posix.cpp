// SPDX-License-Identifier: MIT
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

#include "support/test_sockets.h"

namespace roviro2_test {

void StartSockets() {}

void CloseSocket(SocketHandle handle) {
  close(handle);
}

int PollSockets(PollEntry *entries, unsigned count, int timeoutMs) {
  return poll(entries, count, timeoutMs);
}

bool LastCallWouldBlock() {
  return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
}

WakeSignal::WakeSignal() {
  int ends[2];
  if (pipe2(ends, O_NONBLOCK | O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  read_ = ends[0];
  write_ = ends[1];
}

WakeSignal::~WakeSignal() {
  close(read_);
  close(write_);
}

void WakeSignal::Raise() {
  const char byte = 0;
  [[maybe_unused]] const ssize_t written = write(write_, &byte, 1);
}

void WakeSignal::Drain() {
  char drain[64];
  while (read(read_, drain, sizeof drain) > 0) {
  }
}

}  // namespace roviro2_test
