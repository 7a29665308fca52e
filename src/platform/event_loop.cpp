// SPDX-License-Identifier: MIT
#include "platform/event_loop.h"

#include "platform/event_source.h"
#include "platform/socket_events.h"
#include "platform/socket_impl.h"

namespace roviro2 {

namespace {

TEventLoop *running = nullptr;

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
  std::unique_ptr<TEventSource> source = TEventSource::Create();
  if (!source) return false;
  running = new TEventLoop(std::move(source));
  return true;
}

void TEventLoop::Stop() {
  delete running;
  running = nullptr;
}

TEventLoop::TEventLoop(std::unique_ptr<TEventSource> source) : source_(std::move(source)) {}

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
  // Not value-initialised: a read hands out only the bytes it wrote.
  if (!readArea_) readArea_.reset(new uint8_t[kReadAreaSize]);
  return readArea_.get();
}

uint32_t TEventLoop::Enrol(TClientSocket *socket) {
  const uint32_t number = nextNumber_++;
  sockets_[number] = socket;
  return number;
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
  posted_.push_back({tag, kind, code});
}

int TEventLoop::Dispatch() {
  // The loop may end inside a handler (PT_API_Close from a notice handler);
  // each step therefore starts from the running loop again.
  const int ran = RunPosted();
  return Running() ? ran + source_->RunReady(*this) : ran;
}

int TEventLoop::RunPosted() {
  if (posted_.empty()) return 0;
  source_->Quiet();
  std::vector<Posted> batch;
  batch.swap(posted_);
  int ran = 0;
  for (const Posted &event : batch) {
    if (!Running()) break;
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

void FinishConnect(TClientSocket &socket, int error) {
  TClientSocket::Impl &impl = socket.Internals();
  if (error == 0) {
    impl.BecomeConnected();
    RaiseConnect(socket);
  } else {
    impl.Drop();
    RaiseError(socket, TErrorEvent::eeConnect, error);
  }
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
  TEventLoop *loop = TEventLoop::Instance();
  return loop ? loop->Source().Handle() : -1;
}

}  // namespace roviro2
