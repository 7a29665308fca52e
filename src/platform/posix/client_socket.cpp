// TClientSocket on POSIX: a non-blocking TCP socket watched by the event loop.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>

#include "platform/posix/socket_impl.h"

namespace roviro2 {

namespace {

// A gateway that vanishes without a reset is noticed after about half a
// minute: 10 s idle, then 3 probes 5 s apart.
constexpr int kKeepIdleSeconds = 10;
constexpr int kKeepIntervalSeconds = 5;
constexpr int kKeepProbes = 3;
constexpr std::size_t kMaxRuns = 4;

void SetOption(int fd, int level, int name, int value) {
  setsockopt(fd, level, name, &value, sizeof value);
}

// Command frames are small and often sent back to back: no Nagle delay.
void ConfigureSocket(int fd) {
  SetOption(fd, IPPROTO_TCP, TCP_NODELAY, 1);
  SetOption(fd, SOL_SOCKET, SO_KEEPALIVE, 1);
  SetOption(fd, IPPROTO_TCP, TCP_KEEPIDLE, kKeepIdleSeconds);
  SetOption(fd, IPPROTO_TCP, TCP_KEEPINTVL, kKeepIntervalSeconds);
  SetOption(fd, IPPROTO_TCP, TCP_KEEPCNT, kKeepProbes);
}

bool WouldBlock(int error) {
  return error == EAGAIN || error == EWOULDBLOCK;
}

std::size_t TotalSize(const TByteRun *runs, std::size_t count) {
  std::size_t total = 0;
  for (std::size_t i = 0; i < count; ++i)
    total += runs[i].size;
  return total;
}

// Keeps what the kernel did not take, in order.
void KeepUnsent(TOutputBuffer &out, const TByteRun *runs, std::size_t count, std::size_t sent) {
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t skip = sent < runs[i].size ? sent : runs[i].size;
    sent -= skip;
    out.Append(runs[i].data + skip, runs[i].size - skip);
  }
}

// One system call for all runs. A single run goes out with send, which
// costs the kernel less than sendmsg's gather list.
ssize_t WriteRuns(int fd, const TByteRun *runs, std::size_t count) {
  constexpr int kFlags = MSG_NOSIGNAL | MSG_DONTWAIT;
  if (count == 1) return send(fd, runs[0].data, runs[0].size, kFlags);
  iovec pieces[kMaxRuns];
  for (std::size_t i = 0; i < count; ++i)
    pieces[i] = {const_cast<uint8_t *>(runs[i].data), runs[i].size};
  msghdr message{};
  message.msg_iov = pieces;
  message.msg_iovlen = count;
  return sendmsg(fd, &message, kFlags);
}

}  // namespace

bool TClientSocket::Impl::Connect() {
  in_addr numeric{};
  if (address.empty() || inet_pton(AF_INET, address.c_str(), &numeric) != 1) return false;
  TEventLoop *loop = TEventLoop::Instance();
  if (!loop) return false;
  const int handle = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (handle < 0) return false;
  ConfigureSocket(handle);
  if (number == 0) number = loop->Enrol(&self);
  ++generation;
  if (!loop->Watch(handle, Tag(), true, false, false)) {
    close(handle);
    return false;
  }
  fd = handle;
  state = State::kConnecting;
  sockaddr_in peer{};
  peer.sin_family = AF_INET;
  peer.sin_port = htons(port);
  peer.sin_addr = numeric;
  int result;
  do {
    result = connect(fd, reinterpret_cast<const sockaddr *>(&peer), sizeof peer);
  } while (result != 0 && errno == EINTR);
  if (result != 0 && errno != EINPROGRESS) {
    // Known at once, but reported like any failed attempt: later, as an event.
    const int error = errno;
    Drop();
    loop->Post(Tag(), TPostedKind::kConnectError, error);
  }
  return true;
}

int TClientSocket::Impl::ConnectResult() const {
  int error = 0;
  socklen_t size = sizeof error;
  if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0) return errno;
  return error;
}

void TClientSocket::Impl::BecomeConnected() {
  state = State::kConnected;
  writesWatched = false;
  TEventLoop::Instance()->Watch(fd, Tag(), false, false, true);
}

void TClientSocket::Impl::WatchWrites(bool on) {
  if (writesWatched == on || !Connected()) return;
  writesWatched = on;
  TEventLoop::Instance()->Watch(fd, Tag(), false, on, true);
}

bool TClientSocket::Impl::Flush() {
  while (!out.Empty()) {
    const ssize_t sent = send(fd, out.Data(), out.Size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent > 0) {
      out.Consume(static_cast<std::size_t>(sent));
    } else if (sent < 0 && errno == EINTR) {
      continue;
    } else if (sent < 0 && WouldBlock(errno)) {
      break;
    } else {
      return false;
    }
  }
  WatchWrites(!out.Empty());
  return true;
}

std::size_t TClientSocket::Impl::BytesReady() const {
  int count = 0;
  if (fd < 0 || ioctl(fd, FIONREAD, &count) != 0 || count < 0) return 0;
  return static_cast<std::size_t>(count);
}

bool TClientSocket::Impl::PeerGone() const {
  uint8_t byte;
  const ssize_t got = recv(fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
  if (got == 0) return true;
  return got < 0 && !WouldBlock(errno) && errno != EINTR;
}

void TClientSocket::Impl::Drop() {
  if (fd >= 0) {
    if (TEventLoop *loop = TEventLoop::Instance()) loop->Unwatch(fd);
    close(fd);
  }
  fd = -1;
  state = State::kIdle;
  writesWatched = false;
  out.Clear();
}

void TClientSocket::Impl::Fail() {
  Drop();
  if (TEventLoop *loop = TEventLoop::Instance()) loop->Post(Tag(), TPostedKind::kDisconnect);
}

TClientSocket::TClientSocket() : impl_(std::make_unique<Impl>(*this)) {}

TClientSocket::~TClientSocket() {
  impl_->Drop();
  if (TEventLoop *loop = TEventLoop::Instance(); loop && impl_->number != 0) {
    loop->Leave(impl_->number);
  }
}

const std::string &TClientSocket::Address() const {
  return impl_->address;
}

uint16_t TClientSocket::Port() const {
  return impl_->port;
}

bool TClientSocket::SetAddress(const std::string &address) {
  if (address == impl_->address) return true;
  if (Active()) return false;
  impl_->address = address;
  return true;
}

bool TClientSocket::SetPort(uint16_t port) {
  if (port == impl_->port) return true;
  if (Active()) return false;
  impl_->port = port;
  return true;
}

bool TClientSocket::Active() const {
  return impl_->Connected();
}

bool TClientSocket::Open() {
  if (Active()) return true;
  impl_->Drop();
  return impl_->Connect();
}

void TClientSocket::Close() {
  if (Active()) impl_->Fail();
}

void TClientSocket::CloseInner() {
  if (impl_->fd < 0) {
    ++impl_->generation;  // what an earlier attempt still had pending is dropped
    return;
  }
  impl_->Drop();
  ++impl_->generation;
  if (TEventLoop *loop = TEventLoop::Instance()) loop->Post(impl_->Tag(), TPostedKind::kDisconnect);
}

bool TClientSocket::Reserve(std::size_t bytes) {
  if (!impl_->Connected()) return false;
  if (!impl_->Flush()) {
    impl_->Fail();
    return false;
  }
  return impl_->out.Room() >= bytes;
}

TSendOutcome TClientSocket::Send(const uint8_t *data, std::size_t size) {
  const TByteRun run{data, size};
  return Send(&run, 1);
}

TSendOutcome TClientSocket::Send(const TByteRun *runs, std::size_t count) {
  Impl &impl = *impl_;
  if (!impl.Connected()) return TSendOutcome::kNotConnected;
  if (count > kMaxRuns) return TSendOutcome::kNoRoom;
  const std::size_t total = TotalSize(runs, count);
  if (!Reserve(total)) {
    return impl.Connected() ? TSendOutcome::kNoRoom : TSendOutcome::kFailed;
  }
  std::size_t sent = 0;
  if (impl.out.Empty()) {
    ssize_t result;
    do {
      result = WriteRuns(impl.fd, runs, count);
    } while (result < 0 && errno == EINTR);
    if (result < 0 && !WouldBlock(errno)) {
      impl.Fail();
      return TSendOutcome::kFailed;
    }
    sent = result < 0 ? 0 : static_cast<std::size_t>(result);
  }
  // The output buffer is touched, and its storage made, only when the kernel
  // left something over.
  if (sent < total) {
    KeepUnsent(impl.out, runs, count, sent);
    impl.WatchWrites(true);
  }
  return TSendOutcome::kTaken;
}

TByteView TClientSocket::Receive() {
  Impl &impl = *impl_;
  TEventLoop *loop = TEventLoop::Instance();
  if (!impl.Connected() || !loop) return {};
  // A large backlog is read in parts, one per read event, so the bytes of
  // one read stay in the processor's cache while they are cut into frames.
  uint8_t *area = loop->ReadArea();
  ssize_t got;
  do {
    got = recv(impl.fd, area, TEventLoop::kReadAreaSize, MSG_DONTWAIT);
  } while (got < 0 && errno == EINTR);
  if (got > 0) return {area, static_cast<std::size_t>(got)};
  if (got == 0 || !WouldBlock(errno)) impl.Fail();
  return {};
}

}  // namespace roviro2
