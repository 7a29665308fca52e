// SPDX-License-Identifier: MIT
#include "link/frame_arena.h"

#include <cstring>
#include <new>

namespace roviro2 {

namespace {
// Emptied chunks kept for reuse beyond what a reservation asks for.
constexpr std::size_t kSpareKept = 2;
}  // namespace

void FrameArena::ReserveFor(std::size_t bytes) {
  const std::size_t chunks = ChunksFor(bytes);
  chunks_.reserve(chunks_.size() + chunks);
  freeSlots_.reserve(chunks_.capacity());
  spare_.reserve(chunks > kSpareKept ? chunks : kSpareKept);
  while (spare_.size() < chunks)
    spare_.emplace_back(new uint8_t[kChunkSize]);
}

uint32_t FrameArena::NewChunk(std::size_t capacity) {
  // The memory first, so that a failure leaves every record as it was. A
  // spare chunk serves any store (no part is larger), and serves first when
  // the size is the usual one.
  std::unique_ptr<uint8_t[]> bytes;
  if (!spare_.empty() && capacity == kChunkSize) {
    bytes = std::move(spare_.back());
    spare_.pop_back();
  } else {
    try {
      // Not value-initialised: every byte handed out is written by Store first.
      bytes.reset(new uint8_t[capacity]);
    } catch (const std::bad_alloc &) {
      if (spare_.empty() || capacity > kChunkSize) throw;
      bytes = std::move(spare_.back());
      spare_.pop_back();
      capacity = kChunkSize;
    }
  }
  uint32_t index;
  if (freeSlots_.empty()) {
    index = static_cast<uint32_t>(chunks_.size());
    chunks_.emplace_back();
  } else {
    index = freeSlots_.back();
    freeSlots_.pop_back();
  }
  Chunk &chunk = chunks_[index];
  chunk.bytes = std::move(bytes);
  chunk.capacity = static_cast<uint32_t>(capacity);
  chunk.used = 0;
  chunk.live = 0;
  return index;
}

uint32_t FrameArena::ChunkWithRoom(std::size_t size) {
  if (size >= kOwnChunkFrom) return NewChunk(size);
  if (open_ == kNoChunk || chunks_[open_].capacity - chunks_[open_].used < size) {
    // The full chunk is freed by the release of its last frame.
    open_ = NewChunk(kChunkSize);
  }
  return open_;
}

uint8_t *FrameArena::Room(std::size_t size, FrameRef &ref) {
  const uint32_t index = ChunkWithRoom(size);
  ref = FrameRef{index, chunks_[index].used};
  return At(ref);
}

uint8_t *FrameArena::ReadRoom(std::size_t floor, FrameRef &ref, std::size_t &size) {
  if (open_ == kNoChunk || chunks_[open_].capacity - chunks_[open_].used < floor) {
    open_ = NewChunk(kChunkSize);
  }
  const Chunk &chunk = chunks_[open_];
  ref = FrameRef{open_, chunk.used};
  size = chunk.capacity - chunk.used;
  return At(ref);
}

FrameRef FrameArena::Store(const uint8_t *bytes, std::size_t size) {
  FrameRef ref;
  std::memcpy(Room(size, ref), bytes, size);
  Commit(ref, size);
  return ref;
}

void FrameArena::Emptied(uint32_t index) {
  Chunk &chunk = chunks_[index];
  if (index == open_) {
    chunk.used = 0;  // keep the shared chunk for the next frames
    return;
  }
  if (chunk.capacity == kChunkSize && spare_.size() < spare_.capacity()) {
    spare_.push_back(std::move(chunk.bytes));  // room was reserved: no allocation
  }
  chunk.bytes.reset();
  chunk.capacity = chunk.used = 0;
  freeSlots_.push_back(index);
}

}  // namespace roviro2
