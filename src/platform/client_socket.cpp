// SPDX-License-Identifier: MIT
// TClientSocket's operations on every platform, over the system calls of
// each platform's socket_impl.
#include "platform/client_socket.h"

#include <algorithm>
#include <cerrno>
#include <new>

#include "platform/notice.h"
#include "platform/send_batch.h"
#include "platform/socket_impl.h"

namespace roviro2 {

namespace {

std::size_t TotalSize(const ByteView *runs, std::size_t count) {
  std::size_t total = 0;
  for (std::size_t i = 0; i < count; ++i)
    total += runs[i].size;
  return total;
}

// Keeps what the system did not take, in order. The runs go in whole and the
// sent bytes out again, so that the buffer knows where their frames end.
void KeepUnsent(OutputBuffer &out, const ByteView *runs, std::size_t count, std::size_t sent) {
  for (std::size_t i = 0; i < count; ++i)
    out.Append(runs[i].data, runs[i].size);
  out.Consume(sent);
}

// Writes out what waits when the output buffer has no room for `bytes` more:
// kTaken when it then has, kNoRoom when not, kFailed when the connection
// failed (and is closed).
SendOutcome MakeRoom(TClientSocket::Impl &impl, std::size_t bytes) {
  if (impl.out.Room() >= bytes) return SendOutcome::kTaken;
  if (!impl.Flush()) {
    impl.Fail();
    return SendOutcome::kFailed;
  }
  return impl.out.Room() >= bytes ? SendOutcome::kTaken : SendOutcome::kNoRoom;
}

// Keeps what the system left of the runs, `sent` bytes being out already.
SendOutcome KeepRest(TClientSocket::Impl &impl, const ByteView *runs, std::size_t count,
                     std::size_t sent) {
  try {
    KeepUnsent(impl.out, runs, count, sent);
  } catch (const std::bad_alloc &) {
    // Part of the frame may be on the wire already and the rest has no
    // place: only a new connection can keep the gateway's frames whole.
    impl.NoteFailure(ENOMEM);
    impl.Fail();
    return SendOutcome::kFailed;
  }
  impl.WatchWrites(true);
  return SendOutcome::kTaken;
}

// What a write of the runs (`total` bytes) answered: every byte out, the
// rest kept, or a failure that closes the connection.
SendOutcome Written(TClientSocket::Impl &impl, const ByteView *runs, std::size_t count,
                    std::size_t total, std::ptrdiff_t result) {
  if (result == static_cast<std::ptrdiff_t>(total)) return SendOutcome::kTaken;
  if (result == TClientSocket::Impl::kFailed) {
    impl.NoteFailure(TClientSocket::Impl::SystemError());
    impl.Fail();
    return SendOutcome::kFailed;
  }
  // The output buffer is touched, and its storage made, only when the system
  // left something over.
  return KeepRest(impl, runs, count, result < 0 ? 0 : static_cast<std::size_t>(result));
}

// Inside a batch the runs only join the output buffer (room is made); the
// batch's end writes them.
SendOutcome Batch(TClientSocket::Impl &impl, const ByteView *runs, std::size_t count) {
  try {
    NoteBatched(impl.Tag());
    KeepUnsent(impl.out, runs, count, 0);
  } catch (const std::bad_alloc &) {
    // Storage is made before the first byte goes in: nothing was taken.
    return SendOutcome::kNoRoom;
  }
  return SendOutcome::kTaken;
}

// Unread input is discarded in reads of this size, this many at most.
constexpr std::size_t kDiscardChunk = 16 * 1024;
constexpr int kMostDiscards = 1024;

// One notice for each frame that a close could not hand to the system. It
// runs in a destructor: a notice that cannot be shown (no memory for its
// text) ends the reporting instead of the process.
void ReportUnsent(std::size_t frames) noexcept {
  try {
    for (std::size_t i = 0; i < frames; ++i)
      ShowNotice("TCP Send Error");
  } catch (...) {
  }
}

// A dotted IPv4 address and a port; false when the text is not such an address.
bool PeerOf(const std::string &address, uint16_t port, sockaddr_in &peer) {
  peer = sockaddr_in{};
  peer.sin_family = AF_INET;
  peer.sin_port = htons(port);
  return !address.empty() && inet_pton(AF_INET, address.c_str(), &peer.sin_addr) == 1;
}

}  // namespace

bool TClientSocket::Impl::Connect() {
  sockaddr_in peer;
  if (!PeerOf(address, port, peer)) return false;
  EventLoop *loop = EventLoop::Instance();
  if (!loop) return false;
  const NativeSocket handle = NewHandle();
  if (handle == kNoSocket) return false;
  if (number == 0) number = loop->Enrol(&self);
  ++generation;
  if (!WatchConnect(handle)) {
    CloseHandle(handle);
    return false;
  }
  fd = handle;
  state = State::kConnecting;
  if (const int error = StartConnect(peer)) {
    // Known at once, but reported like any failed attempt: later, as an event.
    NoteFailure(error);
    Drop();
    loop->Post(Tag(), PostedKind::kConnectError, error);
  }
  return true;
}

bool TClientSocket::Impl::Flush() {
  while (!out.Empty()) {
    const ByteView waiting{out.Data(), out.Size()};
    const std::ptrdiff_t sent = Write(&waiting, 1);
    if (sent == kFailed) {
      NoteFailure(SystemError());
      return false;
    }
    if (sent <= 0) break;
    out.Consume(static_cast<std::size_t>(sent));
  }
  WatchWrites(!out.Empty());
  return true;
}

std::size_t TClientSocket::Impl::HandOver() {
  // A frame whose start is already out must be finished whatever the room:
  // cut off, it is lost either way. A frame cut by the system here is the
  // last one on the wire and counts as left behind.
  while (!out.Empty()) {
    const std::size_t size = out.HeadStarted() ? out.HeadFrameSize() : out.FramesWithin(SendRoom());
    if (size == 0) break;
    const ByteView frames{out.Data(), size};
    const std::ptrdiff_t sent = Write(&frames, 1);
    if (sent <= 0) break;
    out.Consume(static_cast<std::size_t>(sent));
    if (static_cast<std::size_t>(sent) < size) break;
  }
  uint8_t discard[kDiscardChunk];
  for (int i = 0; i < kMostDiscards && Read(discard, sizeof discard) > 0; ++i) {
  }
  ShutDownSending();
  return out.FrameCount();
}

void TClientSocket::Impl::Drop() {
  if (fd != kNoSocket) {
    StopWatching();
    CloseHandle(fd);
  }
  fd = kNoSocket;
  state = State::kIdle;
  writesWatched = false;
  out.Clear();
}

void TClientSocket::Impl::Fail() {
  Drop();
  if (EventLoop *loop = EventLoop::Instance()) loop->Post(Tag(), PostedKind::kDisconnect);
}

TClientSocket::TClientSocket() : impl_(std::make_unique<Impl>(*this)) {}

TClientSocket::~TClientSocket() {
  const std::size_t unsent = impl_->Connected() ? impl_->HandOver() : 0;
  impl_->Drop();
  if (EventLoop *loop = EventLoop::Instance(); loop && impl_->number != 0) {
    loop->Leave(impl_->number);
  }
  // Last: a notice handler that calls the library finds nothing of this socket.
  ReportUnsent(unsent);
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

void TClientSocket::HoldReads(bool held) {
  Impl &impl = *impl_;
  if (impl.readsHeld == held || !impl.Connected()) return;
  impl.readsHeld = held;
  impl.WatchReads();
  if (EventLoop *loop = EventLoop::Instance(); loop && !held)
    loop->Post(impl.Tag(), PostedKind::kRead);
}

bool TClientSocket::ReadsHeld() const {
  return impl_->readsHeld;
}

int TClientSocket::LastError() const {
  return impl_->lastError;
}

bool TClientSocket::EndedByPeer() const {
  return impl_->endedByPeer;
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
  if (!Active()) return;
  const std::size_t unsent = impl_->HandOver();
  impl_->Fail();
  ReportUnsent(unsent);
}

void TClientSocket::CloseInner() {
  if (impl_->fd == kNoSocket) {
    ++impl_->generation;  // what an earlier attempt still had pending is dropped
    return;
  }
  impl_->Drop();
  ++impl_->generation;
  if (EventLoop *loop = EventLoop::Instance()) loop->Post(impl_->Tag(), PostedKind::kDisconnect);
}

bool TClientSocket::Reserve(std::size_t bytes) {
  if (!impl_->Connected()) return false;
  return MakeRoom(*impl_, bytes) == SendOutcome::kTaken;
}

SendOutcome TClientSocket::Send(const uint8_t *data, std::size_t size) {
  Impl &impl = *impl_;
  const ByteView run{data, size};
  // The common case, kept short: nothing waits and no batch is open, so the
  // bytes go straight to the system.
  if (!impl.Connected() || !impl.out.Empty() || size > kOutputCapacity || BatchOpen())
    return Send(&run, 1);
  const std::ptrdiff_t result = impl.Write(&run, 1);
  if (result == static_cast<std::ptrdiff_t>(size)) return SendOutcome::kTaken;
  return Written(impl, &run, 1, size, result);
}

SendOutcome TClientSocket::Send(const ByteView *runs, std::size_t count) {
  Impl &impl = *impl_;
  if (!impl.Connected()) return SendOutcome::kNotConnected;
  if (count >= kMaxRuns) return SendOutcome::kNoRoom;
  const std::size_t total = TotalSize(runs, count);
  if (impl.out.Room() < total) {
    const SendOutcome room = MakeRoom(impl, total);
    if (room != SendOutcome::kTaken) return room;
  }
  if (BatchOpen()) return Batch(impl, runs, count);
  const std::size_t waiting = impl.out.Size();
  const ByteView *gathered = runs;
  ByteView behindWaiting[kMaxRuns];
  if (waiting > 0) {
    behindWaiting[0] = {impl.out.Data(), waiting};
    std::copy(runs, runs + count, behindWaiting + 1);
    gathered = behindWaiting;
  }
  const std::ptrdiff_t result = impl.Write(gathered, count + (waiting > 0 ? 1 : 0));
  if (waiting > 0 && result > 0) {
    const std::size_t ofWaiting = std::min(static_cast<std::size_t>(result), waiting);
    impl.out.Consume(ofWaiting);
    impl.WatchWrites(!impl.out.Empty());
    return Written(impl, runs, count, total, result - static_cast<std::ptrdiff_t>(ofWaiting));
  }
  return Written(impl, runs, count, total, result);
}

WriteOutcome TClientSocket::WriteWaiting(std::size_t &lost) {
  Impl &impl = *impl_;
  lost = 0;
  if (!impl.Connected() || impl.out.Empty()) return WriteOutcome::kAllOut;
  if (!impl.Flush()) {
    lost = impl.out.FrameCount();
    impl.Fail();
    return WriteOutcome::kFailed;
  }
  return impl.out.Empty() ? WriteOutcome::kAllOut : WriteOutcome::kSomeWait;
}

ByteView TClientSocket::Receive() {
  Impl &impl = *impl_;
  EventLoop *loop = EventLoop::Instance();
  if (!impl.Connected() || !loop) return {};
  // A large backlog is read in parts, one per read event, so the bytes of
  // one read stay in the processor's cache while they are cut into frames.
  uint8_t *area = loop->ReadArea();
  const std::ptrdiff_t got = impl.Read(area, EventLoop::kReadAreaSize);
  if (got > 0) return {area, static_cast<std::size_t>(got)};
  if (got == Impl::kWouldBlock) return {};
  if (got == 0) {
    impl.NotePeerClosed();
  } else {
    impl.NoteFailure(Impl::SystemError());
  }
  impl.Fail();
  return {};
}

}  // namespace roviro2
