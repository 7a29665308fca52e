// SPDX-License-Identifier: MIT
// The blocking round trip counted in system calls: a command goes out, the
// application sleeps until the answer is there, then takes it. The gateway
// is a child process, whose calls are not counted.
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include "harness/frames.h"
#include "harness/loopback.h"
#include "instr/entries.h"
#include "link/connected_library.h"
#include "roviro2_ext.h"

namespace bench {

namespace {

constexpr int64_t kRoundTrips = 200;

// A child process that accepts one connection and answers each 15-byte
// command with a 15-byte frame until the connection ends.
class ForkedAnswerer {
 public:
  ForkedAnswerer() {
    int listener = ListenLoopback(port_);
    if (listener < 0) return;
    child_ = fork();
    if (child_ == 0) Serve(listener);
    CloseFd(listener);
  }
  ~ForkedAnswerer() {
    if (child_ > 0) waitpid(child_, nullptr, 0);
  }
  ForkedAnswerer(const ForkedAnswerer &) = delete;
  ForkedAnswerer &operator=(const ForkedAnswerer &) = delete;

  bool Ready() const { return child_ > 0; }
  uint16_t Port() const { return port_; }

 private:
  [[noreturn]] static void Serve(int listener) {
    int connection = AcceptWithin(listener, kPatience);
    ServeOptions(connection);
    const Bytes answer = MakeFrame(kSmallFrame, kAnswerCommand);
    uint8_t command[kSmallFrame];
    while (connection >= 0 && ReceiveAll(connection, command, sizeof command) &&
           SendAll(connection, answer.data(), answer.size())) {
    }
    _exit(0);
  }

  uint16_t port_ = 0;
  pid_t child_ = -1;
};

bool Readable(int fd) {
  pollfd waiting{fd, POLLIN, 0};
  return poll(&waiting, 1, static_cast<int>(kPatience.count() * 1000)) == 1;
}

// A command goes out, awaitAnswer() sleeps until the answer is queued, then
// the answer is fetched.
template <typename AwaitAnswer>
bool LibraryLoop(int64_t n, AwaitAnswer awaitAnswer) {
  ForkedAnswerer answerer;
  if (!answerer.Ready()) return false;
  bool answered = true;
  {
    roviro2_test::LibrarySession session;
    if (session.AddGateway(kGateway, answerer.Port()) < 0 || !OpenAll(1)) return false;
    uint8_t answer[kLargestFrame];
    for (int64_t i = 0; i < n && answered; ++i) {
      answered = PT_LB_DspNum(kTagAddr, 42, 0x20, 0) == 0 && awaitAnswer() &&
                 PT_GW_RcvMsg(kGateway, answer) == static_cast<int32_t>(kSmallFrame);
    }
  }
  return answered;
}

bool LibraryRoundTrips(int64_t n) {
  return LibraryLoop(n, [] { return Readable(roviro2_event_fd()) && PT_GW_Status(kGateway) == 7; });
}

// The same with roviro2_wait: its one wait also runs the read, so the round
// trip makes the raw client's three calls (write, wait, read).
bool WaitingRoundTrips(int64_t n) {
  return LibraryLoop(n,
                     [] { return roviro2_wait(static_cast<int>(kPatience.count() * 1000)) > 0; });
}

bool PlainRoundTrips(int64_t n) {
  ForkedAnswerer answerer;
  if (!answerer.Ready()) return false;
  int fd = ConnectLoopback(answerer.Port());
  const Bytes command = MakeFrame(kSmallFrame);
  uint8_t answer[kSmallFrame];
  bool answered = fd >= 0;
  for (int64_t i = 0; i < n && answered; ++i) {
    answered = send(fd, command.data(), command.size(), MSG_NOSIGNAL) ==
                   static_cast<ssize_t>(command.size()) &&
               Readable(fd) &&
               recv(fd, answer, sizeof answer, 0) == static_cast<ssize_t>(sizeof answer);
  }
  CloseFd(fd);
  return answered;
}

}  // namespace

std::vector<Entry> RoundTripEntries() {
  return {
      {"round-trip/library", LibraryRoundTrips, kRoundTrips, Counted::kSystemCalls},
      {"round-trip/wait", WaitingRoundTrips, kRoundTrips, Counted::kSystemCalls},
      {"round-trip/plain", PlainRoundTrips, kRoundTrips, Counted::kSystemCalls},
  };
}

}  // namespace bench
