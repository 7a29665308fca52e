// SPDX-License-Identifier: MIT
#include "platform/event_loop.h"

#include <new>

#include "platform/platform_state.h"
#include "platform/socket_events.h"

namespace roviro2 {

namespace {

uint32_t NumberOf(EventTag tag) {
  return static_cast<uint32_t>(tag >> 32);
}

}  // namespace

EventLoop *EventLoop::Instance() {
  return PlatformPart().loop;
}

uint64_t EventLoop::Lifetime() {
  return PlatformPart().loopLifetime;
}

bool EventLoop::Start() {
  PlatformState &platform = PlatformPart();
  if (platform.loop) return true;
  try {
    std::unique_ptr<EventSource> source = EventSource::Create();
    if (!source) return false;
    platform.loop = new EventLoop(std::move(source));
  } catch (const std::bad_alloc &) {
    return false;  // sockets then fail to open
  }
  ++platform.loopLifetime;
  return true;
}

void EventLoop::Stop() {
  PlatformState &platform = PlatformPart();
  if (!platform.loop) return;
  ++platform.loopLifetime;
  // The loop's sockets may look for it while it ends: it is known until gone.
  delete platform.loop;
  platform.loop = nullptr;
}

// Not value-initialised: a read hands out only the bytes it wrote.
EventLoop::EventLoop(std::unique_ptr<EventSource> source)
    : source_(std::move(source)), readArea_(new uint8_t[kReadAreaSize]) {}

EventLoop::~EventLoop() {
  // Sockets still alive lose their handles quietly and may be opened again
  // once a new loop runs.
  for (auto &known : sockets_)
    known.second->LoopEnded();
}

uint8_t *EventLoop::ReadArea() {
  return readArea_.get();
}

// A socket posts at most a few events between two dispatches (a refused
// connect, a close, a resumed read): room for them is made here, so that
// posting never needs memory that may be missing.
constexpr std::size_t kPostsPerSocket = 4;

uint32_t EventLoop::Enrol(TClientSocket *socket) {
  posted_.reserve(kPostsPerSocket * (sockets_.size() + 1));
  spare_.reserve(posted_.capacity());
  sockets_[nextNumber_] = socket;
  return nextNumber_++;
}

void EventLoop::Leave(uint32_t number) {
  sockets_.erase(number);
}

TClientSocket *EventLoop::Find(EventTag tag) const {
  const auto known = sockets_.find(NumberOf(tag));
  if (known == sockets_.end()) return nullptr;
  TClientSocket *socket = known->second;
  return socket->Tag() == tag ? socket : nullptr;
}

void EventLoop::Post(EventTag tag, PostedKind kind, int code) {
  if (posted_.empty()) source_->Wake();
  try {
    posted_.push_back({tag, kind, code});
  } catch (const std::bad_alloc &) {
    // Beyond the room made at Enrol and no memory: the event is lost, as a
    // dropped notification would be.
  }
}

int EventLoop::Dispatch() {
  // The loop may end inside a handler (PT_API_Close from a notice handler):
  // then this object is gone and nothing of it may be touched.
  const LoopAlive alive;
  const int ran = RunPosted();
  return alive ? ran + source_->RunReady(*this) : ran;
}

int EventLoop::RunPosted() {
  if (posted_.empty()) return 0;
  source_->Quiet();
  // The batch runs from the spare list, whose room goes back to posting
  // afterwards: events posted by the handlers wait for the next dispatch.
  std::vector<Posted> batch;
  batch.swap(spare_);
  batch.swap(posted_);
  const LoopAlive alive;
  int ran = 0;
  for (const Posted &event : batch) {
    if (!alive) break;
    TClientSocket *socket = Find(event.tag);
    if (!socket) continue;
    switch (event.kind) {
      case PostedKind::kDisconnect:
        RaiseDisconnect(*socket);
        break;
      case PostedKind::kConnectError:
        RaiseError(*socket, SocketErrorKind::eeConnect, event.code);
        break;
      case PostedKind::kRead:
        if (socket->Active()) RaiseRead(*socket);
        break;
    }
    ++ran;
  }
  if (alive) {
    batch.clear();
    spare_.swap(batch);
  }
  return ran;
}

// An exception of a handler is caught where the event is dispatched: it
// ends that event only, and never reaches the library's caller.
void RaiseConnect(TClientSocket &socket) {
  try {
    const SocketNotifyHandler handler = socket.OnConnect;
    if (handler) handler(socket);
  } catch (...) {
  }
}

void RaiseDisconnect(TClientSocket &socket) {
  try {
    const SocketNotifyHandler handler = socket.OnDisconnect;
    if (handler) handler(socket);
  } catch (...) {
  }
}

void RaiseRead(TClientSocket &socket) {
  if (socket.ReadsHeld()) return;
  try {
    const SocketNotifyHandler handler = socket.OnRead;
    if (handler) {
      handler(socket);
    } else {
      socket.Receive();  // unread bytes would keep the socket ready for ever
    }
  } catch (...) {
  }
}

void RaiseError(TClientSocket &socket, SocketErrorKind kind, int code) {
  try {
    const SocketErrorHandler handler = socket.OnError;
    int errorCode = code;
    if (handler) handler(socket, kind, errorCode);
    // A code the handler left standing has nobody to report to: the
    // library's handler always clears it, and the error changes no state.
  } catch (...) {
  }
}

bool StartSocketEvents() {
  return EventLoop::Start();
}

void StopSocketEvents() {
  EventLoop::Stop();
}

bool SocketEventsStarted() {
  return EventLoop::Instance() != nullptr;
}

int DispatchSocketEvents() {
  EventLoop *loop = EventLoop::Instance();
  return loop ? loop->Dispatch() : 0;
}

int SocketEventHandle() {
  EventLoop *loop = EventLoop::Instance();
  return loop ? loop->Source().Handle() : -1;
}

}  // namespace roviro2
