/* SPDX-License-Identifier: MIT */
// The bridge's link to the MQTT broker, on the caller's thread: it connects
// without blocking, is driven from the caller's poll (Socket, WantWrite,
// Service), and after a failure or loss tries again with a growing pause.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <set>
#include <string>

#include "options.h"
#include "topics.h"

struct mosquitto;
struct mosquitto_message;

namespace bridge {

class Broker {
 public:
  using Clock = std::chrono::steady_clock;
  struct Handlers {
    std::function<void()> connected;  // after the broker accepted: subscribe, republish
    // `retained`: the broker kept it and hands it to every new subscriber.
    std::function<void(const std::string &payload, bool retained)> message;
  };

  Broker(const Options &options, const Topics &topics, Handlers handlers);
  ~Broker();
  Broker(const Broker &) = delete;
  Broker &operator=(const Broker &) = delete;

  // Sets the credentials, TLS and the will ("offline", retained) and makes
  // the first attempt; false with a message when the options cannot be used.
  bool Start(std::string &error);
  // The socket to wait on, -1 when there is none now.
  int Socket() const;
  bool WantWrite() const;
  // Reads, writes and keeps the link alive; starts an attempt when one is
  // due. Call after each wait.
  void Service(bool readable, bool writable);
  // How long the caller may wait before Service must run again.
  int WaitMs(int most) const;
  bool Connected() const { return state_ == State::kConnected; }
  // QoS 1; false when not connected or refused.
  bool Publish(const std::string &topic, const std::string &payload, bool retain,
               bool counted = false);
  // Counted messages handed to the broker and not yet acknowledged.
  std::size_t InFlight() const { return inFlight_.size(); }
  // Publishes "offline" and disconnects, waiting at most `most` for both.
  void Stop(std::chrono::milliseconds most);

 private:
  enum class State { kIdle, kConnecting, kConnected };
  static void OnConnect(mosquitto *, void *self, int rc);
  static void OnDisconnect(mosquitto *, void *self, int rc);
  static void OnPublish(mosquitto *, void *self, int mid);
  static void OnMessage(mosquitto *, void *self, const mosquitto_message *message);
  void Attempt();
  void Lost(const std::string &why);

  Options options_;
  Topics topics_;
  Handlers handlers_;
  mosquitto *mosq_ = nullptr;
  State state_ = State::kIdle;
  bool started_ = false;  // an attempt was made before: the next one reconnects
  Clock::time_point nextAttempt_{};
  Clock::time_point attemptStarted_{};
  std::chrono::milliseconds pause_{250};
  std::set<int> inFlight_;
  int stopMid_ = -1;
  bool stopAcked_ = false;
  bool stopping_ = false;
};

}  // namespace bridge
