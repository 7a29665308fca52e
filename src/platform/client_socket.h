/* SPDX-License-Identifier: MIT */
// Asynchronous IPv4 TCP client socket, one per gateway.
//
// No operation waits for the network. Whatever the network answers (connect
// completed or failed, data arrived, peer closed) becomes an event that runs
// only when the library's thread dispatches (see socket_events.h), never from
// inside an operation. Handlers are plain functions set by the owner.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/byte_view.h"

namespace roviro2 {

// Kinds of socket error event.
enum class SocketErrorKind { eeGeneral, eeSend, eeReceive, eeConnect, eeDisconnect, eeAccept };

class TClientSocket;

using SocketNotifyHandler = std::function<void(TClientSocket &socket)>;
// The handler may set errorCode to 0 to drop the error.
using SocketErrorHandler =
    std::function<void(TClientSocket &socket, SocketErrorKind kind, int &errorCode)>;

enum class SendOutcome {
  kTaken,         // every byte is on the wire or waits, in order, to go out
  kNotConnected,  // nothing sent
  kNoRoom,        // the output buffer cannot take it whole: nothing sent
  kFailed,        // the connection failed and is closed (disconnect event)
};

enum class WriteOutcome {
  kAllOut,    // nothing waits any more
  kSomeWait,  // the system took part: the rest goes out at write events
  kFailed,    // the connection failed and is closed (disconnect event)
};

class TClientSocket {
 public:
  // Bytes a connection may hold that the kernel could not take yet.
  static constexpr std::size_t kOutputCapacity = 1 << 20;

  TClientSocket();
  // Releasing closes an open connection without raising events.
  ~TClientSocket();
  TClientSocket(const TClientSocket &) = delete;
  TClientSocket &operator=(const TClientSocket &) = delete;

  const std::string &Address() const;
  uint16_t Port() const;
  // Setting a value that differs from the current one while Active fails
  // (false); setting the same value does nothing.
  bool SetAddress(const std::string &address);
  bool SetPort(uint16_t port);

  // True from just before the connect event until just before the
  // disconnect event; false while an attempt is under way.
  bool Active() const;

  // Starts a non-blocking connect and returns at once. False, with nothing
  // pending, when the address is empty or not a dotted IPv4 address, or no
  // socket can be created. Every other failure arrives later as a connect
  // error event.
  bool Open();
  // On a connected socket: closes the connection at once (Active false) and
  // raises the disconnect event at the next dispatch. Otherwise nothing.
  void Close();
  // Drops the socket handle an earlier attempt or connection left, if any,
  // with the events it still had pending; raises the disconnect event.
  void CloseInner();

  // Makes room for `bytes` more bytes (writing out what waits when the
  // output buffer lacks the room), then tells whether a send of that many
  // bytes would be taken whole.
  bool Reserve(std::size_t bytes);
  // Takes every byte of the runs or none of them. Bytes that wait from
  // earlier sends go out first, in the same system call. While a batch is
  // open (send_batch.h) the runs are only kept, for the batch's end.
  SendOutcome Send(const ByteView *runs, std::size_t count);
  SendOutcome Send(const uint8_t *data, std::size_t size);
  // Writes out what waits. On failure, `lost` is the count of frames that
  // did not go out, and the connection is closed; otherwise 0.
  WriteOutcome WriteWaiting(std::size_t &lost);
  // The system's code for what ended the last attempt or connection (refused,
  // unreachable, timed out, reset...); 0 when nothing failed or the peer
  // closed it in order (EndedByPeer).
  int LastError() const;
  bool EndedByPeer() const;

  // Stops raising read events (the bytes wait in the system, which holds the
  // peer back), or starts again; resuming raises a read event at the next
  // dispatch for what waited.
  void HoldReads(bool held);
  bool ReadsHeld() const;

  // Reads what the connection holds, at most 256 KiB, in one read; the rest
  // raises the next read event. The bytes are valid until the next Receive
  // of any socket.
  ByteView Receive();

  SocketNotifyHandler OnConnect;
  SocketNotifyHandler OnDisconnect;
  SocketNotifyHandler OnRead;
  SocketErrorHandler OnError;

  struct Impl;
  Impl &Internals() { return *impl_; }

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace roviro2
