#include "link/rcv_queue.h"

namespace roviro2 {

std::unique_ptr<TRcvQueue> RcvQueue;

namespace {
// Record storage kept for reuse when the queue runs empty, enough for the
// frames of several large reads; the storage of a larger backlog is given
// back.
constexpr std::size_t kRecordsKeptWhenEmpty = 64 * 1024;
}  // namespace

TRcvQueue::EntryId TRcvQueue::NewEntry() {
  if (free_ == kNoEntry) {
    entries_.emplace_back();
    return static_cast<EntryId>(entries_.size() - 1);
  }
  const EntryId id = free_;
  free_ = entries_[id].all.next;
  entries_[id] = Entry{};
  return id;
}

void TRcvQueue::LinkBack(Ends &ends, Order order, EntryId id) {
  Links &links = entries_[id].*order;
  links.prev = ends.tail;
  links.next = kNoEntry;
  if (ends.tail == kNoEntry) {
    ends.head = id;
  } else {
    (entries_[ends.tail].*order).next = id;
  }
  ends.tail = id;
}

void TRcvQueue::Unlink(Ends &ends, Order order, EntryId id) {
  const Links links = entries_[id].*order;
  if (links.prev == kNoEntry) {
    ends.head = links.next;
  } else {
    (entries_[links.prev].*order).next = links.next;
  }
  if (links.next == kNoEntry) {
    ends.tail = links.prev;
  } else {
    (entries_[links.next].*order).prev = links.prev;
  }
}

bool TRcvQueue::Append(const uint8_t *frame, std::size_t size, uint8_t gateway) {
  const EntryId id = NewEntry();
  Entry &entry = entries_[id];
  entry.ref = arena_.Store(frame, size);
  arena_.At(entry.ref)[kGatewayByteOffset] = gateway;
  entry.size = static_cast<uint16_t>(size);
  entry.gateway = gateway;
  LinkBack(all_, &Entry::all, id);
  LinkBack(gateways_[gateway], &Entry::sameGateway, id);
  ++count_;
  return true;
}

bool TRcvQueue::Push(const uint8_t *frame, std::size_t size) {
  return Queueable(frame, size) && Append(frame, size, frame[kGatewayByteOffset]);
}

bool TRcvQueue::PushMarked(const uint8_t *frame, std::size_t size, uint8_t gatewayByte) {
  return Queueable(frame, size) && Append(frame, size, gatewayByte);
}

TRcvQueue::EntryId TRcvQueue::First(int gateway) const {
  if (gateway == kAnyGateway) return all_.head;
  if (gateway < 0 || gateway >= static_cast<int>(kGatewayBytes)) return kNoEntry;
  return gateways_[gateway].head;
}

TRcvQueue::EntryId TRcvQueue::Next(EntryId id, int gateway) const {
  if (!Holds(id)) return kNoEntry;
  const Entry &entry = entries_[id];
  if (gateway == kAnyGateway) return entry.all.next;
  return entry.gateway == gateway ? entry.sameGateway.next : kNoEntry;
}

FrameView TRcvQueue::View(EntryId id) const {
  if (!Holds(id)) return {};
  const Entry &entry = entries_[id];
  return {arena_.At(entry.ref), entry.size};
}

void TRcvQueue::Remove(EntryId id) {
  if (!Holds(id)) return;
  Entry &entry = entries_[id];
  Unlink(all_, &Entry::all, id);
  Unlink(gateways_[entry.gateway], &Entry::sameGateway, id);
  arena_.Release(entry.ref);
  entry = Entry{};
  entry.all.next = free_;
  free_ = id;
  if (--count_ == 0) {
    // Every record is free: the next frames take them in order again.
    entries_.clear();
    if (entries_.capacity() > kRecordsKeptWhenEmpty) entries_.shrink_to_fit();
    free_ = kNoEntry;
  }
}

}  // namespace roviro2
