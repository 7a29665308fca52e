// SPDX-License-Identifier: MIT
// The Linux system calls under TClientSocket: a non-blocking TCP socket,
// watched by the epoll source.
#include <arpa/inet.h>
#include <linux/sock_diag.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>

#include "platform/socket_calls.h"

namespace roviro2 {

namespace {

// A gateway that vanishes without a reset is noticed after about half a
// minute: 10 s idle, then 3 probes 5 s apart.
constexpr int kKeepIdleSeconds = 10;
constexpr int kKeepIntervalSeconds = 5;
constexpr int kKeepProbes = 3;
constexpr int kSendFlags = MSG_NOSIGNAL | MSG_DONTWAIT;
// What a packet buffer in the send queue costs the kernel besides its
// payload, at most: its header area and bookkeeping.
constexpr uint64_t kPacketCost = 4096;

void SetOption(int fd, int level, int name, int value) {
  setsockopt(fd, level, name, &value, sizeof value);
}

// Command frames are small and often sent back to back: no Nagle delay.
void ConfigureSocket(int fd) {
  SetOption(fd, IPPROTO_TCP, TCP_NODELAY, 1);
  SetOption(fd, SOL_SOCKET, SO_KEEPALIVE, 1);
  SetOption(fd, IPPROTO_TCP, TCP_KEEPIDLE, kKeepIdleSeconds);
  SetOption(fd, IPPROTO_TCP, TCP_KEEPINTVL, kKeepIntervalSeconds);
  SetOption(fd, IPPROTO_TCP, TCP_KEEPCNT, kKeepProbes);
}

bool WouldBlock(int error) {
  return error == EAGAIN || error == EWOULDBLOCK;
}

// A single run goes out with send, which costs the kernel less than
// sendmsg's gather list.
ssize_t SendRuns(int fd, const ByteView *runs, std::size_t count) {
  if (count == 1) return send(fd, runs[0].data, runs[0].size, kSendFlags);
  iovec pieces[kMaxRuns];
  for (std::size_t i = 0; i < count; ++i)
    pieces[i] = {const_cast<uint8_t *>(runs[i].data), runs[i].size};
  msghdr message{};
  message.msg_iov = pieces;
  message.msg_iovlen = count;
  return sendmsg(fd, &message, kSendFlags);
}

int Fd(NativeSocket handle) {
  return static_cast<int>(handle);
}

}  // namespace

int LastSocketError() {
  return errno;
}

NativeSocket NewSocketHandle() {
  const int handle = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (handle < 0) return kNoSocket;
  ConfigureSocket(handle);
  return handle;
}

void CloseSocketHandle(NativeSocket handle) {
  close(Fd(handle));
}

int StartConnect(NativeSocket handle, const sockaddr_in &peer) {
  int result;
  do {
    result = connect(Fd(handle), reinterpret_cast<const sockaddr *>(&peer), sizeof peer);
  } while (result != 0 && errno == EINTR);
  return result == 0 || errno == EINPROGRESS ? 0 : errno;
}

int ConnectOutcome(NativeSocket handle) {
  int error = 0;
  socklen_t size = sizeof error;
  if (getsockopt(Fd(handle), SOL_SOCKET, SO_ERROR, &error, &size) != 0) return errno;
  return error;
}

std::size_t SendRoom(NativeSocket handle) {
  // The kernel queues a send whole as long as, each time it adds a packet
  // buffer, its send queue's memory is below the send buffer size. A packet
  // buffer holds at least one segment (half the MSS leaves room for TCP
  // options), and a send may also start one that is nearly empty.
  uint32_t memory[SK_MEMINFO_VARS] = {};
  socklen_t size = sizeof memory;
  int mss = 0;
  socklen_t mssSize = sizeof mss;
  if (getsockopt(Fd(handle), SOL_SOCKET, SO_MEMINFO, memory, &size) != 0 ||
      size <= SK_MEMINFO_WMEM_QUEUED * sizeof memory[0] ||
      getsockopt(Fd(handle), IPPROTO_TCP, TCP_MAXSEG, &mss, &mssSize) != 0 || mss < 2) {
    return 0;
  }
  const uint64_t limit = memory[SK_MEMINFO_SNDBUF];
  const uint64_t queued = memory[SK_MEMINFO_WMEM_QUEUED];
  const uint64_t segment = static_cast<uint64_t>(mss) / 2;
  if (limit <= queued + 2 * kPacketCost) return 0;
  // room + (room / segment + 2) * kPacketCost < limit - queued
  return static_cast<std::size_t>((limit - queued - 2 * kPacketCost - 1) * segment /
                                  (segment + kPacketCost));
}

void ShutDownSending(NativeSocket handle) {
  shutdown(Fd(handle), SHUT_WR);
}

std::ptrdiff_t WriteRuns(NativeSocket handle, const ByteView *runs, std::size_t count) {
  ssize_t sent;
  do {
    sent = SendRuns(Fd(handle), runs, count);
  } while (sent < 0 && errno == EINTR);
  if (sent >= 0) return sent;
  return WouldBlock(errno) ? kWouldBlock : kFailed;
}

std::ptrdiff_t ReadBytes(NativeSocket handle, uint8_t *area, std::size_t size) {
  ssize_t got;
  do {
    got = recv(Fd(handle), area, size, MSG_DONTWAIT);
  } while (got < 0 && errno == EINTR);
  if (got >= 0) return got;
  return WouldBlock(errno) ? kWouldBlock : kFailed;
}

std::size_t BytesWaiting(NativeSocket handle) {
  int count = 0;
  if (handle == kNoSocket || ioctl(Fd(handle), FIONREAD, &count) != 0 || count < 0) return 0;
  return static_cast<std::size_t>(count);
}

int PeerState(NativeSocket handle) {
  uint8_t byte;
  const ssize_t got = recv(Fd(handle), &byte, 1, MSG_PEEK | MSG_DONTWAIT);
  if (got == 0) return kPeerClosed;
  if (got > 0 || WouldBlock(errno) || errno == EINTR) return 0;
  return errno;
}

}  // namespace roviro2
