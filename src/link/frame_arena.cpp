// SPDX-License-Identifier: MIT
#include "link/frame_arena.h"

#include <cstring>

namespace roviro2 {

uint32_t TFrameArena::NewChunk(std::size_t capacity) {
  uint32_t index;
  if (freeSlots_.empty()) {
    index = static_cast<uint32_t>(chunks_.size());
    chunks_.emplace_back();
  } else {
    index = freeSlots_.back();
    freeSlots_.pop_back();
  }
  Chunk &chunk = chunks_[index];
  // Not value-initialised: every byte handed out is written by Store first.
  chunk.bytes.reset(new uint8_t[capacity]);
  chunk.capacity = static_cast<uint32_t>(capacity);
  chunk.used = 0;
  chunk.live = 0;
  return index;
}

uint32_t TFrameArena::ChunkWithRoom(std::size_t size) {
  if (size >= kOwnChunkFrom) return NewChunk(size);
  if (open_ == kNoChunk || chunks_[open_].capacity - chunks_[open_].used < size) {
    // The full chunk is freed by the release of its last frame.
    open_ = NewChunk(kChunkSize);
  }
  return open_;
}

FrameRef TFrameArena::Store(const uint8_t *bytes, std::size_t size, uint32_t frames) {
  const uint32_t index = ChunkWithRoom(size);
  Chunk &chunk = chunks_[index];
  const FrameRef ref{index, chunk.used};
  std::memcpy(chunk.bytes.get() + chunk.used, bytes, size);
  chunk.used += static_cast<uint32_t>(size);
  chunk.live += frames;
  return ref;
}

void TFrameArena::Emptied(uint32_t index) {
  Chunk &chunk = chunks_[index];
  if (index == open_) {
    chunk.used = 0;  // keep the shared chunk for the next frames
    return;
  }
  chunk.bytes.reset();
  chunk.capacity = chunk.used = 0;
  freeSlots_.push_back(index);
}

}  // namespace roviro2
