/* SPDX-License-Identifier: MIT */
// Asynchronous IPv4 TCP client socket, one per gateway.
//
// No operation waits for the network. Whatever the network answers (connect
// completed or failed, data arrived, peer closed) becomes an event that runs
// only when the library's thread dispatches (see socket_events.h), never from
// inside an operation. Handlers are plain functions set by the owner.
//
// The socket registers its handle with the event source of the loop it is
// opened on; the source calls the entry points below (OnConnectResult,
// OnReadable, OnWritable, OnHangUp, ...) with what the system reported. The
// state machine is common to every platform; the system calls under it are
// each platform's own (socket_calls.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/byte_view.h"
#include "platform/event_source.h"
#include "platform/native_socket.h"
#include "platform/output_buffer.h"

namespace roviro2 {

// Kinds of socket error event.
enum class SocketErrorKind { eeGeneral, eeSend, eeReceive, eeConnect, eeDisconnect, eeAccept };

class TClientSocket;
class EventLoop;
enum class PostedKind;

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
  // Runs of bytes one Send takes at most: the pieces of the longest frame.
  static constexpr std::size_t kMostRuns = 18;

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

  // A connect is under way.
  bool Connecting() const;

  // Starts a non-blocking connect, watched by the loop's event source, and
  // returns at once. False, with nothing pending, when the address is empty
  // or not a dotted IPv4 address, or no socket can be created. Every other
  // failure arrives later as a connect error event.
  bool Open(EventLoop &loop);
  // On a connected socket: closes the connection at once (Active false) and
  // raises the disconnect event at the next dispatch. Otherwise nothing.
  void Close();
  // Drops the socket handle an earlier attempt or connection left, if any,
  // with the events it still had pending; raises the disconnect event.
  void CloseInner();

  // Takes every byte of the runs (at most kMostRuns) or none of them: when
  // the output buffer lacks room for them, what waits is written out first
  // to make it, and without room then they are refused. Bytes that wait from
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
  // The same into the caller's area of `size` bytes (size > 0), where the
  // bytes stay.
  ByteView ReceiveInto(uint8_t *area, std::size_t size);
  // Bytes that wait in the system to be read.
  std::size_t BytesReady() const;

  SocketNotifyHandler OnConnect;
  SocketNotifyHandler OnDisconnect;
  SocketNotifyHandler OnRead;
  SocketErrorHandler OnError;

  // What the loop and its event source call.
  // The name of the socket's current handle in the loop.
  EventTag Tag() const { return (static_cast<EventTag>(number_) << 32) | generation_; }
  // The connect under way ended: `reported` is the error the system gave
  // with the event, if any; without one, the outcome the handle records
  // counts, and when it records none, `otherwise`. Connected on 0 (connect
  // event), failed and closed on anything else (connect error event).
  void OnConnectResult(int reported, int otherwise = 0);
  // Input arrived: raises the read event unless reads are held.
  void OnReadable();
  // A receive notification carried an error: raises the receive error event.
  void OnReadError(int error);
  // Room to write: writes out what waits. True when that failed, or the
  // notification carried an error, and the connection ended (disconnect
  // event).
  bool OnWritable(int error = 0);
  // The system flagged an end of the connection: closes it when no byte is
  // left to read and the peer is gone. True when it closed.
  bool OnHangUp();
  // The connection ended (error 0: closed by the peer in order): closes it
  // and raises the disconnect event.
  void OnClosed(int error);
  // The loop ends: the handle is dropped quietly; a later Open may use
  // another loop.
  void LoopEnded();

 private:
  enum class State { kIdle, kConnecting, kConnected };

  bool Connected() const { return state_ == State::kConnected; }
  bool Connect(EventLoop &loop);
  // Writes out what waits; false when the connection failed.
  bool Flush();
  // Writes out what waits when the output buffer has no room for `bytes`
  // more: kTaken when it then has, kNoRoom when not, kFailed when the
  // connection failed (and is closed).
  SendOutcome MakeRoom(std::size_t bytes);
  // What a write of the runs (`total` bytes) answered: every byte out, the
  // rest kept, or a failure that closes the connection.
  SendOutcome Written(const ByteView *runs, std::size_t count, std::size_t total,
                      std::ptrdiff_t result);
  // Keeps what the system left of the runs, `sent` bytes being out already.
  SendOutcome KeepRest(const ByteView *runs, std::size_t count, std::size_t sent);
  // Inside a batch the runs only join the output buffer; its end writes them.
  SendOutcome Batch(const ByteView *runs, std::size_t count);
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
  void WatchWrites(bool on);
  void Post(PostedKind kind, int code = 0);

  // What ended the last attempt or connection, for the application to tell.
  void NoteFailure(int code) {
    lastError_ = code;
    endedByPeer_ = false;
  }
  void NotePeerClosed() {
    lastError_ = 0;
    endedByPeer_ = true;
  }

  std::string address_;
  uint16_t port_ = 0;
  NativeSocket handle_ = kNoSocket;
  State state_ = State::kIdle;
  EventLoop *loop_ = nullptr;  // the loop that knows it, while that runs
  uint32_t number_ = 0;        // its number in loop_
  uint32_t generation_ = 0;    // raised for every new handle
  bool writesWatched_ = false;
  bool readsHeld_ = false;    // read events wait until the application makes room
  int lastError_ = 0;         // system code of the last failure; 0: none
  bool endedByPeer_ = false;  // the last connection was closed by the peer
  uint64_t batchNoted_ = 0;   // the batch that knows of this handle's bytes (send_batch.h)
  OutputBuffer out_{kOutputCapacity};
};

}  // namespace roviro2
