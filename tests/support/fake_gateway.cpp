#include "support/fake_gateway.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>

namespace roviro2_test {

bool PollUntil(const std::function<bool()> &done, std::chrono::milliseconds patience) {
  const auto deadline = Clock::now() + patience;
  while (!done()) {
    if (Clock::now() >= deadline) return done();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

std::vector<Bytes> CutFrames(const Bytes &stream) {
  std::vector<Bytes> frames;
  std::size_t at = 0;
  while (stream.size() - at >= 2) {
    const std::size_t length = stream[at] | (stream[at + 1] << 8);
    if (length < 2 || stream.size() - at < length) break;
    frames.emplace_back(stream.begin() + static_cast<std::ptrdiff_t>(at),
                        stream.begin() + static_cast<std::ptrdiff_t>(at + length));
    at += length;
  }
  return frames;
}

FakeGateway::FakeGateway() : FakeGateway(Options{}) {}

FakeGateway::FakeGateway(Options options) : options_(options) {
  if (pipe2(wake_, O_NONBLOCK | O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  if (!OpenListener()) throw std::runtime_error("cannot listen on 127.0.0.1");
  thread_ = std::thread([this] { Run(); });
}

FakeGateway::~FakeGateway() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  const char byte = 0;
  [[maybe_unused]] const ssize_t written = write(wake_[1], &byte, 1);
  thread_.join();
  if (client_ >= 0) close(client_);
  if (listener_ >= 0) close(listener_);
  close(wake_[0]);
  close(wake_[1]);
}

bool FakeGateway::OpenListener() {
  listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listener_ < 0) return false;
  const int on = 1;
  setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  if (options_.receiveBuffer > 0) {
    setsockopt(listener_, SOL_SOCKET, SO_RCVBUF, &options_.receiveBuffer,
               sizeof options_.receiveBuffer);
  }
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(port_);
  socklen_t size = sizeof address;
  if (bind(listener_, reinterpret_cast<sockaddr *>(&address), size) != 0 ||
      listen(listener_, 16) != 0 ||
      getsockname(listener_, reinterpret_cast<sockaddr *>(&address), &size) != 0) {
    close(listener_);
    listener_ = -1;
    return false;
  }
  port_ = ntohs(address.sin_port);
  return true;
}

int FakeGateway::Accepted() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return accepted_;
}

bool FakeGateway::Connected() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return connected_;
}

bool FakeGateway::WaitAccepted(int count, std::chrono::milliseconds patience) const {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, patience, [&] { return accepted_ >= count; });
}

bool FakeGateway::WaitClientGone(std::chrono::milliseconds patience) const {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, patience, [&] { return !connected_; });
}

Bytes FakeGateway::Received() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return received_;
}

std::size_t FakeGateway::ReceivedSize() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return received_.size();
}

bool FakeGateway::WaitReceived(std::size_t bytes, std::chrono::milliseconds patience) const {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, patience, [&] { return received_.size() >= bytes; });
}

void FakeGateway::ClearReceived() {
  std::lock_guard<std::mutex> lock(mutex_);
  received_.clear();
}

void FakeGateway::Do(Action action) {
  bool done = false;
  std::unique_lock<std::mutex> lock(mutex_);
  actions_.emplace_back(std::move(action), &done);
  const char byte = 0;
  [[maybe_unused]] const ssize_t written = write(wake_[1], &byte, 1);
  if (!changed_.wait_for(lock, kPatience, [&] { return done; })) {
    throw std::runtime_error("fake gateway did not act in time");
  }
}

void FakeGateway::WaitForClient() const {
  // The client's connect completes in the kernel before this thread accepts.
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait_for(lock, kPatience, [&] { return connected_; });
}

void FakeGateway::Send(const Bytes &bytes) {
  WaitForClient();
  Do([this, bytes] {
    std::size_t at = 0;
    while (client_ >= 0 && at < bytes.size()) {
      const ssize_t sent = send(client_, bytes.data() + at, bytes.size() - at, MSG_NOSIGNAL);
      if (sent <= 0) break;
      at += static_cast<std::size_t>(sent);
    }
  });
}

void FakeGateway::Dribble(const Bytes &bytes) {
  WaitForClient();
  Do([this, bytes] {
    const int on = 1;
    if (client_ >= 0) setsockopt(client_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    for (const uint8_t byte : bytes) {
      if (client_ < 0 || send(client_, &byte, 1, MSG_NOSIGNAL) != 1) break;
    }
  });
}

void FakeGateway::SetAccepting(Accepting accepting) {
  Do([this, accepting] { options_.accepting = accepting; });
}

void FakeGateway::Close() {
  WaitForClient();
  Do([this] { DropConnection(false); });
}

void FakeGateway::Reset() {
  WaitForClient();
  Do([this] { DropConnection(true); });
}

void FakeGateway::PauseReading() {
  Do([this] { reading_ = false; });
}

void FakeGateway::ResumeReading() {
  Do([this] { reading_ = true; });
}

void FakeGateway::Refuse() {
  Do([this] {
    close(listener_);
    listener_ = -1;
  });
}

void FakeGateway::Listen() {
  Do([this] {
    if (listener_ < 0 && !OpenListener()) throw std::runtime_error("cannot listen again");
  });
}

void FakeGateway::DropConnection(bool reset) {
  if (client_ < 0) return;
  if (reset) {
    const linger abort{1, 0};
    setsockopt(client_, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
  }
  close(client_);
  client_ = -1;
  std::lock_guard<std::mutex> lock(mutex_);
  connected_ = false;
  changed_.notify_all();
}

void FakeGateway::AcceptOne() {
  const int accepted = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
  if (accepted < 0) return;
  if (options_.accepting == Accepting::kDropAtOnce) {
    close(accepted);
    std::lock_guard<std::mutex> lock(mutex_);
    ++accepted_;
    changed_.notify_all();
    return;
  }
  DropConnection(false);  // one client at a time, the newest wins
  client_ = accepted;
  std::lock_guard<std::mutex> lock(mutex_);
  ++accepted_;
  connected_ = true;
  changed_.notify_all();
}

void FakeGateway::ReadSome() {
  uint8_t chunk[65536];
  const std::size_t want = std::min(sizeof chunk, std::max<std::size_t>(1, options_.readChunk));
  const ssize_t got = recv(client_, chunk, want, MSG_DONTWAIT);
  if (got > 0) {
    std::lock_guard<std::mutex> lock(mutex_);
    received_.insert(received_.end(), chunk, chunk + got);
    changed_.notify_all();
  } else if (got == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
    DropConnection(false);
  }
}

void FakeGateway::RunActions() {
  char drain[64];
  while (read(wake_[0], drain, sizeof drain) > 0) {
  }
  std::unique_lock<std::mutex> lock(mutex_);
  while (!actions_.empty()) {
    auto [action, done] = std::move(actions_.front());
    actions_.pop_front();
    lock.unlock();
    action();
    lock.lock();
    *done = true;
    changed_.notify_all();
  }
}

void FakeGateway::Run() {
  for (;;) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (stopping_) return;
    }
    pollfd fds[3] = {{wake_[0], POLLIN, 0}, {listener_, POLLIN, 0}, {client_, POLLIN, 0}};
    if (!reading_) fds[2].fd = -1;
    if (options_.accepting == Accepting::kNever) fds[1].fd = -1;
    // An irregular reader stops for a millisecond every 16th read, so the
    // sender meets a full kernel buffer now and then.
    const bool pause = options_.irregular && (++reads_ % 16 == 0);
    if (pause) fds[2].fd = -1;
    if (poll(fds, 3, pause ? 1 : 1000) < 0 && errno != EINTR) return;
    if (fds[0].revents) RunActions();
    if (listener_ >= 0 && fds[1].revents) AcceptOne();
    if (client_ >= 0 && reading_ && fds[2].revents) ReadSome();
  }
}

}  // namespace roviro2_test
