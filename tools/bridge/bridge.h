/* SPDX-License-Identifier: MIT */
// The bridge's one loop: it waits in poll on the library's event descriptor
// and the broker's socket, hands received frames to the broker as events,
// publishes each gateway's status when it changes, and answers commands.
#pragma once

#include <csignal>

#include "broker.h"
#include "event_queue.h"
#include "options.h"
#include "status.h"
#include "topics.h"

namespace bridge {

class Bridge {
 public:
  explicit Bridge(const Options &options);
  // Opens the library and its gateways and starts the broker link; false
  // with a message.
  bool Start(std::string &error);
  // Runs until `stop` is set (by a signal), then closes the gateways,
  // publishes their last statuses and "offline", and disconnects.
  void Run(const volatile std::sig_atomic_t &stop);

 private:
  void Connected();
  void Command(const std::string &payload, bool retained);
  void Step(int waitMs);
  void Flush();
  void PublishStatuses(bool all);

  Options options_;
  Topics topics_;
  EventQueue queue_;
  GatewayStatuses statuses_;
  Broker broker_;
};

}  // namespace bridge
