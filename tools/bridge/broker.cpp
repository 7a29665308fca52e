// SPDX-License-Identifier: MIT
#include "broker.h"

#include <mosquitto.h>
#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace bridge {

namespace {

constexpr char kOnline[] = "online";
constexpr char kOffline[] = "offline";
constexpr std::chrono::milliseconds kFirstPause{250};
constexpr int kPacketsPerRead = 256;

int Ms(std::chrono::steady_clock::duration d) {
  return static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(d).count());
}

}  // namespace

Broker::Broker(const Options &options, const Topics &topics, Handlers handlers)
    : options_(options), topics_(topics), handlers_(std::move(handlers)) {
  mosquitto_lib_init();
}

Broker::~Broker() {
  if (mosq_) mosquitto_destroy(mosq_);
  mosquitto_lib_cleanup();
}

bool Broker::Start(std::string &error) {
  const std::string presence = topics_.Presence();
  if (mosquitto_validate_utf8(presence.c_str(), static_cast<int>(presence.size())) !=
      MOSQ_ERR_SUCCESS)
    return error = "the bridge's name is not valid UTF-8", false;
  mosq_ = mosquitto_new(options_.clientId.c_str(), true, this);
  if (!mosq_) return error = "cannot make the MQTT client", false;
  mosquitto_connect_callback_set(mosq_, OnConnect);
  mosquitto_disconnect_callback_set(mosq_, OnDisconnect);
  mosquitto_publish_callback_set(mosq_, OnPublish);
  mosquitto_message_callback_set(mosq_, OnMessage);
  int rc = mosquitto_will_set(mosq_, presence.c_str(), sizeof kOffline - 1, kOffline, 1, true);
  if (rc == MOSQ_ERR_SUCCESS && !options_.username.empty())
    rc = mosquitto_username_pw_set(mosq_, options_.username.c_str(),
                                   options_.password.empty() ? nullptr : options_.password.c_str());
  if (rc == MOSQ_ERR_SUCCESS && !options_.caFile.empty())
    rc = mosquitto_tls_set(mosq_, options_.caFile.c_str(), nullptr,
                           options_.certFile.empty() ? nullptr : options_.certFile.c_str(),
                           options_.keyFile.empty() ? nullptr : options_.keyFile.c_str(), nullptr);
  if (rc != MOSQ_ERR_SUCCESS)
    return error = std::string("the credentials or TLS files cannot be used: ") +
                   mosquitto_strerror(rc),
           false;
  Attempt();
  return true;
}

int Broker::Socket() const {
  return state_ == State::kIdle ? -1 : mosquitto_socket(mosq_);
}

bool Broker::WantWrite() const {
  return state_ != State::kIdle && mosquitto_want_write(mosq_);
}

void Broker::Attempt() {
  const int rc = started_ ? mosquitto_reconnect_async(mosq_)
                          : mosquitto_connect_async(mosq_, options_.host.c_str(), options_.port,
                                                    options_.keepalive);
  started_ = true;
  attemptStarted_ = Clock::now();
  if (rc != MOSQ_ERR_SUCCESS) {
    state_ = State::kConnecting;  // so that Lost schedules the next attempt
    Lost(rc == MOSQ_ERR_ERRNO ? std::string(std::strerror(errno)) : mosquitto_strerror(rc));
    return;
  }
  state_ = State::kConnecting;
}

void Broker::Lost(const std::string &why) {
  if (state_ == State::kIdle) return;
  if (stopping_) {
    state_ = State::kIdle;
    return;
  }
  std::fprintf(stderr, "roviro2-bridge: broker %s:%d: %s; next attempt in %.2f s\n",
               options_.host.c_str(), options_.port, why.c_str(), pause_.count() / 1000.0);
  state_ = State::kIdle;
  // What was handed over is the client's to send again or to drop.
  inFlight_.clear();
  nextAttempt_ = Clock::now() + pause_;
  const auto most = std::chrono::milliseconds(static_cast<long>(options_.retryMax * 1000));
  pause_ = std::min(pause_ * 2, most);
}

void Broker::Service(bool readable, bool writable) {
  if (state_ == State::kIdle) {
    if (Clock::now() >= nextAttempt_) Attempt();
    return;
  }
  int rc = MOSQ_ERR_SUCCESS;
  // The client reads one packet a call: what has arrived is read up to a
  // bound, so that a burst of commands does not wait a poll per packet.
  for (int packets = 0;
       readable && rc == MOSQ_ERR_SUCCESS && state_ != State::kIdle && packets < kPacketsPerRead;
       ++packets) {
    rc = mosquitto_loop_read(mosq_, 1);
    pollfd more{mosquitto_socket(mosq_), POLLIN, 0};
    readable = more.fd >= 0 && poll(&more, 1, 0) == 1;
  }
  if (rc == MOSQ_ERR_SUCCESS && state_ != State::kIdle && (writable || WantWrite()))
    rc = mosquitto_loop_write(mosq_, 1);
  if (rc == MOSQ_ERR_SUCCESS && state_ != State::kIdle) rc = mosquitto_loop_misc(mosq_);
  if (rc != MOSQ_ERR_SUCCESS && rc != MOSQ_ERR_NO_CONN)
    Lost(rc == MOSQ_ERR_ERRNO ? std::string(std::strerror(errno)) : mosquitto_strerror(rc));
  else if (rc == MOSQ_ERR_NO_CONN)
    Lost("connection lost");
  // A broker that takes the connection but never answers it.
  if (state_ == State::kConnecting &&
      Clock::now() - attemptStarted_ > std::chrono::seconds(options_.keepalive))
    Lost("no answer to the connect");
}

int Broker::WaitMs(int most) const {
  if (state_ != State::kIdle) return most;
  return std::clamp(Ms(nextAttempt_ - Clock::now()), 0, most);
}

bool Broker::Publish(const std::string &topic, const std::string &payload, bool retain,
                     bool counted) {
  if (state_ != State::kConnected) return false;
  int mid = 0;
  const int rc = mosquitto_publish(mosq_, &mid, topic.c_str(), static_cast<int>(payload.size()),
                                   payload.data(), 1, retain);
  if (rc != MOSQ_ERR_SUCCESS) return false;
  if (counted) inFlight_.insert(mid);
  return true;
}

void Broker::Stop(std::chrono::milliseconds most) {
  if (state_ != State::kConnected) return;
  const auto deadline = Clock::now() + most;
  const std::string presence = topics_.Presence();
  if (mosquitto_publish(mosq_, &stopMid_, presence.c_str(), sizeof kOffline - 1, kOffline, 1,
                        true) != MOSQ_ERR_SUCCESS)
    stopAcked_ = true;
  while (!stopAcked_ && state_ == State::kConnected && Clock::now() < deadline) {
    pollfd wait{mosquitto_socket(mosq_), static_cast<short>(POLLIN | (WantWrite() ? POLLOUT : 0)),
                0};
    poll(&wait, 1, std::max(1, Ms(deadline - Clock::now())));
    Service((wait.revents & POLLIN) != 0, (wait.revents & POLLOUT) != 0);
  }
  stopping_ = true;
  if (state_ == State::kConnected) {
    mosquitto_disconnect(mosq_);
    mosquitto_loop_write(mosq_, 1);
  }
  state_ = State::kIdle;
}

void Broker::OnConnect(mosquitto *, void *self, int rc) {
  auto &broker = *static_cast<Broker *>(self);
  if (rc != 0) {
    broker.Lost(std::string("refused: ") + mosquitto_connack_string(rc));
    return;
  }
  std::fprintf(stderr, "roviro2-bridge: connected to broker %s:%d\n", broker.options_.host.c_str(),
               broker.options_.port);
  broker.state_ = State::kConnected;
  broker.pause_ = kFirstPause;
  const std::string commands = broker.topics_.Commands();
  mosquitto_subscribe(broker.mosq_, nullptr, commands.c_str(), 1);
  broker.Publish(broker.topics_.Presence(), kOnline, true);
  if (broker.handlers_.connected) broker.handlers_.connected();
}

void Broker::OnDisconnect(mosquitto *, void *self, int rc) {
  auto &broker = *static_cast<Broker *>(self);
  broker.Lost(rc == 0 ? "disconnected" : "connection lost");
}

void Broker::OnPublish(mosquitto *, void *self, int mid) {
  auto &broker = *static_cast<Broker *>(self);
  broker.inFlight_.erase(mid);
  if (mid == broker.stopMid_) broker.stopAcked_ = true;
}

void Broker::OnMessage(mosquitto *, void *self, const mosquitto_message *message) {
  auto &broker = *static_cast<Broker *>(self);
  if (!broker.handlers_.message || !message->topic) return;
  std::string payload;
  if (message->payload && message->payloadlen > 0)
    payload.assign(static_cast<const char *>(message->payload),
                   static_cast<std::size_t>(message->payloadlen));
  broker.handlers_.message(payload, message->retain);
}

}  // namespace bridge
