// SPDX-License-Identifier: MIT
// The receive queue's consistency checks, for the tests and the fuzzers.
#include <map>

#include "link/rcv_queue.h"

namespace roviro2 {

// An order links its runs both ways from head to tail, each run of the
// gateway it is kept for (kAnyGateway: any), at most every record once, and
// keeps the record and the storage of its head run.
bool ReceiveQueue::CheckOrder(const Ends &ends, Order order, int gateway, std::size_t &runs) const {
  if (ends.head == kNoRun ? ends.headBytes != nullptr || ends.headRun != nullptr
                          : ends.head >= runs_.size() || ends.headRun != &runs_[ends.head] ||
                                ends.headBytes != PageBytes(runs_[ends.head].page)) {
    return false;
  }
  RunId previous = kNoRun;
  std::size_t steps = 0;
  for (RunId id = ends.head; id != kNoRun; id = (runs_[id].*order).next) {
    if (id >= runs_.size() || ++steps > runs_.size()) return false;
    if ((runs_[id].*order).prev != previous) return false;
    if (gateway != kAnyGateway && GatewayOf(runs_[id]) != gateway) return false;
    previous = id;
  }
  runs += steps;
  return previous == ends.tail;
}

// A run's frames step by their length fields exactly from its begin to its
// last, which ends at its end, and each holds the run's gateway byte.
bool ReceiveQueue::CountRun(const Run &run, std::size_t &bytes) const {
  if (run.begin > run.last || run.last >= run.end) return false;
  const uint8_t *stored = PageBytes(run.page);
  const uint8_t gateway = GatewayOf(run);
  for (uint32_t at = run.begin;; at += ReadLength(stored + at)) {
    const uint32_t size = FrameSize(run, at);
    if (size < kMinFrame || stored[at + kGatewayByteOffset] != gateway) return false;
    bytes += size;
    if (at >= run.last) return at == run.last;
  }
}

// Every run holds its chunk once, and nothing else holds it.
bool ReceiveQueue::CheckHolds() const {
  std::map<uint32_t, uint32_t> holds;
  for (RunId id = all_.head; id != kNoRun; id = runs_[id].all.next)
    ++holds[FrameArena::PageStart(runs_[id].page).chunk];
  for (const auto &[chunk, count] : holds)
    if (arena_.Holds(FrameRef{chunk, 0}) != count) return false;
  return true;
}

bool ReceiveQueue::CheckInvariants() const {
  std::size_t runs = 0;
  if (!CheckOrder(all_, &Run::all, kAnyGateway, runs)) return false;
  std::array<std::size_t, kGatewayBytes> bytes{};
  for (RunId id = all_.head; id != kNoRun; id = runs_[id].all.next) {
    if (!CountRun(runs_[id], bytes[GatewayOf(runs_[id])])) return false;
  }
  if (!CheckHolds()) return false;
  std::size_t byGateway = 0;
  for (std::size_t g = 0; g < kGatewayBytes; ++g) {
    if (!CheckOrder(gateways_[g], &Run::sameGateway, static_cast<int>(g), byGateway)) return false;
    if (bytes[g] != QueuedBytes(static_cast<uint8_t>(g))) return false;
  }
  return byGateway == runs;
}

std::size_t ReceiveQueue::Count() const {
  std::size_t frames = 0;
  for (RunId id = all_.head; id != kNoRun; id = runs_[id].all.next) {
    const Run &run = runs_[id];
    for (uint32_t at = run.begin; at < run.end; at += FrameSize(run, at))
      ++frames;
  }
  return frames;
}

}  // namespace roviro2
