#include "platform/posix/event_loop.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "platform/posix/socket_impl.h"
#include "platform/socket_events.h"

namespace roviro2 {

namespace {

TEventLoop *running = nullptr;

constexpr TEventTag kWakeTag = 0;  // socket numbers start at 1
constexpr int kBatch = 64;

uint32_t NumberOf(TEventTag tag) {
  return static_cast<uint32_t>(tag >> 32);
}
uint32_t GenerationOf(TEventTag tag) {
  return static_cast<uint32_t>(tag);
}

}  // namespace

TEventLoop *TEventLoop::Instance() {
  return running;
}

bool TEventLoop::Start() {
  if (running) return true;
  const int epoll = epoll_create1(EPOLL_CLOEXEC);
  if (epoll < 0) return false;
  const int wake = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  epoll_event ev{};
  ev.events = EPOLLIN;
  ev.data.u64 = kWakeTag;
  if (wake < 0 || epoll_ctl(epoll, EPOLL_CTL_ADD, wake, &ev) != 0) {
    if (wake >= 0) close(wake);
    close(epoll);
    return false;
  }
  running = new TEventLoop(epoll, wake);
  return true;
}

void TEventLoop::Stop() {
  delete running;
  running = nullptr;
}

uint8_t *TEventLoop::ReadArea() {
  // Not value-initialised: a read hands out only the bytes it wrote.
  if (!readArea_) readArea_.reset(new uint8_t[kReadAreaSize]);
  return readArea_.get();
}

TEventLoop::~TEventLoop() {
  // Sockets still alive lose their handles quietly and may be opened again
  // once a new loop runs.
  for (auto &known : sockets_) {
    TClientSocket::Impl &impl = known.second->Internals();
    impl.Drop();
    impl.number = 0;
  }
  close(wake_);
  close(epoll_);
}

uint32_t TEventLoop::Enrol(TClientSocket *socket) {
  const uint32_t number = nextNumber_++;
  sockets_[number] = socket;
  return number;
}

void TEventLoop::Leave(uint32_t number) {
  sockets_.erase(number);
}

bool TEventLoop::Watch(int fd, TEventTag tag, bool connecting, bool wantWrite, bool added) {
  epoll_event ev{};
  ev.events = connecting ? EPOLLOUT : (EPOLLIN | EPOLLRDHUP | (wantWrite ? EPOLLOUT : 0u));
  ev.data.u64 = tag;
  return epoll_ctl(epoll_, added ? EPOLL_CTL_MOD : EPOLL_CTL_ADD, fd, &ev) == 0;
}

void TEventLoop::Unwatch(int fd) {
  epoll_event ev{};
  epoll_ctl(epoll_, EPOLL_CTL_DEL, fd, &ev);
}

void TEventLoop::Post(TEventTag tag, TPostedKind kind, int code) {
  if (posted_.empty()) {
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = write(wake_, &one, sizeof one);
  }
  posted_.push_back({tag, kind, code});
}

TClientSocket *TEventLoop::Find(TEventTag tag) const {
  const auto known = sockets_.find(NumberOf(tag));
  if (known == sockets_.end()) return nullptr;
  TClientSocket *socket = known->second;
  return socket->Internals().generation == GenerationOf(tag) ? socket : nullptr;
}

int TEventLoop::Dispatch() {
  // The loop may end inside a handler (PT_API_Close from a notice handler);
  // each step therefore starts from the running loop again.
  const int ran = RunPosted();
  return running == this ? ran + RunReady() : ran;
}

int TEventLoop::RunPosted() {
  if (posted_.empty()) return 0;
  uint64_t count;
  [[maybe_unused]] const ssize_t got = read(wake_, &count, sizeof count);
  std::vector<Posted> batch;
  batch.swap(posted_);
  int ran = 0;
  for (const Posted &event : batch) {
    if (running != this) break;
    TClientSocket *socket = Find(event.tag);
    if (!socket) continue;
    if (event.kind == TPostedKind::kDisconnect) {
      RaiseDisconnect(*socket);
    } else {
      RaiseError(*socket, TErrorEvent::eeConnect, event.code);
    }
    ++ran;
  }
  return ran;
}

int TEventLoop::RunReady() {
  // Level-triggered: a socket that stays ready shows up again, so the number
  // of batches is bounded by the number of sockets.
  int ran = 0;
  std::size_t batches = sockets_.size() / kBatch + 1;
  epoll_event events[kBatch];
  while (batches-- > 0) {
    int ready;
    do {
      ready = epoll_wait(epoll_, events, kBatch, 0);
    } while (ready < 0 && errno == EINTR);
    for (int i = 0; i < ready; ++i) {
      if (running != this) return ran;
      if (events[i].data.u64 != kWakeTag) ran += HandleReady(events[i].data.u64, events[i].events);
    }
    if (ready < kBatch) break;
  }
  return ran;
}

int TEventLoop::HandleReady(TEventTag tag, uint32_t mask) {
  TClientSocket *socket = Find(tag);
  if (!socket) return 0;
  if (socket->Internals().Connecting()) return FinishConnect(tag, mask);
  if (socket->Internals().Connected()) return HandleConnected(tag, mask);
  return 0;
}

int TEventLoop::FinishConnect(TEventTag tag, uint32_t mask) {
  TClientSocket &socket = *Find(tag);
  TClientSocket::Impl &impl = socket.Internals();
  int error = impl.ConnectResult();
  if (error == 0 && !(mask & EPOLLOUT)) error = ECONNREFUSED;
  if (error == 0) {
    impl.BecomeConnected();
    RaiseConnect(socket);
  } else {
    impl.Drop();
    RaiseError(socket, TErrorEvent::eeConnect, error);
  }
  return 1;
}

int TEventLoop::HandleConnected(TEventTag tag, uint32_t mask) {
  TClientSocket *socket = Find(tag);
  if ((mask & EPOLLOUT) && !socket->Internals().Flush()) {
    socket->Internals().Drop();
    RaiseDisconnect(*socket);
    return 1;
  }
  // The kernel flags a closed or failed connection in the event itself.
  // Without such a flag, readable means bytes are waiting, and the read
  // handler's own read finds out how many; with one, it is worth more system
  // calls to tell bytes still to read from the end of the stream.
  const bool hungUp = (mask & (EPOLLRDHUP | EPOLLHUP | EPOLLERR)) != 0;
  const bool readable = hungUp ? socket->Internals().BytesReady() > 0 : (mask & EPOLLIN) != 0;
  int ran = 0;
  if (readable) {
    RaiseRead(*socket);
    ++ran;
    // The handler may have ended the loop, released the socket or closed
    // the connection.
    if (running != this) return ran;
    socket = Find(tag);
    if (!socket || !socket->Internals().Connected()) return ran;
  }
  if (hungUp && socket->Internals().BytesReady() == 0 && socket->Internals().PeerGone()) {
    // A connection that ends with an error is treated like one the peer closed.
    socket->Internals().Drop();
    RaiseDisconnect(*socket);
    ++ran;
  }
  return ran;
}

void RaiseConnect(TClientSocket &socket) {
  const TSocketNotifyEvent handler = socket.OnConnect;
  if (handler) handler(socket);
}

void RaiseDisconnect(TClientSocket &socket) {
  const TSocketNotifyEvent handler = socket.OnDisconnect;
  if (handler) handler(socket);
}

void RaiseRead(TClientSocket &socket) {
  const TSocketNotifyEvent handler = socket.OnRead;
  if (handler) {
    handler(socket);
  } else {
    socket.Receive();  // unread bytes would keep the socket ready for ever
  }
}

void RaiseError(TClientSocket &socket, TErrorEvent kind, int code) {
  const TSocketErrorEvent handler = socket.OnError;
  int errorCode = code;
  if (handler) handler(socket, kind, errorCode);
  // A code the handler left standing has nobody to report to: the library's
  // handler always clears it, and the error changes no state of the socket.
}

bool StartSocketEvents() {
  return TEventLoop::Start();
}

void StopSocketEvents() {
  TEventLoop::Stop();
}

bool SocketEventsStarted() {
  return TEventLoop::Instance() != nullptr;
}

int DispatchSocketEvents() {
  TEventLoop *loop = TEventLoop::Instance();
  return loop ? loop->Dispatch() : 0;
}

int SocketEventHandle() {
  const TEventLoop *loop = TEventLoop::Instance();
  return loop ? loop->Fd() : -1;
}

}  // namespace roviro2
