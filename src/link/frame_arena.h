/* SPDX-License-Identifier: MIT */
// Storage for the bytes of queued frames. Small frames are packed into large
// chunks so that a queued frame costs no heap block of its own; a chunk is
// freed once every frame stored in it has been released. A chunk is as large
// as one event's read, so that the read is one system call; it is addressed
// in 64 KiB pages, so that offsets from a page's start fit in 16 bits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "link/frame.h"

namespace roviro2 {

// Where one stored frame lives.
struct FrameRef {
  uint32_t chunk = 0;
  uint32_t offset = 0;
};

class FrameArena {
 public:
  // Frames of at least this size get a chunk of their own, so the unused end
  // of a shared chunk stays below it.
  static constexpr std::size_t kOwnChunkFrom = 1024;
  static constexpr std::size_t kChunkSize = 256 * 1024;
  static constexpr std::size_t kPageSize = 64 * 1024;
  static constexpr uint32_t kPagesPerChunk = kChunkSize / kPageSize;

  // The page that holds the byte at ref, and where a page starts: a page is
  // a chunk's index and a step of kPageSize bytes into it in one number.
  static uint32_t PageOf(FrameRef ref) {
    return ref.chunk * kPagesPerChunk + static_cast<uint32_t>(ref.offset / kPageSize);
  }
  static FrameRef PageStart(uint32_t page) {
    return {page / kPagesPerChunk, static_cast<uint32_t>(page % kPagesPerChunk * kPageSize)};
  }

  // Copies size bytes (size > 0) and returns where they are, held once.
  // Stored bytes never move until every hold on their chunk is released.
  FrameRef Store(const uint8_t *bytes, std::size_t size);
  // Room for size bytes (size > 0) that the caller fills and then either
  // keeps, in part, with Commit, or gives up with Abandon, before any other
  // call of the arena.
  uint8_t *Room(std::size_t size, FrameRef &ref);
  // Room for a read into the shared chunk, as Room: every byte the chunk has
  // left when that is at least `floor` (at most kChunkSize) bytes, else a
  // fresh chunk. size is set to the room's size.
  uint8_t *ReadRoom(std::size_t floor, FrameRef &ref, std::size_t &size);
  // Keeps the first `used` bytes (used > 0) of the room at ref, held once.
  void Commit(FrameRef ref, std::size_t used) {
    Chunk &chunk = chunks_[ref.chunk];
    chunk.used += static_cast<uint32_t>(used);
    ++chunk.live;
  }
  void Abandon(FrameRef ref) {
    if (chunks_[ref.chunk].live == 0) Emptied(ref.chunk);
  }
  uint8_t *At(FrameRef ref) { return chunks_[ref.chunk].bytes.get() + ref.offset; }
  const uint8_t *At(FrameRef ref) const { return chunks_[ref.chunk].bytes.get() + ref.offset; }
  // One more hold on the chunk of stored bytes (a second record of them).
  void Hold(FrameRef ref) { ++chunks_[ref.chunk].live; }
  // Gives back one hold; once every hold on a chunk is given back, its bytes
  // may be reused or freed.
  void Release(FrameRef ref) {
    if (--chunks_[ref.chunk].live == 0) Emptied(ref.chunk);
  }
  // Holds on the chunk of ref; for the queue's consistency checks.
  uint32_t Holds(FrameRef ref) const { return chunks_[ref.chunk].live; }
  // Chunks currently holding memory.
  std::size_t ChunksInUse() const { return chunks_.size() - freeSlots_.size(); }

  // Makes sure that storing `bytes` more bytes, in parts of at most one
  // chunk, allocates nothing that can fail: room for the chunk records, and
  // spare chunks to fall back on when the system has no memory for a new
  // one. Throws std::bad_alloc (and changes nothing stored) when that memory
  // cannot be had.
  void ReserveFor(std::size_t bytes);
  // Chunks a store of `bytes` bytes may need at most.
  static std::size_t ChunksFor(std::size_t bytes) { return bytes / kPartFloor + 2; }

 private:
  struct Chunk {
    std::unique_ptr<uint8_t[]> bytes;
    uint32_t capacity = 0;
    uint32_t used = 0;
    uint32_t live = 0;  // holds not yet released
  };
  static constexpr uint32_t kNoChunk = UINT32_MAX;
  // Every part but the last of a large store fills a chunk at least this far
  // (a part ends where the next whole frame would not fit).
  static constexpr std::size_t kPartFloor = kChunkSize - kMaxWireFrame;

  uint32_t NewChunk(std::size_t capacity);
  void Emptied(uint32_t chunk);
  uint32_t ChunkWithRoom(std::size_t size);

  std::vector<Chunk> chunks_;
  std::vector<uint32_t> freeSlots_;  // indices of chunks_ without memory
  // Emptied chunks kept for reuse (kChunkSize bytes each), and the fallback
  // of a store when the system has no memory.
  std::vector<std::unique_ptr<uint8_t[]>> spare_;
  uint32_t open_ = kNoChunk;  // the shared chunk small frames go into
};

}  // namespace roviro2
