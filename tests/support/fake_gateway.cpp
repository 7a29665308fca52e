// SPDX-License-Identifier: MIT
#include "support/fake_gateway.h"

#include <algorithm>
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

Bytes GatewayFrame(uint8_t command, uint8_t node, const Bytes &data, uint8_t port) {
  const std::size_t size = 8 + data.size();
  Bytes frame(size);
  const uint8_t header[8] = {
      static_cast<uint8_t>(size), static_cast<uint8_t>(size >> 8), port, 0, 0x77, 0, command, node};
  std::copy(header, header + 8, frame.begin());
  std::copy(data.begin(), data.end(), frame.begin() + 8);
  return frame;
}

FakeGateway::FakeGateway() : FakeGateway(Options{}) {}

FakeGateway::FakeGateway(Options options) : options_(options) {
  if (!OpenListener()) throw std::runtime_error("cannot listen on 127.0.0.1");
  thread_ = std::thread([this] { Run(); });
}

FakeGateway::~FakeGateway() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.Raise();
  thread_.join();
  if (client_ != kNoSocketHandle) CloseSocket(client_);
  if (listener_ != kNoSocketHandle) CloseSocket(listener_);
}

bool FakeGateway::OpenListener() {
  StartSockets();
  listener_ = socket(AF_INET, SOCK_STREAM, 0);
  if (listener_ == kNoSocketHandle) return false;
  SetSocketOption(listener_, SOL_SOCKET, SO_REUSEADDR, 1);
  if (options_.receiveBuffer > 0) {
    SetSocketOption(listener_, SOL_SOCKET, SO_RCVBUF, options_.receiveBuffer);
  }
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(port_);
  socklen_t size = sizeof address;
  if (bind(listener_, reinterpret_cast<sockaddr *>(&address), size) != 0 ||
      listen(listener_, 16) != 0 ||
      getsockname(listener_, reinterpret_cast<sockaddr *>(&address), &size) != 0) {
    CloseSocket(listener_);
    listener_ = kNoSocketHandle;
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
  wake_.Raise();
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
    while (client_ != kNoSocketHandle && at < bytes.size()) {
      const auto sent = send(client_, reinterpret_cast<const char *>(bytes.data()) + at,
                             static_cast<int>(bytes.size() - at), kNoSignal);
      if (sent <= 0) break;
      at += static_cast<std::size_t>(sent);
    }
  });
}

void FakeGateway::Dribble(const Bytes &bytes) {
  WaitForClient();
  Do([this, bytes] {
    if (client_ != kNoSocketHandle) SetSocketOption(client_, IPPROTO_TCP, TCP_NODELAY, 1);
    for (const uint8_t byte : bytes) {
      const char one = static_cast<char>(byte);
      if (client_ == kNoSocketHandle || send(client_, &one, 1, kNoSignal) != 1) break;
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
    CloseSocket(listener_);
    listener_ = kNoSocketHandle;
  });
}

void FakeGateway::Listen() {
  Do([this] {
    if (listener_ == kNoSocketHandle && !OpenListener())
      throw std::runtime_error("cannot listen again");
  });
}

void FakeGateway::DropConnection(bool reset) {
  if (client_ == kNoSocketHandle) return;
  if (reset) {
    linger abort{};
    abort.l_onoff = 1;
    abort.l_linger = 0;
    SetSocketOption(client_, SOL_SOCKET, SO_LINGER, abort);
  }
  CloseSocket(client_);
  client_ = kNoSocketHandle;
  std::lock_guard<std::mutex> lock(mutex_);
  connected_ = false;
  changed_.notify_all();
}

void FakeGateway::AcceptOne() {
  const SocketHandle accepted = accept(listener_, nullptr, nullptr);
  if (accepted == kNoSocketHandle) return;
  if (options_.accepting == Accepting::kDropAtOnce) {
    CloseSocket(accepted);
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
  char chunk[65536];
  const std::size_t want = std::min(sizeof chunk, std::max<std::size_t>(1, options_.readChunk));
  const auto got = recv(client_, chunk, static_cast<int>(want), kDontWait);
  if (got > 0) {
    std::lock_guard<std::mutex> lock(mutex_);
    received_.insert(received_.end(), chunk, chunk + got);
    changed_.notify_all();
  } else if (got == 0 || !LastCallWouldBlock()) {
    DropConnection(false);
  }
}

void FakeGateway::RunActions() {
  wake_.Drain();
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
    // Only the sockets in use are watched.
    const bool pause = options_.irregular && (++reads_ % 16 == 0);
    const bool watchListener =
        listener_ != kNoSocketHandle && options_.accepting != Accepting::kNever;
    const bool watchClient = client_ != kNoSocketHandle && reading_ && !pause;
    PollEntry fds[3] = {};
    unsigned count = 0;
    fds[count++] = {wake_.Handle(), POLLIN, 0};
    const unsigned listenerAt = watchListener ? count : 0;
    if (watchListener) fds[count++] = {listener_, POLLIN, 0};
    const unsigned clientAt = watchClient ? count : 0;
    if (watchClient) fds[count++] = {client_, POLLIN, 0};
    // An irregular reader stops for a millisecond every 16th read, so the
    // sender meets a full kernel buffer now and then.
    if (PollSockets(fds, count, pause ? 1 : 1000) < 0 && !LastCallWouldBlock()) return;
    if (fds[0].revents) RunActions();
    if (listenerAt && listener_ != kNoSocketHandle && fds[listenerAt].revents) AcceptOne();
    if (clientAt && client_ != kNoSocketHandle && reading_ && fds[clientAt].revents) ReadSome();
  }
}

}  // namespace roviro2_test
