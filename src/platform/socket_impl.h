/* SPDX-License-Identifier: MIT */
// The state of one client socket, shared by the socket's operations and the
// event loop that turns what the system reports into its events.
//
// The operations common to every platform live in client_socket.cpp; the
// system calls below them are each platform's own (posix/, win32/).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/client_socket.h"
#include "platform/event_loop.h"
#include "platform/output_buffer.h"
#include "platform/socket_headers.h"

namespace roviro2 {

// A system socket handle: a descriptor on POSIX, a SOCKET on Windows.
using NativeSocket = std::intptr_t;
constexpr NativeSocket kNoSocket = -1;

struct TClientSocket::Impl {
  enum class State { kIdle, kConnecting, kConnected };
  // Results of Write and Read besides a count of bytes.
  static constexpr std::ptrdiff_t kWouldBlock = -1;
  static constexpr std::ptrdiff_t kFailed = -2;

  explicit Impl(TClientSocket &self) : self(self) {}

  EventTag Tag() const { return (static_cast<EventTag>(number) << 32) | generation; }
  bool Connecting() const { return state == State::kConnecting; }
  bool Connected() const { return state == State::kConnected; }

  // Common to every platform.
  // Starts a connect; false when it cannot start.
  bool Connect();
  // Writes out what waits; false when the connection failed.
  bool Flush();
  // Closes the handle of a failed connection; its disconnect event follows
  // at the next dispatch.
  void Fail();
  // Closes the handle without raising anything.
  void Drop();
  // Before a graceful close: hands the system the waiting frames it takes
  // whole, discards unread input (the system would answer it with a reset
  // that loses what it still has to send) and shuts sending down. Returns the
  // count of frames that stay behind.
  std::size_t HandOver();

  // What ended the last attempt or connection, for the application to tell.
  void NoteFailure(int code) {
    lastError = code;
    endedByPeer = false;
  }
  void NotePeerClosed() {
    lastError = 0;
    endedByPeer = true;
  }

  // Each platform's own.
  // The code of the system call that just failed (errno, or Winsock's).
  static int SystemError();
  // A new TCP socket with the library's options, or kNoSocket.
  static NativeSocket NewHandle();
  static void CloseHandle(NativeSocket handle);
  // Has the event source report the outcome of a connect on the handle.
  bool WatchConnect(NativeSocket handle);
  // Starts connecting fd to the peer: 0 when under way, otherwise the error
  // code.
  int StartConnect(const sockaddr_in &peer);
  // The outcome of a connect under way: 0, or the error code.
  int ConnectResult() const;
  // The connect completed: read events from now on.
  void BecomeConnected();
  void WatchWrites(bool on);
  // Applies readsHeld to what the event source reports.
  void WatchReads();
  std::size_t BytesReady() const;
  // The peer closed the connection or it failed (and which, noted).
  bool PeerGone();
  // The event source forgets fd, and what it still holds of it.
  void StopWatching();
  // Bytes that one send is sure to have taken whole, at once; 0 when that
  // cannot be known.
  std::size_t SendRoom() const;
  // Sends a FIN after what the system holds; the handle stays open.
  void ShutDownSending();
  // One send of every run (bytes taken, kWouldBlock or kFailed).
  std::ptrdiff_t Write(const ByteView *runs, std::size_t count);
  // One receive (bytes read, 0 when the peer closed, kWouldBlock or kFailed).
  std::ptrdiff_t Read(uint8_t *area, std::size_t size);

  TClientSocket &self;
  std::string address;
  uint16_t port = 0;
  NativeSocket fd = kNoSocket;
  State state = State::kIdle;
  uint32_t number = 0;      // 0: not known to the event loop
  uint32_t generation = 0;  // raised for every new handle
  bool writesWatched = false;
  bool readsHeld = false;    // read events wait until the application makes room
  int lastError = 0;         // system code of the last failure; 0: none
  bool endedByPeer = false;  // the last connection was closed by the peer
  OutputBuffer out{kOutputCapacity};
};

// Runs of bytes a single system send takes at most: a caller's runs and,
// before them, the bytes that wait from earlier sends.
constexpr std::size_t kMaxRuns = 5;

}  // namespace roviro2
