/* SPDX-License-Identifier: MIT */
// Bounded first-in first-out byte buffer for what a connection has accepted
// but the kernel could not take yet. A string of bytes goes in whole or not at
// all, so a frame is never split between kept and dropped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace roviro2 {

class TOutputBuffer {
 public:
  explicit TOutputBuffer(std::size_t capacity) : capacity_(capacity) {}

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

  void Clear();

 private:
  std::size_t capacity_;
  std::vector<uint8_t> bytes_;
  std::size_t head_ = 0;  // bytes before it are already written out
};

}  // namespace roviro2
