// SPDX-License-Identifier: MIT
#include "platform/event_loop.h"

#include <new>

#include "platform/event_source.h"
#include "platform/socket_events.h"
#include "platform/socket_impl.h"

namespace roviro2 {

namespace {

TEventLoop *running = nullptr;
uint64_t lifetime = 0;  // starts and stops so far

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

uint64_t TEventLoop::Lifetime() {
  return lifetime;
}

bool TEventLoop::Start() {
  if (running) return true;
  try {
    std::unique_ptr<TEventSource> source = TEventSource::Create();
    if (!source) return false;
    running = new TEventLoop(std::move(source));
  } catch (const std::bad_alloc &) {
    return false;  // sockets then fail to open
  }
  ++lifetime;
  return true;
}

void TEventLoop::Stop() {
  if (!running) return;
  ++lifetime;
  delete running;
  running = nullptr;
}

// Not value-initialised: a read hands out only the bytes it wrote.
TEventLoop::TEventLoop(std::unique_ptr<TEventSource> source)
    : source_(std::move(source)), readArea_(new uint8_t[kReadAreaSize]) {}

TEventLoop::~TEventLoop() {
  // Sockets still alive lose their handles quietly and may be opened again
  // once a new loop runs.
  for (auto &known : sockets_) {
    TClientSocket::Impl &impl = known.second->Internals();
    impl.Drop();
    impl.number = 0;
  }
}

uint8_t *TEventLoop::ReadArea() {
  return readArea_.get();
}

// A socket posts at most a few events between two dispatches (a refused
// connect, a close, a resumed read): room for them is made here, so that
// posting never needs memory that may be missing.
constexpr std::size_t kPostsPerSocket = 4;

uint32_t TEventLoop::Enrol(TClientSocket *socket) {
  posted_.reserve(kPostsPerSocket * (sockets_.size() + 1));
  spare_.reserve(posted_.capacity());
  sockets_[nextNumber_] = socket;
  return nextNumber_++;
}

void TEventLoop::Leave(uint32_t number) {
  sockets_.erase(number);
}

TClientSocket *TEventLoop::Find(TEventTag tag) const {
  const auto known = sockets_.find(NumberOf(tag));
  if (known == sockets_.end()) return nullptr;
  TClientSocket *socket = known->second;
  return socket->Internals().generation == GenerationOf(tag) ? socket : nullptr;
}

void TEventLoop::Post(TEventTag tag, TPostedKind kind, int code) {
  if (posted_.empty()) source_->Wake();
  try {
    posted_.push_back({tag, kind, code});
  } catch (const std::bad_alloc &) {
    // Beyond the room made at Enrol and no memory: the event is lost, as a
    // dropped notification would be.
  }
}

int TEventLoop::Dispatch() {
  // The loop may end inside a handler (PT_API_Close from a notice handler):
  // then this object is gone and nothing of it may be touched.
  const LoopAlive alive;
  const int ran = RunPosted();
  return alive ? ran + source_->RunReady(*this) : ran;
}

int TEventLoop::RunPosted() {
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
      case TPostedKind::kDisconnect:
        RaiseDisconnect(*socket);
        break;
      case TPostedKind::kConnectError:
        RaiseError(*socket, TErrorEvent::eeConnect, event.code);
        break;
      case TPostedKind::kRead:
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

void FinishConnect(TClientSocket &socket, int error) {
  TClientSocket::Impl &impl = socket.Internals();
  if (error == 0) {
    impl.BecomeConnected();
    RaiseConnect(socket);
  } else {
    impl.NoteFailure(error);
    impl.Drop();
    RaiseError(socket, TErrorEvent::eeConnect, error);
  }
}

// An exception of a handler is caught where the event is dispatched: it
// ends that event only, and never reaches the library's caller.
void RaiseConnect(TClientSocket &socket) {
  try {
    const TSocketNotifyEvent handler = socket.OnConnect;
    if (handler) handler(socket);
  } catch (...) {
  }
}

void RaiseDisconnect(TClientSocket &socket) {
  try {
    const TSocketNotifyEvent handler = socket.OnDisconnect;
    if (handler) handler(socket);
  } catch (...) {
  }
}

void RaiseRead(TClientSocket &socket) {
  if (socket.ReadsHeld()) return;
  try {
    const TSocketNotifyEvent handler = socket.OnRead;
    if (handler) {
      handler(socket);
    } else {
      socket.Receive();  // unread bytes would keep the socket ready for ever
    }
  } catch (...) {
  }
}

void RaiseError(TClientSocket &socket, TErrorEvent kind, int code) {
  try {
    const TSocketErrorEvent handler = socket.OnError;
    int errorCode = code;
    if (handler) handler(socket, kind, errorCode);
    // A code the handler left standing has nobody to report to: the
    // library's handler always clears it, and the error changes no state.
  } catch (...) {
  }
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
  TEventLoop *loop = TEventLoop::Instance();
  return loop ? loop->Source().Handle() : -1;
}

}  // namespace roviro2
