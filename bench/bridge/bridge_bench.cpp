// SPDX-License-Identifier: MIT
// Commands and events per second through the bridge and a real broker,
// beside the library called directly on another gateway of the same
// simulator, in the same run. Prints one table; exits 1 when a run did not
// complete.
#include <mosquitto.h>
#include <poll.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

#include "processes.h"
#include "roviro2.h"
#include "roviro2_ext.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kCommands = 20000;
constexpr int kEvents = 20000;
constexpr int kWindow = 200;  // commands on their way at once
const auto kPatience = std::chrono::seconds(60);

double Seconds(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// An application on the broker: counts replies and events.
struct Client {
  explicit Client(int port) {
    mosq = mosquitto_new(nullptr, true, this);
    mosquitto_message_callback_set(mosq, [](mosquitto *, void *self, const mosquitto_message *m) {
      auto &client = *static_cast<Client *>(self);
      if (std::strstr(m->topic, "/reply/")) ++client.replies;
      if (std::strstr(m->topic, "/event")) ++client.events;
      if (std::strstr(m->topic, "/gw/1/status") && m->payloadlen > 0 &&
          std::strstr(static_cast<const char *>(m->payload), "\"connected\""))
        client.connected = true;
    });
    mosquitto_connect(mosq, "127.0.0.1", port, 30);
    mosquitto_subscribe(mosq, nullptr, "roviro2/bench/#", 1);
  }
  ~Client() { mosquitto_destroy(mosq); }
  // Runs the client until `done`, kPatience at most.
  bool Until(const std::function<bool()> &done, const std::function<void()> &each = nullptr) {
    const auto deadline = Clock::now() + kPatience;
    while (!done() && Clock::now() < deadline) {
      if (each) each();
      mosquitto_loop(mosq, 1, 100);
    }
    return done();
  }
  mosquitto *mosq;
  int replies = 0, events = 0;
  bool connected = false;
};

// The library on gateway 2, run until `done`, kPatience at most.
bool LibraryUntil(const std::function<bool()> &done) {
  const auto deadline = Clock::now() + kPatience;
  while (!done() && Clock::now() < deadline) {
    pollfd events{roviro2_event_fd(), POLLIN, 0};
    poll(&events, 1, 10);
    PT_GW_Status(2);
  }
  return done();
}

double CommandsThroughBroker(Client &client) {
  int sent = 0;
  const auto start = Clock::now();
  const bool all = client.Until(
      [&] { return client.replies == kCommands; },
      [&] {
        for (; sent < kCommands && sent - client.replies < kWindow; ++sent) {
          const std::string command = "{\"id\":" + std::to_string(sent) +
                                      ",\"function\":\"PT_LB_DspNum\",\"args\":[\"1:1:5\"," +
                                      std::to_string(sent % 100000) + ",0,0]}";
          mosquitto_publish(client.mosq, nullptr, "roviro2/bench/cmd",
                            static_cast<int>(command.size()), command.data(), 1, false);
        }
      });
  return all ? kCommands / Seconds(start) : 0;
}

double CommandsDirect() {
  const auto start = Clock::now();
  for (int i = 0; i < kCommands;) {
    if (PT_LB_DspNum(ROVIRO2_TAG_ADDR(2, 1, 5), i % 100000, 0, 0) == ROVIRO2_SENT)
      ++i;
    else if (Seconds(start) > 60)
      return 0;
    roviro2_dispatch();  // lets the frames go out, as the bridge's loop does
  }
  return kCommands / Seconds(start);
}

std::string Keys(int gateway) {
  std::string lines;
  for (int i = 0; i < kEvents; ++i)
    lines += "key " + std::to_string(gateway) + ":1:5 65\n";
  return lines;
}

double EventsThroughBroker(Client &client, bench_bridge::Processes &processes) {
  const std::string keys = Keys(1);
  const auto start = Clock::now();
  processes.Script(keys);
  return client.Until([&] { return client.events == kEvents; }) ? kEvents / Seconds(start) : 0;
}

double EventsDirect(bench_bridge::Processes &processes) {
  const std::string keys = Keys(2);
  int taken = 0;
  const auto start = Clock::now();
  processes.Script(keys);
  const bool all = LibraryUntil([&] {
    uint8_t data[8190];
    for (;;) {
      uint32_t tag = 0;
      int16_t command = -1, status = 0, length = 0;
      if (PT_Tag_RcvMsg(&tag, &command, &status, data, &length) != ROVIRO2_FRAME_TAKEN) break;
      ++taken;
    }
    return taken == kEvents;
  });
  return all ? kEvents / Seconds(start) : 0;
}

void Row(const char *label, double broker, double direct) {
  std::printf("| %-20s | %18.0f | %16.0f | %5.3f |\n", label, broker, direct,
              direct > 0 ? broker / direct : 0);
}

}  // namespace

int main() {
  bench_bridge::Processes processes(ROVIRO2_BUILD_DIR);
  std::string error;
  if (!processes.StartBrokerAndSimulator(2, error) || !processes.StartBridge("bench", error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  mosquitto_lib_init();
  int status = 1;
  {
    Client client(processes.brokerPort());
    PT_API_Open();
    PT_GW_InsConf(2, "127.0.0.1", static_cast<uint32_t>(processes.gatewayPort(2)));
    PT_GW_Open(2);
    if (client.Until([&] { return client.connected; }) &&
        LibraryUntil([] { return PT_GW_Status(2) == ROVIRO2_CONNECTED; })) {
      const double commandsBroker = CommandsThroughBroker(client);
      const double commandsDirect = CommandsDirect();
      const double eventsBroker = EventsThroughBroker(client, processes);
      const double eventsDirect = EventsDirect(processes);
      std::printf("%d commands (PT_LB_DspNum, QoS 1, %d on their way) and %d key events\n\n",
                  kCommands, kWindow, kEvents);
      std::printf("| %-20s | %18s | %16s | %5s |\n|---|---|---|---|\n", "per second",
                  "through the broker", "library directly", "ratio");
      Row("commands", commandsBroker, commandsDirect);
      Row("events", eventsBroker, eventsDirect);
      status =
          commandsBroker > 0 && commandsDirect > 0 && eventsBroker > 0 && eventsDirect > 0 ? 0 : 1;
    } else {
      std::fprintf(stderr, "the bridge or gateway 2 did not connect\n");
    }
    PT_API_Close();
  }
  mosquitto_lib_cleanup();
  return status;
}
