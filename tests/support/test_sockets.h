/* SPDX-License-Identifier: MIT */
// The few socket calls the test gateway needs, the same on POSIX and on
// Windows (Winsock).
#pragma once

#ifdef _WIN32
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0601
#endif
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#endif

namespace roviro2_test {

#ifdef _WIN32
using SocketHandle = SOCKET;
constexpr SocketHandle kNoSocketHandle = INVALID_SOCKET;
using PollEntry = WSAPOLLFD;
constexpr int kNoSignal = 0;
constexpr int kDontWait = 0;  // reads follow a poll that found bytes
#else
using SocketHandle = int;
constexpr SocketHandle kNoSocketHandle = -1;
using PollEntry = pollfd;
constexpr int kNoSignal = MSG_NOSIGNAL;
constexpr int kDontWait = MSG_DONTWAIT;
#endif

// Makes sockets usable in this process (Winsock's start-up); idempotent.
void StartSockets();
void CloseSocket(SocketHandle handle);
int PollSockets(PollEntry *entries, unsigned count, int timeoutMs);
// Whether the last failed call only had to wait or was interrupted.
bool LastCallWouldBlock();

template <typename T>
int SetSocketOption(SocketHandle handle, int level, int name, const T &value) {
  return setsockopt(handle, level, name, reinterpret_cast<const char *>(&value), sizeof value);
}

// Wakes a thread that waits in PollSockets: a pipe on POSIX, a datagram to
// itself on Windows.
class WakeSignal {
 public:
  WakeSignal();
  ~WakeSignal();
  WakeSignal(const WakeSignal &) = delete;
  WakeSignal &operator=(const WakeSignal &) = delete;

  void Raise();
  void Drain();
  SocketHandle Handle() const { return read_; }

 private:
  SocketHandle read_ = kNoSocketHandle;
  SocketHandle write_ = kNoSocketHandle;
};

}  // namespace roviro2_test
