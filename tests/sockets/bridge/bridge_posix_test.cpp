// SPDX-License-Identifier: MIT
// The bridge as a process between a real broker (mosquitto on a free
// loopback port) and the simulator: commands published with mosquitto_pub
// change devices and are answered, key presses arrive at a subscriber, bad
// messages get error replies, and a broker restart and a gateway's loss are
// survived and reported.
#include <gtest/gtest.h>
#include <mosquitto.h>
#include <pwd.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/fake_gateway.h"

namespace roviro2_test {
namespace {

using Json = nlohmann::json;
using Clock = std::chrono::steady_clock;

std::string BuildDir() {
  const std::string library = ROVIRO2_SHARED_LIBRARY;
  return library.substr(0, library.rfind('/'));
}

std::string ReadFile(const std::string &path) {
  return ReadWholeFile(path);
}

// A subscriber to everything of the bridge, with a session the broker keeps
// across its restart (QoS 1), so that nothing published meanwhile is missed.
class Subscriber {
 public:
  explicit Subscriber(int port) : port_(port) {
    mosquitto_lib_init();
    mosq_ = mosquitto_new("roviro2-test-subscriber", false, this);
    mosquitto_message_callback_set(mosq_, [](mosquitto *, void *self, const mosquitto_message *m) {
      std::string payload;
      if (m->payloadlen > 0)
        payload.assign(static_cast<const char *>(m->payload),
                       static_cast<std::size_t>(m->payloadlen));
      static_cast<Subscriber *>(self)->messages.push_back({m->topic, payload});
    });
    mosquitto_connect_callback_set(mosq_, [](mosquitto *mosq, void *, int) {
      mosquitto_subscribe(mosq, nullptr, "roviro2/t/#", 1);
    });
    mosquitto_connect(mosq_, "127.0.0.1", port_, 30);
  }
  ~Subscriber() {
    mosquitto_destroy(mosq_);
    mosquitto_lib_cleanup();
  }
  // Runs the client until `done` holds, 10 s at most.
  bool Await(const std::function<bool()> &done) {
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (!done()) {
      if (Clock::now() >= deadline) return false;
      if (mosquitto_loop(mosq_, 20, 1) != MOSQ_ERR_SUCCESS) {
        mosquitto_reconnect(mosq_);
        usleep(20000);  // the broker is away: the next attempt
      }
    }
    return true;
  }
  // The first message on `topic` from `from` on whose JSON `match` holds;
  // null when none came.
  Json Next(const std::string &topic, const std::function<bool(const Json &)> &match,
            std::size_t &from) {
    Json found;
    Await([&] {
      for (; from < messages.size(); ++from) {
        if (messages[from].first != topic) continue;
        const Json j = Json::parse(messages[from].second, nullptr, false);
        if (match(j)) return found = j, ++from, true;
      }
      return false;
    });
    return found;
  }
  bool Has(const std::string &topic, const std::string &payload) {
    return Await([&] {
      for (const auto &m : messages)
        if (m.first == topic && m.second == payload) return true;
      return false;
    });
  }
  std::vector<std::pair<std::string, std::string>> messages;

 private:
  int port_;
  mosquitto *mosq_;
};

class BridgeAgainstBroker : public ::testing::Test {
 protected:
  void SetUp() override {
    char dir[] = "/tmp/roviro2-bridge-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    dir_ = dir;
    brokerPort_ = FreeLoopbackPort();
    std::ofstream(dir_ + "/broker.conf")
        << "listener " << brokerPort_ << " 127.0.0.1\nallow_anonymous true\n"
        << "persistence true\npersistence_location " << dir_
        << "/\n"
        // Run as root, it would become another user, who cannot write here.
        << "user " << getpwuid(getuid())->pw_name << "\n";
    StartBroker();
    simulator_ = StartProcess(
        {BuildDir() + "/roviro2-gwsim", "--log", "--script", "-", "--state", dir_ + "/state"},
        dir_ + "/simulator.log", &script_);
    int gatewayPort = 0;
    ASSERT_TRUE(PollUntil([&] {
      const std::string out = ReadFile(dir_ + "/simulator.log");
      const std::size_t at = out.find("127.0.0.1:");
      if (at == std::string::npos || out.find('\n', at) == std::string::npos) return false;
      gatewayPort = std::stoi(out.substr(at + 10));
      return true;
    }));
    subscriber_ = std::make_unique<Subscriber>(brokerPort_);
    bridge_ = StartProcess({BuildDir() + "/roviro2-bridge", "--port", std::to_string(brokerPort_),
                            "--name", "t", "--queue", "2", "--retry-max", "0.5", "--gateway",
                            "1=127.0.0.1:" + std::to_string(gatewayPort)},
                           dir_ + "/bridge.log");
    ASSERT_FALSE(Next("roviro2/t/gw/1/status", State("connected")).is_null()) << Log();
  }

  void TearDown() override {
    EndProcess(bridge_);
    if (script_ >= 0) close(script_);
    EndProcess(simulator_);
    subscriber_.reset();
    EndProcess(broker_);
    std::system(("rm -rf " + dir_).c_str());
  }

  void StartBroker() {
    broker_ = StartProcess({"mosquitto", "-c", dir_ + "/broker.conf"}, dir_ + "/broker.log");
    ASSERT_TRUE(PollUntil([&] { return LoopbackAccepts(brokerPort_); }))
        << ReadFile(dir_ + "/broker.log");
  }

  void Script(const std::string &line) {
    ASSERT_EQ(write(script_, line.data(), line.size()), static_cast<ssize_t>(line.size()));
  }

  // Publishes a command with mosquitto_pub.
  void Publish(const std::string &message, bool retain = false) {
    std::vector<std::string> args{
        "timeout",       "10", "mosquitto_pub", "-p", std::to_string(brokerPort_), "-q", "1", "-t",
        "roviro2/t/cmd", "-m", message};
    if (retain) args.push_back("-r");
    pid_t pub = StartProcess(args, dir_ + "/pub.log");
    int status = 0;
    waitpid(pub, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << ReadFile(dir_ + "/pub.log");
  }

  Json Next(
      const std::string &topic,
      const std::function<bool(const Json &)> &match = [](const Json &) { return true; }) {
    return subscriber_->Next(topic, match, seen_);
  }

  static std::function<bool(const Json &)> State(const std::string &state) {
    return [state](const Json &j) { return j.is_object() && j.value("state", "") == state; };
  }

  std::string Log() { return ReadFile(dir_ + "/bridge.log"); }

  std::string dir_;
  int brokerPort_ = 0;
  pid_t broker_ = 0, simulator_ = 0, bridge_ = 0;
  int script_ = -1;
  std::unique_ptr<Subscriber> subscriber_;
  std::size_t seen_ = 0;
};

TEST_F(BridgeAgainstBroker, CommandChangesTheDeviceAndAKeyPressArrives) {
  Publish(R"({"id":"r1","function":"PT_LB_DspNum","args":["1:1:5",42,0,0]})");
  const Json reply = Next("roviro2/t/reply/r1");
  EXPECT_EQ(reply["result"], 0) << reply;
  EXPECT_EQ(reply["text"], "sent");
  EXPECT_TRUE(PollUntil([&] {
    return ReadFile(dir_ + "/state").find("display |    42|") != std::string::npos;
  })) << ReadFile(dir_ + "/state");

  Script("key 1:1:5 65\n");
  const Json event = Next("roviro2/t/tag/1/1/5/event");
  EXPECT_EQ(event["command"], 11) << event;
  EXPECT_EQ(event["status"], -1);
  EXPECT_EQ(event["hex"], "41");
  EXPECT_EQ(event["text"], "A");
}

// Each bad message is answered with an error, on its id's topic where it
// had a usable id, and the bridge goes on answering.
TEST_F(BridgeAgainstBroker, BadMessagesGetErrorRepliesAndTheBridgeGoesOn) {
  Publish("{\"id\":\"b1\",");
  EXPECT_EQ(Next("roviro2/t/reply")["error"], "not JSON");
  Publish(R"({"id":"b2","function":"PT_Nothing"})");
  EXPECT_EQ(Next("roviro2/t/reply/b2")["error"], "no function named 'PT_Nothing'");
  Publish(R"({"id":"b3","function":"PT_LB_DspNum","args":["1:1:5","forty",0,0]})");
  EXPECT_NE(Next("roviro2/t/reply/b3")["error"].get<std::string>().find("must be a whole number"),
            std::string::npos);
  Publish(R"({"id":"b4","function":"PT_LB_BuzOn","args":["1:1:5",2]})");
  const Json refused = Next("roviro2/t/reply/b4");
  EXPECT_EQ(refused["result"], -5) << "called, and refused by the library";
  EXPECT_EQ(refused["text"], "state above 1");
  Publish(R"({"id":"b5","function":"PT_GW_Status","args":[1]})");
  EXPECT_EQ(Next("roviro2/t/reply/b5")["text"], "connected");
}

// While the broker is away, events wait in the bounded queue (2 here): the
// oldest of three is lost and counted, the others arrive after the restart,
// and the statuses and "online" are published again. A gateway that closes
// its connection is reported with the reason, and reconnected.
TEST_F(BridgeAgainstBroker, BrokerRestartAndGatewayLossAreSurvivedAndReported) {
  // A command published with retain runs once; the broker hands it out again
  // at the reconnect, where it is refused instead of running a second time.
  Publish(R"({"id":"b6","function":"PT_LB_DspNum","args":["1:1:5",7,0,0]})", true);
  EXPECT_EQ(Next("roviro2/t/reply/b6")["result"], 0);
  EndProcess(broker_);
  ASSERT_TRUE(PollUntil([&] { return Log().find("connection lost") != std::string::npos; }))
      << Log();
  Script("key 1:1:5 0x31\nkey 1:1:5 0x32\nkey 1:1:5 0x33\n");
  ASSERT_TRUE(PollUntil([&] {
    return ReadFile(dir_ + "/simulator.log").find("33 |3|") != std::string::npos;
  })) << ReadFile(dir_ + "/simulator.log");
  StartBroker();
  const Json status = Next("roviro2/t/gw/1/status", [](const Json &j) {
    return j.is_object() && j.value("dropped", 0) == 1;
  });
  EXPECT_EQ(status["state"], "connected") << Log();
  EXPECT_EQ(Next("roviro2/t/tag/1/1/5/event")["hex"], "32");
  EXPECT_EQ(Next("roviro2/t/tag/1/1/5/event")["hex"], "33");
  std::size_t from = 0;
  EXPECT_FALSE(subscriber_
                   ->Next(
                       "roviro2/t/reply/b6",
                       [](const Json &j) { return j.is_object() && j.contains("error"); }, from)
                   .is_null())
      << Log();

  Script("close 1\n");
  const Json lost = Next("roviro2/t/gw/1/status", [](const Json &j) {
    return j.is_object() && j.value("state", "") != "connected";
  });
  EXPECT_EQ(lost["reason"], "closed by the gateway") << lost;
  EXPECT_FALSE(Next("roviro2/t/gw/1/status", State("connected")).is_null());
}

// SIGTERM ends the bridge with status 0; it says "offline" (retained) and
// the gateways it closed are idle.
TEST_F(BridgeAgainstBroker, ATermSignalEndsItCleanlyAndOffline) {
  EXPECT_EQ(EndProcess(bridge_), 0);
  EXPECT_FALSE(Next("roviro2/t/gw/1/status", State("idle")).is_null());
  EXPECT_TRUE(subscriber_->Has("roviro2/t/status", "offline"));
}

// A bridge that dies without a word is said offline by the broker (its will).
TEST_F(BridgeAgainstBroker, ABridgeThatDiesIsOfflineByItsWill) {
  kill(bridge_, SIGKILL);
  waitpid(bridge_, nullptr, 0);
  bridge_ = 0;
  EXPECT_TRUE(subscriber_->Has("roviro2/t/status", "offline"));
}

}  // namespace
}  // namespace roviro2_test
