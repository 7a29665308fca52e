// SPDX-License-Identifier: MIT
#include "bridge.h"

#include <poll.h>

#include "command.h"
#include "reply.h"
#include "roviro2.h"
#include "roviro2_ext.h"
#include "table.h"
#include "values.h"

namespace bridge {

namespace {

// Events handed to the broker and not yet acknowledged: past this they wait
// in the bridge's own bounded queue, not in the MQTT client's unbounded one.
constexpr std::size_t kInFlight = 256;
// Frames taken from the library per pass, so that a flood of events does
// not hold up commands and statuses.
constexpr int kFramesPerPass = 512;
// The longest wait: the library's reconnect pacing and the MQTT keepalive
// are driven from here.
constexpr int kTickMs = 50;

}  // namespace

Bridge::Bridge(const Options &options)
    : options_(options),
      topics_(options.name),
      queue_(options.queueSize),
      statuses_(topics_),
      broker_(options, topics_,
              {[this] { Connected(); },
               [this](const std::string &payload, bool retained) { Command(payload, retained); }}) {
}

bool Bridge::Start(std::string &error) {
  if (!calls::OpenTable(options_.gateways, error, options_.ipindexFolder)) return false;
  PT_GW_Open(0);
  return broker_.Start(error);
}

void Bridge::Connected() {
  PublishStatuses(true);
}

void Bridge::Command(const std::string &payload, bool retained) {
  bridge::Command command;
  std::string error;
  const bool read = ParseCommand(payload, command, error);
  // A retained command would run again at every reconnect and restart.
  if (read && retained) error = "a retained command is not run: publish it without retain";
  const std::string reply = read && !retained ? Call(command) : ErrorReply(command.id, error);
  broker_.Publish(topics_.Reply(command.id), reply, false);
}

void Bridge::PublishStatuses(bool all) {
  const std::vector<Message> changed = statuses_.Poll(queue_, all);
  for (const Message &status : changed)
    broker_.Publish(status.topic, status.payload, true);
}

void Bridge::Flush() {
  while (!queue_.Empty() && broker_.Connected() && broker_.InFlight() < kInFlight) {
    if (!broker_.Publish(queue_.Front().topic, queue_.Front().payload, false, true)) break;
    queue_.Pop();
  }
}

void Bridge::Step(int waitMs) {
  pollfd waits[2] = {{roviro2_event_fd(), POLLIN, 0}, {broker_.Socket(), POLLIN, 0}};
  if (broker_.WantWrite()) waits[1].events |= POLLOUT;
  poll(waits, 2, broker_.WaitMs(waitMs));  // a descriptor of -1 is not waited on
  // Statuses first: PT_GW_AllStatus runs the library's socket events.
  PublishStatuses(false);
  TakeFrames(kFramesPerPass, [this](const Frame &frame) {
    queue_.Push(
        {topics_.Event(frame.tag), EventPayload(frame, calls::Timestamp()), frame.tag >> 16});
  });
  broker_.Service((waits[1].revents & (POLLIN | POLLERR | POLLHUP)) != 0,
                  (waits[1].revents & POLLOUT) != 0);
  Flush();
}

void Bridge::Run(const volatile std::sig_atomic_t &stop) {
  while (!stop)
    Step(kTickMs);
  // What arrived before the stop still goes out, as far as the broker takes it.
  const auto deadline = Broker::Clock::now() + std::chrono::seconds(2);
  while (!queue_.Empty() && broker_.Connected() && Broker::Clock::now() < deadline)
    Step(10);
  PT_API_Close();
  PublishStatuses(false);
  broker_.Stop(std::chrono::seconds(2));
}

}  // namespace bridge
