// SPDX-License-Identifier: MIT
#include "link/rcv_queue.h"

#include <algorithm>
#include <cstring>

namespace roviro2 {

namespace {

// Record storage kept for reuse when the queue runs empty; the storage of a
// larger backlog (one record per frame when gateways take turns frame by
// frame) is given back.
constexpr std::size_t kRecordsKeptWhenEmpty = 64 * 1024;
}  // namespace

ReceiveQueue::RunId ReceiveQueue::NewRun() {
  if (free_ == kNoRun) {
    if (runs_.size() == runs_.capacity()) GrowRecords(runs_.size() * 2 + kFewestRecords);
    runs_.emplace_back();
    return static_cast<RunId>(runs_.size() - 1);
  }
  // A free record is already empty; its caller sets every field.
  const RunId id = free_;
  free_ = runs_[id].all.next;
  return id;
}

void ReceiveQueue::GrowRecords(std::size_t capacity) {
  // The records move exactly when their capacity grows.
  const std::size_t before = runs_.capacity();
  runs_.reserve(capacity);
  if (runs_.capacity() == before) return;
  const auto point = [this](Ends &ends) {
    if (ends.headRun) ends.headRun = &runs_[ends.head];
  };
  point(all_);
  for (Ends &ends : gateways_)
    point(ends);
}

void ReceiveQueue::FreeRun(RunId id) {
  runs_[id] = Run{};
  runs_[id].all.next = free_;
  free_ = id;
}

void ReceiveQueue::LinkBack(Ends &ends, Order order, RunId id) {
  LinkAfter(ends, order, ends.tail, id);
}

// at kNoRun links id in front of every other run.
void ReceiveQueue::LinkAfter(Ends &ends, Order order, RunId at, RunId id) {
  Links &links = runs_[id].*order;
  links.prev = at;
  links.next = at == kNoRun ? ends.head : (runs_[at].*order).next;
  if (at == kNoRun) {
    SetHead(ends, id);
  } else {
    (runs_[at].*order).next = id;
  }
  if (links.next == kNoRun) {
    ends.tail = id;
  } else {
    (runs_[links.next].*order).prev = id;
  }
}

void ReceiveQueue::Unlink(Ends &ends, Order order, RunId id) {
  const Links links = runs_[id].*order;
  if (links.prev == kNoRun) {
    SetHead(ends, links.next);
  } else {
    (runs_[links.prev].*order).next = links.next;
  }
  if (links.next == kNoRun) {
    ends.tail = links.prev;
  } else {
    (runs_[links.next].*order).prev = links.prev;
  }
}

// The newest run's last frame, which becomes one of the middle, must be as
// long as its length field says.
bool ReceiveQueue::Extend(uint32_t page, uint32_t begin, std::size_t size, uint32_t last,
                          uint8_t gateway) {
  if (all_.tail == kNoRun) return false;
  Run &newest = runs_[all_.tail];
  if (newest.page != page || newest.end != begin) return false;
  const uint8_t *lastFrame = PageBytes(page) + newest.last;
  if (lastFrame[kGatewayByteOffset] != gateway ||
      ReadLength(lastFrame) != newest.end - newest.last) {
    return false;
  }
  newest.last = static_cast<uint16_t>(begin + last);
  newest.end += static_cast<uint32_t>(size);
  return true;
}

// A run holds its chunk once: bytes that extend the newest run give their
// hold back.
void ReceiveQueue::AppendRun(FrameRef ref, std::size_t size, uint32_t last, uint8_t gateway,
                             bool byLength) {
  const uint32_t page = FrameArena::PageOf(ref);
  const uint32_t begin = ref.offset % FrameArena::kPageSize;
  if (byLength && Extend(page, begin, size, last, gateway)) return arena_.Release(ref);
  const RunId id = NewRun();
  Run &run = runs_[id];
  run.page = page;
  run.begin = static_cast<uint16_t>(begin);
  run.end = begin + static_cast<uint32_t>(size);
  run.last = static_cast<uint16_t>(begin + last);
  LinkBack(all_, &Run::all, id);
  LinkBack(gateways_[gateway], &Run::sameGateway, id);
}

bool ReceiveQueue::Append(const uint8_t *frame, std::size_t size, uint8_t gateway) {
  StoreFrame(frame, size, gateway);
  return true;
}

// The frames go into parts of at most one chunk's size: a frame left queued
// keeps no more than that much of a large read alive.
std::size_t ReceiveQueue::PushFrames(const uint8_t *bytes, std::size_t size, uint8_t gatewayByte) {
  if (!bytes) return 0;
  std::size_t taken = 0;
  while (size - taken >= kLengthFieldSize) {
    const std::size_t rest = size - taken;
    const std::size_t part = rest < FrameArena::kChunkSize ? rest : FrameArena::kChunkSize;
    const std::size_t stored =
        StorePart(bytes + taken, PartToCopy(bytes + taken, part), gatewayByte);
    taken += stored;
    // A part ends where its last whole frame ends; what follows is the
    // next part's, unless this part was the whole rest.
    if (stored == 0 || part == rest) break;
  }
  return taken;
}

// Long frames are few to a part, and the one that runs past the part's end
// would be copied twice: their part is cut to its whole frames before the
// copy, which costs a step per frame. Short frames are copied as they come.
std::size_t ReceiveQueue::PartToCopy(const uint8_t *bytes, std::size_t size) {
  if (ReadLength(bytes) < FrameArena::kOwnChunkFrom) return size;
  std::size_t whole = 0;
  while (size - whole >= kLengthFieldSize) {
    const std::size_t length = ReadLength(bytes + whole);
    if (!Fits(length) || length > size - whole) break;
    whole += length;
  }
  return whole > 0 ? whole : size;
}

// The bytes are copied first and then cut and marked where they are stored,
// in one pass. A frame that runs past the end of the part is left for the
// next part, which copies it again (at most one frame per chunk).
std::size_t ReceiveQueue::StorePart(const uint8_t *bytes, std::size_t size, uint8_t gatewayByte) {
  // Room for the records before the bytes are stored: a store is whole or,
  // on a failed allocation, leaves the queue as it was.
  FrameRef ref;
  uint8_t *stored = arena_.Room(size, ref);
  ReserveRunsIn(ref, size);
  std::memcpy(stored, bytes, size);
  const std::size_t kept = KeepStored(ref, stored, size, gatewayByte);
  if (kept == 0) arena_.Abandon(ref);
  return kept;
}

namespace {

// Marks the whole frames of stored[at, size) that start before `until` with
// the gateway byte; returns where they end, and sets last to where the last
// of them starts (left alone when there is none).
std::size_t MarkFrames(uint8_t *stored, std::size_t at, std::size_t size, std::size_t until,
                       uint8_t gatewayByte, std::size_t &last) {
  uint8_t *frame = stored + at;
  uint8_t *lastFrame = nullptr;
  const auto mark = [&](std::size_t length) {
    frame[kGatewayByteOffset] = gatewayByte;
    lastFrame = frame;
    frame += length;
  };
  // Marks the frame at `frame` and steps past it; false when its length
  // field is not that of a frame.
  const auto step = [&] {
    const std::size_t length = ReadLength(frame);
    if (!ReceiveQueue::Fits(length)) return false;
    mark(length);
    return true;
  };
  const auto result = [&] {
    if (lastFrame) last = static_cast<std::size_t>(lastFrame - stored);
    return static_cast<std::size_t>(frame - stored);
  };
  // While the largest frame fits in what is left, only the length field
  // needs a check, and while two of them fit, two frames are taken a step:
  // the step per frame of a burst is kept to a few instructions.
  if (size > kMaxWireFrame) {
    const std::size_t lastFull = std::min(size - kMaxWireFrame, until);
    uint8_t *const end = stored + lastFull;
    uint8_t *const endOfPairs = lastFull > at + kMaxWireFrame ? end - kMaxWireFrame : frame;
    while (frame < endOfPairs && step() && step()) {
    }
    while (frame < end && step() && frame < end && step()) {
    }
    if (frame < end) return result();  // a length field no frame can have
  }
  // What is left is at most the largest frame, so a frame is whole when it
  // is at least the smallest and ends within the bytes; none starts in the
  // last kMinFrame - 1 bytes.
  if (size < ReceiveQueue::kMinFrame) return result();
  const uint8_t *const bytesEnd = stored + size;
  const uint8_t *const stop = stored + std::min(until, size - ReceiveQueue::kMinFrame + 1);
  const auto stepWithin = [&] {
    if (frame >= stop) return false;
    const std::size_t length = ReadLength(frame);
    if (length < ReceiveQueue::kMinFrame || frame + length > bytesEnd) return false;
    mark(length);
    return true;
  };
  // Two a step, so that the frame marked last needs no copy of its start.
  while (stepWithin() && stepWithin()) {
  }
  return result();
}

}  // namespace

// The frames that start in one page form one run: a read as large as a
// chunk is a run per page.
std::size_t ReceiveQueue::KeepStored(FrameRef ref, uint8_t *stored, std::size_t size,
                                     uint8_t gatewayByte) {
  const std::size_t before = QueuedBytes(gatewayByte);
  std::size_t at = 0;
  for (std::size_t until = FrameArena::kPageSize - ref.offset % FrameArena::kPageSize;;
       until += FrameArena::kPageSize) {
    const std::size_t from = at;
    std::size_t last = from;
    at = MarkFrames(stored, from, size, until, gatewayByte, last);
    if (at == from) break;
    const FrameRef part{ref.chunk, ref.offset + static_cast<uint32_t>(from)};
    arena_.Commit(part, at - from);
    AppendRun(part, at - from, static_cast<uint32_t>(last - from), gatewayByte, true);
    if (at < until) break;
  }
  Recount(gatewayByte, before + at);
  return at;
}

ReceiveQueue::ReadRoom ReceiveQueue::OpenRead() {
  ReadRoom room;
  room.bytes = arena_.ReadRoom(kReadFloor, room.ref, room.size);
  ReserveRunsIn(room.ref, room.size);
  return room;
}

// One run per page a frame of the room can start in; a frame starts at
// least kMinFrame bytes before the room's end.
void ReceiveQueue::ReserveRunsIn(FrameRef ref, std::size_t size) {
  const std::size_t lastStart = ref.offset + (size > kMinFrame ? size - kMinFrame : 0);
  const std::size_t runs =
      lastStart / FrameArena::kPageSize - ref.offset / FrameArena::kPageSize + 1;
  try {
    ReserveRecords(runs);
  } catch (...) {
    arena_.Abandon(ref);
    throw;
  }
}

void ReceiveQueue::StoreFrame(const uint8_t *frame, std::size_t size, uint8_t gatewayByte) {
  ReserveRecord();
  const FrameRef ref = arena_.Store(frame, size);
  arena_.At(ref)[kGatewayByteOffset] = gatewayByte;
  const std::size_t total = QueuedBytes(gatewayByte) + size;
  AppendRun(ref, size, 0, gatewayByte, ReadLength(frame) == size);
  Recount(gatewayByte, total);
}

bool ReceiveQueue::Push(const uint8_t *frame, std::size_t size) {
  return Queueable(frame, size) && Append(frame, size, frame[kGatewayByteOffset]);
}

bool ReceiveQueue::PushMarked(const uint8_t *frame, std::size_t size, uint8_t gatewayByte) {
  return Queueable(frame, size) && Append(frame, size, gatewayByte);
}

ReceiveQueue::EntryId ReceiveQueue::Next(EntryId id, int gateway) const {
  uint32_t offset;
  const Run *run = Locate(id, offset);
  if (!run) return kNoEntry;
  if (gateway != kAnyGateway && GatewayOf(*run) != gateway) return kNoEntry;
  const uint32_t next = offset + FrameSize(*run, offset);
  if (next < run->end) return Id(static_cast<RunId>(id >> 32), next);
  return FirstOf(gateway == kAnyGateway ? run->all.next : run->sameGateway.next);
}

std::size_t ReceiveQueue::QueuedBytes(uint8_t gateway) const {
  return bytesOf_[gateway] + HeadSpan(gateways_[gateway]);
}

void ReceiveQueue::Split(RunId id, uint32_t cutFrom, uint32_t restFrom) {
  const RunId back = NewRun();  // may move the records
  Run &front = runs_[id];
  Run &rest = runs_[back];
  rest.page = front.page;
  rest.begin = static_cast<uint16_t>(restFrom);
  rest.end = front.end;
  rest.last = front.last;
  front.last = static_cast<uint16_t>(FrameBefore(front, cutFrom));
  front.end = cutFrom;
  arena_.Hold(FrameArena::PageStart(rest.page));
  LinkAfter(all_, &Run::all, id, back);
  LinkAfter(gateways_[GatewayOf(front)], &Run::sameGateway, id, back);
}

// The frames before offset are not the run's last, so they step by their
// length fields, each by at least 5 bytes.
uint32_t ReceiveQueue::FrameBefore(const Run &run, uint32_t offset) const {
  const uint8_t *bytes = PageBytes(run.page);
  uint32_t at = run.begin;
  for (uint32_t next = at + ReadLength(bytes + at); next < offset; next += ReadLength(bytes + next))
    at = next;
  return at;
}

void ReceiveQueue::DropFront(RunId id, uint32_t bytes) {
  Run &run = runs_[id];
  const uint8_t gateway = GatewayOf(run);
  const std::size_t total = QueuedBytes(gateway) - bytes;
  const uint32_t next = run.begin + bytes;
  if (next == run.end) {
    arena_.Release(FrameArena::PageStart(run.page));
    Unlink(all_, &Run::all, id);
    Unlink(gateways_[gateway], &Run::sameGateway, id);
    FreeRun(id);
    Recount(gateway, total);
    if (Empty()) Emptied();
  } else {
    run.begin = static_cast<uint16_t>(next);  // a frame of the run starts there: below 65536
    Recount(gateway, total);
  }
}

std::size_t ReceiveQueue::TakeOther(RunId id, uint32_t size, uint8_t *buffer) {
  Run &run = runs_[id];
  const uint8_t *frame = PageBytes(run.page) + run.begin;
  CopyBytes(buffer, frame, size);
  DropHead(id, run, frame, size);
  return size;
}

bool ReceiveQueue::TakeFromRun(RunId id, uint8_t *out, std::size_t size, bool withGateway,
                               Taken &taken) {
  // The run's fields and the count of bytes written are read once: a store
  // through `out` may alias them, so that they would be read again from
  // memory after every frame's copy.
  const Run run = runs_[id];
  const std::size_t header = RecordHeader(withGateway);
  const uint8_t *bytes = PageBytes(run.page);
  const uint8_t gateway = bytes[run.begin + kGatewayByteOffset];
  std::size_t used = taken.used;
  uint32_t at = run.begin;
  uint32_t frames = 0;
  const auto copy = [&](uint32_t frameSize) {
    if (header + frameSize > size - used) {
      taken.needed = header + frameSize;
      return false;
    }
    uint8_t *record = out + used;
    WriteLength(record, frameSize);
    if (withGateway) WriteLength(record + 2, gateway);
    CopyBytes(record + header, bytes + at, frameSize);
    used += header + frameSize;
    at += frameSize;
    ++frames;
    return true;
  };
  // Every frame but the last is as long as its length field says.
  bool fits = true;
  while (fits && at < run.last)
    fits = copy(ReadLength(bytes + at));
  if (fits) fits = copy(run.end - run.last);
  taken.used = used;
  taken.frames += frames;
  if (frames > 0) DropFront(id, at - run.begin);
  return fits;
}

ReceiveQueue::Taken ReceiveQueue::TakeMany(int gateway, uint8_t *out, std::size_t size,
                                           bool withGateway) {
  Taken taken;
  for (RunId id = HeadOf(gateway); id != kNoRun; id = HeadOf(gateway)) {
    if (!TakeFromRun(id, out, size, withGateway, taken)) break;
  }
  return taken;
}

void ReceiveQueue::RemoveInside(EntryId id) {
  uint32_t offset;
  if (!Locate(id, offset)) return;
  const RunId runId = static_cast<RunId>(id >> 32);
  Run &run = runs_[runId];
  const uint32_t size = FrameSize(run, offset);
  const uint8_t gateway = GatewayOf(run);
  const std::size_t total = QueuedBytes(gateway) - size;
  // The split comes first: it may fail for want of memory, and then nothing
  // has changed. It may move the records.
  if (offset == run.last) {
    run.last = static_cast<uint16_t>(FrameBefore(run, offset));
    run.end = offset;
  } else {
    Split(runId, offset, offset + size);
  }
  // The run keeps its first frame, so the queue is not emptied.
  Recount(gateway, total);
}

// Every record is free: the next frames take them in order again.
void ReceiveQueue::Emptied() {
  runs_.clear();
  if (runs_.capacity() > kRecordsKeptWhenEmpty) runs_.shrink_to_fit();
  free_ = kNoRun;
}

}  // namespace roviro2
