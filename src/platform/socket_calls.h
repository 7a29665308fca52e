/* SPDX-License-Identifier: MIT */
// The system calls under TClientSocket, as plain functions on a native
// handle. Each platform defines them (linux/, win32/); the socket's state
// machine above them is common to every platform (client_socket.cpp).
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/byte_view.h"
#include "platform/native_socket.h"
#include "platform/socket_headers.h"

namespace roviro2 {

// Results of WriteRuns and ReadBytes besides a count of bytes.
constexpr std::ptrdiff_t kWouldBlock = -1;
constexpr std::ptrdiff_t kFailed = -2;
// Runs of bytes a single send takes at most.
constexpr std::size_t kMaxRuns = 4;

// The code of the system call that just failed (errno, or Winsock's).
int LastSocketError();
// A new TCP socket with the library's options, or kNoSocket.
NativeSocket NewSocketHandle();
void CloseSocketHandle(NativeSocket handle);
// Starts connecting to the peer: 0 when under way, otherwise the error code.
int StartConnect(NativeSocket handle, const sockaddr_in &peer);
// The outcome of a connect under way: 0, or the error code.
int ConnectOutcome(NativeSocket handle);
// Bytes that one send is sure to take whole, at once; 0 when that cannot be
// known.
std::size_t SendRoom(NativeSocket handle);
// Sends a FIN after what the system holds; the handle stays open.
void ShutDownSending(NativeSocket handle);
// One send of every run (bytes taken, kWouldBlock or kFailed).
std::ptrdiff_t WriteRuns(NativeSocket handle, const ByteView *runs, std::size_t count);
// One receive (bytes read, 0 when the peer closed, kWouldBlock or kFailed).
std::ptrdiff_t ReadBytes(NativeSocket handle, uint8_t *area, std::size_t size);
// Bytes that wait to be read; 0 for no handle.
std::size_t BytesWaiting(NativeSocket handle);
// Whether the peer closed the connection or it failed: 0 while it stands,
// kPeerClosed after an orderly close, otherwise the error code.
constexpr int kPeerClosed = -1;
int PeerState(NativeSocket handle);

}  // namespace roviro2
