/* SPDX-License-Identifier: MIT */
// Bounded first-in first-out byte buffer for what a connection has accepted
// but the kernel could not take yet. A string of bytes goes in whole or not at
// all, so a frame is never split between kept and dropped.
//
// The bytes are wire frames, each starting with its little-endian 16-bit total
// length. The buffer follows their boundaries as bytes are written out, so
// that a close can hand over whole frames only and count the rest.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace roviro2 {

class OutputBuffer {
 public:
  explicit OutputBuffer(std::size_t capacity) : capacity_(capacity) {}

  std::size_t Capacity() const { return capacity_; }
  std::size_t Size() const { return bytes_.size() - head_; }
  bool Empty() const { return Size() == 0; }
  std::size_t Room() const { return capacity_ - Size(); }

  // Appends all `size` bytes, or nothing when they do not fit in Room().
  bool Append(const uint8_t *data, std::size_t size);

  // The oldest bytes, Size() of them.
  const uint8_t *Data() const { return bytes_.data() + head_; }

  // Drops the `count` oldest bytes (at most Size()).
  void Consume(std::size_t count);

  // Whether the oldest bytes finish a frame whose start was already written.
  bool HeadStarted() const { return startedRest_ > 0; }
  // Bytes from the head to the end of the frame it is in (at most Size()).
  std::size_t HeadFrameSize() const;
  // Bytes of the oldest whole frames that together fit in `bytes` (0 while
  // the head is inside a started frame).
  std::size_t FramesWithin(std::size_t bytes) const;
  // Frames that still wait, a started one included.
  std::size_t FrameCount() const;

  void Clear();

 private:
  // Size of the frame that starts at bytes_[at]: its length field, at least
  // the field itself so that a walk always moves on.
  std::size_t FrameSizeAt(std::size_t at) const;

  std::size_t capacity_;
  std::vector<uint8_t> bytes_;
  std::size_t head_ = 0;         // bytes before it are already written out
  std::size_t startedRest_ = 0;  // bytes from head_ that end a started frame
};

}  // namespace roviro2
