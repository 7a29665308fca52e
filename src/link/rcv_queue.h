/* SPDX-License-Identifier: MIT */
// RcvQueue: complete received frames of every gateway, oldest first.
//
// Frames are kept in two orders at once: the order of all frames, and the
// order of the frames with the same gateway byte (byte 4). Taking the oldest
// frame of one gateway therefore costs nothing for the frames of others that
// wait before it. Removal works at any position in O(1).
//
// The frames of one gateway that arrive back to back are stored back to back
// and kept as one run, which is linked into both orders once: a read that
// brings thousands of small frames costs one record, not one per frame, and
// fetching walks the run's bytes in the order they arrived. The storage is
// held per run, not per frame: taking a frame from the front of a run only
// moves the run's start, and the run's storage goes when its last frame
// does.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "link/frame.h"
#include "link/frame_arena.h"
#include "platform/byte_view.h"

namespace roviro2 {

class ReceiveQueue {
 public:
  ReceiveQueue() = default;
  // The orders point at records: a copy would point into the original.
  ReceiveQueue(const ReceiveQueue &) = delete;
  ReceiveQueue &operator=(const ReceiveQueue &) = delete;
  // Names one queued frame: its run and its place in the arena chunk. An id
  // stays valid until its frame, or a frame of the same run before it, is
  // removed.
  using EntryId = uint64_t;
  static constexpr EntryId kNoEntry = UINT64_MAX;
  // Gateway argument of First and Next that selects the order of all frames.
  static constexpr int kAnyGateway = -1;
  // Every queued frame holds its gateway byte.
  static constexpr std::size_t kMinFrame = 5;
  // Whether a frame of this size (or a length field of this value) can be
  // queued: 5 to 8198 bytes.
  static constexpr bool Fits(std::size_t size) {
    return size >= kMinFrame && size <= kMaxWireFrame;
  }

  // Appends a complete frame as it is; byte 4 already holds its gateway
  // byte. Frames shorter than 5 or longer than 8198 bytes are refused
  // (false) and nothing is queued.
  bool Push(std::vector<uint8_t> frame) { return Push(frame.data(), frame.size()); }
  bool Push(const uint8_t *frame, std::size_t size);
  // Appends a copy of the frame whose byte 4 is set to gatewayByte.
  bool PushMarked(const uint8_t *frame, std::size_t size, uint8_t gatewayByte);
  // Appends copies of the whole frames at the front of bytes, cut by their
  // length fields and marked with gatewayByte, in one copy; stops at the
  // first frame that is incomplete or whose length field is below 5 or
  // above 8198. Returns the count of bytes taken.
  std::size_t PushFrames(const uint8_t *bytes, std::size_t size, uint8_t gatewayByte);

  // Storage that a read puts its bytes into, for them to be queued where
  // they are: no copy from a read area.
  struct ReadRoom {
    uint8_t *bytes = nullptr;
    std::size_t size = 0;
    FrameRef ref;
  };
  // The room for one read, of at least kReadFloor bytes; nothing else may
  // use the queue until CloseRead.
  static constexpr std::size_t kReadFloor = 16 * 1024;
  ReadRoom OpenRead();
  // Queues the whole frames at the front of the room's first `size` bytes
  // where they are, as PushFrames does; returns the count of bytes taken.
  // The bytes behind them stay readable until CloseRead.
  std::size_t KeepRead(const ReadRoom &room, std::size_t size, uint8_t gatewayByte) {
    return KeepStored(room.ref, room.bytes, size, gatewayByte);
  }
  // Gives back the part of the room that holds no queued frame.
  void CloseRead(const ReadRoom &room) { arena_.Abandon(room.ref); }

  // Makes sure that queueing the frames of `bytes` more received bytes
  // allocates nothing: throws std::bad_alloc, with nothing changed, when the
  // memory cannot be had.
  void ReserveFor(std::size_t bytes) {
    GrowRecords(runs_.size() + FrameArena::ChunksFor(bytes) * kRunsPerStore);
    arena_.ReserveFor(bytes);
  }

  // Makes sure that one more run record needs no allocation: the next store,
  // or a Remove that splits a run.
  void ReserveRecord() { ReserveRecords(1); }

  bool Empty() const { return !all_.headRun; }
  // The count of queued frames, by a walk over all of them: for tests and
  // checks. Nothing keeps a count, so that no frame pays for one.
  std::size_t Count() const;
  // Bytes of the queued frames with this gateway byte.
  std::size_t QueuedBytes(uint8_t gateway) const;
  // The oldest frame of all (kAnyGateway) or of one gateway byte (0 to 255);
  // kNoEntry when there is none or the gateway is out of range.
  EntryId First(int gateway = kAnyGateway) const { return FirstOf(HeadOf(gateway)); }
  // The oldest frame of First(gateway)'s order for which match(frame) is
  // true, walked without a lookup per frame; kNoEntry when there is none.
  // frame holds the bytes of the frame found.
  template <typename Match>
  EntryId Find(int gateway, Match match, ByteView &frame) const {
    const Order order = gateway == kAnyGateway ? &Run::all : &Run::sameGateway;
    for (RunId id = HeadOf(gateway); id != kNoRun; id = (runs_[id].*order).next) {
      const Run &run = runs_[id];
      const uint8_t *bytes = PageBytes(run.page);
      for (uint32_t at = run.begin; at < run.end;) {
        const uint32_t size = static_cast<uint32_t>(SizeAt(run, at, bytes + at));
        frame = {bytes + at, size};
        if (match(frame)) return Id(id, at);
        at += size;
      }
    }
    return kNoEntry;
  }
  // The frame after id in the same order as First's.
  EntryId Next(EntryId id, int gateway = kAnyGateway) const;
  // The frame's bytes, valid until it is removed; empty for an id that holds
  // no frame.
  ByteView View(EntryId id) const {
    uint32_t offset;
    const Run *run = Locate(id, offset);
    if (!run) return {};
    return {PageBytes(run->page) + offset, FrameSize(*run, offset)};
  }
  // Removes one frame; an id that holds no frame is ignored. The first frame
  // of a run, what a scan from the oldest finds, is removed inline.
  void Remove(EntryId id) {
    const RunId runId = static_cast<RunId>(id >> 32);
    const uint32_t offset = static_cast<uint32_t>(id);
    if (runId < runs_.size()) {
      Run &run = runs_[runId];
      // A free record is empty, so it fails the second test.
      if (offset == run.begin && offset < run.end) {
        const uint8_t *frame = PageBytes(run.page) + offset;
        return DropHead(runId, run, frame, static_cast<uint32_t>(SizeAt(run, offset, frame)));
      }
    }
    RemoveInside(id);
  }
  // Copies the frame First(gateway) names into buffer and removes it, in
  // one step; returns its size, or 0 when there is none. A small frame with
  // more of its run behind it, the common case of a burst, is taken inline.
  std::size_t Take(int gateway, uint8_t *buffer) {
    const int32_t size = TakeSimple(gateway, buffer);
    if (size != kNotSimple) return static_cast<std::size_t>(size);
    const RunId id = EndsOf(gateway).head;
    return TakeOther(id, FrameSize(runs_[id], runs_[id].begin), buffer);
  }
  // Take for the common case alone, inline: a frame of at most 16 bytes
  // with more of its run behind it; else kNotSimple, and nothing is taken.
  static constexpr int32_t kNotSimple = -1;
  int32_t TakeSimple(int gateway, uint8_t *buffer) {
    const Ends &ends = EndsOf(gateway);
    if (!ends.headRun) return 0;
    std::size_t size = 0;
    const bool taken = TakeFirstIf(ends, [&](const ByteView &frame) {
      if (frame.size > kLargestSmallCopy) return false;
      CopySmall(buffer, frame.data, frame.size);
      size = frame.size;
      return true;
    });
    return taken ? static_cast<int32_t>(size) : kNotSimple;
  }
  // Removes the frame First(gateway) names when it has more of its run
  // behind it and accept(frame) says so; false when it is not removed. Its
  // bytes stay where they are until the queue changes again. Inline, for
  // the common case of a fetch: the frames of a burst.
  template <typename Accept>
  bool TakeFirstIf(int gateway, Accept &&accept) {
    return TakeFirstIf(EndsOf(gateway), std::forward<Accept>(accept));
  }

  // What TakeMany did.
  struct Taken {
    uint32_t frames = 0;   // frames copied out and removed
    std::size_t used = 0;  // bytes written
    // Bytes the record of the next frame needs, when it did not fit; 0 when
    // the order ran empty.
    std::size_t needed = 0;
  };
  // Size of the record TakeMany writes before each frame: the frame's size
  // (2 bytes, little-endian), then, withGateway, its gateway byte (2 bytes).
  static constexpr std::size_t RecordHeader(bool withGateway) { return withGateway ? 4 : 2; }
  // Copies the frames of First(gateway)'s order, oldest first, each after
  // its record header, into out while whole records fit in `size` bytes, and
  // removes them.
  Taken TakeMany(int gateway, uint8_t *out, std::size_t size, bool withGateway);

  // Whether the records agree with each other: both orders link the same
  // runs both ways, every run's frames step exactly to its end, the count
  // of each gateway's bytes is that of its runs, and each run holds its
  // storage chunk exactly once. For tests and the fuzzers, after every
  // operation; it walks the whole queue.
  bool CheckInvariants() const;

 private:
  // A run's index among the records; kNoRun names none.
  using RunId = uint32_t;
  static constexpr RunId kNoRun = UINT32_MAX;
  struct Links {
    RunId prev = kNoRun;
    RunId next = kNoRun;
  };
  struct Run;
  struct Ends {
    RunId head = kNoRun;
    RunId tail = kNoRun;
    // The head run's record and its storage chunk, so that taking from the
    // front finds them without a lookup; null while the order is empty.
    Run *headRun = nullptr;
    const uint8_t *headBytes = nullptr;
  };

  // Frames of one gateway stored back to back in one arena chunk, from
  // offset begin up to end; the last one starts at offset last. Every frame
  // but the last is as long as its length field says, so the frames follow
  // each other by their length fields; a frame whose size differs from its
  // length field is the last of its run. Each frame holds the run's gateway
  // byte. A free record is empty (begin == end) and chains the free records
  // through all.next.
  // A record per run is the queue's whole cost per frame when gateways take
  // turns frame by frame, so it is kept to 28 bytes: offsets count from the
  // start of the arena page the run's frames start in, so every frame starts
  // below 65536 (its bytes may go on into the next page).
  struct Run {
    Links all;
    Links sameGateway;
    uint32_t page = 0;
    uint32_t end = 0;
    uint16_t begin = 0;
    uint16_t last = 0;
  };
  static_assert(FrameArena::kPageSize <= 65536 && kMaxWireFrame < 65536,
                "a run's frames start at offsets below 65536");
  static_assert(sizeof(Run) == 28, "a run's record stays at 28 bytes");
  using Order = Links Run::*;
  static constexpr std::size_t kGatewayBytes = 256;

  static EntryId Id(RunId run, uint32_t offset) { return static_cast<EntryId>(run) << 32 | offset; }
  // The run of a queued frame, and the frame's offset; null for an id that
  // holds no frame.
  const Run *Locate(EntryId id, uint32_t &offset) const {
    const RunId run = static_cast<RunId>(id >> 32);
    offset = static_cast<uint32_t>(id);
    if (run >= runs_.size()) return nullptr;
    const Run &found = runs_[run];
    return found.begin <= offset && offset < found.end ? &found : nullptr;
  }
  uint32_t FrameSize(const Run &run, uint32_t offset) const {
    return static_cast<uint32_t>(SizeAt(run, offset, PageBytes(run.page) + offset));
  }
  // The same for a frame of the run whose bytes are at hand.
  static std::size_t SizeAt(const Run &run, uint32_t offset, const uint8_t *frame) {
    return offset == run.last ? run.end - offset : ReadLength(frame);
  }
  // Where the arena page a run's offsets count from starts.
  const uint8_t *PageBytes(uint32_t page) const { return arena_.At(FrameArena::PageStart(page)); }
  // The gateway byte of the run's frames.
  uint8_t GatewayOf(const Run &run) const {
    return PageBytes(run.page)[run.begin + kGatewayByteOffset];
  }
  // The oldest run of all (kAnyGateway) or of one gateway byte; kNoRun when
  // there is none or the gateway is out of range.
  RunId HeadOf(int gateway) const { return EndsOf(gateway).head; }
  // The ends of that order; an empty one for a gateway out of range.
  const Ends &EndsOf(int gateway) const {
    if (static_cast<unsigned>(gateway) < kGatewayBytes) return gateways_[gateway];
    return gateway == kAnyGateway ? all_ : none_;
  }
  // TakeFirstIf for the order of ends.
  template <typename Accept>
  bool TakeFirstIf(const Ends &ends, Accept &&accept) {
    Run *run = ends.headRun;
    if (!run || run->begin == run->last) return false;
    const uint8_t *frame = ends.headBytes + run->begin;
    const std::size_t size = ReadLength(frame);  // not the last: its length field is its size
    if (!accept(ByteView{frame, size})) return false;
    Advance(*run, static_cast<uint32_t>(size));
    return true;
  }
  // Makes run id (or kNoRun) the head of the order of ends.
  void SetHead(Ends &ends, RunId id) {
    ends.head = id;
    ends.headRun = id == kNoRun ? nullptr : &runs_[id];
    ends.headBytes = id == kNoRun ? nullptr : PageBytes(runs_[id].page);
  }
  // Room for `capacity` records; the heads' records follow when they move.
  void GrowRecords(std::size_t capacity);
  // The most records one store of at most a chunk makes: one per page.
  static constexpr std::size_t kRunsPerStore = FrameArena::kPagesPerChunk;
  // Records grow to twice as many and this many more, so that a growth
  // always makes room for a store's.
  static constexpr std::size_t kFewestRecords = 16;
  static_assert(kRunsPerStore <= kFewestRecords, "one growth holds a store's records");
  // Makes sure that a store into the room of `size` bytes at ref needs no
  // record allocated; gives the room up when that memory cannot be had.
  void ReserveRunsIn(FrameRef ref, std::size_t size);
  // Makes sure that `count` more records need no allocation: free records
  // count first, looked at no further than `count` of them.
  void ReserveRecords(std::size_t count) {
    std::size_t spare = runs_.capacity() - runs_.size();
    for (RunId id = free_; id != kNoRun && spare < count; id = runs_[id].all.next)
      ++spare;
    if (spare < count) GrowRecords(runs_.size() * 2 + kFewestRecords);
  }
  EntryId FirstOf(RunId run) const { return run == kNoRun ? kNoEntry : Id(run, runs_[run].begin); }
  RunId NewRun();
  void FreeRun(RunId id);
  void LinkBack(Ends &ends, Order order, RunId id);
  void LinkAfter(Ends &ends, Order order, RunId at, RunId id);
  void Unlink(Ends &ends, Order order, RunId id);
  // Keeps the frames just stored from offset begin of the page as the end
  // of the newest run, when they belong to it; false when they start a run
  // of their own. The part (`size` bytes, its last frame `last` bytes in)
  // is whole frames that follow each other by their length fields.
  bool Extend(uint32_t page, uint32_t begin, std::size_t size, uint32_t last, uint8_t gateway);
  // Take for every other frame: the head of run id, of the given size.
  std::size_t TakeOther(RunId id, uint32_t size, uint8_t *buffer);
  // Removes the run's first frame, of the given size.
  void DropFirst(RunId id, uint32_t size) { DropFront(id, size); }
  // The same for `run`, runs_[id], whose first frame is at hand: a frame
  // that leaves its run with more frames only moves the run's start, and the
  // queue does not run empty.
  void DropHead(RunId id, Run &run, const uint8_t *frame, uint32_t size) {
    if (run.begin == run.last) return DropFirst(id, size);
    const uint8_t gateway = frame[kGatewayByteOffset];
    if (&run != gateways_[gateway].headRun) bytesOf_[gateway] -= size;
    Advance(run, size);
  }
  // Moves the run's front past its first frame, of `size` bytes, which is
  // not its last. For the head run of its gateway's order that is the whole
  // step: the head's bytes are counted by its span (see bytesOf_).
  static void Advance(Run &run, uint32_t size) {
    run.begin = static_cast<uint16_t>(run.begin + size);  // not past last, so below 65536
  }
  // Bytes of the run at the head of ends; 0 when the order is empty.
  static std::size_t HeadSpan(const Ends &ends) {
    return ends.headRun ? ends.headRun->end - ends.headRun->begin : 0;
  }
  // Sets the count of the gateway's bytes to total after a change that may
  // have moved its head or changed the head's bytes.
  void Recount(uint8_t gateway, std::size_t total) {
    bytesOf_[gateway] = total - HeadSpan(gateways_[gateway]);
  }
  // Where the frame before the one at offset (not the run's first) starts.
  uint32_t FrameBefore(const Run &run, uint32_t offset) const;
  // Remove for a frame that is not the first of its run, or an id that
  // holds no frame.
  void RemoveInside(EntryId id);
  // Kept out of line, so that the common case of Take stays short.
  // Removes the run's first frames, of `bytes` bytes together.
  [[gnu::noinline]] void DropFront(RunId id, uint32_t bytes);
  // Copies whole records of the run's frames from its front into out, as
  // TakeMany does, and removes them; false when the run's next frame did
  // not fit.
  bool TakeFromRun(RunId id, uint8_t *out, std::size_t size, bool withGateway, Taken &taken);
  void Emptied();
  bool CheckHolds() const;
  bool CheckOrder(const Ends &ends, Order order, int gateway, std::size_t &runs) const;
  bool CountRun(const Run &run, std::size_t &bytes) const;
  // Ends the run at cutFrom; its bytes from restFrom on form a new run right
  // after it in both orders.
  void Split(RunId id, uint32_t cutFrom, uint32_t restFrom);
  static bool Queueable(const uint8_t *frame, std::size_t size) { return frame && Fits(size); }
  bool Append(const uint8_t *frame, std::size_t size, uint8_t gateway);
  // The bytes of the part to copy from the front of `size` bytes (at least
  // 2): `size`, or for long frames only those of its whole frames.
  static std::size_t PartToCopy(const uint8_t *bytes, std::size_t size);
  // Stores the whole frames at the front of bytes, marks them and links
  // them as the newest run of the gateway; returns the count of bytes taken.
  std::size_t StorePart(const uint8_t *bytes, std::size_t size, uint8_t gatewayByte);
  // Cuts and marks the whole frames at the front of `size` bytes stored at
  // ref and links them as the newest run; returns the count of bytes kept
  // (0: nothing was, and the room is the caller's to give up).
  std::size_t KeepStored(FrameRef ref, uint8_t *stored, std::size_t size, uint8_t gatewayByte);
  // Stores one frame of the given size, marked, as the newest run.
  void StoreFrame(const uint8_t *frame, std::size_t size, uint8_t gatewayByte);
  // Links frames stored at ref as the newest run of gateway; the last of
  // them starts `last` bytes after ref. byLength: all of them are as long
  // as their length fields say.
  void AppendRun(FrameRef ref, std::size_t size, uint32_t last, uint8_t gateway, bool byLength);

  // Records are reached by index only, so growing may move them.
  std::vector<Run> runs_;
  RunId free_ = kNoRun;
  Ends all_;
  std::array<Ends, kGatewayBytes> gateways_;
  const Ends none_{};  // the order of a gateway out of range: always empty
  // Bytes of each gateway's frames outside the head run of its order: the
  // head's own bytes are its span, so that a take from the front of the
  // head, which every fetch of a burst is, changes no count. (The head run
  // of the order of all frames is the head of its gateway's order too.)
  std::array<std::size_t, kGatewayBytes> bytesOf_{};
  FrameArena arena_;
};

// Null before the first PT_API_Open and after PT_API_Close.

}  // namespace roviro2
