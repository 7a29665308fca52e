// SPDX-License-Identifier: MIT
// TClientSocket's state machine, common to every platform, over the system
// calls of socket_calls.h.
#include "platform/client_socket.h"

#include <algorithm>
#include <cerrno>
#include <new>

#include "platform/event_loop.h"
#include "platform/notice.h"
#include "platform/send_batch.h"
#include "platform/socket_calls.h"

namespace roviro2 {

static_assert(TClientSocket::kMostRuns + 1 <= kMaxRuns, "room for the waiting bytes in a send");

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
  if (sent > 0) out.Consume(sent);
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

bool TClientSocket::Connect(EventLoop &loop) {
  sockaddr_in peer;
  if (!PeerOf(address_, port_, peer)) return false;
  const NativeSocket handle = NewSocketHandle();
  if (handle == kNoSocket) return false;
  if (!loop_) {
    number_ = loop.Enrol(this);
    loop_ = &loop;
  }
  ++generation_;
  if (!loop_->Source().WatchConnect(handle, Tag())) {
    CloseSocketHandle(handle);
    return false;
  }
  handle_ = handle;
  state_ = State::kConnecting;
  if (const int error = StartConnect(handle_, peer)) {
    // Known at once, but reported like any failed attempt: later, as an event.
    NoteFailure(error);
    Drop();
    Post(PostedKind::kConnectError, error);
  }
  return true;
}

bool TClientSocket::Flush() {
  while (!out_.Empty()) {
    const ByteView waiting{out_.Data(), out_.Size()};
    const std::ptrdiff_t sent = WriteRuns(handle_, &waiting, 1);
    if (sent == kFailed) {
      NoteFailure(LastSocketError());
      return false;
    }
    if (sent <= 0) break;
    out_.Consume(static_cast<std::size_t>(sent));
  }
  WatchWrites(!out_.Empty());
  return true;
}

std::size_t TClientSocket::HandOver() {
  // A frame whose start is already out must be finished whatever the room:
  // cut off, it is lost either way. A frame cut by the system here is the
  // last one on the wire and counts as left behind.
  while (!out_.Empty()) {
    const std::size_t size =
        out_.HeadStarted() ? out_.HeadFrameSize() : out_.FramesWithin(SendRoom(handle_));
    if (size == 0) break;
    const ByteView frames{out_.Data(), size};
    const std::ptrdiff_t sent = WriteRuns(handle_, &frames, 1);
    if (sent <= 0) break;
    out_.Consume(static_cast<std::size_t>(sent));
    if (static_cast<std::size_t>(sent) < size) break;
  }
  uint8_t discard[kDiscardChunk];
  for (int i = 0; i < kMostDiscards && ReadBytes(handle_, discard, sizeof discard) > 0; ++i) {
  }
  ShutDownSending(handle_);
  return out_.FrameCount();
}

void TClientSocket::Drop() {
  if (handle_ != kNoSocket) {
    if (loop_) loop_->Source().Unwatch(handle_);
    CloseSocketHandle(handle_);
  }
  handle_ = kNoSocket;
  state_ = State::kIdle;
  writesWatched_ = false;
  out_.Clear();
  batchNoted_ = 0;
}

void TClientSocket::Fail() {
  Drop();
  Post(PostedKind::kDisconnect);
}

void TClientSocket::Post(PostedKind kind, int code) {
  if (loop_) loop_->Post(Tag(), kind, code);
}

void TClientSocket::WatchWrites(bool on) {
  if (writesWatched_ == on || !Connected()) return;
  writesWatched_ = on;
  loop_->Source().WatchConnected(handle_, Tag(), on, readsHeld_);
}

TClientSocket::TClientSocket() = default;

TClientSocket::~TClientSocket() {
  const std::size_t unsent = Connected() ? HandOver() : 0;
  Drop();
  if (loop_ && number_ != 0) loop_->Leave(number_);
  // Last: a notice handler that calls the library finds nothing of this socket.
  ReportUnsent(unsent);
}

const std::string &TClientSocket::Address() const {
  return address_;
}

uint16_t TClientSocket::Port() const {
  return port_;
}

bool TClientSocket::SetAddress(const std::string &address) {
  if (address == address_) return true;
  if (Active()) return false;
  address_ = address;
  return true;
}

bool TClientSocket::SetPort(uint16_t port) {
  if (port == port_) return true;
  if (Active()) return false;
  port_ = port;
  return true;
}

void TClientSocket::HoldReads(bool held) {
  if (readsHeld_ == held || !Connected()) return;
  readsHeld_ = held;
  loop_->Source().WatchConnected(handle_, Tag(), writesWatched_, readsHeld_);
  if (!held) Post(PostedKind::kRead);
}

bool TClientSocket::ReadsHeld() const {
  return readsHeld_;
}

int TClientSocket::LastError() const {
  return lastError_;
}

bool TClientSocket::EndedByPeer() const {
  return endedByPeer_;
}

bool TClientSocket::Active() const {
  return Connected();
}

bool TClientSocket::Connecting() const {
  return state_ == State::kConnecting;
}

bool TClientSocket::Open(EventLoop &loop) {
  if (Active()) return true;
  Drop();
  if (loop_ != &loop && loop_) {
    loop_->Leave(number_);
    loop_ = nullptr;
    number_ = 0;
  }
  return Connect(loop);
}

void TClientSocket::Close() {
  if (!Active()) return;
  const std::size_t unsent = HandOver();
  Fail();
  ReportUnsent(unsent);
}

void TClientSocket::CloseInner() {
  if (handle_ == kNoSocket) {
    ++generation_;  // what an earlier attempt still had pending is dropped
    return;
  }
  Drop();
  ++generation_;
  Post(PostedKind::kDisconnect);
}

SendOutcome TClientSocket::MakeRoom(std::size_t bytes) {
  if (out_.Room() >= bytes) return SendOutcome::kTaken;
  if (!Flush()) {
    Fail();
    return SendOutcome::kFailed;
  }
  return out_.Room() >= bytes ? SendOutcome::kTaken : SendOutcome::kNoRoom;
}

SendOutcome TClientSocket::KeepRest(const ByteView *runs, std::size_t count, std::size_t sent) {
  try {
    KeepUnsent(out_, runs, count, sent);
  } catch (const std::bad_alloc &) {
    // Part of the frame may be on the wire already and the rest has no
    // place: only a new connection can keep the gateway's frames whole.
    NoteFailure(ENOMEM);
    Fail();
    return SendOutcome::kFailed;
  }
  WatchWrites(true);
  return SendOutcome::kTaken;
}

SendOutcome TClientSocket::Written(const ByteView *runs, std::size_t count, std::size_t total,
                                   std::ptrdiff_t result) {
  if (result == static_cast<std::ptrdiff_t>(total)) return SendOutcome::kTaken;
  if (result == kFailed) {
    NoteFailure(LastSocketError());
    Fail();
    return SendOutcome::kFailed;
  }
  // The output buffer is touched, and its storage made, only when the system
  // left something over.
  return KeepRest(runs, count, result < 0 ? 0 : static_cast<std::size_t>(result));
}

SendOutcome TClientSocket::Batch(const ByteView *runs, std::size_t count) {
  try {
    NoteBatched(Tag(), batchNoted_);
    KeepUnsent(out_, runs, count, 0);
  } catch (const std::bad_alloc &) {
    // Storage is made before the first byte goes in: nothing was taken.
    return SendOutcome::kNoRoom;
  }
  return SendOutcome::kTaken;
}

SendOutcome TClientSocket::Send(const uint8_t *data, std::size_t size) {
  const ByteView run{data, size};
  // The common cases, kept short: a batch with room takes the bytes as they
  // are; outside a batch, when nothing waits, they go straight to the system.
  if (BatchOpen()) return Connected() && out_.Room() >= size ? Batch(&run, 1) : Send(&run, 1);
  if (!Connected() || !out_.Empty() || size > kOutputCapacity) return Send(&run, 1);
  const std::ptrdiff_t result = WriteRuns(handle_, &run, 1);
  if (result == static_cast<std::ptrdiff_t>(size)) return SendOutcome::kTaken;
  return Written(&run, 1, size, result);
}

SendOutcome TClientSocket::Send(const ByteView *runs, std::size_t count) {
  if (!Connected()) return SendOutcome::kNotConnected;
  if (count > kMostRuns) return SendOutcome::kNoRoom;
  const std::size_t total = TotalSize(runs, count);
  if (out_.Room() < total) {
    const SendOutcome room = MakeRoom(total);
    if (room != SendOutcome::kTaken) return room;
  }
  if (BatchOpen()) return Batch(runs, count);
  // What waits goes out first, in the same system call.
  const std::size_t waiting = out_.Size();
  const ByteView *gathered = runs;
  ByteView behindWaiting[kMaxRuns];
  if (waiting > 0) {
    behindWaiting[0] = {out_.Data(), waiting};
    std::copy(runs, runs + count, behindWaiting + 1);
    gathered = behindWaiting;
  }
  const std::ptrdiff_t result = WriteRuns(handle_, gathered, count + (waiting > 0 ? 1 : 0));
  if (waiting > 0 && result > 0) {
    const std::size_t ofWaiting = std::min(static_cast<std::size_t>(result), waiting);
    out_.Consume(ofWaiting);
    WatchWrites(!out_.Empty());
    return Written(runs, count, total, result - static_cast<std::ptrdiff_t>(ofWaiting));
  }
  return Written(runs, count, total, result);
}

WriteOutcome TClientSocket::WriteWaiting(std::size_t &lost) {
  lost = 0;
  if (!Connected() || out_.Empty()) return WriteOutcome::kAllOut;
  if (!Flush()) {
    lost = out_.FrameCount();
    Fail();
    return WriteOutcome::kFailed;
  }
  return out_.Empty() ? WriteOutcome::kAllOut : WriteOutcome::kSomeWait;
}

ByteView TClientSocket::Receive() {
  // A large backlog is read in parts, one per read event, so the bytes of
  // one read stay in the processor's cache while they are cut into frames.
  if (!Connected()) return {};
  return ReceiveInto(loop_->ReadArea(), EventLoop::kReadAreaSize);
}

ByteView TClientSocket::ReceiveInto(uint8_t *area, std::size_t size) {
  if (!Connected()) return {};
  const std::ptrdiff_t got = ReadBytes(handle_, area, size);
  if (got > 0) return {area, static_cast<std::size_t>(got)};
  if (got == kWouldBlock) return {};
  if (got == 0) {
    NotePeerClosed();
  } else {
    NoteFailure(LastSocketError());
  }
  Fail();
  return {};
}

std::size_t TClientSocket::BytesReady() const {
  return BytesWaiting(handle_);
}

void TClientSocket::OnConnectResult(int reported, int otherwise) {
  if (!Connecting()) return;
  int error = reported != 0 ? reported : ConnectOutcome(handle_);
  if (error == 0) error = otherwise;
  if (error == 0) {
    state_ = State::kConnected;
    writesWatched_ = false;
    readsHeld_ = false;
    loop_->Source().WatchConnected(handle_, Tag(), false, false);
    RaiseConnect(*this);
  } else {
    NoteFailure(error);
    Drop();
    RaiseError(*this, SocketErrorKind::eeConnect, error);
  }
}

void TClientSocket::OnReadable() {
  if (Connected()) RaiseRead(*this);
}

void TClientSocket::OnReadError(int error) {
  if (Connected()) RaiseError(*this, SocketErrorKind::eeReceive, error);
}

bool TClientSocket::OnWritable(int error) {
  if (!Connected() || (error == 0 && Flush())) return false;
  Drop();
  RaiseDisconnect(*this);
  return true;
}

bool TClientSocket::OnHangUp() {
  if (!Connected() || BytesReady() != 0) return false;
  const int state = PeerState(handle_);
  if (state == 0) return false;
  // A connection that ends with an error is treated like one the peer closed.
  OnClosed(state == kPeerClosed ? 0 : state);
  return true;
}

void TClientSocket::OnClosed(int error) {
  if (!Connected()) return;
  if (error != 0) {
    NoteFailure(error);
  } else {
    NotePeerClosed();
  }
  Drop();
  RaiseDisconnect(*this);
}

void TClientSocket::LoopEnded() {
  Drop();
  loop_ = nullptr;
  number_ = 0;
}

}  // namespace roviro2
