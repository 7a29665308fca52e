// SPDX-License-Identifier: MIT
// The simulator's network side, observed from plain loopback clients: two
// gateways at once, each transport fault of the script, and clients that
// stop reading. The server runs on its own thread and takes its script
// through a pipe, as the program does from standard input.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <string>
#include <thread>

#include "server.h"

namespace gwsim {
namespace {

using std::chrono::milliseconds;
constexpr milliseconds kPatience{10000};

int MillisecondsLeft(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

// A request as the library sends it to port 1 of a gateway: the same layout
// as a device's frame.
Bytes Request(uint8_t command, uint8_t node, const Bytes &data = {}) {
  return DeviceFrame(1, command, node, data);
}

Bytes ReadIoStatus() {
  return Request(0x3C, 7);
}

// All sixteen outputs of node 7 set to `outputs`: per output byte, the mask
// "00" (every output) and the byte's two digits.
Bytes SetOutputs(uint16_t outputs) {
  const char *digits = "0123456789ABCDEF";
  const auto digit = [digits](int value) { return static_cast<uint8_t>(digits[value & 15]); };
  const int low = outputs & 0xFF;
  const int high = outputs >> 8;
  return Request(0x3D, 7,
                 {0x00, '0', '0', digit(low >> 4), digit(low), '0', '0', digit(high >> 4),
                  digit(high)});
}

Bytes IoStatusAnswer(uint16_t outputs) {
  return DeviceFrame(
      1, 0x3C, 7, {0x00, 0, 0, static_cast<uint8_t>(outputs), static_cast<uint8_t>(outputs >> 8)});
}

Bytes InputEvent(int port, uint8_t node, uint16_t inputs) {
  return DeviceFrame(port, 0x3E, node,
                     {0x00, static_cast<uint8_t>(inputs), static_cast<uint8_t>(inputs >> 8)});
}

// One loopback connection to a simulated gateway.
class Client {
 public:
  explicit Client(uint16_t port, int receiveBuffer = 0) {
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (receiveBuffer > 0)
      setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    connected_ = connect(fd_, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    fcntl(fd_, F_SETFL, O_NONBLOCK);
  }
  ~Client() { close(fd_); }
  Client(const Client &) = delete;
  Client &operator=(const Client &) = delete;

  bool Connected() const { return connected_; }
  int Handle() const { return fd_; }

  bool Send(const Bytes &bytes) {
    const auto deadline = Clock::now() + kPatience;
    for (std::size_t at = 0; at < bytes.size();) {
      const ssize_t sent = send(fd_, bytes.data() + at, bytes.size() - at, MSG_NOSIGNAL);
      if (sent > 0) {
        at += static_cast<std::size_t>(sent);
      } else if (errno != EAGAIN && errno != EINTR) {
        return false;
      } else {
        pollfd entry{fd_, POLLOUT, 0};
        if (poll(&entry, 1, MillisecondsLeft(deadline)) == 0) return false;
      }
    }
    return true;
  }

  // One read of what has come, waiting for something to come; empty at the
  // deadline or at the end of the connection.
  Bytes ReadSome(Clock::time_point deadline) {
    for (;;) {
      uint8_t chunk[65536];
      const ssize_t got = recv(fd_, chunk, sizeof chunk, 0);
      if (got > 0) return Bytes(chunk, chunk + got);
      if (got == 0 || (errno != EAGAIN && errno != EINTR)) {
        end_ = got == 0 ? 0 : errno;
        return {};
      }
      pollfd entry{fd_, POLLIN, 0};
      if (poll(&entry, 1, MillisecondsLeft(deadline)) == 0) return {};
    }
  }

  // The next `size` bytes of the stream; fewer when they did not come in time.
  Bytes Take(std::size_t size, milliseconds patience = kPatience) {
    const auto deadline = Clock::now() + patience;
    while (pending_.size() < size && end_ < 0) {
      const Bytes more = ReadSome(deadline);
      if (more.empty() && end_ < 0) break;
      pending_.insert(pending_.end(), more.begin(), more.end());
    }
    const std::size_t n = pending_.size() < size ? pending_.size() : size;
    const Bytes taken(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(n));
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(n));
    return taken;
  }

  // The next frame, by its length field; empty when none came in time.
  Bytes NextFrame() {
    const Bytes length = Take(2);
    if (length.size() < 2) return {};
    const std::size_t size = static_cast<std::size_t>(length[0] | length[1] << 8);
    Bytes frame = length;
    const Bytes rest = Take(size > 2 ? size - 2 : 0);
    frame.insert(frame.end(), rest.begin(), rest.end());
    return frame;
  }

  // Waits for the end of the connection: 0 for an orderly close, else the
  // error (ECONNRESET); -1 when it did not end in time. Bytes that come
  // first are kept for Take.
  int WaitEnd() {
    const auto deadline = Clock::now() + kPatience;
    while (end_ < 0 && Clock::now() < deadline) {
      const Bytes more = ReadSome(deadline);
      pending_.insert(pending_.end(), more.begin(), more.end());
    }
    return end_;
  }

 private:
  int fd_ = -1;
  bool connected_ = false;
  int end_ = -1;  // how the connection ended; -1 while open
  Bytes pending_;
};

// A running simulator with `gateways` gateways on free ports. The kernel's
// send buffers are kept small, so that what a client leaves unread waits in
// the server's own queues.
class Simulator {
 public:
  explicit Simulator(std::size_t gateways) : server_(Options(gateways)) {
    std::string error;
    started_ = server_.Start(error);
    int ends[2];
    if (!started_ || pipe2(ends, O_CLOEXEC) != 0) {
      started_ = false;
      return;
    }
    reader_ = ends[0];
    writer_ = ends[1];
    fcntl(writer_, F_SETFL, O_NONBLOCK);
    server_.Follow(reader_);
    thread_ = std::thread([this] { server_.Run(stop_); });
  }
  ~Simulator() {
    // The clients are closed by now (they are declared after the
    // simulator), so nothing holds the server up.
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (reader_ >= 0) close(reader_);
    if (writer_ >= 0) close(writer_);
  }
  Simulator(const Simulator &) = delete;
  Simulator &operator=(const Simulator &) = delete;

  bool Started() const { return started_; }
  uint16_t Port(int number) const { return server_.Port(number); }

  // Hands script lines to the server; false when it did not take them in
  // time.
  bool Script(const std::string &lines) {
    const std::string text = lines + "\n";
    const auto deadline = Clock::now() + kPatience;
    for (std::size_t at = 0; at < text.size();) {
      const ssize_t written = write(writer_, text.data() + at, text.size() - at);
      if (written > 0) {
        at += static_cast<std::size_t>(written);
        continue;
      }
      if (errno != EAGAIN && errno != EINTR) return false;
      pollfd entry{writer_, POLLOUT, 0};
      if (poll(&entry, 1, MillisecondsLeft(deadline)) == 0) return false;
    }
    return true;
  }

 private:
  static ServerOptions Options(std::size_t gateways) {
    ServerOptions options;
    options.ports.assign(gateways, 0);
    options.sendBuffer = 16384;
    return options;
  }

  Server server_;
  bool started_ = false;
  std::atomic<bool> stop_{false};
  int reader_ = -1;
  int writer_ = -1;
  std::thread thread_;
};

class TwoGateways : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sim_.Started());
    ASSERT_NE(sim_.Port(1), 0);
    ASSERT_NE(sim_.Port(2), 0);
    ASSERT_NE(sim_.Port(1), sim_.Port(2));
  }

  // A client of gateway `number` that the server has accepted: its first
  // request was answered.
  void Served(Client &client) {
    ASSERT_TRUE(client.Connected());
    ASSERT_TRUE(client.Send(ReadIoStatus()));
    ASSERT_EQ(client.NextFrame().size(), IoStatusAnswer(0).size());
  }

  Simulator sim_{2};
};

TEST_F(TwoGateways, EachKeepsItsOwnDevicesAndSendsItsOwnEvents) {
  Client one(sim_.Port(1)), two(sim_.Port(2));
  ASSERT_TRUE(one.Connected() && two.Connected());
  Bytes requests = SetOutputs(0x01A5);
  const Bytes read = ReadIoStatus();
  requests.insert(requests.end(), read.begin(), read.end());
  ASSERT_TRUE(one.Send(requests));
  ASSERT_TRUE(two.Send(ReadIoStatus()));
  EXPECT_EQ(one.NextFrame(), IoStatusAnswer(0x01A5));
  EXPECT_EQ(two.NextFrame(), IoStatusAnswer(0)) << "gateway 2 has devices of its own";

  // Run in this order, an event of gateway 2 that reached gateway 1's client
  // would come there first.
  ASSERT_TRUE(sim_.Script("input 2:1:7 0x0005\ninput 1:1:7 0x0006"));
  EXPECT_EQ(one.NextFrame(), InputEvent(1, 7, 6));
  EXPECT_EQ(two.NextFrame(), InputEvent(1, 7, 5));

  // A port taken by a running gateway is refused, with the port named.
  ServerOptions taken;
  taken.ports = {sim_.Port(1)};
  Server other(taken);
  std::string error;
  EXPECT_FALSE(other.Start(error));
  EXPECT_NE(error.find(":" + std::to_string(sim_.Port(1))), std::string::npos) << error;
}

TEST_F(TwoGateways, CloseAndResetEndOnlyThatGatewaysConnection) {
  Client one(sim_.Port(1)), two(sim_.Port(2));
  Served(one);
  Served(two);
  ASSERT_TRUE(sim_.Script("close 2"));
  EXPECT_EQ(two.WaitEnd(), 0) << "an orderly close";
  ASSERT_TRUE(one.Send(ReadIoStatus()));
  EXPECT_EQ(one.NextFrame(), IoStatusAnswer(0)) << "gateway 1 is still served";

  ASSERT_TRUE(sim_.Script("reset 1"));
  EXPECT_EQ(one.WaitEnd(), ECONNRESET);

  // Both gateways take new clients afterwards.
  Client again1(sim_.Port(1)), again2(sim_.Port(2));
  Served(again1);
  Served(again2);
}

TEST_F(TwoGateways, NewClientReplacesTheOldOne) {
  Client first(sim_.Port(1));
  Served(first);
  Client second(sim_.Port(1));
  Served(second);
  EXPECT_EQ(first.WaitEnd(), 0);
}

TEST_F(TwoGateways, PauseLeavesRequestsUnreadUntilResume) {
  Client one(sim_.Port(1));
  Served(one);
  // The event after `pause` shows that the pause has begun.
  ASSERT_TRUE(sim_.Script("pause 1\ninput 1:1:9 1"));
  ASSERT_EQ(one.NextFrame(), InputEvent(1, 9, 1));
  ASSERT_TRUE(one.Send(ReadIoStatus()));
  // Had the request been read, its answer would come before this event.
  ASSERT_TRUE(sim_.Script("input 1:1:9 2"));
  EXPECT_EQ(one.NextFrame(), InputEvent(1, 9, 2)) << "events are sent during a pause";
  ASSERT_TRUE(sim_.Script("resume 1"));
  EXPECT_EQ(one.NextFrame(), IoStatusAnswer(0));
}

TEST_F(TwoGateways, PiecesComeApartAndMakeTheWholeFrame) {
  Client one(sim_.Port(1));
  Served(one);
  const std::string text = "ABCDEFGHIJKL";
  const Bytes whole = DeviceFrame(2, 0x28, 5, Bytes(text.begin(), text.end()));
  const auto started = Clock::now();
  ASSERT_TRUE(sim_.Script("pieces 1:2:5 300 " + text));
  const Bytes first = one.ReadSome(Clock::now() + kPatience);
  EXPECT_EQ(first, Bytes(whole.begin(), whole.begin() + whole.size() / 3))
      << "the first piece alone, 300 ms ahead of the second";
  const Bytes rest = one.Take(whole.size() - first.size());
  Bytes stream = first;
  stream.insert(stream.end(), rest.begin(), rest.end());
  EXPECT_EQ(stream, whole);
  EXPECT_GE(Clock::now() - started, milliseconds(600)) << "the last piece comes two gaps later";
}

TEST_F(TwoGateways, BadLengthSendsTheLengthThenPortCodeAndZeroBytes) {
  Client one(sim_.Port(1)), two(sim_.Port(2));
  Served(one);
  Served(two);
  ASSERT_TRUE(sim_.Script("badlength 2 9000\nbadlength 2 3\ninput 2:1:7 1"));
  EXPECT_EQ(two.Take(8), (Bytes{0x28, 0x23, 0x60, 0, 0, 0, 0, 0}));
  EXPECT_EQ(two.Take(8), (Bytes{0x03, 0x00, 0x60, 0, 0, 0, 0, 0}));
  EXPECT_EQ(two.NextFrame(), InputEvent(1, 7, 1)) << "nothing more than eight bytes each";
  ASSERT_TRUE(one.Send(ReadIoStatus()));
  EXPECT_EQ(one.NextFrame(), IoStatusAnswer(0)) << "gateway 1 saw none of it";
}

// A client that reads nothing while 2.4 MB of events are sent: they wait in
// its queue, the other gateway goes on, and everything arrives intact and in
// order once the client reads.
TEST_F(TwoGateways, OutputLeftUnreadWaitsAndArrivesWholeInOrder) {
  Client slow(sim_.Port(1), 4096), two(sim_.Port(2));
  Served(slow);
  Served(two);
  constexpr int kEvents = 300;
  std::vector<Bytes> expected;
  std::string script;
  for (int i = 0; i < kEvents; ++i) {
    std::string text = std::to_string(i) + ":";
    text.resize(8000, static_cast<char>('a' + i % 26));
    expected.push_back(DeviceFrame(1, 0x28, 5, Bytes(text.begin(), text.end())));
    script += "cnv 1:1:5 " + text + "\n";
  }
  script += "input 2:1:7 0x0042";
  ASSERT_TRUE(sim_.Script(script));
  EXPECT_EQ(two.NextFrame(), InputEvent(1, 7, 0x42)) << "gateway 2 was held up";
  for (int i = 0; i < kEvents; ++i) {
    const Bytes frame = slow.NextFrame();
    ASSERT_EQ(frame, expected[static_cast<std::size_t>(i)]) << "event " << i;
  }
}

// What is queued when the script says `quit` is still sent.
TEST_F(TwoGateways, QuitSendsWhatIsQueuedFirst) {
  Client one(sim_.Port(1));
  Served(one);
  std::string script;
  for (int i = 0; i < 100; ++i)
    script += "cnv 1:1:5 " + std::string(8000, static_cast<char>('a' + i % 26)) + "\n";
  ASSERT_TRUE(sim_.Script(script + "quit"));
  for (int i = 0; i < 100; ++i) {
    const Bytes frame = one.NextFrame();
    ASSERT_EQ(frame.size(), 8008u) << "event " << i;
    EXPECT_EQ(frame.back(), 'a' + i % 26);
  }
}

// A client that sends requests and reads none of the answers: once more
// than the limit waits for it, its connection is reset with a message, and
// the other gateway is served all along.
TEST_F(TwoGateways, ClientThatStopsReadingIsResetPastTheLimit) {
  Client slow(sim_.Port(1), 4096), two(sim_.Port(2));
  ASSERT_TRUE(slow.Connected());
  Served(two);
  Bytes requests;
  const Bytes version = Request(0x37, 1, {'E'});  // answered with 19 bytes
  for (int i = 0; i < 4000; ++i)
    requests.insert(requests.end(), version.begin(), version.end());

  testing::internal::CaptureStderr();
  // About 2 MB of requests fill the kernel's buffers and the queue behind
  // them; the flood goes on until the connection fails.
  const auto deadline = Clock::now() + milliseconds(30000);
  int failure = 0;
  std::size_t at = 0;
  while (failure == 0 && Clock::now() < deadline) {
    const ssize_t sent =
        send(slow.Handle(), requests.data() + at, requests.size() - at, MSG_NOSIGNAL);
    if (sent > 0) {
      at = (at + static_cast<std::size_t>(sent)) % requests.size();
    } else if (errno != EAGAIN && errno != EINTR) {
      failure = errno;
    } else {
      pollfd entry{slow.Handle(), POLLOUT, 0};
      poll(&entry, 1, 100);
      if (entry.revents & (POLLERR | POLLHUP)) failure = ECONNRESET;
    }
  }
  const bool answered = two.Send(ReadIoStatus()) && two.NextFrame() == IoStatusAnswer(0);
  const std::string messages = testing::internal::GetCapturedStderr();
  EXPECT_TRUE(failure == ECONNRESET || failure == EPIPE) << "failure " << failure;
  EXPECT_TRUE(answered) << "gateway 2 was held up";
  EXPECT_NE(messages.find("gateway 1: the client leaves"), std::string::npos) << messages;
  EXPECT_NE(messages.find("connection reset"), std::string::npos) << messages;
  Client again(sim_.Port(1));
  Served(again);
}

}  // namespace
}  // namespace gwsim
