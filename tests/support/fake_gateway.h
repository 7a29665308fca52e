/* SPDX-License-Identifier: MIT */
// A gateway for tests: a TCP server on 127.0.0.1 that runs on its own thread,
// records every byte it receives, and on request sends bytes, stops reading,
// closes or resets its connection, or refuses new ones.
//
// Every wait is bounded by a deadline; nothing here sleeps to make a test
// pass.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "support/test_sockets.h"

namespace roviro2_test {

using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;

constexpr std::chrono::milliseconds kPatience{5000};

// Polls `done` until it is true or the time runs out; true when it became true.
bool PollUntil(const std::function<bool()> &done, std::chrono::milliseconds patience = kPatience);

// Cuts a byte stream into frames by their little-endian length fields; a
// length below 2 or a frame that runs past the end stops the cut.
std::vector<Bytes> CutFrames(const Bytes &stream);

// A frame as a gateway sends it: length field, port code, gateway byte 0x77
// (the library overwrites it), command, node, then the data.
Bytes GatewayFrame(uint8_t command, uint8_t node, const Bytes &data, uint8_t port = 0x60);

class FakeGateway {
 public:
  enum class Accepting {
    kServe,       // accept and keep the connection
    kNever,       // leave connections in the backlog: connected, never served
    kDropAtOnce,  // accept and close at once (a gateway that flaps)
  };

  struct Options {
    int receiveBuffer = 0;          // SO_RCVBUF of accepted connections; 0: default
    std::size_t readChunk = 65536;  // bytes taken per read
    bool irregular = false;         // now and then let the kernel's buffer fill
    Accepting accepting = Accepting::kServe;
  };

  FakeGateway();
  explicit FakeGateway(Options options);
  ~FakeGateway();
  FakeGateway(const FakeGateway &) = delete;
  FakeGateway &operator=(const FakeGateway &) = delete;

  uint16_t Port() const { return port_; }

  // Connections accepted so far, and whether one is open now.
  int Accepted() const;
  bool Connected() const;
  bool WaitAccepted(int count, std::chrono::milliseconds patience = kPatience) const;
  // Waits until the current connection was closed by the client.
  bool WaitClientGone(std::chrono::milliseconds patience = kPatience) const;

  // Every byte received, over all connections, in order.
  Bytes Received() const;
  std::size_t ReceivedSize() const;
  bool WaitReceived(std::size_t bytes, std::chrono::milliseconds patience = kPatience) const;
  std::vector<Bytes> ReceivedFrames() const { return CutFrames(Received()); }
  void ClearReceived();

  // Actions on the current connection; each first waits for a client to be
  // accepted, and is done by the gateway's thread before the call returns.
  void Send(const Bytes &bytes);
  // Sends one byte per write, with no delay from the kernel between them.
  void Dribble(const Bytes &bytes);
  void SetAccepting(Accepting accepting);
  void Close();         // orderly close (FIN)
  void Reset();         // close with RST
  void PauseReading();  // received bytes pile up in the kernel
  void ResumeReading();
  // Stops accepting: connection attempts are refused. Listen() accepts
  // again on the same port.
  void Refuse();
  void Listen();

 private:
  using Action = std::function<void()>;

  void Run();
  void Do(Action action);
  void WaitForClient() const;
  void RunActions();
  void AcceptOne();
  void ReadSome();
  void DropConnection(bool reset);
  bool OpenListener();

  Options options_;
  uint16_t port_ = 0;
  SocketHandle listener_ = kNoSocketHandle;
  SocketHandle client_ = kNoSocketHandle;
  WakeSignal wake_;
  bool reading_ = true;
  unsigned reads_ = 0;
  bool stopping_ = false;

  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  Bytes received_;
  int accepted_ = 0;
  bool connected_ = false;
  std::deque<std::pair<Action, bool *>> actions_;
  std::thread thread_;
};

}  // namespace roviro2_test
