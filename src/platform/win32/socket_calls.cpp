// SPDX-License-Identifier: MIT
// The Windows system calls under TClientSocket: a Winsock socket whose
// notifications go to the window source as messages (non-blocking from the
// moment it is watched).
#include "platform/socket_calls.h"

namespace roviro2 {

namespace {

// A gateway that vanishes without a reset is noticed after about half a
// minute: 10 s idle, then probes 5 s apart (their count is the system's).
constexpr ULONG kKeepIdleMs = 10000;
constexpr ULONG kKeepIntervalMs = 5000;

SOCKET Sock(NativeSocket handle) {
  return static_cast<SOCKET>(handle);
}

// Command frames are small and often sent back to back: no Nagle delay.
void ConfigureSocket(SOCKET handle) {
  const BOOL on = TRUE;
  setsockopt(handle, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char *>(&on), sizeof on);
  setsockopt(handle, SOL_SOCKET, SO_KEEPALIVE, reinterpret_cast<const char *>(&on), sizeof on);
  tcp_keepalive keepAlive{1, kKeepIdleMs, kKeepIntervalMs};
  DWORD returned = 0;
  WSAIoctl(handle, SIO_KEEPALIVE_VALS, &keepAlive, sizeof keepAlive, nullptr, 0, &returned, nullptr,
           nullptr);
}

std::ptrdiff_t Outcome(int result) {
  if (result != SOCKET_ERROR) return result;
  return WSAGetLastError() == WSAEWOULDBLOCK ? kWouldBlock : kFailed;
}

// Winsock counts in int: a larger request is cut, which a send or receive
// of fewer bytes than asked for covers anyway.
int Clamp(std::size_t size) {
  constexpr std::size_t kMost = 1u << 30;
  return static_cast<int>(size < kMost ? size : kMost);
}

}  // namespace

int LastSocketError() {
  return WSAGetLastError();
}

NativeSocket NewSocketHandle() {
  const SOCKET handle = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (handle == INVALID_SOCKET) return kNoSocket;
  ConfigureSocket(handle);
  return static_cast<NativeSocket>(handle);
}

void CloseSocketHandle(NativeSocket handle) {
  closesocket(Sock(handle));
}

int StartConnect(NativeSocket handle, const sockaddr_in &peer) {
  if (connect(Sock(handle), reinterpret_cast<const sockaddr *>(&peer), sizeof peer) == 0) return 0;
  const int error = WSAGetLastError();
  return error == WSAEWOULDBLOCK ? 0 : error;
}

int ConnectOutcome(NativeSocket handle) {
  int error = 0;
  int size = sizeof error;
  if (getsockopt(Sock(handle), SOL_SOCKET, SO_ERROR, reinterpret_cast<char *>(&error), &size) != 0)
    return WSAGetLastError();
  return error;
}

std::size_t SendRoom(NativeSocket) {
  // Winsock tells nothing that bounds what a send takes whole: none is risked.
  return 0;
}

void ShutDownSending(NativeSocket handle) {
  shutdown(Sock(handle), SD_SEND);
}

std::ptrdiff_t WriteRuns(NativeSocket handle, const ByteView *runs, std::size_t count) {
  if (count == 1) {
    return Outcome(
        send(Sock(handle), reinterpret_cast<const char *>(runs[0].data), Clamp(runs[0].size), 0));
  }
  WSABUF pieces[kMaxRuns];
  for (std::size_t i = 0; i < count; ++i) {
    pieces[i].len = static_cast<ULONG>(Clamp(runs[i].size));
    pieces[i].buf = reinterpret_cast<char *>(const_cast<uint8_t *>(runs[i].data));
  }
  DWORD sent = 0;
  if (WSASend(Sock(handle), pieces, static_cast<DWORD>(count), &sent, 0, nullptr, nullptr) != 0)
    return Outcome(SOCKET_ERROR);
  return static_cast<std::ptrdiff_t>(sent);
}

std::ptrdiff_t ReadBytes(NativeSocket handle, uint8_t *area, std::size_t size) {
  return Outcome(recv(Sock(handle), reinterpret_cast<char *>(area), Clamp(size), 0));
}

std::size_t BytesWaiting(NativeSocket handle) {
  u_long count = 0;
  if (handle == kNoSocket || ioctlsocket(Sock(handle), FIONREAD, &count) != 0) return 0;
  return count;
}

int PeerState(NativeSocket handle) {
  char byte;
  const int got = recv(Sock(handle), &byte, 1, MSG_PEEK);
  if (got == 0) return kPeerClosed;
  if (got != SOCKET_ERROR || WSAGetLastError() == WSAEWOULDBLOCK) return 0;
  return WSAGetLastError();
}

}  // namespace roviro2
